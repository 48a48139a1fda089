#include "platform/cairo/pango_font.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/services/desktop_service.h"

namespace halbrin::platform {
namespace {

TEST(PangoFontTest, DescriptionTextsGiveFamilySizeAndStyle) {
  struct Case {
    const char* text;
    TFontSpec spec;
  };
  const Case cases[] = {
      {"Cantarell 11", {"Cantarell", 11, 0}},
      {"DejaVu Sans Bold Italic 9", {"DejaVu Sans", 9, fsBold | fsItalic}},
      {"Serif Heavy Oblique 13", {"Serif", 13, fsBold | fsItalic}},
      {"Sans Semi-Bold 10", {"Sans", 10, 0}},
      {"Monospace 16px", {"Monospace", 12, 0}},
      {"Ubuntu", {"Ubuntu", 9, 0}},
      {"", {"Sans", 9, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(FontSpecFromDescription(c.text), c.spec) << c.text;
}

class FamilyDesktop final : public HeadlessDesktopService {
 public:
  TFontSpec ElementFont(TDesktopFont element) const override {
    return DerivedElementFont({"Cantarell", 11, 0}, element);
  }
};

TEST(PangoFontTest, FontsBecomePangoDescriptionsWithTheDesktopSansForStockNames) {
  FamilyDesktop desktop;
  ScopedDesktopService scope(desktop);
  struct Case {
    const char* name;
    int height;
    TFontStyles style;
    const char* family;
    int pixels;
    PangoWeight weight;
    PangoStyle slant;
  };
  const Case cases[] = {
      {"MS Sans Serif", -11, 0, "Cantarell", 11, PANGO_WEIGHT_NORMAL, PANGO_STYLE_NORMAL},
      {"Tahoma", 13, fsBold, "Cantarell", 13, PANGO_WEIGHT_BOLD, PANGO_STYLE_NORMAL},
      {"DejaVu Serif", -16, fsItalic | fsUnderline, "DejaVu Serif", 16, PANGO_WEIGHT_NORMAL, PANGO_STYLE_ITALIC},
      {"Mono", 0, 0, "Mono", 15, PANGO_WEIGHT_NORMAL, PANGO_STYLE_NORMAL},  // the desktop's 11 points
  };
  for (const Case& c : cases) {
    TFont font;
    font.SetName(c.name);
    font.SetHeight(c.height);
    font.SetStyle(c.style);
    const PangoFontDescriptionPtr description = FontDescriptionFor(font);
    EXPECT_STREQ(pango_font_description_get_family(description.get()), c.family) << c.name;
    EXPECT_TRUE(pango_font_description_get_size_is_absolute(description.get())) << c.name;
    EXPECT_EQ(pango_font_description_get_size(description.get()), c.pixels * PANGO_SCALE) << c.name;
    EXPECT_EQ(pango_font_description_get_weight(description.get()), c.weight) << c.name;
    EXPECT_EQ(pango_font_description_get_style(description.get()), c.slant) << c.name;
  }
}

}  // namespace
}  // namespace halbrin::platform
