#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/eventloop/timer_source.h"
#include "skins/core/skin_windows.h"
#include "skins/gtk/gtk_skin_popups.h"

namespace halbrin::skins {

// The hint: a pop-up in the info colours with word-wrapped text in the
// desktop's status font. It fades in when the desktop has animations on.
class TGtkSkinHintWindow : public ISkinHintWindow {
 public:
  TGtkSkinHintWindow();
  ~TGtkSkinHintWindow() override;

  void ShowAt(const TRect& rect, std::string_view text, bool enabled, const TSkinHintOptions& options) override;
  void Hide() override;
  void Release() override;
  TRect HintRect(std::string_view text, int maxWidth) const override;
  bool Showing() const override { return m_showing; }

  GtkWidget* Widget() const noexcept { return m_surface.Widget(); }
  // Where the last ShowAt placed the window.
  TRect Placed() const noexcept { return m_placed; }

 private:
  void Paint(cairo_t* cr, int width, int height) const;
  void FadeStep();

  TGtkPopupSurface m_surface;
  std::unique_ptr<platform::TimerSource> m_fade;
  std::string m_text;
  bool m_enabled = true;
  TSkinHintOptions m_options;
  TRect m_placed;
  bool m_showing = false;
  int m_fadeStep = 0;
};

}  // namespace halbrin::skins
