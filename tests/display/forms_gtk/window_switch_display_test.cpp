// The window switch over real windows: a visibility group of three frames in
// a form, and a z-order group of two top-level forms, stacked by X without a
// window manager (read with XQueryTree) and by openbox (read through
// gdk_screen_get_window_stack).

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "components/forms/form_ex.h"
#include "components/forms/frame_ex.h"
#include "core/framework/script_events.h"
#include "core/framework/window_switch.h"
#include "platform/ui/application_window.h"
#include "forms_gtk_display_support.h"

// Last: Xlib's macros would clash with names above.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace halbrin::formgtktest {
namespace {

using platform::MakeComponent;
using platform::Variant;

std::string Text(const Variant& value) {
  if (!value.IsArray()) return value.ToText();
  std::string text;
  for (const Variant& item : value.AsArray().Items()) text += (text.empty() ? "" : ",") + item.ToText();
  return text;
}

// Hooks that write each script call down as "procedure(eventData)".
class ScriptCallHooks final : public IApplicationHooks {
 public:
  Variant RunScriptProcedure(std::string_view, const std::string& procedure, const Variant& parameters,
                             int) override {
    calls.push_back(procedure + "(" + Text(parameters) + ")");
    return {};
  }
  void HandleException(platform::TObject*, const std::exception& error) override { errors.push_back(error.what()); }

  std::vector<std::string> calls;
  std::vector<std::string> errors;
};

// Forms over the GTK backend, each case with its own hooks and owner.
class SwitchedWindows {
 public:
  SwitchedWindows() { m_owner = std::make_unique<platform::TComponent>(); }
  ~SwitchedWindows() {
    m_owner.reset();
    m_backendScope.reset();
    m_backend.reset();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }

  TFormEx& Form(const std::string& name, int left, int top) {
    auto& form = MakeComponent<TFormEx>(*m_owner);
    form.SetName(name);
    form.SetText(name);
    form.SetBounds(left, top, 300, 220);
    return form;
  }
  TWindowSwitch& Group(const std::string& name) {
    auto& group = MakeComponent<TWindowSwitch>(*m_owner);
    group.SetName(name);
    return group;
  }
  static TWindowSwitch& Switch(TWindowSwitch& group, const std::string& name, platform::TWinControl& control,
                               TWindowSwitchType type) {
    auto& item = MakeComponent<TWindowSwitch>(group);
    item.SetName(name);
    item.SetSwitchType(type);
    item.SetComponent(&control);
    return item;
  }
  static void Bind(IScriptEventSource& source, std::initializer_list<const char*> events) {
    for (const char* event : events) source.GetEvents()->AttachEvent(event).SetXml(std::string(event).substr(2));
  }

  // Shows the form and waits until its window is mapped.
  bool ShowMapped(platform::TWinControl& form) {
    form.Show();
    form.HandleNeeded();
    GtkWidget* widget = GTK_WIDGET(Window(form));
    return RunUntil([&] { return gtk_widget_get_mapped(widget) != FALSE; });
  }
  GtkWindow* Window(const platform::TWinControl& form) const { return m_backend->TopLevelWindow(form.Window()); }
  GtkWidget* Frame(const platform::TWinControl& control) const {
    return GTK_WIDGET(m_backend->Frame(control.Window()));
  }
  unsigned long Xid(const platform::TWinControl& form) const {
    return static_cast<unsigned long>(platform::X11WindowId(Window(form)));
  }

  ScriptCallHooks hooks;

 private:
  ScopedApplicationHooks m_hooksScope{hooks};
  std::optional<platform::GtkControlBackend> m_backend{std::in_place};
  std::optional<platform::ScopedControlBackend> m_backendScope{std::in_place, *m_backend};
  std::unique_ptr<platform::TComponent> m_owner;
};

// The names of `windows` in the order of `stack` (bottom to top); windows
// missing from it are left out.
std::vector<std::string> Order(const std::vector<unsigned long>& stack,
                               const std::vector<std::pair<unsigned long, std::string>>& windows) {
  std::vector<std::string> names;
  for (unsigned long xid : stack)
    for (const auto& [window, name] : windows)
      if (window == xid) names.push_back(name);
  return names;
}

// The root's children, bottom to top, as X holds them (no window manager).
std::vector<unsigned long> RootChildren() {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  ::Window root = 0;
  ::Window parent = 0;
  ::Window* children = nullptr;
  unsigned int count = 0;
  std::vector<unsigned long> list;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    list.assign(children, children + count);
    if (children) XFree(children);
  }
  return list;
}

// The window manager's stacking of managed windows, bottom to top.
std::vector<unsigned long> ManagedStack() {
  std::vector<unsigned long> list;
  GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
  for (GList* item = stack; item; item = item->next) {
    list.push_back(gdk_x11_window_get_xid(GDK_WINDOW(item->data)));
    g_object_unref(item->data);
  }
  g_list_free(stack);
  return list;
}

// Cases without a window manager: X restacks at once.
class WindowSwitchDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::InitGtk()) << "no display could be opened; run display tests under xvfb-run";
    if (testing::WindowManagerRunning()) GTEST_SKIP() << "a window manager runs on this display";
    m_windows.emplace();
  }
  void TearDown() override { m_windows.reset(); }

  std::optional<SwitchedWindows> m_windows;
};

TEST_F(WindowSwitchDisplayTest, AVisibilityGroupShowsOneFrameOfTheFormAndHidesTheOthers) {
  SwitchedWindows& w = *m_windows;
  TFormEx& form = w.Form("Main", 40, 40);
  TFrameEx* frames[3] = {};
  const char* names[] = {"Home", "Search", "Help"};
  for (int i = 0; i < 3; ++i) {
    frames[i] = &MakeComponent<TFrameEx>(form);
    frames[i]->SetName(names[i]);
    frames[i]->SetParent(&form);
    frames[i]->SetBounds(0, 0, 300, 220);
    SwitchedWindows::Bind(*frames[i], {"onshow", "onhide"});
  }
  frames[0]->Show();
  ASSERT_TRUE(w.ShowMapped(form));
  TWindowSwitch& group = w.Group("Pages");
  TWindowSwitch* switches[3] = {};
  for (int i = 0; i < 3; ++i) {
    switches[i] = &SwitchedWindows::Switch(group, std::string("To") + names[i], *frames[i], wstVisibility);
    SwitchedWindows::Bind(*switches[i], {"onbeforeactivate", "ondeactivate", "onactivate"});
  }
  auto mapped = [&](int i) { return gtk_widget_get_mapped(w.Frame(*frames[i])) != FALSE; };
  ASSERT_TRUE(RunUntil([&] { return mapped(0) && !mapped(1) && !mapped(2); }));
  ASSERT_EQ(group.ActiveName(), "Home");
  w.hooks.calls.clear();

  switches[1]->SetActive(true);

  EXPECT_TRUE(RunUntil([&] { return !mapped(0) && mapped(1) && !mapped(2); })) << "only Search is on the screen";
  EXPECT_EQ(group.ActiveIndex(), 0);
  EXPECT_EQ(group.ActiveName(), "Search");
  EXPECT_EQ(w.hooks.calls, (std::vector<std::string>{"beforeactivate(ToSearch)", "hide(Home)", "deactivate(ToHome)",
                                                     "show(Search,True)", "activate(ToSearch)"}))
      << "the frames fire their own hide and (first) show in between";

  w.hooks.calls.clear();
  group.SetActiveName("HELP");
  EXPECT_TRUE(RunUntil([&] { return !mapped(0) && !mapped(1) && mapped(2); }));
  EXPECT_EQ(group.ActiveSwitch(), switches[2]);
  EXPECT_EQ(w.hooks.calls.front(), "beforeactivate(ToHelp)");
  EXPECT_TRUE(w.hooks.errors.empty());
}

TEST_F(WindowSwitchDisplayTest, AZOrderGroupRaisesTheFormItActivates) {
  SwitchedWindows& w = *m_windows;
  TFormEx& first = w.Form("First", 60, 60);
  TFormEx& second = w.Form("Second", 160, 120);
  ASSERT_TRUE(w.ShowMapped(first));
  ASSERT_TRUE(w.ShowMapped(second));
  const std::vector<std::pair<unsigned long, std::string>> windows = {{w.Xid(first), "First"},
                                                                      {w.Xid(second), "Second"}};
  ASSERT_EQ(Order(RootChildren(), windows), (std::vector<std::string>{"First", "Second"}));
  TWindowSwitch& group = w.Group("Windows");
  TWindowSwitch& toFirst = SwitchedWindows::Switch(group, "ToFirst", first, wstZOrder);
  TWindowSwitch& toSecond = SwitchedWindows::Switch(group, "ToSecond", second, wstZOrder);
  ASSERT_TRUE(toFirst.Active()) << "index 0 is the active one, whatever the screen shows";

  toFirst.SetActive(true);
  EXPECT_EQ(Order(RootChildren(), windows), (std::vector<std::string>{"Second", "First"}));

  toSecond.SetActive(true);
  EXPECT_EQ(Order(RootChildren(), windows), (std::vector<std::string>{"First", "Second"}));
  EXPECT_EQ(group.ActiveName(), "Second");

  toSecond.SetActive(false);
  EXPECT_EQ(Order(RootChildren(), windows), (std::vector<std::string>{"Second", "First"}))
      << "deactivating hands the front to the other";
  EXPECT_EQ(group.ActiveSwitch(), &toFirst);
}

// The same under openbox: the manager restacks, GDK reads its stacking list.
class WindowSwitchManagedDisplayTest : public testing::WindowManagerTest {
 protected:
  void SetUp() override {
    testing::WindowManagerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(platform::InitGtk()) << "no display could be opened; run display tests under xvfb-run";
    m_windows.emplace();
  }
  void TearDown() override {
    m_windows.reset();
    testing::WindowManagerTest::TearDown();
  }

  std::optional<SwitchedWindows> m_windows;
};

TEST_F(WindowSwitchManagedDisplayTest, AZOrderGroupRaisesTheFormItActivates) {
  SwitchedWindows& w = *m_windows;
  TFormEx& first = w.Form("First", 60, 60);
  TFormEx& second = w.Form("Second", 160, 120);
  ASSERT_TRUE(w.ShowMapped(first));
  ASSERT_TRUE(w.ShowMapped(second));
  const std::vector<std::pair<unsigned long, std::string>> windows = {{w.Xid(first), "First"},
                                                                      {w.Xid(second), "Second"}};
  auto stackedAs = [&](std::vector<std::string> expected) {
    return RunUntil([&] { return Order(ManagedStack(), windows) == expected; });
  };
  ASSERT_TRUE(stackedAs({"First", "Second"})) << "both managed, the later on top";
  TWindowSwitch& group = w.Group("Windows");
  TWindowSwitch& toFirst = SwitchedWindows::Switch(group, "ToFirst", first, wstZOrder);
  TWindowSwitch& toSecond = SwitchedWindows::Switch(group, "ToSecond", second, wstZOrder);

  toFirst.SetActive(true);
  EXPECT_TRUE(stackedAs({"Second", "First"})) << "openbox raised First";

  toSecond.SetActive(true);
  EXPECT_TRUE(stackedAs({"First", "Second"})) << "openbox raised Second";
  EXPECT_EQ(group.ActiveName(), "Second");
}

}  // namespace
}  // namespace halbrin::formgtktest
