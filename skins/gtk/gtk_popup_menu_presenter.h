#pragma once

// Popup menus on GTK: a GtkMenu made afresh for every popup, whose items are
// each one drawing widget painted by the item's own owner draw on a
// TCairoCanvas. GTK keeps the grab, the keyboard navigation, the submenus and
// the flipping; our CSS leaves it only the thin frame to draw.

#include <gtk/gtk.h>

#include <string>

#include "platform/base/glib_ptr.h"
#include "platform/graphics/popup_menu.h"

namespace halbrin::skins {

// The style class every menu of ours (and its window) carries.
inline constexpr const char* kOwnerDrawnMenuClass = "halbrin-owner-drawn";
// The room GTK would leave for a check mark, added left of every item's measure.
inline constexpr int kMenuCheckRoom = 16;

// Needs GTK initialised with a display.
class GtkPopupMenuPresenter final : public platform::IPopupMenuPresenter {
 public:
  GtkPopupMenuPresenter() = default;
  ~GtkPopupMenuPresenter() override;
  GtkPopupMenuPresenter(const GtkPopupMenuPresenter&) = delete;
  GtkPopupMenuPresenter& operator=(const GtkPopupMenuPresenter&) = delete;

  // Shows the menu at the screen point and runs a nested main loop until it
  // closes: chosen, cancelled, Close(), the menu (or an owner, or the popup
  // component) freed, or the loop ended (EndModalLoops). Returns at once,
  // with none, when the menu has no visible item or GTK could not grab the
  // pointer and keyboard for it. The skin manager's drag flag is up meanwhile.
  platform::TMenuItem* Present(platform::TPopupMenu& menu, platform::TPoint screenPoint,
                               platform::TPopupAlignment alignment) override;
  void Close() override;

  // The open menu's top-level GtkMenu; null when none is open.
  GtkWidget* OpenMenu() const noexcept;

 private:
  struct Run;

  void UpdateStyle();

  Run* m_run = nullptr;
  platform::GObjectPtr<GtkCssProvider> m_css;
  GdkScreen* m_cssScreen = nullptr;
  std::string m_cssText;
};

// Installs a GTK presenter as the process's for the life of the object; the
// program holds one while a display is open.
class GtkPopupMenuPresenterScope {
 public:
  GtkPopupMenuPresenterScope() : m_scope(m_presenter) {}
  GtkPopupMenuPresenterScope(const GtkPopupMenuPresenterScope&) = delete;
  GtkPopupMenuPresenterScope& operator=(const GtkPopupMenuPresenterScope&) = delete;

  GtkPopupMenuPresenter& Presenter() noexcept { return m_presenter; }

 private:
  GtkPopupMenuPresenter m_presenter;
  platform::ScopedPopupMenuPresenter m_scope;
};

}  // namespace halbrin::skins
