#pragma once

#include <gtk/gtk.h>

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "platform/services/desktop_service.h"

namespace halbrin::platform {

// The desktop as GTK sees it: colours from the theme's named colours, the
// element fonts from GtkSettings "gtk-font-name", the caret from
// "gtk-cursor-blink" and "gtk-cursor-blink-time", families from Pango, the
// pointer of the default seat and the monitors' work areas. Changes of those
// settings, of the theme and of the monitors reach the subscribers. Make it on
// the main thread after InitGtk() reported a display.
class GtkDesktopService final : public IDesktopService {
 public:
  GtkDesktopService();
  GtkDesktopService(const GtkDesktopService&) = delete;
  GtkDesktopService& operator=(const GtkDesktopService&) = delete;
  ~GtkDesktopService() override;

  // Theme colours where the theme names one, the headless colour otherwise.
  TColor SystemColor(int index) const override;
  TFontSpec ElementFont(TDesktopFont element) const override;
  std::vector<std::string> FontFamilies() const override;
  // The headless metrics: GTK has no frame or caption sizes of its own.
  TDesktopMetrics Metrics() const override { return {}; }
  int CaretBlinkTime() const override;
  std::optional<TPoint> CursorPos() const override;
  TRect WorkArea(const TRect& rect) const override;
  bool LeftButtonDown() const override;
  int CursorHeightBelowHotSpot() const override;
  bool ModalState() const override;

 private:
  friend struct GtkDesktopSignals;
  void ReadColors();
  void Connect(gpointer instance, const char* signal, GCallback callback);

  GtkSettings* m_settings;
  GdkScreen* m_screen;
  GtkStyleContext* m_style;
  std::array<TColor, kSystemColorCount> m_colors{};
  std::vector<std::pair<gpointer, gulong>> m_handlers;
};

// Installs a GtkDesktopService as the current desktop service for the life of
// the object when a display is there (InitGtk()) and HALBRIN_HEADLESS_DIALOGS
// does not ask for the headless answers; otherwise the service before it stays.
class GtkDesktopServiceScope {
 public:
  GtkDesktopServiceScope();
  GtkDesktopServiceScope(const GtkDesktopServiceScope&) = delete;
  GtkDesktopServiceScope& operator=(const GtkDesktopServiceScope&) = delete;
  ~GtkDesktopServiceScope() = default;

  bool Installed() const noexcept { return m_scope.has_value(); }

 private:
  std::optional<GtkDesktopService> m_service;
  // Declared after the service, so it is restored before the service goes.
  std::optional<ScopedDesktopService> m_scope;
};

}  // namespace halbrin::platform
