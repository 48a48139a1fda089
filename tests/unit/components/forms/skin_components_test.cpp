// The skins' script faces: which buttons a tool-button list resolves to,
// lookups that make buttons, index and name selection, exec words of form
// and pane skins, band-item events with the item as IComponent, and the main
// form's caption that stays active while the program is.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/forms/control_skin_ex.h"
#include "components/forms/form_skin_ex.h"
#include "components/forms/skin_tool_buttons.h"
#include "core/app/application_ex.h"
#include "core/framework/component_operations.h"
#include "core/framework/component_wrappers.h"
#include "core/framework/script_events.h"
#include "core/framework/xml_type_info_ex.h"
#include "platform/classes/property_access.h"
#include "unit/core/app/fixtures/application_test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"
#include "unit/skins/fixtures/skin_window_scopes.h"

namespace halbrin::framework_test {
namespace {

using platform::TWinControl;
using skins::TZebrinCustomSkin;
using skins::TZebrinSkinCustomToolButton;
using skins::TZebrinSkinCustomToolButtons;

// The recording hooks, with a main form the test names.
class TSkinHooks final : public TRecordingHooks {
 public:
  TComponent* MainForm() override { return mainForm; }
  TComponent* mainForm = nullptr;
};

class SkinComponentTest : public ::testing::Test, protected skins::TSkinWindowScopes {
 protected:
  SkinComponentTest() { skins::CreateSkinManager(); }
  ~SkinComponentTest() override {
    DropAsyncScriptEvents();
    root.DestroyComponents();
    skins::FreeSkinManager();
  }

  TWinControl& Form() {
    auto& form = platform::MakeComponent<TWinControl>(root);
    form.SetBounds(0, 0, 400, 300);
    platform::TWindowTraits traits;
    traits.caption = traits.border = traits.sizable = traits.framed = traits.sysMenu = traits.minBox =
        traits.maxBox = true;
    form.SetWindowTraits(traits);
    form.HandleNeeded();
    return form;
  }
  TZebrinFormSkinEx& FormSkin(TWinControl& form) {
    auto& skin = platform::MakeComponent<TZebrinFormSkinEx>(root);
    skin.Caption()->Add().Metrics()->SetSize(20);
    skin.SetForm(&form);
    skin.SetEnabled(true);
    return skin;
  }
  // A pane on the left of a form, skinned.
  TZebrinControlSkinEx& PaneSkin(TWinControl& pane) {
    TWinControl& form = Form();
    pane.SetBounds(0, 0, 120, 300);
    pane.SetAlign(platform::alLeft);
    pane.SetParent(&form);
    auto& skin = platform::MakeComponent<TZebrinControlSkinEx>(root);
    skin.Caption()->Add().Metrics()->SetSize(20);
    skin.SetControl(&pane);
    skin.SetEnabled(true);
    return skin;
  }
  TSkinToolButtons& Buttons(TZebrinCustomSkin* skin) {
    auto& buttons = platform::MakeComponent<TSkinToolButtons>(root);
    buttons.SetSkin(skin);
    return buttons;
  }
  bool Logged(const std::string& prefix) const {
    for (const std::string& line : hosts.log)
      if (line.rfind(prefix, 0) == 0) return true;
    return false;
  }

  TSkinHooks m_hooks;
  ScopedApplicationHooks m_hooksScope{m_hooks};
  TComponent root;
};

// An empty dispatch value: what eventData holds for a notification without an item.
bool IsEmptyDispatch(const Variant& value) { return value.IsDispatch() && value.AsDispatch() == nullptr; }

// ---------------------------------------------------------------- Items

TEST_F(SkinComponentTest, ItemsResolvesTheSkinsToolBarOrABandItemsButtons) {
  enum class Want { Nil, ToolBar, Item, ItemEx };
  struct ItemsCase {
    const char* name;
    bool withSkin;
    TSkinBands bands;
    int band;
    TSkinBandSite site;
    bool autoBand;
    Want want;
    int captionBandsAfter;  // the skin starts with one caption band and no footer band
    int footerBandsAfter;
  } const cases[] = {
      {"no skin", false, sbCaption, 0, bsLeft, true, Want::Nil, 1, 0},
      {"default site: the skin's own tool bar", true, sbCaption, 5, bsDefault, false, Want::ToolBar, 1, 0},
      {"left site: the band's item", true, sbCaption, 0, bsLeft, false, Want::Item, 1, 0},
      {"right site: the band's second item", true, sbCaption, 0, bsRight, false, Want::ItemEx, 1, 0},
      {"auto band off past the end: nil, nothing added", true, sbCaption, 1, bsLeft, false, Want::Nil, 1, 0},
      {"auto band off, footer without bands", true, sbFooter, 0, bsRight, false, Want::Nil, 1, 0},
      {"auto band on: caption bands appended up to the index", true, sbCaption, 3, bsLeft, true, Want::Item, 4, 0},
      {"auto band on: footer bands appended", true, sbFooter, 1, bsRight, true, Want::ItemEx, 1, 2},
      {"a negative band", true, sbCaption, -1, bsLeft, true, Want::Nil, 1, 0},
      {"a band past the declarations' index limit", true, sbCaption, kMaxDeclaredItemIndex + 1, bsLeft, true,
       Want::Nil, 1, 0},
  };
  for (const ItemsCase& c : cases) {
    SCOPED_TRACE(c.name);
    TWinControl& form = Form();
    TZebrinFormSkinEx& skin = FormSkin(form);
    TSkinToolButtons& buttons = Buttons(c.withSkin ? &skin : nullptr);
    buttons.SetBands(c.bands);
    buttons.SetBand(c.band);
    buttons.SetSite(c.site);
    buttons.SetAutoBand(c.autoBand);

    TZebrinSkinCustomToolButtons* items = buttons.Items();
    const skins::TZebrinSkinCustomBands& chosen =
        c.bands == sbFooter ? static_cast<const skins::TZebrinSkinCustomBands&>(*skin.Footer()) : *skin.Caption();
    switch (c.want) {
      case Want::Nil:
        EXPECT_EQ(items, nullptr);
        break;
      case Want::ToolBar:
        EXPECT_EQ(items, skin.ToolButtons());
        break;
      case Want::Item:
        ASSERT_LT(c.band, chosen.Count());
        EXPECT_EQ(items, chosen.Items(c.band)->Item()->Buttons());
        break;
      case Want::ItemEx:
        ASSERT_LT(c.band, chosen.Count());
        EXPECT_EQ(items, chosen.Items(c.band)->ItemEx()->Buttons());
        break;
    }
    EXPECT_EQ(skin.Caption()->Count(), c.captionBandsAfter);
    EXPECT_EQ(skin.Footer()->Count(), c.footerBandsAfter);
    // Asking again finds the same buttons and adds nothing more.
    EXPECT_EQ(buttons.Items(), items);
    EXPECT_EQ(skin.Caption()->Count(), c.captionBandsAfter);
    TComponent::Free(buttons);
    TComponent::Free(skin);
    TComponent::Free(form);
  }
}

TEST_F(SkinComponentTest, AFreedSkinLeavesTheListWithoutButtons) {
  TWinControl& form = Form();
  auto* skin = &FormSkin(form);
  TSkinToolButtons& buttons = Buttons(skin);
  buttons.SetSite(bsDefault);
  ASSERT_EQ(buttons.Items(), skin->ToolButtons());
  TComponent::Free(*skin);
  EXPECT_EQ(buttons.Skin(), nullptr);
  EXPECT_EQ(buttons.Items(), nullptr);
  EXPECT_FALSE(buttons.itemByName("save")) << "no skin, nothing to add to";
  EXPECT_FALSE(buttons.exists("save"));
}

TEST_F(SkinComponentTest, PublishedPropertiesReachTheListByName) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  TSkinToolButtons& buttons = Buttons(nullptr);
  const struct {
    const char* name;
    Variant value;
    std::int64_t ordinal;
  } defaults[] = {{"AutoBand", true, 1}, {"AutoButton", true, 1}, {"Band", 1, 1}, {"Bands", 0, sbCaption},
                  {"Site", 0, bsLeft}};
  for (const auto& d : defaults) {
    SCOPED_TRACE(d.name);
    const platform::TPropInfo& prop = platform::RequirePropInfo(buttons, d.name);
    EXPECT_EQ(prop.Default(), d.value);
    EXPECT_EQ(platform::GetOrdProp(buttons, prop), d.ordinal);
  }
  EXPECT_EQ(platform::RequirePropInfo(buttons, "Site").TypeName(), "TSkinBandSite");
  EXPECT_EQ(platform::RequirePropInfo(buttons, "Bands").TypeName(), "TSkinBands");

  platform::SetObjectProp(buttons, platform::RequirePropInfo(buttons, "Skin"), &skin);
  platform::SetOrdProp(buttons, platform::RequirePropInfo(buttons, "Site"), bsDefault);
  EXPECT_EQ(platform::GetObjectProp(buttons, platform::RequirePropInfo(buttons, "Items")), skin.ToolButtons());
}

// ---------------------------------------------------------------- lookups

TEST_F(SkinComponentTest, ANameNoButtonHasMakesOneOnlyWithAutoButton) {
  for (const bool autoButton : {true, false}) {
    SCOPED_TRACE(autoButton ? "AutoButton on" : "AutoButton off");
    TWinControl& form = Form();
    TZebrinFormSkinEx& skin = FormSkin(form);
    TSkinToolButtons& buttons = Buttons(&skin);
    buttons.SetBand(0);
    buttons.SetAutoButton(autoButton);
    TZebrinSkinCustomToolButtons* items = buttons.Items();
    ASSERT_NE(items, nullptr);

    FoundItem found = buttons.item(Variant("Save"));
    if (autoButton) {
      auto* made = found.As<TZebrinSkinCustomToolButton>();
      ASSERT_NE(made, nullptr);
      EXPECT_FALSE(found.IsOwned()) << "the collection keeps the button";
      EXPECT_EQ(made->Name(), "Save");
      ASSERT_EQ(items->Count(), 1);
      EXPECT_EQ(items->Items(0), made);
      EXPECT_TRUE(buttons.exists("save")) << "names ignore case";
      EXPECT_EQ(buttons.indexOfName("SAVE"), 0);
      EXPECT_EQ(buttons.itemByName("sAvE").Get(), made) << "found again, not made twice";
      EXPECT_EQ(items->Count(), 1);
      EXPECT_EQ(buttons.FindItem("save"), made);
    } else {
      EXPECT_FALSE(found);
      EXPECT_FALSE(buttons.exists("Save"));
      EXPECT_EQ(buttons.indexOfName("Save"), -1);
      EXPECT_EQ(items->Count(), 0);
    }
    EXPECT_FALSE(buttons.itemByName("")) << "a nameless button could never be found again";
    TComponent::Free(buttons);
    TComponent::Free(skin);
    TComponent::Free(form);
  }
}

TEST_F(SkinComponentTest, NamesAreKeptTo255BytesAndFoundByTheSameCut) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  TSkinToolButtons& buttons = Buttons(&skin);
  buttons.SetSite(bsDefault);
  struct NameCase {
    const char* name;
    std::string given;
    std::string kept;
  } const cases[] = {
      {"255 plain characters stay", std::string(255, 'a'), std::string(255, 'a')},
      {"longer names are cut", std::string(300, 'b'), std::string(255, 'b')},
      // "é" is two bytes: taking 255 bytes would cut it in two.
      {"a character is never cut", std::string(254, 'c') + "\xC3\xA9" + "dd", std::string(254, 'c')},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* made = buttons.itemByName(c.given).As<TZebrinSkinCustomToolButton>();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Name(), c.kept);
    EXPECT_EQ(buttons.itemByName(c.given).Get(), made) << "the long name finds the button it made";
    EXPECT_TRUE(buttons.exists(c.given));
    EXPECT_EQ(buttons.itemByName(c.kept).Get(), made);
  }
  EXPECT_EQ(skin.ToolButtons()->Count(), 3);
}

TEST_F(SkinComponentTest, ItemSelectsByNameForTextsAndByIndexForIntegersAndBooleans) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  TSkinToolButtons& buttons = Buttons(&skin);
  buttons.SetSite(bsDefault);
  TZebrinSkinCustomToolButtons& bar = *skin.ToolButtons();
  bar.Add().SetName("first");
  bar.Add().SetName("second");
  struct SelectCase {
    const char* name;
    Variant value;
    int index;  // -1: nil
    bool addsWithAutoButton;
  } const cases[] = {
      {"a name", Variant("second"), 1, false},
      {"a name in other letters", Variant("FIRST"), 0, false},
      {"an unknown name", Variant("third"), -1, true},
      {"an index", Variant(1), 1, false},
      {"a small integer kind", Variant::OfInteger(platform::VarType::UI1, 0), 0, false},
      {"an index past the end", Variant(2), -1, false},
      {"a negative index", Variant(-1), -1, false},
      {"false is index 0", Variant(false), 0, false},
      {"true is index -1", Variant(true), -1, false},
      {"a double", Variant(1.0), -1, false},
      {"null", Variant::Null(), -1, false},
      {"empty", Variant(), -1, false},
  };
  for (const bool autoButton : {false, true}) {
    buttons.SetAutoButton(autoButton);
    for (const SelectCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (autoButton ? ", AutoButton on" : ", AutoButton off"));
      const int before = bar.Count();
      FoundItem found = buttons.item(c.value);
      if (c.index >= 0) {
        EXPECT_EQ(found.Get(), bar.Items(c.index));
      } else if (autoButton && c.addsWithAutoButton) {
        ASSERT_EQ(bar.Count(), before + 1);
        EXPECT_EQ(found.Get(), bar.Items(before));
        bar.Delete(before);
      } else {
        EXPECT_FALSE(found);
      }
      EXPECT_EQ(bar.Count(), before);
    }
  }
}

TEST_F(SkinComponentTest, DeclarationsFindAndAddButtonsThroughTheList) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  TSkinToolButtons& buttons = Buttons(&skin);
  buttons.SetBand(0);
  buttons.SetAutoButton(true);
  IDeclaredItemList& list = buttons;
  EXPECT_EQ(list.FindItem("open"), nullptr) << "finding never adds, whatever AutoButton says";
  EXPECT_EQ(list.Count(), 0);
  TObject* open = list.NewItem("open");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(static_cast<TZebrinSkinCustomToolButton*>(open)->Name(), "open");
  EXPECT_EQ(list.FindItem("OPEN"), open);
  EXPECT_EQ(list.ItemAt(0), open);
  EXPECT_EQ(list.ItemAt(1), nullptr);
  EXPECT_THROW(list.NewItem("Open"), platform::EComponentError) << "a name already taken";
  EXPECT_EQ(list.Count(), 1);
  EXPECT_NE(list.NewItem(""), nullptr) << "a nameless item for item_n";
  EXPECT_EQ(list.Count(), 2);

  TSkinToolButtons& detached = Buttons(nullptr);
  EXPECT_EQ(static_cast<IDeclaredItemList&>(detached).NewItem("x"), nullptr);
}

TEST_F(SkinComponentTest, ScriptsItemLookupMakesButtonsAsItemByNameDoes) {
  for (const bool autoButton : {true, false}) {
    SCOPED_TRACE(autoButton ? "AutoButton on" : "AutoButton off");
    TWinControl& form = Form();
    TZebrinFormSkinEx& skin = FormSkin(form);
    TSkinToolButtons& buttons = Buttons(&skin);
    buttons.SetSite(bsDefault);
    buttons.SetAutoButton(autoButton);
    skin.ToolButtons()->Add().SetName("open");
    // What IComponent.item of `skinButtons` runs.
    EXPECT_EQ(GetChildByVariant(buttons, Variant("OPEN")).Get(), skin.ToolButtons()->Items(0));
    EXPECT_EQ(GetChildByVariant(buttons, Variant(0)).Get(), skin.ToolButtons()->Items(0));
    FoundItem made = GetChildByVariant(buttons, Variant("print"));
    EXPECT_EQ(static_cast<bool>(made), autoButton);
    EXPECT_EQ(skin.ToolButtons()->Count(), autoButton ? 2 : 1);
    EXPECT_FALSE(GetChildByVariant(buttons, Variant(2.0))) << "a double selects nothing";
    TComponent::Free(buttons);
    TComponent::Free(skin);
    TComponent::Free(form);
  }
}

// ---------------------------------------------------------------- exec words

struct WordCase {
  const char* word;
  bool known;
  const char* logged;  // a host line the word leads to; "" for none looked for
};

TEST_F(SkinComponentTest, FormSkinWordsRunTheSkinsOperations) {
  const WordCase cases[] = {
      {"close", true, "Execute Close"},
      {"MINIMIZE", true, "Execute Minimize"},
      {"contexthelp", true, "Execute ContextHelp"},
      {"refresh", true, "RecalcFrame"},
      {"maximize", true, ""},
      {"restore", true, ""},
      {"stopflash", true, ""},
      {"expand", false, ""},
      {"activate", false, ""},
      {"bogus", false, ""},
      {"", false, ""},
  };
  for (const WordCase& c : cases) {
    SCOPED_TRACE(c.word);
    TWinControl& form = Form();
    TZebrinFormSkinEx& skin = FormSkin(form);
    hosts.log.clear();
    skin.SetExec(Variant(c.word));
    EXPECT_EQ(skin.GetExec(), Variant(c.known));
    if (*c.logged) {
      EXPECT_TRUE(Logged(c.logged));
    }
    if (!c.known) {
      EXPECT_TRUE(hosts.log.empty()) << "an unknown word changes nothing";
    }
    TComponent::Free(skin);
    TComponent::Free(form);
  }
}

TEST_F(SkinComponentTest, FormSkinMaximizesAndRestoresByWord) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  skin.SetExec(Variant("maximize"));
  EXPECT_TRUE(skin.IsMaximized());
  skin.SetExec(Variant("restore"));
  EXPECT_FALSE(skin.IsMaximized());
  EXPECT_EQ(skin.GetExec(), Variant(true));
  skin.SetExec(Variant(VariantArray(std::vector<Variant>{Variant("maximize")})));
  EXPECT_EQ(skin.GetExec(), Variant(false)) << "a value without text is an unknown word";
}

TEST_F(SkinComponentTest, FlashKeepsTheCaptionFlashingUntilStopFlash) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  skin.SetExec(Variant("Flash"));
  EXPECT_EQ(skin.GetExec(), Variant(true));
  ASSERT_TRUE(skin.Flashing());
  bool sawOn = false, sawOff = false;
  // Far longer than any counted flash would last.
  for (int step = 0; step < 200; ++step) {
    loop.Advance(100);
    (skin.CaptionFlashOn() ? sawOn : sawOff) = true;
  }
  EXPECT_TRUE(skin.Flashing());
  EXPECT_TRUE(sawOn && sawOff) << "the caption blinks meanwhile";
  skin.SetExec(Variant("stopflash"));
  EXPECT_FALSE(skin.Flashing());
  EXPECT_FALSE(skin.CaptionFlashOn());
  loop.Advance(5000);
  EXPECT_FALSE(skin.Flashing());
}

TEST_F(SkinComponentTest, PaneSkinWordsAddExpandAndActivate) {
  const WordCase cases[] = {
      {"close", true, ""},     {"minimize", true, ""},  {"expand", true, ""},
      {"activate", true, ""},  {"flash", true, ""},     {"contexthelp", true, "Execute ContextHelp"},
      {"bogus", false, ""},
  };
  for (const WordCase& c : cases) {
    SCOPED_TRACE(c.word);
    auto& pane = platform::MakeComponent<TWinControl>(root);
    TZebrinControlSkinEx& skin = PaneSkin(pane);
    hosts.log.clear();
    skin.SetExec(Variant(c.word));
    EXPECT_EQ(skin.GetExec(), Variant(c.known));
    if (*c.logged) {
      EXPECT_TRUE(Logged(c.logged));
    }
    TComponent::Free(skin);
    TWinControl* form = pane.Parent();
    TComponent::Free(pane);
    TComponent::Free(*form);
  }
}

TEST_F(SkinComponentTest, ExpandOpensACollapsedPaneAndCloseHidesIt) {
  auto& pane = platform::MakeComponent<TWinControl>(root);
  TZebrinControlSkinEx& skin = PaneSkin(pane);
  skin.SetExec(Variant("minimize"));
  ASSERT_TRUE(skin.IsMinimized());
  skin.SetExec(Variant("expand"));
  EXPECT_EQ(skin.GetExec(), Variant(true));
  EXPECT_FALSE(skin.IsMinimized());
  EXPECT_EQ(pane.Width(), 120) << "back to its width";
  skin.SetExec(Variant("close"));
  EXPECT_FALSE(pane.Visible());
}

TEST_F(SkinComponentTest, ActivateFocusesTheFirstChildThatTakesTheFocus) {
  auto& pane = platform::MakeComponent<TWinControl>(root);
  TZebrinControlSkinEx& skin = PaneSkin(pane);
  auto& hidden = platform::MakeComponent<TWinControl>(root);
  hidden.SetTabStop(true);
  hidden.SetVisible(false);
  hidden.SetParent(&pane);
  auto& label = platform::MakeComponent<TWinControl>(root);
  label.SetParent(&pane);
  auto& edit = platform::MakeComponent<TWinControl>(root);
  edit.SetTabStop(true);
  edit.SetParent(&pane);
  skin.SetExec(Variant("activate"));
  EXPECT_EQ(skin.GetExec(), Variant(true));
  EXPECT_TRUE(edit.Focused());
  EXPECT_FALSE(hidden.Focused());
}

// ---------------------------------------------------------------- events

// What one binding saw: its parameters and the skin's eventData while it ran.
struct Seen {
  Variant parameters;
  Variant eventData;
};

template <class Skin>
void CheckItemEvents(Skin& skin, TRecordingHooks& hooks) {
  TObject* item = skin.Caption()->Items(0)->Item();
  std::vector<Seen> seen;
  hooks.answer = [&](const ScriptCall& call) {
    seen.push_back({call.parameters, skin.GetEventData()});
    return Variant();
  };
  struct EventCase {
    const char* name;
    const char* binding;
    std::function<void()> fire;
    // Checks eventData.
    std::function<void(const Variant&)> check;
  };
  const auto isItem = [item](const Variant& value) {
    EXPECT_TRUE(value.IsDispatch());
    EXPECT_EQ(WrappedObject(value), item);
  };
  const EventCase cases[] = {
      {"additem", "onadditem", [&] { skin.OnAddItem()(item); }, isItem},
      {"deleteitem", "ondeleteitem", [&] { skin.OnDeleteItem()(item); }, isItem},
      {"click on an item", "onclick", [&] { skin.OnClick()(item, TMouseButton::mbLeft, 0, 1, 2); }, isItem},
      {"click without an item", "onclick",
       [&] { skin.OnClick()(&skin, TMouseButton::mbLeft, 0, 1, 2); },
       [](const Variant& data) { EXPECT_TRUE(IsEmptyDispatch(data)); }},
      {"dblclick on an item", "ondblclick", [&] { skin.OnDblClick()(item, TMouseButton::mbLeft, 0, 1, 2); },
       isItem},
      {"dblclick without an item", "ondblclick",
       [&] { skin.OnDblClick()(nullptr, TMouseButton::mbLeft, 0, 1, 2); },
       [](const Variant& data) { EXPECT_TRUE(IsEmptyDispatch(data)); }},
      {"mousedown on an item", "onmousedown",
       [&] { skin.OnMouseDown()(item, TMouseButton::mbRight, ssShift | ssCtrl | ssRight, 5, 6); },
       [&](const Variant& data) {
         ASSERT_TRUE(data.IsArray());
         const VariantArray& a = data.AsArray();
         ASSERT_EQ(a.Count(), 5u);
         isItem(a.At(0));
         EXPECT_EQ(a.At(1), Variant(2));
         EXPECT_EQ(a.At(2), Variant(3));
         EXPECT_EQ(a.At(3), Variant(5));
         EXPECT_EQ(a.At(4), Variant(6));
       }},
      {"mouseup without an item", "onmouseup",
       [&] { skin.OnMouseUp()(&skin, TMouseButton::mbMiddle, ssAlt, -3, 40); },
       [&](const Variant& data) {
         ASSERT_TRUE(data.IsArray());
         const VariantArray& a = data.AsArray();
         ASSERT_EQ(a.Count(), 5u);
         EXPECT_TRUE(IsEmptyDispatch(a.At(0)));
         EXPECT_EQ(a.At(1), Variant(4));
         EXPECT_EQ(a.At(2), Variant(4));
         EXPECT_EQ(a.At(3), Variant(-3));
         EXPECT_EQ(a.At(4), Variant(40));
       }},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptEvent& binding = skin.GetEvents()->AttachEvent(c.binding);
    binding.SetXml(std::string(c.binding) + "Procedure");
    seen.clear();
    hooks.calls.clear();
    skin.SetEventData(Variant("before"));
    c.fire();
    ASSERT_EQ(hooks.calls.size(), 1u);
    EXPECT_EQ(hooks.calls[0].procedure, std::string(c.binding) + "Procedure");
    ASSERT_EQ(seen.size(), 1u);
    c.check(seen[0].eventData);
    EXPECT_EQ(skin.GetEventData(), Variant("before")) << "eventData is given back after the run";
  }
  hooks.answer = nullptr;
}

TEST_F(SkinComponentTest, FormSkinEventsCarryTheBandItem) {
  TWinControl& form = Form();
  CheckItemEvents(FormSkin(form), m_hooks);
}

TEST_F(SkinComponentTest, PaneSkinEventsCarryTheBandItem) {
  auto& pane = platform::MakeComponent<TWinControl>(root);
  CheckItemEvents(PaneSkin(pane), m_hooks);
}

// The caption icon's own events reach "iconclick", "icondblclick" and
// "iconmousedown" with the icon; a disabled icon fires none.
template <class Skin>
void CheckIconEvents(Skin& skin, TRecordingHooks& hooks) {
  skins::TZebrinSkinIcon& icon = *skin.Icon();
  std::vector<Variant> seen;
  hooks.answer = [&](const ScriptCall&) {
    seen.push_back(skin.GetEventData());
    return Variant();
  };
  const auto isIcon = [&icon](const Variant& value) {
    EXPECT_TRUE(value.IsDispatch());
    EXPECT_EQ(WrappedObject(value), &icon);
  };
  struct IconCase {
    const char* binding;
    std::function<void()> fire;
    std::function<void(const Variant&)> check;
  };
  const IconCase cases[] = {
      {"oniconclick", [&] { icon.Click(); }, isIcon},
      {"onicondblclick", [&] { icon.DblClick(); }, isIcon},
      {"oniconmousedown", [&] { icon.MouseDown(TMouseButton::mbRight, ssShift | ssRight); },
       [&](const Variant& data) {
         ASSERT_TRUE(data.IsArray());
         const VariantArray& a = data.AsArray();
         ASSERT_EQ(a.Count(), 5u);
         isIcon(a.At(0));
         EXPECT_EQ(a.At(1), Variant(2));
         EXPECT_EQ(a.At(2), Variant(1));
       }},
  };
  for (const IconCase& c : cases) {
    SCOPED_TRACE(c.binding);
    skin.GetEvents()->AttachEvent(c.binding).SetXml(std::string(c.binding) + "Procedure");
    seen.clear();
    hooks.calls.clear();
    c.fire();
    ASSERT_EQ(hooks.calls.size(), 1u);
    EXPECT_EQ(hooks.calls[0].procedure, std::string(c.binding) + "Procedure");
    ASSERT_EQ(seen.size(), 1u);
    c.check(seen[0]);
  }
  hooks.calls.clear();
  icon.SetEnabled(false);
  icon.Click();
  icon.DblClick();
  EXPECT_TRUE(hooks.calls.empty()) << "a disabled icon clicked";
  hooks.answer = nullptr;
}

TEST_F(SkinComponentTest, IconEventsCarryTheIconOnBothSkins) {
  TWinControl& form = Form();
  CheckIconEvents(FormSkin(form), m_hooks);
  auto& pane = platform::MakeComponent<TWinControl>(root);
  CheckIconEvents(PaneSkin(pane), m_hooks);
}

TEST_F(SkinComponentTest, AButtonMadeByNameReachesAddItemWithItsName) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  TSkinToolButtons& buttons = Buttons(&skin);
  buttons.SetBand(0);
  skin.GetEvents()->AttachEvent("onadditem").SetXml("added");
  std::string nameSeen;
  TObject* itemSeen = nullptr;
  m_hooks.answer = [&](const ScriptCall&) {
    itemSeen = WrappedObject(skin.GetEventData());
    if (auto* button = dynamic_cast<TZebrinSkinCustomToolButton*>(itemSeen)) nameSeen = button->Name();
    return Variant();
  };
  TObject* made = buttons.itemByName("Print").Get();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(itemSeen, made);
  EXPECT_EQ(nameSeen, "Print") << "named before the skin hears of it";
  m_hooks.answer = nullptr;
}

TEST_F(SkinComponentTest, FreedBindingsAreForgottenAndNothingFires) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  EXPECT_FALSE(skin.HasEvents()) << "made on first read only";
  TScriptEvents* events = skin.GetEvents();
  events->AttachEvent("onclick").SetXml("clicked");
  TComponent::Free(*events);
  EXPECT_FALSE(skin.HasEvents());
  skin.OnClick()(&skin, TMouseButton::mbLeft, 0, 0, 0);
  EXPECT_TRUE(m_hooks.calls.empty());
  EXPECT_NE(skin.GetEvents(), nullptr) << "made anew";
}

TEST_F(SkinComponentTest, FreeingASkinRunsNoBinding) {
  TWinControl& form = Form();
  auto& pane = platform::MakeComponent<TWinControl>(root);
  TZebrinCustomSkin* skins[] = {&FormSkin(form), &PaneSkin(pane)};
  for (TZebrinCustomSkin* skin : skins) {
    SCOPED_TRACE(skin->ClassInfo().Name());
    skin->ToolButtons()->Add().SetName("bar");
    skin->Caption()->Items(0)->Item()->Buttons()->Add().SetName("left");
    skin->Caption()->Items(0)->ItemEx()->Buttons()->Add().SetName("right");
    TScriptEvents* events = dynamic_cast<IScriptEventSource&>(*skin).GetEvents();
    for (const char* event : {"onadditem", "ondeleteitem", "onclick", "ondblclick", "onmousedown", "onmouseup"})
      events->AttachEvent(event).SetXml("handler");
    m_hooks.calls.clear();
    TComponent::Free(*skin);
    EXPECT_TRUE(m_hooks.calls.empty());
  }
}

TEST_F(SkinComponentTest, ScriptMembersArePublishedOnBothSkins) {
  TWinControl& form = Form();
  auto& pane = platform::MakeComponent<TWinControl>(root);
  TComponent* skins[] = {&FormSkin(form), &PaneSkin(pane)};
  for (TComponent* skin : skins) {
    SCOPED_TRACE(skin->ClassInfo().Name());
    for (const char* name : {"eventData", "events", "exec"})
      EXPECT_NE(skin->ClassInfo().FindProperty(name), nullptr) << name;
    for (const char* name : {"addItemHandler", "clickHandler", "dblClickHandler", "deleteItemHandler",
                             "mouseDownHandler", "mouseUpHandler", "iconClickHandler", "iconDblClickHandler",
                             "iconMouseDownHandler"}) {
      const platform::TMethodInfo* method = skin->ClassInfo().FindMethod(name);
      ASSERT_NE(method, nullptr) << name;
      EXPECT_TRUE(method->Handler().has_value()) << name;
    }
    platform::SetPropValue(*skin, platform::RequirePropInfo(*skin, "exec"), Variant("refresh"));
    EXPECT_EQ(platform::GetPropValue(*skin, platform::RequirePropInfo(*skin, "exec")), Variant(true));
  }
}

// ---------------------------------------------------------------- active state

TEST_F(SkinComponentTest, TheMainFormsCaptionStaysActiveWhileTheProgramIs) {
  TFakeApplicationUi ui;
  auto app = std::make_unique<TApplicationEx>();
  app->SetUi(&ui);
  // Over the application's own hooks: these name the main form.
  ScopedApplicationHooks mainFormHooks(m_hooks);

  struct ActiveCase {
    const char* name;
    bool engineActive;  // the skin's own tracked activation
    bool mainForm;
    bool programActive;
    bool expected;
  } const cases[] = {
      {"the engine says active", true, false, false, true},
      {"the engine says active, main form", true, true, false, true},
      {"another form while the program is active", false, false, true, false},
      {"the main form while the program is active", false, true, true, true},
      {"the main form while another program is active", false, true, false, false},
  };
  for (const ActiveCase& c : cases) {
    SCOPED_TRACE(c.name);
    TWinControl& form = Form();
    TZebrinFormSkinEx& skin = FormSkin(form);
    skin.SetActive(c.engineActive);
    m_hooks.mainForm = c.mainForm ? &form : nullptr;
    ui.active = c.programActive;
    EXPECT_EQ(skin.GetActive(), c.expected);
    EXPECT_EQ(skin.Active(), c.expected) << "the bands paint by the same answer";
    m_hooks.mainForm = nullptr;
    TComponent::Free(skin);
    TComponent::Free(form);
  }
}

TEST_F(SkinComponentTest, WithoutAnApplicationTheMainFormFollowsTheEngine) {
  TWinControl& form = Form();
  TZebrinFormSkinEx& skin = FormSkin(form);
  m_hooks.mainForm = &form;
  skin.SetActive(false);
  EXPECT_FALSE(ApplicationExExists());
  EXPECT_FALSE(skin.GetActive());
  EXPECT_FALSE(ApplicationExExists()) << "asking makes no application";
  skin.SetActiveTrack(false);
  EXPECT_TRUE(skin.GetActive());
  m_hooks.mainForm = nullptr;
}

}  // namespace
}  // namespace halbrin::framework_test
