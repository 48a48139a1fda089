// Skinned top-level windows on GTK under openbox: the caption the skin
// paints, its buttons, moves by the caption, the system menu, the theme
// library's fills, and the decorations coming back.

#include "skins/gtk/gtk_window_host.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "skins/core/skin_manager.h"
#include "skins/core/skin_theme.h"
#include "skin_display_support.h"
#include "support/main_context_wait.h"
#include "support/test_support.h"
#include "support/window_manager.h"
#include "support/x_input.h"
#include "unit/skins/fixtures/three_button_skin.h"

namespace halbrin::skins {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using skintest::Describe;
using skintest::ScreenPixel;
using platform::TWinControl;
using testing::RunUntil;

constexpr int kCaption = 24;
// Red and blue alike, so the byte order of a colour does not matter.
constexpr std::uint32_t kCaptionColor = 0x208020;
constexpr std::uint32_t kMagenta = 0xFF00FF;

// A real GTK window host that also writes down the commands it carries out
// and the system menus' answers.
class LoggingHost final : public IWindowHost {
 public:
  LoggingHost(std::unique_ptr<TGtkWindowHost> host, std::vector<std::string>& log) : m_host(std::move(host)), m_log(log) {}

  TGtkWindowHost& Inner() const { return *m_host; }

  bool HasWindow() const override { return m_host->HasWindow(); }
  void Detach() override { m_host->Detach(); }
  void RecalcFrame() override { m_host->RecalcFrame(); }
  void InvalidateFrame() override { m_host->InvalidateFrame(); }
  void BeginMove(const TWindowPointer& press) override {
    m_log.push_back("BeginMove");
    m_host->BeginMove(press);
  }
  void BeginResize(TWindowEdge edge, const TWindowPointer& press) override { m_host->BeginResize(edge, press); }
  void Execute(TWindowCommand command) override {
    m_log.push_back("Execute " + std::to_string(static_cast<int>(command)));
    m_host->Execute(command);
  }
  bool IsMaximized() const override { return m_host->IsMaximized(); }
  bool IsMinimized() const override { return m_host->IsMinimized(); }
  void SetCursor(int cursor) override { m_host->SetCursor(cursor); }
  std::optional<TSystemMenuAnswer> ShowSystemMenu(TPoint screen, const TSystemMenuState& state) override {
    auto answer = m_host->ShowSystemMenu(screen, state);
    m_log.push_back(answer ? "Menu chosen" : "Menu cancelled");
    return answer;
  }
  void BringToFront() override { m_host->BringToFront(); }
  TPoint WindowToScreen(TPoint window) const override { return m_host->WindowToScreen(window); }
  TPoint ScreenToWindow(TPoint screen) const override { return m_host->ScreenToWindow(screen); }
  TRect WorkArea() const override { return m_host->WorkArea(); }
  std::unique_ptr<ISkinSurface> CreateSurface(TSize size) override { return m_host->CreateSurface(size); }

 private:
  std::unique_ptr<TGtkWindowHost> m_host;
  std::vector<std::string>& m_log;
};

class LoggingHostFactory final : public IWindowHostFactory {
 public:
  std::unique_ptr<IWindowHost> CreateHost(TWinControl& control, IWindowHostClient& client) override {
    return std::make_unique<LoggingHost>(std::make_unique<TGtkWindowHost>(control, client), log);
  }
  std::vector<std::string> log;
};


// Whether the window manager drew a frame around the window.
bool Decorated(GtkWindow* window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  GdkRectangle extents;
  gdk_window_get_frame_extents(gdkWindow, &extents);
  return extents.width > gdk_window_get_width(gdkWindow) || extents.height > gdk_window_get_height(gdkWindow);
}

class SkinnedWindowTest : public testing::WindowManagerTest {
 protected:
  void SetUp() override {
    testing::WindowManagerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(platform::InitGtk()) << "no display could be opened; run display tests under xvfb-run";
    m_backend.emplace();
    m_backendScope.emplace(*m_backend);
    m_hostScope.emplace(m_hosts);
    m_owner = std::make_unique<platform::TComponent>();

    form = &platform::MakeComponent<TWinControl>(*m_owner);
    form->SetName("Form");
    form->SetText("Halbrin Lite skinned window");
    form->SetBounds(200, 150, 400, 300);
    form->SetWindowTraits({.caption = true, .border = true, .sizable = true, .framed = true, .sysMenu = true,
                           .minBox = true, .maxBox = true});
    skin = &platform::MakeComponent<test::TThreeButtonSkin>(*m_owner);
    skin->SetName("Skin");
    TZebrinSkinCaptionBands& caption = *skin->Caption();
    caption.Add().Metrics()->SetSize(kCaption);
    caption.SetTransparent(false);
    caption.SetThemed(true);
    caption.Metrics()->SetColor(kCaptionColor);
    caption.Metrics()->SetInactiveColor(kCaptionColor);
    // The skin hooks a window that exists (HandleNeeded shows it, the control being visible).
    form->HandleNeeded();
    skin->SetControl(form);
    skin->SetEnabled(true);
  }

  void TearDown() override {
    m_owner.reset();
    FreeSkinManager();
    m_hostScope.reset();
    m_backendScope.reset();
    m_backend.reset();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    testing::WindowManagerTest::TearDown();
  }

  GtkWindow* Window() const { return m_backend->TopLevelWindow(form->Window()); }
  GtkWidget* Frame() const { return GTK_WIDGET(m_backend->Frame(form->Window())); }
  TGtkWindowHost& Host() const { return static_cast<LoggingHost*>(skin->Host())->Inner(); }
  const std::vector<std::string>& Log() const { return m_hosts.log; }
  bool Logged(const std::string& line) const { return std::find(Log().begin(), Log().end(), line) != Log().end(); }

  // Shows the form active on top and waits until the skin's caption is on the screen.
  void ShowSkinned() {
    gtk_window_present(Window());
    ASSERT_TRUE(RunUntil([&] { return form->Active() && gtk_widget_get_mapped(Frame()); })) << "never shown and active";
    ASSERT_TRUE(RunUntil([&] { return ScreenPixel(CaptionPoint().X, CaptionPoint().Y) == kCaptionColor; }))
        << "the caption shows " << std::hex << ScreenPixel(CaptionPoint().X, CaptionPoint().Y) << std::dec
        << " at " << CaptionPoint().X << "," << CaptionPoint().Y << "; caption " << Describe(skin->Caption()->BoundsRect())
        << ", margins " << Describe(form->NonClientMargins()) << ", frame " << gtk_widget_get_allocated_width(Frame())
        << "x" << gtk_widget_get_allocated_height(Frame());
  }
  // Screen points of the frame.
  TPoint Screen(TPoint window) const { return Host().WindowToScreen(window); }
  // A point of the caption's background, clear of text and buttons.
  TPoint CaptionPoint() const {
    const TRect area = skin->Caption()->BoundsRect();
    return Screen(TPoint{area.Left + area.Width() / 2, area.Top + 2});
  }
  TRect ButtonRect(TZebrinSkinButtonStyle style) const {
    for (int i = 0; i < skin->Buttons()->Count(); ++i)
      if (skin->Buttons()->Items(i)->Style() == style) return skin->Buttons()->Items(i)->BoundsRect();
    ADD_FAILURE() << "no button of style " << style;
    return TRect{};
  }
  TPoint ButtonCenter(TZebrinSkinButtonStyle style) const {
    const TRect r = ButtonRect(style);
    return Screen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }
  void Spin(std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    RunUntil([&] { return std::chrono::steady_clock::now() >= until; });
  }

  TWinControl* form = nullptr;
  test::TThreeButtonSkin* skin = nullptr;

 private:
  std::optional<platform::GtkControlBackend> m_backend;
  std::optional<platform::ScopedControlBackend> m_backendScope;
  LoggingHostFactory m_hosts;
  std::optional<ScopedWindowHostFactory> m_hostScope;
  std::unique_ptr<platform::TComponent> m_owner;
};

TEST_F(SkinnedWindowTest, ShowsTheSkinnedCaptionWithItsButtonsInsteadOfTheDecorations) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_FALSE(gtk_window_get_decorated(Window()));
  ASSERT_TRUE(RunUntil([&] { return !Decorated(Window()); })) << "openbox still frames the skinned window";
  // The margins are the skin's: the caption on top of the frame strip.
  const int inset = SkinManager()->Metrics().frameInset;
  EXPECT_EQ(form->NonClientMargins(), (platform::TRect{inset, inset + kCaption, inset, inset}));

  // Each window button shows its glyph on the caption.
  for (TZebrinSkinButtonStyle style : {btsClose, btsMaximize, btsMinimize}) {
    SCOPED_TRACE(style);
    const TRect r = ButtonRect(style);
    ASSERT_FALSE(r.IsEmpty());
    const TPoint origin = Screen(TPoint{r.Left, r.Top});
    int glyph = 0;
    for (int y = 0; y < r.Height(); ++y)
      for (int x = 0; x < r.Width(); ++x)
        if (ScreenPixel(origin.X + x, origin.Y + y) != kCaptionColor) ++glyph;
    EXPECT_GT(glyph, 4) << "nothing drawn at the button";
  }
}

TEST_F(SkinnedWindowTest, TheCloseButtonClosesTheWindow) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  const TPoint close = ButtonCenter(btsClose);
  testing::PointerClick(close.X, close.Y);
  ASSERT_TRUE(RunUntil([&] { return !form->Visible(); })) << "the control was never asked to close";
  EXPECT_TRUE(Logged("Execute " + std::to_string(static_cast<int>(TWindowCommand::Close))));
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(Window())));
}

TEST_F(SkinnedWindowTest, ADragOnTheCaptionMovesTheWindow) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  const int left = form->Left(), top = form->Top();
  const TPoint from = CaptionPoint();
  testing::PointerMoveTo(from.X, from.Y);
  Spin(50ms);
  testing::PointerPress();
  ASSERT_TRUE(RunUntil([&] { return Host().Dragging(); })) << "the caption press started no move";
  EXPECT_TRUE(Logged("BeginMove"));
  Spin(100ms);  // openbox takes the pointer
  for (int step = 1; step <= 8; ++step) {
    testing::PointerMoveTo(from.X + step * 10, from.Y + step * 5);
    Spin(20ms);
  }
  testing::PointerRelease();
  ASSERT_TRUE(RunUntil([&] { return form->Left() != left || form->Top() != top; })) << "the window stayed";
  int x = 0, y = 0;
  gtk_window_get_position(Window(), &x, &y);
  EXPECT_NEAR(x - left, 80, 4);
  EXPECT_NEAR(y - top, 40, 4);
  // The move ends once the button is up and the window is still.
  EXPECT_TRUE(RunUntil([&] { return !Host().Dragging(); }, 2s));
}

TEST_F(SkinnedWindowTest, UnhookingGivesTheWindowItsDecorationsBack) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(RunUntil([&] { return !Decorated(Window()); }));
  const TPoint caption = CaptionPoint();
  skin->SetEnabled(false);
  EXPECT_TRUE(gtk_window_get_decorated(Window()));
  EXPECT_TRUE(RunUntil([&] { return Decorated(Window()); })) << "openbox did not frame the window again";
  EXPECT_EQ(form->NonClientMargins(), platform::TRect{});
  // Nothing of the skin is painted any more.
  EXPECT_TRUE(RunUntil([&] { return ScreenPixel(caption.X, caption.Y) != kCaptionColor; }));
}

TEST_F(SkinnedWindowTest, AThemeLibraryFillsTheCaptionAndItsRemovalRestoresTheDefault) {
  testing::TempFolder folder{"halbrin_skinned"};
  fs::create_directories(folder.Path() / "project" / "skins");
  fs::create_directories(folder.Path() / "app");
  const fs::path library = folder.Path() / "project" / "skins" / "libtheme_ok.so";
  fs::copy_file(fs::path(HALBRIN_TEST_THEMES) / "libtheme_ok.so", library);
  SkinManager()->SetSkinFolders((folder.Path() / "project").string(), (folder.Path() / "app").string());
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());

  TZebrinSkinTheme& theme = *SkinManager()->Theme();
  theme.SetFileName(fs::canonical(library).string());
  ASSERT_TRUE(theme.Loaded());
  const TPoint p = CaptionPoint();
  EXPECT_TRUE(RunUntil([&] { return ScreenPixel(p.X, p.Y) == kMagenta; }))
      << "the caption shows " << std::hex << ScreenPixel(p.X, p.Y);

  theme.SetFileName("");
  EXPECT_FALSE(theme.Loaded());
  EXPECT_TRUE(RunUntil([&] { return ScreenPixel(p.X, p.Y) == kCaptionColor; }))
      << "the caption shows " << std::hex << ScreenPixel(p.X, p.Y);
}

// The labels of a shown menu's items, "-" for disabled ones and "*" for the bold one.
std::vector<std::string> ShownMenu() {
  std::vector<std::string> items;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next) {
    GtkWidget* popup = GTK_WIDGET(l->data);
    GtkWidget* child = GTK_IS_BIN(popup) ? gtk_bin_get_child(GTK_BIN(popup)) : nullptr;
    if (!child || !GTK_IS_MENU(child) || !gtk_widget_get_mapped(popup)) continue;
    GList* children = gtk_container_get_children(GTK_CONTAINER(child));
    for (GList* c = children; c; c = c->next) {
      if (!GTK_IS_MENU_ITEM(c->data) || GTK_IS_SEPARATOR_MENU_ITEM(c->data)) continue;
      GtkWidget* label = gtk_bin_get_child(GTK_BIN(c->data));
      std::string text = gtk_label_get_text(GTK_LABEL(label));
      if (std::string(gtk_label_get_label(GTK_LABEL(label))).rfind("<b>", 0) == 0) text += "*";
      if (!gtk_widget_get_sensitive(GTK_WIDGET(c->data))) text += "-";
      items.push_back(text);
    }
    g_list_free(children);
  }
  g_list_free(toplevels);
  return items;
}

TEST_F(SkinnedWindowTest, ARightClickOnTheCaptionOpensTheSystemMenuAndEscapeCancelsIt) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  // The menu runs its own loop inside the click's handling: a timer looks at it and presses Escape.
  struct Watch {
    std::vector<std::string> seen;
    bool escaped = false;
  } watch;
  const guint timer = g_timeout_add(
      50,
      [](gpointer data) -> gboolean {
        auto* w = static_cast<Watch*>(data);
        if (w->escaped) return G_SOURCE_CONTINUE;
        std::vector<std::string> items = ShownMenu();
        if (items.empty()) return G_SOURCE_CONTINUE;
        w->seen = std::move(items);
        w->escaped = true;
        testing::KeyTap(XK_Escape);
        return G_SOURCE_CONTINUE;
      },
      &watch);
  const TPoint at = CaptionPoint();
  testing::PointerClick(at.X, at.Y, 3);
  const bool closed = RunUntil([&] { return Logged("Menu cancelled") || Logged("Menu chosen"); });
  g_source_remove(timer);
  ASSERT_TRUE(closed) << "the menu never closed";
  EXPECT_EQ(watch.seen, (std::vector<std::string>{"Restore-", "Move", "Size", "Minimize", "Maximize*", "Close"}));
  EXPECT_TRUE(Logged("Menu cancelled"));
  for (const std::string& line : Log()) EXPECT_EQ(line.rfind("Execute", 0), std::string::npos) << line;
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(Host().IsMaximized());
  EXPECT_FALSE(Host().IsMinimized());
}

// A second attachment to a skinned control: counts what its host delivers.
class CountingClient final : public IWindowHostClient {
 public:
  explicit CountingClient(TWinControl& control) : m_control(control) {}
  // Keeps the margins the skin gave.
  TRect FrameResized(TSize frame) override {
    const platform::TRect m = m_control.NonClientMargins();
    return TRect{m.Left, m.Top, frame.cx - m.Right, frame.cy - m.Bottom};
  }
  void PaintFrame(ICanvas&) override { ++paints; }
  bool EraseBackgroundHandled() override { return false; }
  int HitTest(TPoint) override { return kHitNowhere; }
  void PointerPress(const TWindowPointer&) override { ++events; }
  void PointerRelease(const TWindowPointer&) override { ++events; }
  void PointerDoubleClick(const TWindowPointer&) override { ++events; }
  void PointerMotion(const TWindowPointer&) override { ++events; }
  void PointerLeave() override {}
  void ControlEnter() override {}
  void ControlLeave() override {}
  bool SetCursorFor(int) override { return true; }
  bool DialogKey(int, TShiftState) override { return false; }
  void Activated(bool) override {}
  void ShowChanged(bool) override {}
  void TextChanged() override {}
  void EnabledChanged() override {}
  void WindowStateChanged() override {}

  int paints = 0;
  int events = 0;

 private:
  TWinControl& m_control;
};

TEST_F(SkinnedWindowTest, AttachmentsStackAndLeaveInAnyOrder) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  // The skin's attachment first, then two more; the middle one leaves first.
  CountingClient first(*form), second(*form);
  auto firstHost = std::make_unique<TGtkWindowHost>(*form, first);
  auto secondHost = std::make_unique<TGtkWindowHost>(*form, second);
  const TPoint caption = CaptionPoint();
  auto stir = [&] {
    first.events = first.paints = second.events = second.paints = 0;
    testing::PointerMoveTo(caption.X + 3, caption.Y + 1);
    Spin(30ms);
    testing::PointerMoveTo(caption.X - 3, caption.Y + 1);
    gtk_widget_queue_draw(Frame());
    Spin(200ms);
  };

  stir();
  EXPECT_GT(first.events, 0);
  EXPECT_GT(second.paints, 0);
  firstHost->Detach();
  stir();
  EXPECT_EQ(first.events + first.paints, 0) << "a detached host still delivers";
  EXPECT_GT(second.events, 0) << "the later attachment went too";
  EXPECT_GT(second.paints, 0);
  secondHost->Detach();
  stir();
  EXPECT_EQ(second.events + second.paints, 0);

  // The skin's own attachment still paints and takes clicks.
  EXPECT_EQ(ScreenPixel(caption.X, caption.Y), kCaptionColor);
  const TPoint close = ButtonCenter(btsClose);
  testing::PointerClick(close.X, close.Y);
  EXPECT_TRUE(RunUntil([&] { return !form->Visible(); })) << "the skin no longer takes clicks";
}

TEST_F(SkinnedWindowTest, AChildPaneMovesByItsCaptionWithADragOfItsOwn) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  auto& pane = platform::MakeComponent<TWinControl>(*form);
  pane.SetName("Pane");
  pane.SetParent(form);
  pane.SetBounds(20, 20, 200, 150);
  auto& paneSkin = platform::MakeComponent<test::TThreeButtonSkin>(*form);
  paneSkin.Caption()->Add().Metrics()->SetSize(kCaption);
  paneSkin.Caption()->SetCaptureMouse(true);
  paneSkin.SetControl(&pane);
  paneSkin.SetEnabled(true);
  auto& host = static_cast<LoggingHost*>(paneSkin.Host())->Inner();
  ASSERT_TRUE(RunUntil([&] { return host.Frame() && gtk_widget_get_mapped(GTK_WIDGET(host.Frame())); }));
  ASSERT_TRUE(RunUntil([&] {
    return gtk_widget_get_allocated_width(GTK_WIDGET(host.Frame())) == 200 && paneSkin.Caption()->BoundsRect().Width() == 200;
  }));

  const TRect area = paneSkin.Caption()->BoundsRect();
  const TPoint from = host.WindowToScreen(TPoint{area.Left + area.Width() / 2, area.Top + 2});
  testing::PointerMoveTo(from.X, from.Y);
  Spin(50ms);
  testing::PointerPress();
  ASSERT_TRUE(RunUntil([&] { return host.Dragging(); }))
      << "the caption press started no drag; last hit " << paneSkin.LastHitCode();
  EXPECT_STREQ(host.CursorName(), "move");
  for (int step = 1; step <= 5; ++step) {
    testing::PointerMoveTo(from.X + step * 6, from.Y + step * 4);
    Spin(20ms);
  }
  testing::PointerRelease();
  ASSERT_TRUE(RunUntil([&] { return !host.Dragging(); })) << "the release did not end the drag";
  EXPECT_EQ(pane.BoundsRect(), (platform::TRect{50, 40, 250, 190}));
  EXPECT_EQ(form->Left(), 200) << "the form stays where it was";
  EXPECT_EQ(host.CursorName(), nullptr);
}

TEST(GtkWindowHostCursors, SizingHitsAndStandardNumbersGetCssNames) {
  const struct {
    int hit;
    const char* name;
  } hits[] = {{kHitLeft, "ew-resize"},        {kHitRight, "ew-resize"},       {kHitTop, "ns-resize"},
              {kHitBottom, "ns-resize"},      {kHitTopLeft, "nwse-resize"},   {kHitBottomRight, "nwse-resize"},
              {kHitTopRight, "nesw-resize"},  {kHitBottomLeft, "nesw-resize"}, {kHitSkinCaption, nullptr},
              {kHitClient, nullptr}};
  for (const auto& c : hits) EXPECT_STREQ(TGtkWindowHost::HitCursorName(c.hit), c.name) << c.hit;
  EXPECT_STREQ(TGtkWindowHost::CursorNameOf(crSizeAll), "move");
  EXPECT_STREQ(TGtkWindowHost::CursorNameOf(crHandPoint), "pointer");
  EXPECT_STREQ(TGtkWindowHost::CursorNameOf(-20), "help");
  EXPECT_EQ(TGtkWindowHost::CursorNameOf(crDefault), nullptr);
  EXPECT_EQ(TGtkWindowHost::CursorNameOf(-1000), nullptr);
}

}  // namespace
}  // namespace halbrin::skins
