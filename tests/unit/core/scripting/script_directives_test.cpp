#include "fixtures/script_test_support.h"

namespace halbrin::scripting_test {
namespace {

using platform::JscEngine;

class ScriptDirectives : public ScriptHostTest {
 protected:
  // Runs init.js's main() and returns its result as text.
  std::string RunMain() { return RunScriptProcedure("init", "main", {}).ToText(); }
};

TEST_F(ScriptDirectives, NestedIncludesAreAddedFirstAndCounted) {
  Script("init.js", "//include a\nfunction main() { return a.fa() + ':' + b.fb(); }\n");
  Script("a.js", "//include b\nclient.log('a');\nfunction fa() { return 'a' + b.fb(); }\n");
  Script("b.js", "client.log('b');\nfunction fb() { return 'b'; }\n");
  EXPECT_EQ(RunMain(), "ab:b");
  EXPECT_EQ(m_client->m_log, (std::vector<std::string>{"b", "a"}));

  TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
  TScriptControl engine(nullptr, defaults.VirtualMachine(), kScriptTransient);
  engine.OnGetSource().Bind(defaults, &TScriptControlDefaultImplementation::DoGetSource);
  defaults.AddObjectsTo(engine);
  TScriptCode code;
  code.SetText("//include a\n");
  EXPECT_EQ(engine.ProcessDirectives(code), 2);
  EXPECT_EQ(engine.Modules(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ScriptDirectives, AnIncludeNamedTwiceIsLoadedOnce) {
  Script("init.js", "//include a\n//include a\n//include lib/../scripts/a\nfunction main() { return a.fa(); }\n");
  Script("a.js", "client.log('loaded');\nfunction fa() { return 'fa'; }\n");
  EXPECT_EQ(RunMain(), "fa");
  EXPECT_EQ(m_client->m_log.size(), 1u);
}

// Modules are their files: names that differ in letter case, or the same name
// in the project and in the application folder, are different modules.
TEST_F(ScriptDirectives, ModulesAreToldApartByTheirFiles) {
  struct Row {
    const char* what;
    bool cached;
    const char* script;
    const char* directives;
    const char* expected;
  } const rows[] = {
      {"letter case, uncached", false, "case_uncached", "//include lib\n//include Lib\n", "lower,upper"},
      {"letter case, cached", true, "case_cached", "//include lib\n//include Lib\n", "lower,upper"},
      {"project and application, cached", true, "folders_cached", "//include lib\n//include <lib>\n",
       "lower,app"},
  };
  Script("lib.js", "client.log('lower');\n");
  Script("Lib.js", "client.log('upper');\n");
  ApplicationScript("lib.js", "client.log('app');\n");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SetTransientScripts(!row.cached);
    Script(std::string(row.script) + ".js", std::string(row.directives) + "function main() {}\n");
    m_client->m_log.clear();
    RunScriptProcedure(row.script, "main", {});
    std::string loaded;
    for (const std::string& line : m_client->m_log) loaded += (loaded.empty() ? "" : ",") + line;
    EXPECT_EQ(loaded, row.expected);
  }
}

TEST_F(ScriptDirectives, AnIncludeOfAFileThatIsOnlyThereInAnotherLetterCaseIsMissing) {
  Script("init.js", "//include a\n//include A\nfunction main() {}\n");
  Script("a.js", "function fa() {}\n");
  EXPECT_EQ(MessageOf([&] { RunMain(); }),
            "Include script file not found: \"" + ProjectFolder() + "scripts/A.js\"");
}

TEST_F(ScriptDirectives, TheScanStopsAtEndAndSeesOnlyColumnOne) {
  Script("init.js",
         "//include a\n"
         " //include b\n"
         "\t//include b\n"
         "//END   \n"
         "//include c\n"
         "function main() { return [typeof a, typeof b, typeof c].join(); }\n");
  Script("a.js", "function fa() {}\n");
  Script("b.js", "function fb() {}\n");
  Script("c.js", "function fc() {}\n");
  EXPECT_EQ(RunMain(), "object,undefined,undefined");
}

TEST_F(ScriptDirectives, DirectiveWordsIgnoreLetterCaseAndBlanks) {
  Script("init.js", "//INCLUDE    a\n//Require\tb   \n//include\nfunction main() { return a.fa() + b.fb(); }\n");
  Script("a.js", "function fa() { return 'A'; }\n");
  Script("b.js", "function fb() { return 'B'; }\n");
  EXPECT_EQ(RunMain(), "AB");
}

TEST_F(ScriptDirectives, MissingFilesRaiseForIncludeAndImportButNotForRequire) {
  Script("include.js", "//include gone\nfunction main() {}\n");
  Script("import.js", "//import gone\nfunction main() {}\n");
  Script("require.js", "//require gone\nfunction main() { return typeof gone; }\n");
  const std::string gone = ProjectFolder() + "scripts/gone.js";
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("include", "main", {}); }),
            "Include script file not found: \"" + gone + "\"");
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("import", "main", {}); }),
            "Import script file not found: \"" + gone + "\"");
  EXPECT_EQ(RunScriptProcedure("require", "main", {}).ToText(), "undefined");
  EXPECT_EQ(LiveEngines(), 0);
}

TEST_F(ScriptDirectives, AnIncludeCycleEnds) {
  Script("init.js", "//include a\nfunction main() { return a.fa() + b.fb(); }\n");
  Script("a.js", "//include b\nfunction fa() { return 'a'; }\n");
  Script("b.js", "//include a\n//include init\nfunction fb() { return 'b'; }\n");
  EXPECT_EQ(RunMain(), "ab");
}

TEST_F(ScriptDirectives, ModulesComeFromTheApplicationAndOtherFolders) {
  Script("init.js", "//include <util>\n//import lib/tool\nfunction main() { return util.name() + tool.name(); }\n");
  ApplicationScript("util.js", "function name() { return 'util'; }\n");
  ProjectFile("lib/tool.js", "function name() { return '+tool'; }\n");
  EXPECT_EQ(RunMain(), "util+tool");
}

TEST_F(ScriptDirectives, ModulesSeeTheNamedObjectsAndTheMainCode) {
  Script("init.js", "//include a\nfunction helper() { return 'h'; }\nfunction main() { return a.fa(); }\n");
  Script("a.js", "function fa() { return helper() + client.caption + folder.length; }\n");
  EXPECT_EQ(RunMain(), "hTest" + std::to_string(ProjectFolder().size()));
}

TEST_F(ScriptDirectives, AnErrorInAnIncludedFileNamesThatFile) {
  Script("init.js", "//include lib\n\nfunction main() {\n  return lib.broken();\n}\n");
  const std::string lib = Script("lib.js", "function broken() {\n  var x = 1;\n  return missing.value;\n}\n");
  try {
    RunMain();
    FAIL() << "no error";
  } catch (const EScriptControl& e) {
    EXPECT_EQ(e.FileName(), lib);
    EXPECT_EQ(e.Line(), 3);
    EXPECT_GT(e.Column(), 0);
    EXPECT_EQ(e.Message(), "Can't find variable: missing in \"" + lib + "\" at line: 3, position: " +
                               std::to_string(e.Column()));
  }
  const std::string bad = Script("bad.js", "function ok() {}\n\nvar = 2;\n");
  Script("uses_bad.js", "//include bad\nfunction main() {}\n");
  try {
    RunScriptProcedure("uses_bad", "main", {});
    FAIL() << "no error";
  } catch (const EScriptControl& e) {
    EXPECT_EQ(e.FileName(), bad);
    EXPECT_EQ(e.Line(), 3);
  }
  EXPECT_EQ(LiveEngines(), 0);
}

TEST_F(ScriptDirectives, CachedSourcesAreKeptAndAMissingRequireIsRemembered) {
  SetTransientScripts(false);
  Script("first.js", "//include shared\n//require optional\nfunction main() { return shared.v(); }\n");
  Script("second.js", "//include shared\n//require optional\nfunction main() { return shared.v() + typeof optional; }\n");
  const std::string shared = Script("shared.js", "function v() { return 'v1'; }\n");
  EXPECT_EQ(RunScriptProcedure("first", "main", {}).ToText(), "v1");
  // The cached source wins over the changed file, and the missing require stays missing.
  Script("shared.js", "function v() { return 'v2'; }\n");
  Script("optional.js", "function o() {}\n");
  EXPECT_EQ(RunScriptProcedure("second", "main", {}).ToText(), "v1undefined");
  TScriptCache& cache = GetScriptControlDefaultImplementation().Cache();
  ASSERT_NE(cache.Find(shared), nullptr);
  EXPECT_EQ(cache.Find(shared)->Indent(), siInclude);
  EXPECT_EQ(cache.Find(ProjectFolder() + "scripts/SHARED.js"), nullptr);
  const std::string optional = ProjectFolder() + "scripts/optional.js";
  ASSERT_NE(cache.Find(optional), nullptr);
  EXPECT_EQ(cache.Find(optional)->Indent(), siNone);
}

}  // namespace
}  // namespace halbrin::scripting_test
