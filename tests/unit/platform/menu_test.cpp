// The menu model without a display: sub-items and their ownership, the click
// rules, the action link, the popup flow through a fake presenter, shortcuts
// and mnemonics.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classes/property_access.h"
#include "platform/controls/action_list.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/graphics/image_list.h"
#include "platform/graphics/menu_item.h"
#include "platform/graphics/popup_menu.h"
#include "support/fake_popup_menu_presenter.h"

namespace halbrin::platform {
namespace {

using Calls = std::vector<std::string>;
using testing::FakePopupMenuPresenter;

class TMenuProbe : public TComponent {
  HALBRIN_CLASS(TMenuProbe, TComponent)

  explicit TMenuProbe(TComponent* owner = nullptr) : TComponent(owner) {}
  void Clicked(TObject* sender) {
    calls.push_back("click " + static_cast<TComponent*>(sender)->Name());
    if (freeOnClick) TComponent::Free(*freeOnClick);
  }
  void Executed(TObject* sender) {
    auto* action = static_cast<TCustomAction*>(sender);
    TComponent* by = action->ActionComponent();
    calls.push_back("execute " + action->Name() + (by ? " by " + by->Name() : ""));
  }
  void Popped(TObject* sender) {
    auto* menu = static_cast<TPopupMenu*>(sender);
    calls.push_back("popup " + menu->Name() + (menu->IsOpen() ? " open" : ""));
    if (fillOnPopup) MakeComponent<TMenuItem>(menu->Items()).SetCaption("Late");
  }

  Calls calls;
  bool fillOnPopup = false;
  TComponent* freeOnClick = nullptr;
};

HALBRIN_DEFINE_CLASS(TMenuProbe, )

TMenuItem& NewItem(TComponent& parent, const std::string& name, const std::string& caption = {}) {
  auto& item = MakeComponent<TMenuItem>(parent);
  item.SetName(name);
  item.SetCaption(caption.empty() ? name : caption);
  return item;
}

std::vector<std::string> Names(const TMenuItem& parent) {
  std::vector<std::string> names;
  for (int i = 0; i < parent.Count(); ++i) names.push_back(parent.Items(i)->Name());
  return names;
}

using Names_ = std::vector<std::string>;

// --- Sub-items ----------------------------------------------------------------------------

class MenuItemTreeTest : public ::testing::Test {
 protected:
  MenuItemTreeTest() {
    root.SetName("Root");
    a = &NewItem(root, "A");
    b = &NewItem(root, "B");
    c = &NewItem(root, "C");
  }

  TComponent owner;
  TMenuItem& root = MakeComponent<TMenuItem>(owner);
  TMenuItem* a = nullptr;
  TMenuItem* b = nullptr;
  TMenuItem* c = nullptr;
};

TEST_F(MenuItemTreeTest, OwnedItemsAreTheSubItemsInOrderAndMove) {
  EXPECT_EQ(Names(root), (Names_{"A", "B", "C"}));
  EXPECT_EQ(b->Parent(), &root);
  EXPECT_EQ(b->Owner(), &root);
  EXPECT_EQ(b->MenuIndex(), 1);
  EXPECT_EQ(root.Parent(), nullptr);
  EXPECT_EQ(root.MenuIndex(), -1);

  c->SetMenuIndex(0);
  EXPECT_EQ(Names(root), (Names_{"C", "A", "B"}));
  c->SetMenuIndex(99);  // clamped
  EXPECT_EQ(Names(root), (Names_{"A", "B", "C"}));
  root.Add(*a);  // already here: moves to the end
  EXPECT_EQ(Names(root), (Names_{"B", "C", "A"}));

  // Taken from another parent: the old one lets it go.
  root.Insert(1, *a);
  b->Add(*c);
  EXPECT_EQ(Names(root), (Names_{"B", "A"}));
  EXPECT_EQ(Names(*b), (Names_{"C"}));
  EXPECT_EQ(c->Parent(), b);
  EXPECT_EQ(c->Owner(), b);

  // A free-standing item owned elsewhere, and one nobody owns yet.
  TMenuItem& loose = NewItem(owner, "Loose");
  EXPECT_EQ(loose.Parent(), nullptr);
  root.Insert(0, loose);
  auto fresh = std::make_unique<TMenuItem>();
  fresh->SetName("Fresh");
  TMenuItem& added = root.Add(std::move(fresh));
  EXPECT_EQ(Names(root), (Names_{"Loose", "B", "A", "Fresh"}));
  EXPECT_EQ(added.Owner(), &root);
  EXPECT_EQ(owner.FindComponent("Loose"), nullptr);
}

TEST_F(MenuItemTreeTest, FreedOrHandedBackItemsLeaveTheList) {
  TWeakRef<TMenuItem> aLives(a);
  TWeakRef<TMenuItem> bLives(b);

  std::unique_ptr<TMenuItem> taken = root.Remove(*a);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->Parent(), nullptr);
  EXPECT_EQ(Names(root), (Names_{"B", "C"}));
  EXPECT_EQ(root.Remove(*taken), nullptr) << "not a sub-item";
  taken.reset();
  EXPECT_FALSE(aLives);

  {
    // Freed while one of its handlers runs: out of the list at once, alive until the guard ends.
    TComponent::TBusyGuard busy(*b);
    TComponent::Free(*b);
    EXPECT_EQ(Names(root), (Names_{"C"}));
    EXPECT_TRUE(bLives);
    EXPECT_EQ(b->Parent(), nullptr);
  }
  EXPECT_FALSE(bLives);

  NewItem(root, "D");
  NewItem(*c, "Sub");
  root.Delete(0);
  EXPECT_EQ(Names(root), (Names_{"D"}));
  EXPECT_THROW(root.Delete(1), EListError);
  EXPECT_THROW(root.Items(-1), EListError);
  root.Clear();
  EXPECT_EQ(root.Count(), 0);
}

TEST_F(MenuItemTreeTest, NamesAreUniquePerParentAndAClashLeavesTheItemWhereItWas) {
  TMenuItem& otherA = NewItem(*b, "A");  // another parent: fine
  EXPECT_THROW(root.Add(otherA), EComponentError);
  EXPECT_EQ(otherA.Parent(), b);
  EXPECT_EQ(Names(*b), (Names_{"A"}));
  auto fresh = std::make_unique<TMenuItem>();
  fresh->SetName("b");  // letter case ignored
  EXPECT_THROW(root.Add(std::move(fresh)), EComponentError);
  EXPECT_EQ(Names(root), (Names_{"A", "B", "C"}));
}

TEST_F(MenuItemTreeTest, AnItemCannotGoIntoItselfOrBelowItself) {
  TMenuItem& sub = NewItem(*b, "Sub");
  TMenuItem& subSub = NewItem(sub, "SubSub");
  for (TMenuItem* target : {b, &sub, &subSub}) {
    SCOPED_TRACE(target->Name());
    try {
      target->Add(*b);
      ADD_FAILURE() << "inserted";
    } catch (const EMenuError& e) {
      EXPECT_STREQ(e.what(), "Menu item cannot be inserted into itself");
    }
  }
  EXPECT_EQ(b->Parent(), &root);
  EXPECT_EQ(Names(root), (Names_{"A", "B", "C"}));
  EXPECT_EQ(subSub.Parent(), &sub);
  EXPECT_THROW(root.Insert(4, *a), EListError);
}

TEST_F(MenuItemTreeTest, DestroyingAParentTakesItsItemsAlong) {
  TMenuItem& sub = NewItem(*b, "Sub");
  TWeakRef<TMenuItem> subLives(&sub);
  TComponent::Free(*b);
  EXPECT_FALSE(subLives);
  EXPECT_EQ(Names(root), (Names_{"A", "C"}));
}

// --- Click ----------------------------------------------------------------------------------

struct ClickCase {
  const char* name;
  bool enabled;
  bool autoCheck;
  bool onClick;
  bool action;
  Calls expected;
  bool checkedAfter;
};

class MenuItemClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(MenuItemClickTest, FollowsTheRules) {
  const ClickCase& test = GetParam();
  TComponent owner;
  auto& probe = MakeComponent<TMenuProbe>(owner);
  auto& action = MakeComponent<TCustomAction>(owner);
  action.SetName("Act");
  action.m_onExecute.Bind(probe, &TMenuProbe::Executed);
  TMenuItem& item = NewItem(owner, "Item");
  if (test.action) item.SetAction(&action);
  if (test.onClick) item.OnClick().Bind(probe, &TMenuProbe::Clicked);
  item.SetAutoCheck(test.autoCheck);
  item.SetEnabled(test.enabled);
  item.Click();
  EXPECT_EQ(probe.calls, test.expected);
  EXPECT_EQ(item.Checked(), test.checkedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuItemClickTest,
    ::testing::Values(ClickCase{"Plain", true, false, true, false, {"click Item"}, false},
                      ClickCase{"Disabled", false, true, true, true, {}, false},
                      ClickCase{"AutoCheckToggles", true, true, false, false, {}, true},
                      ClickCase{"OnClickBeforeAction", true, false, true, true, {"click Item"}, false},
                      ClickCase{"ActionWithoutOnClick", true, true, false, true, {"execute Act by Item"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MenuItemRadio, CheckingARadioItemUnchecksItsGroupOnly) {
  TComponent owner;
  TMenuItem& root = MakeComponent<TMenuItem>(owner);
  TMenuItem& one = NewItem(root, "One");
  TMenuItem& two = NewItem(root, "Two");
  TMenuItem& other = NewItem(root, "Other");  // group 2
  TMenuItem& plain = NewItem(root, "Plain");  // group 1, not a radio item
  for (TMenuItem* item : {&one, &two, &other}) item->SetRadioItem(true);
  one.SetGroupIndex(1);
  two.SetGroupIndex(1);
  other.SetGroupIndex(2);
  plain.SetGroupIndex(1);
  one.SetChecked(true);
  other.SetChecked(true);
  plain.SetChecked(true);
  two.SetAutoCheck(true);
  two.Click();
  EXPECT_TRUE(two.Checked());
  EXPECT_FALSE(one.Checked());
  EXPECT_TRUE(other.Checked());
  EXPECT_TRUE(plain.Checked());
}

// --- Action link ----------------------------------------------------------------------------

TEST(MenuItemAction, TheActionsValuesFlowIntoTheItemUntilItIsFreed) {
  TComponent owner;
  auto* action = &MakeComponent<TCustomAction>(owner);
  action->SetCaption("&Open");
  action->SetEnabled(false);
  action->SetChecked(true);
  action->SetImageIndex(3);
  action->SetShortCut(0x4000 | 'O');
  action->SetHint("Opens");
  TMenuItem& item = NewItem(owner, "Item");
  item.SetAction(action);
  EXPECT_EQ(item.Caption(), "&Open");
  EXPECT_FALSE(item.Enabled());
  EXPECT_TRUE(item.Checked());
  EXPECT_EQ(item.ImageIndex(), 3);
  EXPECT_EQ(item.ShortCut(), 0x4000 | 'O');
  EXPECT_EQ(item.Hint(), "Opens");
  EXPECT_TRUE(item.Visible());

  action->SetVisible(false);
  action->SetEnabled(true);
  action->SetCaption("Open");
  EXPECT_FALSE(item.Visible());
  EXPECT_TRUE(item.Enabled());
  EXPECT_EQ(item.Caption(), "Open");

  // Published as a reference that reads nil once the action is freed.
  const TPropInfo& prop = RequirePropInfo(item, "Action");
  EXPECT_EQ(GetObjectProp(item, prop), action);
  TComponent::Free(*action);
  EXPECT_EQ(item.Action(), nullptr);
  EXPECT_EQ(GetObjectProp(item, prop), nullptr);
  item.Click();  // no action, no handler: nothing
  EXPECT_EQ(item.Caption(), "Open") << "the values stay";
}

TEST(MenuItemAction, PublishedMembersHaveTheirDefaults) {
  TMenuItem item;
  const std::vector<std::pair<const char*, Variant>> defaults = {
      {"AutoCheck", Variant(false)}, {"Caption", Variant("")},  {"Checked", Variant(false)},
      {"Default", Variant(false)},   {"Enabled", Variant(true)}, {"GroupIndex", Variant(0)},
      {"Hint", Variant("")},         {"ImageIndex", Variant(-1)}, {"RadioItem", Variant(false)},
      {"ShortCut", Variant(0)},      {"Visible", Variant(true)}};
  for (const auto& [name, value] : defaults) {
    SCOPED_TRACE(name);
    EXPECT_EQ(GetPropValue(item, RequirePropInfo(item, name)).ToText(), value.ToText());
  }
  EXPECT_NE(GetPropInfo(item, "OnClick"), nullptr);
  TPopupMenu menu;
  for (const char* name : {"Images", "AutoPopup", "Alignment", "OnPopup"}) EXPECT_NE(GetPropInfo(menu, name), nullptr) << name;
  EXPECT_EQ(GetEnumName(RequirePropInfo(menu, "Alignment"), paCenter), "paCenter");
}

// --- Popup ------------------------------------------------------------------------------------

class PopupMenuTest : public ::testing::Test {
 protected:
  PopupMenuTest() {
    menu->SetName("Menu");
    menu->OnPopup().Bind(probe, &TMenuProbe::Popped);
    open = &NewItem(menu->Items(), "Open");
    open->OnClick().Bind(probe, &TMenuProbe::Clicked);
    TMenuItem& recent = NewItem(menu->Items(), "Recent");
    TMenuItem& first = NewItem(recent, "First");
    first.OnClick().Bind(probe, &TMenuProbe::Clicked);
    NewItem(menu->Items(), "Hidden").SetVisible(false);
  }

  FakeEventLoop loop;
  ScopedMainEventLoop loopScope{loop};
  FakePopupMenuPresenter presenter;
  ScopedPopupMenuPresenter presenterScope{presenter};
  TComponent owner;
  TComponent& form = MakeComponent<TComponent>(owner);
  TMenuProbe& probe = MakeComponent<TMenuProbe>(owner);
  TPopupMenu* menu = &MakeComponent<TPopupMenu>(form);
  TMenuItem* open = nullptr;
};

TEST_F(PopupMenuTest, OnPopupRunsFirstAndTheChosenClickRunsAfterPopupReturned) {
  probe.fillOnPopup = true;  // the presenter must see what OnPopup added
  presenter.whileOpen = [&](TPopupMenu& shown) {
    EXPECT_TRUE(shown.IsOpen());
    EXPECT_TRUE(TPopupMenu::AnyOpen());
  };
  menu->SetAlignment(paRight);
  presenter.choose = {"Recent", "First"};
  menu->Popup(40, 50);
  ASSERT_EQ(presenter.shown.size(), 1u);
  const auto& shown = presenter.shown[0];
  EXPECT_EQ(shown.menu, "Menu");
  EXPECT_EQ(shown.point, (TPoint{40, 50}));
  EXPECT_EQ(shown.alignment, paRight);
  EXPECT_TRUE(shown.open);
  EXPECT_EQ(shown.items, (Names_{"Open", "Recent", "Recent/First", "Late"}));
  EXPECT_EQ(probe.calls, (Calls{"popup Menu open"})) << "the click waits for the loop";
  EXPECT_FALSE(menu->IsOpen());
  EXPECT_FALSE(TPopupMenu::AnyOpen());
  loop.RunIdle();
  EXPECT_EQ(probe.calls, (Calls{"popup Menu open", "click First"}));
}

TEST_F(PopupMenuTest, CancelOrADisabledChoiceClicksNothing) {
  presenter.choose = {};
  menu->Popup(0, 0);
  open->SetEnabled(false);
  presenter.choose = {"Open"};
  menu->Popup(0, 0);
  presenter.choose = {"Open"};
  open->SetEnabled(true);
  presenter.whileOpen = [&](TPopupMenu&) { presenter.Close(); };
  menu->Popup(0, 0);
  loop.RunIdle();
  EXPECT_EQ(presenter.shown.size(), 3u);
  EXPECT_EQ(probe.calls, (Calls(3, "popup Menu open")));
}

TEST_F(PopupMenuTest, ASecondPopupWhileOneIsOpenReturnsWithoutShowing) {
  TPopupMenu& other = MakeComponent<TPopupMenu>(owner);
  presenter.whileOpen = [&](TPopupMenu&) {
    menu->Popup(5, 5);
    other.Popup(6, 6);
  };
  menu->Popup(1, 1);
  EXPECT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(probe.calls, (Calls{"popup Menu open"}));
}

TEST_F(PopupMenuTest, AMenuFreedWhileOpenGoesAfterItClosedAndClicksNothing) {
  TWeakRef<TPopupMenu> menuLives(menu);
  presenter.choose = {"Open"};
  presenter.whileOpen = [&](TPopupMenu& shown) {
    TComponent::Free(shown);
    EXPECT_TRUE(menuLives) << "busy while open";
  };
  menu->Popup(0, 0);
  EXPECT_FALSE(menuLives);
  loop.RunIdle();
  EXPECT_EQ(probe.calls, (Calls{"popup Menu open"}));
}

TEST_F(PopupMenuTest, FreeingTheFormWhileOpenOrTheMenuInOnPopupIsSafe) {
  TWeakRef<TPopupMenu> menuLives(menu);
  TWeakRef<TComponent> formLives(&form);
  presenter.whileOpen = [&](TPopupMenu&) { TComponent::Free(form); };
  presenter.choose = {"Open"};
  menu->Popup(0, 0);
  EXPECT_FALSE(formLives);
  EXPECT_FALSE(menuLives);
  loop.RunIdle();
  EXPECT_EQ(probe.calls, (Calls{"popup Menu open"}));

  // Freed by its own OnPopup: never shown.
  class TFreeing : public TPopupMenu {
   public:
    using TPopupMenu::TPopupMenu;

   protected:
    void DoPopup() override { TComponent::Free(*this); }
  };
  TWeakRef<TPopupMenu> freeingLives(&MakeComponent<TFreeing>(owner));
  freeingLives.Get()->Popup(0, 0);
  EXPECT_FALSE(freeingLives);
  EXPECT_EQ(presenter.shown.size(), 1u);
}

TEST_F(PopupMenuTest, TheChosenItemFreedBeforeItsClickRunsNothing) {
  presenter.choose = {"Open"};
  menu->Popup(0, 0);
  TComponent::Free(*open);
  loop.RunIdle();
  EXPECT_EQ(probe.calls, (Calls{"popup Menu open"}));
}

TEST_F(PopupMenuTest, AClickThatFreesItsMenuIsSafe) {
  TWeakRef<TPopupMenu> menuLives(menu);
  probe.freeOnClick = menu;
  presenter.choose = {"Open"};
  menu->Popup(0, 0);
  loop.RunIdle();
  EXPECT_EQ(probe.calls, (Calls{"popup Menu open", "click Open"}));
  EXPECT_FALSE(menuLives);
}

TEST_F(PopupMenuTest, ImagesAndPopupComponentReadNilOnceFreed) {
  auto& images = MakeComponent<TCustomImageList>(owner);
  menu->SetImages(&images);
  menu->SetPopupComponent(&probe);
  EXPECT_EQ(GetObjectProp(*menu, RequirePropInfo(*menu, "Images")), &images);
  TComponent::Free(images);
  TComponent::Free(probe);
  EXPECT_EQ(menu->Images(), nullptr);
  EXPECT_EQ(menu->PopupComponent(), nullptr);
  EXPECT_EQ(menu->Items().Menu(), menu);
  EXPECT_EQ(open->Menu(), menu);
  EXPECT_EQ(open->Parent(), &menu->Items());
}

TEST(PopupMenuHeadless, TheDefaultPresenterShowsAndChoosesNothing) {
  FakeEventLoop loop;
  ScopedMainEventLoop scope(loop);
  TComponent owner;
  auto& menu = MakeComponent<TPopupMenu>(owner);
  auto& probe = MakeComponent<TMenuProbe>(owner);
  NewItem(menu.Items(), "Open").OnClick().Bind(probe, &TMenuProbe::Clicked);
  menu.Popup(0, 0);
  loop.RunIdle();
  EXPECT_TRUE(probe.calls.empty());
  EXPECT_FALSE(TPopupMenu::AnyOpen());
}

// --- Shortcuts --------------------------------------------------------------------------------

constexpr TShortCut kCtrl = 0x4000;

struct ShortCutCase {
  const char* name;
  TShortCut key;
  const char* clicked;  // nullptr: not consumed
};

class PopupMenuShortCutTest : public ::testing::TestWithParam<ShortCutCase> {};

// File (Open Ctrl+O, Hidden Ctrl+H invisible, Off Ctrl+F disabled),
// Locked disabled (Inside Ctrl+I), Gone invisible (Below Ctrl+B),
// Again Ctrl+O (after Open, never reached), Deep/Deeper/Deepest Ctrl+D.
TEST_P(PopupMenuShortCutTest, FindsVisibleEnabledItemsUnderVisibleEnabledParents) {
  const ShortCutCase& test = GetParam();
  TComponent owner;
  auto& probe = MakeComponent<TMenuProbe>(owner);
  auto& menu = MakeComponent<TPopupMenu>(owner);
  auto add = [&](TMenuItem& parent, const char* name, TShortCut key) -> TMenuItem& {
    TMenuItem& item = NewItem(parent, name);
    item.SetShortCut(key);
    item.OnClick().Bind(probe, &TMenuProbe::Clicked);
    return item;
  };
  TMenuItem& file = add(menu.Items(), "File", 0);
  add(file, "Open", kCtrl | 'O');
  add(file, "Hidden", kCtrl | 'H').SetVisible(false);
  add(file, "Off", kCtrl | 'F').SetEnabled(false);
  TMenuItem& locked = add(menu.Items(), "Locked", 0);
  locked.SetEnabled(false);
  add(locked, "Inside", kCtrl | 'I');
  TMenuItem& gone = add(menu.Items(), "Gone", 0);
  gone.SetVisible(false);
  add(gone, "Below", kCtrl | 'B');
  add(menu.Items(), "Again", kCtrl | 'O');
  TMenuItem& deep = add(menu.Items(), "Deep", 0);
  add(add(deep, "Deeper", 0), "Deepest", kCtrl | 'D');

  const bool consumed = menu.IsShortCut(test.key);
  EXPECT_EQ(consumed, test.clicked != nullptr);
  EXPECT_EQ(probe.calls, test.clicked ? Calls{std::string("click ") + test.clicked} : Calls{});
}

INSTANTIATE_TEST_SUITE_P(Cases, PopupMenuShortCutTest,
                         ::testing::Values(ShortCutCase{"FirstDepthFirst", kCtrl | 'O', "Open"},
                                           ShortCutCase{"Invisible", kCtrl | 'H', nullptr},
                                           ShortCutCase{"Disabled", kCtrl | 'F', nullptr},
                                           ShortCutCase{"UnderDisabledParent", kCtrl | 'I', nullptr},
                                           ShortCutCase{"UnderInvisibleParent", kCtrl | 'B', nullptr},
                                           ShortCutCase{"ThreeLevelsDown", kCtrl | 'D', "Deepest"},
                                           ShortCutCase{"OtherModifiers", 0x2000 | 'O', nullptr},
                                           ShortCutCase{"None", 0, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Mnemonics --------------------------------------------------------------------------------

struct MnemonicCase {
  const char* name;
  char32_t key;
  int selected;
  TMnemonicAction action;
  int index;
};

class MnemonicTest : public ::testing::TestWithParam<MnemonicCase> {};

// 0 "&Open", 1 "&Options", 2 "E&xit", 3 "&&Plain", 4 "&Hidden" invisible,
// 5 "&Zero" disabled, 6 "-", 7 "&Über".
TEST_P(MnemonicTest, ChoosesCyclesOrPassesTheKeyOn) {
  const MnemonicCase& test = GetParam();
  TMenuItem root;
  int n = 0;
  for (const char* caption : {"&Open", "&Options", "E&xit", "&&Plain", "&Hidden", "&Zero", "-", "&\xC3\x9C" "ber"}) {
    auto item = std::make_unique<TMenuItem>();
    item->SetName("I" + std::to_string(n++));
    item->SetCaption(caption);
    root.Add(std::move(item));
  }
  root.Items(4)->SetVisible(false);
  root.Items(5)->SetEnabled(false);
  const TMnemonicMatch match = MatchMnemonic(root, test.key, test.selected);
  EXPECT_EQ(match.action, test.action);
  EXPECT_EQ(match.index, test.index);
}

INSTANTIATE_TEST_SUITE_P(Cases, MnemonicTest,
                         ::testing::Values(MnemonicCase{"OneMatchIsChosen", U'x', -1, TMnemonicAction::Choose, 2},
                                           MnemonicCase{"CaseIgnored", U'X', -1, TMnemonicAction::Choose, 2},
                                           MnemonicCase{"SeveralSelectTheFirst", U'o', -1, TMnemonicAction::Select, 0},
                                           MnemonicCase{"SeveralCycleOn", U'O', 0, TMnemonicAction::Select, 1},
                                           MnemonicCase{"SeveralWrapAround", U'o', 1, TMnemonicAction::Select, 0},
                                           MnemonicCase{"DoubleAmpersandIsLiteral", U'p', -1, TMnemonicAction::None, -1},
                                           MnemonicCase{"AmpersandKeyIsNoMnemonic", U'&', -1, TMnemonicAction::None, -1},
                                           MnemonicCase{"InvisibleSkipped", U'h', -1, TMnemonicAction::None, -1},
                                           MnemonicCase{"DisabledSkipped", U'z', -1, TMnemonicAction::None, -1},
                                           MnemonicCase{"NonAscii", U'\u00FC', -1, TMnemonicAction::Choose, 7},
                                           MnemonicCase{"NoMatch", U'q', -1, TMnemonicAction::None, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Mnemonic, OfACaption) {
  EXPECT_EQ(MnemonicOf("&Open"), U'o');
  EXPECT_EQ(MnemonicOf("E&xit"), U'x');
  EXPECT_EQ(MnemonicOf("&&Plain"), 0u);
  EXPECT_EQ(MnemonicOf("Save &&&As"), U'a');
  EXPECT_EQ(MnemonicOf("Trailing&"), 0u);
  EXPECT_EQ(MnemonicOf(""), 0u);
}

}  // namespace
}  // namespace halbrin::platform
