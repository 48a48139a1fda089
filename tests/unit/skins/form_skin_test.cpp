#include "skins/core/form_skin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/skin_window_scopes.h"
#include "platform/controls/recording_control_backend.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/graphics/image_list.h"
#include "skins/core/recording_window_host.h"

namespace halbrin::skins {
namespace {

using platform::TComponent;
using platform::TWindowTraits;

constexpr int kCaption = 20;
constexpr TRect kDeclared{100, 80, 500, 380};

TWindowTraits SizableTraits() {
  TWindowTraits t;
  t.caption = t.border = t.sizable = t.framed = t.sysMenu = t.minBox = t.maxBox = true;
  return t;
}

TRect Inflate(const TRect& r, int d) { return TRect{r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

class FormSkinTest : public ::testing::Test, protected TSkinWindowScopes {
 protected:
  FormSkinTest() {
    CreateSkinManager();
    images.SetWidth(16);
    images.SetHeight(16);
    for (int i = 0; i < 9; ++i) images.Add(platform::TArgbImage(16, 16, 0xFF000000));
  }
  ~FormSkinTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  TWinControl& MakeForm(const TWindowTraits& traits = SizableTraits(), TWinControl* parent = nullptr) {
    auto& control = platform::MakeComponent<TWinControl>(root);
    control.SetBoundsRect(kDeclared);
    control.SetWindowTraits(traits);
    if (parent) control.SetParent(parent);
    control.HandleNeeded();
    return control;
  }
  TZebrinFormSkin& MakeSkin(TWinControl& form, TZebrinSkinButtonStyles buttons = kFormDefaultButtons) {
    auto& s = platform::MakeComponent<TZebrinFormSkin>(root);
    s.Caption()->Add().Metrics()->SetSize(kCaption);
    s.Buttons()->SetImageList(&images);
    s.SetDefaultButtonStyles(buttons);
    s.SetForm(&form);
    s.SetEnabled(true);
    return s;
  }
  TRecordingWindowHost& HostOf(TWinControl& control) { return *hosts.HostOf(control); }
  int Inset() const { return SkinManager()->Metrics().frameInset; }
  bool Logged(const std::string& line) const {
    return std::find(hosts.log.begin(), hosts.log.end(), line) != hosts.log.end();
  }
  static TZebrinSkinWindowButton* ButtonOf(TZebrinFormSkin& s, TZebrinSkinButtonStyle style) {
    for (int i = 0; i < s.Buttons()->Count(); ++i)
      if (s.Buttons()->Items(i)->Style() == style) return s.Buttons()->Items(i);
    return nullptr;
  }
  static TWindowPointer At(int x, int y) {
    TWindowPointer p;
    p.pos = p.screen = TPoint{x, y};
    return p;
  }

  platform::TCustomImageList images;
  TComponent root;
};

TEST_F(FormSkinTest, PublishedMembersAndDefaults) {
  const platform::TClassInfo& info = TZebrinFormSkin::StaticClassInfo();
  const struct {
    const char* name;
    platform::Variant value;
  } defaults[] = {
      {"AutoButtons", true},      {"AutoConstraints", true},          {"DefaultNCPaint", false},
      {"DefaultButtons", 15},     {"EraseBackground", true},          {"MinimizeStyle", 0},
  };
  for (const auto& d : defaults) {
    const platform::TPropInfo* prop = info.FindProperty(d.name);
    ASSERT_NE(prop, nullptr) << d.name;
    EXPECT_EQ(prop->Default(), d.value) << d.name;
    EXPECT_TRUE(prop->Stored()) << d.name;
  }
  ASSERT_NE(info.FindProperty("Form"), nullptr);
  ASSERT_NE(info.FindProperty("Text"), nullptr);
  EXPECT_FALSE(info.FindProperty("Text")->Stored());
  EXPECT_EQ(info.FindProperty("Text")->TypeName(), "TCaption");
  EXPECT_EQ(info.FindProperty("MinimizeStyle")->TypeName(), "TZebrinSkinMinimizeStyle");

  auto& fresh = platform::MakeComponent<TZebrinFormSkin>(root);
  EXPECT_TRUE(fresh.AutoButtons());
  EXPECT_TRUE(fresh.AutoConstraints());
  EXPECT_FALSE(fresh.DefaultNCPaint());
  EXPECT_TRUE(fresh.EraseBackground());
  EXPECT_EQ(fresh.MinimizeStyle(), smsSystem);
  EXPECT_EQ(fresh.DefaultButtons(), (std::vector<TZebrinSkinButtonStyle>{btsClose, btsMaximize, btsRestore, btsMinimize}));
  EXPECT_EQ(fresh.Form(), nullptr);
  EXPECT_EQ(fresh.Text(), "");
}

TEST_F(FormSkinTest, TextAndFormReachTheControl) {
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  s.SetText("Editor");
  EXPECT_EQ(form.Text(), "Editor");
  auto& other = platform::MakeComponent<TZebrinFormSkin>(root);
  EXPECT_THROW(other.SetForm(&form), ESkinException) << "a form takes one skin";
  EXPECT_EQ(other.Form(), nullptr);
}

// Rolling up shrinks the caption axis only and gives that axis back.
TEST_F(FormSkinTest, RollUpRollsAndRestoresAlongTheCaptionAxis) {
  for (const TZebrinSkinCaptionAlign align : {scaTop, scaLeft}) {
    SCOPED_TRACE(align == scaTop ? "caption on top" : "caption on the left");
    TWinControl& form = MakeForm();
    TZebrinFormSkin& s = MakeSkin(form);
    s.Caption()->SetAlign(align);
    s.SetMinimizeStyle(smsRollUp);
    s.RecalcFrame();
    ASSERT_EQ(s.Horizontal(), align == scaTop);
    EXPECT_FALSE(s.IsMinimized());

    s.Minimize();
    const TSize least = s.GetConstraints();
    if (align == scaTop) {
      EXPECT_EQ(form.Height(), least.cy);
      EXPECT_EQ(form.Width(), kDeclared.Width());
      EXPECT_EQ(least.cy, kCaption + 2 * Inset());
    } else {
      EXPECT_EQ(form.Width(), least.cx);
      EXPECT_EQ(form.Height(), kDeclared.Height()) << "a vertical caption is never squashed flat";
      EXPECT_EQ(least.cx, kCaption + 2 * Inset());
    }
    EXPECT_TRUE(s.IsMinimized());
    EXPECT_TRUE(s.RolledUp());
    EXPECT_EQ(s.PlacementBounds(), kDeclared);
    EXPECT_FALSE(ButtonOf(s, btsMinimize)->Visible());
    EXPECT_TRUE(ButtonOf(s, btsRestore)->Visible());
    EXPECT_FALSE(Logged("Execute Minimize")) << "no system minimise";

    s.Restore();
    EXPECT_EQ(form.BoundsRect(), kDeclared);
    EXPECT_FALSE(s.IsMinimized());
    EXPECT_TRUE(ButtonOf(s, btsMinimize)->Visible());
    EXPECT_FALSE(Logged("Execute Restore"));
    TComponent::Free(s);
    EXPECT_EQ(form.BoundsRect(), kDeclared);
  }
}

TEST_F(FormSkinTest, ASkinLetGoOfGivesTheRolledUpExtentBack) {
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  s.SetMinimizeStyle(smsRollUp);
  s.RecalcFrame();
  s.Minimize();
  ASSERT_LT(form.Height(), kDeclared.Height());
  TComponent::Free(s);
  EXPECT_EQ(form.BoundsRect(), kDeclared);
}

TEST_F(FormSkinTest, TaskBarMinimiseHidesAndCountsAsMinimised) {
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  s.SetMinimizeStyle(smsTaskBar);
  s.Minimize();
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(s.HiddenByMinimize());
  EXPECT_TRUE(s.IsMinimized()) << "hidden by our minimise counts, or the restore would be lost";
  EXPECT_TRUE(s.SystemMenuState().restore);
  EXPECT_FALSE(Logged("Execute Minimize"));

  hosts.log.clear();
  s.Restore();
  EXPECT_TRUE(form.Visible());
  EXPECT_FALSE(s.IsMinimized());
  EXPECT_TRUE(Logged("BringToFront"));
  EXPECT_FALSE(Logged("Execute Restore"));

  s.Minimize();
  TComponent::Free(s);
  EXPECT_TRUE(form.Visible()) << "a skin let go of shows the form again";
}

TEST_F(FormSkinTest, SystemMinimiseGoesToTheWindow) {
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  s.Minimize();
  EXPECT_TRUE(Logged("Execute Minimize"));
  EXPECT_TRUE(s.IsMinimized());
  EXPECT_TRUE(form.Visible());
  s.Restore();
  EXPECT_TRUE(Logged("Execute Restore"));
  EXPECT_FALSE(s.IsMinimized());
}

TEST_F(FormSkinTest, MaximiseTakesTheWorkAreaInflatedByTheFrame) {
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  const TRect work{1920, 24, 3840, 1080};  // a second monitor with a top panel
  HostOf(form).workArea = work;
  s.Maximize();
  EXPECT_TRUE(s.IsMaximized());
  EXPECT_EQ(form.BoundsRect(), Inflate(work, Inset())) << "the frame strip lies outside the work area";
  EXPECT_EQ(s.NormalBounds(), kDeclared);
  EXPECT_EQ(s.PlacementBounds(), kDeclared);
  s.Restore();
  EXPECT_FALSE(s.IsMaximized());
  EXPECT_EQ(form.BoundsRect(), kDeclared);

  // Maximised by the window manager: the bounds are set once.
  TRecordingWindowHost& host = HostOf(form);
  host.maximized = true;
  form.WindowBoundsChanged(work);
  EXPECT_EQ(form.BoundsRect(), Inflate(work, Inset()));
  form.WindowBoundsChanged(work);
  EXPECT_EQ(form.BoundsRect(), work) << "not fought over with the window manager";
  EXPECT_EQ(s.NormalBounds(), kDeclared);
}

TEST_F(FormSkinTest, AWindowManagerThatPlacesMaximisedWindowsKeepsItsRectangle) {
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  TRecordingWindowHost& host = HostOf(form);
  host.windowManagerPlaces = true;
  const TRect work{0, 0, 1280, 1024};
  host.workArea = work;
  s.Maximize();
  EXPECT_TRUE(Logged("Execute Maximize"));
  EXPECT_FALSE(s.IsMaximized()) << "the window manager has not answered yet";
  // On its way it configures the window before it tells of the new state.
  form.WindowBoundsChanged({0, 0, 400, 300});
  EXPECT_EQ(s.NormalBounds(), kDeclared) << "a rectangle of the maximising is no normal rectangle";
  host.maximized = true;
  form.WindowBoundsChanged(work);
  s.WindowStateChanged();
  EXPECT_EQ(form.BoundsRect(), work) << "no other rectangle asked of the window manager";
  EXPECT_EQ(s.PlacementBounds(), kDeclared);

  // Restored by the window manager itself: the normal rectangle follows the window again.
  host.maximized = false;
  s.WindowStateChanged();
  form.WindowBoundsChanged({50, 60, 450, 360});
  EXPECT_EQ(s.NormalBounds(), (TRect{50, 60, 450, 360}));
  EXPECT_EQ(s.PlacementBounds(), (TRect{50, 60, 450, 360}));
}

TEST_F(FormSkinTest, AFramelessFormMaximisesIntoTheWorkArea) {
  TWindowTraits traits = SizableTraits();
  traits.framed = false;
  TWinControl& form = MakeForm(traits);
  TZebrinFormSkin& s = MakeSkin(form);
  s.Maximize();
  EXPECT_EQ(form.BoundsRect(), HostOf(form).workArea);
}

TEST_F(FormSkinTest, MDIChildMaximisesIntoItsParentsClientArea) {
  TWinControl& parent = MakeForm();
  MakeSkin(parent);
  TWinControl& child = MakeForm(SizableTraits(), &parent);
  child.SetBounds(10, 10, 100, 80);
  TZebrinFormSkin& s = MakeSkin(child);
  s.Maximize();
  EXPECT_EQ(child.BoundsRect(), Inflate(TRect{0, 0, parent.ClientWidth(), parent.ClientHeight()}, Inset()));
}

// Which window buttons show, by the window's traits, the style and the state.
TEST_F(FormSkinTest, ButtonVisibilityTable) {
  enum class Act { None, Maximize, Minimize };
  const struct {
    const char* what;
    bool maxBox, minBox, autoButtons;
    TZebrinSkinMinimizeStyle style;
    Act act;
    bool maximize, restore, minimize;
  } cases[] = {
      {"normal", true, true, true, smsSystem, Act::None, true, false, true},
      {"no maximise box", false, true, true, smsSystem, Act::None, false, false, true},
      {"no minimise box", true, false, true, smsSystem, Act::None, true, false, false},
      {"maximised", true, true, true, smsSystem, Act::Maximize, false, true, true},
      {"no boxes, AutoButtons off", false, false, false, smsSystem, Act::None, true, false, true},
      {"roll-up, normal", true, true, true, smsRollUp, Act::None, true, false, true},
      {"roll-up, maximised", true, true, true, smsRollUp, Act::Maximize, false, true, false},
      {"rolled up", true, true, true, smsRollUp, Act::Minimize, true, true, false},
      {"rolled up, no maximise box", false, true, true, smsRollUp, Act::Minimize, false, true, false},
      {"hidden by minimise", true, true, true, smsTaskBar, Act::Minimize, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TWindowTraits traits = SizableTraits();
    traits.maxBox = c.maxBox;
    traits.minBox = c.minBox;
    TWinControl& form = MakeForm(traits);
    TZebrinFormSkin& s = MakeSkin(form);
    s.SetAutoButtons(c.autoButtons);
    if (!c.autoButtons) s.BuildSystemButtons();
    s.SetMinimizeStyle(c.style);
    s.RecalcFrame();
    if (c.act == Act::Maximize) s.Maximize();
    if (c.act == Act::Minimize) s.Minimize();
    s.UpdateButtons();
    EXPECT_EQ(ButtonOf(s, btsMaximize)->Visible(), c.maximize);
    EXPECT_EQ(ButtonOf(s, btsRestore)->Visible(), c.restore);
    EXPECT_EQ(ButtonOf(s, btsMinimize)->Visible(), c.minimize);
    TComponent::Free(s);
  }
}

TEST_F(FormSkinTest, NextAndPreviousFollowTheMDIChildren) {
  const TZebrinSkinButtonStyles withNext = kFormDefaultButtons | ButtonStyleBit(btsNext) | ButtonStyleBit(btsPrevious);
  TWinControl& parent = MakeForm();
  TZebrinFormSkin& parentSkin = MakeSkin(parent, withNext);
  EXPECT_FALSE(ButtonOf(parentSkin, btsNext)->Enabled()) << "no MDI child to go to";
  EXPECT_FALSE(ButtonOf(parentSkin, btsPrevious)->Enabled());

  TWinControl& child = MakeForm(SizableTraits(), &parent);
  TZebrinFormSkin& childSkin = MakeSkin(child, withNext);
  parentSkin.UpdateButtons();
  EXPECT_TRUE(ButtonOf(parentSkin, btsNext)->Enabled());
  EXPECT_TRUE(childSkin.IsMDIChild());
  EXPECT_FALSE(ButtonOf(childSkin, btsNext)->Visible()) << "a normal MDI child shows none";
  childSkin.Maximize();
  EXPECT_TRUE(ButtonOf(childSkin, btsNext)->Visible());
  EXPECT_FALSE(ButtonOf(childSkin, btsNext)->Enabled()) << "the only child has nowhere to go";

  TWinControl& second = MakeForm(SizableTraits(), &parent);
  MakeSkin(second, withNext);
  childSkin.UpdateButtons();
  EXPECT_TRUE(ButtonOf(childSkin, btsNext)->Enabled());

  // Without AutoButtons the base rule: left as they are.
  childSkin.SetAutoButtons(false);
  childSkin.Restore();
  childSkin.UpdateButtons();
  EXPECT_TRUE(ButtonOf(childSkin, btsNext)->Visible());
}

// Next and previous bring the MDI child after or before the focused one to
// the front and focus it, round the visible children.
TEST_F(FormSkinTest, NextAndPreviousActivateTheMDIChildren) {
  TWinControl& parent = MakeForm();
  TZebrinFormSkin& parentSkin = MakeSkin(parent);
  std::vector<TWinControl*> children;
  for (int i = 0; i < 3; ++i) {
    TWinControl& child = MakeForm(SizableTraits(), &parent);
    MakeSkin(child);
    children.push_back(&child);
  }
  children[0]->SetFocus();
  const struct {
    TWindowCommand command;
    int focused;
  } steps[] = {{TWindowCommand::NextChild, 1}, {TWindowCommand::NextChild, 2}, {TWindowCommand::NextChild, 0},
               {TWindowCommand::PreviousChild, 2}, {TWindowCommand::PreviousChild, 1}};
  for (const auto& step : steps) {
    parentSkin.SendWindowCommand(step.command);
    EXPECT_EQ(parent.FocusedControl(), children[static_cast<std::size_t>(step.focused)]);
    EXPECT_EQ(parent.Controls(parent.ControlCount() - 1), children[static_cast<std::size_t>(step.focused)])
        << "brought to the front";
  }
  // A hidden child is passed over; a lone child has nowhere to go.
  children[2]->Hide();
  parentSkin.SendWindowCommand(TWindowCommand::NextChild);
  EXPECT_EQ(parent.FocusedControl(), children[0]);
  children[1]->Hide();
  EXPECT_FALSE(parentSkin.ActivateNextChild(true));
  EXPECT_FALSE(Logged("Execute NextChild")) << "the window system never sees the command";
}

TEST_F(FormSkinTest, CaptionDoubleClickMaximisesAndRestoresASizableForm) {
  const int captionY = Inset() + kCaption / 2;
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  s.PointerDoubleClick(At(60, captionY));
  ASSERT_EQ(s.LastHitCode(), kHitSkinCaption);
  EXPECT_TRUE(s.IsMaximized());
  s.PointerDoubleClick(At(60, captionY));
  EXPECT_FALSE(s.IsMaximized());
  s.PointerDoubleClick(At(60, 100));
  EXPECT_FALSE(s.IsMaximized()) << "the client area is no caption";

  // Rolled up: restored.
  s.SetMinimizeStyle(smsRollUp);
  s.Minimize();
  ASSERT_TRUE(s.IsMinimized());
  s.PointerDoubleClick(At(60, captionY));
  EXPECT_FALSE(s.IsMinimized());
  EXPECT_FALSE(s.IsMaximized());

  TWindowTraits fixed = SizableTraits();
  fixed.sizable = false;
  TWinControl& dialog = MakeForm(fixed);
  TZebrinFormSkin& d = MakeSkin(dialog);
  d.PointerDoubleClick(At(60, captionY));
  EXPECT_EQ(d.LastHitCode(), kHitSkinCaption);
  EXPECT_FALSE(d.IsMaximized()) << "a form not made sizable stays";
}

TEST_F(FormSkinTest, SystemMenuOfARolledUpForm) {
  TWinControl& form = MakeForm();
  TZebrinFormSkin& s = MakeSkin(form);
  s.SetMinimizeStyle(smsRollUp);
  s.RecalcFrame();
  EXPECT_TRUE(s.SystemMenuState().minimize);
  s.Minimize();
  const TSystemMenuState rolled = s.SystemMenuState();
  EXPECT_TRUE(rolled.restore);
  EXPECT_EQ(rolled.defaultItem, TWindowCommand::Restore);
  EXPECT_FALSE(rolled.minimize);
  EXPECT_FALSE(rolled.size);
  EXPECT_TRUE(rolled.move);
  s.Restore();
  s.Maximize();
  EXPECT_FALSE(s.SystemMenuState().minimize) << "no roll-up while maximised";
}

TEST_F(FormSkinTest, StretchSkinsOurOwnFormsOfTheListedClasses) {
  TZebrinSkinManager& manager = CreateSkinManager();
  TWinControl& box = MakeForm();
  EXPECT_EQ(manager.StretchSkin(box), nullptr) << "TWinControl is not in \"TMessageForm\"";

  manager.SetStretchClasses("TMessageForm;TWinControl");
  TZebrinFormSkin* skin = manager.StretchSkin(box);
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->Owner(), &box);
  EXPECT_TRUE(skin->Enabled());
  EXPECT_TRUE(skin->Stretched());
  EXPECT_TRUE(skin->Caption()->DefaultText());
  EXPECT_EQ(skin->Caption()->Count(), 1);
  EXPECT_EQ(manager.StretchSkin(box), nullptr) << "a skinned form gets no second skin";
  EXPECT_EQ(manager.StretchSkinTracked(box), skin);

  TWinControl& refused = MakeForm();
  int asked = 0;
  manager.onStretchSkin = [&](TZebrinFormSkin&, bool& accept) {
    ++asked;
    accept = false;
  };
  EXPECT_EQ(manager.StretchSkin(refused), nullptr);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(manager.FindSkin(&refused), nullptr);
  manager.onStretchSkin = nullptr;

  // Tracked: enabled when first activated.
  TWinControl& later = MakeForm();
  TZebrinFormSkin* tracked = manager.StretchSkinTracked(later);
  ASSERT_NE(tracked, nullptr);
  EXPECT_FALSE(tracked->Enabled());
  later.WindowActivationChanged(true);
  EXPECT_TRUE(tracked->Enabled());
  EXPECT_TRUE(tracked->GetActive());
}

}  // namespace
}  // namespace halbrin::skins
