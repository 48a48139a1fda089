// The application object: its verbs against a fake windowing layer, the
// registry key path, command-line options, colours, the log, starting and
// closing a project with real start scripts, and the hand-over of later starts.

#include <gtest/gtest.h>

#include "../scripting/fixtures/script_test_support.h"
#include "core/app/application_ex.h"
#include "core/app/command_line.h"
#include "core/app/hand_over.h"
#include "core/app/project.h"
#include "core/app/project_info.h"
#include "core/foundation/string_object_list.h"
#include "core/framework/component_wrappers.h"
#include "platform/automation/dispatch.h"
#include "core/foundation/message_box.h"
#include "platform/classes/property_access.h"
#include "core/framework/script_events.h"
#include "core/framework/std_events_component.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/services/dialog_service.h"
#include "platform/services/desktop_service.h"

namespace halbrin::app_test {
namespace {

using platform::TComponent;
using platform::TObject;
using platform::Variant;

class TFakeUi final : public IApplicationUi {
 public:
  void Minimize() override { calls.push_back("minimize"); }
  void Restore() override { calls.push_back("restore"); }
  void BringToFront() override { calls.push_back("front"); }
  bool Focus() override {
    calls.push_back("focus");
    return focusAnswer;
  }
  bool IsActive() const override { return active; }
  bool HasMainForm() const override { return mainForm; }
  bool CloseMainForm() override {
    calls.push_back("closeform");
    return mainForm;
  }
  void HideMainForm() override { calls.push_back("hideform"); }
  void ProcessMessages() override { calls.push_back("process"); }
  void SetCursor(int cursor) override { cursors.push_back(cursor); }
  std::uint32_t ShiftState() const override { return 5; }
  std::uint32_t ButtonState() const override { return 2; }
  TApplicationSystemColors SystemColors() const override { return colors; }

  std::vector<std::string> calls;
  std::vector<int> cursors;
  bool focusAnswer = true;
  bool active = false;
  bool mainForm = false;
  TApplicationSystemColors colors;
};

class TRecordingDialogs final : public platform::IDialogService {
 public:
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override {
    boxes.push_back(caption + ": " + text);
    lastFlags = flags;
    return platform::IDOK;
  }
  std::vector<std::string> boxes;
  std::uint32_t lastFlags = 0;
};

class TFakeFonts final : public platform::HeadlessDesktopService {
 public:
  std::vector<std::string> FontFamilies() const override {
    ++asked;
    return names;
  }
  std::vector<std::string> names;
  mutable int asked = 0;
};

// Records the application's own events, bound in C++.
class TObserver : public TObject {
 public:
  void Loaded(TObject*) { events.push_back("load"); }
  void Unloaded(TObject*) { events.push_back("unload"); }
  void FileApplied(TObject*, const std::string& file) { events.push_back("applyfile " + file); }
  std::vector<std::string> events;
};

// A component of the project, counted when destroyed.
class TCounted : public TCustomExecutableComponentEx {
 public:
  explicit TCounted(TComponent* owner = nullptr) : TCustomExecutableComponentEx(owner) {}
  ~TCounted() override { ++destroyed; }
  static inline int destroyed = 0;
};

class ApplicationTest : public scripting_test::ScriptHostTest {
 protected:
  void SetUp() override {
    scripting_test::ScriptHostTest::SetUp();
    CommandLine::Set({"halbrinlite"});
    InitProjectInfo(ProjectInfo());
    ProjectInfo().folder = ProjectFolder();
    ProjectInfo().id = "{00000000-0000-0000-0000-0000000000A1}";
  }
  void TearDown() override {
    m_app.reset();
    ReleaseApplicationProject();
    while (HandOverPending()) ReadHandOver("file");
    InitProjectInfo(ProjectInfo());
    CommandLine::Set({});
    scripting_test::ScriptHostTest::TearDown();
  }

  TApplicationEx& App() {
    if (!m_app) {
      m_app = std::make_unique<TApplicationEx>();
      m_app->SetUi(&m_ui);
      m_app->OnLoad().Bind(m_observer, &TObserver::Loaded);
      m_app->OnUnload().Bind(m_observer, &TObserver::Unloaded);
      m_app->OnApplyFile().Bind(m_observer, &TObserver::FileApplied);
      GetScriptControlDefaultImplementation().NamedObjectSources().client = [this] {
        return platform::RefPtr<platform::IDispatchObject>(m_client);
      };
    }
    return *m_app;
  }

  platform::FakeEventLoop m_loop;
  platform::ScopedMainEventLoop m_loopScope{m_loop};
  TRecordingDialogs m_dialogs;
  platform::ScopedDialogService m_dialogScope{m_dialogs};
  TFakeUi m_ui;
  TObserver m_observer;
  std::unique_ptr<TApplicationEx> m_app;
};

// ------------------------------------------------------------------- verbs

struct VerbCase {
  const char* word;
  const char* call;  // what the windowing layer is asked, "" for nothing
};

TEST_F(ApplicationTest, VerbsReachTheWindowingLayerInAnyLetterCase) {
  const VerbCase cases[] = {
      {"minimize", "minimize"}, {"Minimize", "minimize"}, {"RESTORE", "restore"},
      {"activate", "front"},    {"ProcessMessages", "process"},
  };
  TApplicationEx& app = App();
  for (const VerbCase& c : cases) {
    m_ui.calls.clear();
    app.SetExec(Variant(c.word));
    EXPECT_EQ(app.GetExec(), Variant(true)) << c.word;
    EXPECT_EQ(m_ui.calls, std::vector<std::string>{c.call}) << c.word;
  }
  m_ui.focusAnswer = false;
  app.SetExec(Variant("focus"));
  EXPECT_EQ(app.GetExec(), Variant(false)) << "focus answers whether the window manager agreed";
  app.SetExec(Variant("explode"));
  EXPECT_EQ(app.GetExec(), Variant(false));
  EXPECT_FALSE(app.Terminated());
}

TEST_F(ApplicationTest, CloseClosesTheMainFormOrTerminates) {
  TApplicationEx& app = App();
  m_ui.mainForm = true;
  app.SetExec(Variant("close"));
  EXPECT_EQ(m_ui.calls, std::vector<std::string>{"closeform"});
  EXPECT_FALSE(app.Terminated());
  m_ui.mainForm = false;
  app.SetExec(Variant("close"));
  EXPECT_TRUE(app.Terminated());
}

TEST_F(ApplicationTest, RestoreCursorPutsBackWhatSaveCursorFoundUnlessAScriptChangedIt) {
  TApplicationEx& app = App();
  app.SetCursor(-2);
  app.SetExec(Variant("savecursor"));
  app.SetExec(Variant("restorecursor"));
  EXPECT_EQ(m_ui.cursors, (std::vector<int>{-2, crHourGlass, -2}));
  app.SetExec(Variant("savecursor"));
  app.SetCursor(-3);
  app.SetExec(Variant("restorecursor"));
  EXPECT_EQ(app.Cursor(), crDefault);
}

TEST_F(ApplicationTest, RegistryKeyPathReplacesBackslashesOfTheTitle) {
  TApplicationEx& app = App();
  app.SetTitle("Acme\\Viewer");
  EXPECT_EQ(GetRegistryKeyPath(), "Software\\Zebrin\\Acme_Viewer");
  EXPECT_EQ(GetRegistryKeyPath("Dialogs"), "Software\\Zebrin\\Acme_Viewer\\Dialogs");
}

struct OptionCase {
  std::vector<std::string> args;
  TScriptEventDefaults expected;
  bool transientScripts;
};

TEST_F(ApplicationTest, CommandLineOptionsGiveTheScriptEventDefaults) {
  const OptionCase cases[] = {
      {{}, {true, true, false}, false},
      {{"events:noSplitParameters"}, {false, true, false}, false},
      {{"events:noTransientScript,async"}, {true, false, true}, false},
      {{"events:ASYNC"}, {true, true, true}, false},
      {{"scripts:transient"}, {true, true, false}, true},
  };
  for (const OptionCase& c : cases) {
    std::vector<std::string> args{"halbrinlite"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CommandLine::Set(args);
    SetTransientScripts(false);
    m_app.reset();
    const TScriptEventDefaults defaults = App().ScriptEventDefaults();
    const std::string name = c.args.empty() ? "none" : c.args[0];
    EXPECT_EQ(defaults.splitParameters, c.expected.splitParameters) << name;
    EXPECT_EQ(defaults.transientScript, c.expected.transientScript) << name;
    EXPECT_EQ(defaults.async, c.expected.async) << name;
    EXPECT_EQ(TransientScripts(), c.transientScripts) << name;
  }
}

struct ColorCase {
  const char* name;
  TColor color;
  TApplicationSystemColors system;
  TColor first;
  TColor second;
};

TEST_F(ApplicationTest, TheApplicationColourIsDerivedFromTheDesktopOrTheGivenColour) {
  TApplicationSystemColors plain{0x808080, 0x000000, 0x0000FF, 0xFFFFFF, 0x000000};
  TApplicationSystemColors sameText{0x808080, 0x808080, 0x0000FF, 0xFFFFFF, 0x000000};
  const ColorCase cases[] = {
      {"desktop: the background", clDefault, plain, BlendColor(0x808080, 0xFFFFFF, 2, 5),
       BlendColor(0x808080, 0x000000, 2, 5)},
      {"desktop: caption text like the background", clDefault, sameText, BlendColor(0x0000FF, 0xFFFFFF, 2, 5),
       BlendColor(0x0000FF, 0x000000, 2, 5)},
      {"none", clNone, plain, 0, 0},
      {"a colour", 0x00C8A0, plain, 0x00C8A0, 0x006450},
  };
  TApplicationEx& app = App();
  for (const ColorCase& c : cases) {
    m_ui.colors = c.system;
    app.SetColor(c.color);
    EXPECT_EQ(app.FirstColor(), c.first) << c.name;
    EXPECT_EQ(app.SecondColor(), c.second) << c.name;
  }
  EXPECT_EQ(BlendColor(0x102030, 0xF0E0D0, 0, 5), 0x102030);
  EXPECT_EQ(BlendColor(0x102030, 0xF0E0D0, 4, 5), static_cast<TColor>(0xF0E0D0));
}

// --------------------------------------------------------------------- log

TEST_F(ApplicationTest, TheLogFollowsTheProjectIdButNotTheLetterCaseOfItsPath) {
  ProjectInfo().id.clear();
  TApplicationEx& app = App();
  ASSERT_NE(app.Logger(), nullptr);
  EXPECT_NE(app.Logger()->Path().find("/logs/application_"), std::string::npos);
  ProjectInfo().id = "{00000000-0000-0000-0000-0000000000ab}";
  app.SetELog(true);
  const TLogger* first = app.Logger();
  EXPECT_NE(first->Path().find("/logs/{00000000-0000-0000-0000-0000000000ab}_"), std::string::npos);
  ProjectInfo().id = "{00000000-0000-0000-0000-0000000000AB}";
  app.SetELog(true);
  EXPECT_EQ(app.Logger(), first);
  app.SetELog(false);
  EXPECT_EQ(app.Logger(), nullptr);
}

TEST_F(ApplicationTest, UnhandledErrorsAreLoggedAndShownUnlessSilent) {
  TApplicationEx& app = App();
  app.ApplicationException(nullptr, platform::EConvertError("bad number"));
  app.SetSilent(true);
  app.ApplicationException(nullptr, platform::EConvertError("quiet"));
  app.SetSilent(false);
  app.ApplicationException(nullptr, platform::EAbort("aborted"));  // silent abort: neither shown nor logged
  EXPECT_EQ(m_dialogs.boxes, std::vector<std::string>{"Halbrin Lite: bad number"});
  EXPECT_EQ(m_dialogs.lastFlags, kDefaultMessageBoxFlags);
  const std::string log = testing::ReadFile(app.Logger()->Path());
  EXPECT_NE(log.find(" [EConvertError]: bad number\r\n"), std::string::npos);
  EXPECT_NE(log.find("quiet"), std::string::npos);
  EXPECT_EQ(log.find("aborted"), std::string::npos);
}

// ----------------------------------------------------------------- project

struct StartCase {
  const char* result;
  std::optional<int> exitCode;
};

TEST_F(ApplicationTest, OnlyANonZeroIntegerFromMainEndsTheProgram) {
  const StartCase cases[] = {
      {"7", 7}, {"256", 255}, {"0", std::nullopt}, {"'7'", std::nullopt}, {"7.5", std::nullopt},
      {"true", std::nullopt}, {"undefined", std::nullopt},
  };
  for (const StartCase& c : cases) {
    Script("init.js", std::string("function main(project) { return ") + c.result + "; }\n");
    m_app.reset();
    m_observer.events.clear();
    ProjectInfo().state = PROJECT_STATE_INTERACTIVE;
    App().StartProject();
    EXPECT_EQ(App().ExitCode(), c.exitCode) << c.result;
    EXPECT_EQ(ProjectInfo().state, c.exitCode ? PROJECT_STATE_INTERACTIVE : PROJECT_STATE_COMPLETED) << c.result;
    EXPECT_EQ(m_observer.events, c.exitCode ? std::vector<std::string>{} : std::vector<std::string>{"load"}) << c.result;
  }
}

TEST_F(ApplicationTest, AFailingStartScriptIsShownAndLoggedAndStartUpGoesOn) {
  const std::string init = Script("init.js", "function main(project) {\n  client.fail();\n}\n");
  TApplicationEx& app = App();
  app.StartProject();
  ASSERT_EQ(m_dialogs.boxes.size(), 1u);
  EXPECT_EQ(m_dialogs.boxes[0], "Halbrin Lite: Client refused in \"" + init + "\" at line: 2, position: 14");
  EXPECT_EQ(ProjectInfo().state, PROJECT_STATE_COMPLETED);
  EXPECT_EQ(m_observer.events, std::vector<std::string>{"load"});
  const std::string log = testing::ReadFile(app.Logger()->Path());
  EXPECT_NE(log.find("Client refused"), std::string::npos);
  EXPECT_NE(log.find(" (call stack: main@" + init + ":2:"), std::string::npos) << log;
  EXPECT_EQ(m_dialogs.boxes[0].find("call stack"), std::string::npos) << "the box shows the message alone";
}

TEST_F(ApplicationTest, TheFileSwitchIsAppliedOnceAndOnlyForAnExistingFile) {
  const std::string doc = ProjectFile("docs/report.xml", "<r/>");
  Script("init.js", "function main(project) { client.log(project.state); }\n");
  CommandLine::Set({"halbrinlite", "file:" + doc});
  TApplicationEx& app = App();
  ProjectInfo().state = PROJECT_STATE_INTERACTIVE;
  app.StartProject();
  EXPECT_EQ(ProjectInfo().state, PROJECT_STATE_COMPLETED);
  app.StartProject();
  EXPECT_EQ(m_observer.events, (std::vector<std::string>{"load", "applyfile " + doc, "load"}));
  EXPECT_EQ(m_client->m_log, (std::vector<std::string>{"3", "4"})) << "main sees the state it runs in";
  m_app.reset();
  m_observer.events.clear();
  CommandLine::Set({"halbrinlite", "file:" + ProjectFolder() + "missing.xml"});
  App().StartProject();
  EXPECT_EQ(m_observer.events, std::vector<std::string>{"load"});
}

TEST_F(ApplicationTest, DeclaredBindingsRunTheProjectsScriptsForTheApplicationsEvents) {
  Script("init.js", "function main(project) { return 0; }\n");
  Script("actions.js", "function onFile(name) { client.log('file ' + name); }\n");
  const std::string doc = ProjectFile("a.txt", "x");
  CommandLine::Set({"halbrinlite", "file:" + doc});
  TApplicationEx& app = App();
  app.OnApplyFile().Clear();
  app.GetEvents()->AttachEvent("onApplyFile").SetXml("onFile");
  app.StartProject();
  EXPECT_EQ(m_client->m_log, std::vector<std::string>{"file " + doc});
  EXPECT_TRUE(m_dialogs.boxes.empty()) << m_dialogs.boxes.front();
}

TEST_F(ApplicationTest, CloseProjectFreesWhatTheProjectMadeAndResetsTheApplication) {
  TApplicationEx& app = App();
  TComponent owner;
  const int before = TCounted::destroyed;
  TCounted& top = platform::MakeComponent<TCounted>(owner);
  platform::MakeComponent<TCounted>(top);  // owned by a registered one
  app.RegisterBrowser(top);
  app.SetSilent(true);
  app.SetDefaultScript("other.js");
  app.SetTitle("T");
  EXPECT_EQ(app.Components().GetLength(), 2);
  AsyncScriptEvents().Queue("s.js", "late", 1, Variant());
  app.CloseProject();
  EXPECT_EQ(m_observer.events, std::vector<std::string>{"unload"});
  EXPECT_EQ(TCounted::destroyed, before + 2) << "each exactly once";
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(app.Components().GetLength(), 0);
  EXPECT_EQ(app.Browsers().GetLength(), 0);
  EXPECT_EQ(AsyncScriptEvents().Count(), 0);
  EXPECT_FALSE(AsyncScriptEvents().TimerActive());
  EXPECT_EQ(ProjectInfo().id, "");
  EXPECT_EQ(ProjectInfo().state, PROJECT_STATE_UNINITIALIZED);
  EXPECT_FALSE(app.Silent());
  EXPECT_EQ(app.DefaultScript(), "actions.js");
  EXPECT_EQ(app.Title(), "");
}

TEST_F(ApplicationTest, ClosingTheProjectLetsNoScriptNameResolveInItsFolder) {
  Script("init.js", "function main(project) { return 0; }\n");
  TApplicationEx& app = App();
  app.StartProject();
  ASSERT_EQ(GetScriptFolders().projectFolder, ProjectFolder());
  app.CloseProject();
  EXPECT_NE(GetScriptFolders().projectFolder, ProjectFolder());
  const std::string message = MessageOf([] { RunScriptProcedure("init", "main", {}, kScriptSourceFile); });
  EXPECT_EQ(message.find(ProjectFolder()), std::string::npos) << message;
  EXPECT_EQ(message.rfind("Script file not found: ", 0), 0u) << message;
}

TEST_F(ApplicationTest, OpeningAProjectWhoseFolderAScriptChangedReadsThatFoldersDescriptor) {
  ProjectFile("project.info", "product=First\nscript=first\n");
  Script("first.js", "function main(project) { client.log('first'); }\n");
  testing::TempFolder other{"halbrin_other"};
  other.Write("project.info", "product=Second\nversion=2.0\nscript=start\n");
  other.Write("scripts/start.js", "function main(project) { client.log('start in ' + project.folder); }\n",
              testing::MakeFolders::Yes);
  const std::string otherFolder = other.Path().string() + "/";
  App();
  platform::RefPtr<TApplicationProject> project = GetApplicationProject();
  platform::CallMethod(*project, "close");
  platform::PutProperty(*project, "folder", Variant(other.Path().string()));
  platform::CallMethod(*project, "open");
  EXPECT_EQ(ProjectInfo().folder, otherFolder);
  EXPECT_EQ(ProjectInfo().product, "Second");
  EXPECT_EQ(ProjectInfo().version, "2.0");
  EXPECT_EQ(ProjectInfo().script, "start");
  EXPECT_EQ(m_client->m_log, std::vector<std::string>{"start in " + otherFolder});
  EXPECT_TRUE(m_dialogs.boxes.empty()) << m_dialogs.boxes.front();
}

TEST_F(ApplicationTest, TheProjectOpenedAgainStillFindsItsStartScript) {
  Script("init.js", "function main(project) { client.log('main in ' + project.state); }\n");
  TApplicationEx& app = App();
  ProjectInfo().state = PROJECT_STATE_INTERACTIVE;
  app.StartProject();
  platform::RefPtr<TApplicationProject> project = GetApplicationProject();
  platform::CallMethod(*project, "close");
  EXPECT_EQ(ProjectInfo().folder, "");
  platform::CallMethod(*project, "open");
  EXPECT_EQ(ProjectInfo().folder, ProjectFolder());
  EXPECT_EQ(m_client->m_log, (std::vector<std::string>{"main in 3", "main in 3"}));
  EXPECT_TRUE(m_dialogs.boxes.empty()) << m_dialogs.boxes.front();
}

TEST_F(ApplicationTest, SubObjectsOfLaterPartsSayTheyAreNotAvailableUntilAFactoryExists) {
  TApplicationEx& app = App();
  const platform::TPropInfo* clipboard = app.ClassInfo().FindProperty("clipboard");
  ASSERT_NE(clipboard, nullptr);
  try {
    platform::GetPropValue(app, *clipboard);
    ADD_FAILURE() << "no error";
  } catch (const EApplicationError& e) {
    EXPECT_STREQ(e.what(), "The application's clipboard is not available");
  }
  int made = 0;
  app.SetObjectFactory(TApplicationObject::Clipboard, [&made] {
    ++made;
    return std::make_unique<TCounted>();
  });
  TComponent& object = app.GetObject(TApplicationObject::Clipboard);
  EXPECT_EQ(&app.GetObject(TApplicationObject::Clipboard), &object);
  EXPECT_EQ(made, 1);
  const int before = TCounted::destroyed;
  app.FreeProjectComponents();
  EXPECT_EQ(TCounted::destroyed, before + 1);
  EXPECT_EQ(app.FindObject(TApplicationObject::Clipboard), nullptr);
}

TEST_F(ApplicationTest, HintAndMenuFontsFollowTheDesktop) {
  struct FontDesktop final : platform::HeadlessDesktopService {
    platform::TFontSpec ElementFont(platform::TDesktopFont element) const override {
      if (element == platform::TDesktopFont::Status) return status;
      return {"Cantarell", menuSize, 0};
    }
    platform::TFontSpec status{"DejaVu Sans", 10, platform::fsItalic};
    int menuSize = 11;
  } desktop;
  platform::ScopedDesktopService scope(desktop);
  TApplicationEx& app = App();
  const auto font = [&](const char* name) {
    const platform::TPropInfo* prop = app.ClassInfo().FindProperty(name);
    return dynamic_cast<platform::TFont*>(platform::GetObjectProp(app, *prop));
  };
  ASSERT_NE(font("hintFont"), nullptr);
  EXPECT_EQ(font("hintFont")->Spec(), (platform::TFontSpec{"DejaVu Sans", 10, platform::fsItalic}));
  EXPECT_EQ(font("menuFont")->Size(), 11);
  desktop.menuSize = 14;
  desktop.status.name = "MS Sans Serif";
  EXPECT_EQ(font("menuFont")->Size(), 14);
  EXPECT_EQ(font("hintFont")->Name(), "Cantarell");
}

TEST_F(ApplicationTest, DefaultFactoriesAreCopiedWhenTheApplicationIsMade) {
  int made = 0;
  SetDefaultObjectFactory(TApplicationObject::Images, [&made] {
    ++made;
    return std::make_unique<TCounted>();
  });
  TApplicationEx& app = App();
  // Later changes of the table reach only applications made after them.
  SetDefaultObjectFactory(TApplicationObject::Images, nullptr);
  app.GetObject(TApplicationObject::Images);
  EXPECT_EQ(made, 1);
  TApplicationEx second;
  EXPECT_THROW(second.GetObject(TApplicationObject::Images), EApplicationError);
}

TEST_F(ApplicationTest, FontsAreTheScreenFontsReadAfreshOnEveryRead) {
  TApplicationEx& app = App();
  const platform::TPropInfo* prop = app.ClassInfo().FindProperty("fonts");
  ASSERT_NE(prop, nullptr);
  auto fonts = [&] {
    auto* list = dynamic_cast<TStringObjectListEx*>(platform::GetObjectProp(app, *prop));
    std::vector<std::string> names;
    if (list)
      for (int i = 0; i < list->Count(); ++i) names.push_back(list->Strings(i));
    return names;
  };
  EXPECT_TRUE(fonts().empty()) << "the headless desktop knows no fonts";
  TFakeFonts service;
  platform::ScopedDesktopService scope(service);
  service.names = {"DejaVu Sans", "Liberation Serif"};
  EXPECT_EQ(fonts(), service.names);
  service.names = {"Noto Sans"};
  EXPECT_EQ(fonts(), service.names) << "a font installed meanwhile is seen";
  EXPECT_EQ(service.asked, 2);
}

TEST_F(ApplicationTest, TheScriptCacheIsTheThreadsCache) {
  TApplicationEx& app = App();
  const platform::TPropInfo* prop = app.ClassInfo().FindProperty("scriptCache");
  ASSERT_NE(prop, nullptr);
  EXPECT_EQ(platform::GetObjectProp(app, *prop), &GetScriptControlDefaultImplementation().Cache());
}

TEST_F(ApplicationTest, CreateComponentHandsScriptsTheComponentsWrapper) {
  Script("actions.js", "function onMade(component) { client.keep(component); client.log(typeof component); }\n");
  TApplicationEx& app = App();
  app.Components();  // made now, so that only the clipboard is announced below
  app.GetEvents()->AttachEvent("OnCreateComponent").SetXml("onMade");
  app.SetObjectFactory(TApplicationObject::Clipboard, [] { return std::make_unique<TCounted>(); });
  TComponent& made = app.GetObject(TApplicationObject::Clipboard);
  EXPECT_EQ(m_client->m_log, std::vector<std::string>{"object"});
  EXPECT_EQ(WrappedObject(m_client->m_kept), &made);
  EXPECT_TRUE(m_dialogs.boxes.empty()) << m_dialogs.boxes.front();
}

// --------------------------------------------------------- later starts

InstanceMessage HandOver(const std::string& file) {
  InstanceMessage message;
  message.kind = InstanceMessage::Kind::HandOver;
  message.args = {"halbrinlite", "file:" + file, "use:/somewhere"};
  return message;
}

TEST_F(ApplicationTest, ALaterStartActivatesThenAppliesItsFileOnTheNextIdle) {
  const std::string doc = ProjectFile("second.txt", "x");
  TApplicationEx& app = App();
  app.ProjectMessage(HandOver(doc));
  m_loop.Advance(99);
  EXPECT_TRUE(m_observer.events.empty());
  EXPECT_TRUE(m_ui.calls.empty());
  m_loop.Advance(1);
  EXPECT_EQ(m_ui.calls, std::vector<std::string>{"front"});
  EXPECT_EQ(m_observer.events, std::vector<std::string>{"applyfile " + doc});
  EXPECT_FALSE(app.ProjectMessageTimersActive()) << "each timer fires once";
  m_loop.Advance(1000);
  EXPECT_EQ(m_ui.calls.size(), 1u);
  EXPECT_EQ(m_observer.events.size(), 1u);
}

TEST_F(ApplicationTest, EveryHandOverIsAppliedInTurnAndMissingFilesAreNot) {
  const std::string one = ProjectFile("one.txt", "1");
  const std::string two = ProjectFile("two.txt", "2");
  TApplicationEx& app = App();
  app.ProjectMessage(HandOver(one));
  app.ProjectMessage(HandOver(ProjectFolder() + "gone.txt"));
  app.ProjectMessage(HandOver(two));
  m_loop.Advance(100);
  m_loop.RunIdle();
  m_loop.RunIdle();
  EXPECT_EQ(m_observer.events, (std::vector<std::string>{"applyfile " + one, "applyfile " + two}));
  EXPECT_FALSE(HandOverPending());
}

TEST_F(ApplicationTest, AnActivationAloneAppliesNoFile) {
  InstanceMessage activate;
  activate.kind = InstanceMessage::Kind::Activate;
  App().ProjectMessage(activate);
  m_loop.Advance(100);
  EXPECT_EQ(m_ui.calls, std::vector<std::string>{"front"});
  EXPECT_TRUE(m_observer.events.empty());
}

TEST_F(ApplicationTest, ClosingTheProjectCancelsPendingHandOvers) {
  TApplicationEx& app = App();
  app.ProjectMessage(HandOver(ProjectFile("late.txt", "x")));
  app.CloseProject();
  m_loop.Advance(200);
  EXPECT_EQ(m_observer.events, std::vector<std::string>{"unload"});
  EXPECT_FALSE(HandOverPending());
}

TEST_F(ApplicationTest, TheSingletonIsTheFirstApplicationAndGoneWithIt) {
  EXPECT_FALSE(ApplicationExExists());
  TApplicationEx& app = App();
  EXPECT_TRUE(ApplicationExExists());
  EXPECT_EQ(GetApplicationEx(), &app);
  EXPECT_EQ(&ApplicationHooks(), static_cast<IApplicationHooks*>(&app));
  m_app.reset();
  EXPECT_FALSE(ApplicationExExists());
  EXPECT_NE(&ApplicationHooks(), static_cast<IApplicationHooks*>(nullptr));
}

}  // namespace
}  // namespace halbrin::app_test
