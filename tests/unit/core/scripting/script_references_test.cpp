#include "core/scripting/script_references.h"

#include "core/foundation/paths.h"
#include "fixtures/script_test_support.h"

namespace halbrin::scripting_test {
namespace {

using ScriptReferences = ScriptHostTest;

TEST_F(ScriptReferences, NamesResolveAgainstTheProjectOrTheApplication) {
  const std::string project = ProjectFolder();
  const std::string app = ApplicationFolder();
  const struct {
    const char* reference;
    std::string expected;
  } rows[] = {
      {"init", project + "scripts/init.js"},
      {"init.js", project + "scripts/init.js"},
      {"a.vbs", project + "scripts/a.vbs"},
      {"lib/x", project + "lib/x.js"},
      {"lib\\x", project + "lib/x.js"},
      {"lib/./deep/../x.txt", project + "lib/x.txt"},
      {"../shared/x", ParentFolder(project) + "shared/x.js"},
      {"/opt/tools/run", "/opt/tools/run.js"},
      {"<util>", app + "scripts/util.js"},
      {"<lib/util>", app + "lib/util.js"},
      {"<lib\\util.jsx>", app + "lib/util.jsx"},
      {"<init", project + "scripts/<init.js"},
  };
  for (const auto& row : rows) EXPECT_EQ(ResolveScriptReference(row.reference), row.expected) << row.reference;
}

TEST_F(ScriptReferences, ParsingTellsTheApplicationRelativeOnes) {
  ScriptReference bracketed = ParseScriptReference("<tools>");
  EXPECT_EQ(bracketed.name, "tools");
  EXPECT_TRUE(bracketed.applicationRelative);
  ScriptReference plain = ParseScriptReference("tools");
  EXPECT_EQ(plain.name, "tools");
  EXPECT_FALSE(plain.applicationRelative);
  EXPECT_EQ(ResolveScriptFileName("tools", true), ApplicationFolder() + "scripts/tools.js");
  EXPECT_EQ(ResolveScriptFileName("tools", false), ProjectFolder() + "scripts/tools.js");
}

TEST_F(ScriptReferences, CheckScriptFileTellsAMissingFileOrRaises) {
  const std::string present = Script("here.js", "var x;");
  const std::string missing = ProjectFolder() + "scripts/gone.js";
  EXPECT_FALSE(CheckScriptFile(present));
  EXPECT_FALSE(CheckScriptFile(present, "Script file not found: \"%s\""));
  EXPECT_TRUE(CheckScriptFile(missing));
  EXPECT_TRUE(CheckScriptFile(ProjectFolder() + "scripts"));  // a folder is no script file
  EXPECT_EQ(MessageOf([&] { CheckScriptFile(missing, "Script file not found: \"%s\""); }),
            "Script file not found: \"" + missing + "\"");
}

}  // namespace
}  // namespace halbrin::scripting_test
