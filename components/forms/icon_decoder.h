#pragma once

// Icons as pictures for the forms layer, which stays display-free: the
// program's entry installs the decoder (GdkPixbuf under GTK). A form's
// `image` and the application's icon go through it.

#include <functional>
#include <optional>

#include "core/foundation/icon_loader.h"
#include "platform/graphics/image_list.h"

namespace halbrin {

// The picture of an icon's image (its file's bytes and the image's index);
// nothing when the bytes hold no such image.
using TIconDecoder = std::function<std::optional<platform::TArgbImage>(const IconImage& icon)>;

// Installs `decoder` (an empty one takes it away) and returns the previous one.
TIconDecoder SetIconDecoder(TIconDecoder decoder);
bool HasIconDecoder() noexcept;

// The picture of `icon`; nothing without a decoder or when it fails.
std::optional<platform::TArgbImage> DecodeIcon(const IconImage& icon);

}  // namespace halbrin
