#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "core/foundation/colors.h"

namespace halbrin {
namespace {

TColor C(std::uint32_t value) { return static_cast<TColor>(value); }

struct NamedColor {
  const char* name;
  std::uint32_t value;
};

// The whole table, written out again here so that a mistyped row shows.
const std::vector<NamedColor> kTable = {
    {"activeborder", 0xFF00000A},  {"activecaption", 0xFF000002},
    {"appworkspace", 0xFF00000C},  {"background", 0xFF000001},
    {"buttonface", 0xFF00000F},    {"buttonhighlight", 0xFF000014},
    {"buttonshadow", 0xFF000010},  {"buttontext", 0xFF000012},
    {"captiontext", 0xFF000009},   {"graytext", 0xFF000011},
    {"highlight", 0xFF00000D},     {"highlighttext", 0xFF00000E},
    {"inactiveborder", 0xFF00000B}, {"inactivecaption", 0xFF000003},
    {"inactivecaptiontext", 0xFF000013}, {"infobackground", 0xFF000018},
    {"infotext", 0xFF000017},      {"menu", 0xFF000004},
    {"menutext", 0xFF000007},      {"scrollbar", 0xFF000000},
    {"threeddarkshadow", 0xFF000015}, {"threedhighlight", 0xFF000016},
    {"window", 0xFF000005},        {"windowframe", 0xFF000006},
    {"windowtext", 0xFF000008},    {"hotlight", 0xFF00001A},
    {"gradientactivecaption", 0xFF00001B}, {"gradientinactivecaption", 0xFF00001C},
    {"menuhighlight", 0xFF00001D}, {"menubar", 0xFF00001E},
    {"black", 0x00000000},         {"maroon", 0x00000080},
    {"green", 0x00008000},         {"olive", 0x00008080},
    {"navy", 0x00800000},          {"purple", 0x00800080},
    {"teal", 0x00808000},          {"gray", 0x00808080},
    {"silver", 0x00C0C0C0},        {"red", 0x000000FF},
    {"lime", 0x0000FF00},          {"yellow", 0x0000FFFF},
    {"blue", 0x00FF0000},          {"fuchsia", 0x00FF00FF},
    {"aqua", 0x00FFFF00},          {"white", 0x00FFFFFF},
    {"orange", 0x0000A5FF},        {"default", 0x20000000},
};

TEST(Colors, EveryNameReadsAndWritesBothWays) {
  ASSERT_EQ(kTable.size(), 48u);
  for (const NamedColor& row : kTable) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(TextToColor(row.name), C(row.value));
    EXPECT_EQ(ColorToText(C(row.value)), row.name);
    std::string upper = row.name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(TextToColor(upper), C(row.value));
  }
}

TEST(Colors, TextToColor) {
  const struct {
    const char* text;
    std::uint32_t expected;
  } cases[] = {
      {"Red", 0x000000FF},
      {"ButtonFace", 0xFF00000F},
      {" red ", 0x000000FF},  // blanks around a name are ignored, as around hex text
      {"#0000FF", 0x00FF0000},  // the text is red first, the value has red lowest
      {"#FF8000", 0x000080FF},
      {"#ff8000", 0x000080FF},
      {"  #563412\t", 0x00123456},
      {"FF8000", 0x000080FF},  // the "#" may be left out
      {"80", 0x00800000},      // padded on the left: "000080"
      {"#12345", 0x00452301},  // "012345"
      {"#FF000005", 0x00050000},  // digits above the colour bytes are dropped
      {"#00000000FF8000", 0x000080FF},  // leading zeros change nothing
      {"zz", 0x20000000},
      {"", 0x20000000},
      {"#", 0x20000000},
      {"   ", 0x20000000},
      {"##123456", 0x20000000},  // only one "#" is removed
      {"$123456", 0x20000000},
      {"#12 3456", 0x20000000},
      {"#-12345", 0x20000000},
      {"#1FF000000", 0x20000000},  // past 32 bits
      {"reddish", 0x20000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "'");
    EXPECT_EQ(TextToColor(c.text), C(c.expected));
  }
}

TEST(Colors, HexTextToColorKnowsNoNames) {
  EXPECT_EQ(HexTextToColor("red"), clDefault);
  EXPECT_EQ(HexTextToColor("#FFFFFF"), C(0x00FFFFFF));
  EXPECT_EQ(HexTextToColor("default"), clDefault);
  EXPECT_EQ(HexTextToColor("#000000"), C(0));
}

TEST(Colors, ColorToText) {
  const struct {
    std::uint32_t color;
    const char* expected;
  } cases[] = {
      {0x0000A5FF, "orange"},
      {0x00123456, "#563412"},
      {0x000080FF, "#FF8000"},
      {0x00000001, "#010000"},
      {0x20000000, "default"},
      {0xFF000000, "scrollbar"},
      // Values outside the table keep only their colour bytes.
      {0xFF000019, "#190000"},
      {0x1FFFFFFF, "#FFFFFF"},  // clNone
      {0x01000080, "#800000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.color);
    EXPECT_EQ(ColorToText(C(c.color)), c.expected);
  }
}

TEST(Colors, ColorToHexTextIgnoresNames) {
  EXPECT_EQ(ColorToHexText(C(0x000000FF)), "#FF0000");
  EXPECT_EQ(ColorToHexText(C(0x00000000)), "#000000");
  EXPECT_EQ(ColorToHexText(clDefault), "#000000");
}

TEST(Colors, PlainColoursRoundTripThroughText) {
  for (std::uint32_t value : {0x00000000u, 0x00123456u, 0x00FEDCBAu, 0x00FFFFFFu, 0x000080FFu, 0x00A5A5A5u}) {
    SCOPED_TRACE(testing::Message() << std::hex << value);
    EXPECT_EQ(TextToColor(ColorToText(C(value))), C(value));
    EXPECT_EQ(HexTextToColor(ColorToHexText(C(value))), C(value));
  }
}

}  // namespace
}  // namespace halbrin
