#pragma once

#include <deque>
#include <string>

#include "platform/graphics/canvas.h"
#include "skins/core/skin_theme_abi.h"

namespace halbrin::skins {

// What a theme library draws on: a SkinCanvas whose functions draw on an
// ICanvas. No function throws into the library: the first failure inside one
// is kept (Failure) and the rest of the call draws nothing more.
class TSkinThemeCanvas {
 public:
  explicit TSkinThemeCanvas(platform::ICanvas& canvas);
  TSkinThemeCanvas(const TSkinThemeCanvas&) = delete;
  TSkinThemeCanvas& operator=(const TSkinThemeCanvas&) = delete;
  // Undoes the saves the library left open.
  ~TSkinThemeCanvas();

  SkinCanvas* Get() noexcept { return &m_canvas; }

  // The record's font as the library sees it; handed back, it draws with
  // `font` itself. Null for null.
  const SkinFont* Describe(const platform::TFont* font);
  // The one image list the library may hand back to draw_image.
  void AllowImages(const platform::TCustomImageList* images) noexcept { m_images = images; }

  // What went wrong inside a canvas function; empty when nothing did.
  const std::string& Failure() const noexcept { return m_failure; }

 private:
  static TSkinThemeCanvas& Self(void* ctx) noexcept { return *static_cast<TSkinThemeCanvas*>(ctx); }
  // Runs `draw` on the canvas unless an earlier call failed; keeps the first failure.
  template <class F>
  void Guard(F&& draw) noexcept;
  const platform::TFont& FontOf(const SkinFont* font);
  const platform::TCustomImageList* ImagesOf(const SkinImageList* images) const noexcept;

  static void FillRect(void* ctx, const SkinRect* rect, SkinColor color) noexcept;
  static void FrameRect(void* ctx, const SkinRect* rect, SkinColor color) noexcept;
  static void Line(void* ctx, SkinPoint from, SkinPoint to, int32_t width, SkinColor color) noexcept;
  static void FillPolygon(void* ctx, const SkinPoint* points, int32_t count, SkinColor color) noexcept;
  static void SetPixel(void* ctx, int32_t x, int32_t y, SkinColor color) noexcept;
  static SkinColor GetPixel(void* ctx, int32_t x, int32_t y) noexcept;
  static void Save(void* ctx) noexcept;
  static void Restore(void* ctx) noexcept;
  static void ExcludeClip(void* ctx, const SkinRect* rect) noexcept;
  static void DrawText(void* ctx, const char* utf8, const SkinRect* rect, const SkinFont* font, SkinColor color,
                       uint32_t flags) noexcept;
  static void TextExtent(void* ctx, const char* utf8, const SkinFont* font, int32_t* width, int32_t* height) noexcept;
  static void DrawImage(void* ctx, const SkinImageList* images, int32_t index, int32_t x, int32_t y) noexcept;
  static void DrawImageMasked(void* ctx, const SkinImageList* images, int32_t index, int32_t x, int32_t y,
                              SkinColor color) noexcept;
  static SkinColor ResolveColor(void* ctx, SkinColor color) noexcept;

  platform::ICanvas& m_target;
  SkinCanvas m_canvas{};
  const platform::TFont* m_recordFont = nullptr;
  SkinFont m_recordDescription{};
  const platform::TCustomImageList* m_images = nullptr;
  // Fonts made from the library's own descriptions, alive for the call.
  std::deque<platform::TFont> m_fonts;
  // Saves the library opened, undone when it returns unbalanced.
  int m_saved = 0;
  std::string m_failure;
};

}  // namespace halbrin::skins
