// The script dialogs over the scripted dialog service: exec words, the file
// name cleaner, places and their shortcuts, and the events each step of a
// running dialog fires.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "components/dialogs/folder_dialog_ex.h"
#include "components/dialogs/font_dialog_ex.h"
#include "components/dialogs/open_dialog_ex.h"
#include "support/scripted_dialog_service.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

using testing::DialogStep;
using K = DialogStep::Kind;

class DialogsTest : public FrameworkTest {
 protected:
  void BindAll(IScriptEventSource& source, std::initializer_list<const char*> events) {
    for (const char* event : events) source.GetEvents()->AttachEvent(event).SetXml(std::string(event).substr(2));
  }
  // "procedure(eventData)" of each script call, in order.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const ScriptCall& call : m_hooks.calls) {
      std::string data;
      if (call.parameters.IsArray()) {
        for (const Variant& item : call.parameters.AsArray().Items()) data += (data.empty() ? "" : ",") + item.ToText();
      } else {
        data = call.parameters.ToText();
      }
      calls.push_back(call.procedure + "(" + data + ")");
    }
    return calls;
  }
  void Steps(std::initializer_list<DialogStep> steps) { m_service.steps.assign(steps); }

  testing::ScriptedDialogService m_service;
  platform::ScopedDialogService m_serviceScope{m_service};
};

// ---- open and save ----

struct ExecCase {
  const char* name;
  Variant value;
  std::string fileNameBefore;
  std::string requested;  // the file name the dialog was asked with
};

class OpenDialogExecTest : public DialogsTest, public ::testing::WithParamInterface<ExecCase> {};

TEST_P(OpenDialogExecTest, WordsRunAndOtherValuesNameTheFileFirst) {
  TOpenDialogEx& dialog = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  dialog.SetFileName(GetParam().fileNameBefore);
  dialog.SetExec(GetParam().value);
  ASSERT_EQ(m_service.fileRequests.size(), 1U);
  EXPECT_EQ(m_service.fileRequests[0].fileName, GetParam().requested);
  EXPECT_EQ(dialog.GetExec(), Variant(false)) << "no steps: cancelled";
}

INSTANTIATE_TEST_SUITE_P(
    Values, OpenDialogExecTest,
    ::testing::Values(ExecCase{"Execute", Variant(":execute"), "/tmp/kept.txt", "/tmp/kept.txt"},
                      ExecCase{"ShowInCapitals", Variant(":SHOW"), "/tmp/kept.txt", "/tmp/kept.txt"},
                      ExecCase{"AFileName", Variant("/tmp/new.txt"), "/tmp/kept.txt", "/tmp/new.txt"},
                      ExecCase{"AnObject", Variant(platform::RefPtr<platform::IDispatchObject>()), "/tmp/kept.txt",
                               "/tmp/kept.txt"}),
    [](const ::testing::TestParamInfo<ExecCase>& info) { return std::string(info.param.name); });

struct NormalizeCase {
  const char* name;
  const char* input;
  const char* expected;
};

class AutoNormalizeTest : public DialogsTest, public ::testing::WithParamInterface<NormalizeCase> {};

TEST_P(AutoNormalizeTest, CleansTheNamePartOnly) {
  TOpenDialogEx& dialog = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  dialog.SetAutoNormalize(true);
  dialog.SetExec(Variant(GetParam().input));
  EXPECT_EQ(dialog.FileName(), GetParam().expected);
  EXPECT_EQ(m_service.fileRequests.at(0).fileName, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, AutoNormalizeTest,
                         ::testing::Values(NormalizeCase{"QuestionMark", "/tmp/x/a?b.txt", "/tmp/x/a_b.txt"},
                                           NormalizeCase{"WindowsStyle", "\\tmp\\x\\a:b|c.txt", "/tmp/x/a_b_c.txt"},
                                           NormalizeCase{"OnlyBadCharacters", "/tmp/x/*?<>", "/tmp/x/____"},
                                           NormalizeCase{"NoFolder", "a\"b", "a_b"}),
                         [](const ::testing::TestParamInfo<NormalizeCase>& info) { return std::string(info.param.name); });

TEST_F(DialogsTest, WithoutAutoNormalizeTheNameStaysAsWritten) {
  TOpenDialogEx& dialog = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  dialog.SetFileName("/tmp/x/a?b.txt");
  EXPECT_EQ(dialog.FileName(), "/tmp/x/a?b.txt");
}

struct PlaceCase {
  const char* name;
  Variant value;
  bool accepted;
};

class PlaceValueTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceValueTest, TakesIntegerKindsAndTextsOnly) {
  TOpenDialogPlaces places;
  TOpenDialogPlace& place = places.Add(Variant(5));
  if (GetParam().accepted) {
    place.SetValue(GetParam().value);
    EXPECT_EQ(place.Value(), GetParam().value);
  } else {
    try {
      place.SetValue(GetParam().value);
      ADD_FAILURE() << "accepted";
    } catch (const platform::EComponentError& error) {
      EXPECT_STREQ(error.what(), "Invalid property value");
    }
    EXPECT_EQ(place.Value(), Variant(5)) << "unchanged";
  }
}

using platform::VarType;
INSTANTIATE_TEST_SUITE_P(
    Kinds, PlaceValueTest,
    ::testing::Values(PlaceCase{"Smallint", Variant::OfInteger(VarType::I2, 5), true},
                      PlaceCase{"Integer", Variant(17), true},
                      PlaceCase{"Shortint", Variant::OfInteger(VarType::I1, 8), true},
                      PlaceCase{"Byte", Variant::OfInteger(VarType::UI1, 0), true},
                      PlaceCase{"Word", Variant::OfInteger(VarType::UI2, 18), true},
                      PlaceCase{"LongWord", Variant::OfInteger(VarType::UI4, 5), true},
                      PlaceCase{"Int64", Variant(std::int64_t{5}), true},
                      PlaceCase{"Text", Variant("/tmp"), true},
                      PlaceCase{"Boolean", Variant(true), false}, PlaceCase{"Null", Variant::Null(), false},
                      PlaceCase{"Empty", Variant(), false}, PlaceCase{"Double", Variant(5.0), false}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

TEST(OpenDialogPlacesTest, ANewPlaceIsNullAndTheListStartsEmpty) {
  TOpenDialogPlaces places;
  EXPECT_EQ(places.Count(), 0);
  EXPECT_TRUE(places.Enabled());
  EXPECT_NE(dynamic_cast<TOpenDialogPlace*>(&places.TItemCollection::Add()), nullptr);
  EXPECT_TRUE(places.At(0).Value().IsNull());
}

TEST(OpenDialogPlacesTest, StandardPlacesGiveTheirFoldersOnly) {
  testing::TempFolder home;
  std::filesystem::create_directories(home.Path("Desktop"));
  std::filesystem::create_directories(home.Path("Documents"));
  std::filesystem::create_directories(home.Path("config"));
  const testing::ScopedEnv homeEnv("HOME", home.Path());
  const testing::ScopedEnv config("XDG_CONFIG_HOME", home.Path("config"));

  TOpenDialogPlaces places;
  places.Add(Variant("/kept-out"));
  places.SetCustom(true);
  EXPECT_EQ(places.Count(), 1) << "True leaves the list";
  places.SetCustom(false);
  std::vector<std::int64_t> values;
  for (int i = 0; i < places.Count(); ++i) values.push_back(places.At(i).Value().ToInt64());
  EXPECT_EQ(values, (std::vector<std::int64_t>{8, 0, 5, 17, 18}));

  const TPlaceShortcuts withNetwork = PlaceShortcutsOf(places, true);
  EXPECT_EQ(withNetwork.folders, (std::vector<std::string>{home.Path("Desktop"), home.Path("Documents"), "/"}));
  EXPECT_EQ(withNetwork.uris, (std::vector<std::string>{"network:///"}));
  EXPECT_TRUE(PlaceShortcutsOf(places, false).uris.empty());

  places.Add(Variant(home.Path("missing")));
  places.Add(Variant(std::string(home.Path("Documents")) + "\\"));
  EXPECT_EQ(PlaceShortcutsOf(places, false).folders.size(), 3U) << "missing and repeated folders are skipped";
  places.SetEnabled(false);
  EXPECT_TRUE(PlaceShortcutsOf(places, true).folders.empty());
}

TEST_F(DialogsTest, CanCloseFalseKeepsTheDialogUntilTrue) {
  TOpenDialogEx& dialog = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  dialog.SetName("open1");
  dialog.SetFilter("Text|*.txt|All|*.*");
  BindAll(dialog, {"oncanclose", "onexecute", "onclose"});
  int asked = 0;
  m_hooks.answer = [&](const ScriptCall& call) { return call.procedure == "canclose" ? Variant(++asked > 1) : Variant(); };
  Steps({{K::Accept, {"/tmp/first.txt"}, 1}, {K::Accept, {"/tmp/second.txt"}, 2}});
  dialog.SetExec(Variant(":execute"));
  EXPECT_EQ(dialog.GetExec(), Variant(true));
  EXPECT_EQ(m_service.refusedCloses, 1);
  EXPECT_EQ(dialog.FileName(), "/tmp/second.txt");
  EXPECT_EQ(dialog.FilterIndex(), 2);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"canclose()", "canclose()", "close()",
                                               "execute(/tmp/second.txt,2)"}));
}

TEST_F(DialogsTest, CancelGivesFalseAndNoExecute) {
  TOpenDialogEx& dialog = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  BindAll(dialog, {"onexecute", "onclose", "onshow"});
  Steps({{K::Cancel}});
  dialog.SetExec(Variant(":execute"));
  EXPECT_EQ(dialog.GetExec(), Variant(false));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"show(True)", "close()"}));
}

TEST_F(DialogsTest, ShowCarriesTheFirstShowFlag) {
  TSaveDialogEx& dialog = platform::MakeComponent<TSaveDialogEx>(m_hooks.root);
  BindAll(dialog, {"onshow"});
  dialog.SetExec(Variant(":show"));
  dialog.SetExec(Variant(":show"));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"show(True)", "show(False)"}));
  EXPECT_EQ(m_service.fileRequests.at(0).kind, platform::TFileDialogKind::Save);
  EXPECT_EQ(m_service.fileRequests.at(0).title, "Save As");
}

TEST_F(DialogsTest, IncludeItemIsAskedOnlyWithTheOptionAndABinding) {
  TOpenDialogEx& dialog = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  const DialogStep ask{K::AskIncludeItems, {"/tmp/a.txt", "/tmp/b.log"}};
  Steps({ask});
  dialog.SetOptions(dialog.Options() | OpenOptionBit(ofEnableIncludeNotify));
  dialog.Execute();
  EXPECT_TRUE(m_service.included.empty()) << "no binding";

  BindAll(dialog, {"onincludeitem"});
  dialog.SetOptions(dialog.Options() & ~OpenOptionBit(ofEnableIncludeNotify));
  Steps({ask});
  dialog.Execute();
  EXPECT_TRUE(m_service.included.empty()) << "no option";

  dialog.SetOptions(dialog.Options() | OpenOptionBit(ofEnableIncludeNotify));
  m_hooks.answer = [](const ScriptCall& call) { return Variant(call.parameters.ToText().ends_with(".txt")); };
  Steps({ask});
  dialog.Execute();
  EXPECT_EQ(m_service.included, (std::vector<bool>{true, false}));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"includeitem(/tmp/a.txt)", "includeitem(/tmp/b.log)"}));
}

TEST_F(DialogsTest, FolderTypeAndSelectionChangesCarryWhatTheDialogShowsNow) {
  TOpenDialogEx& dialog = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  dialog.SetName("open1");
  dialog.SetInitialDir("/start");
  BindAll(dialog, {"onfolderchange", "ontypechange", "onselectionchange"});
  std::vector<std::string> liveNames;
  m_hooks.answer = [&](const ScriptCall& call) {
    if (call.procedure == "selectionchange") liveNames.push_back(dialog.FileName());
    return Variant();
  };
  Steps({{K::FolderChange, {}, 1, "/tmp/now"}, {K::TypeChange, {}, 3}, {K::SelectionChange, {"/tmp/now/x"}}});
  dialog.Execute();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"folderchange(/tmp/now)", "typechange(3)", "selectionchange()"}));
  EXPECT_EQ(liveNames, (std::vector<std::string>{"/tmp/now/x"})) << "fileName asks the open chooser";
  EXPECT_EQ(dialog.FileName(), "") << "cancelled: the chooser's selection is not kept";
}

TEST_F(DialogsTest, TheRequestCarriesTheDialogsSettings) {
  TSaveDialogEx& dialog = platform::MakeComponent<TSaveDialogEx>(m_hooks.root);
  dialog.SetFilter("Pages|*.htm;*.html|Text|*.txt|Orphan");
  dialog.SetFilterIndex(2);
  dialog.SetFilterEnabled(false);
  dialog.SetOkText("Keep");
  dialog.SetTitle("Store");
  dialog.SetDefaultExt("txt");
  dialog.SetOptions(OpenOptionBit(ofOverwritePrompt) | OpenOptionBit(ofAllowMultiSelect) | OpenOptionBit(ofForceShowHidden));
  dialog.SetFileName("/tmp/notes/draft");
  Steps({{K::Accept, {"/tmp/notes/final", "/tmp/notes/b.md"}, 2}});
  EXPECT_TRUE(dialog.Execute());
  const platform::TFileDialogRequest& request = m_service.fileRequests.at(0);
  ASSERT_EQ(request.filters.size(), 2U) << "a last name without masks is dropped";
  EXPECT_EQ(request.filters[0].masks, "*.htm;*.html");
  EXPECT_EQ(request.filterIndex, 2);
  EXPECT_FALSE(request.filterEnabled);
  EXPECT_EQ(request.okText, "Keep");
  EXPECT_EQ(request.title, "Store");
  EXPECT_EQ(request.initialFolder, "/tmp/notes/") << "no InitialDir: the file's folder";
  EXPECT_TRUE(request.overwritePrompt && request.multiple && request.showHidden);
  EXPECT_EQ(dialog.FileName(), "/tmp/notes/final.txt") << "the default extension";
  TStringListEx* files = dialog.FilesList();
  ASSERT_EQ(files->Count(), 2);
  EXPECT_EQ(files->Strings(1), "/tmp/notes/b.md");
}

// ---- font ----

TEST_F(DialogsTest, FontApplyKeepsTheDialogAndExecuteKeepsTheColour) {
  TFontDialogEx& dialog = platform::MakeComponent<TFontDialogEx>(m_hooks.root);
  dialog.Font().SetColor(0x0000FF);
  dialog.Font().SetStyle(platform::fsUnderline);
  dialog.SetOptions(FontDialogOptionBit(fdApplyButton) | FontDialogOptionBit(fdLimitSize) | FontDialogOptionBit(fdNoSizeSel));
  dialog.SetMaxFontSize(20);
  BindAll(dialog, {"onapply", "onexecute", "onshow", "onclose"});
  Steps({{K::Apply, {}, 1, "", {"Serif", 12, platform::fsBold}}, {K::Accept, {}, 1, "", {"Mono", 48, platform::fsItalic}}});
  dialog.SetExec(Variant("anything"));
  EXPECT_EQ(dialog.GetExec(), Variant(true));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"show()", "apply(Serif,12,255)", "close()", "execute(Mono,20,255)"}));
  EXPECT_EQ(dialog.Font().Style(), platform::fsUnderline | platform::fsItalic) << "underline kept, bold replaced";
  const platform::TFontDialogRequest& request = m_service.fontRequests.at(0);
  EXPECT_TRUE(request.applyButton);
  EXPECT_FALSE(request.showSize);
  EXPECT_TRUE(request.showStyle);
}

// ---- folder ----

TEST_F(DialogsTest, FolderValidateFailedThenFalse) {
  testing::TempFolder tree;
  TFolderDialogEx& dialog = platform::MakeComponent<TFolderDialogEx>(m_hooks.root);
  dialog.SetOptions(FolderOptionBit(foValidate));
  BindAll(dialog, {"onvalidatefailed", "onexecute"});
  Steps({{K::Accept, {}, 1, tree.Path("typed-missing")}});
  dialog.SetExec(Variant(""));
  EXPECT_EQ(dialog.GetExec(), Variant(false));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"validatefailed(" + tree.Path("typed-missing") + ")"}));
}

TEST_F(DialogsTest, FolderWithoutValidateStaysAndAnswersOnlyInsideTheRoot) {
  testing::TempFolder tree;
  std::filesystem::create_directories(tree.Path("root/inner"));
  std::filesystem::create_directories(tree.Path("outside"));
  TFolderDialogEx& dialog = platform::MakeComponent<TFolderDialogEx>(m_hooks.root);
  dialog.SetRoot(tree.Path("root"));
  BindAll(dialog, {"onselectionchange", "onexecute"});
  Steps({{K::Accept, {}, 1, tree.Path("nothing")},
         {K::Accept, {}, 1, tree.Path("outside")},
         {K::SelectionChange, {}, 1, tree.Path("root/inner")},
         {K::Accept, {}, 1, tree.Path("root/inner")}});
  dialog.SetExec(Variant(tree.Path("root/missing")));
  EXPECT_EQ(dialog.GetExec(), Variant(true));
  EXPECT_EQ(m_service.refusedCloses, 2);
  EXPECT_EQ(m_service.folderRequests.at(0).startFolder, tree.Path("root")) << "a missing folderName starts in root";
  EXPECT_EQ(dialog.FolderName(), tree.Path("root/inner"));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"selectionchange(" + tree.Path("root/inner") + ")",
                                               "execute(" + tree.Path("root/inner") + ")"}));
}

TEST_F(DialogsTest, FolderPushesItsTextsAndFoldersAtShowAndWhileOpen) {
  testing::TempFolder tree;
  std::filesystem::create_directories(tree.Path("a"));
  TFolderDialogEx& dialog = platform::MakeComponent<TFolderDialogEx>(m_hooks.root);
  dialog.SetOkText("Take");
  dialog.SetStatusText("Pick one");
  dialog.SetExpanded(tree.Path("a"));
  dialog.SetFolderName(tree.Path("gone"));
  dialog.SetOptions(FolderOptionBit(foStatusText) | FolderOptionBit(foUseNewUI));
  dialog.GetEvents()->AttachEvent("onshow").SetXml("show");
  m_hooks.answer = [&](const ScriptCall&) {
    dialog.SetStatusText("Changed");
    dialog.SetStatusText("Changed");
    return Variant();
  };
  dialog.Execute();
  EXPECT_EQ(m_service.pushed, (std::vector<std::string>{"expand:" + tree.Path("a"), "ok:Take", "status:Pick one",
                                                        "status:Changed"}));
  const platform::TFolderDialogRequest& request = m_service.folderRequests.at(0);
  EXPECT_EQ(request.startFolder, tree.Path("a")) << "folderName missing: the expanded folder";
  EXPECT_TRUE(request.showStatus);
  EXPECT_TRUE(request.createFolders);
}

TEST(FolderOptionsTest, FlagsOfTheSet) {
  EXPECT_EQ(FolderOptionFlags(FolderOptionBit(foReturnOnlyFSDirs)), 0x1U);
  EXPECT_EQ(FolderOptionFlags(FolderOptionBit(foUseNewUI) | FolderOptionBit(foValidate)), 0x70U);
  EXPECT_EQ(FolderOptionFlags(FolderOptionBit(foShareable) | FolderOptionBit(foReserved) | FolderOptionBit(foBrowseIncludeFiles)),
            0xC800U);
  EXPECT_EQ(TFolderDialogEx().Options(), FolderOptionBit(foReturnOnlyFSDirs));
}

TEST_F(DialogsTest, WithoutADisplayTheDialogsAnswerCancelled) {
  std::ostringstream out;
  platform::HeadlessDialogService headless(out);
  const platform::ScopedDialogService scope(headless);
  TOpenDialogEx& open = platform::MakeComponent<TOpenDialogEx>(m_hooks.root);
  TFolderDialogEx& folder = platform::MakeComponent<TFolderDialogEx>(m_hooks.root);
  TFontDialogEx& font = platform::MakeComponent<TFontDialogEx>(m_hooks.root);
  open.SetExec(Variant(":execute"));
  folder.SetExec(Variant(""));
  font.SetExec(Variant());
  EXPECT_EQ(open.GetExec(), Variant(false));
  EXPECT_EQ(folder.GetExec(), Variant(false));
  EXPECT_EQ(font.GetExec(), Variant(false));
  EXPECT_EQ(out.str(), "Open: no display, cancelled\nSelect Folder: no display, cancelled\nFont: no display, cancelled\n");
}

}  // namespace
}  // namespace halbrin::framework_test
