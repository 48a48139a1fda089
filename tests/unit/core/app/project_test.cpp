// The project as scripts see it, its project.info lines, and its modules.

#include <gtest/gtest.h>

#include "../scripting/fixtures/script_test_support.h"
#include "core/app/module_registry.h"
#include "core/app/modules.h"
#include "core/app/project.h"
#include "core/app/project_info.h"
#include "platform/automation/dispatch.h"
#include "support/test_support.h"

namespace halbrin::app_test {
namespace {

using platform::MakeRef;
using platform::RefPtr;
using platform::Variant;

class ProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitProjectInfo(ProjectInfo());
    ProjectInfo().folder = m_folder.Path().string() + "/";
    ProjectInfo().id = "{00000000-0000-0000-0000-0000000000B1}";
    ProjectInfo().state = 3;
  }
  void TearDown() override {
    ReleaseApplicationProject();
    InitProjectInfo(ProjectInfo());
  }
  std::string Folder() const { return m_folder.Path().string() + "/"; }

  testing::TempFolder m_folder{"halbrin_project"};
};

TEST_F(ProjectTest, AttributesAreTheLinesOfProjectInfoThenTheFolder) {
  m_folder.Write("project.info", "name=Alpha\n\nscript=start\nversion=2\n");
  RefPtr<TProjectAttributes> attributes = MakeRef<TProjectAttributes>(Folder());
  EXPECT_EQ(attributes->Length(), 4) << "blank lines dropped, folder appended";
  EXPECT_EQ(attributes->Item(Variant(0)), Variant("Alpha"));
  EXPECT_EQ(attributes->Item(Variant("VERSION")), Variant("2"));
  EXPECT_EQ(attributes->Item(Variant("folder")), Variant(Folder()));
  EXPECT_TRUE(attributes->Item(Variant("missing")).IsEmpty());
  EXPECT_TRUE(attributes->Item(Variant(1.5)).IsEmpty());
  EXPECT_TRUE(attributes->Item(Variant(9)).IsEmpty());
  EXPECT_EQ(attributes->Names(1), Variant("script"));
  EXPECT_EQ(attributes->Values(2), Variant("2"));
  EXPECT_TRUE(attributes->Values(4).IsEmpty());
  m_folder.Write("project.info", "folder=/elsewhere\n");
  EXPECT_EQ(MakeRef<TProjectAttributes>(Folder())->Item(Variant("folder")), Variant("/elsewhere")) << "the file's own line wins";
}

TEST_F(ProjectTest, AProjectWithoutProjectInfoStillHasItsFolder) {
  RefPtr<TProjectAttributes> attributes = MakeRef<TProjectAttributes>(Folder());
  EXPECT_EQ(attributes->Length(), 1);
  EXPECT_EQ(attributes->Item(Variant("folder")), Variant(Folder()));
}

TEST_F(ProjectTest, FolderAndScriptOfAProject) {
  m_folder.Write("project.info", "script=start\n");
  RefPtr<TCustomProject> project = MakeRef<TCustomProject>(ProjectInfo().id);
  EXPECT_EQ(project->Folder(), Folder());
  EXPECT_EQ(project->Script(), Folder() + "scripts/init.js") << "whatever project.info says";
  platform::PutProperty(*project, "folder", Variant("C:\\data\\docs"));
  EXPECT_EQ(platform::GetProperty(*project, "folder"), Variant("C:/data/docs/"));
  platform::PutProperty(*project, "folder", Variant(""));
  EXPECT_EQ(platform::GetProperty(*project, "folder"), Variant(""));
  EXPECT_TRUE(platform::GetProperty(*project, "modules").IsNull());
  EXPECT_TRUE(platform::GetProperty(*project, "data").IsNull());
}

TEST_F(ProjectTest, AnotherProjectHasNoFolderUntilAScriptSetsOne) {
  m_folder.Write("project.info", "name=Mine\n");
  RefPtr<TCustomProject> other = MakeRef<TCustomProject>("{00000000-0000-0000-0000-0000000000C2}");
  EXPECT_EQ(other->Folder(), "") << "not this project's folder";
  testing::TempFolder theirs{"halbrin_other"};
  theirs.Write("project.info", "name=Theirs\n");
  platform::PutProperty(*other, "folder", Variant(theirs.Path().string()));
  Variant attributes = platform::GetProperty(*other, "attributes");
  EXPECT_EQ(platform::CallMethod(*attributes.AsDispatch(), "item", {Variant("name")}), Variant("Theirs"));
}

TEST_F(ProjectTest, StatesOfThisProjectAndOfOneNobodyRuns) {
  RefPtr<TApplicationProject> project = GetApplicationProject();
  EXPECT_EQ(GetApplicationProject(), project) << "one per thread";
  EXPECT_EQ(platform::GetProperty(*project, "state"), Variant(3));
  ProjectInfo().state = 4;
  EXPECT_EQ(platform::GetProperty(*project, "state"), Variant(4));
  EXPECT_EQ(MakeRef<TCustomProject>("{00000000-0000-0000-0000-00000000DEAD}")->State(), 0);
  EXPECT_EQ(platform::GetProperty(*project, "id"), Variant(ProjectInfo().id));
  Variant modules = platform::GetProperty(*project, "modules");
  EXPECT_EQ(platform::GetProperty(*project, "modules").AsDispatch(), modules.AsDispatch()) << "kept";
}

// ------------------------------------------------------------------ modules

// A module object: answers "value".
class TEcho final : public platform::TAutoObject {
 public:
  TEcho() : TAutoObject(Info()) {}
  static const platform::TypeInfo& Info() {
    static const platform::TypeInfo info("IEcho", "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}",
                                         {{"value", 1, platform::DISPATCH_PROPERTYGET, {}, platform::VarType::I4}});
    return info;
  }

 protected:
  Variant InvokeMember(const platform::MemberDesc&, platform::MemberAccess, std::span<Variant>) override {
    return Variant(42);
  }
};

class ModulesTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    RegisterModuleClass("Test.Echo", "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}",
                        [] { return RefPtr<platform::IDispatchObject>(MakeRef<TEcho>()); });
  }
  void TearDown() override {
    UnregisterModuleClass("Test.Echo");
    ResetModuleKeyFiles();
    ProjectTest::TearDown();
  }
};

TEST_F(ModulesTest, OpenMakesTheObjectAndCloseKeepsIt) {
  RefPtr<TModules> modules = MakeRef<TModules>();
  RefPtr<TModule> echo = modules->Add("test.echo", "Echo");
  EXPECT_EQ(echo->State(), msClosed);
  echo->Close();
  EXPECT_EQ(echo->State(), msClosed) << "never opened";
  EXPECT_EQ(echo->Open(""), platform::S_OK);
  EXPECT_EQ(echo->State(), msOpen);
  EXPECT_EQ(platform::GetProperty(*echo->Control(), "value"), Variant(42));
  echo->Close();
  EXPECT_EQ(echo->State(), msWasOpen);
  EXPECT_TRUE(echo->Control());
  RefPtr<TModule> byClassId = modules->Add("{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}", "Again");
  EXPECT_EQ(byClassId->Open(""), platform::S_OK);
}

TEST_F(ModulesTest, FailedOpensLeaveStateZero) {
  RefPtr<TModules> modules = MakeRef<TModules>();
  RefPtr<TModule> unknown = modules->Add("No.Such.Class", "X");
  EXPECT_EQ(unknown->Open(""), kModuleClassUnknown);
  EXPECT_EQ(unknown->State(), msClosed);
  RefPtr<TModule> remote = modules->Add("Test.Echo", "Remote");
  try {
    remote->Open("server7");
    ADD_FAILURE() << "no error";
  } catch (const platform::EOleError& e) {
    EXPECT_EQ(e.Code(), kRemoteModuleUnavailable);
  }
  EXPECT_EQ(remote->State(), msClosed);
}

TEST_F(ModulesTest, APlugInNamedByAKeyFileThatCannotLoadLeavesStateZero) {
  testing::TempFolder data{"halbrin_data_dirs"};
  data.Write("Zebrin/HalbrinLite/modules/broken.module",
             "[Module]\nProgID=Broken.Plugin\nClassID={11111111-2222-3333-4444-555555555555}\n"
             "Library=libmissing.so\n",
             testing::MakeFolders::Yes);
  testing::ScopedEnv dirs("XDG_DATA_DIRS", data.Path().string());
  ResetModuleKeyFiles();
  RefPtr<TModules> modules = MakeRef<TModules>();
  RefPtr<TModule> broken = modules->Add("broken.plugin", "B");
  EXPECT_THROW(broken->Open(""), EModuleError);
  EXPECT_EQ(broken->State(), msClosed);
}

TEST_F(ModulesTest, OnlyALibraryInsideTheKeyFilesFolderIsNamed) {
  // No library exists: a named one fails to load, one never named is an unknown class.
  const struct {
    const char* library;
    const char* outcome;
  } cases[] = {
      {"libbeside.so", "load fails"},
      {"sub/libbelow.so", "load fails"},
      {"./sub/../libround.so", "load fails"},
      {"../../../../x.so", "unknown"},
      {"../modules2/x.so", "unknown"},
      {"../modulesx.so", "unknown"},
      {"/usr/lib/x.so", "unknown"},
      {".", "unknown"},
  };
  testing::TempFolder data{"halbrin_data_dirs"};
  testing::ScopedEnv dirs("XDG_DATA_DIRS", data.Path().string());
  for (const auto& c : cases) {
    data.Write("Zebrin/HalbrinLite/modules/plugin.module",
               std::string("[Module]\nProgID=Some.Plugin\nLibrary=") + c.library + "\n", testing::MakeFolders::Yes);
    ResetModuleKeyFiles();
    RefPtr<TModules> modules = MakeRef<TModules>();
    RefPtr<TModule> module = modules->Add("Some.Plugin", "P");
    std::string outcome;
    try {
      outcome = module->Open("") == kModuleClassUnknown ? "unknown" : "opened";
    } catch (const EModuleError&) {
      outcome = "load fails";
    }
    EXPECT_EQ(outcome, c.outcome) << c.library;
    EXPECT_EQ(module->State(), msClosed) << c.library;
  }
}

TEST_F(ModulesTest, TheListFindsModulesByPositionAndName) {
  RefPtr<TModules> modules = MakeRef<TModules>();
  modules->Add("Test.Echo", "First");
  RefPtr<TModule> second = modules->Add("Test.Echo", "Second");
  EXPECT_EQ(modules->Item(Variant("second")), second);
  EXPECT_EQ(modules->Available("SECOND", 0), second);
  EXPECT_FALSE(modules->Available("SECOND", 1)) << "flags 1: the exact name";
  EXPECT_EQ(modules->Item(Variant(1)), second);
  EXPECT_EQ(second->Index(), 1);
  EXPECT_FALSE(modules->Remove(Variant("third")));
  EXPECT_TRUE(modules->Remove(Variant("first")));
  EXPECT_EQ(second->Index(), 0);
  EXPECT_TRUE(modules->Remove(Variant(0)));
  EXPECT_EQ(second->Index(), -1) << "no owner any more";
  EXPECT_EQ(modules->Length(), 0);
}

TEST_F(ModulesTest, AScriptReachesAModuleThroughTheProject) {
  testing::TempFolder scripts{"halbrin_scripts"};
  const std::string init = scripts.Write("init.js",
                                         "function main(project) {\n"
                                         "  var m = project.modules.add('Test.Echo', 'echo');\n"
                                         "  var rc = m.open('');\n"
                                         "  return rc + ':' + project.modules('ECHO').control.value + ':' + m.state;\n"
                                         "}\n");
  const Variant args[] = {Variant(RefPtr<platform::IDispatchObject>(GetApplicationProject()))};
  EXPECT_EQ(RunScriptProcedure(init, "main", args, 1), Variant("0:42:3"));
  FreeScriptControlDefaultImplementation();
}

}  // namespace
}  // namespace halbrin::app_test
