#include "skins/gtk/gtk_skin_popups.h"

#include <cstring>
#include <utility>

#include "platform/services/desktop_service.h"

namespace halbrin::skins {

PangoFontDescription* NewPangoFontDescription(const TFontSpec& font) {
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, font.name.empty() ? "Sans" : font.name.c_str());
  pango_font_description_set_size(description, (font.size > 0 ? font.size : 9) * PANGO_SCALE);
  if (font.style & platform::fsBold) pango_font_description_set_weight(description, PANGO_WEIGHT_BOLD);
  if (font.style & platform::fsItalic) pango_font_description_set_style(description, PANGO_STYLE_ITALIC);
  return description;
}

void SetCairoColor(cairo_t* cr, TColor color) {
  const TColor rgb = platform::ColorToRGB(color);
  cairo_set_source_rgb(cr, platform::RedOf(rgb) / 255.0, platform::GreenOf(rgb) / 255.0,
                       platform::BlueOf(rgb) / 255.0);
}

// --- TGtkPopupSurface ----------------------------------------------------------

TGtkPopupSurface::TGtkPopupSurface(Painter painter, bool clickThrough)
    : m_painter(std::move(painter)), m_clickThrough(clickThrough) {}

void TGtkPopupSurface::Ensure() {
  if (m_holder && !m_holder.IsDestroyed()) return;
  m_holder = platform::WindowHolder(gtk_window_new(GTK_WINDOW_POPUP));
  GtkWindow* window = m_holder.Window();
  gtk_window_set_accept_focus(window, FALSE);
  gtk_window_set_focus_on_map(window, FALSE);
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_TOOLTIP);
  gtk_widget_set_app_paintable(m_holder.Widget(), TRUE);
  gtk_widget_add_events(m_holder.Widget(), GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(m_holder.Widget(), "draw", G_CALLBACK(OnDraw), this);
  if (m_clickThrough) {
    // An empty input shape: the X server hands clicks to the window below.
    cairo_region_t* empty = cairo_region_create();
    gtk_widget_input_shape_combine_region(m_holder.Widget(), empty);
    cairo_region_destroy(empty);
  }
  gtk_widget_set_opacity(m_holder.Widget(), m_opacity);
}

void TGtkPopupSurface::ShowAt(const TRect& rect) {
  Ensure();
  GtkWindow* window = m_holder.Window();
  const int width = rect.Width() > 0 ? rect.Width() : 1;
  const int height = rect.Height() > 0 ? rect.Height() : 1;
  gtk_widget_set_size_request(m_holder.Widget(), width, height);
  gtk_window_resize(window, width, height);
  gtk_window_move(window, rect.Left, rect.Top);
  gtk_widget_show(m_holder.Widget());
  gtk_widget_queue_draw(m_holder.Widget());
}

void TGtkPopupSurface::Hide() {
  if (m_holder && !m_holder.IsDestroyed()) gtk_widget_hide(m_holder.Widget());
}

void TGtkPopupSurface::SetOpacity(std::uint8_t opacity) {
  m_opacity = opacity / 255.0;
  if (m_holder && !m_holder.IsDestroyed()) gtk_widget_set_opacity(m_holder.Widget(), m_opacity);
}

void TGtkPopupSurface::Redraw() {
  if (m_holder && !m_holder.IsDestroyed()) gtk_widget_queue_draw(m_holder.Widget());
}

gboolean TGtkPopupSurface::OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
  auto* surface = static_cast<TGtkPopupSurface*>(self);
  if (surface->m_painter) {
    surface->m_painter(cr, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget));
  }
  return TRUE;
}

// --- Pop-up windows ------------------------------------------------------------

TGtkSkinPopupWindow::TGtkSkinPopupWindow()
    : TGtkSkinPopupWindow(
          255,
          [](cairo_t* cr, int, int) {
            SetCairoColor(cr, platform::SystemColor(platform::COLOR_WINDOW));
            cairo_paint(cr);
          },
          false) {}

TGtkSkinPopupWindow::TGtkSkinPopupWindow(std::uint8_t opacity, TGtkPopupSurface::Painter painter, bool clickThrough)
    : TSkinPopupWindowBase(opacity), m_surface(std::move(painter), clickThrough) {
  m_surface.SetOpacity(opacity);
}

TGtkDockIndicator::TGtkDockIndicator()
    : TGtkSkinPopupWindow(
          kDockIndicatorOpacity, [this](cairo_t* cr, int width, int height) { Paint(cr, width, height); }, true),
      m_color(platform::SystemColor(platform::COLOR_INFOBK)),
      m_fontColor(platform::SystemColor(platform::COLOR_INFOTEXT)) {}

void TGtkDockIndicator::SetCaption(std::string caption) {
  m_caption = std::move(caption);
  Redraw();
}

void TGtkDockIndicator::SetColor(TColor color) {
  m_color = color;
  Redraw();
}

void TGtkDockIndicator::SetFont(const TFontSpec& font, TColor fontColor) {
  m_font = font;
  m_fontColor = fontColor;
  Redraw();
}

void TGtkDockIndicator::Paint(cairo_t* cr, int width, int height) const {
  SetCairoColor(cr, m_color);
  cairo_paint(cr);
  if (m_caption.empty()) return;
  // One centred line, ellipsised; the text is drawn in the font colour, not
  // keyed out.
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* description = NewPangoFontDescription(m_font);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  pango_layout_set_text(layout, m_caption.c_str(), static_cast<int>(m_caption.size()));
  pango_layout_set_single_paragraph_mode(layout, TRUE);
  pango_layout_set_width(layout, width * PANGO_SCALE);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
  int textWidth = 0;
  int textHeight = 0;
  pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
  SetCairoColor(cr, m_fontColor);
  cairo_move_to(cr, 0, (height - textHeight) / 2);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

TGtkDragIndicator::TGtkDragIndicator()
    : TGtkSkinPopupWindow(
          kDragIndicatorOpacity, [this](cairo_t* cr, int width, int height) { Paint(cr, width, height); }, true) {}

void TGtkDragIndicator::SetImage(platform::TArgbImage image) {
  m_image = std::move(image);
  Redraw();
}

void TGtkDragIndicator::Paint(cairo_t* cr, int, int) const {
  SetCairoColor(cr, kDragImageBackground);
  cairo_paint(cr);
  if (m_image.Width <= 0 || m_image.Height <= 0) return;
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, m_image.Width);
  cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, m_image.Width, m_image.Height);
  cairo_surface_flush(picture);
  unsigned char* data = cairo_image_surface_get_data(picture);
  for (int y = 0; y < m_image.Height; ++y) {
    std::memcpy(data + static_cast<std::size_t>(y) * stride, m_image.Pixels.data() + static_cast<std::size_t>(y) * m_image.Width,
                static_cast<std::size_t>(m_image.Width) * 4);
  }
  cairo_surface_mark_dirty(picture);
  cairo_set_source_surface(cr, picture, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(picture);
}

}  // namespace halbrin::skins
