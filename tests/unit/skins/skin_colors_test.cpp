#include "skins/core/skin_colors.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace halbrin::skins {
namespace {

using platform::clDefault;
using platform::RGBColor;
using platform::SystemColor;

struct ColorCase {
  std::string text;
  TColor color;
};

TEST(SkinFileColorText, NamesInAnyCaseAndPadding) {
  const ColorCase cases[] = {
      {"ButtonFace", SystemColor(15)},
      {"BUTTONFACE", SystemColor(15)},
      {"buttonface", SystemColor(15)},
      {" buttonface", SystemColor(15)},
      {"\tActiveCaption\r\n", SystemColor(2)},
      {std::string("\x01highlight\x1f", 11), SystemColor(13)},
      {"scrollbar", SystemColor(0)},
      {"infobackground", SystemColor(24)},
      {"default", clDefault},
      {" Default ", clDefault},
  };
  for (const ColorCase& c : cases) EXPECT_EQ(SkinFileColorText(c.text), c.color) << '"' << c.text << '"';
}

TEST(SkinFileColorText, HexadecimalTexts) {
  const ColorCase cases[] = {
      {"#FF0000", RGBColor(0xFF, 0, 0)},
      {"#c0c0c0", RGBColor(0xC0, 0xC0, 0xC0)},
      {"  #c0c0c0 ", RGBColor(0xC0, 0xC0, 0xC0)},
      {std::string("\x7f#000001", 8), clDefault},
      {"f", RGBColor(0, 0, 0x0F)},
      {"255", RGBColor(0, 0x02, 0x55)},
      {"#0000FF", RGBColor(0, 0, 0xFF)},
      // Of a longer text the last six digits count, up to 32 bits.
      {"12345678", RGBColor(0x34, 0x56, 0x78)},
      {"000000001", RGBColor(0, 0, 1)},
      {"0000000000FF0000", RGBColor(0xFF, 0, 0)},
  };
  for (const ColorCase& c : cases) EXPECT_EQ(SkinFileColorText(c.text), c.color) << '"' << c.text << '"';
}

TEST(SkinFileColorText, UnreadableTextsGiveDefault) {
  const char* const cases[] = {"", "   ", "\t\n", "#", "#zz", "red", "white", "hotlight", "-1", "+FF",
                               "0xFF", "#0xFF", "1FFFFFFFF", "#FF 00 00", "button face"};
  for (const char* text : cases) EXPECT_EQ(SkinFileColorText(text), clDefault) << '"' << text << '"';
}

TEST(SkinColorNames, SystemColorsOnceEachAndDefault) {
  std::set<TColor> values;
  std::set<std::string> names;
  for (const TSkinColorName& entry : SkinColorNames) {
    SCOPED_TRACE(std::string(entry.name));
    EXPECT_TRUE(entry.value == clDefault || platform::IsSystemColor(entry.value));
    EXPECT_TRUE(values.insert(entry.value).second);
    EXPECT_TRUE(names.insert(std::string(entry.name)).second);
    EXPECT_EQ(SkinFileColorText(entry.name), entry.value);
  }
  // Colours 25 and above (hot light, gradients, menu bar) have no skin-file name.
  values.erase(clDefault);
  for (TColor value : values) EXPECT_LT(platform::SystemColorIndex(value), 25);
}

}  // namespace
}  // namespace halbrin::skins
