#include "skins/core/skin_theme_canvas.h"

#include <cstdlib>
#include <exception>
#include <vector>

#include "platform/services/desktop_service.h"

namespace halbrin::skins {

using platform::TFont;
using platform::TPoint;
using platform::TRect;

namespace {

TRect RectOf(const SkinRect* r) noexcept { return r ? TRect{r->left, r->top, r->right, r->bottom} : TRect{}; }

platform::TTextFormat FormatOf(std::uint32_t flags) noexcept {
  platform::TTextFormat format;
  format.singleLine = !(flags & SKIN_TEXT_MULTI_LINE);
  format.wordBreak = flags & SKIN_TEXT_WORD_BREAK;
  format.endEllipsis = flags & SKIN_TEXT_END_ELLIPSIS;
  format.mnemonic = flags & SKIN_TEXT_MNEMONIC;
  format.rotate90 = flags & SKIN_TEXT_ROTATE90;
  format.align = flags & SKIN_TEXT_RIGHT    ? platform::TTextAlign::Right
                 : flags & SKIN_TEXT_CENTER ? platform::TTextAlign::Center
                                            : platform::TTextAlign::Left;
  format.layout = flags & SKIN_TEXT_BOTTOM    ? platform::TTextLayout::Bottom
                  : flags & SKIN_TEXT_VCENTER ? platform::TTextLayout::Center
                                              : platform::TTextLayout::Top;
  return format;
}

}  // namespace

TSkinThemeCanvas::TSkinThemeCanvas(platform::ICanvas& canvas) : m_target(canvas) {
  m_canvas.size = sizeof(SkinCanvas);
  m_canvas.abi_version = SKIN_THEME_ABI_VERSION;
  m_canvas.ctx = this;
  m_canvas.cairo = canvas.CairoContext();
  m_canvas.fill_rect = &FillRect;
  m_canvas.frame_rect = &FrameRect;
  m_canvas.line = &Line;
  m_canvas.fill_polygon = &FillPolygon;
  m_canvas.set_pixel = &SetPixel;
  m_canvas.get_pixel = &GetPixel;
  m_canvas.save = &Save;
  m_canvas.restore = &Restore;
  m_canvas.exclude_clip = &ExcludeClip;
  m_canvas.draw_text = &DrawText;
  m_canvas.text_extent = &TextExtent;
  m_canvas.draw_image = &DrawImage;
  m_canvas.draw_image_masked = &DrawImageMasked;
  m_canvas.resolve_color = &ResolveColor;
}

TSkinThemeCanvas::~TSkinThemeCanvas() {
  for (; m_saved > 0; --m_saved) {
    try {
      m_target.Restore();
    } catch (...) {
      return;
    }
  }
}

const SkinFont* TSkinThemeCanvas::Describe(const TFont* font) {
  m_recordFont = font;
  if (!font) return nullptr;
  m_recordDescription.family = font->Name().c_str();
  m_recordDescription.pixel_size = std::abs(font->Height());
  m_recordDescription.weight = font->Style() & platform::fsBold ? 700 : 400;
  m_recordDescription.italic = (font->Style() & platform::fsItalic) != 0;
  m_recordDescription.underline = (font->Style() & platform::fsUnderline) != 0;
  m_recordDescription.strike = (font->Style() & platform::fsStrikeOut) != 0;
  return &m_recordDescription;
}

template <class F>
void TSkinThemeCanvas::Guard(F&& draw) noexcept {
  if (!m_failure.empty()) return;
  try {
    draw();
  } catch (const std::exception& e) {
    m_failure = e.what();
    if (m_failure.empty()) m_failure = "canvas failure";
  } catch (...) {
    m_failure = "canvas failure";
  }
}

const TFont& TSkinThemeCanvas::FontOf(const SkinFont* font) {
  if (m_recordFont && font == &m_recordDescription) return *m_recordFont;
  TFont& made = m_fonts.emplace_back();
  if (!font) return made;
  if (font->family) made.SetName(font->family);
  if (font->pixel_size > 0) made.SetHeight(-font->pixel_size);
  platform::TFontStyles style = 0;
  if (font->weight >= 600) style |= platform::fsBold;
  if (font->italic) style |= platform::fsItalic;
  if (font->underline) style |= platform::fsUnderline;
  if (font->strike) style |= platform::fsStrikeOut;
  made.SetStyle(style);
  return made;
}

const platform::TCustomImageList* TSkinThemeCanvas::ImagesOf(const SkinImageList* images) const noexcept {
  // Only the record's own list is drawn; any other handle draws nothing.
  const void* given = images;
  return m_images && given == static_cast<const void*>(m_images) ? m_images : nullptr;
}

void TSkinThemeCanvas::FillRect(void* ctx, const SkinRect* rect, SkinColor color) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  self.Guard([&] { self.m_target.FillRect(RectOf(rect), color); });
}

void TSkinThemeCanvas::FrameRect(void* ctx, const SkinRect* rect, SkinColor color) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  self.Guard([&] { self.m_target.FrameRect(RectOf(rect), color); });
}

void TSkinThemeCanvas::Line(void* ctx, SkinPoint from, SkinPoint to, int32_t width, SkinColor color) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  self.Guard([&] { self.m_target.Line({from.x, from.y}, {to.x, to.y}, width, color); });
}

void TSkinThemeCanvas::FillPolygon(void* ctx, const SkinPoint* points, int32_t count, SkinColor color) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  if (!points || count <= 0) return;
  self.Guard([&] {
    std::vector<TPoint> polygon;
    polygon.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) polygon.push_back({points[i].x, points[i].y});
    self.m_target.FillPolygon(polygon, color);
  });
}

void TSkinThemeCanvas::SetPixel(void* ctx, int32_t x, int32_t y, SkinColor color) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  self.Guard([&] { self.m_target.SetPixel(x, y, color); });
}

SkinColor TSkinThemeCanvas::GetPixel(void* ctx, int32_t x, int32_t y) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  SkinColor color = SKIN_COLOR_NONE;
  self.Guard([&] { color = self.m_target.GetPixel(x, y); });
  return color;
}

void TSkinThemeCanvas::Save(void* ctx) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  self.Guard([&] {
    self.m_target.Save();
    ++self.m_saved;
  });
}

void TSkinThemeCanvas::Restore(void* ctx) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  if (self.m_saved == 0) return;  // never below what the library saved
  self.Guard([&] {
    --self.m_saved;
    self.m_target.Restore();
  });
}

void TSkinThemeCanvas::ExcludeClip(void* ctx, const SkinRect* rect) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  self.Guard([&] { self.m_target.ExcludeClipRect(RectOf(rect)); });
}

void TSkinThemeCanvas::DrawText(void* ctx, const char* utf8, const SkinRect* rect, const SkinFont* font,
                                SkinColor color, uint32_t flags) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  if (!utf8) return;
  self.Guard([&] { self.m_target.DrawText(utf8, RectOf(rect), self.FontOf(font), color, FormatOf(flags)); });
}

void TSkinThemeCanvas::TextExtent(void* ctx, const char* utf8, const SkinFont* font, int32_t* width,
                                  int32_t* height) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  platform::TSize size{};
  self.Guard([&] { size = self.m_target.TextExtent(utf8 ? utf8 : "", self.FontOf(font)); });
  if (width) *width = size.cx;
  if (height) *height = size.cy;
}

void TSkinThemeCanvas::DrawImage(void* ctx, const SkinImageList* images, int32_t index, int32_t x, int32_t y) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  if (const platform::TCustomImageList* list = self.ImagesOf(images))
    self.Guard([&] { self.m_target.DrawImage(*list, index, x, y); });
}

void TSkinThemeCanvas::DrawImageMasked(void* ctx, const SkinImageList* images, int32_t index, int32_t x, int32_t y,
                                       SkinColor color) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  if (const platform::TCustomImageList* list = self.ImagesOf(images))
    self.Guard([&] { self.m_target.DrawImageMasked(*list, index, x, y, color); });
}

SkinColor TSkinThemeCanvas::ResolveColor(void* ctx, SkinColor color) noexcept {
  TSkinThemeCanvas& self = Self(ctx);
  SkinColor resolved = color;
  self.Guard([&] { resolved = platform::ColorToRGB(color); });
  return resolved;
}

}  // namespace halbrin::skins
