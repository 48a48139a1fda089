#include "skins/core/skin_colors.h"

#include "core/foundation/colors.h"
#include "platform/base/case_fold.h"

namespace halbrin::skins {

using platform::SystemColor;

const std::array<TSkinColorName, 26> SkinColorNames{{
    {"activeborder", SystemColor(10)},
    {"activecaption", SystemColor(2)},
    {"appworkspace", SystemColor(12)},
    {"background", SystemColor(1)},
    {"buttonface", SystemColor(15)},
    {"buttonhighlight", SystemColor(20)},
    {"buttonshadow", SystemColor(16)},
    {"buttontext", SystemColor(18)},
    {"captiontext", SystemColor(9)},
    {"graytext", SystemColor(17)},
    {"highlight", SystemColor(13)},
    {"highlighttext", SystemColor(14)},
    {"inactiveborder", SystemColor(11)},
    {"inactivecaption", SystemColor(3)},
    {"inactivecaptiontext", SystemColor(19)},
    {"infobackground", SystemColor(24)},
    {"infotext", SystemColor(23)},
    {"menu", SystemColor(4)},
    {"menutext", SystemColor(7)},
    {"scrollbar", SystemColor(0)},
    {"threeddarkshadow", SystemColor(21)},
    {"threedhighlight", SystemColor(22)},
    {"window", SystemColor(5)},
    {"windowframe", SystemColor(6)},
    {"windowtext", SystemColor(8)},
    {"default", platform::clDefault},
}};

TColor SkinFileColorText(std::string_view text) {
  // Every control character counts as a blank here, not only the usual white space.
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return platform::clDefault;
  // Trimmed first, so a padded name still finds its colour.
  for (const TSkinColorName& entry : SkinColorNames)
    if (platform::SameText(entry.name, text)) return entry.value;
  return HexTextToColor(text);
}

}  // namespace halbrin::skins
