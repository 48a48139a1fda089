#include "skins/core/skin_types.h"

#include <gtest/gtest.h>

#include "skins/core/draw_records.h"

namespace halbrin::skins {
namespace {

TEST(SkinTypes, EnumerationNamesMatchTheirOrdinals) {
  struct Case {
    const platform::TEnumInfo& info;
    int ordinal;
    const char* name;
    int count;
  };
  const Case cases[] = {
      {SkinDefinedParamInfo(), sdpInactiveHotColor, "sdpInactiveHotColor", sdpName + 1},
      {SkinDefinedParamInfo(), sdpName, "sdpName", sdpName + 1},
      {SkinEdgeBorderInfo(), sebLeft, "sebLeft", sebLeft + 1},
      {SkinItemAlignInfo(), siaRight, "siaRight", siaRight + 1},
      {SkinItemLayoutInfo(), silBottom, "silBottom", silBottom + 1},
      {SkinItemPositionInfo(), sipCenter, "sipCenter", sipRight + 1},
      {SkinItemRoundnessInfo(), sirEvident, "sirEvident", sirEvident + 1},
      {SkinToolButtonStyleInfo(), tbsTab, "tbsTab", tbsDivider + 1},
      {SkinToolButtonStyleInfo(), tbsDivider, "tbsDivider", tbsDivider + 1},
      {SkinCaptionAlignInfo(), scaStupidLeft, "scaStupidLeft", scaStupidLeft + 1},
      // Skin files give the caption's Align by ordinal: scaLeft is 1, scaSmartTop 4.
      {SkinCaptionAlignInfo(), 1, "scaLeft", scaStupidLeft + 1},
      {SkinCaptionAlignInfo(), 4, "scaSmartTop", scaStupidLeft + 1},
      {SkinButtonStyleInfo(), btsRestore, "btsRestore", kSkinButtonStyleCount},
      {SkinButtonStyleInfo(), 8, "btsCheck", kSkinButtonStyleCount},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.info.Name(c.ordinal), c.name);
    EXPECT_EQ(c.info.Ordinal(c.name), c.ordinal);
    EXPECT_EQ(c.info.Count(), c.count);
  }
}

TEST(SkinTypes, EdgeBitsFollowTheEnumeration) {
  EXPECT_EQ(EdgeBit(sebTop), 1);
  EXPECT_EQ(EdgeBit(sebRight), 2);
  EXPECT_EQ(EdgeBit(sebBottom), 4);
  EXPECT_EQ(EdgeBit(sebLeft), 8);
  EXPECT_EQ(EdgeBit(sebTop) | EdgeBit(sebRight) | EdgeBit(sebBottom) | EdgeBit(sebLeft), kAllEdgeBorders);
}

}  // namespace
}  // namespace halbrin::skins
