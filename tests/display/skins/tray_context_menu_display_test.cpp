// The tray icon's context menu on GTK while another X client holds the
// pointer grab, as a panel may when it asks for the menu over D-Bus: the
// "contextpopup" event fires once, the popup returns at once, no menu is left
// mapped and nothing is clicked; with the grab gone the same request shows
// the menu.

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "components/shell/tray_notifier_ex.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/color.h"
#include "platform/graphics/popup_menu.h"
#include "skin_display_support.h"
#include "skins/gtk/gtk_popup_menu_presenter.h"
#include "support/main_context_wait.h"
#include "support/x_input.h"
#include "support/x_windows.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::skins {
namespace {

using namespace std::chrono_literals;
using framework_test::ScriptCall;
using framework_test::TRecordingHooks;
using platform::TMenuItem;
using platform::TObject;
using platform::TPopupMenu;
using platform::Variant;
using testing::RunUntil;

// A host that shows the icon at once; the test makes its calls through the sink.
struct HostTray : platform::ITrayIconService {
  explicit HostTray(platform::ITrayIconSink& sink) : sink(sink) {}
  void SetContent(const platform::TrayIconContent&) override {}
  void Show() override {
    shown = true;
    sink.ShownChanged(true);
  }
  void Hide() override { shown = false; }
  bool Shown() const override { return shown; }
  platform::ITrayIconSink& sink;
  bool shown = false;
};

struct TMenuRecorder : TObject {
  HALBRIN_CLASS(TMenuRecorder, TObject)
  std::vector<std::string> clicked;
  void Measure(TObject*, platform::ICanvas&, int& width, int& height) {
    width = 100;
    height = 20;
  }
  void Draw(TObject*, platform::ICanvas& canvas, platform::TRect rect, bool selected) {
    canvas.FillRect(rect, selected ? platform::RGBColor(0, 0xC0, 0) : platform::RGBColor(0x30, 0x60, 0x90));
  }
  void Clicked(TObject* sender) { clicked.push_back(static_cast<TMenuItem*>(sender)->Caption()); }
};

HALBRIN_DEFINE_CLASS(TMenuRecorder, )

// Watches one request for the menu from inside the popup's loop: notes a
// mapped menu and closes it with Escape; a menu that neither maps nor
// returns within the limit is closed so a failing case ends.
class MenuWatch {
 public:
  explicit MenuWatch(GtkPopupMenuPresenter& presenter) : m_presenter(presenter) {
    m_tick = g_timeout_add(20, Tick, this);
    m_limit = g_timeout_add(10000, Limit, this);
  }
  ~MenuWatch() {
    if (m_tick) g_source_remove(m_tick);
    if (m_limit) g_source_remove(m_limit);
  }
  MenuWatch(const MenuWatch&) = delete;
  MenuWatch& operator=(const MenuWatch&) = delete;

  bool Shown() const noexcept { return m_shown; }
  bool TimedOut() const noexcept { return m_timedOut; }

 private:
  static gboolean Tick(gpointer data) {
    auto& self = *static_cast<MenuWatch*>(data);
    GtkWidget* menu = self.m_presenter.OpenMenu();
    if (!menu || !gtk_widget_get_mapped(menu)) return G_SOURCE_CONTINUE;
    self.m_tick = 0;
    self.m_shown = true;
    testing::KeyTap(XK_Escape);
    return G_SOURCE_REMOVE;
  }
  static gboolean Limit(gpointer data) {
    auto& self = *static_cast<MenuWatch*>(data);
    self.m_limit = 0;
    self.m_timedOut = true;
    self.m_presenter.Close();
    return G_SOURCE_REMOVE;
  }

  GtkPopupMenuPresenter& m_presenter;
  guint m_tick = 0;
  guint m_limit = 0;
  bool m_shown = false;
  bool m_timedOut = false;
};

class TrayContextMenuDisplayTest : public skintest::SkinDisplayTest {
 protected:
  void SetUp() override {
    skintest::SkinDisplayTest::SetUp();
    if (HasFatalFailure()) return;
    menu = &platform::MakeComponent<TPopupMenu>(hooks.root);
    menu->SetName("trayMenu");
    for (const char* caption : {"Show", "Quit"}) {
      TMenuItem& item = menu->Items().Add(std::make_unique<TMenuItem>());
      item.SetCaption(caption);
      item.OnMeasureItem().Bind(recorder, &TMenuRecorder::Measure);
      item.OnDrawItem().Bind(recorder, &TMenuRecorder::Draw);
      item.OnClick().Bind(recorder, &TMenuRecorder::Clicked);
    }
    tray = &platform::MakeComponent<TTrayNotifierEx>(hooks.root);
    tray->SetName("tray");
    for (const char* event : {"onmousedown", "onmouseup", "oncontextpopup", "onclick"})
      tray->GetEvents()->AttachEvent(event).SetXml(std::string(event).substr(2));
    tray->SetPopupMenu(menu);
    tray->SetActive(true);
    ASSERT_TRUE(tray->Active());
    ASSERT_NE(host, nullptr);
  }
  void TearDown() override { DropAsyncScriptEvents(); }

  std::vector<std::string> Fired() const {
    std::vector<std::string> names;
    for (const ScriptCall& call : hooks.calls) names.push_back(call.procedure);
    return names;
  }
  // Lets a click the closed menu posted run.
  void RunPostedClick() { RunUntil([&] { return !recorder.clicked.empty(); }, 300ms); }

  TRecordingHooks hooks;
  ScopedApplicationHooks hooksScope{hooks};
  GtkPopupMenuPresenter presenter;
  platform::ScopedPopupMenuPresenter presenterScope{presenter};
  HostTray* host = nullptr;
  platform::ScopedTrayIconServiceFactory trayScope{[this](platform::ITrayIconSink& sink) {
    auto made = std::make_unique<HostTray>(sink);
    host = made.get();
    return made;
  }};
  platform::ScopedNotificationServiceFactory balloonScope{
      [](platform::INotificationSink&, const std::string&) -> std::unique_ptr<platform::INotificationService> {
        return nullptr;
      }};
  TMenuRecorder recorder;
  TPopupMenu* menu = nullptr;
  TTrayNotifierEx* tray = nullptr;
};

TEST_F(TrayContextMenuDisplayTest, ContextMenuWhileAnotherClientHoldsThePointerLeavesNoMenu) {
  auto grab = std::make_unique<testing::ForeignPointerGrab>();
  ASSERT_TRUE(grab->Held());
  hooks.calls.clear();
  {
    MenuWatch watch(presenter);
    host->sink.ContextMenu(300, 200);
    EXPECT_FALSE(watch.TimedOut()) << "the popup waited for a menu GTK had dropped";
    EXPECT_FALSE(watch.Shown()) << "a menu without a grab was shown";
  }
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "contextpopup"}));
  for (const ScriptCall& call : hooks.calls) {
    if (call.procedure == "contextpopup") {
      EXPECT_EQ(call.parameters, Variant(platform::VariantArray({Variant("tray"), Variant(300), Variant(200)})));
    }
  }
  EXPECT_EQ(menu->PopupComponent(), tray);
  EXPECT_EQ(presenter.OpenMenu(), nullptr);
  EXPECT_FALSE(TPopupMenu::AnyOpen());
  EXPECT_TRUE(testing::MappedPopupMenus().empty()) << "a menu window is left on the screen";
  grab.reset();
  RunPostedClick();
  EXPECT_TRUE(recorder.clicked.empty());
  EXPECT_TRUE(tray->Active()) << "the icon stays";

  // With the grab gone the same request shows the menu (on a busy server the
  // released grab may take a moment to be seen).
  bool shown = false;
  for (int attempt = 0; attempt < 10 && !shown; ++attempt) {
    hooks.calls.clear();
    MenuWatch watch(presenter);
    host->sink.ContextMenu(300, 200);
    shown = watch.Shown();
    EXPECT_FALSE(watch.TimedOut());
    if (!shown) RunUntil([] { return false; }, 100ms);
  }
  EXPECT_TRUE(shown);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "contextpopup"}));
  EXPECT_TRUE(testing::MappedPopupMenus().empty() ||
              testing::WaitUntil([] { return testing::MappedPopupMenus().empty(); }));
  RunPostedClick();
  EXPECT_TRUE(recorder.clicked.empty()) << "Escape chose nothing";
}

TEST_F(TrayContextMenuDisplayTest, HandledContextPopupWhileGrabbedShowsNoMenuAndReturns) {
  hooks.answer = [](const ScriptCall& call) { return call.procedure == "contextpopup" ? Variant(true) : Variant(); };
  auto grab = std::make_unique<testing::ForeignPointerGrab>();
  ASSERT_TRUE(grab->Held());
  MenuWatch watch(presenter);
  host->sink.ContextMenu(40, 50);
  EXPECT_FALSE(watch.TimedOut());
  EXPECT_FALSE(watch.Shown());
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "contextpopup"}));
  EXPECT_EQ(menu->PopupComponent(), nullptr) << "a handled request leaves the menu alone";
  EXPECT_TRUE(testing::MappedPopupMenus().empty());
}

}  // namespace
}  // namespace halbrin::skins
