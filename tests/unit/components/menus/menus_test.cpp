// Script menus: exec words and events, bindings and the shared script,
// published members, declarations (nested items, item_n, names found depth
// first, "menuitem" under a menu, an item and elsewhere) and the popup flow
// with the fake presenter.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "components/menus/menu_component_types.h"
#include "components/menus/menu_item_ex.h"
#include "components/menus/menu_owner_draw.h"
#include "components/menus/popup_menu_ex.h"
#include "core/foundation/shortcuts.h"
#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "core/framework/xml_type_info_ex.h"
#include "core/foundation/property_values.h"
#include "platform/classes/property_access.h"
#include "support/fake_popup_menu_presenter.h"
#include "unit/components/menus/menu_test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::menus_test {
namespace {

using framework_test::ScriptCall;
using platform::MakeComponent;
using platform::TComponent;
using platform::Variant;

// A class property's object.
platform::TObject* Object(const platform::TObject& object, std::string_view name) {
  return platform::GetObjectProp(object, *platform::GetPropInfo(object, name));
}

class MenusTest : public framework_test::FrameworkTest {
 protected:
  void SetUp() override { RegisterMenuComponentTypes(); }
  void TearDown() override {
    UnregisterComponentType("menu");
    UnregisterComponentType("menuitem");
    FrameworkTest::TearDown();
  }
  ~MenusTest() override { m_hooks.root.DestroyComponents(); }

  TPopupMenuEx& Menu(const std::string& name = "Context") {
    auto& menu = MakeComponent<TPopupMenuEx>(m_hooks.root);
    menu.SetName(name);
    return menu;
  }
  TMenuItemEx& Item(platform::TMenuItem& parent, const std::string& name, const std::string& caption = "") {
    auto* item = static_cast<TMenuItemEx*>(dynamic_cast<IDeclaredItemList&>(parent).NewItem(name));
    item->SetCaption(caption.empty() ? name : caption);
    return *item;
  }
  TMenuItemEx& Item(TPopupMenuEx& menu, const std::string& name, const std::string& caption = "") {
    auto* item = static_cast<TMenuItemEx*>(menu.NewItem(name));
    item->SetCaption(caption.empty() ? name : caption);
    return *item;
  }
  TScriptEvent& Bind(IScriptEventSource& source, const std::string& event, const std::string& procedure) {
    TScriptEvent& binding = source.GetEvents()->AttachEvent(event);
    binding.SetXml(procedure);
    return binding;
  }
  std::vector<std::string> Procedures() const {
    std::vector<std::string> names;
    for (const ScriptCall& call : m_hooks.calls) names.push_back(call.procedure);
    return names;
  }
  Variant Declare(const std::string& body) {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.Execute(Variant("<controls>" + body + "</controls>"), result);
    return result;
  }

  testing::FakePopupMenuPresenter m_presenter;
  platform::ScopedPopupMenuPresenter m_presenterScope{m_presenter};
};

TEST_F(MenusTest, ExecWordsTable) {
  struct Case {
    const char* name;
    bool onMenu;
    const char* word;
    bool result;
    std::function<void(TPopupMenuEx&, TMenuItemEx&)> check;
  };
  const Case cases[] = {
      {"item click", false, "click", true,
       [this](TPopupMenuEx&, TMenuItemEx&) { EXPECT_EQ(Procedures(), std::vector<std::string>{"openFile"}); }},
      {"item click, letter case", false, "CLICK", true,
       [this](TPopupMenuEx&, TMenuItemEx&) { EXPECT_EQ(m_hooks.calls.size(), 1u); }},
      {"item clear", false, "clear", true, [](TPopupMenuEx&, TMenuItemEx& open) { EXPECT_EQ(open.length(), 0); }},
      {"item unknown", false, "popup", false,
       [this](TPopupMenuEx&, TMenuItemEx& open) {
         EXPECT_TRUE(m_hooks.calls.empty());
         EXPECT_EQ(open.length(), 1);
         EXPECT_TRUE(m_presenter.shown.empty());
       }},
      {"menu popup", true, "Popup", true,
       [this](TPopupMenuEx&, TMenuItemEx&) { EXPECT_EQ(m_presenter.shown.size(), 1u); }},
      {"menu clear", true, "clear", true, [](TPopupMenuEx& menu, TMenuItemEx&) { EXPECT_EQ(menu.length(), 0); }},
      {"menu addline", true, "AddLine", true,
       [](TPopupMenuEx& menu, TMenuItemEx&) {
         ASSERT_EQ(menu.length(), 3);
         auto* line = dynamic_cast<TMenuItemEx*>(menu.ItemAt(2));
         ASSERT_NE(line, nullptr) << "a script item";
         EXPECT_TRUE(line->IsLine());
         int width = -1, height = -1;
         TMeasuringCanvas canvas;
         line->MeasureItem(canvas, width, height);
         EXPECT_EQ(width, 0);
         EXPECT_EQ(height, 3);
       }},
      {"menu unknown", true, "click", false,
       [this](TPopupMenuEx& menu, TMenuItemEx&) {
         EXPECT_EQ(menu.length(), 2);
         EXPECT_TRUE(m_hooks.calls.empty());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_hooks.root.DestroyComponents();
    m_hooks.calls.clear();
    m_presenter.shown.clear();
    TPopupMenuEx& menu = Menu();
    TMenuItemEx& open = Item(menu, "Open");
    Item(open, "Recent");
    Item(menu, "Save");
    Bind(open, "onclick", "openFile");
    IExecutable& target = c.onMenu ? static_cast<IExecutable&>(menu) : open;
    target.SetExec(Variant(c.word));
    EXPECT_EQ(target.GetExec(), Variant(c.result));
    c.check(menu, open);
  }
}

TEST_F(MenusTest, ClickEventDataAfterAnAutoCheckToggleAndADisabledItem) {
  TPopupMenuEx& menu = Menu();
  TMenuItemEx& bold = Item(menu, "Bold");
  bold.SetAutoCheck(true);
  bold.SetData(Variant("b"));
  Bind(bold, "onclick", "boldClick");
  bold.SetExec(Variant("click"));
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  const Variant& data = m_hooks.calls[0].parameters;
  ASSERT_TRUE(data.IsArray());
  ASSERT_EQ(data.AsArray().Count(), 3);
  EXPECT_EQ(data.AsArray().Items()[0], Variant("Bold"));
  EXPECT_EQ(data.AsArray().Items()[1], Variant(true)) << "Checked after the toggle";
  EXPECT_EQ(data.AsArray().Items()[2], Variant("b"));
  EXPECT_TRUE(bold.GetEventData().IsNull()) << "eventData is Null again after the event";

  m_hooks.calls.clear();
  bold.SetEnabled(false);
  bold.SetExec(Variant("click"));
  EXPECT_EQ(bold.GetExec(), Variant(true)) << "the word is known";
  EXPECT_TRUE(m_hooks.calls.empty()) << "a disabled item runs nothing";
  EXPECT_TRUE(bold.Checked()) << "nor toggles";
}

TEST_F(MenusTest, PopupEventDataAndTheMenusScriptForItsItems) {
  TPopupMenuEx& menu = Menu();
  menu.SetData(Variant(7));
  Bind(menu, "onpopup", "menuPopup");
  menu.SetExec(Variant("popup"));
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  const Variant& data = m_hooks.calls[0].parameters;
  ASSERT_TRUE(data.IsArray());
  ASSERT_EQ(data.AsArray().Count(), 2);
  EXPECT_EQ(data.AsArray().Items()[0], Variant("Context"));
  EXPECT_EQ(data.AsArray().Items()[1], Variant(7));

  TMenuItemEx& open = Item(menu, "Open");
  TMenuItemEx& loose = MakeComponent<TMenuItemEx>(m_hooks.root);
  for (TMenuItemEx* item : {&open, &loose}) Bind(*item, "onclick", "clicked");
  m_hooks.calls.clear();
  open.Click();
  loose.Click();
  menu.GetEvents()->SetScript("menu.js");
  open.Click();
  loose.Click();
  open.GetEvents()->SetScript("own.js");
  open.Click();
  ASSERT_EQ(m_hooks.calls.size(), 5u);
  EXPECT_EQ(m_hooks.calls[0].script, "actions.js") << "menu events without a script: the default";
  EXPECT_EQ(m_hooks.calls[1].script, "actions.js");
  EXPECT_EQ(m_hooks.calls[2].script, "menu.js") << "an item takes the menu's script";
  EXPECT_EQ(m_hooks.calls[3].script, "actions.js") << "a free-standing item has no menu";
  EXPECT_EQ(m_hooks.calls[4].script, "own.js");
}

TEST_F(MenusTest, XmlIsTheOnClickBinding) {
  TPopupMenuEx& menu = Menu();
  TMenuItemEx& open = Item(menu, "Open");
  EXPECT_EQ(GetPropertyValue(open, "xml"), Variant(""));
  EXPECT_FALSE(open.HasEvents()) << "reading makes no binding";
  SetPropertyValue(open, "xml", Variant("openFile"));
  EXPECT_EQ(GetPropertyValue(open, "xml"), Variant("openFile"));
  ASSERT_NE(open.GetEvents()->Find("onclick"), nullptr);
  SetPropertyValue(open, "xml", Variant("openOther"));
  EXPECT_EQ(open.GetEvents()->GetLength(), 1) << "the one binding is written again";
  open.Click();
  EXPECT_EQ(Procedures(), std::vector<std::string>{"openOther"});
}

TEST_F(MenusTest, PublishedMembersAndDefaults) {
  TPopupMenuEx& menu = Menu();
  TMenuItemEx& open = Item(menu, "Open", "&Open");
  TMenuItemEx& recent = Item(open, "Recent");
  TMenuItemEx& loose = MakeComponent<TMenuItemEx>(m_hooks.root);
  EXPECT_EQ(menu.GetTypeName(), "menu");
  EXPECT_EQ(open.GetTypeName(), "menuitem");
  EXPECT_EQ(m_hooks.registry.ItemByName("Context"), &menu);
  EXPECT_EQ(m_hooks.registry.ItemByName("Recent"), &recent) << "items register with the application";
  for (platform::TObject* object : std::initializer_list<platform::TObject*>{&menu, &open})
    for (const char* name : {"eventData", "exec", "data"})
      EXPECT_TRUE(GetPropertyValue(*object, name).IsNull()) << name;
  EXPECT_EQ(GetPropertyValue(open, "text"), Variant("&Open"));
  SetPropertyValue(open, "text", Variant("&File"));
  EXPECT_EQ(open.Caption(), "&File");
  EXPECT_EQ(GetPropertyValue(open, "length"), Variant(1));
  EXPECT_EQ(GetPropertyValue(menu, "length"), Variant(1)) << "the top level";
  EXPECT_EQ(Object(open, "items"), &open);
  EXPECT_EQ(Object(menu, "items"), &menu.Items());
  EXPECT_EQ(Object(recent, "menu"), &menu);
  EXPECT_EQ(Object(loose, "menu"), nullptr);
  EXPECT_EQ(Object(recent, "parent"), &open);
  EXPECT_EQ(Object(open, "parent"), &menu.Items()) << "a top-level item's parent is the root";
  EXPECT_EQ(menu.Items().Parent(), nullptr);
  EXPECT_EQ(open.Style(), misItem);
  EXPECT_EQ(open.TextLayout(), mtlCenter);
  EXPECT_EQ(open.Height(), -1);
  EXPECT_EQ(open.Color(), platform::clDefault);
  SetPropertyValue(open, "style", Variant("misGroup"));
  EXPECT_EQ(open.Style(), misGroup);

  // font: made on first read as a copy of the menu font; a write assigns.
  EXPECT_EQ(open.OwnFont(), nullptr);
  platform::TFont* font = open.Font();
  EXPECT_EQ(font->Name(), TDefaultMenuOwnerDraw::MenuFont().Name());
  platform::TFont other;
  other.SetName("Serif");
  other.SetColor(0x0000FF);
  platform::SetObjectProp(open, *platform::GetPropInfo(open, "font"), &other);
  EXPECT_EQ(open.Font(), font) << "assigned, not replaced";
  EXPECT_EQ(font->Name(), "Serif");

  // empty
  SetPropertyValue(open, "empty", Variant(false));
  EXPECT_EQ(open.length(), 1);
  SetPropertyValue(menu, "empty", Variant(true));
  EXPECT_EQ(menu.length(), 0);
  EXPECT_EQ(m_hooks.registry.ItemByName("Open"), nullptr) << "freed";
}

TEST_F(MenusTest, NestedItemsDeclaredInXml) {
  Declare(R"(<control type="menu" id="Context" data="d">
      <item id="Open" caption="&amp;Open" shortcut:ShortCut="Ctrl+O" xml="openFile"/>
      <item id="Recent" caption="Recent">
        <item id="Last" caption="last.txt"><item id="Deep" caption="deep"/></item>
      </item>
      <item_3 caption="Fourth"/>
      <Deep caption="DEEP"/>
      <item id="open" height="30"/>
      <control type="menuitem" id="Extra" caption="Extra"/>
      <Recent><control type="menuitem" id="Inner" caption="Inner"/></Recent>
    </control>)");
  ASSERT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
  auto* menu = dynamic_cast<TPopupMenuEx*>(m_hooks.registry.ItemByName("Context"));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->length(), 5) << "Open, Recent, two up to item_3, Extra";
  auto* open = dynamic_cast<TMenuItemEx*>(menu->ItemAt(0));
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->Caption(), "&Open");
  EXPECT_EQ(open->ShortCut(), TextToShortCut("Ctrl+O"));
  EXPECT_EQ(open->Height(), 30) << "\"item\" with a name found is not made twice";
  EXPECT_EQ(open->Xml(), "openFile");
  EXPECT_EQ(static_cast<platform::TMenuItem*>(menu->ItemAt(3))->Caption(), "Fourth");
  auto* deep = dynamic_cast<TMenuItemEx*>(menu->FindItem("deep"));
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->Caption(), "DEEP") << "a sub-item's sub-item found from the menu";
  EXPECT_EQ(deep->Parent()->Name(), "Last");
  auto* extra = dynamic_cast<TMenuItemEx*>(menu->ItemAt(4));
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(extra->Name(), "Extra") << "a menuitem under a menu joins its top level";
  auto* recent = dynamic_cast<TMenuItemEx*>(menu->ItemAt(1));
  ASSERT_EQ(recent->length(), 2);
  EXPECT_EQ(recent->Items(1)->Name(), "Inner") << "a menuitem under an item joins its sub-items";

  // Numbered and named children through the object operations too.
  EXPECT_EQ(GetChildByName(*menu, "item_1").Get(), recent);
  EXPECT_EQ(GetChildByName(*menu, "LAST").Get(), deep->Parent());
  EXPECT_EQ(GetChildByVariant(*recent, Variant(0)).Get(), deep->Parent());
  EXPECT_EQ(GetChildCount(*menu), 5);

  open->Click();
  EXPECT_EQ(Procedures(), std::vector<std::string>{"openFile"});
}

TEST_F(MenusTest, MenuItemMadeByTypeWordUnderAMenuAnItemAndElsewhere) {
  TPopupMenuEx& menu = Menu();
  auto* top = dynamic_cast<TMenuItemEx*>(CreateComponentByType(&menu, "menuitem", "Top"));
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->Parent(), &menu.Items());
  EXPECT_EQ(top->Menu(), &menu);
  auto* sub = dynamic_cast<TMenuItemEx*>(CreateComponentByType(top, "menuitem", "Sub"));
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->Parent(), top);
  EXPECT_EQ(sub->Owner(), top);
  EXPECT_THROW(CreateComponentByType(&menu, "menuitem", "top"), platform::EComponentError)
      << "names are unique among the top level";
  EXPECT_EQ(menu.length(), 1) << "nothing is left behind";

  TComponent& form = MakeComponent<TComponent>(m_hooks.root);
  auto* loose = dynamic_cast<TMenuItemEx*>(CreateComponentByType(&form, "menuitem", "Loose"));
  ASSERT_NE(loose, nullptr);
  EXPECT_EQ(loose->Owner(), &form) << "free-standing, owned by its owner";
  EXPECT_EQ(loose->Parent(), nullptr);
  EXPECT_EQ(loose->Menu(), nullptr);
  EXPECT_NE(dynamic_cast<TPopupMenuEx*>(CreateComponentByType(&form, "menu", "Other")), nullptr);
}

TEST_F(MenusTest, ACyclicAddIsRefused) {
  TPopupMenuEx& menu = Menu();
  TMenuItemEx& file = Item(menu, "File");
  TMenuItemEx& recent = Item(file, "Recent");
  TMenuItemEx& last = Item(recent, "Last");
  for (TMenuItemEx* into : {&file, &recent, &last}) {
    SCOPED_TRACE(into->Name());
    EXPECT_THROW(into->Add(file), platform::EMenuError);
  }
  EXPECT_EQ(file.Parent(), &menu.Items());
  EXPECT_EQ(last.Parent(), &recent) << "the tree stays as it was";
  EXPECT_EQ(menu.FindItem("Last"), &last);
}

TEST_F(MenusTest, PopupFlowFromAScript) {
  TPopupMenuEx& menu = Menu();
  TMenuItemEx& open = Item(menu, "Open");
  Bind(open, "onclick", "openFile");
  TComponent* componentSeen = nullptr;
  bool visibleSeen = false;
  // "popup" fires before the presenter sees the items: a handler adds one.
  Bind(menu, "onpopup", "menuPopup");
  m_hooks.answer = [&](const ScriptCall& call) {
    if (call.procedure == "menuPopup") Item(menu, "Added");
    return Variant();
  };
  m_presenter.whileOpen = [&](platform::TPopupMenu& shown) {
    visibleSeen = GetPropertyValue(shown, "visible").ToText() == "True";
    componentSeen = shown.PopupComponent();
  };
  m_presenter.choose = {"Open"};
  TComponent& owner = MakeComponent<TComponent>(m_hooks.root);
  menu.SetPopupComponent(&owner);
  SetPropertyValue(menu, "visible", Variant(true));
  ASSERT_EQ(m_presenter.shown.size(), 1u);
  EXPECT_EQ(m_presenter.shown[0].items, (std::vector<std::string>{"Open", "Added"}));
  EXPECT_TRUE(visibleSeen) << "visible reads true while open";
  EXPECT_EQ(componentSeen, &owner);
  EXPECT_EQ(Object(menu, "popupComponent"), &owner);
  EXPECT_EQ(Procedures(), std::vector<std::string>{"menuPopup"}) << "the click waits for the loop";
  m_loop.RunIdle();
  EXPECT_EQ(Procedures(), (std::vector<std::string>{"menuPopup", "openFile"}));
  EXPECT_FALSE(menu.Visible());

  // visible false does nothing; a freed popup component reads nil.
  m_presenter.shown.clear();
  SetPropertyValue(menu, "visible", Variant(false));
  EXPECT_TRUE(m_presenter.shown.empty());
  TComponent::Free(owner);
  EXPECT_EQ(Object(menu, "popupComponent"), nullptr);

  // A script freeing the menu while it is open frees it after it closed.
  platform::TWeakRef<TPopupMenuEx> alive(&menu);
  m_presenter.whileOpen = [&](platform::TPopupMenu& shown) {
    TComponent::Free(shown);
    EXPECT_TRUE(alive) << "still there while open";
  };
  m_hooks.calls.clear();
  menu.SetExec(Variant("popup"));
  EXPECT_FALSE(alive) << "freed once closed";
  m_loop.RunIdle();
  EXPECT_EQ(Procedures(), std::vector<std::string>{"menuPopup"}) << "the chosen item went with its menu";
}

}  // namespace
}  // namespace halbrin::menus_test
