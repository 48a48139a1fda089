/* The C interface between the skin engine and a theme library (a shared
 * object a skin names in Theme.FileName). x86-64 System V, little-endian.
 *
 * A library exports, with C linkage, any of:
 *   void    GetSkinProperties(SkinThemeProperties* p);   required
 *   int32_t Init(void* theme);                           optional, result not examined
 *   int32_t Done(void* theme);                           optional
 *   int32_t <Op>(SkinCanvas* canvas, void* record);      optional, one per drawing operation:
 *     FillMargin, DrawMarginEdges, FillButton, FillSplitter, DrawButtonEdges,
 *     DrawSplitterEdges, FillCaptionBands, FillFooterBands, FillCaptionBand,
 *     FillFooterBand, DrawBandEdges (SkinFillParams or SkinEdgeParams),
 *     DrawBandItemText, DrawToolButtonText (SkinTextParams), DrawBandItemProgress
 *     (SkinProgressParams), DrawWindowButton (SkinWindowButtonParams),
 *     DrawWindowEdges (SkinEdgeParams), DrawToolButton (SkinToolButtonParams),
 *     DrawToolButtonEdges (SkinEdgeParams).
 *
 * GetSkinProperties gets a record whose size and abi_version the host has
 * filled in; the library marks itself usable by setting `valid` non-zero.
 * Fill, edge and window-button records are copies: changes are lost. Changes
 * to the text, progress and tool-button records reach the caller, except to
 * their pointers. An operation's result is ignored. Nothing may throw out of
 * an export: the host catches C++ exceptions, logs them and draws with its
 * own painter instead, but cannot survive a crash. */
#ifndef HALBRIN_SKIN_THEME_ABI_H
#define HALBRIN_SKIN_THEME_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SKIN_THEME_ABI_VERSION 1u
#define SKIN_THEME_PROPERTIES_SIZE 12u

/* Colours: 0x00BBGGRR plain; 0xFF0000nn system colour nn (resolve_color gives
 * its plain value); 0x1FFFFFFF none; 0x20000000 default. */
typedef int32_t SkinColor;
#define SKIN_COLOR_NONE ((SkinColor)0x1FFFFFFF)
#define SKIN_COLOR_DEFAULT ((SkinColor)0x20000000)

typedef struct SkinThemeProperties {
  uint32_t size;        /* SKIN_THEME_PROPERTIES_SIZE */
  uint32_t abi_version; /* SKIN_THEME_ABI_VERSION */
  uint8_t valid;        /* set non-zero by the library */
  uint8_t reserved[3];
} SkinThemeProperties;

/* Right and bottom are outside the rectangle. */
typedef struct SkinRect {
  int32_t left, top, right, bottom;
} SkinRect;

typedef struct SkinPoint {
  int32_t x, y;
} SkinPoint;

/* A font as the host describes it; pixel_size is the character height. */
typedef struct SkinFont {
  const char* family;
  int32_t pixel_size;
  int32_t weight; /* 400 normal, 700 bold */
  uint8_t italic, underline, strike;
} SkinFont;

/* An image list of the host, only to be handed back to draw_image. */
typedef struct SkinImageList SkinImageList;

/* Edge sets. */
#define SKIN_EDGE_TOP 1u
#define SKIN_EDGE_RIGHT 2u
#define SKIN_EDGE_BOTTOM 4u
#define SKIN_EDGE_LEFT 8u

/* Button states (window buttons, tool buttons, DrawToolButtonEdges). */
#define SKIN_STATE_PRESSED 0x02u
#define SKIN_STATE_DOWN 0x04u
#define SKIN_STATE_HOT 0x08u
#define SKIN_STATE_DISABLED 0x10u
#define SKIN_STATE_OPAQUE 0x20u
#define SKIN_STATE_MASKED 0x40u
#define SKIN_FLAG_VERTICAL 0x04u

/* DrawWindowEdges' state bits. */
#define SKIN_WINDOW_EDGE_ACTIVE 1u
#define SKIN_WINDOW_EDGE_MOVEABLE 2u
#define SKIN_WINDOW_EDGE_LIGHTEN 4u

typedef struct SkinFillParams {
  SkinRect rect;
  SkinColor color;
  uint8_t designing;   /* FillMargin: non-zero = checker pattern */
  uint8_t transparent; /* buttons and the splitter: horizontal */
  uint8_t active;
  uint8_t state2;      /* buttons and the splitter: enabled */
  int32_t value;       /* band areas: the collection's kind (0 caption, 1 footer); buttons: roundness */
} SkinFillParams;

typedef struct SkinEdgeParams {
  SkinRect rect;
  SkinColor color;
  int32_t width;
  uint8_t edges; /* SKIN_EDGE_* */
  uint8_t reserved25[3];
  uint32_t state; /* SKIN_WINDOW_EDGE_* */
  uint8_t reserved32[4];
  uint8_t roundness;
  uint8_t style;
  uint8_t button_state; /* SKIN_STATE_* */
  uint8_t button_flags; /* SKIN_FLAG_VERTICAL */
  uint8_t reserved40[4];
} SkinEdgeParams;

typedef struct SkinTextParams {
  const char* text; /* UTF-8 */
  SkinRect rect;
  uint8_t align;  /* 0 left, 1 right */
  uint8_t layout; /* 0 top, 1 centre, 2 bottom */
  uint8_t reserved26[6];
  const SkinFont* font; /* may be NULL */
  SkinColor color;
  SkinColor color2;
  uint8_t horizontal; /* 0: the text runs upwards */
  uint8_t caller_flag; /* 1 for tool buttons */
  uint8_t shadow_edges;
  uint8_t reserved51;
  SkinColor shadow_color;
  int32_t shadow_depth;
  uint8_t glyph_layout;
  uint8_t reserved61[3];
} SkinTextParams;

typedef struct SkinProgressParams {
  SkinRect rect; /* written back */
  uint8_t reversed;
  uint8_t reserved17[3];
  int32_t percent;
  SkinColor color;
  SkinColor back_color;
  uint8_t reserved32[2];
  uint8_t horizontal;
  uint8_t reserved35;
} SkinProgressParams;

typedef struct SkinWindowButtonParams {
  int32_t x, y;
  uint8_t reserved8[8];
  uint32_t state;
  uint8_t reserved20[4];
  const SkinImageList* images;
  int32_t image_index;
  SkinColor glyph_color;
  uint8_t reserved40[8];
} SkinWindowButtonParams;

typedef struct SkinToolButtonParams {
  SkinRect rect;
  uint8_t state;
  uint8_t flags;
  uint8_t reserved18[6];
  const SkinImageList* images;
  int32_t image_index;
  SkinColor color;
  SkinColor glyph_color;
  SkinColor tab_color;
  uint8_t style;
  uint8_t reserved49[3];
  int32_t drop_down_size;
  int32_t indent;
  uint8_t glyph_layout;
  uint8_t reserved61;
  uint8_t roundness;
  uint8_t reserved63;
} SkinToolButtonParams;

/* draw_text flags. */
#define SKIN_TEXT_LEFT 0x000u
#define SKIN_TEXT_CENTER 0x001u
#define SKIN_TEXT_RIGHT 0x002u
#define SKIN_TEXT_TOP 0x000u
#define SKIN_TEXT_VCENTER 0x004u
#define SKIN_TEXT_BOTTOM 0x008u
#define SKIN_TEXT_MULTI_LINE 0x010u
#define SKIN_TEXT_WORD_BREAK 0x020u
#define SKIN_TEXT_END_ELLIPSIS 0x040u
#define SKIN_TEXT_MNEMONIC 0x080u
#define SKIN_TEXT_ROTATE90 0x100u

/* What a drawing operation draws on. Every function takes `ctx` first. The
 * pixels are ARGB32 premultiplied, NULL when the host does not offer them;
 * `cairo` is a cairo_t* or NULL. */
typedef struct SkinCanvas {
  uint32_t size; /* sizeof(SkinCanvas) */
  uint32_t abi_version;
  void* ctx;
  uint32_t* pixels;
  int32_t width, height, stride;
  void* cairo;
  void (*fill_rect)(void* ctx, const SkinRect* rect, SkinColor color);
  void (*frame_rect)(void* ctx, const SkinRect* rect, SkinColor color);
  void (*line)(void* ctx, SkinPoint from, SkinPoint to, int32_t width, SkinColor color);
  void (*fill_polygon)(void* ctx, const SkinPoint* points, int32_t count, SkinColor color);
  void (*set_pixel)(void* ctx, int32_t x, int32_t y, SkinColor color);
  SkinColor (*get_pixel)(void* ctx, int32_t x, int32_t y); /* SKIN_COLOR_NONE when unknown */
  void (*save)(void* ctx);
  void (*restore)(void* ctx);
  void (*exclude_clip)(void* ctx, const SkinRect* rect);
  void (*draw_text)(void* ctx, const char* utf8, const SkinRect* rect, const SkinFont* font, SkinColor color,
                    uint32_t flags);
  /* Fills width and height of the text on one line. */
  void (*text_extent)(void* ctx, const char* utf8, const SkinFont* font, int32_t* width, int32_t* height);
  void (*draw_image)(void* ctx, const SkinImageList* images, int32_t index, int32_t x, int32_t y);
  void (*draw_image_masked)(void* ctx, const SkinImageList* images, int32_t index, int32_t x, int32_t y,
                            SkinColor color);
  SkinColor (*resolve_color)(void* ctx, SkinColor color);
} SkinCanvas;

typedef void (*SkinGetPropertiesFunction)(SkinThemeProperties* properties);
typedef int32_t (*SkinThemeFunction)(void* theme);
typedef int32_t (*SkinDrawFunction)(SkinCanvas* canvas, void* record);

#ifdef __cplusplus
}
#define SKIN_THEME_STATIC_ASSERT(condition) static_assert(condition, #condition)
#else
#define SKIN_THEME_STATIC_ASSERT(condition) _Static_assert(condition, #condition)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
SKIN_THEME_STATIC_ASSERT(sizeof(SkinThemeProperties) == 12 && offsetof(SkinThemeProperties, valid) == 8);
SKIN_THEME_STATIC_ASSERT(sizeof(SkinFillParams) == 28 && offsetof(SkinFillParams, color) == 16 &&
                         offsetof(SkinFillParams, designing) == 20 && offsetof(SkinFillParams, transparent) == 21 &&
                         offsetof(SkinFillParams, active) == 22 && offsetof(SkinFillParams, state2) == 23 &&
                         offsetof(SkinFillParams, value) == 24);
SKIN_THEME_STATIC_ASSERT(sizeof(SkinEdgeParams) == 44 && offsetof(SkinEdgeParams, color) == 16 &&
                         offsetof(SkinEdgeParams, width) == 20 && offsetof(SkinEdgeParams, edges) == 24 &&
                         offsetof(SkinEdgeParams, state) == 28 && offsetof(SkinEdgeParams, roundness) == 36 &&
                         offsetof(SkinEdgeParams, style) == 37 && offsetof(SkinEdgeParams, button_state) == 38 &&
                         offsetof(SkinEdgeParams, button_flags) == 39);
SKIN_THEME_STATIC_ASSERT(sizeof(SkinTextParams) == 64 && offsetof(SkinTextParams, rect) == 8 &&
                         offsetof(SkinTextParams, align) == 24 && offsetof(SkinTextParams, layout) == 25 &&
                         offsetof(SkinTextParams, font) == 32 && offsetof(SkinTextParams, color) == 40 &&
                         offsetof(SkinTextParams, color2) == 44 && offsetof(SkinTextParams, horizontal) == 48 &&
                         offsetof(SkinTextParams, caller_flag) == 49 &&
                         offsetof(SkinTextParams, shadow_edges) == 50 &&
                         offsetof(SkinTextParams, shadow_color) == 52 &&
                         offsetof(SkinTextParams, shadow_depth) == 56 &&
                         offsetof(SkinTextParams, glyph_layout) == 60);
SKIN_THEME_STATIC_ASSERT(sizeof(SkinProgressParams) == 36 && offsetof(SkinProgressParams, reversed) == 16 &&
                         offsetof(SkinProgressParams, percent) == 20 && offsetof(SkinProgressParams, color) == 24 &&
                         offsetof(SkinProgressParams, back_color) == 28 &&
                         offsetof(SkinProgressParams, horizontal) == 34);
SKIN_THEME_STATIC_ASSERT(sizeof(SkinWindowButtonParams) == 48 && offsetof(SkinWindowButtonParams, y) == 4 &&
                         offsetof(SkinWindowButtonParams, state) == 16 &&
                         offsetof(SkinWindowButtonParams, images) == 24 &&
                         offsetof(SkinWindowButtonParams, image_index) == 32 &&
                         offsetof(SkinWindowButtonParams, glyph_color) == 36);
SKIN_THEME_STATIC_ASSERT(sizeof(SkinToolButtonParams) == 64 && offsetof(SkinToolButtonParams, state) == 16 &&
                         offsetof(SkinToolButtonParams, flags) == 17 && offsetof(SkinToolButtonParams, images) == 24 &&
                         offsetof(SkinToolButtonParams, image_index) == 32 &&
                         offsetof(SkinToolButtonParams, color) == 36 &&
                         offsetof(SkinToolButtonParams, glyph_color) == 40 &&
                         offsetof(SkinToolButtonParams, tab_color) == 44 &&
                         offsetof(SkinToolButtonParams, style) == 48 &&
                         offsetof(SkinToolButtonParams, drop_down_size) == 52 &&
                         offsetof(SkinToolButtonParams, indent) == 56 &&
                         offsetof(SkinToolButtonParams, glyph_layout) == 60 &&
                         offsetof(SkinToolButtonParams, roundness) == 62);
SKIN_THEME_STATIC_ASSERT(sizeof(SkinFont) == 24 && offsetof(SkinFont, pixel_size) == 8 &&
                         offsetof(SkinFont, italic) == 16);
SKIN_THEME_STATIC_ASSERT(offsetof(SkinCanvas, ctx) == 8 && offsetof(SkinCanvas, pixels) == 16 &&
                         offsetof(SkinCanvas, cairo) == 40 && offsetof(SkinCanvas, fill_rect) == 48 &&
                         sizeof(SkinCanvas) == 48 + 14 * 8);
#endif

#endif /* HALBRIN_SKIN_THEME_ABI_H */
