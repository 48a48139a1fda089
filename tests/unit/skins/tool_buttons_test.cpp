#include "skins/core/tool_buttons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/classes/property_access.h"
#include "platform/controls/win_control.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/graphics/popup_menu.h"
#include "platform/graphics/recording_canvas.h"
#include "skins/core/skin_manager.h"
#include "support/fake_popup_menu_presenter.h"
#include "tool_fixtures.h"

namespace halbrin::skins {
namespace {

using platform::TComponent;
using platform::TObject;
using platform::Variant;
using tool_test::ItemHost;

// A tool bar in caption band 0 of a skin stand-in, with 16x16 images.
class ToolBarTest : public ::testing::Test {
 protected:
  ToolBarTest() : bar(&host, &host) {
    bar.SetBandIndex(0);
    bar.SetImageList(&host.images);
    host.CaptionBand(0).SetBoundsRect({0, 0, 300, 24});
  }

  TZebrinSkinToolButton& AddButton(TZebrinSkinToolButtonStyle style = tbsButton, int group = 0) {
    TZebrinSkinToolButton& button = bar.Add();
    button.SetStyle(style);
    button.SetGroup(group);
    return button;
  }
  void Layout() { bar.LayoutButtons(host.CaptionBand(0).BoundsRect()); }

  ItemHost host;
  TComponent root;
  TZebrinSkinToolButtons bar;
};

TEST_F(ToolBarTest, DownReleasesTheButtonsOfTheSameStyleAndGroup) {
  TZebrinSkinToolButton& a = AddButton(tbsCheck, 1);
  TZebrinSkinToolButton& b = AddButton(tbsCheck, 1);
  TZebrinSkinToolButton& tab = AddButton(tbsTab, 1);
  TZebrinSkinToolButton& other = AddButton(tbsCheck, 2);
  // Group 0 is a group too: two check buttons left at 0 exclude each other.
  TZebrinSkinToolButton& zero1 = AddButton(tbsCheck, 0);
  TZebrinSkinToolButton& zero2 = AddButton(tbsCheck, 0);
  tab.SetDown(true);
  other.SetDown(true);
  a.SetDown(true);
  b.SetDown(true);
  EXPECT_FALSE(a.Down());
  EXPECT_TRUE(b.Down());
  EXPECT_TRUE(tab.Down()) << "another style in the same group is not affected";
  EXPECT_TRUE(other.Down()) << "another group is not affected";
  zero1.SetDown(true);
  zero2.SetDown(true);
  EXPECT_FALSE(zero1.Down());
  EXPECT_TRUE(zero2.Down());
  b.SetDown(false);
  EXPECT_FALSE(b.Down());
  EXPECT_TRUE(tab.Down());
}

TEST_F(ToolBarTest, StyleChangesReleaseLatchedButtons) {
  struct Case {
    TZebrinSkinToolButtonStyle from, to;
    bool staysDown;
  };
  const Case cases[] = {
      {tbsCheck, tbsButton, false}, {tbsCheck, tbsDropDown, false}, {tbsCheck, tbsStatic, false},
      {tbsTab, tbsButton, false},   {tbsCheck, tbsTab, true},       {tbsTab, tbsCheck, true},
      {tbsButton, tbsStatic, true}, {tbsCheck, tbsDivider, false},  {tbsButton, tbsDivider, false},
  };
  for (const Case& c : cases) {
    TZebrinSkinToolButton& button = AddButton(c.from, 100 + bar.Count());
    button.SetDown(true);
    button.SetStyle(c.to);
    EXPECT_EQ(button.Down(), c.staysDown) << int(c.from) << " -> " << int(c.to);
    EXPECT_EQ(button.CaptureMouse(), c.to != tbsDivider);
  }
}

TEST_F(ToolBarTest, DividerNeverTakesTheMouseAndIsNeverClamped) {
  bar.SetButtonMinSize(30);
  TZebrinSkinToolButton& plain = AddButton();
  TZebrinSkinToolButton& divider = AddButton(tbsDivider);
  divider.SetMargin(3);
  EXPECT_EQ(plain.GetClampedSize(), 30);
  EXPECT_EQ(divider.GetClampedSize(), 6);
  EXPECT_FALSE(divider.CaptureMouse());
  Layout();
  bar.Hover(1, true);
  bar.Press(1, true);
  EXPECT_FALSE(divider.Hot());
  EXPECT_FALSE(divider.Pressed());
  EXPECT_FALSE(bar.Release(1));
}

TEST_F(ToolBarTest, SizeTable) {
  TZebrinSkinManager& manager = CreateSkinManager();
  const int dropDown = manager.DropDownSize();
  struct Case {
    const char* what;
    bool horizontal;
    bool image;
    const char* text;
    TZebrinSkinItemLayout layout;
    bool checkBox;
    TZebrinSkinToolButtonStyle style;
    int expected;  // Margin 4 on both sides, images 16, 7 pixels a character
  };
  const Case cases[] = {
      {"image only", true, true, "", silCenter, false, tbsButton, 24},
      {"text beside the image", true, true, "Open", silCenter, false, tbsButton, 24 + 28 + 4},
      {"text without image", true, false, "Open", silCenter, false, tbsButton, 8 + 28},
      {"with a check box", true, true, "Open", silCenter, true, tbsButton, 24 + 28 + 4 + 20},
      {"check box on a vertical band", false, true, "Open", silCenter, true, tbsButton, 24 + 28 + 4},
      {"text above", true, true, "Open", silTop, false, tbsButton, 28 + 8},
      {"short text below", true, true, "Go", silBottom, false, tbsButton, 24},
      {"text above with a check box", true, true, "Open", silTop, true, tbsButton, 28 + 8 + 20},
      {"drop-down", true, true, "", silCenter, false, tbsDropDown, 24 + dropDown},
      {"drop-down with text", true, true, "Open", silCenter, false, tbsDropDown, 24 + 28 + 4 + dropDown},
  };
  for (const Case& c : cases) {
    ItemHost skin(c.horizontal);
    TZebrinSkinToolButtons tools(&skin, &skin);
    tools.SetBandIndex(0);
    tools.SetImageList(&skin.images);
    tools.RefreshOrientation();
    TZebrinSkinToolButton& button = tools.Add();
    button.SetImageIndex(c.image ? 0 : -1);
    button.SetText(c.text);
    button.SetLayout(c.layout);
    button.SetShowCheckBox(c.checkBox);
    button.SetStyle(c.style);
    EXPECT_EQ(button.GetNaturalSize(), c.expected) << c.what;
  }
  FreeSkinManager();
}

TEST_F(ToolBarTest, ThicknessAndMinimumSize) {
  TZebrinSkinToolButton& button = AddButton();
  button.SetImageIndex(0);
  // The images, at least the text height (13), plus 4.
  EXPECT_EQ(bar.RowThickness(), 16 + 4);
  button.SetText("Save");
  button.SetLayout(silBottom);
  EXPECT_EQ(bar.RowThickness(), 16 + 13 + 8 + 4);
  // Not set: the image extent plus 8 with an image list.
  EXPECT_EQ(bar.ButtonMinSizeRead(), 24);
  bar.SetImageList(nullptr);
  EXPECT_EQ(bar.ButtonMinSizeRead(), 0);
  bar.SetButtonMinSize(10);
  EXPECT_EQ(bar.ButtonMinSizeRead(), 10);
}

TEST_F(ToolBarTest, ImageIndexOutsideTheListDrawsNoImage) {
  struct Case {
    int index;
    bool list;
    bool drawn;
  };
  const Case cases[] = {{0, true, true}, {8, true, true}, {9, true, false}, {-1, true, false}, {0, false, false}};
  for (const Case& c : cases) {
    TZebrinSkinToolButton& button = AddButton();
    button.SetImageIndex(c.index);
    bar.SetImageList(c.list ? &host.images : nullptr);
    EXPECT_EQ(button.HasImageIndex(), c.drawn) << c.index;
    host.theme.toolButtons.clear();
    platform::TRecordingCanvas canvas;
    bar.PaintButton(canvas, button.Index(), {0, 0, 24, 24});
    ASSERT_EQ(host.theme.toolButtons.size(), 1u);
    EXPECT_EQ(host.theme.toolButtons[0].Images != nullptr, c.drawn) << c.index;
    EXPECT_EQ(host.theme.toolButtons[0].ImageIndex, c.drawn ? c.index : -1) << c.index;
  }
}

TEST_F(ToolBarTest, NamedItemLookup) {
  AddButton().SetName("Open");
  AddButton();
  AddButton().SetName("Save");
  const std::string second = bar.Items(1)->Name();
  EXPECT_EQ(second, "item" + std::to_string(bar.Items(1)->ID()));
  struct Case {
    const char* what;
    Variant value;
    int expected;  // index, -1 for nothing
  };
  const Case cases[] = {
      {"integer 2 is the third", Variant(2), 2},
      {"integer 0", Variant(0), 0},
      {"false is index 0", Variant(false), 0},
      {"true is index -1: out of range", Variant(true), -1},
      {"negative", Variant(-1), -1},
      {"past the end", Variant(3), -1},
      {"a name in another case", Variant(std::string("OPEN")), 0},
      {"a default name", Variant(second), 1},
      {"an unknown name", Variant(std::string("Print")), -1},
      {"a float is not an index", Variant(1.0), -1},
      {"empty", Variant(), -1},
  };
  INamedItemCollection& named = bar;
  for (const Case& c : cases) {
    const FoundItem found = named.item(c.value);
    EXPECT_EQ(found.Get(), c.expected < 0 ? nullptr : static_cast<TObject*>(bar.Items(c.expected))) << c.what;
    EXPECT_FALSE(found.IsOwned()) << c.what;
  }
  EXPECT_EQ(named.indexOfName("save"), 2);
  EXPECT_EQ(named.indexOfName("none"), -1);
  EXPECT_TRUE(named.exists("SAVE"));
  EXPECT_FALSE(named.exists(""));
  EXPECT_EQ(named.itemByName("Save").Get(), bar.Items(2));
}

TEST_F(ToolBarTest, ReleaseBeforeClick) {
  TZebrinSkinToolButton& check = AddButton(tbsCheck, 1);
  TZebrinSkinToolButton& tab = AddButton(tbsTab, 1);
  TZebrinSkinToolButton& push = AddButton();
  TZebrinSkinToolButton& disabled = AddButton(tbsCheck, 2);
  disabled.SetEnabled(false);
  check.SetStateBit(sbsPressed, true);
  EXPECT_TRUE(bar.Release(0));
  EXPECT_TRUE(check.Down());
  EXPECT_FALSE(check.Pressed());
  EXPECT_TRUE(bar.Release(0));
  EXPECT_FALSE(check.Down()) << "a check button toggles";
  EXPECT_TRUE(bar.Release(1));
  EXPECT_TRUE(bar.Release(1));
  EXPECT_TRUE(tab.Down()) << "a tab only goes down";
  EXPECT_TRUE(bar.Release(2));
  EXPECT_FALSE(push.Down());
  EXPECT_FALSE(bar.Release(3));
  EXPECT_FALSE(disabled.Down());
  EXPECT_FALSE(bar.Release(9));
}

TEST_F(ToolBarTest, DropDownPointTable) {
  TZebrinSkinToolButton& button = AddButton(tbsDropDown);
  button.SetImageIndex(0);
  Layout();
  const TRect r = button.BoundsRect();
  ASSERT_FALSE(r.IsEmpty());
  struct Case {
    bool horizontalCaption;
    platform::TAlign align;
    TPoint expected;
  };
  const Case cases[] = {
      {true, platform::alNone, {r.Left, r.Bottom - 1}},    {true, platform::alClient, {r.Left, r.Bottom - 1}},
      {true, platform::alLeft, {r.Left, r.Bottom - 1}},    {true, platform::alTop, {r.Right, r.Bottom - 1}},
      {true, platform::alBottom, {r.Right, r.Bottom - 1}}, {true, platform::alRight, {r.Right, r.Bottom - 1}},
      {true, platform::alCustom, {r.Right, r.Bottom - 1}}, {false, platform::alNone, {r.Right, r.Top - 1}},
      {false, platform::alLeft, {r.Right, r.Top - 1}},     {false, platform::alRight, {r.Right, r.Bottom - 1}},
  };
  for (const Case& c : cases) {
    host.horizontalCaption = c.horizontalCaption;
    host.align = c.align;
    EXPECT_EQ(bar.DropDownPoint(button), c.expected) << c.horizontalCaption << " " << int(c.align);
  }
}

// Records the items clicked.
class ClickLog final : public TComponent {
 public:
  using TComponent::TComponent;
  void Clicked(TObject* sender) { senders.push_back(sender); }
  std::vector<TObject*> senders;
};

// A drop-down button with a menu, the presenter and the main loop the
// menu's posted click runs on, and a skin manager whose drag flag shows.
class DropDownTest : public ToolBarTest {
 protected:
  DropDownTest() {
    CreateSkinManager();
    host.origin = {500, 300};
    menu = &platform::MakeComponent<platform::TPopupMenu>(root);
    menu->SetName("Tools");
    open = &AddMenuItem(menu->Items(), "Open");
    recent = &AddMenuItem(menu->Items(), "Recent");
    AddMenuItem(*recent, "a.txt");
    button = &AddButton(tbsDropDown);
    button->SetComponent(menu);
    button->SetImageIndex(0);
    Layout();
    presenter.whileOpen = [this](platform::TPopupMenu& shown) {
      flagWhileOpen.push_back(SkinManager()->DragFlag());
      popupComponentWhileOpen = shown.PopupComponent();
    };
  }
  ~DropDownTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  static platform::TMenuItem& AddMenuItem(platform::TMenuItem& parent, const std::string& caption) {
    platform::TMenuItem& item = parent.Add(std::make_unique<platform::TMenuItem>());
    item.SetCaption(caption);
    return item;
  }
  // The menu's screen point: DropDownPoint in the window at host.origin.
  TPoint Expected() const {
    const TPoint corner = bar.DropDownPoint(*button);
    return {corner.X + 500, corner.Y + 300};
  }

  platform::FakeEventLoop loop;
  platform::ScopedMainEventLoop loopScope{loop};
  halbrin::testing::FakePopupMenuPresenter presenter;
  platform::ScopedPopupMenuPresenter presenterScope{presenter};
  platform::TPopupMenu* menu = nullptr;
  platform::TMenuItem* open = nullptr;
  platform::TMenuItem* recent = nullptr;
  TZebrinSkinToolButton* button = nullptr;
  std::vector<bool> flagWhileOpen;
  TComponent* popupComponentWhileOpen = nullptr;
  ClickLog clicks;
  std::vector<TObject*>& clicked = clicks.senders;
};

TEST_F(DropDownTest, PopsItsMenuUpAtTheScreenPointWithTheFlagRaised) {
  button->SetStateBit(sbsHot, true);
  button->SetStateBit(sbsPressed, true);
  bar.Click(0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].menu, "Tools");
  EXPECT_EQ(presenter.shown[0].point, Expected());
  EXPECT_EQ(presenter.shown[0].items, (std::vector<std::string>{"Open", "Recent", "Recent/a.txt"}));
  EXPECT_TRUE(presenter.shown[0].open);
  EXPECT_EQ(flagWhileOpen, std::vector<bool>{true});
  EXPECT_EQ(popupComponentWhileOpen, &host);
  EXPECT_FALSE(SkinManager()->DragFlag()) << "lowered once the menu closed";
  EXPECT_FALSE(button->Hot());
  EXPECT_FALSE(button->Pressed()) << "the press ended in the menu";
  EXPECT_FALSE(menu->IsOpen());

  // A flag some other owner raised stays raised.
  SkinManager()->SetDragFlag(true);
  bar.Click(0);
  EXPECT_TRUE(SkinManager()->DragFlag());
  SkinManager()->SetDragFlag(false);
}

TEST_F(DropDownTest, TheChosenItemsClickRunsAfterTheMenuClosed) {
  open->OnClick().Bind(clicks, &ClickLog::Clicked);
  recent->Items(0)->OnClick().Bind(clicks, &ClickLog::Clicked);
  struct Case {
    std::vector<std::string> choose;
    TObject* clicked;
  } const cases[] = {{{"Open"}, open}, {{"Recent", "a.txt"}, recent->Items(0)}, {{}, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choose.empty() ? "cancelled" : c.choose.back());
    clicked.clear();
    presenter.choose = c.choose;
    bar.Click(0);
    EXPECT_TRUE(clicked.empty()) << "posted, not run inside the menu";
    loop.RunIdle();
    EXPECT_EQ(clicked, c.clicked ? std::vector<TObject*>{c.clicked} : std::vector<TObject*>{});
  }
}

TEST_F(DropDownTest, NothingShowsWithoutAMenuOrForAnotherComponent) {
  TZebrinSkinToolButton& without = AddButton(tbsDropDown);
  TZebrinSkinToolButton& withControl = AddButton(tbsDropDown);
  auto& control = platform::MakeComponent<platform::TWinControl>(root);
  withControl.SetComponent(&control);
  EXPECT_EQ(withControl.DropDownMenu(), nullptr);
  EXPECT_EQ(button->DropDownMenu(), menu);
  Layout();
  bar.Click(without.Index());
  bar.Click(withControl.Index());
  EXPECT_TRUE(presenter.shown.empty());
  // A push button linked to the menu does not open it either.
  button->SetStyle(tbsButton);
  bar.Click(0);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(DropDownTest, MenuFreedWhileOpenGoesAfterItClosed) {
  const platform::TWeakRef<platform::TPopupMenu> menuRef(menu);
  presenter.choose = {"Open"};
  presenter.whileOpen = [&](platform::TPopupMenu& shown) {
    TComponent::Free(shown);
    EXPECT_TRUE(menuRef.Get()) << "held while open";
  };
  open->OnClick().Bind(clicks, &ClickLog::Clicked);
  bar.Click(0);
  EXPECT_FALSE(menuRef.Get());
  EXPECT_EQ(button->Component(), nullptr) << "a freed menu reads nil";
  EXPECT_FALSE(SkinManager()->DragFlag());
  loop.RunIdle();
  EXPECT_TRUE(clicked.empty()) << "the chosen item went with its menu";
  bar.Click(0);
  EXPECT_EQ(presenter.shown.size(), 1u);
}

TEST_F(ToolBarTest, LinkedComponentIsHeldWeakly) {
  auto* menu = &platform::MakeComponent<platform::TPopupMenu>(root);
  TZebrinSkinToolButton& button = AddButton(tbsDropDown);
  button.SetComponent(menu);
  EXPECT_EQ(button.Component(), menu);
  TComponent::Free(*menu);
  EXPECT_EQ(button.Component(), nullptr);
  bar.Click(0);  // a freed menu shows nothing and does not crash
}

class LinkedTabTest : public ToolBarTest {
 protected:
  LinkedTabTest() {
    pane = &platform::MakeComponent<platform::TWinControl>(root);
    pane->SetName("Pane");
    pane->SetText("Files");
    tab = &AddButton(tbsTab, 1);
    other = &AddButton(tbsTab, 1);
    other->SetDown(true);
  }
  platform::TWinControl* pane = nullptr;
  TZebrinSkinToolButton* tab = nullptr;
  TZebrinSkinToolButton* other = nullptr;
};

TEST_F(LinkedTabTest, TextFollowsTheControlThroughItsOwnObserver) {
  std::vector<platform::ControlEvent> seen;
  pane->AddObserver([&](platform::TControl&, platform::ControlEvent e) { seen.push_back(e); });
  tab->SetComponent(pane);
  EXPECT_EQ(tab->Text(), "Files");
  ASSERT_NE(tab->Adapter(), nullptr);
  pane->SetText("Folders");
  EXPECT_EQ(tab->Text(), "Folders");
  tab->SetComponent(nullptr);
  EXPECT_EQ(tab->Adapter(), nullptr);
  pane->SetText("Other");
  EXPECT_EQ(tab->Text(), "Folders") << "unlinked: no more text";
  EXPECT_EQ(seen.size(), 2u) << "the control's other observer stays attached";
}

TEST_F(LinkedTabTest, FreedControlReadsNil) {
  tab->SetComponent(pane);
  TComponent::Free(*pane);
  pane = nullptr;
  EXPECT_EQ(tab->Component(), nullptr);
  tab->SetComponent(nullptr);
  bar.Click(0);
}

TEST_F(LinkedTabTest, CloseRequestedHidesTheButtonAfterTheControlIsHidden) {
  struct Case {
    bool down;
    bool formSkin;
    bool closesForm;
  };
  const Case cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  for (const Case& c : cases) {
    tab->SetComponent(pane);
    pane->Show();
    tab->SetVisible(true);
    tab->SetDown(c.down);
    if (!c.down) other->SetDown(true);
    host.formSkin = c.formSkin;
    host.log.clear();
    pane->Hide();
    EXPECT_TRUE(tab->Visible()) << "hiding alone keeps the button";
    pane->NotifyCloseRequested();
    EXPECT_FALSE(tab->Visible());
    const std::string close = "operation " + std::to_string(static_cast<int>(TWindowCommand::Close));
    const bool closed = std::find(host.log.begin(), host.log.end(), close) != host.log.end();
    EXPECT_EQ(closed, c.closesForm) << c.down << " " << c.formSkin;
    EXPECT_EQ(host.log.back(), "refresh");
  }
}

TEST_F(LinkedTabTest, ShownControlShowsItsButtonDown) {
  pane->Hide();
  tab->SetComponent(pane);
  tab->SetVisible(false);
  pane->Show();
  EXPECT_TRUE(tab->Visible());
  EXPECT_TRUE(tab->Down());
  EXPECT_FALSE(other->Down()) << "the group is released";
  // Clicking the tab of a hidden control shows it.
  pane->Hide();
  tab->SetDown(false);
  bar.Click(0);
  EXPECT_TRUE(pane->Visible());
  EXPECT_TRUE(tab->Down());
}

TEST_F(LinkedTabTest, ShownButtonMovesToTheLastRowOfAWrappedBar) {
  bar.SetWrapable(true);
  for (int i = 0; i < 2; ++i) AddButton().SetImageIndex(0);
  for (int i = 0; i < bar.Count(); ++i) {
    bar.Items(i)->SetImageIndex(0);
    bar.Items(i)->SetIndent(0);
    bar.Items(i)->SetShowText(false);
  }
  // Four buttons of 24 in a bar 50 wide: two rows.
  host.CaptionBand(0).SetBoundsRect({0, 0, 50, 60});
  pane->Hide();
  tab->SetComponent(pane);
  Layout();
  ASSERT_EQ(bar.Rows(), 2);
  ASSERT_EQ(tab->Row(), 0);
  host.log.clear();
  pane->Show();
  EXPECT_EQ(tab->Index(), bar.Count() - 1);
  EXPECT_NE(std::find(host.log.begin(), host.log.end(), "refresh"), host.log.end());
}

TEST_F(ToolBarTest, ClickRunsTheExecuteHookAfterTheButtonsOwnWork) {
  std::vector<std::string> order;
  TZebrinSkinToolButton& check = AddButton(tbsCheck, 1);
  check.internalClick = [&](TZebrinSkinCustomButton&) { order.push_back("click"); };
  check.executeHook = [&](TZebrinSkinCustomToolButton& b) { order.push_back(b.Down() ? "execute down" : "execute up"); };
  check.Execute();
  EXPECT_EQ(order, (std::vector<std::string>{"click", "execute down"}));
  check.SetEnabled(false);
  check.Execute();
  EXPECT_EQ(order.size(), 2u);
}

TEST(ToolButtonsPublishedTest, NamesAndDefaults) {
  struct Case {
    const platform::TClassInfo& info;
    const char* name;
    std::int64_t defaultValue;
  };
  const Case cases[] = {
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "BreakLine", 0},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "CaptureMouse", 1},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "Down", 0},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "Group", 0},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "Layout", silCenter},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "Margin", 0},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "MaskColor", platform::clNone},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "Style", tbsButton},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "TextLayout", silCenter},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "ImagePosition", sipLeft},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "ShowCheckBox", 0},
      {TZebrinSkinCustomToolButton::StaticClassInfo(), "Checked", 0},
      {TZebrinSkinToolButton::StaticClassInfo(), "Margin", 4},
      {TZebrinSkinToolButton::StaticClassInfo(), "Transparent", 0},
      {TZebrinSkinBandItemButton::StaticClassInfo(), "Margin", 0},
      {TZebrinSkinBandItemButton::StaticClassInfo(), "Masked", 1},
      {TZebrinSkinBandItemButton::StaticClassInfo(), "Indent", 4},
      {TZebrinSkinCustomToolButtons::StaticClassInfo(), "BorderWidth", 0},
      {TZebrinSkinCustomToolButtons::StaticClassInfo(), "ButtonMinSize", -1},
      {TZebrinSkinCustomToolButtons::StaticClassInfo(), "ButtonMaxSize", -1},
      {TZebrinSkinCustomToolButtons::StaticClassInfo(), "DragMode", dmAutomatic},
      {TZebrinSkinCustomToolButtons::StaticClassInfo(), "Height", -1},
      {TZebrinSkinCustomToolButtons::StaticClassInfo(), "MaxRows", 0},
      {TZebrinSkinCustomToolButtons::StaticClassInfo(), "Width", -1},
      {TZebrinSkinToolButtons::StaticClassInfo(), "Align", siaLeft},
      {TZebrinSkinToolButtons::StaticClassInfo(), "BandIndex", 1},
      {TZebrinSkinToolButtons::StaticClassInfo(), "BandsIndex", 0},
      {TZebrinSkinToolButtons::StaticClassInfo(), "BorderWidth", 1},
      {TZebrinSkinToolButtons::StaticClassInfo(), "GripSize", -1},
      {TZebrinSkinToolButtons::StaticClassInfo(), "Wrapable", 1},
      {TZebrinSkinToolButtons::StaticClassInfo(), "Transparent", 1},
      {TZebrinSkinBandItemButtons::StaticClassInfo(), "Wrapable", 0},
      {TZebrinSkinBandItemButtons::StaticClassInfo(), "Transparent", 1},
  };
  ItemHost host;
  TZebrinSkinToolButtons bar(&host, &host);
  TZebrinSkinToolButton& toolButton = bar.Add();
  TZebrinSkinBandItemButtons& itemButtons = *host.CaptionBand(0).Item()->Buttons();
  TZebrinSkinBandItemButton& itemButton = itemButtons.Add();
  for (const Case& c : cases) {
    const platform::TPropInfo* prop = c.info.FindProperty(c.name);
    ASSERT_NE(prop, nullptr) << c.info.Name() << "." << c.name;
    const Variant& stored = prop->Default();
    EXPECT_EQ(stored.IsBool() ? std::int64_t{stored.AsBool()} : stored.ToInt64(), c.defaultValue)
        << c.info.Name() << "." << c.name;
    // A new object reads its default.
    const TObject* object = &c.info == &TZebrinSkinBandItemButton::StaticClassInfo()    ? &itemButton
                            : &c.info == &TZebrinSkinBandItemButtons::StaticClassInfo() ? &itemButtons
                            : &c.info == &TZebrinSkinToolButtons::StaticClassInfo() ||
                                    &c.info == &TZebrinSkinCustomToolButtons::StaticClassInfo()
                                ? static_cast<const TObject*>(&bar)
                                : &toolButton;
    if (&c.info == &TZebrinSkinCustomToolButtons::StaticClassInfo() && std::string(c.name) == "BorderWidth") continue;
    if (&c.info == &TZebrinSkinCustomToolButton::StaticClassInfo() && std::string(c.name) == "Margin") continue;
    EXPECT_EQ(platform::GetOrdProp(*object, *prop), c.defaultValue) << c.info.Name() << "." << c.name;
  }
  for (const char* name : {"Component", "Name", "Text", "ShowImage", "ShowText", "OnDblClick", "OnMouseDown",
                           "OnCustomPaint", "EdgeBorders", "Indent", "Transparent", "TransparentHot", "TransparentDown"})
    EXPECT_NE(TZebrinSkinToolButton::StaticClassInfo().FindProperty(name), nullptr) << name;
  for (const char* name : {"script", "Layout", "Font", "ImageList"})
    EXPECT_NE(TZebrinSkinToolButtons::StaticClassInfo().FindProperty(name), nullptr) << name;
  EXPECT_EQ(toolButton.Name(), "item" + std::to_string(toolButton.ID()));
  EXPECT_TRUE(toolButton.HasState(sbsToolButton));
  EXPECT_EQ(std::string(SkinItemPositionInfo().Name(sipLeft)), "sipLeft");
  EXPECT_EQ(std::string(SkinItemLayoutInfo().Name(silCenter)), "silCenter");
}

}  // namespace
}  // namespace halbrin::skins
