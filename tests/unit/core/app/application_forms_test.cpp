// The application's forms against fake component hooks that make plain
// components as forms: the screen's list and its view, the main form,
// declarations and client.forms, closing the project, the exit code, the
// order of teardown, floating forms, the icon, the colour and the handlers
// whose skin-side work the hooks do.

#include <glib.h>
#include <gtest/gtest.h>

#include "../scripting/fixtures/script_test_support.h"
#include "core/app/application_ex.h"
#include "core/app/client.h"
#include "core/app/command_line.h"
#include "core/app/project.h"
#include "core/app/project_info.h"
#include "core/framework/component_wrappers.h"
#include "core/framework/executable_component.h"
#include "core/framework/xml_type_info_ex.h"
#include "platform/automation/dispatch.h"
#include "platform/classes/property_access.h"
#include "platform/controls/win_control.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/services/dialog_service.h"

namespace halbrin::app_test {

using platform::TComponent;
using platform::TObject;
using platform::Variant;

// Who was destroyed, in order, and what each destruction found.
struct TDestructionLog {
  std::vector<std::string> entries;
  // The entries without what each destruction found: who went, in order.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const std::string& entry : entries)
      names.push_back(entry.rfind("component ", 0) == 0 ? entry : entry.substr(0, entry.find(' ')));
    return names;
  }
};

// A skin manager stand-in: forms write into it while they go, as their
// skins unregister from the real one.
class TFakeSkins : public TComponent {
 public:
  explicit TFakeSkins(TDestructionLog* log = nullptr) : m_log(log) {}
  ~TFakeSkins() override {
    if (m_log) m_log->entries.push_back("skins");
  }
  int unregistered = 0;

 private:
  TDestructionLog* m_log;
};

// A form as the forms layer makes one: it registers itself from its
// constructor and, when destroyed, reaches the skin manager and the hooks.
class TFakeAppForm : public TComponent {
  HALBRIN_CLASS(TFakeAppForm, TComponent)

  explicit TFakeAppForm(TComponent* owner = nullptr) : TComponent(owner) {
    ApplicationHooks().RegisterComponent(*this);
  }
  ~TFakeAppForm() override {
    if (skins) ++skins->unregistered;  // a use after free under ASan when the manager went first
    if (log) {
      const bool terminating = ApplicationHooks().Terminating();
      const bool hooked = &ApplicationHooks() == static_cast<IApplicationHooks*>(GetApplicationEx());
      log->entries.push_back(Name() + (terminating ? " terminating" : "") + (hooked ? " hooked" : ""));
    }
  }
  std::string caption;
  TFakeSkins* skins = nullptr;
  TDestructionLog* log = nullptr;
};

class TFakeAppFloatForm : public TFakeAppForm {
 public:
  using TFakeAppForm::TFakeAppForm;
};

HALBRIN_DEFINE_CLASS(TFakeAppForm, .Property("caption", &TFakeAppForm::caption,
                                             [](TFakeAppForm& f, const std::string& v) { f.caption = v; }))

// Makes forms of the application and records what it is asked.
class TFakeComponentHooks final : public IApplicationComponentHooks {
 public:
  TComponent* CreateForm(TComponent& owner, const std::string& name, const std::string& type) override {
    made.push_back(name + ":" + type);
    TFakeAppForm& form = type == "float" ? platform::MakeComponent<TFakeAppFloatForm>(owner)
                                         : platform::MakeComponent<TFakeAppForm>(owner);
    form.SetName(name);
    form.skins = skins;
    form.log = log;
    return &form;
  }
  bool IsForm(const TComponent& component) const override {
    return dynamic_cast<const TFakeAppForm*>(&component) != nullptr;
  }
  bool IsFloatForm(const TComponent& component) const override {
    return dynamic_cast<const TFakeAppFloatForm*>(&component) != nullptr;
  }
  // The form's clear frees its skin, which lets go of the manager.
  // Told from the form's registration, before it is named.
  void MainFormChanged(TComponent* form) override { mainForms.push_back(form); }
  void ClearMainForm(TComponent& form) override {
    calls.push_back("clear " + form.Name() + (GetApplicationEx()->FindObject(TApplicationObject::Skins) ? " skinned" : ""));
    dynamic_cast<TFakeAppForm&>(form).skins = nullptr;
  }
  void RefreshSkin(TComponent& form) override { calls.push_back("refresh " + form.Name()); }
  bool IsInModalLoop(const TComponent& form) const override { return form.Name() == modalForm; }
  TComponent* ActiveForm() const override { return active; }
  TComponent* ActiveMDIChild(const TComponent& form) const override {
    return form.Name() == "Main" ? mdiChild : nullptr;
  }
  void EndModalLoops() override { calls.push_back("end modal loops"); }
  void ShowFloatForm(TComponent& form, bool above) override {
    calls.push_back("show " + form.Name() + (above ? " above" : ""));
  }
  void HideFloatForm(TComponent& form) override { calls.push_back("hide " + form.Name()); }
  void RaiseFloatForm(TComponent& form) override { calls.push_back("raise " + form.Name()); }
  void SetApplicationIcon(const IconImage* image) override { calls.push_back("icon " + (image ? image->path : "none")); }
  std::int64_t WindowHandle(const TComponent& form) const override { return form.Name() == "Main" ? 0x3a00007 : 0; }
  void ControlCreateComponent(TComponent& component) override { calls.push_back("created " + component.Name()); }
  void SkinAddItem(TObject& item) override { calls.push_back("added " + std::string(item.ClassName())); }
  std::optional<TComponentCommand> ComponentCommand(TObject& component) override {
    if (&component != commandOwner) return std::nullopt;
    return command;
  }
  Variant SkinButtonEventParameters(TObject&) override {
    return Variant(platform::VariantArray(std::vector<Variant>{Variant("skin"), Variant("Open"), Variant(2)}));
  }
  void SkinsUpdateSystemColors(TComponent&, TColor color) override { skinColors.push_back(color); }

  std::vector<std::string> made;
  std::vector<std::string> calls;
  std::vector<TComponent*> mainForms;  // each MainFormChanged
  std::vector<TColor> skinColors;
  std::string modalForm;
  TComponent* active = nullptr;
  TComponent* mdiChild = nullptr;
  TObject* commandOwner = nullptr;
  TComponentCommand command;
  TFakeSkins* skins = nullptr;
  TDestructionLog* log = nullptr;
};

namespace {

// A windowing layer whose main form is the application's.
class TFormsUi final : public IApplicationUi {
 public:
  void Minimize() override {}
  void Restore() override {}
  void BringToFront() override {}
  bool Focus() override { return false; }
  bool IsActive() const override { return false; }
  bool HasMainForm() const override { return app && app->MainForm(); }
  bool CloseMainForm() override { return HasMainForm(); }
  void HideMainForm() override { calls.push_back("hide main form"); }
  void ProcessMessages() override {}
  void SetCursor(int) override {}
  std::uint32_t ShiftState() const override { return 0; }
  std::uint32_t ButtonState() const override { return 0; }
  TApplicationSystemColors SystemColors() const override { return colors; }

  TApplicationEx* app = nullptr;
  std::vector<std::string> calls;
  TApplicationSystemColors colors;
};

class TSilentDialogs final : public platform::IDialogService {
 public:
  int MessageBox(const std::string& text, const std::string&, std::uint32_t) override {
    boxes.push_back(text);
    return platform::IDOK;
  }
  std::vector<std::string> boxes;
};

// A component of the project, logged when destroyed.
class TLoggedComponent : public TCustomExecutableComponentEx {
 public:
  TLoggedComponent(TComponent* owner, TDestructionLog& log) : TCustomExecutableComponentEx(owner), m_log(log) {}
  ~TLoggedComponent() override { m_log.entries.push_back("component " + Name()); }

 private:
  TDestructionLog& m_log;
};

class ApplicationFormsTest : public scripting_test::ScriptHostTest {
 protected:
  void SetUp() override {
    scripting_test::ScriptHostTest::SetUp();
    CommandLine::Set({"halbrinlite"});
    InitProjectInfo(ProjectInfo());
    ProjectInfo().folder = ProjectFolder();
    ProjectInfo().id = "{00000000-0000-0000-0000-0000000000F1}";
  }
  void TearDown() override {
    m_app.reset();
    ReleaseApplicationProject();
    InitProjectInfo(ProjectInfo());
    CommandLine::Set({});
    scripting_test::ScriptHostTest::TearDown();
  }

  TApplicationEx& App() {
    if (!m_app) {
      m_app = std::make_unique<TApplicationEx>();
      m_app->SetUi(&m_ui);
      m_ui.app = m_app.get();
      GetScriptControlDefaultImplementation().NamedObjectSources().client = [this] {
        return platform::RefPtr<platform::IDispatchObject>(m_client);
      };
    }
    return *m_app;
  }
  TFakeAppForm& Form(const std::string& name, const std::string& type = "form") {
    TComponent* form = App().CreateForm(name, type);
    EXPECT_NE(form, nullptr) << name;
    return dynamic_cast<TFakeAppForm&>(*form);
  }
  // Main (the main form), Tool (floating) and Second.
  void ThreeForms() {
    Form("Main");
    Form("Tool", "float");
    Form("Second");
  }
  std::vector<std::string> ScreenFormNames() {
    std::vector<std::string> names;
    const TApplicationComponents& forms = App().ScreenForms();
    for (int i = 0; i < forms.GetLength(); ++i) names.push_back(forms.GetItem(i)->Name());
    return names;
  }
  TFakeSkins& Skins() {
    App().SetObjectFactory(TApplicationObject::Skins, [this] { return std::make_unique<TFakeSkins>(&m_log); });
    auto& skins = dynamic_cast<TFakeSkins&>(App().GetObject(TApplicationObject::Skins));
    m_hooks.skins = &skins;
    return skins;
  }
  Variant Declare(const std::string& body) {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.Execute(Variant("<controls>" + body + "</controls>"), result);
    return result;
  }

  platform::FakeEventLoop m_loop;
  platform::ScopedMainEventLoop m_loopScope{m_loop};
  TSilentDialogs m_dialogs;
  platform::ScopedDialogService m_dialogScope{m_dialogs};
  TDestructionLog m_log;
  TFakeComponentHooks m_hooks;
  ScopedApplicationComponentHooks m_hooksScope{m_hooks};
  TFormsUi m_ui;
  std::unique_ptr<TApplicationEx> m_app;
};

// ------------------------------------------------------------ screen forms

TEST_F(ApplicationFormsTest, TheFirstFormIsTheMainFormAndTheFormsKeepTheOrderMade) {
  TFakeSkins& skins = Skins();
  TApplicationEx& app = App();
  // The desktop's colours change before the first form: its registration applies them.
  m_ui.colors = {0x101010, 0x202020, 0x303030, 0xFFFFFF, 0x000000};
  const TColor before = app.FirstColor();
  ThreeForms();
  EXPECT_EQ(m_hooks.made, (std::vector<std::string>{"Main:form", "Tool:float", "Second:form"}));
  ASSERT_NE(app.MainForm(), nullptr);
  EXPECT_EQ(app.MainForm()->Name(), "Main");
  EXPECT_EQ(ScreenFormNames(), (std::vector<std::string>{"Main", "Tool", "Second"}));
  EXPECT_EQ(app.Forms().GetItem(0), app.MainForm()) << "forms.item(0) is the first form made";
  for (int i = 0; i < app.ScreenForms().GetLength(); ++i)
    EXPECT_EQ(app.ScreenForms().GetItem(i)->Owner(), &app) << "forms belong to the application";
  EXPECT_EQ(app.Components().IndexOf(app.MainForm()), -1) << "forms are listed in forms only";
  EXPECT_NE(app.FirstColor(), before);
  EXPECT_EQ(m_hooks.skinColors, std::vector<TColor>{app.FirstColor()}) << "the system colours are applied once";
  EXPECT_EQ(skins.unregistered, 0);
}

TEST_F(ApplicationFormsTest, FormsJoinTheScreensFormsAndWindowedControlsTheWindowsToo) {
  TApplicationEx& app = App();
  TComponent owner;
  auto& panel = platform::MakeComponent<platform::TWinControl>(owner);
  auto& timer = platform::MakeComponent<TComponent>(owner);
  TFakeAppForm& form = Form("Main");
  struct Row {
    TComponent* component;
    bool listed;  // in `components`
    bool window;
    bool screenForm;
  } const rows[] = {{&panel, true, true, false}, {&timer, true, false, false}, {&form, false, false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.component->ClassName());
    app.RegisterComponent(*row.component);
    EXPECT_EQ(app.Components().Contains(row.component), row.listed);
    EXPECT_EQ(app.Windows().Contains(row.component), row.window);
    EXPECT_EQ(app.ScreenForms().Contains(row.component), row.screenForm);
  }
}

TEST_F(ApplicationFormsTest, CreateFormTakesTheTwoTypeWordsAndNeverMakesASecondFormOfAName) {
  TApplicationEx& app = App();
  TComponent& tool = Form("Tool", "FLOAT");
  struct Row {
    const char* name;
    const char* type;
    TComponent* expected;  // nullptr: none; &tool: the existing one
    std::vector<std::string> made;
  } const rows[] = {
      {"tool", "form", &tool, {}},
      {"TOOL", "float", &tool, {}},
      {"Frame", "container", nullptr, {}},
      {"Frame", "", nullptr, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " " + row.type);
    m_hooks.made.clear();
    EXPECT_EQ(app.CreateForm(row.name, row.type), row.expected);
    EXPECT_EQ(m_hooks.made, row.made);
  }
  EXPECT_TRUE(m_hooks.IsFloatForm(tool));
  EXPECT_EQ(ScreenFormNames(), std::vector<std::string>{"Tool"});
}

TEST_F(ApplicationFormsTest, WithoutFormHooksNoFormIsMade) {
  SetApplicationComponentHooks(nullptr);
  TApplicationEx& app = App();
  EXPECT_EQ(app.CreateForm("Main", "form"), nullptr);
  EXPECT_EQ(app.MainForm(), nullptr);
  EXPECT_EQ(app.Handle(), 0);
  EXPECT_EQ(app.Forms().GetLength(), 0);
  SetApplicationComponentHooks(&m_hooks);
}

TEST_F(ApplicationFormsTest, FormsAreFoundByNameInAnyLetterCase) {
  ThreeForms();
  TApplicationForms& forms = App().Forms();
  struct Row {
    const char* name;
    int index;
  } const rows[] = {{"Main", 0}, {"main", 0}, {"TOOL", 1}, {"sEcOnD", 2}, {"Third", -1}, {"", -1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(forms.IndexOfScreenForm(row.name), row.index);
    EXPECT_EQ(forms.FindScreenForm(row.name), row.index < 0 ? nullptr : forms.GetItem(row.index));
    EXPECT_EQ(forms.ItemByName(row.name), forms.FindScreenForm(row.name));
  }
}

TEST_F(ApplicationFormsTest, AFreedFormLeavesTheListAndARenamedOneIsFoundByItsNewName) {
  ThreeForms();
  TApplicationForms& forms = App().Forms();
  TComponent::Free(*forms.FindScreenForm("Tool"));
  EXPECT_EQ(ScreenFormNames(), (std::vector<std::string>{"Main", "Second"}));
  EXPECT_EQ(forms.IndexOfScreenForm("tool"), -1);
  EXPECT_EQ(forms.ItemByVariant(Variant(1))->Name(), "Second");
  forms.FindScreenForm("Second")->SetName("Other");
  EXPECT_EQ(forms.IndexOfScreenForm("second"), -1);
  EXPECT_EQ(forms.IndexOfScreenForm("OTHER"), 1);
  EXPECT_FALSE(App().Terminated()) << "only the main form's end ends the loop";
}

TEST_F(ApplicationFormsTest, ClearFreesFromTheLastAndSkipsTheMainFormWhileKeepMain) {
  struct Row {
    bool keepMain;
    const char* how;  // "clear" or the exec word
    std::vector<std::string> freed;
    bool terminated;
  } const rows[] = {
      {true, "clear", {"Third", "Second", "Tool"}, false},
      {true, "exec", {"Third", "Second", "Tool"}, false},
      {false, "clear", {"Third", "Second", "Tool", "Main"}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.how) + (row.keepMain ? " keepMain" : ""));
    m_app.reset();
    m_hooks.log = &m_log;
    ThreeForms();
    Form("Third");
    m_log.entries.clear();
    TApplicationForms& forms = App().Forms();
    forms.SetKeepMain(row.keepMain);
    if (std::string(row.how) == "clear")
      forms.Clear();
    else
      forms.SetExec(Variant("Clear"));
    EXPECT_EQ(m_log.Names(), row.freed);
    EXPECT_EQ(App().Terminated(), row.terminated) << "freeing the main form ends the loop";
    EXPECT_EQ(forms.GetLength(), row.keepMain ? 1 : 0);
    EXPECT_EQ(App().MainForm() != nullptr, row.keepMain);
    m_hooks.log = nullptr;
  }
}

TEST_F(ApplicationFormsTest, TheActiveFormAndTheMainFormsActiveMDIChildComeFromTheFormsLayer) {
  TApplicationForms& forms = App().Forms();
  EXPECT_EQ(platform::GetObjectProp(forms, *forms.ClassInfo().FindProperty("activeMDIChild")), nullptr)
      << "none without a main form";
  ThreeForms();
  m_hooks.active = forms.FindScreenForm("Tool");
  m_hooks.mdiChild = forms.FindScreenForm("Second");
  EXPECT_EQ(forms.ActiveForm(), m_hooks.active);
  EXPECT_EQ(forms.ActiveMDIChild(), m_hooks.mdiChild);
  EXPECT_EQ(platform::GetObjectProp(forms, *forms.ClassInfo().FindProperty("activeForm")), m_hooks.active);
}

// ------------------------------------------------- declarations and client

TEST_F(ApplicationFormsTest, DeclarationsFindAndMakeFormsThroughTheApplication) {
  TApplicationEx& app = App();
  struct Row {
    const char* declaration;
    std::vector<std::string> made;
  } const rows[] = {
      {R"(<control type="form" id="Main" caption="One"/>)", {"Main:form"}},
      {R"(<control type="float" id="Tool"/>)", {"Tool:float"}},
      {R"(<control type="form" id="MAIN" caption="Two"/>)", {}},
      {R"(<control type="float" id="main" caption="Three"/>)", {}},
      {R"(<control caption="Four"/>)", {}},
      {R"(<control type="application"><forms><item id="Third"/><form id="tool"/></forms></control>)",
       {"Third:form"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.declaration);
    m_hooks.made.clear();
    Declare(row.declaration);
    EXPECT_EQ(m_hooks.made, row.made);
  }
  EXPECT_EQ(ScreenFormNames(), (std::vector<std::string>{"Main", "Tool", "Third"}));
  EXPECT_EQ(dynamic_cast<TFakeAppForm*>(app.MainForm())->caption, "Four")
      << "each later declaration updated the one main form";
  EXPECT_TRUE(m_dialogs.boxes.empty()) << m_dialogs.boxes.front();
  EXPECT_EQ(Declare(R"(<control type="form" content="exist" id="Gone"/>)"), Variant(false));
  EXPECT_EQ(Declare(R"(<control type="form" content="exist" id="third"/>)"), Variant(true));
}

TEST_F(ApplicationFormsTest, ClientFormsIsAListOverTheScreensForms) {
  App();
  ProjectInfo().state = PROJECT_STATE_COMPLETED;
  platform::RefPtr<TClient> client = GetClient();
  const Variant forms = platform::GetProperty(*client, "forms");
  ASSERT_TRUE(forms.IsDispatch());
  EXPECT_EQ(platform::GetProperty(*forms.AsDispatch(), "length"), Variant(0));
  ThreeForms();
  EXPECT_EQ(platform::GetProperty(*forms.AsDispatch(), "length"), Variant(3)) << "a live view";
  EXPECT_EQ(WrappedObject(platform::CallMethod(*forms.AsDispatch(), "item", {Variant("tool")})),
            App().Forms().FindScreenForm("Tool"));
}

// ------------------------------------------------------- project and exit

TEST_F(ApplicationFormsTest, FreeProjectComponentsFreesTheFormsButTheMainOneBeforeTheOtherLists) {
  m_hooks.log = &m_log;
  TApplicationEx& app = App();
  TComponent owner;
  auto& component = platform::MakeComponent<TLoggedComponent>(owner, m_log);
  component.SetName("Timer");
  ThreeForms();
  TApplicationForms* view = &app.Forms();
  view->SetKeepMain(false);
  app.FreeProjectComponents();
  EXPECT_EQ(m_log.Names(), (std::vector<std::string>{"Second", "Tool", "component Timer"}))
      << "keepMain is set first, then the forms go from the last";
  EXPECT_EQ(ScreenFormNames(), std::vector<std::string>{"Main"});
  EXPECT_TRUE(app.Forms().KeepMain()) << "the view was freed and is made again";
  EXPECT_FALSE(app.Terminated());
  m_hooks.log = nullptr;
}

TEST_F(ApplicationFormsTest, CloseProjectClearsAndHidesTheMainFormBeforeTheSkinManagerGoes) {
  Skins();
  TApplicationEx& app = App();
  ThreeForms();
  app.CloseProject();
  EXPECT_EQ(m_hooks.calls, std::vector<std::string>{"clear Main skinned"});
  EXPECT_EQ(m_ui.calls, std::vector<std::string>{"hide main form"});
  EXPECT_EQ(ScreenFormNames(), std::vector<std::string>{"Main"});
  EXPECT_EQ(app.FindObject(TApplicationObject::Skins), nullptr);
  EXPECT_EQ(m_log.entries, std::vector<std::string>{"skins"});
  m_hooks.skins = nullptr;

  m_app.reset();
  m_hooks.calls.clear();
  m_ui.calls.clear();
  App().CloseProject();
  EXPECT_TRUE(m_hooks.calls.empty()) << "nothing to clear without a main form";
  EXPECT_TRUE(m_ui.calls.empty());
}

struct ExitCase {
  const char* name;
  const char* script;  // nullptr: no start script
  bool mainForm;
  int code;
  bool loopRan;
};

TEST_F(ApplicationFormsTest, TheExitCodeFollowsTheStartScriptAndTheMainForm) {
  const ExitCase cases[] = {
      {"7 without a main form", "return 7;", false, 7, false},
      {"7 with a main form", "return 7;", true, 7, false},
      {"0 without a main form", "return 0;", false, 0, false},
      {"0 with a main form", "return 0;", true, 0, true},
      {"failed without a main form", "client.fail();", false, 1, false},
      {"failed with a main form", "client.fail();", true, 0, true},
      {"no start script", nullptr, false, 1, false},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(ProjectFolder() + "scripts/init.js");
    if (c.script) Script("init.js", std::string("function main(project) { ") + c.script + " }\n");
    m_app.reset();
    m_dialogs.boxes.clear();
    TApplicationEx& app = App();
    if (c.mainForm) Form("Main");
    // What the user does once the loop runs: close the main form.
    struct Closer {
      TApplicationEx* app;
      bool ran = false;
    } closer{&app};
    const guint idle = g_idle_add(
        [](gpointer data) -> gboolean {
          auto* closing = static_cast<Closer*>(data);
          closing->ran = true;
          closing->app->MainFormClosed();
          return G_SOURCE_REMOVE;
        },
        &closer);
    EXPECT_EQ(app.RunProject(), c.code);
    EXPECT_EQ(closer.ran, c.loopRan);
    if (!closer.ran) g_source_remove(idle);
    if (c.mainForm) {
      EXPECT_NE(app.MainForm(), nullptr) << "a closed main form stays until the application goes";
    }
  }
}

TEST_F(ApplicationFormsTest, ReleaseEndsTheProgramAtOnceWithExitCode0) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TApplicationEx& app = App();
  Form("Main");
  EXPECT_EXIT(
      {
        app.SetExec(Variant("release"));
        std::_Exit(9);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ApplicationFormsTest, TheMainFormsEndOrCloseTerminates) {
  struct Row {
    const char* how;
    bool formStays;
  } const rows[] = {{"closed", true}, {"freed", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    m_app.reset();
    m_hooks.calls.clear();
    TComponent& main = Form("Main");
    if (row.formStays)
      App().MainFormClosed();
    else
      TComponent::Free(main);
    EXPECT_TRUE(App().Terminated());
    EXPECT_EQ(m_hooks.calls, std::vector<std::string>{"end modal loops"}) << "modal loops end with the loop";
    EXPECT_EQ(App().MainForm() != nullptr, row.formStays);
    Form("Late");
    EXPECT_EQ(App().MainForm() == nullptr, !row.formStays) << "no form becomes the main form once terminated";
  }
}

TEST_F(ApplicationFormsTest, TheHooksHearWhenTheMainFormIsSetAndWhenItGoes) {
  ThreeForms();
  TComponent* main = App().MainForm();
  EXPECT_EQ(m_hooks.mainForms, std::vector<TComponent*>{main}) << "only the first form becomes the main form";
  TComponent::Free(*App().Forms().FindScreenForm("Second"));
  TComponent::Free(*main);
  EXPECT_EQ(m_hooks.mainForms, (std::vector<TComponent*>{main, nullptr}));
}

TEST_F(ApplicationFormsTest, TeardownFreesTheFormsLastFirstWhileTheSkinManagerAndTheHooksLive) {
  const char* const endings[] = {"main form closed", "terminate", "start script's 7"};
  for (const char* ending : endings) {
    SCOPED_TRACE(ending);
    m_log.entries.clear();
    m_hooks.log = &m_log;
    Skins();
    ThreeForms();
    // A form another form owns goes with its owner, once.
    TFakeAppForm& inner = platform::MakeComponent<TFakeAppForm>(*App().Forms().FindScreenForm("Tool"));
    inner.SetName("Inner");
    inner.log = &m_log;
    inner.skins = m_hooks.skins;
    if (std::string(ending) == "main form closed")
      App().MainFormClosed();
    else if (std::string(ending) == "terminate")
      App().Terminate();
    else
      App().RequestExit(7);
    m_app.reset();
    EXPECT_EQ(m_log.entries, (std::vector<std::string>{"Inner terminating hooked", "Second terminating hooked",
                                                       "Tool terminating hooked", "Main terminating hooked", "skins"}));
    m_hooks.log = nullptr;
    m_hooks.skins = nullptr;
  }
}

// ------------------------------------------------------------ floating forms

TEST_F(ApplicationFormsTest, FloatingFormsFollowTheApplicationsActivation) {
  struct Row {
    const char* name;
    bool active;
    bool toOwnWindow;
    const char* modalForm;
    std::vector<std::string> calls;
  } const rows[] = {
      {"activated", true, false, "", {"show Tool above", "show Palette above", "raise Tool", "raise Palette"}},
      {"activated in a modal loop", true, false, "Main", {"show Tool", "show Palette", "raise Tool", "raise Palette"}},
      {"to our own window", false, true, "", {"show Tool above", "show Palette above"}},
      {"to another program", false, false, "", {"hide Tool", "hide Palette"}},
  };
  ThreeForms();
  Form("Palette", "float");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    m_hooks.calls.clear();
    m_hooks.modalForm = row.modalForm;
    App().ActivationChanged(row.active, row.toOwnWindow);
    EXPECT_EQ(m_hooks.calls, row.calls);
  }
}

// --------------------------------------------------- icon, handle, colour

TEST_F(ApplicationFormsTest, TheIconIsAppliedWhenLoadedOrClearedAndAFailureIsLogged) {
  const std::string png = ProjectFile("pic.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12));
  const std::string text = ProjectFile("note.txt", "not an icon");
  struct Row {
    Variant value;
    std::vector<std::string> calls;
    std::string logged;  // "" for nothing
  } const rows[] = {
      {Variant(png), {"icon " + png}, ""},
      {Variant(text), {}, "Icon \"" + text + "\" not loaded"},
      {Variant(ProjectFolder() + "missing.ico"), {}, "Icon \"" + ProjectFolder() + "missing.ico\" not loaded"},
      {Variant("shell32.dll,3"), {}, "Icon \"shell32.dll,3\" not loaded"},
      {Variant(""), {"icon none"}, ""},
  };
  TApplicationEx& app = App();
  const platform::TPropInfo* image = app.ClassInfo().FindProperty("image");
  ASSERT_NE(image, nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value.AsString());
    m_hooks.calls.clear();
    const bool hadIcon = !app.Image().Empty();
    platform::SetPropValue(app, *image, row.value);
    EXPECT_EQ(m_hooks.calls, row.calls);
    const std::string log = testing::ReadFile(app.Logger()->Path());
    if (!row.logged.empty()) {
      EXPECT_NE(log.find(row.logged), std::string::npos) << log;
      EXPECT_EQ(!app.Image().Empty(), hadIcon) << "a failed load leaves the icon";
    }
  }
  EXPECT_TRUE(app.Image().Empty());
}

TEST_F(ApplicationFormsTest, HandleIsTheMainFormsWindow) {
  TApplicationEx& app = App();
  const platform::TPropInfo* handle = app.ClassInfo().FindProperty("handle");
  EXPECT_EQ(platform::GetPropValue(app, *handle).ToInt64(), 0) << "no main form";
  Form("Main");
  EXPECT_EQ(platform::GetPropValue(app, *handle).ToInt64(), 0x3a00007);
  EXPECT_EQ(platform::GetObjectProp(app, *app.ClassInfo().FindProperty("mainForm")), app.MainForm());
}

TEST_F(ApplicationFormsTest, AColourWriteRefreshesTheMainFormsSkinAndGivesTheSkinsTheColour) {
  Skins();
  TApplicationEx& app = App();
  const platform::TPropInfo* color = app.ClassInfo().FindProperty("color");
  platform::SetPropValue(app, *color, Variant(0x00336699));
  EXPECT_TRUE(m_hooks.calls.empty()) << "no main form to refresh";
  Form("Main");
  Form("Other");
  m_hooks.calls.clear();
  m_hooks.skinColors.clear();
  platform::SetPropValue(app, *color, Variant(0x00112233));
  EXPECT_EQ(m_hooks.calls, std::vector<std::string>{"refresh Main"});
  EXPECT_EQ(m_hooks.skinColors, std::vector<TColor>{0x00112233});
}

// ----------------------------------------------------------------- handlers

TEST_F(ApplicationFormsTest, TheHandlersDeclarationsBindArePublished) {
  for (const char* name : {"controlCreateComponent", "skinAddItem", "componentExecute", "skinButtonEventParameters",
                           "skinsUpdateSystemColors", "ApplicationActivate", "ApplicationDeactivate"})
    EXPECT_NE(App().ClassInfo().FindMethod(name), nullptr) << name;
}

TEST_F(ApplicationFormsTest, HandlersHandTheirComponentsToTheHooks) {
  TApplicationEx& app = App();
  TComponent skin;
  skin.SetName("Skin");
  app.controlCreateComponent(&app, &skin);
  app.controlCreateComponent(&app, nullptr);
  app.skinAddItem(&skin);
  EXPECT_EQ(m_hooks.calls, (std::vector<std::string>{"created Skin", "added TComponent"}));
}

TEST_F(ApplicationFormsTest, AToolButtonsCommandRunsWithItsBandsScriptAndTheButtonsArguments) {
  Script("tools.js", "function onTool(skin, name, index) { client.log(skin + '/' + name + '/' + index); }\n");
  TApplicationEx& app = App();
  TComponent button;
  TComponent other;
  m_hooks.commandOwner = &button;
  m_hooks.command = {"tools", "onTool", false};
  app.componentExecute(&other);
  EXPECT_TRUE(m_client->m_log.empty()) << "no command text, nothing runs";
  app.componentExecute(&button);
  EXPECT_EQ(m_client->m_log, std::vector<std::string>{"skin/Open/2"});
  m_hooks.command.xml = "missingProcedure";
  app.componentExecute(&button);
  EXPECT_EQ(m_dialogs.boxes.size(), 1u) << "a failing command is reported, not raised";
}

TEST_F(ApplicationFormsTest, TheImageListIsHandedOverOnlyWhenItCanBeHad) {
  TApplicationEx& app = App();
  EXPECT_EQ(app.AvailableImages(), nullptr) << "no factory: nothing, and no error";
  app.SetObjectFactory(TApplicationObject::Images, [] { return std::unique_ptr<TComponent>(); });
  EXPECT_EQ(app.AvailableImages(), nullptr) << "a factory that makes none";
  app.SetObjectFactory(TApplicationObject::Images, [] { return std::make_unique<TComponent>(); });
  TComponent* images = app.AvailableImages();
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(app.AvailableImages(), images);
}

}  // namespace
}  // namespace halbrin::app_test
