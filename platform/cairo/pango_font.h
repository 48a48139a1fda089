#pragma once

#include <pango/pango.h>

#include <memory>
#include <string_view>

#include "platform/graphics/font.h"

namespace halbrin::platform {

struct PangoFontDescriptionDeleter {
  void operator()(PangoFontDescription* description) const noexcept { pango_font_description_free(description); }
};
using PangoFontDescriptionPtr = std::unique_ptr<PangoFontDescription, PangoFontDescriptionDeleter>;

// The Pango font of a TFont: the family through FontFamilyFor with the
// desktop's status-font family as the sans face, |Height| pixels as the
// absolute size (0 takes the desktop font's size), bold and italic from the
// style. Underline and strike-out are text attributes, not part of it.
PangoFontDescriptionPtr FontDescriptionFor(const TFont& font);

// The font a Pango description text names ("Cantarell Bold 11"): its family
// ("Sans" when it names none), its size in points (absolute sizes taken at 96
// pixels per inch; 9 when it names none), bold from a weight of at least bold,
// italic from an italic or oblique style.
TFontSpec FontSpecFromDescription(std::string_view text);

}  // namespace halbrin::platform
