// Declarations through the creating mapper: commands, type words, attribute
// prefixes, references by name, and the property list.

#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "core/framework/xml_type_info_ex.h"
#include "fixtures/framework_test_support.h"

namespace halbrin::framework_test {

HALBRIN_DEFINE_CLASS(TFwItem, .Property("caption", &TFwItem::Caption, &TFwItem::SetCaption))

HALBRIN_DEFINE_CLASS(
    TFwPanel,
    .Property("caption", &TFwPanel::m_caption, [](TFwPanel& p, const std::string& v) { p.m_caption = v; })
    .Property("width", &TFwPanel::m_width, [](TFwPanel& p, int v) { p.m_width = v; })
    .Property("color", &TFwPanel::m_color, [](TFwPanel& p, int v) { p.m_color = v; })
    .TypeName("TColor")
    .Property("shortCut", &TFwPanel::m_shortCut, [](TFwPanel& p, int v) { p.m_shortCut = v; })
    .TypeName("TShortCut")
    .Property("stamp", &TFwPanel::m_stamp, [](TFwPanel& p, double v) { p.m_stamp = v; })
    .TypeName("TDateTime")
    .Property("Parent", [](const TFwPanel& p) { return p.m_parent.Get(); },
              [](TFwPanel& p, TFwPanel* v) { p.m_parent.Reset(v); })
    .Property("buddy", [](const TFwPanel& p) { return p.m_buddy.Get(); },
              [](TFwPanel& p, TFwPanel* v) { p.m_buddy.Reset(v); })
    .Property("items", &TFwPanel::Items)
    .Owned()
    .Event("onclick", &TFwPanel::m_onClick, "TNotifyEvent")
    .Method("sum", &TFwPanel::Sum, {"a", "b"}))

TFwPanel::TFwPanel(TComponent* owner)
    : TCustomExecutableStdEventsComponentEx(owner),
      m_items(std::make_unique<platform::TOwnedCollection>(this, TFwItem::StaticClassInfo())) {}

TFwPanel::~TFwPanel() = default;

namespace {

class DeclarationTest : public FrameworkTest {
 protected:
  void SetUp() override {
    RegisterComponentClass<TFwPanel>("fwpanel");
    RegisterComponentClass<TFwButton>("fwbutton");
  }
  void TearDown() override {
    UnregisterComponentType("fwpanel");
    UnregisterComponentType("fwbutton");
    FrameworkTest::TearDown();
  }

  // Runs a declaration; the namespaces of the prefixes are declared around it.
  Variant Run(const std::string& body) {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.Execute(Variant(std::string("<controls xmlns:new=\"p\" xmlns:exist=\"p\" xmlns:update=\"p\" "
                                       "xmlns:skip=\"p\" xmlns:get=\"p\" xmlns:color=\"p\" xmlns:shortcut=\"p\" "
                                       "xmlns:ratio=\"p\" xmlns:datetime=\"p\">") +
                           body + "</controls>"),
                   result);
    return result;
  }
  TFwPanel* Panel(const std::string& name) {
    return dynamic_cast<TFwPanel*>(m_hooks.registry.ItemByName(name));
  }
};

TEST_F(DeclarationTest, NewCreatesByTypeWordAndFindsWhatExists) {
  EXPECT_TRUE(Run("<control type=\"fwpanel\" id=\"Main\" caption=\"One\" width=\"40\">"
                  "<control type=\"fwbutton\" id=\"Ok\"/></control>")
                  .IsNull());
  TFwPanel* main = Panel("Main");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->Owner(), &m_hooks.root) << "a top element's component belongs to the application";
  EXPECT_EQ(main->m_caption, "One");
  EXPECT_EQ(main->m_width, 40);
  ASSERT_NE(main->FindComponent("Ok"), nullptr);
  Run("<control type=\"fwpanel\" id=\"Main\" caption=\"Two\"/>");
  EXPECT_EQ(Panel("Main"), main) << "found again, not made twice";
  EXPECT_EQ(main->m_caption, "Two");
  EXPECT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
}

// Hooks that can make forms: each new form is a panel of the application,
// listed, and the type word it was asked for is recorded.
class TFormHooks : public TRecordingHooks {
 public:
  TCustomApplicationComponents* FormList() override { return &forms; }
  TComponent* CreateForm(const std::string& name, const std::string& type) override {
    made.push_back(name + ":" + type);
    TFwPanel& form = platform::MakeComponent<TFwPanel>(root);
    form.SetName(name);
    forms.Add(&form);
    return &form;
  }
  std::vector<std::string> made;
  TApplicationComponents forms;
};

TEST_F(DeclarationTest, AFormIsMadeWithTheTypeWordItWasDeclaredWith) {
  TFormHooks hooks;
  ScopedApplicationHooks scope(hooks);
  struct FormCase {
    const char* declaration;
    std::vector<std::string> made;
  } const cases[] = {
      {R"(<control type="form" id="Main"/>)", {"Main:form"}},
      {R"(<control type="float" id="Tool"/>)", {"Tool:float"}},
      {R"(<control type="FLOAT" id="Palette"/>)", {"Palette:float"}},
      {R"(<control type="float" id="Tool" caption="again"/>)", {}},
  };
  for (const FormCase& c : cases) {
    SCOPED_TRACE(c.declaration);
    hooks.made.clear();
    Run(c.declaration);
    EXPECT_EQ(hooks.made, c.made);
  }
  auto* tool = dynamic_cast<TFwPanel*>(hooks.forms.ItemByName("Tool"));
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->m_caption, "again") << "an existing form is found, not made again";
  EXPECT_TRUE(hooks.errors.empty()) << hooks.errors.front();
}

struct CommandCase {
  const char* name;
  const char* declaration;
  Variant result;
  const char* error;  // "" for none
};

TEST_F(DeclarationTest, CommandWordsOnExistingAndMissingComponents) {
  Run("<control type=\"fwpanel\" id=\"Main\" caption=\"C\"/>");
  const CommandCase cases[] = {
      {"exist: present", "<control content=\"exist\" id=\"Main\"/>", Variant(true), ""},
      {"exist: absent", "<control content=\"EXISTS\" id=\"Gone\"/>", Variant(false), ""},
      {"get a property", "<control content=\"get\" id=\"Main\" property=\"caption\"/>", Variant("C"), ""},
      {"update absent: skipped", "<control content=\"update\" id=\"Gone\" caption=\"x\"/>", Variant::Null(), ""},
      {"none: skipped with its children", "<control content=\"none\" id=\"Gone\"><nothing/></control>", Variant::Null(), ""},
      {"new without type", "<control id=\"Gone\"/>", Variant::Null(), "Object \"Gone\" does not exist for \"controls\""},
      {"unknown type word", "<control type=\"spaceship\" id=\"X\"/>", Variant::Null(), "Object \"X\" does not exist for \"controls\""},
      {"get of a missing one", "<control content=\"get\" id=\"Gone\" property=\"caption\"/>", Variant::Null(),
       "Object \"Gone\" does not exist for \"controls\""},
      {"a child element names itself", "<control id=\"Main\" content=\"update\"><nothing/></control>", Variant::Null(),
       "Object \"nothing\" does not exist for \"controls.control\""},
      {"a missing child control names its id", "<control id=\"Main\" content=\"update\"><control id=\"Kid\"/></control>",
       Variant::Null(), "Object \"Kid\" does not exist for \"controls.control\""},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.name);
    m_hooks.errors.clear();
    EXPECT_EQ(Run(c.declaration), c.result);
    if (*c.error) {
      ASSERT_EQ(m_hooks.errors.size(), 1u);
      EXPECT_EQ(m_hooks.errors[0], c.error);
    } else {
      EXPECT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
    }
  }
  EXPECT_EQ(Panel("Gone"), nullptr);
}

TEST_F(DeclarationTest, FreeFreesAndEvalGivesTheCommand) {
  Run("<control type=\"fwpanel\" id=\"A\"/><control type=\"fwpanel\" id=\"B\"/>");
  Run("<control content=\"free\" id=\"A\"/>");
  EXPECT_EQ(Panel("A"), nullptr);
  m_hooks.evalAnswer = Variant("none");
  Run("<control content=\"eval(pick())\" id=\"B\" caption=\"skipped\"/>");
  EXPECT_EQ(m_hooks.evaluated, std::vector<std::string>{"pick()"});
  EXPECT_EQ(Panel("B")->m_caption, "");
  m_hooks.evalAnswer = Variant("free");
  Run("<control content=\"eval(pick())\" id=\"B\"/>");
  EXPECT_EQ(Panel("B"), nullptr);
}

TEST_F(DeclarationTest, FreeingTheComponentWhoseHandlerRunsWaitsForTheHandler) {
  Run("<control type=\"fwbutton\" id=\"Self\"><events><event id=\"onclick\" xml=\"close\"/></events></control>");
  auto* button = dynamic_cast<TFwButton*>(m_hooks.registry.ItemByName("Self"));
  ASSERT_NE(button, nullptr);
  bool aliveInHandler = false;
  const int before = TFwButton::destroyed;
  m_hooks.answer = [&](const ScriptCall&) {
    Run("<control content=\"free\" id=\"Self\"/>");
    aliveInHandler = TFwButton::destroyed == before;
    return Variant();
  };
  button->m_onClick(button);
  EXPECT_TRUE(aliveInHandler);
  EXPECT_EQ(TFwButton::destroyed, before + 1);
}

TEST_F(DeclarationTest, EventElementsBindScriptProcedures) {
  Run("<control type=\"fwbutton\" id=\"Go\"><events script=\"ui.js\">"
      "<event id=\"onclick\" xml=\"clicked\"/></events></control>");
  auto* button = dynamic_cast<TFwButton*>(m_hooks.registry.ItemByName("Go"));
  ASSERT_NE(button, nullptr);
  button->m_onClick(button);
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].script, "ui.js");
  EXPECT_EQ(m_hooks.calls[0].procedure, "clicked");
  Run("<control id=\"Go\" content=\"update\"><events><event id=\"click\"/></events></control>");
  ASSERT_EQ(m_hooks.errors.size(), 1u);
  EXPECT_EQ(m_hooks.errors[0], "Property \"click\" is not valid event name");
}

TEST_F(DeclarationTest, NumberedItemsFillTheCollectionUpToTheirIndex) {
  Run("<control type=\"fwpanel\" id=\"List\"><items><item_3 content=\"new\" caption=\"fourth\"/>"
      "<item caption=\"fifth\"/><item_1 caption=\"second\"/><item_9 content=\"update\" caption=\"none\"/>"
      "</items></control>");
  platform::TOwnedCollection& items = *Panel("List")->m_items;
  ASSERT_EQ(items.Count(), 5);
  EXPECT_EQ(static_cast<TFwItem*>(items.Items(3))->Caption(), "fourth");
  EXPECT_EQ(static_cast<TFwItem*>(items.Items(4))->Caption(), "fifth");
  EXPECT_EQ(static_cast<TFwItem*>(items.Items(1))->Caption(), "second");
  Run("<control id=\"List\" content=\"update\"><items><item_1 index=\"0\"/></items></control>");
  EXPECT_EQ(static_cast<TFwItem*>(items.Items(0))->Caption(), "second");
  Run("<control id=\"List\" content=\"update\"><items><item_70000 content=\"new\"/></items></control>");
  ASSERT_EQ(m_hooks.errors.size(), 1u);
  EXPECT_EQ(m_hooks.errors[0], "Item index 70000 is too large (at most 65536)");
  EXPECT_EQ(items.Count(), 5);
}

TEST_F(DeclarationTest, PrefixesChooseWhenAndHowAnAttributeApplies) {
  Run("<control type=\"fwpanel\" id=\"Box\" width=\"400\"/>");
  Run("<control type=\"fwpanel\" id=\"P\" new:caption=\"made\" exist:width=\"1\" buddy=\"Box\" Parent=\"Box\"/>");
  TFwPanel& p = *Panel("P");
  EXPECT_EQ(p.m_caption, "made");
  EXPECT_EQ(p.m_width, 0) << "exist: applies only to what existed";
  Run("<control id=\"P\" new:caption=\"again\" exist:width=\"1\" update:nosuch=\"1\" skip:caption=\"x\" "
      "color:color=\"#102030\" shortcut:shortCut=\"Ctrl+S\" datetime:stamp=\"31.12.1999 12:00:00\"/>");
  EXPECT_EQ(p.m_caption, "made");
  EXPECT_EQ(p.m_width, 1);
  EXPECT_EQ(p.m_color, 0x302010);
  EXPECT_EQ(p.m_shortCut, 0x4000 | 'S');
  EXPECT_DOUBLE_EQ(p.m_stamp, 36525.5);
  Run("<control id=\"P\" ratio:width=\"50\"/>");
  EXPECT_EQ(p.m_width, 200) << "half the parent's width";
  Run("<control id=\"Box\" ratio:width=\"50\"/>");
  EXPECT_EQ(Panel("Box")->m_width, 0) << "no parent gives 0";
  EXPECT_EQ(Run("<control id=\"P\" get:caption=\"read\"/>"), Variant("read")) << "get: reads back and ends the walk";
  EXPECT_EQ(p.m_buddy.Get(), Panel("Box"));
  EXPECT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
}

TEST_F(DeclarationTest, UnknownNamesAndPropertiesAreReportedAndTheRestApplies) {
  Run("<control type=\"fwpanel\" id=\"P\"/>");
  Run("<control id=\"P\" buddy=\"Nobody\" onclick=\"noSuchHandler\" nosuch=\"1\" caption=\"applied\" "
      "shortcut:shortCut=\"Hyper+Q\"/>");
  const std::vector<std::string> expected{
      "Object \"Nobody\" does not exist",
      "Invalid property \"onclick\" value \"noSuchHandler\"",
      "Property \"nosuch\" does not exist for \"P\"",
      "Invalid property \"shortCut\" value \"Hyper+Q\"",
  };
  EXPECT_EQ(m_hooks.errors, expected);
  EXPECT_EQ(Panel("P")->m_caption, "applied");
  Run("<control id=\"P\" buddy=\"\" onclick=\"clickHandler\"/>");
  EXPECT_EQ(Panel("P")->m_buddy.Get(), nullptr);
  EXPECT_TRUE(Panel("P")->m_onClick.Assigned());
}

TEST_F(DeclarationTest, MessagesNameWhatTheAuthorWrote) {
  Run("<control type=\"fwpanel\" id=\"D\"><control type=\"fwbutton\" id=\"Ok\"/></control>");
  const struct {
    const char* label;
    const char* declaration;
    const char* error;
  } cases[] = {
      {"an unknown property, on the top element", "<control id=\"D\" colour=\"red\"/>",
       "Property \"colour\" does not exist for \"D\""},
      {"an unknown property, on a child", "<control id=\"D\"><control id=\"Ok\" colour=\"red\"/></control>",
       "Property \"colour\" does not exist for \"Ok\""},
      {"an unknown property, on a collection", "<control id=\"D\"><items colour=\"red\"/></control>",
       "Property \"colour\" does not exist for \"D.items\""},
      {"an object of the wrong class", "<control id=\"D\" buddy=\"Ok\"/>", "Invalid property \"buddy\" value \"Ok\""},
      {"a missing object", "<control id=\"D\" buddy=\"Nobody\"/>", "Object \"Nobody\" does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    m_hooks.errors.clear();
    Run(c.declaration);
    ASSERT_EQ(m_hooks.errors.size(), 1u);
    EXPECT_EQ(m_hooks.errors[0], c.error);
  }
  EXPECT_EQ(Panel("D")->m_buddy.Get(), nullptr) << "the wrong object was not set";
}

TEST_F(DeclarationTest, FreeingWhatCannotBeFreedIsReported) {
  TFwPanel lonely;  // made here without owner: it belongs to this test
  lonely.SetName("Lonely");
  Run("<control content=\"free\" id=\"Lonely\"/>");
  ASSERT_EQ(m_hooks.errors.size(), 1u);
  EXPECT_EQ(m_hooks.errors[0], "Component Lonely has no owner to free it");
  EXPECT_EQ(Panel("Lonely"), &lonely);
}

TEST_F(DeclarationTest, GetWithoutPropertyWritesEveryPropertyAndStopsAtCycles) {
  Run("<control type=\"fwpanel\" id=\"A\" caption=\"a,b &lt;c&gt;\" color:color=\"#FF0000\" "
      "shortcut:shortCut=\"Ctrl+F5\"/><control type=\"fwpanel\" id=\"B\" buddy=\"A\"/>");
  Run("<control id=\"A\" content=\"update\" buddy=\"B\"/>");
  const std::string text = Run("<control content=\"get\" id=\"A\"/>").ToText();
  SCOPED_TRACE(text);
  EXPECT_EQ(text.substr(0, text.find("\r\n")),
            "<control type=\"fwpanel\" Name=\"A\" Tag=\"0\" data=\"\" eventData=\"\" exec=\"\" caption=\"a, b &lt;c&gt;\" "
            "width=\"0\" color:color=\"red\" shortcut:shortCut=\"Ctrl+F5\" stamp=\"0\" Parent=\"0\" buddy=\"" +
                std::to_string(Panel("B")->Handle()) + "\" items=\"" + std::to_string(Panel("A")->m_items->Handle()) +
                "\" onclick=\"TNotifyEvent\">");
  EXPECT_NE(text.find("<buddy type=\"fwpanel\" Name=\"B\""), std::string::npos);
  EXPECT_NE(text.find("<items Count=\"0\">\r\n</items>"), std::string::npos);
  EXPECT_EQ(text.find("<buddy type=\"fwpanel\" Name=\"A\""), std::string::npos) << "A is not written twice";
  EXPECT_EQ(GetPropertiesText(*Panel("A"), "A", 1).find("<buddy>"), std::string::npos);
}

}  // namespace
}  // namespace halbrin::framework_test
