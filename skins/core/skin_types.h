#pragma once

#include <cstdint>

#include "platform/classes/class_info.h"

namespace halbrin::skins {

// The skin enumerations, with the names scripts and skin files use. Each has
// its TEnumInfo for published properties.

enum TZebrinSkinDefinedParam : std::uint8_t {
  sdpBackgroundColor,
  sdpColor,
  sdpDisabledColor,
  sdpDownColor,
  sdpEdgeColor,
  sdpEdgeWidth,
  sdpHotColor,
  sdpInactiveColor,
  sdpInactiveEdgeColor,
  sdpInactiveHotColor,
  sdpSize,
  sdpStyle,
  sdpName,
};

enum TZebrinSkinEdgeBorder : std::uint8_t { sebTop, sebRight, sebBottom, sebLeft };
// A set of edge borders: bit n is element n (top 1, right 2, bottom 4, left 8).
using TZebrinSkinEdgeBorders = std::uint8_t;
constexpr TZebrinSkinEdgeBorders EdgeBit(TZebrinSkinEdgeBorder edge) noexcept {
  return static_cast<TZebrinSkinEdgeBorders>(1u << edge);
}
inline constexpr TZebrinSkinEdgeBorders kAllEdgeBorders = 0x0F;

enum TZebrinSkinItemAlign : std::uint8_t { siaLeft, siaRight };
enum TZebrinSkinItemLayout : std::uint8_t { silTop, silCenter, silBottom };
enum TZebrinSkinItemPosition : std::uint8_t { sipLeft, sipCenter, sipRight };
enum TZebrinSkinItemRoundness : std::uint8_t { sirNone, sirMedium, sirEvident };
enum TZebrinSkinToolButtonStyle : std::uint8_t { tbsButton, tbsCheck, tbsDropDown, tbsTab, tbsStatic, tbsDivider };
// What a band item shows.
enum TZebrinSkinBandItemStyle : std::uint8_t { sbsText, sbsProgress, sbsEdit };
enum TZebrinSkinCaptionAlign : std::uint8_t { scaTop, scaLeft, scaAuto, scaAutoInverse, scaSmartTop, scaStupidLeft };
// The window buttons; also the order of the manager's button glyphs.
enum TZebrinSkinButtonStyle : std::uint8_t {
  btsClose,
  btsMaximize,
  btsRestore,
  btsMinimize,
  btsHelp,
  btsNext,
  btsPrevious,
  btsCombo,
  btsCheck,
};
inline constexpr int kSkinButtonStyleCount = btsCheck + 1;

// A set of button styles: bit n is style n.
using TZebrinSkinButtonStyles = std::uint16_t;
constexpr TZebrinSkinButtonStyles ButtonStyleBit(TZebrinSkinButtonStyle style) noexcept {
  return static_cast<TZebrinSkinButtonStyles>(1u << style);
}
// What a button's OnUpdate reports.
enum TZebrinSkinButtonUpdate : std::uint8_t { sbuAuto, sbuBounds, sbuState };
// Whether a button can be dragged out of its collection.
enum TDragMode : std::uint8_t { dmManual, dmAutomatic };

// Which sides a pane's caption drag may dock it to.
enum TZebrinSkinConstrainStyle : std::uint8_t { scsNone, scsAlign, scsOppositeAlign };

// The skins' cursor numbers (skins/gtk/skin_cursors.h names them).
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

inline const platform::TEnumInfo& SkinDefinedParamInfo() {
  static const platform::TEnumInfo info("TZebrinSkinDefinedParam",
                                        {"sdpBackgroundColor", "sdpColor", "sdpDisabledColor", "sdpDownColor",
                                         "sdpEdgeColor", "sdpEdgeWidth", "sdpHotColor", "sdpInactiveColor",
                                         "sdpInactiveEdgeColor", "sdpInactiveHotColor", "sdpSize", "sdpStyle",
                                         "sdpName"});
  return info;
}
inline const platform::TEnumInfo& SkinEdgeBorderInfo() {
  static const platform::TEnumInfo info("TZebrinSkinEdgeBorder", {"sebTop", "sebRight", "sebBottom", "sebLeft"});
  return info;
}
inline const platform::TEnumInfo& SkinItemAlignInfo() {
  static const platform::TEnumInfo info("TZebrinSkinItemAlign", {"siaLeft", "siaRight"});
  return info;
}
inline const platform::TEnumInfo& SkinItemLayoutInfo() {
  static const platform::TEnumInfo info("TZebrinSkinItemLayout", {"silTop", "silCenter", "silBottom"});
  return info;
}
inline const platform::TEnumInfo& SkinItemPositionInfo() {
  static const platform::TEnumInfo info("TZebrinSkinItemPosition", {"sipLeft", "sipCenter", "sipRight"});
  return info;
}
inline const platform::TEnumInfo& SkinItemRoundnessInfo() {
  static const platform::TEnumInfo info("TZebrinSkinItemRoundness", {"sirNone", "sirMedium", "sirEvident"});
  return info;
}
inline const platform::TEnumInfo& SkinToolButtonStyleInfo() {
  static const platform::TEnumInfo info("TZebrinSkinToolButtonStyle",
                                        {"tbsButton", "tbsCheck", "tbsDropDown", "tbsTab", "tbsStatic", "tbsDivider"});
  return info;
}
inline const platform::TEnumInfo& SkinBandItemStyleInfo() {
  static const platform::TEnumInfo info("TZebrinSkinBandItemStyle", {"sbsText", "sbsProgress", "sbsEdit"});
  return info;
}
inline const platform::TEnumInfo& SkinCaptionAlignInfo() {
  static const platform::TEnumInfo info("TZebrinSkinCaptionAlign",
                                        {"scaTop", "scaLeft", "scaAuto", "scaAutoInverse", "scaSmartTop", "scaStupidLeft"});
  return info;
}
inline const platform::TEnumInfo& SkinButtonStyleInfo() {
  static const platform::TEnumInfo info("TZebrinSkinButtonStyle", {"btsClose", "btsMaximize", "btsRestore",
                                                                   "btsMinimize", "btsHelp", "btsNext",
                                                                   "btsPrevious", "btsCombo", "btsCheck"});
  return info;
}

inline const platform::TEnumInfo& SkinButtonUpdateInfo() {
  static const platform::TEnumInfo info("TZebrinSkinButtonUpdate", {"sbuAuto", "sbuBounds", "sbuState"});
  return info;
}
inline const platform::TEnumInfo& SkinConstrainStyleInfo() {
  static const platform::TEnumInfo info("TZebrinSkinConstrainStyle", {"scsNone", "scsAlign", "scsOppositeAlign"});
  return info;
}
inline const platform::TEnumInfo& DragModeInfo() {
  static const platform::TEnumInfo info("TDragMode", {"dmManual", "dmAutomatic"});
  return info;
}

}  // namespace halbrin::skins
