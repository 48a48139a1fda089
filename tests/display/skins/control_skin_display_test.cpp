// Skinned panes inside a skinned form on GTK under openbox: the splitter
// drag, docking by a caption drag with the dock indicator, collapse and
// expand by double clicks on the splitter, and the strips the skin paints.

#include "skins/core/control_skin.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <array>
#include <map>
#include <memory>
#include <string>

#include "platform/classes/component.h"
#include "platform/ui/gtk_control_backend.h"
#include "skins/core/form_skin.h"
#include "skins/core/skin_manager.h"
#include "skins/gtk/gtk_skin_popup_factory.h"
#include "skins/gtk/gtk_skin_popups.h"
#include "skins/gtk/gtk_window_host.h"
#include "skin_display_support.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"
#include "support/x_input.h"

namespace halbrin::skins {
namespace {

using namespace std::chrono_literals;
using skintest::Describe;
using skintest::ScreenPixel;
using platform::alClient;
using platform::alLeft;
using platform::alRight;
using platform::TWinControl;
using testing::RunUntil;

constexpr int kFormCaption = 24, kPaneCaption = 20, kSplitter = 6, kMargin = 4;
constexpr int kLeftWidth = 150, kRightWidth = 120;
// Red and blue alike, so the byte order of a colour does not matter.
constexpr std::uint32_t kCaptionColor = 0x208020;
constexpr std::uint32_t kSizerColor = 0xC030C0;
constexpr std::uint32_t kMarginColor = 0x30A030;


// GTK utility windows; the dock indicator made last stays in view of the test.
class WatchedPopupFactory final : public TGtkSkinPopupFactory {
 public:
  class Indicator final : public TGtkDockIndicator {
   public:
    explicit Indicator(Indicator*& slot) : m_slot(slot) { m_slot = this; }
    ~Indicator() override {
      if (m_slot == this) m_slot = nullptr;
    }

   private:
    Indicator*& m_slot;
  };

  std::unique_ptr<ISkinDockIndicator> CreateDockIndicator() override { return std::make_unique<Indicator>(indicator); }

  // Shown, with its GTK window mapped at `screen`.
  bool IndicatorShownAt(const TRect& screen) const {
    if (!indicator || !indicator->Visible() || !indicator->Widget()) return false;
    GtkWidget* widget = indicator->Widget();
    if (!gtk_widget_get_mapped(widget)) return false;
    int x = 0, y = 0, w = 0, h = 0;
    gtk_window_get_position(GTK_WINDOW(widget), &x, &y);
    gtk_window_get_size(GTK_WINDOW(widget), &w, &h);
    return TRect{x, y, x + w, y + h} == screen;
  }
  bool IndicatorHidden() const {
    return !indicator || (!indicator->Visible() && (!indicator->Widget() || !gtk_widget_get_mapped(indicator->Widget())));
  }

  Indicator* indicator = nullptr;
};

// A skinned 640x420 form with three skinned panes: one on the left with a
// splitter and a left margin, one on the right that moves by its caption,
// and one filling the rest.
class ControlSkinDisplayTest : public skintest::SkinnedFormTest {
 protected:
  ControlSkinDisplayTest() : SkinnedFormTest({.popupFactory = &m_popups}) {}

  void SetUp() override {
    skintest::SkinnedFormTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    CreateSkinManager().SetSizerColor(kSizerColor);

    form->SetText("Halbrin Lite panes");
    form->SetBounds(160, 120, 640, 420);
    form->SetWindowTraits({.caption = true, .border = true, .sizable = true, .framed = true, .sysMenu = true,
                           .minBox = true, .maxBox = true});
    formSkin = skin;
    formSkin->SetName("FormSkin");
    AddCaptionBand(kFormCaption, kCaptionColor);
    form->HandleNeeded();
    formSkin->SetControl(form);
    formSkin->SetEnabled(true);

    leftSkin = &Pane("Left", alLeft, kLeftWidth);
    left = leftSkin->Control();
    leftSkin->Splitter()->Metrics()->SetSize(kSplitter);
    TZebrinSkinMargin& margin = *leftSkin->Margins()->Left();
    margin.Metrics()->SetSize(kMargin);
    margin.Metrics()->SetColor(kMarginColor);
    margin.Metrics()->SetInactiveColor(kMarginColor);
    margin.SetVisible(true);
    rightSkin = &Pane("Right", alRight, kRightWidth);
    right = rightSkin->Control();
    rightSkin->Splitter()->Metrics()->SetSize(kSplitter);
    rightSkin->SetMoveable(true);
    restSkin = &Pane("Rest", alClient, 100);
    rest = restSkin->Control();
  }

  void TearDown() override {
    skintest::SkinnedFormTest::TearDown();
    if (m_doubleClickTime > 0)
      g_object_set(gtk_settings_get_default(), "gtk-double-click-time", m_doubleClickTime, nullptr);
  }

  TZebrinControlSkin& Pane(const std::string& name, platform::TAlign align, int width) {
    auto& pane = platform::MakeComponent<TWinControl>(*form);
    pane.SetName(name);
    pane.SetText(name);
    pane.SetBounds(0, 0, width, 100);
    pane.SetAlign(align);
    pane.SetParent(form);
    auto& skin = platform::MakeComponent<TZebrinControlSkin>(*form);
    skin.SetName(name + "Skin");
    skin.Caption()->Add().Metrics()->SetSize(kPaneCaption);
    skin.Caption()->SetCaptureMouse(true);
    skin.SetControl(&pane);
    skin.SetEnabled(true);
    return skin;
  }

  GtkWidget* Frame(const TWinControl& control) const { return GTK_WIDGET(Backend().Frame(control.Window())); }
  static TGtkWindowHost& HostOf(const TZebrinCustomSkin& skin) { return *static_cast<TGtkWindowHost*>(skin.Host()); }
  // The pane frame's allocation in the form's client coordinates: its place
  // in the form's frame less the form's non-client margins.
  TRect Allocation(const TWinControl& pane) const {
    int x = 0, y = 0;
    if (!gtk_widget_translate_coordinates(Frame(pane), Frame(*form), 0, 0, &x, &y)) return TRect{};
    const platform::TRect margins = form->NonClientMargins();
    x -= margins.Left;
    y -= margins.Top;
    return TRect{x, y, x + gtk_widget_get_allocated_width(Frame(pane)), y + gtk_widget_get_allocated_height(Frame(pane))};
  }
  bool AllocatedAsModel(const TWinControl& pane) const { return Allocation(pane) == pane.BoundsRect(); }
  // The whole layout's allocations follow the model.
  bool LaidOut() const {
    for (const TWinControl* pane : {left, right, rest})
      if (pane->Visible() && !AllocatedAsModel(*pane)) return false;
    return true;
  }
  std::string Layout() const {
    std::string text;
    for (const TWinControl* pane : {left, right, rest})
      text += pane->Name() + " model " + Describe(pane->BoundsRect()) + " allocated " + Describe(Allocation(*pane)) +
              "; ";
    return text + "client " + Describe(form->ClientRect());
  }

  // Shows the form active and waits until every pane is mapped, laid out and painted.
  void ShowSkinned() {
    gtk_window_present(Window());
    ASSERT_TRUE(RunUntil([&] {
      return form->Active() && gtk_widget_get_mapped(Frame(*form)) && gtk_widget_get_mapped(Frame(*left)) &&
             gtk_widget_get_mapped(Frame(*right)) && gtk_widget_get_mapped(Frame(*rest));
    })) << "never shown and active";
    ASSERT_EQ(left->Width(), kLeftWidth);
    for (const TWinControl* pane : {left, right, rest}) CountEvents(*pane);
    ASSERT_TRUE(RunUntil([&] { return LaidOut(); })) << Layout();
    ASSERT_TRUE(RunUntil([&] { return ScreenPixel(SplitterCenter(*leftSkin)) == kSizerColor; }))
        << "the splitter shows " << std::hex << ScreenPixel(SplitterCenter(*leftSkin));
  }

  TPoint Screen(const TZebrinCustomSkin& skin, TPoint window) const { return HostOf(skin).WindowToScreen(window); }
  TPoint SplitterCenter(const TZebrinControlSkin& skin) const {
    const_cast<TZebrinControlSkin&>(skin).UpdateGeometry();
    const TRect r = skin.Splitter()->Rect();
    return Screen(skin, TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }
  // A point of the caption's background, clear of text and buttons.
  TPoint CaptionPoint(const TZebrinControlSkin& skin) const {
    const TRect area = skin.Caption()->BoundsRect();
    return Screen(skin, TPoint{area.Left + area.Width() / 2, area.Top + area.Height() / 2});
  }
  // The form's client point on the screen.
  TPoint ClientToScreen(TPoint client) const {
    const platform::TRect margins = form->NonClientMargins();
    return Screen(*formSkin, TPoint{margins.Left + client.X, margins.Top + client.Y});
  }
  void Spin(std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    RunUntil([&] { return std::chrono::steady_clock::now() >= until; });
  }
  // Moves the pointer with the button down in even steps, letting GTK see each one.
  void DragSteps(TPoint from, TPoint to, int steps) {
    for (int step = 1; step <= steps; ++step) {
      testing::PointerMoveTo(from.X + (to.X - from.X) * step / steps, from.Y + (to.Y - from.Y) * step / steps);
      Spin(20ms);
    }
  }
  // Presses the left button at `at` and waits until the pane's skin has had the press.
  void Press(const TWinControl& pane, TPoint at) {
    testing::PointerMoveTo(at.X, at.Y);
    Spin(50ms);
    const int before = Events(pane, HALBRIN_FRAME_PRESS);
    testing::PointerPress();
    EXPECT_TRUE(RunUntil([&] { return Events(pane, HALBRIN_FRAME_PRESS) > before; })) << pane.Name() << " had no press";
  }
  // Releases the left button and waits until the pane's skin has had the release.
  void Release(const TWinControl& pane) {
    const int before = Events(pane, HALBRIN_FRAME_RELEASE);
    testing::PointerRelease();
    EXPECT_TRUE(RunUntil([&] { return Events(pane, HALBRIN_FRAME_RELEASE) > before; }))
        << pane.Name() << " had no release";
  }
  // The frame events of a kind the pane's skin was given.
  int Events(const TWinControl& pane, HalbrinFrameEventKind kind) const {
    const auto found = m_events.find(&pane);
    return found == m_events.end() ? 0 : found->second[static_cast<std::size_t>(kind)];
  }
  // Counts the frame events after the skin's host has delivered them.
  void CountEvents(const TWinControl& pane) {
    g_signal_connect(Frame(pane), "frame-event", G_CALLBACK(OnFrameEvent), &m_events[&pane]);
  }
  static gboolean OnFrameEvent(HalbrinFrame*, const HalbrinFrameEvent* event, gpointer counts) {
    auto& c = *static_cast<std::array<int, 16>*>(counts);
    if (static_cast<std::size_t>(event->kind) < c.size()) ++c[static_cast<std::size_t>(event->kind)];
    return FALSE;
  }
  // Two clicks at `at`, each button change sent once the pane's skin had the
  // one before; the second press must come as a double click. Presses pair
  // by the X server's times, which a loaded machine spaces out, so the
  // double-click time is long while the case runs.
  void DoubleClick(const TWinControl& pane, TPoint at) {
    if (m_doubleClickTime == 0) {
      g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &m_doubleClickTime, nullptr);
      g_object_set(gtk_settings_get_default(), "gtk-double-click-time", 10000, nullptr);
    }
    Press(pane, at);
    Release(pane);
    const int before = Events(pane, HALBRIN_FRAME_DOUBLE_PRESS);
    testing::PointerPress();
    EXPECT_TRUE(RunUntil([&] { return Events(pane, HALBRIN_FRAME_DOUBLE_PRESS) > before; }))
        << pane.Name() << " had no double click";
    Release(pane);
  }

  TZebrinFormSkin* formSkin = nullptr;
  TWinControl* left = nullptr;
  TWinControl* right = nullptr;
  TWinControl* rest = nullptr;
  TZebrinControlSkin* leftSkin = nullptr;
  TZebrinControlSkin* rightSkin = nullptr;
  TZebrinControlSkin* restSkin = nullptr;
  WatchedPopupFactory m_popups;

 private:
  gint m_doubleClickTime = 0;
  std::map<const TWinControl*, std::array<int, 16>> m_events;
};

TEST_F(ControlSkinDisplayTest, DraggingTheSplitterResizesBothPanes) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  const int clientWidth = form->ClientWidth();
  ASSERT_EQ(rest->Left(), kLeftWidth);
  const TPoint from = SplitterCenter(*leftSkin);
  // Over the strip the pointer shows the sizing cursor.
  testing::PointerMoveTo(from.X - 1, from.Y);
  Spin(30ms);
  testing::PointerMoveTo(from.X, from.Y);
  EXPECT_TRUE(RunUntil([&] { return leftSkin->LastHitCode() == kHitRight; }, 2s)) << leftSkin->LastHitCode();
  EXPECT_STREQ(HostOf(*leftSkin).CursorName(), "ew-resize");
  Press(*left, from);
  EXPECT_EQ(leftSkin->LastHitCode(), kHitRight);
  DragSteps(from, TPoint{from.X + 60, from.Y}, 6);
  // The panes follow while the button is down.
  EXPECT_TRUE(RunUntil([&] { return left->Width() == kLeftWidth + 60 && rest->Left() == kLeftWidth + 60; }))
      << Layout();
  Release(*left);
  ASSERT_TRUE(RunUntil([&] { return LaidOut(); })) << Layout();
  EXPECT_EQ(left->Width(), kLeftWidth + 60);
  EXPECT_EQ(rest->Left(), kLeftWidth + 60);
  EXPECT_EQ(rest->Width(), clientWidth - kLeftWidth - 60 - kRightWidth);
  EXPECT_EQ(Allocation(*left).Width(), kLeftWidth + 60);
  EXPECT_EQ(Allocation(*rest).Left, kLeftWidth + 60);
  EXPECT_TRUE(leftSkin->Resized());
  EXPECT_EQ(leftSkin->NormalBounds().Width(), kLeftWidth + 60);

  // Back to the left, and the strip moved with the pane.
  const TPoint again = SplitterCenter(*leftSkin);
  EXPECT_EQ(again.X, from.X + 60);
  Press(*left, again);
  DragSteps(again, TPoint{again.X - 90, again.Y}, 6);
  Release(*left);
  ASSERT_TRUE(RunUntil([&] { return LaidOut(); })) << Layout();
  EXPECT_EQ(left->Width(), kLeftWidth - 30);
  EXPECT_EQ(leftSkin->NormalBounds().Width(), kLeftWidth - 30);
  EXPECT_EQ(rest->Left(), kLeftWidth - 30);
  EXPECT_EQ(Allocation(*rest).Left, kLeftWidth - 30);
  // Further motion with the button up is no drag.
  testing::PointerMoveTo(again.X, again.Y + 10);
  Spin(100ms);
  EXPECT_EQ(left->Width(), kLeftWidth - 30);
}

TEST_F(ControlSkinDisplayTest, ACaptionDragIntoTheLeftEighthDocksThePaneLeft) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  const TRect client = form->ClientRect();
  ASSERT_EQ(right->BoundsRect(), (TRect{client.Right - kRightWidth, 0, client.Right, client.Bottom}));
  const TPoint from = CaptionPoint(*rightSkin);
  Press(*right, from);
  ASSERT_EQ(rightSkin->LastHitCode(), kHitSkinCaption);
  ASSERT_TRUE(rightSkin->MovingAligned()) << "the caption press started no drag";
  EXPECT_TRUE(form->AlignDisabled());
  EXPECT_STREQ(HostOf(*rightSkin).CursorName(), "move");

  // Into the middle: the pane follows, no side is offered.
  const TPoint middle = ClientToScreen(TPoint{client.Width() / 2, client.Height() / 2});
  DragSteps(from, middle, 6);
  ASSERT_TRUE(RunUntil([&] { return right->Left() < client.Right - kRightWidth - 100; })) << Layout();
  EXPECT_TRUE(m_popups.IndicatorHidden());

  // Into the left eighth: the indicator shows where the pane goes.
  const TPoint dock = ClientToScreen(TPoint{client.Width() / 16, client.Height() / 2});
  DragSteps(middle, dock, 6);
  const TRect target = rightSkin->AlignTargetRect(alLeft);
  EXPECT_EQ(target, (TRect{0, 0, kRightWidth, client.Bottom}));
  const TPoint origin = ClientToScreen(TPoint{0, 0});
  const TRect shown{target.Left + origin.X, target.Top + origin.Y, target.Right + origin.X, target.Bottom + origin.Y};
  EXPECT_TRUE(RunUntil([&] { return m_popups.IndicatorShownAt(shown); }))
      << "the dock indicator is not shown at " << Describe(shown);
  // The layout waits until the drop.
  EXPECT_EQ(rest->BoundsRect(), (TRect{kLeftWidth, 0, client.Right - kRightWidth, client.Bottom}));

  Release(*right);
  ASSERT_EQ(right->Align(), alLeft) << "the drop did not dock the pane left";
  EXPECT_FALSE(rightSkin->MovingAligned());
  EXPECT_FALSE(form->AlignDisabled());
  EXPECT_TRUE(RunUntil([&] { return m_popups.IndicatorHidden(); }, 2s)) << "the dock indicator stays";
  // Both panes on the left, the rest takes what they leave.
  EXPECT_EQ(right->Width(), kRightWidth);
  EXPECT_EQ(left->Width(), kLeftWidth);
  EXPECT_EQ(rest->BoundsRect(), (TRect{kLeftWidth + kRightWidth, 0, client.Right, client.Bottom}));
  EXPECT_EQ(std::min(left->Left(), right->Left()), 0);
  EXPECT_EQ(std::max(left->Left(), right->Left()), left->Left() == 0 ? kLeftWidth : kRightWidth);
  EXPECT_TRUE(RunUntil([&] { return LaidOut(); })) << Layout();
  EXPECT_TRUE(rightSkin->Moved());
  // Its splitter is on its right edge now.
  EXPECT_EQ(rightSkin->SplitterHitCode(), kHitRight);
}

TEST_F(ControlSkinDisplayTest, ADropAwayFromTheSidesPutsThePaneBack) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  const TRect client = form->ClientRect();
  const TRect placed = right->BoundsRect();
  const TPoint from = CaptionPoint(*rightSkin);
  Press(*right, from);
  ASSERT_TRUE(rightSkin->MovingAligned());
  const TPoint middle = ClientToScreen(TPoint{client.Width() / 2, client.Height() / 2});
  DragSteps(from, middle, 6);
  ASSERT_TRUE(RunUntil([&] { return AllocatedAsModel(*right) && right->BoundsRect() != placed; })) << Layout();
  Release(*right);
  EXPECT_EQ(right->Align(), alRight);
  EXPECT_FALSE(form->AlignDisabled());
  EXPECT_EQ(right->BoundsRect(), placed);
  EXPECT_FALSE(rightSkin->Moved());
  EXPECT_TRUE(RunUntil([&] { return LaidOut(); })) << Layout();
  EXPECT_TRUE(m_popups.IndicatorHidden());
  EXPECT_EQ(HostOf(*rightSkin).CursorName(), nullptr);
}

TEST_F(ControlSkinDisplayTest, DoubleClicksOnTheSplitterCollapseAndRestoreThePane) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  const int collapsed = leftSkin->GetMinSize().cx;
  ASSERT_LT(collapsed, kLeftWidth);
  DoubleClick(*left, SplitterCenter(*leftSkin));
  ASSERT_TRUE(RunUntil([&] { return leftSkin->IsMinimized(); })) << "width " << left->Width();
  EXPECT_EQ(left->Width(), collapsed);
  EXPECT_TRUE(RunUntil([&] { return LaidOut(); })) << Layout();
  EXPECT_EQ(rest->Left(), collapsed);
  EXPECT_EQ(Allocation(*left).Width(), collapsed);
  // The strip of the collapsed pane is still there, at its new place.
  const TPoint strip = SplitterCenter(*leftSkin);
  EXPECT_TRUE(RunUntil([&] { return ScreenPixel(strip) == kSizerColor; })) << std::hex << ScreenPixel(strip);

  // Clicks pair two by two: the next press starts a new double click.
  DoubleClick(*left, strip);
  ASSERT_TRUE(RunUntil([&] { return left->Width() == kLeftWidth; })) << "width " << left->Width();
  EXPECT_TRUE(leftSkin->IsNormal());
  EXPECT_TRUE(RunUntil([&] { return LaidOut(); })) << Layout();
  EXPECT_EQ(rest->Left(), kLeftWidth);
  EXPECT_EQ(Allocation(*rest).Left, kLeftWidth);
}

TEST_F(ControlSkinDisplayTest, TheSplitterAndTheMarginArePaintedInTheirColours) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  // The splitter's colour comes from the manager's SizerColor.
  EXPECT_EQ(leftSkin->Splitter()->Metrics()->Color(), SkinManager()->SizerColor());
  leftSkin->UpdateGeometry();
  const TRect splitter = leftSkin->Splitter()->Rect();
  EXPECT_EQ(splitter, (TRect{kLeftWidth - kSplitter, 0, kLeftWidth, left->Height()}));
  for (const TPoint at : {TPoint{splitter.Left, splitter.Bottom - 10}, TPoint{splitter.Right - 1, 30}}) {
    SCOPED_TRACE(std::to_string(at.X) + "," + std::to_string(at.Y));
    EXPECT_EQ(ScreenPixel(Screen(*leftSkin, at)), kSizerColor) << std::hex << ScreenPixel(Screen(*leftSkin, at));
  }
  const TRect margin = leftSkin->Margins()->Left()->Rect();
  EXPECT_EQ(margin, (TRect{0, 0, kMargin, left->Height()}));
  for (const TPoint at : {TPoint{0, 40}, TPoint{kMargin - 1, left->Height() - 10}}) {
    SCOPED_TRACE(std::to_string(at.X) + "," + std::to_string(at.Y));
    EXPECT_EQ(ScreenPixel(Screen(*leftSkin, at)), kMarginColor) << std::hex << ScreenPixel(Screen(*leftSkin, at));
  }
  // Between them lies the pane's client area, which is neither.
  const TPoint inside = Screen(*leftSkin, TPoint{kMargin + 20, left->Height() / 2});
  EXPECT_NE(ScreenPixel(inside), kMarginColor);
  EXPECT_NE(ScreenPixel(inside), kSizerColor);

  // A new SizerColor repaints the strip.
  constexpr std::uint32_t kOther = 0x40C040;
  SkinManager()->SetSizerColor(kOther);
  const TPoint strip = SplitterCenter(*leftSkin);
  EXPECT_TRUE(RunUntil([&] { return ScreenPixel(strip) == kOther; })) << std::hex << ScreenPixel(strip);
}

}  // namespace
}  // namespace halbrin::skins
