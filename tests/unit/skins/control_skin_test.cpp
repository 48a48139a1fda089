#include "skins/core/control_skin.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fixtures/skin_window_scopes.h"
#include "platform/classes/property_access.h"
#include "platform/controls/recording_control_backend.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/graphics/popup_menu.h"
#include "platform/services/desktop_service.h"
#include "skins/core/recording_window_host.h"
#include "support/fake_popup_menu_presenter.h"

namespace halbrin::skins {
namespace {

using platform::alBottom;
using platform::alClient;
using platform::alLeft;
using platform::alNone;
using platform::alRight;
using platform::alTop;
using platform::ControlEvent;
using platform::TAlign;
using platform::TComponent;
using platform::TObject;

constexpr int kCaption = 20, kSplitter = 5;

// Script handlers stand-in: logs each event; vetoes as told.
class Handlers final : public TComponent {
 public:
  using TComponent::TComponent;
  void BeforeCollapse(TObject*, bool& allow) {
    log.push_back("beforeCollapse");
    allow = allowCollapse;
  }
  void BeforeExpand(TObject*, bool& allow) {
    log.push_back("beforeExpand");
    allow = allowExpand;
  }
  void Collapse(TObject*) { log.push_back("collapse"); }
  void Expand(TObject*) { log.push_back("expand"); }
  void MoveAligned(TObject*, TAlign align, bool& allow) {
    log.push_back("move " + std::to_string(align));
    allow = allowMove;
  }
  void MovedAligned(TObject*, TAlign align, bool&) { log.push_back("moved " + std::to_string(align)); }
  void SizeAligned(TObject*, TAlign, bool& allow) {
    log.push_back("size");
    allow = allowSize;
  }
  void AlignRect(TObject*, TAlign, TRect& rect) {
    log.push_back("rect");
    if (alignRect) rect = *alignRect;
  }
  void Mouse(TObject*, TMouseButton, TShiftState, int, int) { log.push_back("dblclick"); }

  std::vector<std::string> log;
  bool allowCollapse = true, allowExpand = true, allowMove = true, allowSize = true;
  std::optional<TRect> alignRect;
};

// The pointer where the tests put it; nothing until set.
class CursorDesktop final : public platform::HeadlessDesktopService {
 public:
  std::optional<TPoint> CursorPos() const override { return cursor; }
  std::optional<TPoint> cursor;
};

// Dock indicators that log what they show.
class LoggingPopups final : public HeadlessSkinPopupFactory {
 public:
  class Indicator final : public TSkinPopupWindowBase, public ISkinDockIndicator {
   public:
    explicit Indicator(std::vector<std::string>& log) : m_log(log) {}
    void SetCaption(std::string) override {}
    void SetColor(TColor) override {}
    void SetFont(const platform::TFontSpec&, TColor) override {}

   protected:
    void ShowNative(const TRect& r) override {
      m_log.push_back("show " + platform::TRecordingCanvas::RectText(r));
    }
    void HideNative() override { m_log.push_back("hide"); }

   private:
    std::vector<std::string>& m_log;
  };
  std::unique_ptr<ISkinDockIndicator> CreateDockIndicator() override { return std::make_unique<Indicator>(log); }
  std::vector<std::string> log;
};

// A 300x200 form whose parent's client origin lies at the screen's origin,
// one pane in it and an alClient sibling that shows what the pane leaves.
class ControlSkinTest : public ::testing::Test, protected TSkinWindowScopes {
 protected:
  ControlSkinTest() {
    form.SetName("Form");
    form.SetBounds(0, 0, 300, 200);
    form.HandleNeeded();
    rest.SetName("Rest");
    rest.SetAlign(alClient);
    rest.SetParent(&form);
    handlers = &platform::MakeComponent<Handlers>(root);
  }
  ~ControlSkinTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  TZebrinControlSkin& Pane(TAlign align, int width, int height) {
    pane.SetName("Pane");
    pane.SetBounds(0, 0, width, height);
    pane.SetAlign(align);
    pane.SetParent(&form);
    skin = &platform::MakeComponent<TZebrinControlSkin>(root);
    skin->Caption()->Add().Metrics()->SetSize(kCaption);
    skin->Splitter()->Metrics()->SetSize(kSplitter);
    skin->SetControl(&pane);
    skin->SetEnabled(true);
    Place();
    return *skin;
  }
  // The pane's host sits where the pane is on the (parent's) screen.
  void Place() {
    if (TRecordingWindowHost* host = hosts.HostOf(pane)) host->screenOrigin = TPoint{pane.Left(), pane.Top()};
  }
  // A pointer at a point of the pane's window.
  TWindowPointer On(int x, int y, TShiftState shift = 0) const {
    TWindowPointer p;
    p.pos = TPoint{x, y};
    p.screen = TPoint{x + pane.Left(), y + pane.Top()};
    p.shift = shift;
    return p;
  }
  // A pointer at a point of the parent's client area (= the screen), given in the pane's window.
  TWindowPointer AtScreen(int x, int y) const {
    TWindowPointer p;
    p.screen = TPoint{x, y};
    p.pos = TPoint{x - pane.Left(), y - pane.Top()};
    p.shift = ssLeft;
    return p;
  }
  void Bind() {
    skin->OnBeforeCollapse().Bind(*handlers, &Handlers::BeforeCollapse);
    skin->OnBeforeExpand().Bind(*handlers, &Handlers::BeforeExpand);
    skin->OnCollapse().Bind(*handlers, &Handlers::Collapse);
    skin->OnExpand().Bind(*handlers, &Handlers::Expand);
    skin->OnMoveAligned().Bind(*handlers, &Handlers::MoveAligned);
    skin->OnMovedAligned().Bind(*handlers, &Handlers::MovedAligned);
    skin->OnSizeAligned().Bind(*handlers, &Handlers::SizeAligned);
    skin->OnDblClick().Bind(*handlers, &Handlers::Mouse);
  }

  LoggingPopups popups;
  ScopedSkinPopupFactory popupScope{popups};
  CursorDesktop desktop;
  platform::ScopedDesktopService desktopScope{desktop};
  TComponent root;
  TWinControl& form = platform::MakeComponent<TWinControl>(root);
  TWinControl& rest = platform::MakeComponent<TWinControl>(root);
  TWinControl& pane = platform::MakeComponent<TWinControl>(root);
  TZebrinControlSkin* skin = nullptr;
  Handlers* handlers = nullptr;
};

// ---- Published values ----

TEST_F(ControlSkinTest, PublishedDefaults) {
  TZebrinControlSkin& s = platform::MakeComponent<TZebrinControlSkin>(root);
  EXPECT_FALSE(s.AutoButtons());
  EXPECT_TRUE(s.AutoConstraints());
  EXPECT_FALSE(s.AutoExpand());
  EXPECT_EQ(s.CollapseDelay(), 666);
  EXPECT_EQ(s.ExpandDelay(), 333);
  EXPECT_EQ(s.ConstrainStyle(), scsNone);
  EXPECT_EQ(s.ControlAlign(), alNone);
  EXPECT_TRUE(s.DefaultNCPaint());
  EXPECT_TRUE(s.EraseBackground());
  EXPECT_FALSE(s.Moveable());
  EXPECT_EQ(s.DefaultButtons(), (std::vector<TZebrinSkinButtonStyle>{btsClose, btsRestore, btsMinimize, btsCombo}));
  EXPECT_TRUE(s.Margins()->Visible());
  EXPECT_FALSE(s.Margins()->Left()->Visible());
  EXPECT_EQ(s.Margins()->Bottom()->Side(), 2);
  EXPECT_TRUE(s.Splitter()->Visible());
  EXPECT_TRUE(s.Splitter()->Enabled());
  EXPECT_FALSE(s.Splitter()->AutoEdgeBorders());
  // By name, as skin files and scripts reach them.
  const auto ord = [&](const char* name) { return platform::GetOrdProp(s, platform::RequirePropInfo(s, name)); };
  EXPECT_EQ(ord("DefaultButtons"), 141);
  EXPECT_EQ(ord("CollapseDelay"), 666);
  EXPECT_EQ(ord("ExpandDelay"), 333);
  EXPECT_EQ(ord("ConstrainStyle"), scsNone);
  EXPECT_EQ(platform::RequirePropInfo(s, "DefaultButtons").Default(), platform::Variant(141));
  EXPECT_FALSE(platform::RequirePropInfo(s, "ControlAlign").Stored());
  for (const char* name : {"AutoExpand", "Margins", "Splitter", "OnBeforeCollapse", "OnBeforeExpand", "OnCollapse",
                           "OnExpand", "OnGetAlignRect", "OnMoveAligned", "OnMovedAligned", "OnSizeAligned", "Text"})
    EXPECT_NE(platform::GetPropInfo(s, name), nullptr) << name;
  EXPECT_NE(platform::GetPropInfo(*s.Splitter(), "AutoEdgeBorders"), nullptr);
  EXPECT_NE(platform::GetPropInfo(*s.Margins()->Top(), "EdgeBorders"), nullptr);
}

// ---- Geometry ----

struct SplitterCase {
  TAlign align;
  int width, height;
  TRect splitter;
  TRect client;
  int hit;
};

class SplitterGeometry : public ControlSkinTest, public ::testing::WithParamInterface<SplitterCase> {};

TEST_P(SplitterGeometry, StripClientAndHitCodeByAlign) {
  const SplitterCase& c = GetParam();
  Pane(c.align, c.width, c.height);
  skin->UpdateGeometry();
  EXPECT_EQ(skin->Splitter()->Rect(), c.splitter);
  EXPECT_EQ(skin->ClientRect(), c.client);
  const TRect s = c.splitter.IsEmpty() ? TRect{0, c.height - 2, 1, c.height - 1} : c.splitter;
  EXPECT_EQ(skin->HitTest(TPoint{s.Left + 1, s.Top + 1}), c.hit);
}

// The pane's own size is what the align layout gives it inside 300x200.
INSTANTIATE_TEST_SUITE_P(
    Aligns, SplitterGeometry,
    ::testing::Values(SplitterCase{alTop, 300, 80, {0, 75, 300, 80}, {0, 20, 300, 75}, kHitBottom},
                      SplitterCase{alBottom, 300, 80, {0, 0, 300, 5}, {0, 25, 300, 80}, kHitTop},
                      SplitterCase{alLeft, 60, 200, {55, 0, 60, 200}, {0, 20, 55, 200}, kHitRight},
                      SplitterCase{alRight, 60, 200, {0, 0, 5, 200}, {5, 20, 60, 200}, kHitLeft},
                      // No free edge: no strip, and the base's code.
                      SplitterCase{alClient, 300, 200, {}, {0, 20, 300, 200}, kHitClient}));

TEST_F(ControlSkinTest, MarginsFrameMinSizeAndTheDisabledSplitter) {
  Pane(alTop, 300, 80);
  skin->Margins()->Top()->SetVisible(true);
  skin->Margins()->Top()->Metrics()->SetSize(2);
  skin->Margins()->Left()->SetVisible(true);
  skin->Margins()->Left()->Metrics()->SetSize(3);
  skin->UpdateGeometry();
  EXPECT_EQ(skin->GetFrameRect(), (TRect{3, 2, 300, 80}));
  EXPECT_EQ(skin->GetClientFrameRect(), (TRect{3, 2, 300, 75}));
  EXPECT_EQ(skin->ClientRect(), (TRect{3, 22, 300, 75}));
  EXPECT_EQ(pane.NonClientMargins(), (TRect{3, 22, 0, 5}));
  EXPECT_EQ(skin->Margins()->Top()->Rect(), (TRect{0, 0, 300, 2}));
  EXPECT_EQ(skin->Margins()->Left()->Rect(), (TRect{0, 2, 3, 80}));
  EXPECT_TRUE(skin->Margins()->Right()->Rect().IsEmpty());
  EXPECT_EQ(skin->Splitter()->Rect(), (TRect{3, 75, 300, 80}));
  EXPECT_EQ(skin->GetMinSize(), (TSize{3, kCaption + kSplitter + 2}));
  // The rest of the form lies below the pane.
  EXPECT_EQ(rest.BoundsRect(), (TRect{0, 80, 300, 200}));

  skin->Splitter()->SetEnabled(false);
  EXPECT_EQ(skin->HitTest(TPoint{50, 77}), kHitNowhere);
  // All margins off: the frame is the window again.
  skin->Margins()->SetVisible(false);
  EXPECT_EQ(skin->GetFrameRect(), (TRect{0, 0, 300, 80}));
}

TEST_F(ControlSkinTest, MarginsAndSplitterPaintThroughTheirDrawOperations) {
  Pane(alLeft, 60, 200);
  skin->Margins()->Top()->SetVisible(true);
  skin->Margins()->Top()->Metrics()->SetSize(4);
  TRecordingWindowHost& host = *hosts.HostOf(pane);
  platform::TRecordingCanvas canvas;
  const std::size_t before = host.surfaces.size();
  skin->PaintFrame(canvas);
  // One picture for the margin, one for the splitter, then the caption's.
  ASSERT_GE(host.surfaces.size(), before + 3);
  EXPECT_FALSE(host.surfaces[before]->Calls().empty());
  EXPECT_FALSE(host.surfaces[before + 1]->Calls().empty());
}

// ---- Collapse and expand ----

TEST_F(ControlSkinTest, CollapseAndExpandWithVetoesAndEvents) {
  Pane(alTop, 300, 80);
  Bind();
  EXPECT_FALSE(skin->IsMinimized());
  handlers->allowCollapse = false;
  skin->Minimize();
  EXPECT_EQ(pane.Height(), 80);
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"beforeCollapse"}));

  handlers->allowCollapse = true;
  handlers->log.clear();
  skin->Minimize();
  EXPECT_EQ(pane.Height(), kCaption + kSplitter);
  EXPECT_TRUE(skin->IsMinimized());
  EXPECT_EQ(rest.BoundsRect(), (TRect{0, 25, 300, 200}));
  EXPECT_EQ(skin->NormalBounds(), (TRect{0, 0, 300, 80}));
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"beforeCollapse", "collapse"}));

  handlers->allowExpand = false;
  handlers->log.clear();
  skin->Restore();
  EXPECT_TRUE(skin->IsMinimized());
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"beforeExpand"}));

  handlers->allowExpand = true;
  handlers->log.clear();
  skin->Maximize();
  EXPECT_EQ(pane.Height(), 80);
  EXPECT_FALSE(skin->IsMaximized());
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"beforeExpand", "expand"}));
}

TEST_F(ControlSkinTest, AZeroRestoreExtentFallsBackToTheDeclaredSize) {
  Pane(alLeft, 70, 200);
  skin->Minimize();
  ASSERT_TRUE(skin->IsMinimized());
  // As a stored "restore" of 0x0 gives it.
  skin->SetNormalBounds(TRect{});
  skin->Restore();
  EXPECT_EQ(pane.Width(), 70);
}

// ---- The splitter drag ----

TEST_F(ControlSkinTest, SplitterDragResizesThePaneInsideItsLimits) {
  Pane(alTop, 300, 80);
  Bind();
  skin->PointerPress(On(100, 77));
  EXPECT_FALSE(hosts.log.empty());
  EXPECT_EQ(std::count(hosts.log.begin(), hosts.log.end(), "BeginResize South"), 0) << "own drag, not the window manager's";
  skin->PointerMotion(AtScreen(100, 107));
  EXPECT_EQ(pane.Height(), 110);
  EXPECT_EQ(rest.BoundsRect(), (TRect{0, 110, 300, 200}));
  // Not below the collapsed size, not beyond the parent.
  skin->PointerMotion(AtScreen(100, -500));
  EXPECT_EQ(pane.Height(), kCaption + kSplitter);
  skin->PointerMotion(AtScreen(100, 900));
  EXPECT_EQ(pane.Height(), 200);
  skin->PointerMotion(AtScreen(100, 127));
  skin->PointerRelease(AtScreen(100, 127));
  EXPECT_EQ(pane.Height(), 130);
  EXPECT_TRUE(skin->Resized());
  EXPECT_EQ(skin->NormalBounds(), (TRect{0, 0, 300, 130}));
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"size"}));
  // Further motion is no drag.
  skin->PointerMotion(AtScreen(100, 160));
  EXPECT_EQ(pane.Height(), 130);
}

TEST_F(ControlSkinTest, AVetoedSizePutsTheStartExtentBack) {
  Pane(alRight, 60, 200);
  Bind();
  handlers->allowSize = false;
  EXPECT_EQ(pane.BoundsRect(), (TRect{240, 0, 300, 200}));
  skin->PointerPress(On(2, 100));
  // 40 to the left of the press.
  skin->PointerMotion(AtScreen(202, 100));
  EXPECT_EQ(pane.BoundsRect(), (TRect{200, 0, 300, 200}));
  skin->PointerRelease(AtScreen(202, 100));
  EXPECT_EQ(pane.BoundsRect(), (TRect{240, 0, 300, 200}));
  EXPECT_EQ(rest.BoundsRect(), (TRect{0, 0, 240, 200}));
}

// ---- Double clicks ----

TEST_F(ControlSkinTest, DoubleClickOnTheSplitterOfACollapsedLeftPaneRestoresItsWidth) {
  Pane(alLeft, 60, 200);
  Bind();
  skin->Minimize();
  ASSERT_EQ(pane.Width(), kCaption + kSplitter);
  handlers->log.clear();
  // press, release, press, double press, release
  skin->PointerPress(On(22, 100));
  skin->PointerRelease(On(22, 100));
  skin->PointerPress(On(22, 100));
  skin->PointerDoubleClick(On(22, 100));
  skin->PointerRelease(On(22, 100));
  EXPECT_EQ(pane.Width(), 60);
  // The pane's double-click event fires too.
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"dblclick", "beforeExpand", "expand"}));

  // On an expanded pane the same collapses it.
  skin->PointerDoubleClick(On(57, 100));
  EXPECT_EQ(pane.Width(), kCaption + kSplitter);
  // The caption only expands.
  skin->PointerDoubleClick(On(5, 5));
  EXPECT_EQ(pane.Width(), 60);
  skin->PointerDoubleClick(On(5, 5));
  EXPECT_EQ(pane.Width(), 60);
}

// ---- Docking ----

struct DockCase {
  TZebrinSkinConstrainStyle style;
  TAlign current;
  TPoint point;
  TAlign expected;
};

class DockSideTable : public ::testing::TestWithParam<DockCase> {};

// A 400x200 client: the eighths are 50 wide and 25 high.
TEST_P(DockSideTable, SideUnderTheCursor) {
  const DockCase& c = GetParam();
  EXPECT_EQ(DockSideAt(TRect{0, 0, 400, 200}, c.point, c.style, c.current), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DockSideTable,
    ::testing::Values(DockCase{scsNone, alTop, {49, 100}, alLeft}, DockCase{scsNone, alTop, {50, 100}, alNone},
                      DockCase{scsNone, alTop, {350, 100}, alRight}, DockCase{scsNone, alLeft, {200, 24}, alTop},
                      DockCase{scsNone, alLeft, {200, 175}, alBottom},
                      // The left strip is tried before the top one in the corner.
                      DockCase{scsNone, alRight, {10, 10}, alLeft},
                      DockCase{scsAlign, alTop, {10, 100}, alNone}, DockCase{scsAlign, alTop, {10, 10}, alTop},
                      DockCase{scsAlign, alTop, {200, 190}, alNone},
                      DockCase{scsOppositeAlign, alTop, {10, 100}, alNone},
                      DockCase{scsOppositeAlign, alTop, {200, 190}, alBottom},
                      DockCase{scsOppositeAlign, alLeft, {390, 100}, alRight},
                      DockCase{scsOppositeAlign, alLeft, {200, 10}, alNone}));

TEST_F(ControlSkinTest, CaptionDragIntoTheLeftEighthDocksThePaneLeft) {
  Pane(alTop, 300, 80);
  Bind();
  skin->SetMoveable(true);
  skin->PointerPress(On(100, 10));
  EXPECT_TRUE(skin->MovingAligned());
  EXPECT_TRUE(form.AlignDisabled());
  EXPECT_FALSE(skin->HasButtons());
  // The pane follows freely; in the middle there is no side to dock to.
  skin->PointerMotion(AtScreen(150, 100));
  EXPECT_EQ(pane.BoundsRect(), (TRect{50, 90, 350, 170}));
  skin->PointerMotion(AtScreen(10, 100));
  EXPECT_EQ(popups.log.back(), "show 0,0,80,200");
  skin->PointerRelease(AtScreen(10, 100));
  EXPECT_FALSE(skin->MovingAligned());
  EXPECT_FALSE(form.AlignDisabled());
  EXPECT_EQ(pane.Align(), alLeft);
  // The pane takes the extent the indicator showed.
  EXPECT_EQ(pane.BoundsRect(), (TRect{0, 0, 80, 200}));
  EXPECT_EQ(rest.BoundsRect(), (TRect{80, 0, 300, 200}));
  EXPECT_EQ(popups.log.back(), "hide");
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"move 3", "moved 3", "size"}));
}

TEST_F(ControlSkinTest, CaptionRightClickPopsUpThePanesMenuWhenItPopsUpByItself) {
  halbrin::testing::FakePopupMenuPresenter presenter;
  platform::ScopedPopupMenuPresenter presenterScope{presenter};
  auto& menu = platform::MakeComponent<platform::TPopupMenu>(root);
  menu.SetName("PaneMenu");
  pane.SetPopupMenu(&menu);
  Pane(alTop, 300, 80);
  std::vector<bool> flagWhileOpen;
  presenter.whileOpen = [&](platform::TPopupMenu&) { flagWhileOpen.push_back(SkinManager()->DragFlag()); };
  TWindowPointer right = On(100, 10);
  right.button = TMouseButton::mbRight;
  skin->PointerPress(right);
  skin->PointerRelease(right);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].menu, "PaneMenu");
  EXPECT_EQ(presenter.shown[0].point, right.screen);
  EXPECT_EQ(menu.PopupComponent(), skin);
  EXPECT_EQ(flagWhileOpen, std::vector<bool>{true});
  EXPECT_FALSE(SkinManager()->DragFlag());
  // Without AutoPopup the caption keeps the menu shut.
  menu.SetAutoPopup(false);
  skin->PointerPress(right);
  skin->PointerRelease(right);
  EXPECT_EQ(presenter.shown.size(), 1u);
}

TEST_F(ControlSkinTest, ADropOutsideTheAllowedStripsSnapsBack) {
  Pane(alTop, 300, 80);
  skin->SetMoveable(true);
  skin->SetConstrainStyle(scsOppositeAlign);
  skin->PointerPress(On(100, 10));
  // Held at x 0 while constrained.
  skin->PointerMotion(AtScreen(10, 100));
  EXPECT_EQ(pane.Left(), 0);
  skin->PointerRelease(AtScreen(10, 100));
  EXPECT_EQ(pane.Align(), alTop);
  EXPECT_EQ(pane.BoundsRect(), (TRect{0, 0, 300, 80}));
  EXPECT_TRUE(skin->Moved() == false);
  // The bottom strip is allowed.
  skin->PointerPress(On(100, 10));
  skin->PointerMotion(AtScreen(100, 190));
  skin->PointerRelease(AtScreen(100, 190));
  EXPECT_EQ(pane.Align(), alBottom);
  EXPECT_EQ(pane.BoundsRect(), (TRect{0, 120, 300, 200}));
  EXPECT_TRUE(skin->Moved());
}

TEST_F(ControlSkinTest, SideChangeEventsVetoAndTheNormalBoundsSwap) {
  Pane(alTop, 300, 80);
  Bind();
  EXPECT_FALSE(skin->MoveAligned(alClient));
  EXPECT_FALSE(skin->MoveAligned(alTop));
  handlers->allowMove = false;
  skin->SetControlAlign(alLeft);
  EXPECT_EQ(pane.Align(), alTop);
  handlers->allowMove = true;

  skin->Minimize();
  skin->Restore();
  ASSERT_EQ(skin->NormalBounds(), (TRect{0, 0, 300, 80}));
  skin->OnGetAlignRect().Bind(*handlers, &Handlers::AlignRect);
  handlers->alignRect = TRect{0, 0, 90, 200};
  handlers->log.clear();
  EXPECT_TRUE(skin->MoveAligned(alRight));
  EXPECT_EQ(pane.Align(), alRight);
  EXPECT_EQ(pane.BoundsRect(), (TRect{210, 0, 300, 200}));
  // The expanded extent carries over to the new orientation.
  EXPECT_EQ(skin->NormalBounds().Width(), 80);
  EXPECT_EQ(skin->NormalBounds().Height(), 300);
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"move 4", "rect", "moved 4"}));
}

TEST_F(ControlSkinTest, TheTargetRectLeavesOutTopAndBottomSiblings) {
  TWinControl& header = platform::MakeComponent<TWinControl>(root);
  header.SetBounds(0, 0, 10, 30);
  header.SetAlign(alTop);
  header.SetParent(&form);
  TWinControl& footer = platform::MakeComponent<TWinControl>(root);
  footer.SetBounds(0, 0, 10, 15);
  footer.SetAlign(alBottom);
  footer.SetParent(&form);
  Pane(alBottom, 300, 50);
  // The pane itself does not count.
  EXPECT_EQ(skin->AlignTargetRect(alLeft), (TRect{0, 30, 50, 185}));
  EXPECT_EQ(skin->AlignTargetRect(alTop), (TRect{0, 0, 300, 50}));
  EXPECT_TRUE(skin->AlignTargetRect(alNone).IsEmpty());
}

// ---- Auto expand ----

TEST_F(ControlSkinTest, HoverExpandsAfterTheDelayAndLeavingCollapsesAgain) {
  Pane(alTop, 300, 80);
  skin->SetAutoExpand(true);
  skin->Minimize();
  desktop.cursor = TPoint{100, 10};
  skin->ControlEnter();
  EXPECT_TRUE(skin->SkinTimerActive(kSkinTimerExpand));
  loop.Advance(332);
  EXPECT_TRUE(skin->IsMinimized());
  loop.Advance(1);
  EXPECT_EQ(pane.Height(), 80);
  EXPECT_TRUE(skin->AutoExpanded());
  EXPECT_FALSE(skin->SkinTimerActive(kSkinTimerExpand));

  skin->ControlLeave();
  EXPECT_TRUE(skin->SkinTimerActive(kSkinTimerCollapse));
  loop.Advance(665);
  EXPECT_FALSE(skin->IsMinimized());
  loop.Advance(1);
  EXPECT_TRUE(skin->IsMinimized());
  EXPECT_FALSE(skin->AutoExpanded());
}

TEST_F(ControlSkinTest, HoverExpandNeedsTheCursorInTheFrameAndTheButtonUp) {
  Pane(alTop, 300, 80);
  skin->SetAutoExpand(true);
  skin->Minimize();
  const struct {
    const char* name;
    TPoint cursor;
    TShiftState shift;
    bool enter;
  } cases[] = {{"on the splitter", {100, 22}, 0, true},
               {"left button held", {100, 10}, ssLeft, true},
               {"mouse gone", {100, 10}, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    desktop.cursor = c.cursor;
    skin->PointerMotion(On(300, 300, c.shift));
    skin->ControlEnter();
    if (!c.enter) skin->ControlLeave();
    loop.Advance(400);
    EXPECT_TRUE(skin->IsMinimized());
    skin->ControlLeave();
  }
  // A press in the frame cancels a pending collapse.
  skin->PointerMotion(On(300, 300));
  desktop.cursor = TPoint{100, 10};
  skin->ControlEnter();
  loop.Advance(400);
  ASSERT_TRUE(skin->AutoExpanded());
  skin->ControlLeave();
  skin->PointerPress(On(100, 10));
  EXPECT_FALSE(skin->SkinTimerActive(kSkinTimerCollapse));
  EXPECT_FALSE(skin->AutoExpanded());
}

// ---- Close ----

TEST_F(ControlSkinTest, CloseHidesThenTellsTheControlsObservers) {
  Pane(alTop, 300, 80);
  std::vector<std::string> events;
  pane.AddObserver([&](platform::TControl& c, ControlEvent e) {
    if (e == ControlEvent::Hidden || e == ControlEvent::CloseRequested)
      events.push_back(std::string(platform::ControlEventName(e)) + (c.Visible() ? " visible" : " hidden"));
  });
  skin->Close();
  EXPECT_EQ(events, (std::vector<std::string>{"Hidden hidden", "CloseRequested hidden"}));
  EXPECT_EQ(rest.BoundsRect(), (TRect{0, 0, 300, 200}));
}

TEST_F(ControlSkinTest, CloseWithoutAWindowSendsNoNotification) {
  TWinControl& loose = platform::MakeComponent<TWinControl>(root);
  TZebrinControlSkin& s = platform::MakeComponent<TZebrinControlSkin>(root);
  s.SetControl(&loose);
  int requests = 0;
  loose.AddObserver([&](platform::TControl&, ControlEvent e) { requests += e == ControlEvent::CloseRequested; });
  s.Close();
  EXPECT_FALSE(loose.Visible());
  EXPECT_EQ(requests, 0);
}

}  // namespace
}  // namespace halbrin::skins
