#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/window_holder.h"
#include "skins/core/skin_windows.h"

namespace halbrin::skins {

// GTK helpers shared by the utility windows.
// A Pango font for a font spec (points, bold, italic).
PangoFontDescription* NewPangoFontDescription(const TFontSpec& font);
// Sets a plain or system colour as Cairo's source.
void SetCairoColor(cairo_t* cr, TColor color);

// A borderless GTK_WINDOW_POPUP that never takes the focus and paints through
// a callback. Made on first show, so a hidden pop-up costs no X window.
class TGtkPopupSurface {
 public:
  using Painter = std::function<void(cairo_t*, int width, int height)>;

  TGtkPopupSurface(Painter painter, bool clickThrough);
  TGtkPopupSurface(const TGtkPopupSurface&) = delete;
  TGtkPopupSurface& operator=(const TGtkPopupSurface&) = delete;

  void ShowAt(const TRect& rect);
  void Hide();
  void SetOpacity(std::uint8_t opacity);
  void Redraw();
  // Destroys the window; the next show makes a new one.
  void Release() noexcept { m_holder.Reset(); }

  // Null before the first show and after Release.
  GtkWidget* Widget() const noexcept { return m_holder.Widget(); }

 private:
  void Ensure();
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);

  Painter m_painter;
  bool m_clickThrough;
  double m_opacity = 1.0;
  platform::WindowHolder m_holder;
};

// The plain pop-up base: a window in the window colour.
class TGtkSkinPopupWindow : public TSkinPopupWindowBase {
 public:
  TGtkSkinPopupWindow();
  GtkWidget* Widget() const noexcept { return m_surface.Widget(); }

 protected:
  TGtkSkinPopupWindow(std::uint8_t opacity, TGtkPopupSurface::Painter painter, bool clickThrough);
  void ShowNative(const TRect& rect) override { m_surface.ShowAt(rect); }
  void HideNative() override { m_surface.Hide(); }
  void ApplyOpacity(std::uint8_t opacity) override { m_surface.SetOpacity(opacity); }
  void Redraw() { m_surface.Redraw(); }

 private:
  TGtkPopupSurface m_surface;
};

// Clicks pass through to the window below.
class TGtkDockIndicator : public TGtkSkinPopupWindow, public ISkinDockIndicator {
 public:
  TGtkDockIndicator();
  void SetCaption(std::string caption) override;
  void SetColor(TColor color) override;
  void SetFont(const TFontSpec& font, TColor fontColor) override;

 private:
  void Paint(cairo_t* cr, int width, int height) const;

  std::string m_caption;
  TColor m_color;
  TFontSpec m_font;
  TColor m_fontColor;
};

// Clicks pass through to the window below.
class TGtkDragIndicator : public TGtkSkinPopupWindow, public ISkinDragIndicator {
 public:
  TGtkDragIndicator();
  void SetImage(platform::TArgbImage image) override;

 private:
  void Paint(cairo_t* cr, int width, int height) const;

  platform::TArgbImage m_image;
};

}  // namespace halbrin::skins
