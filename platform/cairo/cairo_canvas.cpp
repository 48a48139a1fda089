#include "platform/cairo/cairo_canvas.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/services/desktop_service.h"

namespace halbrin::platform {
namespace {

struct GObjectDeleter {
  void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
using PangoLayoutPtr = std::unique_ptr<PangoLayout, GObjectDeleter>;

struct AttrListDeleter {
  void operator()(PangoAttrList* list) const noexcept { pango_attr_list_unref(list); }
};
using PangoAttrListPtr = std::unique_ptr<PangoAttrList, AttrListDeleter>;

struct PatternDeleter {
  void operator()(cairo_pattern_t* pattern) const noexcept { cairo_pattern_destroy(pattern); }
};
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

bool DrawsNothing(TColor color) { return color == clNone || color == clDefault; }

void SourceRgb(cairo_t* cr, TColor plain) {
  cairo_set_source_rgb(cr, RedOf(plain) / 255.0, GreenOf(plain) / 255.0, BlueOf(plain) / 255.0);
}

std::uint32_t OpaqueArgb(TColor plain) {
  return 0xFF000000u | static_cast<std::uint32_t>(RedOf(plain)) << 16 |
         static_cast<std::uint32_t>(GreenOf(plain)) << 8 | static_cast<std::uint32_t>(BlueOf(plain));
}

// Text without the mnemonic markers, and the byte range of the letter after
// the first single "&" (an empty range when none).
struct MnemonicText {
  std::string text;
  std::size_t underlineStart = 0;
  std::size_t underlineEnd = 0;
};

MnemonicText StripMnemonic(std::string_view text) {
  MnemonicText result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&' || i + 1 >= text.size()) {
      result.text += text[i];
      continue;
    }
    ++i;
    if (text[i] == '&') {
      result.text += '&';
      continue;
    }
    const bool first = result.underlineEnd == 0;
    if (first) result.underlineStart = result.text.size();
    // The whole UTF-8 sequence of the marked letter.
    std::size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    result.text.append(text.substr(i, end - i));
    if (first) result.underlineEnd = result.text.size();
    i = end - 1;
  }
  return result;
}

// A layout of `text` in `font`, with the bytes [underlineStart, underlineEnd) underlined.
PangoLayoutPtr MakeLayout(cairo_t* cr, const std::string& text, const TFont& font, std::size_t underlineStart = 0,
                          std::size_t underlineEnd = 0) {
  PangoLayoutPtr layout(pango_cairo_create_layout(cr));
  const PangoFontDescriptionPtr description = FontDescriptionFor(font);
  pango_layout_set_font_description(layout.get(), description.get());
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  PangoAttrListPtr attributes(pango_attr_list_new());
  if (font.Style() & fsUnderline) pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (font.Style() & fsStrikeOut) pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
  if (underlineEnd > underlineStart) {
    PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
    underline->start_index = static_cast<guint>(underlineStart);
    underline->end_index = static_cast<guint>(underlineEnd);
    pango_attr_list_insert(attributes.get(), underline);
  }
  pango_layout_set_attributes(layout.get(), attributes.get());
  return layout;
}

}  // namespace

CairoSurfacePtr SurfaceFromImage(const TArgbImage& image) {
  CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.Width, image.Height));
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  if (data) {
    for (int y = 0; y < image.Height; ++y)
      std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride,
                  image.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.Width),
                  static_cast<std::size_t>(image.Width) * sizeof(std::uint32_t));
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

TArgbImage ImageFromSurface(cairo_surface_t* surface) {
  if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32)
    return {};
  cairo_surface_flush(surface);
  TArgbImage image(cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface));
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  if (data) {
    for (int y = 0; y < image.Height; ++y)
      std::memcpy(image.Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.Width),
                  data + static_cast<std::ptrdiff_t>(y) * stride,
                  static_cast<std::size_t>(image.Width) * sizeof(std::uint32_t));
  }
  return image;
}

TCairoCanvas::TCairoCanvas(cairo_t* cr) : m_cr(cairo_reference(cr)) {
  cairo_save(m_cr);
  cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_WINDING);
  cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_operator(m_cr, CAIRO_OPERATOR_OVER);
}

TCairoCanvas::~TCairoCanvas() {
  for (; m_saved > 0; --m_saved) cairo_restore(m_cr);
  cairo_restore(m_cr);
  cairo_destroy(m_cr);
}

bool TCairoCanvas::SetSource(TColor color) {
  if (DrawsNothing(color)) return false;
  const TColor plain = ColorToRGB(color);
  if (DrawsNothing(plain)) return false;
  SourceRgb(m_cr, plain);
  return true;
}

void TCairoCanvas::AddRect(const TRect& rect) {
  cairo_rectangle(m_cr, rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TCairoCanvas::FillRect(const TRect& rect, TColor color) {
  if (rect.IsEmpty() || !SetSource(color)) return;
  AddRect(rect);
  cairo_fill(m_cr);
}

void TCairoCanvas::FrameRect(const TRect& rect, TColor color) {
  if (rect.IsEmpty() || !SetSource(color)) return;
  AddRect({rect.Left, rect.Top, rect.Right, rect.Top + 1});
  AddRect({rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom});
  AddRect({rect.Left, rect.Top, rect.Left + 1, rect.Bottom});
  AddRect({rect.Right - 1, rect.Top, rect.Right, rect.Bottom});
  cairo_fill(m_cr);
}

void TCairoCanvas::SetPixel(int x, int y, TColor color) { FillRect({x, y, x + 1, y + 1}, color); }

TColor TCairoCanvas::GetPixel(int x, int y) {
  cairo_surface_t* target = cairo_get_target(m_cr);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return clNone;
  const cairo_format_t format = cairo_image_surface_get_format(target);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return clNone;
  double dx = x + 0.5;
  double dy = y + 0.5;
  cairo_user_to_device(m_cr, &dx, &dy);
  double offsetX = 0;
  double offsetY = 0;
  cairo_surface_get_device_offset(target, &offsetX, &offsetY);
  const int px = static_cast<int>(std::floor(dx - offsetX));
  const int py = static_cast<int>(std::floor(dy - offsetY));
  if (px < 0 || py < 0 || px >= cairo_image_surface_get_width(target) || py >= cairo_image_surface_get_height(target))
    return clNone;
  cairo_surface_flush(target);
  const unsigned char* data = cairo_image_surface_get_data(target);
  std::uint32_t argb;
  std::memcpy(&argb, data + static_cast<std::ptrdiff_t>(py) * cairo_image_surface_get_stride(target) + px * 4, 4);
  const unsigned alpha = format == CAIRO_FORMAT_RGB24 ? 255 : argb >> 24;
  if (alpha == 0) return RGBColor(0, 0, 0);
  auto channel = [alpha](std::uint32_t premultiplied) {
    return static_cast<int>((premultiplied * 255 + alpha / 2) / alpha);
  };
  return RGBColor(channel(argb >> 16 & 0xFF), channel(argb >> 8 & 0xFF), channel(argb & 0xFF));
}

void TCairoCanvas::Line(TPoint from, TPoint to, int width, TColor color) {
  if (from == to || !SetSource(color)) return;
  width = std::max(width, 1);
  // Across the line the pen spreads (width - 1) / 2 pixels before the line
  // and the rest after it.
  const int before = (width - 1) / 2;
  if (from.Y == to.Y) {
    const int left = from.X < to.X ? from.X : to.X + 1;
    const int right = from.X < to.X ? to.X : from.X + 1;
    AddRect({left, from.Y - before, right, from.Y - before + width});
    cairo_fill(m_cr);
    return;
  }
  if (from.X == to.X) {
    const int top = from.Y < to.Y ? from.Y : to.Y + 1;
    const int bottom = from.Y < to.Y ? to.Y : from.Y + 1;
    AddRect({from.X - before, top, from.X - before + width, bottom});
    cairo_fill(m_cr);
    return;
  }
  // A slanted line through the pixel centres, moved back half a pixel along
  // itself: no centre then sits on either butt end, the start pixel is in and
  // the end pixel out.
  const double dx = to.X - from.X;
  const double dy = to.Y - from.Y;
  const double length = std::sqrt(dx * dx + dy * dy);
  const double centre = (width % 2) ? 0.5 : 0.0;
  const double backX = 0.5 * dx / length;
  const double backY = 0.5 * dy / length;
  cairo_set_line_width(m_cr, width);
  cairo_move_to(m_cr, from.X + centre - backX, from.Y + centre - backY);
  cairo_line_to(m_cr, to.X + centre - backX, to.Y + centre - backY);
  cairo_stroke(m_cr);
}

void TCairoCanvas::FillPolygon(std::span<const TPoint> points, TColor color) {
  if (points.size() < 2 || !SetSource(color)) return;
  // Through the pixel centres: the fill takes the pixels inside the polygon
  // and the 1-pixel stroke its outline.
  cairo_move_to(m_cr, points[0].X + 0.5, points[0].Y + 0.5);
  for (std::size_t i = 1; i < points.size(); ++i) cairo_line_to(m_cr, points[i].X + 0.5, points[i].Y + 0.5);
  cairo_close_path(m_cr);
  cairo_fill_preserve(m_cr);
  cairo_set_line_width(m_cr, 1.0);
  cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_MITER);
  cairo_stroke(m_cr);
  // The stroke may leave vertices at the pointed ends of the outline.
  for (const TPoint& p : points) AddRect({p.X, p.Y, p.X + 1, p.Y + 1});
  cairo_fill(m_cr);
}

void TCairoCanvas::FillRectPattern(const TRect& rect, TColor first, TColor second) {
  if (rect.IsEmpty() || DrawsNothing(first) || DrawsNothing(second)) return;
  const TColor a = ColorToRGB(first);
  const TColor b = ColorToRGB(second);
  TArgbImage tile(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) tile.SetPixel(x, y, OpaqueArgb((x + y) % 2 == 0 ? a : b));
  const CairoSurfacePtr surface = SurfaceFromImage(tile);
  CairoPatternPtr pattern(cairo_pattern_create_for_surface(surface.get()));
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
  cairo_set_source(m_cr, pattern.get());
  AddRect(rect);
  cairo_fill(m_cr);
}

void TCairoCanvas::Gradient(const TRect& rect, TColor from, TColor to, bool vertical) {
  if (rect.IsEmpty() || DrawsNothing(from) || DrawsNothing(to)) return;
  const TColor a = ColorToRGB(from);
  const TColor b = ColorToRGB(to);
  CairoPatternPtr pattern(vertical ? cairo_pattern_create_linear(0, rect.Top, 0, rect.Bottom)
                                   : cairo_pattern_create_linear(rect.Left, 0, rect.Right, 0));
  cairo_pattern_add_color_stop_rgb(pattern.get(), 0, RedOf(a) / 255.0, GreenOf(a) / 255.0, BlueOf(a) / 255.0);
  cairo_pattern_add_color_stop_rgb(pattern.get(), 1, RedOf(b) / 255.0, GreenOf(b) / 255.0, BlueOf(b) / 255.0);
  cairo_set_source(m_cr, pattern.get());
  AddRect(rect);
  cairo_fill(m_cr);
}

void TCairoCanvas::Save() {
  cairo_save(m_cr);
  ++m_saved;
}

void TCairoCanvas::Restore() {
  if (m_saved == 0) return;
  cairo_restore(m_cr);
  --m_saved;
}

void TCairoCanvas::ExcludeClipRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  double x1, y1, x2, y2;
  cairo_clip_extents(m_cr, &x1, &y1, &x2, &y2);
  // The current clip's bounds and the rectangle under the even-odd rule: what
  // lies in both is cut out.
  cairo_rectangle(m_cr, std::floor(x1) - 1, std::floor(y1) - 1, std::ceil(x2) - std::floor(x1) + 2,
                  std::ceil(y2) - std::floor(y1) + 2);
  AddRect(rect);
  cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(m_cr);
  cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_WINDING);
}

void TCairoCanvas::DrawText(std::string_view utf8, const TRect& rect, const TFont& font, TColor color,
                            const TTextFormat& format) {
  if (rect.IsEmpty() || utf8.empty() || !SetSource(color)) return;
  MnemonicText text = format.mnemonic ? StripMnemonic(utf8) : MnemonicText{std::string(utf8)};
  if (!format.expandTabs)
    for (char& c : text.text)
      if (c == '\t') c = ' ';

  cairo_save(m_cr);
  AddRect(rect);
  cairo_clip(m_cr);
  // In the rotated frame x runs up from the rectangle's bottom and y runs
  // right from its left side.
  if (format.rotate90) {
    cairo_translate(m_cr, rect.Left, rect.Bottom);
    cairo_rotate(m_cr, -M_PI / 2);
  } else {
    cairo_translate(m_cr, rect.Left, rect.Top);
  }
  const int along = format.rotate90 ? rect.Height() : rect.Width();
  const int across = format.rotate90 ? rect.Width() : rect.Height();

  const PangoLayoutPtr layout = MakeLayout(m_cr, text.text, font, text.underlineStart, text.underlineEnd);
  if (format.singleLine) pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  if (format.endEllipsis) {
    pango_layout_set_width(layout.get(), along * PANGO_SCALE);
    pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
  } else if (format.wordBreak && !format.singleLine) {
    pango_layout_set_width(layout.get(), along * PANGO_SCALE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
  }
  const PangoAlignment alignment = format.align == TTextAlign::Center ? PANGO_ALIGN_CENTER
                                   : format.align == TTextAlign::Right ? PANGO_ALIGN_RIGHT
                                                                       : PANGO_ALIGN_LEFT;
  pango_layout_set_alignment(layout.get(), alignment);

  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  // Without a layout width Pango aligns nothing, so place the block here.
  int x = 0;
  if (pango_layout_get_width(layout.get()) < 0) {
    if (format.align == TTextAlign::Center)
      x = (along - logical.width) / 2;
    else if (format.align == TTextAlign::Right)
      x = along - logical.width;
    x -= logical.x;
  }
  int y = 0;
  if (format.layout == TTextLayout::Center)
    y = (across - logical.height) / 2;
  else if (format.layout == TTextLayout::Bottom)
    y = across - logical.height;
  y -= logical.y;
  cairo_move_to(m_cr, x, y);
  pango_cairo_show_layout(m_cr, layout.get());
  cairo_restore(m_cr);
}

TSize TCairoCanvas::TextExtent(std::string_view utf8, const TFont& font) {
  const PangoLayoutPtr layout = MakeLayout(m_cr, std::string(utf8), font);
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  return {utf8.empty() ? 0 : logical.width, logical.height};
}

void TCairoCanvas::DrawImage(const TCustomImageList& images, int index, int x, int y) {
  const TArgbImage* image = images.Image(index);
  if (!image) return;
  const CairoSurfacePtr surface = SurfaceFromImage(*image);
  cairo_set_source_surface(m_cr, surface.get(), x, y);
  cairo_rectangle(m_cr, x, y, image->Width, image->Height);
  cairo_fill(m_cr);
}

void TCairoCanvas::DrawImageMasked(const TCustomImageList& images, int index, int x, int y, TColor color) {
  const TArgbImage* image = images.Image(index);
  if (!image || !SetSource(color)) return;
  CairoSurfacePtr mask(cairo_image_surface_create(CAIRO_FORMAT_A8, image->Width, image->Height));
  cairo_surface_flush(mask.get());
  unsigned char* data = cairo_image_surface_get_data(mask.get());
  const int stride = cairo_image_surface_get_stride(mask.get());
  for (int row = 0; row < image->Height; ++row)
    for (int column = 0; column < image->Width; ++column)
      data[static_cast<std::ptrdiff_t>(row) * stride + column] = (image->Pixel(column, row) >> 24) >= 128 ? 255 : 0;
  cairo_surface_mark_dirty(mask.get());
  cairo_mask_surface(m_cr, mask.get(), x, y);
}

bool TCairoCanvas::DrawThemedGlyph(TThemedGlyph, const TThemedGlyphState&, const TRect&) { return false; }

void TCairoCanvas::DrawPicture(const TArgbImage& image, int x, int y) {
  if (image.Width <= 0 || image.Height <= 0) return;
  const CairoSurfacePtr surface = SurfaceFromImage(image);
  cairo_set_source_surface(m_cr, surface.get(), x, y);
  cairo_rectangle(m_cr, x, y, image.Width, image.Height);
  cairo_fill(m_cr);
}

void TCairoCanvas::Blit(const TArgbImage& source, int x, int y) {
  if (source.Width <= 0 || source.Height <= 0) return;
  const CairoSurfacePtr surface = SurfaceFromImage(source);
  cairo_save(m_cr);
  cairo_set_operator(m_cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(m_cr, surface.get(), x, y);
  cairo_rectangle(m_cr, x, y, source.Width, source.Height);
  cairo_fill(m_cr);
  cairo_restore(m_cr);
}

}  // namespace halbrin::platform
