#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "core/app/application_ui.h"
#include "platform/classes/component.h"
#include "platform/ui/application_activation.h"

namespace halbrin {

// The application's windowing layer over GTK. The main form is the hooks'
// (ApplicationHooks().MainForm()); its window is the GtkWindow the GTK control
// backend made for it. The application is active while one of the process's
// top-levels is (GtkApplicationActivation, taken at the next idle after a
// change); each change reaches the skin manager (ApplicationActivated), then
// the activation listener. While it lives it is the source of the platform's
// main-window slot (GetApplicationHandle). Needs InitGtk().
class TGtkApplicationUi final : public IApplicationUi {
 public:
  TGtkApplicationUi();
  ~TGtkApplicationUi() override;
  TGtkApplicationUi(const TGtkApplicationUi&) = delete;
  TGtkApplicationUi& operator=(const TGtkApplicationUi&) = delete;

  // Iconifies or deiconifies the main form's window while it is shown.
  void Minimize() override;
  void Restore() override;
  // Deiconifies and presents the main form's window while it is shown (a
  // hidden main form stays hidden).
  void BringToFront() override;
  bool Focus() override;
  bool IsActive() const override { return m_activation.Active(); }
  bool HasMainForm() const override;
  // The closer set by the forms layer, else the main form's close request
  // (TWinControl::WindowCloseRequested); false without a main form.
  bool CloseMainForm() override;
  void HideMainForm() override;
  void ProcessMessages() override;
  // The cursor on every realised top-level of the process; crDefault takes it off.
  void SetCursor(int cursor) override;
  // The default seat's pointer state.
  std::uint32_t ShiftState() const override;
  std::uint32_t ButtonState() const override;
  // The current desktop service's colours.
  TApplicationSystemColors SystemColors() const override;

  // Hears each change of the application-wide activation.
  void SetOnActivationChanged(std::function<void(bool active)> listener) { m_onActivationChanged = std::move(listener); }
  // How the main form is closed (the form's close with its "closequery" and
  // "close"); returns whether there was one to close.
  void SetMainFormCloser(std::function<bool(platform::TComponent& form)> closer) { m_closer = std::move(closer); }

  // The main form's GtkWindow; null without a main form or its window.
  static GtkWindow* MainFormWindow();
  // Its X11 window id (the application's `handle`); 0 without one or off X11.
  static std::uint64_t MainFormWindowId();
  // Shift 1, Ctrl 2, Alt 4 of a modifier mask; the one button of left 1,
  // right 2, middle 4 that is held, the left before the right before the middle.
  static std::uint32_t ShiftStateOf(GdkModifierType state) noexcept;
  static std::uint32_t ButtonStateOf(GdkModifierType state) noexcept;

 private:
  void ActivationChanged(bool active);

  platform::GtkApplicationActivation m_activation;
  std::function<void(bool)> m_onActivationChanged;
  std::function<bool(platform::TComponent&)> m_closer;
};

// Makes a TGtkApplicationUi the windowing layer of the application objects
// made while it lives (SetDefaultApplicationUi), and typed characters go
// into the project's code page, when InitGtk() finds a display; otherwise
// the headless one stays.
class GtkApplicationUiScope {
 public:
  GtkApplicationUiScope();
  ~GtkApplicationUiScope();
  GtkApplicationUiScope(const GtkApplicationUiScope&) = delete;
  GtkApplicationUiScope& operator=(const GtkApplicationUiScope&) = delete;

  bool Installed() const noexcept { return m_ui.has_value(); }
  TGtkApplicationUi* Ui() noexcept { return m_ui ? &*m_ui : nullptr; }

 private:
  std::optional<TGtkApplicationUi> m_ui;
};

}  // namespace halbrin
