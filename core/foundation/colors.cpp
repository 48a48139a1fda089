#include "core/foundation/colors.h"

#include <array>
#include <cstdint>

#include "platform/base/case_fold.h"
#include "platform/variant/number_text.h"

using namespace halbrin::platform;

namespace halbrin {
namespace {

struct NamedColor {
  std::string_view name;
  std::uint32_t value;
};

// The order matters: ColorToText gives the first name of a value.
constexpr std::array<NamedColor, 48> kColorNames{{
    {"activeborder", 0xFF00000A},
    {"activecaption", 0xFF000002},
    {"appworkspace", 0xFF00000C},
    {"background", 0xFF000001},
    {"buttonface", 0xFF00000F},
    {"buttonhighlight", 0xFF000014},
    {"buttonshadow", 0xFF000010},
    {"buttontext", 0xFF000012},
    {"captiontext", 0xFF000009},
    {"graytext", 0xFF000011},
    {"highlight", 0xFF00000D},
    {"highlighttext", 0xFF00000E},
    {"inactiveborder", 0xFF00000B},
    {"inactivecaption", 0xFF000003},
    {"inactivecaptiontext", 0xFF000013},
    {"infobackground", 0xFF000018},
    {"infotext", 0xFF000017},
    {"menu", 0xFF000004},
    {"menutext", 0xFF000007},
    {"scrollbar", 0xFF000000},
    {"threeddarkshadow", 0xFF000015},
    {"threedhighlight", 0xFF000016},
    {"window", 0xFF000005},
    {"windowframe", 0xFF000006},
    {"windowtext", 0xFF000008},
    {"hotlight", 0xFF00001A},
    {"gradientactivecaption", 0xFF00001B},
    {"gradientinactivecaption", 0xFF00001C},
    {"menuhighlight", 0xFF00001D},
    {"menubar", 0xFF00001E},
    {"black", 0x00000000},
    {"maroon", 0x00000080},
    {"green", 0x00008000},
    {"olive", 0x00008080},
    {"navy", 0x00800000},
    {"purple", 0x00800080},
    {"teal", 0x00808000},
    {"gray", 0x00808080},
    {"silver", 0x00C0C0C0},
    {"red", 0x000000FF},
    {"lime", 0x0000FF00},
    {"yellow", 0x0000FFFF},
    {"blue", 0x00FF0000},
    {"fuchsia", 0x00FF00FF},
    {"aqua", 0x00FFFF00},
    {"white", 0x00FFFFFF},
    {"orange", 0x0000A5FF},
    {"default", 0x20000000},
}};

int HexDigitValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

TColor TextToColor(std::string_view text) {
  // Trimmed here too, so " red" reads like " #FF0000" does.
  const std::string_view trimmed = TrimBlanks(text);
  for (const NamedColor& entry : kColorNames)
    if (SameText(entry.name, trimmed)) return static_cast<TColor>(entry.value);
  return HexTextToColor(trimmed);
}

TColor HexTextToColor(std::string_view text) {
  std::string_view digits = TrimBlanks(text);
  if (digits.starts_with('#')) digits.remove_prefix(1);
  if (digits.empty()) return clDefault;
  // Short texts are padded with leading zeros, which change no value; a
  // value must still fit 32 bits, as the integer it is read into.
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return clDefault;
    value = value * 16 + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) return clDefault;
  }
  // The text is written red first; the value keeps red in the lowest byte.
  const std::uint32_t red = (value >> 16) & 0xFF;
  const std::uint32_t green = (value >> 8) & 0xFF;
  const std::uint32_t blue = value & 0xFF;
  return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

std::string ColorToText(TColor color) {
  for (const NamedColor& entry : kColorNames)
    if (static_cast<TColor>(entry.value) == color) return std::string(entry.name);
  return ColorToHexText(color);
}

std::string ColorToHexText(TColor color) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto value = static_cast<std::uint32_t>(color);
  std::string out = "#";
  for (int shift : {0, 8, 16}) {
    const std::uint32_t byte = (value >> shift) & 0xFF;
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0xF]);
  }
  return out;
}

TColor BlendColor(TColor a, TColor b, int step, int steps) {
  if (steps < 2) return a;
  // MulDiv rounds half away from zero.
  auto mulDiv = [](std::int64_t x, std::int64_t y, std::int64_t z) {
    const std::int64_t product = x * y;
    const std::int64_t half = z / 2;
    return product >= 0 ? (product + half) / z : (product - half) / z;
  };
  std::uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::int64_t ca = (static_cast<std::uint32_t>(a) >> shift) & 0xFF;
    const std::int64_t cb = (static_cast<std::uint32_t>(b) >> shift) & 0xFF;
    const std::int64_t channel = ca + mulDiv(step, cb - ca, steps - 1);
    result |= static_cast<std::uint32_t>(channel < 0 ? 0 : channel > 255 ? 255 : channel) << shift;
  }
  return static_cast<TColor>(result);
}

}  // namespace halbrin
