#include "skins/core/custom_skin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/skin_window_scopes.h"
#include "fixtures/three_button_skin.h"
#include "platform/controls/action_list.h"
#include "platform/controls/recording_control_backend.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/graphics/image_list.h"
#include "platform/graphics/popup_menu.h"
#include "skins/core/recording_window_host.h"
#include "support/fake_popup_menu_presenter.h"

namespace halbrin::skins {
namespace {

using platform::TComponent;
using platform::TObject;
using platform::TWindowTraits;
using test::TThreeButtonSkin;

constexpr int kWidth = 200, kHeight = 150, kCaption = 20, kFooter = 10;

TWindowTraits SizableTraits() {
  TWindowTraits t;
  t.caption = t.border = t.sizable = t.framed = t.sysMenu = t.minBox = t.maxBox = true;
  return t;
}

void FillImages(platform::TCustomImageList& images, int count) {
  images.SetWidth(16);
  images.SetHeight(16);
  for (int i = 0; i < count; ++i) images.Add(platform::TArgbImage(16, 16, 0xFF000000));
}

// Script handlers stand-in: each event runs the function set for it.
class Handlers final : public TComponent {
 public:
  using TComponent::TComponent;
  void Mouse(TObject* sender, TMouseButton, TShiftState, int, int) {
    senders.push_back(sender);
    if (onMouse) onMouse(sender);
  }
  void DragOver(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept) {
    log.push_back("over " + std::to_string(state) + " " + std::to_string(x) + "," + std::to_string(y));
    (void)sender, (void)source;
    accept = acceptDrop;
  }
  void DragDrop(TObject*, TObject* source, int x, int y) {
    log.push_back("drop " + std::to_string(x) + "," + std::to_string(y));
    dropped = source;
  }
  void DragEnd(TObject*, TObject* target, int, int) {
    log.push_back("end");
    endTarget = target;
  }
  void Notify(TObject*) { ++notifies; }
  void PopupComponent(TObject* sender, TObject* menu) {
    log.push_back("popup");
    senders.push_back(sender);
    popupMenus.push_back(menu);
  }

  std::function<void(TObject*)> onMouse;
  std::vector<TObject*> senders;
  std::vector<TObject*> popupMenus;
  std::vector<std::string> log;
  bool acceptDrop = false;
  TObject* dropped = nullptr;
  TObject* endTarget = nullptr;
  int notifies = 0;
};

class CustomSkinTest : public ::testing::Test, protected TSkinWindowScopes {
 protected:
  CustomSkinTest() {
    root.SetName("App");
    images.SetName("Glyphs");
    FillImages(images, 9);
    form = MakeForm("Form1", SizableTraits());
    skin = MakeSkin("Skin1");
    handlers = &platform::MakeComponent<Handlers>(root);
  }
  ~CustomSkinTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  TWinControl* MakeForm(const std::string& name, const TWindowTraits& traits) {
    auto& control = platform::MakeComponent<TWinControl>(root);
    control.SetName(name);
    control.SetBounds(0, 0, kWidth, kHeight);
    control.SetWindowTraits(traits);
    control.HandleNeeded();
    return &control;
  }

  // One caption band of kCaption, one footer band of kFooter, the window buttons on 16x16 glyphs.
  TThreeButtonSkin* MakeSkin(const std::string& name) {
    auto& s = platform::MakeComponent<TThreeButtonSkin>(root);
    s.SetName(name);
    s.Caption()->Add().Metrics()->SetSize(kCaption);
    s.Footer()->Add().Metrics()->SetSize(kFooter);
    s.Buttons()->SetImageList(&images);
    return &s;
  }

  void Hook(TZebrinCustomSkin& s, TWinControl& control) {
    s.SetControl(&control);
    s.SetEnabled(true);
  }

  TRecordingWindowHost& HostOf(TWinControl& control) {
    TRecordingWindowHost* host = hosts.HostOf(control);
    EXPECT_NE(host, nullptr);
    return *host;
  }

  int Count(const std::string& line) const { return static_cast<int>(std::count(hosts.log.begin(), hosts.log.end(), line)); }
  bool Logged(const std::string& prefix) const {
    return std::any_of(hosts.log.begin(), hosts.log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }

  static TWindowPointer At(int x, int y, TMouseButton button = TMouseButton::mbLeft, TShiftState shift = 0) {
    TWindowPointer p;
    p.pos = TPoint{x, y};
    p.screen = TPoint{x, y};
    p.button = button;
    p.shift = shift;
    return p;
  }
  // The pointer at a window point of `host`'s window, screen point included.
  static TWindowPointer On(const TRecordingWindowHost& host, int x, int y, TShiftState shift = 0) {
    TWindowPointer p = At(x, y, TMouseButton::mbLeft, shift);
    p.screen = host.WindowToScreen(p.pos);
    return p;
  }

  int Inset() const { return SkinManager()->Metrics().frameInset; }

  platform::TCustomImageList images;
  TComponent root;
  TWinControl* form = nullptr;
  TThreeButtonSkin* skin = nullptr;
  Handlers* handlers = nullptr;
};

// ---- Layout ----

TEST_F(CustomSkinTest, NonClientLayoutPerBorderStyle) {
  TWindowTraits framedOnly = SizableTraits();
  framedOnly.sizable = false;
  TWindowTraits plain;
  plain.caption = true;
  const struct {
    const char* name;
    TWindowTraits traits;
    bool framed;
  } cases[] = {{"sizable", SizableTraits(), true}, {"framed", framedOnly, true}, {"plain", plain, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TWinControl* control = MakeForm(std::string("W") + c.name, c.traits);
    TZebrinCustomSkin* s = MakeSkin(std::string("S") + c.name);
    Hook(*s, *control);
    const int f = c.framed ? Inset() : 0;
    EXPECT_EQ(s->GetBoundsRect(), (TRect{0, 0, kWidth, kHeight}));
    EXPECT_EQ(s->GetFrameRect(), (TRect{f, f, kWidth - f, kHeight - f}));
    EXPECT_EQ(s->ClientRect(), (TRect{f, f + kCaption, kWidth - f, kHeight - f - kFooter}));
    EXPECT_EQ(control->NonClientMargins(), (TRect{f, f + kCaption, f, f + kFooter}));
    // The stripped decorations, and they come back on unhooking.
    EXPECT_FALSE(control->WindowTraits().caption);
    EXPECT_FALSE(control->WindowTraits().border);
    EXPECT_EQ(control->WindowTraits().sizable, c.traits.sizable);
    s->SetEnabled(false);
    EXPECT_EQ(control->WindowTraits(), c.traits);
    EXPECT_EQ(control->NonClientMargins(), TRect{});
  }
}

TEST_F(CustomSkinTest, CaptionOrientationByAlign) {
  const struct {
    TZebrinSkinCaptionAlign align;
    platform::TAlign controlAlign;
    bool minimized;
    TRect bounds;
    bool horizontal;
  } cases[] = {
      {scaTop, platform::alNone, false, {0, 0, 300, 200}, true},
      {scaSmartTop, platform::alLeft, false, {0, 0, 300, 200}, true},
      {scaLeft, platform::alNone, false, {0, 0, 200, 300}, false},
      {scaAuto, platform::alNone, false, {0, 0, 300, 200}, false},
      {scaAuto, platform::alNone, false, {0, 0, 200, 300}, true},
      {scaAuto, platform::alNone, false, {0, 0, 200, 200}, true},
      {scaAutoInverse, platform::alNone, false, {0, 0, 300, 200}, true},
      {scaAutoInverse, platform::alNone, false, {0, 0, 200, 300}, false},
      {scaStupidLeft, platform::alClient, false, {0, 0, 300, 200}, true},
      {scaStupidLeft, platform::alClient, true, {0, 0, 300, 200}, false},
      {scaStupidLeft, platform::alLeft, false, {0, 0, 300, 200}, false},
      {scaStupidLeft, platform::alRight, true, {0, 0, 300, 200}, true},
      {scaStupidLeft, platform::alCustom, false, {0, 0, 300, 200}, true},
  };
  Hook(*skin, *form);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.align) + " " + std::to_string(c.controlAlign) + (c.minimized ? " min" : ""));
    skin->Caption()->SetAlign(c.align);
    form->SetAlign(c.controlAlign);
    HostOf(*form).minimized = c.minimized;
    EXPECT_EQ(skin->IsCaptionHorizontal(c.bounds), c.horizontal);
  }
}

TEST_F(CustomSkinTest, AutoCaptionOnAWideWindowRunsDownTheLeft) {
  skin->Caption()->SetAlign(scaAuto);
  form->SetBounds(0, 0, 300, 200);
  Hook(*skin, *form);
  const int f = Inset();
  EXPECT_FALSE(skin->Horizontal());
  EXPECT_EQ(skin->ClientRect().Left, f + kCaption);
  form->SetBounds(0, 0, 200, 300);
  HostOf(*form).RecalcFrame();
  EXPECT_TRUE(skin->Horizontal());
  EXPECT_EQ(skin->ClientRect().Top, f + kCaption);
}

TEST_F(CustomSkinTest, MinMaxInfoWithSiblings) {
  auto& parent = platform::MakeComponent<TWinControl>(root);
  parent.SetBounds(0, 0, 400, 300);
  parent.HandleNeeded();
  const auto child = [&](platform::TAlign align, int w, int h) -> TWinControl& {
    auto& c = platform::MakeComponent<TWinControl>(root);
    c.SetParent(&parent);
    c.SetAlign(align);
    c.SetBounds(0, 0, w, h);
    return c;
  };
  child(platform::alTop, 400, 50);
  child(platform::alBottom, 400, 30);
  TWinControl& left = child(platform::alLeft, 60, 100);
  left.Constraints().SetMinHeight(100);
  TWinControl& pane = child(platform::alTop, 400, 40);
  Hook(*skin, pane);
  const TSkinMinMaxInfo info = skin->GetMinMaxInfo({{0, 0}, {10000, 10000}});
  // 300 less the top and bottom panes (50 + 30 + 40), plus its own 40, less the left pane's minimum 100.
  EXPECT_EQ(info.maxTrack.cy, 120);
  EXPECT_EQ(info.minTrack.cy, kCaption);

  // A small parent would give a maximum below the minimum: the minimum holds.
  left.Constraints().SetMinHeight(280);
  EXPECT_EQ(skin->GetMinMaxInfo({{0, 0}, {10000, 10000}}).maxTrack.cy, kCaption);
  pane.Constraints().SetMinHeight(60);
  EXPECT_EQ(skin->GetConstraints().cy, 60);
}

// ---- Hit testing ----

TEST_F(CustomSkinTest, HitCodesOnAGrid) {
  skin->Caption()->Add().Metrics()->SetSize(kCaption);
  skin->Caption()->Items(1)->SetCaptureMouse(false);
  Hook(*skin, *form);
  const int f = Inset();
  const TRect closeRect = skin->Buttons()->Items(0)->BoundsRect();
  ASSERT_FALSE(closeRect.IsEmpty());
  const struct {
    TPoint at;
    int hit;
  } cases[] = {
      {{0, 0}, kHitTopLeft},
      {{f + 2, 0}, kHitTopLeft},
      {{100, 0}, kHitTop},
      {{kWidth - 1, 0}, kHitTopRight},
      {{0, 75}, kHitLeft},
      {{kWidth - 1, 75}, kHitRight},
      {{0, kHeight - 1}, kHitBottomLeft},
      {{100, kHeight - 1}, kHitBottom},
      {{kWidth - 1, kHeight - 1}, kHitBottomRight},
      {{40, f + 5}, kHitSkinCaption},
      {{closeRect.Left + 2, closeRect.Top + 2}, kHitSkinButton},
      {{40, f + kCaption + 5}, kHitSkinBand},
      {{100, 100}, kHitClient},
      {{40, kHeight - f - 3}, kHitSkinFooter},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.at.X) + "," + std::to_string(c.at.Y));
    EXPECT_EQ(skin->HitTest(c.at), c.hit);
    EXPECT_EQ(skin->LastHitCode(), c.hit);
  }
  // Maximised, the frame strip sizes nothing.
  HostOf(*form).maximized = true;
  EXPECT_EQ(skin->HitTest(TPoint{100, 0}), kHitNowhere);
}

TEST_F(CustomSkinTest, ItemAtPosFindsButtonsBeforeBands) {
  Hook(*skin, *form);
  const int f = Inset();
  const TRect closeRect = skin->Buttons()->Items(0)->BoundsRect();
  TSkinElement e = skin->ItemAtPos(TPoint{closeRect.Left + 1, closeRect.Top + 1});
  EXPECT_EQ(e.kind, TSkinElement::Kind::Button);
  EXPECT_EQ(e.Get(), skin->Buttons()->Items(0));
  e = skin->ItemAtPos(TPoint{30, f + 5});
  EXPECT_EQ(e.kind, TSkinElement::Kind::Band);
  EXPECT_EQ(e.Get(), skin->Caption()->Items(0));
  EXPECT_TRUE(skin->ItemAtPos(TPoint{100, 100}).IsNone());
}

// ---- The mouse ----

TEST_F(CustomSkinTest, CaptionPressStartsAMoveAndSizingEdgesAResize) {
  Hook(*skin, *form);
  hosts.log.clear();
  skin->PointerPress(At(40, Inset() + 5));
  EXPECT_EQ(hosts.log, (std::vector<std::string>{"BringToFront", "SetCursor -22", "BeginMove 40," + std::to_string(Inset() + 5)}));
  skin->PointerRelease(At(40, Inset() + 5));
  skin->PointerPress(At(kWidth - 1, kHeight - 1));
  EXPECT_EQ(hosts.log.back(), "BeginResize SouthEast");

  // Not moveable (as OnGetMoveable answers): no move.
  hosts.log.clear();
  skin->SetMoveable(false);
  skin->PointerPress(At(40, Inset() + 5));
  EXPECT_FALSE(Logged("BeginMove"));
}

TEST_F(CustomSkinTest, PressReleaseOnAWindowButtonClicksIt) {
  Hook(*skin, *form);
  TZebrinSkinWindowButton* close = skin->Buttons()->Items(0);
  ASSERT_EQ(close->Style(), btsClose);
  const TRect r = close->BoundsRect();
  const TWindowPointer p = At(r.Left + 2, r.Top + 2);
  skin->PointerMotion(p);
  EXPECT_TRUE(close->Hot());
  skin->PointerPress(p);
  EXPECT_TRUE(close->Pressed());
  hosts.log.clear();
  skin->PointerRelease(p);
  EXPECT_FALSE(close->Pressed());
  EXPECT_EQ(Count("Execute Close"), 1);

  // Released somewhere else: no click.
  hosts.log.clear();
  skin->PointerPress(p);
  skin->PointerMotion(At(40, Inset() + 5, TMouseButton::mbLeft, ssLeft));
  skin->PointerMotion(At(40, Inset() + 5));
  skin->PointerRelease(At(40, Inset() + 5));
  EXPECT_EQ(Count("Execute Close"), 0);
  EXPECT_FALSE(close->Pressed());

  // Leaving forgets the hot button.
  skin->PointerMotion(p);
  skin->PointerLeave();
  EXPECT_FALSE(close->Hot());
  EXPECT_EQ(skin->Mouse().pressPoint.X, -1);
}

TEST_F(CustomSkinTest, MouseEventsCarryTheHotElement) {
  Hook(*skin, *form);
  skin->OnMouseDown().Bind(*handlers, &Handlers::Mouse);
  skin->OnClick().Bind(*handlers, &Handlers::Mouse);
  const TRect r = skin->Buttons()->Items(0)->BoundsRect();
  skin->PointerPress(At(r.Left + 2, r.Top + 2));
  skin->PointerRelease(At(r.Left + 2, r.Top + 2));
  ASSERT_EQ(handlers->senders.size(), 2u);
  EXPECT_EQ(handlers->senders[0], skin->Buttons()->Items(0));
  EXPECT_EQ(handlers->senders[1], skin->Buttons()->Items(0));
}

TEST_F(CustomSkinTest, ButtonDragStartsBeyondFourPixels) {
  skin->Caption()->Add().Metrics()->SetSize(kCaption);
  skin->ToolButtons()->SetBandIndex(1);
  skin->ToolButtons()->SetImageList(&images);
  skin->ToolButtons()->Add().SetImageIndex(0);
  Hook(*skin, *form);
  TZebrinSkinCustomButton* tool = skin->ToolButtons()->Items(0);
  const TRect r = tool->BoundsRect();
  ASSERT_FALSE(r.IsEmpty());
  const struct {
    int dx, dy;
    bool drags;
  } cases[] = {{4, 0, false}, {3, 3, false}, {0, 4, false}, {5, 0, true}, {4, 3, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
    const TPoint start{r.Left + 2, r.Top + 2};
    skin->PointerPress(At(start.X, start.Y));
    skin->PointerMotion(At(start.X + c.dx, start.Y + c.dy, TMouseButton::mbLeft, ssLeft));
    EXPECT_EQ(SkinManager()->IsDragging(), c.drags);
    if (c.drags) {
      EXPECT_FALSE(tool->Pressed());
      EXPECT_TRUE(skin->Mouse().hot.IsNone());
    }
    skin->PointerRelease(At(start.X + c.dx, start.Y + c.dy));
    EXPECT_FALSE(SkinManager()->IsDragging());
  }
}

TEST_F(CustomSkinTest, RightClickOnTheCaptionOpensTheSystemMenu) {
  Hook(*skin, *form);
  TRecordingWindowHost& host = HostOf(*form);
  const TWindowPointer p = At(40, Inset() + 5, TMouseButton::mbRight);
  skin->PointerPress(p);
  skin->PointerRelease(p);
  ASSERT_TRUE(host.lastMenu);
  EXPECT_EQ(*host.lastMenu, (TSystemMenuState{false, true, true, true, true, true, TWindowCommand::Maximize}));
  EXPECT_FALSE(Logged("Execute"));

  // Maximised: Move, Size and Maximize greyed, Restore the default; the choice runs.
  host.maximized = true;
  host.menuAnswer = TSystemMenuAnswer{TSystemMenuChoice::Command, TWindowCommand::Restore};
  skin->PointerPress(p);
  skin->PointerRelease(p);
  EXPECT_EQ(*host.lastMenu, (TSystemMenuState{true, false, false, true, false, true, TWindowCommand::Restore}));
  EXPECT_EQ(Count("Execute Restore"), 1);
  EXPECT_FALSE(SkinManager()->DragFlag());

  // Minimised: Restore on, Minimize off.
  host.minimized = true;
  host.maximized = false;
  EXPECT_EQ(skin->SystemMenuState(), (TSystemMenuState{true, true, true, false, true, true, TWindowCommand::Maximize}));
}

TEST_F(CustomSkinTest, NoSystemMenuWithoutOne) {
  TWindowTraits traits = SizableTraits();
  traits.sysMenu = false;
  TWinControl* control = MakeForm("Bare", traits);
  TZebrinCustomSkin* s = MakeSkin("BareSkin");
  Hook(*s, *control);
  const TWindowPointer p = At(40, Inset() + 5, TMouseButton::mbRight);
  s->PointerPress(p);
  s->PointerRelease(p);
  EXPECT_FALSE(Logged("SystemMenu"));
}

// An editor that keeps the edit it was given for the test to end.
class FakeEditor final : public ISkinItemEditor {
 public:
  void Edit(const TRect& r, std::string text, const TFontSpec&, std::weak_ptr<const void>,
            TItemEditSession::EndHandler end) override {
    rect = r;
    started = std::move(text);
    onEnd = std::move(end);
  }
  void Cancel() override { onEnd = nullptr; }
  bool Editing() const override { return static_cast<bool>(onEnd); }
  TRect rect;
  std::string started;
  TItemEditSession::EndHandler onEnd;
};

class EditorFactory final : public HeadlessSkinPopupFactory {
 public:
  std::unique_ptr<ISkinItemEditor> CreateItemEditor() override {
    auto made = std::make_unique<FakeEditor>();
    editor = made.get();
    return made;
  }
  FakeEditor* editor = nullptr;
};

class EditHandler final : public TComponent {
 public:
  using TComponent::TComponent;
  void Edit(TObject* item, std::string& text) {
    edited = item;
    text += "!";
  }
  TObject* edited = nullptr;
};

TEST_F(CustomSkinTest, EditableBandItemOpensTheEditor) {
  EditorFactory factory;
  ScopedSkinPopupFactory scope(factory);
  skin->SetContentEditable(true);
  auto& edits = platform::MakeComponent<EditHandler>(root);
  skin->OnEditItem().Bind(edits, &EditHandler::Edit);
  Hook(*skin, *form);
  // A band that does not take the mouse leaves it to its items (108), not to moving.
  skin->Caption()->Items(0)->SetCaptureMouse(false);
  TZebrinSkinCustomBandItem* item = skin->Caption()->Items(0)->Item();
  item->SetText("Title");
  const int f = Inset();
  item->SetRect(TRect{f + 10, f + 2, f + 60, f + 18});
  skin->PointerPress(At(f + 20, f + 5));
  EXPECT_EQ(skin->LastHitCode(), kHitSkinBandItem);
  EXPECT_FALSE(Logged("BeginMove"));
  skin->PointerRelease(At(f + 20, f + 5));
  ASSERT_NE(factory.editor, nullptr);
  ASSERT_TRUE(factory.editor->Editing());
  EXPECT_EQ(factory.editor->started, "Title");
  // In screen coordinates: the recording host's first window sits at the origin.
  EXPECT_EQ(factory.editor->rect, item->Rect());
  factory.editor->onEnd(TItemEditResult{true, "New", true});
  EXPECT_EQ(edits.edited, item);
  EXPECT_EQ(item->Text(), "New!");
}

TEST_F(CustomSkinTest, BandItemButtonsAndItemsTakeTheMouse) {
  EditorFactory factory;
  ScopedSkinPopupFactory scope(factory);
  TZebrinSkinCustomBandItem* item = skin->Caption()->Items(0)->Item();
  item->Buttons()->SetImageList(&images);
  auto& check = item->Buttons()->Add();
  check.SetImageIndex(0);
  check.SetStyle(tbsCheck);
  item->SetText("Title");
  item->SetCaptureMouse(true);
  form->SetText("Editor");
  skin->Caption()->SetDefaultText(true);
  Hook(*skin, *form);
  EXPECT_EQ(item->Text(), "Editor");
  const TRect b = check.BoundsRect();
  ASSERT_FALSE(b.IsEmpty());
  const TRect t = item->BoundsRect();
  ASSERT_FALSE(t.IsEmpty());
  EXPECT_GE(t.Left, b.Right) << "the item's text follows its buttons";
  EXPECT_EQ(t.Width(), static_cast<int>(std::string("Editor").size()) * 7) << "measured by the host";
  // A press and release on the item's button: 106, and the check button toggles.
  skin->PointerPress(At(b.Left + 2, b.Top + 2));
  EXPECT_EQ(skin->LastHitCode(), kHitSkinButton);
  EXPECT_TRUE(check.Pressed());
  skin->PointerRelease(At(b.Left + 2, b.Top + 2));
  EXPECT_TRUE(check.Down());
  // An item that captures the mouse: 108, not a caption drag.
  skin->PointerPress(At(t.Left + 2, t.Top + 2));
  EXPECT_EQ(skin->LastHitCode(), kHitSkinBandItem);
  EXPECT_FALSE(Logged("BeginMove"));
  skin->PointerRelease(At(t.Left + 2, t.Top + 2));
  EXPECT_EQ(factory.editor, nullptr) << "a text item is not edited";
  // An edit field opens the editor without ContentEditable.
  item->SetStyle(sbsEdit);
  skin->PointerPress(At(t.Left + 2, t.Top + 2));
  skin->PointerRelease(At(t.Left + 2, t.Top + 2));
  ASSERT_NE(factory.editor, nullptr);
  EXPECT_TRUE(factory.editor->Editing());
}

TEST_F(CustomSkinTest, DoubleClickCursorAndControlEnterLeave) {
  Hook(*skin, *form);
  skin->OnDblClick().Bind(*handlers, &Handlers::Mouse);
  skin->OnMouseEnter().Bind(*handlers, &Handlers::Notify);
  skin->OnMouseLeave().Bind(*handlers, &Handlers::Notify);
  const TRect r = skin->Buttons()->Items(0)->BoundsRect();
  skin->PointerDoubleClick(At(r.Left + 2, r.Top + 2));
  ASSERT_EQ(handlers->senders.size(), 1u);
  EXPECT_EQ(handlers->senders[0], skin->Buttons()->Items(0));

  hosts.log.clear();
  EXPECT_TRUE(skin->SetCursorFor(kHitSysMenu));
  EXPECT_EQ(hosts.log.back(), "SetCursor -21");
  skin->HitTest(TPoint{r.Left + 2, r.Top + 2});
  EXPECT_TRUE(skin->SetCursorFor(kHitSkinButton));
  EXPECT_FALSE(skin->SetCursorFor(kHitSkinCaption));

  skin->ControlEnter();
  skin->ControlEnter();
  skin->ControlLeave();
  EXPECT_EQ(handlers->notifies, 2);
}

// ---- Window buttons ----

TEST_F(CustomSkinTest, ButtonsFollowTheWindowState) {
  Hook(*skin, *form);
  TZebrinSkinWindowButtons& buttons = *skin->Buttons();
  ASSERT_EQ(buttons.Count(), 3);
  EXPECT_EQ(buttons.Items(0)->Hint(), "Close|Alt+F4");
  EXPECT_EQ(buttons.Items(1)->Style(), btsMaximize);
  EXPECT_EQ(buttons.Items(2)->Style(), btsMinimize);
  EXPECT_TRUE(buttons.Items(1)->Visible());

  TRecordingWindowHost& host = HostOf(*form);
  skin->RunWindowOperation(TWindowCommand::Maximize);
  skin->UpdateButtons();
  EXPECT_FALSE(buttons.Items(1)->Visible());
  EXPECT_TRUE(buttons.Items(2)->Visible());
  host.minimized = true;
  skin->WindowStateChanged();  // the window system tells of the new state
  EXPECT_FALSE(buttons.Items(2)->Visible());

  // A control that fills its parent shows no maximise or minimise button.
  host.maximized = host.minimized = false;
  form->SetAlign(platform::alClient);
  skin->UpdateButtons();
  EXPECT_FALSE(buttons.Items(1)->Visible());
  EXPECT_FALSE(buttons.Items(2)->Visible());
}

// ---- Attachments ----

TEST_F(CustomSkinTest, StackedAttachmentsLeaveInAnyOrder) {
  std::array<int, 3> order{0, 1, 2};
  do {
    SCOPED_TRACE(std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]));
    TWinControl* control = MakeForm("Pane", SizableTraits());
    int seenA = 0, seenB = 0;
    const auto countText = [](int& n) {
      return [&n](platform::TControl&, platform::ControlEvent e) {
        if (e == platform::ControlEvent::TextChanged) ++n;
      };
    };
    platform::ObserverToken a = control->AddObserver(countText(seenA));
    TZebrinCustomSkin* s = MakeSkin("PaneSkin");
    Hook(*s, *control);
    platform::ObserverToken b = control->AddObserver(countText(seenB));
    std::array<bool, 3> attached{true, true, true};
    for (int which : order) {
      if (which == 0) control->RemoveObserver(a);
      if (which == 1) s->SetEnabled(false);
      if (which == 2) control->RemoveObserver(b);
      attached[which] = false;
      hosts.log.clear();
      const int beforeA = seenA, beforeB = seenB;
      control->SetText(control->Text() + "x");
      EXPECT_EQ(seenA - beforeA, attached[0] ? 1 : 0);
      EXPECT_EQ(Count("RecalcFrame " + platform::TRecordingCanvas::RectText(s->ClientRect())) > 0, attached[1]);
      EXPECT_EQ(seenB - beforeB, attached[2] ? 1 : 0);
    }
    TComponent::Free(*s);
    TComponent::Free(*control);
  } while (std::next_permutation(order.begin(), order.end()));
}

// ---- Enabled and Control ----

TEST_F(CustomSkinTest, EnabledAndControlTransitions) {
  skin->SetEnabled(true);  // no control yet: not kept
  EXPECT_FALSE(skin->Enabled());
  skin->SetControl(form);
  EXPECT_EQ(Count("Created"), 0);
  skin->SetEnabled(true);
  EXPECT_EQ(Count("Created"), 1);
  EXPECT_TRUE(skin->Hooked());
  skin->SetControl(form);  // the same control: nothing
  EXPECT_EQ(Count("Created"), 1);
  EXPECT_EQ(Count("Detached"), 0);

  TWinControl* other = MakeForm("Form2", SizableTraits());
  skin->SetControl(other);
  EXPECT_EQ(Count("Detached"), 1);
  EXPECT_EQ(Count("Created"), 2);
  EXPECT_EQ(form->WindowTraits(), SizableTraits());
  EXPECT_NE(hosts.HostOf(*other), nullptr);

  // Another skin may not take the control, and keeps its own.
  TZebrinCustomSkin* second = MakeSkin("Skin2");
  second->SetControl(form);
  try {
    second->SetControl(other);
    FAIL() << "no exception";
  } catch (const ESkinException& e) {
    EXPECT_STREQ(e.what(), "Form2 already skinned by App.Skin1");
  }
  EXPECT_EQ(second->Control(), form);
  EXPECT_THROW(SkinManager()->CheckNotSkinned(*other), ESkinException);

  skin->SetEnabled(false);
  EXPECT_EQ(Count("Detached"), 2);
  EXPECT_FALSE(skin->Hooked());
}

TEST_F(CustomSkinTest, LoadingChangesOnlyTheRememberedValue) {
  skin->SetControl(form);
  skin->SetLoading(true);
  skin->SetEnabled(true);
  EXPECT_FALSE(skin->Enabled());
  EXPECT_TRUE(skin->RememberedEnabled());
  EXPECT_EQ(Count("Created"), 0);
  skin->Loaded();
  EXPECT_TRUE(skin->Enabled());
  EXPECT_EQ(Count("Created"), 1);
}

TEST_F(CustomSkinTest, ControlFreedUnhooksAndRemembers) {
  Hook(*skin, *form);
  TComponent::Free(*form);
  EXPECT_EQ(skin->Control(), nullptr);
  EXPECT_FALSE(skin->Hooked());
  EXPECT_FALSE(skin->Enabled());
  EXPECT_EQ(Count("Detached"), 1);
  // The next control is hooked once the skin is enabled again.
  TWinControl* other = MakeForm("Form3", SizableTraits());
  skin->SetControl(other);
  EXPECT_FALSE(skin->Hooked());
  skin->SetEnabled(true);
  EXPECT_TRUE(skin->Hooked());
}

TEST_F(CustomSkinTest, DisabledSkinPassesEverythingThrough) {
  skin->SetControl(form);
  ASSERT_FALSE(skin->Enabled());
  EXPECT_EQ(skin->HitTest(TPoint{40, 5}), kHitClient);
  EXPECT_EQ(skin->FrameResized(TSize{kWidth, kHeight}), (TRect{0, 0, kWidth, kHeight}));
  EXPECT_FALSE(skin->SetCursorFor(kHitSysMenu));
  skin->SetEraseBackground(false);
  EXPECT_FALSE(skin->EraseBackgroundHandled());
  skin->PointerPress(At(40, 5));
  skin->PointerRelease(At(40, 5, TMouseButton::mbRight));
  platform::TRecordingCanvas canvas;
  skin->PaintFrame(canvas);
  EXPECT_TRUE(canvas.Calls().empty());
  EXPECT_TRUE(hosts.log.empty());
  skin->SetEnabled(true);
  EXPECT_TRUE(skin->EraseBackgroundHandled());
}

// ---- Painting ----

TEST_F(CustomSkinTest, PaintFrameDrawsEdgesThenCopiesTheBandAreas) {
  Hook(*skin, *form);
  TRecordingWindowHost& host = HostOf(*form);
  hosts.log.clear();
  platform::TRecordingCanvas canvas;
  skin->PaintFrame(canvas);
  const int f = Inset();
  const std::vector<std::string> copies(hosts.log.begin(), hosts.log.end());
  EXPECT_EQ(copies, (std::vector<std::string>{
                        "CopySurface " + std::to_string(f) + "," + std::to_string(f) + " " + std::to_string(kWidth - 2 * f) +
                            "x" + std::to_string(kCaption),
                        "CopySurface " + std::to_string(f) + "," + std::to_string(kHeight - f - kFooter) + " " +
                            std::to_string(kWidth - 2 * f) + "x" + std::to_string(kFooter)}));
  EXPECT_EQ(host.surfaces.size(), 2u);
  // The window edges went to the canvas itself.
  EXPECT_FALSE(canvas.Calls().empty());
}

// ---- Activation, flashing, timers ----

TEST_F(CustomSkinTest, DeactivationRedrawsAfterFiftyMilliseconds) {
  Hook(*skin, *form);
  form->Show();
  hosts.log.clear();
  skin->SetActive(true);
  EXPECT_EQ(Count("InvalidateFrame"), 1);
  skin->SetActive(false);
  EXPECT_EQ(Count("InvalidateFrame"), 1);
  loop.Advance(49);
  EXPECT_EQ(Count("InvalidateFrame"), 1);
  loop.Advance(1);
  EXPECT_EQ(Count("InvalidateFrame"), 2);
  loop.Advance(200);
  EXPECT_EQ(Count("InvalidateFrame"), 2);
  EXPECT_FALSE(skin->SkinTimerActive(kSkinTimerRedraw));

  // Frozen: activation is ignored.
  SkinManager()->SetActivationFrozen(true);
  skin->SetActive(true);
  EXPECT_FALSE(skin->GetActive());
  SkinManager()->SetActivationFrozen(false);
  // Without ActiveTrack the skin always reads active.
  skin->SetActiveTrack(false);
  EXPECT_TRUE(skin->GetActive());
}

TEST_F(CustomSkinTest, FlashTogglesTwicePerCount) {
  Hook(*skin, *form);
  form->Show();
  SkinManager()->SetFlashDelay(100);
  skin->Flash(3);
  EXPECT_TRUE(skin->SkinTimerActive(kSkinTimerFlash));
  int toggles = 0;
  bool on = skin->CaptionFlashOn();
  for (int i = 0; i < 10; ++i) {
    loop.Advance(100);
    if (skin->CaptionFlashOn() != on) ++toggles;
    on = skin->CaptionFlashOn();
  }
  EXPECT_EQ(toggles, 6);
  EXPECT_FALSE(skin->Flashing());
  EXPECT_FALSE(skin->SkinTimerActive(kSkinTimerFlash));

  skin->Flash(-1);
  EXPECT_EQ(skin->FlashCount(), 0x3FFFFFFF * 2);
  // A press on the caption stops it.
  skin->PointerPress(At(40, Inset() + 5));
  EXPECT_FALSE(skin->Flashing());
}

TEST_F(CustomSkinTest, NoTimersWithoutAWindowAndHookingMakesOne) {
  auto& windowless = platform::MakeComponent<TWinControl>(root);
  skin->SetControl(&windowless);
  skin->SetSkinTimer(kSkinTimerRedraw, 50);
  EXPECT_FALSE(skin->SkinTimerActive(kSkinTimerRedraw));
  // Hooking makes the window, undecorated, and builds the window buttons on it.
  skin->SetEnabled(true);
  EXPECT_TRUE(windowless.HandleAllocated());
  EXPECT_EQ(skin->Buttons()->Count(), 3);
  skin->SetSkinTimer(kSkinTimerRedraw, 50);
  EXPECT_TRUE(skin->SkinTimerActive(kSkinTimerRedraw));
}

// ---- Call-outs ----

TEST_F(CustomSkinTest, SkinFreedFromItsOwnClickHandler) {
  Hook(*skin, *form);
  skin->OnClick().Bind(*handlers, &Handlers::Mouse);
  handlers->onMouse = [this](TObject*) { TComponent::Free(*skin); };
  const TRect r = skin->Buttons()->Items(0)->BoundsRect();
  skin->PointerPress(At(r.Left + 2, r.Top + 2));
  skin->PointerRelease(At(r.Left + 2, r.Top + 2));
  skin = nullptr;
  // The handler ran, the close command after it did not, and the host goes later.
  EXPECT_EQ(handlers->senders.size(), 1u);
  EXPECT_EQ(Count("Execute Close"), 0);
  EXPECT_EQ(Count("Detached"), 1);
  EXPECT_EQ(SkinManager()->SkinCount(), 0);
  loop.RunIdle();
  EXPECT_EQ(Count("Destroyed"), 1);
}

TEST_F(CustomSkinTest, ControlFreedFromTheMouseDownHandler) {
  Hook(*skin, *form);
  skin->OnMouseDown().Bind(*handlers, &Handlers::Mouse);
  handlers->onMouse = [this](TObject*) { TComponent::Free(*form); };
  skin->PointerPress(At(40, Inset() + 5));
  // The move after the handler never started.
  EXPECT_FALSE(Logged("BeginMove"));
  EXPECT_EQ(skin->Control(), nullptr);
}

// ---- Button drags between skins ----

TEST_F(CustomSkinTest, OnlySkinButtonsAreDragged) {
  Hook(*skin, *form);
  EXPECT_FALSE(SkinManager()->StartButtonDrag(*skin->Caption()->Items(0), *skin));
  EXPECT_FALSE(SkinManager()->IsDragging());
  EXPECT_EQ(SkinManager()->DragIndicator(), nullptr);
}

TEST_F(CustomSkinTest, ButtonDraggedToAnotherSkin) {
  for (const bool accept : {true, false}) {
    SCOPED_TRACE(accept ? "accepted" : "refused");
    TWinControl* targetForm = MakeForm(accept ? "TargetA" : "TargetR", SizableTraits());
    TZebrinCustomSkin* target = MakeSkin(accept ? "TargetSkinA" : "TargetSkinR");
    skin->ToolButtons()->SetImageList(&images);
    skin->ToolButtons()->Clear();
    skin->ToolButtons()->Add().SetImageIndex(0);
    skin->ToolButtons()->SetBandIndex(0);
    skin->Buttons()->SetVisible(false);
    Hook(*skin, *form);
    Hook(*target, *targetForm);
    handlers->log.clear();
    handlers->acceptDrop = accept;
    handlers->endTarget = handlers->dropped = nullptr;
    target->OnDragOver().Bind(*handlers, &Handlers::DragOver);
    target->OnDragDrop().Bind(*handlers, &Handlers::DragDrop);
    skin->OnDragEnd().Bind(*handlers, &Handlers::DragEnd);

    TRecordingWindowHost& from = HostOf(*form);
    TRecordingWindowHost& to = HostOf(*targetForm);
    TZebrinSkinCustomButton* button = skin->ToolButtons()->Items(0);
    const TRect r = button->BoundsRect();
    ASSERT_FALSE(r.IsEmpty());
    skin->PointerPress(On(from, r.Left + 2, r.Top + 2));
    skin->PointerMotion(On(from, r.Left + 10, r.Top + 2, ssLeft));
    ASSERT_TRUE(SkinManager()->IsDragging());
    // The picture has the button's size.
    const TRect shown = SkinManager()->DragIndicator()->Bounds();
    EXPECT_EQ((TSize{shown.Width(), shown.Height()}), (TSize{r.Width(), r.Height()}));
    // Over the other window: the skin's drag-over answers.
    TWindowPointer over = On(from, 0, 0, ssLeft);
    over.screen = to.WindowToScreen(TPoint{50, 60});
    skin->PointerMotion(over);
    skin->PointerRelease(over);
    EXPECT_FALSE(SkinManager()->IsDragging());
    ASSERT_GE(handlers->log.size(), 2u);
    EXPECT_EQ(handlers->log.front(), "over " + std::to_string(dsDragEnter) + " 50,60");
    EXPECT_EQ(handlers->log.back(), "end");
    if (accept) {
      EXPECT_EQ(handlers->dropped, static_cast<TObject*>(button));
      EXPECT_EQ(skin->ToolButtons()->Count(), 0);
      EXPECT_EQ(handlers->endTarget, target);
    } else {
      EXPECT_EQ(handlers->dropped, nullptr);
      EXPECT_EQ(skin->ToolButtons()->Count(), 1);
      EXPECT_EQ(handlers->endTarget, nullptr);
    }
    skin->SetEnabled(false);
    skin->Buttons()->SetVisible(true);
  }
}

// ---- The skin's own popup menu and element drop-downs ----

// A skin whose window buttons include the combo that drops the menu down.
class TComboSkin : public TZebrinCustomSkin {
 public:
  using TZebrinCustomSkin::TZebrinCustomSkin;
  std::vector<TZebrinSkinButtonStyle> DefaultButtons() const override { return {btsClose, btsCombo}; }
};

class SkinMenuTest : public CustomSkinTest {
 protected:
  SkinMenuTest() {
    list = &platform::MakeComponent<platform::TCustomActionList>(root);
    list->SetImages(&images);
    newAction = AddAction("New", "");
    cutAction = AddAction("Cut", "Edit");
    copyAction = AddAction("Copy", "edit");
    combo = &platform::MakeComponent<TComboSkin>(root);
    combo->SetName("Combo");
    combo->Caption()->Add().Metrics()->SetSize(kCaption);
    combo->Buttons()->SetImageList(&images);
    presenter.whileOpen = [this](platform::TPopupMenu& menu) {
      handlers->log.push_back("open");
      flagWhileOpen.push_back(SkinManager()->DragFlag());
      popupComponentWhileOpen = menu.PopupComponent();
    };
  }

  platform::TCustomAction* AddAction(const std::string& caption, const std::string& category) {
    auto& action = platform::MakeComponent<platform::TCustomAction>(root);
    action.SetCaption(caption);
    action.SetCategory(category);
    action.SetActionList(list);
    action.m_onExecute.Bind(*handlers, &Handlers::Notify);
    return &action;
  }
  // The skin's menu as the presenter lists it, "Edit/Cut" for a submenu's item.
  static std::vector<std::string> Tree(const platform::TMenuItem& parent, const std::string& prefix = "") {
    std::vector<std::string> out;
    for (int i = 0; i < parent.Count(); ++i) {
      const platform::TMenuItem& item = *parent.Items(i);
      out.push_back(prefix + item.Caption());
      for (const std::string& below : Tree(item, prefix + item.Caption() + "/")) out.push_back(below);
    }
    return out;
  }
  int ComboCount(const TZebrinCustomSkin& s) const {
    int count = 0;
    for (int i = 0; i < s.Buttons()->Count(); ++i) count += s.Buttons()->Items(i)->Style() == btsCombo;
    return count;
  }
  TZebrinSkinWindowButton& ComboButton() {
    for (int i = 0; i < combo->Buttons()->Count(); ++i)
      if (combo->Buttons()->Items(i)->Style() == btsCombo) return *combo->Buttons()->Items(i);
    ADD_FAILURE() << "no combo button";
    return *combo->Buttons()->Items(0);
  }
  // The combo's click, with the press it ends.
  void ClickCombo() {
    TZebrinSkinWindowButton& button = ComboButton();
    button.SetStateBit(sbsPressed, true);
    combo->Buttons()->Click(button.Index());
  }

  halbrin::testing::FakePopupMenuPresenter presenter;
  platform::ScopedPopupMenuPresenter presenterScope{presenter};
  platform::TCustomActionList* list = nullptr;
  platform::TCustomAction* newAction = nullptr;
  platform::TCustomAction* cutAction = nullptr;
  platform::TCustomAction* copyAction = nullptr;
  TComboSkin* combo = nullptr;
  std::vector<bool> flagWhileOpen;
  TComponent* popupComponentWhileOpen = nullptr;
};

TEST_F(SkinMenuTest, ActionListBuildsCategorySubmenusOfLinkedItems) {
  EXPECT_EQ(skin->PopupMenu(), nullptr) << "made on first use";
  skin->SetActionList(list);
  platform::TPopupMenu* menu = skin->PopupMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->Owner(), skin);
  EXPECT_EQ(menu->Images(), &images) << "the list's images";
  // One submenu for "Edit" and "edit": found by caption, letter case ignored.
  EXPECT_EQ(Tree(menu->Items()), (std::vector<std::string>{"New", "Edit", "Edit/Cut", "Edit/Copy"}));
  EXPECT_EQ(menu->Items().Items(0)->Action(), newAction);
  EXPECT_EQ(menu->Items().Items(1)->Action(), nullptr) << "the submenu is a plain item";
  EXPECT_EQ(menu->Items().Items(1)->Items(1)->Action(), copyAction);

  // A null action is a separator; an index inserts, past the end appends.
  skin->AddActionItem(nullptr, 1);
  skin->AddActionItem(AddAction("Paste", "Edit"), 0);
  skin->AddActionItem(AddAction("Quit", ""), 99);
  EXPECT_EQ(Tree(menu->Items()),
            (std::vector<std::string>{"New", "-", "Edit", "Edit/Paste", "Edit/Cut", "Edit/Copy", "Quit"}));
  EXPECT_TRUE(menu->Items().Items(1)->IsLine());

  // The action's changes reach its item.
  cutAction->SetCaption("Cut out");
  EXPECT_EQ(menu->Items().Items(2)->Items(1)->Caption(), "Cut out");
}

TEST_F(SkinMenuTest, ComboWindowButtonComesWithTheFirstItemWhenTheSkinWantsOne) {
  // Not hooked: BuildSystemButtons made no buttons, so the item adds the combo, once.
  ASSERT_EQ(combo->Buttons()->Count(), 0);
  combo->AddActionItem(newAction);
  combo->AddActionItem(cutAction);
  EXPECT_EQ(ComboCount(*combo), 1);
  // Skins whose buttons have no combo or check, or without AutoButtons, get none.
  skin->AddActionItem(newAction);
  EXPECT_EQ(ComboCount(*skin), 0);
  auto& manual = platform::MakeComponent<TComboSkin>(root);
  manual.SetAutoButtons(false);
  manual.AddActionItem(newAction);
  EXPECT_EQ(ComboCount(manual), 0);
}

TEST_F(SkinMenuTest, NilListOrAFreedListFreesTheMenu) {
  skin->SetActionList(list);
  platform::TWeakRef<platform::TPopupMenu> menu(skin->PopupMenu());
  skin->SetActionList(nullptr);
  EXPECT_FALSE(menu.Get());
  EXPECT_EQ(skin->PopupMenu(), nullptr);

  skin->SetActionList(list);
  menu.Reset(skin->PopupMenu());
  TComponent::Free(*list);
  list = nullptr;
  EXPECT_EQ(skin->ActionList(), nullptr) << "cleared through the property";
  EXPECT_FALSE(menu.Get());

  // The menu freed by itself reads nil.
  skin->AddActionItem(newAction);
  ASSERT_NE(skin->PopupMenu(), nullptr);
  TComponent::Free(*skin->PopupMenu());
  EXPECT_EQ(skin->PopupMenu(), nullptr);
}

TEST_F(SkinMenuTest, ComboDropsTheMenuDownAtItsCornerAndTheChoiceRunsAfter) {
  Hook(*combo, *form);
  combo->SetActionList(list);
  combo->UpdateButtons();
  TZebrinSkinWindowButton& button = ComboButton();
  EXPECT_TRUE(button.Visible()) << "the skin has a menu now";
  TRecordingWindowHost& host = HostOf(*form);
  const TRect r = button.BoundsRect();
  combo->OnPopupComponent().Bind(*handlers, &Handlers::PopupComponent);

  presenter.choose = {"Edit", "Copy"};
  ClickCombo();
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"popup", "open"}));
  EXPECT_EQ(handlers->senders, std::vector<TObject*>{combo});
  EXPECT_EQ(handlers->popupMenus, std::vector<TObject*>{combo->PopupMenu()});
  EXPECT_EQ(presenter.shown[0].point, host.WindowToScreen(TPoint{r.Left, r.Bottom})) << "bottom-left for alNone";
  EXPECT_EQ(flagWhileOpen, std::vector<bool>{true});
  EXPECT_EQ(popupComponentWhileOpen, combo);
  EXPECT_FALSE(SkinManager()->DragFlag());
  EXPECT_FALSE(button.Pressed()) << "the press ended in the menu";
  EXPECT_EQ(handlers->notifies, 0) << "the click is posted";
  loop.RunIdle();
  EXPECT_EQ(handlers->notifies, 1) << "the chosen item's action ran";

  // Aligned to the top the corner is the bottom-right one.
  form->SetAlign(platform::alTop);
  ClickCombo();
  ASSERT_EQ(presenter.shown.size(), 2u);
  const TRect moved = ComboButton().BoundsRect();
  EXPECT_EQ(presenter.shown[1].point, host.WindowToScreen(TPoint{moved.Right, moved.Bottom}));
}

TEST_F(SkinMenuTest, WithoutItsOwnMenuTheControlsPopupMenuDropsDown) {
  auto& controlMenu = platform::MakeComponent<platform::TPopupMenu>(root);
  controlMenu.SetName("FormMenu");
  form->SetPopupMenu(&controlMenu);
  Hook(*combo, *form);
  TZebrinSkinWindowButton& button = ComboButton();
  combo->Buttons()->Click(button.Index());
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].menu, "FormMenu");
  EXPECT_EQ(controlMenu.PopupComponent(), combo);
  // The skin's own menu comes first.
  combo->SetActionList(list);
  combo->Buttons()->Click(ComboButton().Index());
  ASSERT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(presenter.shown[1].menu, "");
}

TEST_F(SkinMenuTest, PopupControlIsPlacedAtTheCornerInsideTheWorkArea) {
  auto& pane = platform::MakeComponent<TWinControl>(root);
  pane.SetBounds(0, 0, 120, 80);
  pane.SetVisible(false);
  combo->SetPopupControl(&pane);
  combo->SetActionList(list);  // the control wins over the menu
  Hook(*combo, *form);
  TRecordingWindowHost& host = HostOf(*form);
  const TRect r = ComboButton().BoundsRect();
  const TPoint corner = host.WindowToScreen(TPoint{r.Left, r.Bottom});
  struct Case {
    const char* name;
    TRect work;
    TPoint expected;
  } const cases[] = {
      {"room enough", {0, 0, 1920, 1080}, corner},
      {"right edge", {0, 0, corner.X + 50, 1080}, {corner.X + 50 - 120, corner.Y}},
      {"bottom edge", {0, -500, 1920, corner.Y + 10}, {corner.X, corner.Y + 10 - 80}},
      {"too small: the top-left corner wins", {corner.X + 20, 0, corner.X + 60, 40}, {corner.X + 20, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.workArea = c.work;
    pane.SetVisible(false);
    combo->Buttons()->Click(ComboButton().Index());
    EXPECT_TRUE(pane.Visible());
    EXPECT_EQ((TPoint{pane.Left(), pane.Top()}), c.expected);
    EXPECT_EQ((TSize{pane.Width(), pane.Height()}), (TSize{120, 80}));
  }
  EXPECT_TRUE(presenter.shown.empty());
}

}  // namespace
}  // namespace halbrin::skins
