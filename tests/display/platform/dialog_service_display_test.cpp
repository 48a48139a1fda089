#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "platform/base/glib_ptr.h"
#include "platform/services/dialog_service.h"
#include "platform/ui/gtk_dialog_service.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"

namespace halbrin::platform {
namespace {

using namespace std::chrono_literals;

// Generous: under Xvfb and the sanitizers mapping a box can take seconds.
constexpr auto kWaitLimit = 20s;

// Sets (or, with nullopt, unsets) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    if (m_old)
      setenv(m_name, m_old->c_str(), 1);
    else
      unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

// A timeout source removed when the object goes, unless it already ended.
class ScopedTimeout {
 public:
  ScopedTimeout(guint intervalMs, std::function<bool()> tick) : m_tick(std::move(tick)) {
    m_id = g_timeout_add(intervalMs, &ScopedTimeout::OnTick, this);
  }
  ScopedTimeout(const ScopedTimeout&) = delete;
  ScopedTimeout& operator=(const ScopedTimeout&) = delete;
  ~ScopedTimeout() {
    if (m_id) g_source_remove(m_id);
  }

 private:
  // tick() returns true to keep ticking.
  static gboolean OnTick(gpointer self) {
    auto* timeout = static_cast<ScopedTimeout*>(self);
    if (timeout->m_tick()) return G_SOURCE_CONTINUE;
    timeout->m_id = 0;
    return G_SOURCE_REMOVE;
  }

  std::function<bool()> m_tick;
  guint m_id = 0;
};

// The message boxes GTK currently lists, shown or not.
std::vector<GtkWidget*> MessageDialogs() {
  std::vector<GtkWidget*> found;
  const GListPtr toplevels(gtk_window_list_toplevels());
  for (GList* item = toplevels.get(); item; item = item->next)
    if (GTK_IS_MESSAGE_DIALOG(item->data)) found.push_back(GTK_WIDGET(item->data));
  return found;
}

GtkWidget* MappedMessageDialog() {
  for (GtkWidget* dialog : MessageDialogs())
    if (gtk_widget_get_mapped(dialog)) return dialog;
  return nullptr;
}

// What became of one box shown through the probe.
struct ProbeResult {
  int answer = -1;
  bool seen = false;      // the box was mapped and handed to the action
  bool timedOut = false;  // nothing came, or the box stayed up: it was destroyed
};

// Calls service.MessageBox and, once the box is mapped, hands it to `act`
// from a timeout source inside the box's own loop. `act` must make the box
// respond (click a button, close it); if the box is still up when the time is
// over, it is destroyed so the case fails instead of hanging. The source goes
// with MessageBox's return.
ProbeResult ShowAndAct(IDialogService& service, const std::string& text, const std::string& caption,
                       std::uint32_t flags, const std::function<void(GtkDialog*)>& act) {
  ProbeResult result;
  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  ScopedTimeout probe(10, [&] {
    if (!result.seen) {
      if (GtkWidget* dialog = MappedMessageDialog()) {
        result.seen = true;
        act(GTK_DIALOG(dialog));
        return true;  // wait for the answer to end the box
      }
    }
    if (std::chrono::steady_clock::now() < deadline) return true;
    result.timedOut = true;
    for (GtkWidget* lingering : MessageDialogs()) gtk_widget_destroy(lingering);
    return false;
  });
  result.answer = service.MessageBox(text, caption, flags);
  return result;
}

std::string StringProperty(gpointer object, const char* name) {
  gchar* raw = nullptr;
  g_object_get(object, name, &raw, nullptr);
  const GCharPtr value(raw);
  return value ? value.get() : "";
}

// The dialog's buttons in the order they are shown.
std::vector<GtkWidget*> Buttons(GtkDialog* dialog, int anyResponse) {
  std::vector<GtkWidget*> buttons;
  GtkWidget* button = gtk_dialog_get_widget_for_response(dialog, anyResponse);
  if (!button) return buttons;
  const GListPtr children(gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(button))));
  for (GList* item = children.get(); item; item = item->next)
    if (GTK_IS_BUTTON(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data)))
      buttons.push_back(GTK_WIDGET(item->data));
  return buttons;
}

std::string ButtonText(GtkWidget* button) {
  const char* label = gtk_button_get_label(GTK_BUTTON(button));
  return label ? label : "";
}

class DialogDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitGtk()) << "no display could be opened; run display tests under xvfb-run";
  }
  void TearDown() override {
    EXPECT_TRUE(MessageDialogs().empty()) << "a box was left in GTK's top-level list";
  }

  GtkDialogService m_service;
};

// --- Answering a box ---------------------------------------------------------

TEST_F(DialogDisplayTest, YesNoCancelShowsCaptionTextAndButtonsAndAnswersTheClickedOne) {
  const std::uint32_t flags = MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2;
  const ProbeResult result = ShowAndAct(m_service, "Save the changes to \"report.txt\"?", "Halbrin Lite", flags,
                                        [](GtkDialog* dialog) {
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Halbrin Lite");
    EXPECT_EQ(StringProperty(dialog, "text"), "Save the changes to \"report.txt\"?");
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));

    const std::vector<GtkWidget*> buttons = Buttons(dialog, IDYES);
    ASSERT_EQ(buttons.size(), 3U);
    EXPECT_EQ(ButtonText(buttons[0]), "_Yes");
    EXPECT_EQ(ButtonText(buttons[1]), "_No");
    EXPECT_EQ(ButtonText(buttons[2]), "_Cancel");
    EXPECT_EQ(gtk_dialog_get_widget_for_response(dialog, IDNO), buttons[1]);
    // Enter and Space both answer the second button.
    EXPECT_TRUE(gtk_widget_has_default(buttons[1]));
    EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(dialog)), buttons[1]);

    gtk_button_clicked(GTK_BUTTON(buttons[1]));
  });
  EXPECT_TRUE(result.seen);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.answer, IDNO);
}

struct ButtonSetCase {
  const char* name;
  std::uint32_t flags;
  std::vector<std::string> labels;
  std::size_t defaultIndex;  // where focus and the default land
  std::size_t clickIndex;
  int expected;
};

void PrintTo(const ButtonSetCase& c, std::ostream* out) { *out << c.name; }

class ButtonSetTest : public DialogDisplayTest, public ::testing::WithParamInterface<ButtonSetCase> {};

TEST_P(ButtonSetTest, ShowsTheSetInOrderWithItsDefaultAndAnswersEachButton) {
  const ButtonSetCase& c = GetParam();
  const std::vector<int> results = MessageBoxStyle::Decode(c.flags).ButtonResults();
  const ProbeResult result = ShowAndAct(m_service, "text", "caption", c.flags, [&](GtkDialog* dialog) {
    const std::vector<GtkWidget*> buttons = Buttons(dialog, results.front());
    ASSERT_EQ(buttons.size(), c.labels.size());
    std::set<guint> mnemonics;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_EQ(ButtonText(buttons[i]), c.labels[i]) << "button " << i;
      EXPECT_EQ(gtk_dialog_get_response_for_widget(dialog, buttons[i]), results[i]) << "button " << i;
      GtkWidget* label = gtk_bin_get_child(GTK_BIN(buttons[i]));
      ASSERT_TRUE(GTK_IS_LABEL(label));
      mnemonics.insert(gdk_keyval_to_lower(gtk_label_get_mnemonic_keyval(GTK_LABEL(label))));
    }
    EXPECT_EQ(mnemonics.size(), buttons.size()) << "two buttons share an Alt key";
    EXPECT_TRUE(gtk_widget_has_default(buttons[c.defaultIndex]));
    EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(dialog)), buttons[c.defaultIndex]);
    gtk_button_clicked(GTK_BUTTON(buttons[c.clickIndex]));
  });
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.answer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, ButtonSetTest,
    ::testing::Values(
        ButtonSetCase{"Ok", MB_OK, {"_OK"}, 0, 0, IDOK},
        ButtonSetCase{"OkCancel", MB_OKCANCEL, {"_OK", "_Cancel"}, 0, 1, IDCANCEL},
        ButtonSetCase{"OkCancelDefaultSecond", MB_OKCANCEL | MB_DEFBUTTON2, {"_OK", "_Cancel"}, 1, 0, IDOK},
        ButtonSetCase{"AbortRetryIgnore", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {"_Abort", "_Retry", "_Ignore"}, 2, 0,
                      IDABORT},
        ButtonSetCase{"AbortRetryIgnoreRetry", MB_ABORTRETRYIGNORE, {"_Abort", "_Retry", "_Ignore"}, 0, 1, IDRETRY},
        ButtonSetCase{"AbortRetryIgnoreIgnore", MB_ABORTRETRYIGNORE, {"_Abort", "_Retry", "_Ignore"}, 0, 2, IDIGNORE},
        ButtonSetCase{"YesNoCancelYes", MB_YESNOCANCEL | MB_DEFBUTTON3, {"_Yes", "_No", "_Cancel"}, 2, 0, IDYES},
        ButtonSetCase{"YesNo", MB_YESNO | MB_DEFBUTTON2, {"_Yes", "_No"}, 1, 0, IDYES},
        ButtonSetCase{"RetryCancel", MB_RETRYCANCEL, {"_Retry", "_Cancel"}, 0, 0, IDRETRY},
        ButtonSetCase{"CancelTryContinueTry", MB_CANCELTRYCONTINUE | MB_DEFBUTTON2,
                      {"_Cancel", "_Try Again", "C_ontinue"}, 1, 1, IDTRYAGAIN},
        ButtonSetCase{"CancelTryContinueContinue", MB_CANCELTRYCONTINUE | MB_DEFBUTTON3,
                      {"_Cancel", "_Try Again", "C_ontinue"}, 2, 2, IDCONTINUE},
        // A fourth default names no button of a set of two: the first stays default.
        ButtonSetCase{"DefaultBeyondTheSet", MB_YESNO | MB_DEFBUTTON4, {"_Yes", "_No"}, 0, 1, IDNO}),
    [](const ::testing::TestParamInfo<ButtonSetCase>& info) { return std::string(info.param.name); });

// --- Closing a box instead of answering it -----------------------------------

enum class CloseWay { WindowManager, EscapeKey };

struct CloseCase {
  const char* name;
  std::uint32_t flags;
  int expected;
  bool closeButton;  // the title bar offers a close button
};

void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.name; }

class CloseTest : public DialogDisplayTest,
                  public ::testing::WithParamInterface<std::tuple<CloseCase, CloseWay>> {};

TEST_P(CloseTest, ClosingAnswersCancelOkOrTheDefault) {
  const auto& [c, way] = GetParam();
  const ProbeResult result = ShowAndAct(m_service, "close me", "caption", c.flags, [&](GtkDialog* dialog) {
    EXPECT_EQ(gtk_window_get_deletable(GTK_WINDOW(dialog)) != FALSE, c.closeButton);
    if (way == CloseWay::WindowManager)
      gtk_window_close(GTK_WINDOW(dialog));  // a delete-event, as the close button sends
    else
      g_signal_emit_by_name(dialog, "close");  // what GtkDialog binds Escape to
  });
  EXPECT_TRUE(result.seen);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.answer, c.expected);
  EXPECT_EQ(GtkDialogService::CloseResult(MessageBoxStyle::Decode(c.flags)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, CloseTest,
    ::testing::Combine(
        ::testing::Values(CloseCase{"Ok", MB_OK, IDOK, true},
                          CloseCase{"OkCancelDefaultOk", MB_OKCANCEL, IDCANCEL, true},
                          CloseCase{"AbortRetryIgnoreDefaultRetry", MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY, false},
                          CloseCase{"YesNoCancelDefaultNo", MB_YESNOCANCEL | MB_DEFBUTTON2, IDCANCEL, true},
                          CloseCase{"YesNoDefaultYes", MB_YESNO, IDYES, false},
                          CloseCase{"YesNoDefaultNo", MB_YESNO | MB_DEFBUTTON2, IDNO, false},
                          CloseCase{"RetryCancel", MB_RETRYCANCEL, IDCANCEL, true},
                          CloseCase{"CancelTryContinueDefaultContinue", MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCANCEL,
                                    true}),
        ::testing::Values(CloseWay::WindowManager, CloseWay::EscapeKey)),
    [](const ::testing::TestParamInfo<std::tuple<CloseCase, CloseWay>>& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == CloseWay::WindowManager ? "_DeleteEvent" : "_Escape");
    });

TEST_F(DialogDisplayTest, ABoxDestroyedUnderneathAnswersAsIfClosed) {
  const ProbeResult result = ShowAndAct(m_service, "gone", "caption", MB_YESNO | MB_DEFBUTTON2,
                                        [](GtkDialog* dialog) { gtk_widget_destroy(GTK_WIDGET(dialog)); });
  EXPECT_TRUE(result.seen);
  EXPECT_EQ(result.answer, IDNO);
}

// Runs the default main context until done() holds or the time is up.
bool RunUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  // Wakes the blocking iteration so the deadline is seen without events.
  const ScopedTimeout tick(10, [] { return true; });
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    g_main_context_iteration(nullptr, TRUE);
  }
  return true;
}

// A shown application window that holds the keyboard focus.
class ActiveWindowTest : public DialogDisplayTest {
 protected:
  void SetUp() override {
    DialogDisplayTest::SetUp();
    if (HasFatalFailure()) return;
    m_window = WindowHolder::CreateTopLevel();
    gtk_window_set_title(m_window.Window(), "application window");
    gtk_window_set_default_size(m_window.Window(), 400, 300);
    gtk_widget_show_all(m_window.Widget());
    gtk_window_present(m_window.Window());
    // Without a window manager the X server hands out focus itself.
    if (!RunUntil([&] { return gtk_window_is_active(m_window.Window()) != FALSE; }))
      GTEST_SKIP() << "the X server gave the window no focus";
  }

  WindowHolder m_window;
};

TEST_F(ActiveWindowTest, TheBoxBelongsToTheActiveWindow) {
  GtkWindow* owner = nullptr;
  const ProbeResult result = ShowAndAct(m_service, "owned", "caption", MB_OK, [&](GtkDialog* dialog) {
    owner = gtk_window_get_transient_for(GTK_WINDOW(dialog));
    gtk_dialog_response(dialog, IDOK);
  });
  EXPECT_EQ(result.answer, IDOK);
  EXPECT_EQ(owner, m_window.Window());
}

TEST_F(ActiveWindowTest, ABoxGoesWithItsWindowAndAnswersAsIfClosed) {
  const ProbeResult result = ShowAndAct(m_service, "parent gone", "caption", MB_YESNOCANCEL | MB_DEFBUTTON2,
                                        [&](GtkDialog*) { m_window.Reset(); });
  EXPECT_TRUE(result.seen);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.answer, IDCANCEL);
}

// --- Icon, text and options ---------------------------------------------------

struct IconCase {
  const char* name;
  std::uint32_t flags;
  GtkMessageType type;
};

void PrintTo(const IconCase& c, std::ostream* out) { *out << c.name; }

class IconTest : public DialogDisplayTest, public ::testing::WithParamInterface<IconCase> {};

TEST_P(IconTest, IconFlagsPickTheMessageType) {
  const IconCase& c = GetParam();
  std::optional<GtkMessageType> shown;
  const ProbeResult result = ShowAndAct(m_service, "icon", "caption", c.flags, [&](GtkDialog* dialog) {
    GtkMessageType type = GTK_MESSAGE_OTHER;
    g_object_get(dialog, "message-type", &type, nullptr);
    shown = type;
    gtk_dialog_response(dialog, IDOK);
  });
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(*shown, c.type);
  EXPECT_EQ(result.answer, IDOK);
}

INSTANTIATE_TEST_SUITE_P(
    Icons, IconTest,
    ::testing::Values(IconCase{"None", MB_OK, GTK_MESSAGE_OTHER}, IconCase{"Stop", MB_ICONSTOP, GTK_MESSAGE_ERROR},
                      IconCase{"Question", MB_ICONQUESTION, GTK_MESSAGE_QUESTION},
                      IconCase{"Warning", MB_ICONWARNING, GTK_MESSAGE_WARNING},
                      IconCase{"Information", MB_ICONINFORMATION, GTK_MESSAGE_INFO},
                      // Other bits must not disturb the icon nibble.
                      IconCase{"WarningWithButtonsAndDefault", MB_ICONWARNING | MB_OKCANCEL | MB_DEFBUTTON2 | MB_TOPMOST,
                               GTK_MESSAGE_WARNING}),
    [](const ::testing::TestParamInfo<IconCase>& info) { return std::string(info.param.name); });

TEST_F(DialogDisplayTest, TextIsShownLiterallyAndBrokenUtf8IsRepaired) {
  // Neither printf conversions nor markup may be interpreted; an invalid byte
  // must not blank the label.
  const std::string text = "100% <b>done</b> %s\n\xFF next line";
  const std::string caption = "bad \xC3 caption";
  std::string shownText;
  std::string shownTitle;
  ShowAndAct(m_service, text, caption, MB_OK, [&](GtkDialog* dialog) {
    shownText = StringProperty(dialog, "text");
    shownTitle = gtk_window_get_title(GTK_WINDOW(dialog));
    gtk_dialog_response(dialog, IDOK);
  });
  EXPECT_TRUE(g_utf8_validate(shownText.c_str(), -1, nullptr));
  EXPECT_TRUE(g_utf8_validate(shownTitle.c_str(), -1, nullptr));
  EXPECT_EQ(shownText, "100% <b>done</b> %s\n\xEF\xBF\xBD next line");
  EXPECT_EQ(shownTitle, "bad \xEF\xBF\xBD caption");
}

TEST_F(DialogDisplayTest, RightAndRtlReadingAlignTheMessage) {
  ShowAndAct(m_service, "right", "caption", MB_OK | MB_RIGHT | MB_RTLREADING, [](GtkDialog* dialog) {
    const GListPtr children(
        gtk_container_get_children(GTK_CONTAINER(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog)))));
    ASSERT_NE(children, nullptr);
    GtkLabel* label = GTK_LABEL(children->data);
    EXPECT_FLOAT_EQ(gtk_label_get_xalign(label), 1.0F);
    EXPECT_EQ(gtk_label_get_justify(label), GTK_JUSTIFY_RIGHT);
    EXPECT_EQ(gtk_widget_get_direction(GTK_WIDGET(label)), GTK_TEXT_DIR_RTL);
    gtk_dialog_response(dialog, IDOK);
  });
}

TEST_F(DialogDisplayTest, AnUnknownButtonSetShowsNothingAndAnswersZero) {
  for (const std::uint32_t buttons : {0x7U, 0xFU}) {
    const ProbeResult result =
        ShowAndAct(m_service, "nothing", "caption", buttons, [](GtkDialog* dialog) { gtk_dialog_response(dialog, IDOK); });
    EXPECT_EQ(result.answer, 0) << buttons;
    EXPECT_FALSE(result.seen) << buttons;
  }
}

TEST_F(DialogDisplayTest, ABoxShownFromAHandlerOfTheMainLoopAnswersSynchronously) {
  // The usual case: a script's event handler asks while the application loop runs.
  const GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  struct Context {
    GtkDialogService* service;
    GMainLoop* loop;
    ProbeResult first;
    ProbeResult second;
  } context{&m_service, loop.get(), {}, {}};
  g_idle_add(
      [](gpointer data) -> gboolean {
        auto* ctx = static_cast<Context*>(data);
        ctx->first = ShowAndAct(*ctx->service, "first", "caption", MB_RETRYCANCEL,
                                [](GtkDialog* dialog) { gtk_dialog_response(dialog, IDRETRY); });
        // A box right after another must come up just the same.
        ctx->second = ShowAndAct(*ctx->service, "second", "caption", MB_OKCANCEL,
                                 [](GtkDialog* dialog) { gtk_window_close(GTK_WINDOW(dialog)); });
        g_main_loop_quit(ctx->loop);
        return G_SOURCE_REMOVE;
      },
      &context);
  ScopedTimeout guard(static_cast<guint>(std::chrono::milliseconds(kWaitLimit * 3).count()), [&] {
    g_main_loop_quit(loop.get());
    ADD_FAILURE() << "the handler did not come back";
    return false;
  });
  g_main_loop_run(loop.get());
  EXPECT_EQ(context.first.answer, IDRETRY);
  EXPECT_EQ(context.second.answer, IDCANCEL);
  EXPECT_FALSE(context.first.timedOut);
  EXPECT_FALSE(context.second.timedOut);
}

// --- Installing the service ---------------------------------------------------

TEST_F(DialogDisplayTest, TheScopeInstallsTheGtkServiceWithADisplayAndRestoresTheOldOne) {
  const ScopedEnv env("HALBRIN_HEADLESS_DIALOGS", std::nullopt);
  IDialogService* before = &CurrentDialogService();
  {
    const GtkDialogServiceScope scope;
    EXPECT_TRUE(scope.Installed());
    EXPECT_NE(dynamic_cast<GtkDialogService*>(&CurrentDialogService()), nullptr);
    const ProbeResult result = ShowAndAct(CurrentDialogService(), "through the current service", "caption", MB_YESNO,
                                          [](GtkDialog* dialog) { gtk_dialog_response(dialog, IDNO); });
    EXPECT_TRUE(result.seen);
    EXPECT_EQ(result.answer, IDNO);
  }
  EXPECT_EQ(&CurrentDialogService(), before);
}

class ForcedHeadlessTest : public DialogDisplayTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ForcedHeadlessTest, KeepsTheHeadlessServiceEvenWithADisplay) {
  const ScopedEnv env("HALBRIN_HEADLESS_DIALOGS", std::string(GetParam()));
  IDialogService* before = &CurrentDialogService();
  const GtkDialogServiceScope scope;
  EXPECT_FALSE(scope.Installed());
  EXPECT_EQ(&CurrentDialogService(), before);
  EXPECT_EQ(dynamic_cast<GtkDialogService*>(&CurrentDialogService()), nullptr);

  // The headless answer: one line on standard error and the default button,
  // with no box ever shown.
  ::testing::internal::CaptureStderr();
  const ProbeResult result = ShowAndAct(CurrentDialogService(), "Continue?", "Setup", MB_YESNOCANCEL | MB_DEFBUTTON2,
                                        [](GtkDialog* dialog) { gtk_dialog_response(dialog, IDYES); });
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(result.seen);
  EXPECT_EQ(result.answer, IDNO);
  EXPECT_EQ(written, "Setup: Continue?\n");
}

INSTANTIATE_TEST_SUITE_P(Values, ForcedHeadlessTest, ::testing::Values("1", "on"));

TEST(GtkDialogServiceWithoutDisplay, TheScopeKeepsTheHeadlessServiceAndBoxesDoNotWait) {
  // A fresh process: InitGtk keeps its first answer.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("HALBRIN_HEADLESS_DIALOGS");
        IDialogService* before = &CurrentDialogService();
        const GtkDialogServiceScope scope;
        const bool kept = !scope.Installed() && &CurrentDialogService() == before;
        // Used directly, the GTK service falls back to the headless answer.
        GtkDialogService service;
        const bool answered = service.MessageBox("no display", "caption", MB_OKCANCEL | MB_DEFBUTTON2) == IDCANCEL;
        std::exit(kept && answered ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "caption: no display");
}

}  // namespace
}  // namespace halbrin::platform
