#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/graphics/color.h"
#include "platform/graphics/font.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/image_list.h"
#include "skins/core/skin_types.h"

namespace halbrin::skins {

using platform::TColor;
using platform::TCustomImageList;
using platform::TFont;
using platform::TRect;

// The parameter records of the draw operations. Theme libraries receive these
// exact byte layouts (x86-64, little-endian), so every offset is pinned below.
// Unnamed bytes are reserved and stay zero.

// Fills of margins, buttons, the splitter, bands and band areas.
struct TSkinFillParams {
  TRect Rect;
  TColor Color = platform::clDefault;
  // Margins: non-zero = checker pattern. Bands and buttons: the skin is being designed.
  std::uint8_t Designing = 0;
  // Bands: the band is transparent. Buttons and the splitter: horizontal.
  std::uint8_t Transparent = 0;
  // The skin is active.
  std::uint8_t Active = 0;
  // Bands: a second state flag of the skin. Buttons and the splitter: enabled.
  std::uint8_t State2 = 0;
  // Band areas: a value of the band collection. Buttons: the roundness.
  std::int32_t Value = 0;
};

// Edge strips of margins, buttons, the splitter, bands, windows and tool buttons.
struct TSkinEdgeParams {
  TRect Rect;
  TColor Color = platform::clDefault;
  std::int32_t Width = 0;
  TZebrinSkinEdgeBorders Edges = 0;
  std::uint8_t reserved25[3] = {};
  // Window edges: kWindowEdgeActive, kWindowEdgeMoveable, kWindowEdgeLighten.
  std::uint32_t State = 0;
  std::uint8_t reserved32[4] = {};
  std::uint8_t Roundness = sirNone;
  std::uint8_t Style = tbsButton;
  // The low byte of the button's state (kButtonPressed, kButtonDown...).
  std::uint8_t ButtonState = 0;
  // kButtonVertical when the button stands in a vertical band.
  std::uint8_t ButtonFlags = 0;
  std::uint8_t reserved40[4] = {};
};

inline constexpr std::uint32_t kWindowEdgeActive = 1;
inline constexpr std::uint32_t kWindowEdgeMoveable = 2;
inline constexpr std::uint32_t kWindowEdgeLighten = 4;

// Button state bits (window buttons, tool buttons, glyphs).
inline constexpr std::uint8_t kButtonPressed = 0x02;
inline constexpr std::uint8_t kButtonDown = 0x04;
inline constexpr std::uint8_t kButtonHot = 0x08;
inline constexpr std::uint8_t kButtonDisabled = 0x10;
inline constexpr std::uint8_t kButtonOpaque = 0x20;
inline constexpr std::uint8_t kButtonMasked = 0x40;
inline constexpr std::uint8_t kButtonSelected = 0x80;
inline constexpr std::uint8_t kButtonVertical = 0x04;

// Texts of band items and tool buttons.
struct TSkinTextParams {
  // UTF-8, zero-terminated; null draws nothing.
  const char* Text = nullptr;
  TRect Rect;
  std::uint8_t Align = siaLeft;
  std::uint8_t Layout = silTop;
  std::uint8_t reserved26[6] = {};
  const TFont* Font = nullptr;
  TColor Color = platform::clDefault;
  TColor Color2 = platform::clDefault;
  // 0: the text runs upwards, rotated by 90 degrees.
  std::uint8_t Horizontal = 1;
  // 1 for tool buttons: "&" marks a mnemonic; band items show it as itself.
  std::uint8_t CallerFlag = 0;
  TZebrinSkinEdgeBorders ShadowEdges = 0;
  std::uint8_t reserved51 = 0;
  TColor ShadowColor = platform::clNone;
  std::int32_t ShadowDepth = 0;
  // 1: the glyph stands beside the text.
  std::uint8_t GlyphLayout = 0;
  std::uint8_t reserved61[3] = {};
};

// A progress bar of cells; the painter writes back the rectangle it used.
struct TSkinProgressParams {
  TRect Rect;
  std::uint8_t Reversed = 0;
  std::uint8_t reserved17[3] = {};
  std::int32_t Percent = 0;
  TColor Color = platform::clDefault;
  TColor BackColor = platform::clDefault;
  std::uint8_t reserved32[2] = {};
  std::uint8_t Horizontal = 1;
  std::uint8_t reserved35 = 0;
};

// A window button's glyph at (X, Y).
struct TSkinWindowButtonParams {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::uint8_t reserved8[8] = {};
  std::uint32_t State = 0;
  std::uint8_t reserved20[4] = {};
  const TCustomImageList* Images = nullptr;
  std::int32_t ImageIndex = -1;
  TColor GlyphColor = platform::clDefault;
  std::uint8_t reserved40[8] = {};
};

// A tool button's background, glyph and drop-down arrow.
struct TSkinToolButtonParams {
  TRect Rect;
  std::uint8_t State = 0;
  std::uint8_t Flags = 0;
  std::uint8_t reserved18[6] = {};
  const TCustomImageList* Images = nullptr;
  std::int32_t ImageIndex = -1;
  TColor Color = platform::clDefault;
  TColor GlyphColor = platform::clDefault;
  // The background of a down tab; clNone for none.
  TColor TabColor = platform::clNone;
  std::uint8_t Style = tbsButton;
  std::uint8_t reserved49[3] = {};
  std::int32_t DropDownSize = 0;
  std::int32_t Indent = 0;
  // Where the text goes: 0 top, 1 centre (beside the glyph), 2 bottom.
  std::uint8_t GlyphLayout = 0;
  std::uint8_t reserved61 = 0;
  std::uint8_t Roundness = sirNone;
  std::uint8_t reserved63 = 0;
};

enum class TSkinGlyphKind : std::int32_t { CheckBox, Option, ExpandBox };

// A check box, option or expand box of a band item or tool button.
struct TSkinGlyphParams {
  TRect Rect;
  // kButtonPressed, kButtonHot, kButtonDisabled, kButtonOpaque (draw the ground), kButtonSelected.
  std::uint8_t State = 0;
  // 1 mixed, 2 checked or expanded.
  std::uint8_t Check = 0;
  std::uint8_t reserved18[2] = {};
  TSkinGlyphKind Kind = TSkinGlyphKind::CheckBox;
  std::uint8_t Themed = 0;
  std::uint8_t reserved25[3] = {};
  TColor Color = platform::clDefault;
  TColor BackColor = platform::clDefault;
};

static_assert(sizeof(TRect) == 16);

static_assert(sizeof(TSkinFillParams) == 28);
static_assert(offsetof(TSkinFillParams, Color) == 16 && offsetof(TSkinFillParams, Designing) == 20 &&
              offsetof(TSkinFillParams, Transparent) == 21 && offsetof(TSkinFillParams, Active) == 22 &&
              offsetof(TSkinFillParams, State2) == 23 && offsetof(TSkinFillParams, Value) == 24);

static_assert(sizeof(TSkinEdgeParams) == 44);
static_assert(offsetof(TSkinEdgeParams, Color) == 16 && offsetof(TSkinEdgeParams, Width) == 20 &&
              offsetof(TSkinEdgeParams, Edges) == 24 && offsetof(TSkinEdgeParams, State) == 28 &&
              offsetof(TSkinEdgeParams, Roundness) == 36 && offsetof(TSkinEdgeParams, Style) == 37 &&
              offsetof(TSkinEdgeParams, ButtonState) == 38 && offsetof(TSkinEdgeParams, ButtonFlags) == 39);

static_assert(sizeof(TSkinTextParams) == 64);
static_assert(offsetof(TSkinTextParams, Text) == 0 && offsetof(TSkinTextParams, Rect) == 8 &&
              offsetof(TSkinTextParams, Align) == 24 && offsetof(TSkinTextParams, Layout) == 25 &&
              offsetof(TSkinTextParams, Font) == 32 && offsetof(TSkinTextParams, Color) == 40 &&
              offsetof(TSkinTextParams, Color2) == 44 && offsetof(TSkinTextParams, Horizontal) == 48 &&
              offsetof(TSkinTextParams, CallerFlag) == 49 && offsetof(TSkinTextParams, ShadowEdges) == 50 &&
              offsetof(TSkinTextParams, ShadowColor) == 52 && offsetof(TSkinTextParams, ShadowDepth) == 56 &&
              offsetof(TSkinTextParams, GlyphLayout) == 60);

static_assert(sizeof(TSkinProgressParams) == 36);
static_assert(offsetof(TSkinProgressParams, Reversed) == 16 && offsetof(TSkinProgressParams, Percent) == 20 &&
              offsetof(TSkinProgressParams, Color) == 24 && offsetof(TSkinProgressParams, BackColor) == 28 &&
              offsetof(TSkinProgressParams, Horizontal) == 34);

static_assert(sizeof(TSkinWindowButtonParams) == 48);
static_assert(offsetof(TSkinWindowButtonParams, Y) == 4 && offsetof(TSkinWindowButtonParams, State) == 16 &&
              offsetof(TSkinWindowButtonParams, Images) == 24 && offsetof(TSkinWindowButtonParams, ImageIndex) == 32 &&
              offsetof(TSkinWindowButtonParams, GlyphColor) == 36);

static_assert(sizeof(TSkinToolButtonParams) == 64);
static_assert(offsetof(TSkinToolButtonParams, State) == 16 && offsetof(TSkinToolButtonParams, Flags) == 17 &&
              offsetof(TSkinToolButtonParams, Images) == 24 && offsetof(TSkinToolButtonParams, ImageIndex) == 32 &&
              offsetof(TSkinToolButtonParams, Color) == 36 && offsetof(TSkinToolButtonParams, GlyphColor) == 40 &&
              offsetof(TSkinToolButtonParams, TabColor) == 44 && offsetof(TSkinToolButtonParams, Style) == 48 &&
              offsetof(TSkinToolButtonParams, DropDownSize) == 52 && offsetof(TSkinToolButtonParams, Indent) == 56 &&
              offsetof(TSkinToolButtonParams, GlyphLayout) == 60 && offsetof(TSkinToolButtonParams, Roundness) == 62);

static_assert(sizeof(TSkinGlyphParams) == 36);
static_assert(offsetof(TSkinGlyphParams, State) == 16 && offsetof(TSkinGlyphParams, Check) == 17 &&
              offsetof(TSkinGlyphParams, Kind) == 20 && offsetof(TSkinGlyphParams, Themed) == 24 &&
              offsetof(TSkinGlyphParams, Color) == 28 && offsetof(TSkinGlyphParams, BackColor) == 32);

}  // namespace halbrin::skins
