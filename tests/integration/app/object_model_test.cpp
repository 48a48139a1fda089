// Runs the real program on fixture projects (tests/integration/projects):
// each start script checks one area of the object model and answers with
// its exit code, 42 (or 43) when every check passed.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/program_process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using halbrin::testing::Process;
using halbrin::testing::TempFolder;
using namespace std::chrono_literals;

class ObjectModelTest : public ::testing::Test {
 protected:
  void SetUp() override { m_env = halbrin::testing::IsolatedEnvironment(m_temp.Path()); }
  // A private copy of a fixture project; returns its folder.
  std::string Project(const std::string& name) {
    const fs::path target = m_temp.Path(name);
    fs::copy(fs::path(HALBRIN_FIXTURE_PROJECTS) / name, target, fs::copy_options::recursive);
    return target.string();
  }
  std::optional<int> Run(const std::vector<std::string>& args) {
    Process process(args, m_env, m_temp.Path("stderr.txt"));
    return process.Wait(60s);
  }
  std::string Errors() const { return halbrin::testing::ReadFile(m_temp.Path("stderr.txt")); }

  TempFolder m_temp{"halbrin-om", "/tmp"};
  std::vector<std::string> m_env;
};

TEST_F(ObjectModelTest, TheStartScriptReachesTheWholeObjectModel) {
  const std::string folder = Project("model");
  EXPECT_EQ(Run({"file:" + folder + "/greeting.txt", "use:" + folder}), 42) << Errors();
}

TEST_F(ObjectModelTest, VariablesSavedByOneStartAreReadByTheNext) {
  const std::string folder = Project("variables");
  ASSERT_EQ(Run({"phase:save", "use:" + folder}), 42) << Errors();
  const std::string saved = halbrin::testing::ReadFile(folder + "/state.xml");
  EXPECT_NE(saved.find("encoding=\"windows-1251\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\xA8\xEB\xEA\xE0"), std::string::npos) << "the tree's name in windows-1251 bytes";
  EXPECT_EQ(Run({"phase:load", "use:" + folder}), 43) << Errors();
}

struct FilesCase {
  const char* descriptor;  // project.info
  const char* bytes;       // the text as it lies on disk
};

TEST_F(ObjectModelTest, FilesAreWrittenAndReadInTheProjectsCodePage) {
  const FilesCase cases[] = {
      {"name=Files\n", "\xA8\xEB\xEA\xE0"},
      {"name=Files\nencoding=utf-8\n", "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0"},
  };
  for (const FilesCase& c : cases) {
    fs::remove_all(m_temp.Path("files"));
    const std::string folder = Project("files");
    halbrin::testing::WriteFile(folder + "/project.info", c.descriptor);
    EXPECT_EQ(Run({"use:" + folder}), 42) << c.descriptor << Errors();
    EXPECT_EQ(halbrin::testing::ReadFile(folder + "/out/tree.txt"), c.bytes) << c.descriptor;
  }
}

TEST_F(ObjectModelTest, TheStartScriptReadsTheFontsAndLoadsASkinFile) {
  const std::string folder = Project("skins");
  // The theme library the skin file names, beside it.
  fs::copy_file(HALBRIN_THEME_OK, folder + "/skins/libtheme_ok.so");
  EXPECT_EQ(Run({"use:" + folder}), 42) << Errors();
}

TEST_F(ObjectModelTest, AModuleComesFromALibraryItsKeyFileNames) {
  const fs::path modules = m_temp.Path("share") + "/Zebrin/HalbrinLite/modules";
  fs::create_directories(modules);
  fs::copy_file(HALBRIN_ECHO_MODULE, modules / "libecho.so");
  m_temp.Write("share/Zebrin/HalbrinLite/modules/echo.module",
               "[Module]\nProgID=Test.Echo\nClassID={6F3C1A52-9D1E-4E51-8C2B-0E5A7D4B3F21}\nLibrary=libecho.so\n");
  m_env.push_back("XDG_DATA_DIRS=" + m_temp.Path("share"));
  const std::string folder = Project("modules");
  EXPECT_EQ(Run({"use:" + folder}), 42) << Errors();
}

}  // namespace
