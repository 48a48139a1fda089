#include <X11/keysym.h>

#include <vector>

#include "forms_gtk_display_support.h"
#include "x_properties.h"
#include "platform/services/dialog_service.h"
#include "platform/ui/application_window.h"
#include "platform/ui/gtk_dialog_service.h"
#include "platform/ui/window_holder.h"
#include "skins/core/skin_manager.h"

namespace halbrin::formgtktest {
namespace {

// --- The application-wide activation --------------------------------------------------------

TEST_F(ApplicationUiTest, ASwitchBetweenOurWindowsIsNoDeactivationAnotherProgramIsOne) {
  skins::TZebrinSkinManager& manager = skins::CreateSkinManager();
  struct FreeManager {
    ~FreeManager() { skins::FreeSkinManager(); }
  } freeManager;
  std::vector<bool> changes;
  m_ui->SetOnActivationChanged([&](bool active) { changes.push_back(active); });

  platform::TWinControl& first = Form("First", 60, 80);
  platform::TWinControl& second = Form("Second", 360, 80);
  m_hooks->SetMainForm(&first);
  second.Show();
  second.HandleNeeded();
  ASSERT_TRUE(ShowActive(first));
  ASSERT_TRUE(RunUntil([&] { return m_ui->IsActive(); }));
  EXPECT_EQ(changes, std::vector<bool>{true});
  EXPECT_TRUE(manager.ApplicationActive()) << "the skin manager hears the activation";

  // One of ours loses the activation before the other gains it.
  ASSERT_TRUE(ShowActive(second));
  EXPECT_FALSE(gtk_window_is_active(WindowOf(first)));
  ASSERT_TRUE(FlushIdle());
  EXPECT_TRUE(m_ui->IsActive());
  EXPECT_EQ(changes, std::vector<bool>{true}) << "no deactivation between two of our windows";

  OtherProgram other;
  const unsigned long otherWindow = other.WaitActive();
  ASSERT_NE(otherWindow, 0UL) << "the other program never became active";
  ASSERT_TRUE(RunUntil([&] { return !m_ui->IsActive(); }));
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  EXPECT_FALSE(manager.ApplicationActive());

  // Which windows are ours.
  EXPECT_FALSE(platform::IsProcessWindow(otherWindow));
  EXPECT_TRUE(platform::IsProcessWindow(platform::X11WindowId(WindowOf(first))));
  EXPECT_TRUE(platform::IsProcessWindow(platform::X11WindowId(WindowOf(second))));
  EXPECT_FALSE(platform::IsProcessWindow(0));
  EXPECT_FALSE(platform::IsProcessWindow(RootXid())) << "the root window is nobody's";

  // A later start brings the main form back to the front.
  m_ui->BringToFront();
  ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(WindowOf(first)) && m_ui->IsActive(); }));
  EXPECT_EQ(changes, (std::vector<bool>{true, false, true}));

  // Activating the other program once more, then ours through a window the
  // backend did not make (a plain GTK window of this process).
  other.Activate();
  ASSERT_NE(other.WaitActive(), 0UL);
  ASSERT_TRUE(RunUntil([&] { return !m_ui->IsActive(); }));
  platform::WindowHolder plain = platform::WindowHolder::CreateTopLevel();
  gtk_window_set_default_size(plain.Window(), 120, 80);
  gtk_widget_show(plain.Widget());
  gtk_window_present_with_time(plain.Window(), GDK_CURRENT_TIME);
  ASSERT_TRUE(RunUntil([&] { return m_ui->IsActive(); })) << "every top-level of the process counts";
  EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false, true}));
}

// --- The main form's verbs ------------------------------------------------------------------

bool Iconified(GtkWindow* window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  return gdkWindow && (gdk_window_get_state(gdkWindow) & GDK_WINDOW_STATE_ICONIFIED);
}

TEST_F(ApplicationUiTest, TheMainFormIsMinimisedRestoredFocusedHiddenAndClosed) {
  EXPECT_FALSE(m_ui->HasMainForm());
  EXPECT_FALSE(m_ui->Focus()) << "nothing to focus without a main form";
  EXPECT_FALSE(m_ui->CloseMainForm());
  EXPECT_EQ(TGtkApplicationUi::MainFormWindow(), nullptr);
  EXPECT_EQ(TGtkApplicationUi::MainFormWindowId(), 0U);
  EXPECT_EQ(platform::GetApplicationHandle(), nullptr);

  platform::TWinControl& form = Form("Main", 80, 90);
  m_hooks->SetMainForm(&form);
  EXPECT_TRUE(m_ui->HasMainForm());
  EXPECT_EQ(platform::GetApplicationHandle(), nullptr) << "no window made yet";
  EXPECT_FALSE(m_ui->Focus()) << "a main form that was never shown is not presented";
  ASSERT_TRUE(ShowActive(form));
  EXPECT_EQ(platform::GetApplicationHandle(), WindowOf(form)) << "the main-window slot answers the main form";
  EXPECT_NE(TGtkApplicationUi::MainFormWindowId(), 0U);
  EXPECT_EQ(TGtkApplicationUi::MainFormWindowId(), platform::X11WindowId(WindowOf(form)));

  m_ui->Minimize();
  ASSERT_TRUE(RunUntil([&] { return Iconified(WindowOf(form)); }));
  m_ui->Restore();
  ASSERT_TRUE(RunUntil([&] { return !Iconified(WindowOf(form)); }));
  m_ui->Minimize();
  ASSERT_TRUE(RunUntil([&] { return Iconified(WindowOf(form)); }));
  EXPECT_TRUE(m_ui->Focus());
  m_ui->BringToFront();
  ASSERT_TRUE(RunUntil([&] { return !Iconified(WindowOf(form)) && gtk_window_is_active(WindowOf(form)); }))
      << "bringing to the front restores a minimised main form";

  m_ui->HideMainForm();
  EXPECT_FALSE(form.Visible());
  m_ui->BringToFront();
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(WindowOf(form)))) << "a hidden main form stays hidden";
  EXPECT_FALSE(m_ui->Focus());

  // Closing: the control's close request, or the closer the forms layer sets.
  form.Show();
  EXPECT_TRUE(m_ui->CloseMainForm());
  EXPECT_FALSE(form.Visible()) << "a plain control hides on a close request";
  std::vector<std::string> closed;
  m_ui->SetMainFormCloser([&](platform::TComponent& f) { return closed.push_back(f.Name()), true; });
  form.Show();
  EXPECT_TRUE(m_ui->CloseMainForm());
  EXPECT_EQ(closed, std::vector<std::string>{"Main"});
  EXPECT_TRUE(form.Visible()) << "the closer decides";

  m_owner.reset();
  EXPECT_FALSE(m_ui->HasMainForm()) << "a freed main form is gone";
  EXPECT_EQ(platform::GetApplicationHandle(), nullptr);
}

TEST_F(ApplicationUiTest, ABoxBelongsToOurActiveWindowElseToTheMainWindow) {
  platform::TWinControl& main = Form("Main", 60, 80);
  platform::TWinControl& other = Form("Other", 380, 80);
  m_hooks->SetMainForm(&main);
  ASSERT_TRUE(ShowActive(main));
  ASSERT_TRUE(ShowActive(other));

  // Answers the box once it is up and notes whose it is.
  auto ownerOfNextBox = [&] {
    struct Seen {
      GtkWindow* owner = nullptr;
      bool found = false;
    } seen;
    const guint poll = g_timeout_add(
        10,
        [](gpointer data) -> gboolean {
          auto& seen = *static_cast<Seen*>(data);
          const platform::GListPtr toplevels(gtk_window_list_toplevels());
          for (GList* item = toplevels.get(); item; item = item->next) {
            if (!GTK_IS_MESSAGE_DIALOG(item->data) || !gtk_widget_get_mapped(GTK_WIDGET(item->data))) continue;
            seen.owner = gtk_window_get_transient_for(GTK_WINDOW(item->data));
            seen.found = true;
            gtk_dialog_response(GTK_DIALOG(item->data), platform::IDOK);
            return G_SOURCE_REMOVE;
          }
          return G_SOURCE_CONTINUE;
        },
        &seen);
    platform::GtkDialogService service;
    EXPECT_EQ(service.MessageBox("Text", "Caption", 0), platform::IDOK);
    if (!seen.found) g_source_remove(poll);
    EXPECT_TRUE(seen.found);
    return seen.owner;
  };

  EXPECT_EQ(ownerOfNextBox(), WindowOf(other)) << "our active window, not the main form";
  ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(WindowOf(other)); }));

  OtherProgram program;
  ASSERT_NE(program.WaitActive(), 0UL);
  ASSERT_TRUE(RunUntil([&] { return !platform::GtkApplicationActivation::AnyWindowActive(); }));
  EXPECT_EQ(ownerOfNextBox(), WindowOf(main)) << "none of ours is active: the main window";
}

// --- Cursor and pointer state ---------------------------------------------------------------

TEST_F(ApplicationUiTest, TheCursorGoesOnEveryTopLevelAndThePointerStateIsRead) {
  platform::TWinControl& first = Form("First", 60, 80);
  platform::TWinControl& second = Form("Second", 360, 80);
  second.Show();
  second.HandleNeeded();
  ASSERT_TRUE(ShowActive(first));
  auto cursorOf = [&](platform::TWinControl& form) {
    return gdk_window_get_cursor(gtk_widget_get_window(GTK_WIDGET(WindowOf(form))));
  };
  m_ui->SetCursor(crHourGlass);
  EXPECT_NE(cursorOf(first), nullptr);
  EXPECT_NE(cursorOf(second), nullptr);
  m_ui->SetCursor(crDefault);
  EXPECT_EQ(cursorOf(first), nullptr);
  EXPECT_EQ(cursorOf(second), nullptr);

  // Real keys and buttons, held over our own window.
  int x = 0;
  int y = 0;
  gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(WindowOf(first))), &x, &y);
  testing::PointerMoveTo(x + 100, y + 90);
  struct Held {
    std::vector<unsigned long> keys;
    unsigned button;
    std::uint32_t shift;
    std::uint32_t buttons;
  };
  const Held cases[] = {
      {{XK_Shift_L}, 0, 1, 0},
      {{XK_Control_L}, 0, 2, 0},
      {{XK_Alt_L}, 0, 4, 0},
      {{XK_Shift_L, XK_Control_L}, 0, 3, 0},
      {{}, 1, 0, 1},
      {{XK_Control_L}, 1, 2, 1},
  };
  for (const Held& held : cases) {
    for (unsigned long key : held.keys) testing::KeyDown(key);
    if (held.button) testing::PointerPress(held.button);
    EXPECT_TRUE(RunUntil([&] { return m_ui->ShiftState() == held.shift && m_ui->ButtonState() == held.buttons; }))
        << "expected shift " << held.shift << " buttons " << held.buttons << ", read " << m_ui->ShiftState() << " "
        << m_ui->ButtonState();
    if (held.button) testing::PointerRelease(held.button);
    for (unsigned long key : held.keys) testing::KeyUp(key);
    ASSERT_TRUE(RunUntil([&] { return m_ui->ShiftState() == 0 && m_ui->ButtonState() == 0; }));
  }
}

TEST(ApplicationUiState, OneButtonIsReportedTheLeftBeforeTheRightBeforeTheMiddle) {
  struct Case {
    unsigned mask;
    std::uint32_t button;
  };
  const Case cases[] = {
      {0, 0},
      {GDK_BUTTON1_MASK, 1},
      {GDK_BUTTON3_MASK, 2},
      {GDK_BUTTON2_MASK, 4},
      {GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK, 1},
      {GDK_BUTTON2_MASK | GDK_BUTTON3_MASK, 2},
      {GDK_SHIFT_MASK | GDK_BUTTON4_MASK, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TGtkApplicationUi::ButtonStateOf(static_cast<GdkModifierType>(c.mask)), c.button) << "mask " << c.mask;
  EXPECT_EQ(TGtkApplicationUi::ShiftStateOf(static_cast<GdkModifierType>(GDK_MOD1_MASK | GDK_SHIFT_MASK |
                                                                         GDK_BUTTON1_MASK | GDK_MOD4_MASK)),
            5U)
      << "Alt and Shift only; buttons and the other modifiers are not passed";
}

}  // namespace
}  // namespace halbrin::formgtktest
