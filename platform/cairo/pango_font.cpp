#include "platform/cairo/pango_font.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/services/desktop_service.h"

namespace halbrin::platform {

PangoFontDescriptionPtr FontDescriptionFor(const TFont& font) {
  const TFontSpec desktop = CurrentDesktopService().ElementFont(TDesktopFont::Status);
  PangoFontDescriptionPtr description(pango_font_description_new());
  const std::string family = FontFamilyFor(font.Name(), desktop.name);
  pango_font_description_set_family(description.get(), family.c_str());
  // A positive height is the class library's cell height; Pango has only the
  // em size, which is what a negative height gives.
  int pixels = std::abs(font.Height());
  if (pixels == 0) pixels = static_cast<int>(std::lround(desktop.size * font.PixelsPerInch() / 72.0));
  pango_font_description_set_absolute_size(description.get(), static_cast<double>(pixels) * PANGO_SCALE);
  pango_font_description_set_weight(description.get(), font.Style() & fsBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description.get(), font.Style() & fsItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return description;
}

TFontSpec FontSpecFromDescription(std::string_view text) {
  const PangoFontDescriptionPtr description(pango_font_description_from_string(std::string(text).c_str()));
  TFontSpec spec;
  if (const char* family = pango_font_description_get_family(description.get()); family && *family) spec.name = family;
  const int size = pango_font_description_get_size(description.get());
  if (size > 0) {
    const double units = static_cast<double>(size) / PANGO_SCALE;
    spec.size = static_cast<int>(std::lround(pango_font_description_get_size_is_absolute(description.get()) ? units * 72 / 96 : units));
  }
  spec.style = 0;
  if (pango_font_description_get_weight(description.get()) >= PANGO_WEIGHT_BOLD) spec.style |= fsBold;
  const PangoStyle style = pango_font_description_get_style(description.get());
  if (style == PANGO_STYLE_ITALIC || style == PANGO_STYLE_OBLIQUE) spec.style |= fsItalic;
  return spec;
}

}  // namespace halbrin::platform
