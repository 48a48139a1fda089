#include "components/forms/gtk/gtk_application_ui.h"

#include "core/foundation/project_encoding.h"
#include "core/framework/application_hooks.h"
#include "platform/base/glib_ptr.h"
#include "platform/controls/win_control.h"
#include "platform/services/desktop_service.h"
#include "platform/ui/application_window.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/key_translation.h"
#include "skins/core/skin_manager.h"
#include "skins/gtk/gtk_window_host.h"

namespace halbrin {
namespace {

platform::TWinControl* MainFormControl() { return dynamic_cast<platform::TWinControl*>(ApplicationHooks().MainForm()); }

// A shown main form's window.
GtkWindow* ShownMainFormWindow() {
  GtkWindow* window = TGtkApplicationUi::MainFormWindow();
  return window && gtk_widget_get_visible(GTK_WIDGET(window)) ? window : nullptr;
}

// A typed character in the project's code page: one byte, or none.
std::optional<char> ProjectCodePageCharacter(char32_t character) {
  char utf8[6] = {};
  const int length = g_unichar_to_utf8(static_cast<gunichar>(character), utf8);
  try {
    const std::string encoded = EncodeText(std::string_view(utf8, static_cast<std::size_t>(length)), ProjectEncoding());
    if (encoded.size() == 1) return encoded[0];
  } catch (const EEncodingError&) {
  }
  return std::nullopt;
}

GdkModifierType PointerState() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return static_cast<GdkModifierType>(0);
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  GdkModifierType state = static_cast<GdkModifierType>(0);
  if (pointer) gdk_device_get_state(pointer, gdk_screen_get_root_window(gdk_display_get_default_screen(display)), nullptr, &state);
  return state;
}

}  // namespace

TGtkApplicationUi::TGtkApplicationUi() : m_activation([this](bool active) { ActivationChanged(active); }) {
  platform::SetApplicationHandleSource(&TGtkApplicationUi::MainFormWindow);
}

TGtkApplicationUi::~TGtkApplicationUi() { platform::SetApplicationHandleSource({}); }

GtkWindow* TGtkApplicationUi::MainFormWindow() {
  platform::TWinControl* form = MainFormControl();
  if (!form || !form->HandleAllocated()) return nullptr;
  auto* backend = dynamic_cast<platform::GtkControlBackend*>(form->Backend());
  return backend ? backend->TopLevelWindow(form->Window()) : nullptr;
}

std::uint64_t TGtkApplicationUi::MainFormWindowId() { return platform::X11WindowId(MainFormWindow()); }

void TGtkApplicationUi::ActivationChanged(bool active) {
  if (skins::TZebrinSkinManager* manager = skins::SkinManager()) manager->ApplicationActivated(active);
  if (m_onActivationChanged) m_onActivationChanged(active);
}

void TGtkApplicationUi::Minimize() {
  if (GtkWindow* window = ShownMainFormWindow()) gtk_window_iconify(window);
}

void TGtkApplicationUi::Restore() {
  if (GtkWindow* window = ShownMainFormWindow()) gtk_window_deiconify(window);
}

void TGtkApplicationUi::BringToFront() {
  if (GtkWindow* window = ShownMainFormWindow()) {
    gtk_window_deiconify(window);
    gtk_window_present_with_time(window, platform::ActivationTime(window));
  }
}

bool TGtkApplicationUi::Focus() {
  GtkWindow* window = ShownMainFormWindow();
  if (!window) return false;
  gtk_window_present_with_time(window, platform::ActivationTime(window));
  return true;
}

bool TGtkApplicationUi::HasMainForm() const { return ApplicationHooks().MainForm() != nullptr; }

bool TGtkApplicationUi::CloseMainForm() {
  platform::TComponent* form = ApplicationHooks().MainForm();
  if (!form) return false;
  if (m_closer) return m_closer(*form);
  if (auto* control = dynamic_cast<platform::TWinControl*>(form)) control->WindowCloseRequested();
  return true;
}

void TGtkApplicationUi::HideMainForm() {
  if (auto* control = dynamic_cast<platform::TControl*>(ApplicationHooks().MainForm())) control->Hide();
}

void TGtkApplicationUi::ProcessMessages() {
  // Bounded: an idle job that re-arms itself would otherwise keep us here.
  for (int round = 0; round < 1000 && g_main_context_iteration(nullptr, FALSE); ++round) {
  }
}

void TGtkApplicationUi::SetCursor(int cursor) {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return;
  const char* name = cursor == crDefault ? nullptr : skins::TGtkWindowHost::CursorNameOf(cursor);
  const platform::GObjectPtr<GdkCursor> shape =
      platform::GObjectPtr<GdkCursor>::Adopt(name ? gdk_cursor_new_from_name(display, name) : nullptr);
  const platform::GListPtr toplevels(gtk_window_list_toplevels());
  for (GList* item = toplevels.get(); item; item = item->next)
    if (GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(item->data))) gdk_window_set_cursor(window, shape.Get());
}

std::uint32_t TGtkApplicationUi::ShiftStateOf(GdkModifierType state) noexcept {
  return ((state & GDK_SHIFT_MASK) ? 1U : 0U) | ((state & GDK_CONTROL_MASK) ? 2U : 0U) |
         ((state & GDK_MOD1_MASK) ? 4U : 0U);
}

std::uint32_t TGtkApplicationUi::ButtonStateOf(GdkModifierType state) noexcept {
  if (state & GDK_BUTTON1_MASK) return 1;
  if (state & GDK_BUTTON3_MASK) return 2;
  if (state & GDK_BUTTON2_MASK) return 4;
  return 0;
}

std::uint32_t TGtkApplicationUi::ShiftState() const { return ShiftStateOf(PointerState()); }

std::uint32_t TGtkApplicationUi::ButtonState() const { return ButtonStateOf(PointerState()); }

TApplicationSystemColors TGtkApplicationUi::SystemColors() const {
  const platform::IDesktopService& desktop = platform::CurrentDesktopService();
  return {desktop.SystemColor(platform::COLOR_BTNFACE), desktop.SystemColor(platform::COLOR_CAPTIONTEXT),
          desktop.SystemColor(platform::COLOR_ACTIVECAPTION), desktop.SystemColor(platform::COLOR_WINDOW),
          desktop.SystemColor(platform::COLOR_WINDOWTEXT)};
}

GtkApplicationUiScope::GtkApplicationUiScope() {
  if (!platform::InitGtk()) return;
  m_ui.emplace();
  SetDefaultApplicationUi(&*m_ui);
  platform::SetKeyCharacterEncoder(ProjectCodePageCharacter);
}

GtkApplicationUiScope::~GtkApplicationUiScope() {
  if (!m_ui) return;
  platform::SetKeyCharacterEncoder({});
  SetDefaultApplicationUi(nullptr);
}

}  // namespace halbrin
