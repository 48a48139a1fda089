#include "components/forms/icon_decoder.h"

#include <utility>

namespace halbrin {

namespace {

TIconDecoder& InstalledDecoder() {
  static TIconDecoder decoder;
  return decoder;
}

}  // namespace

TIconDecoder SetIconDecoder(TIconDecoder decoder) { return std::exchange(InstalledDecoder(), std::move(decoder)); }

bool HasIconDecoder() noexcept { return static_cast<bool>(InstalledDecoder()); }

std::optional<platform::TArgbImage> DecodeIcon(const IconImage& icon) {
  const TIconDecoder& decoder = InstalledDecoder();
  if (!decoder) return std::nullopt;
  return decoder(icon);
}

}  // namespace halbrin
