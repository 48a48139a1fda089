#include "web/browser/page_access_rule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace halbrin {
namespace {

// root/project/ (the project), root/app/ (the application folder), and
// neighbours a careless prefix test or a link would let in.
class PageAccessRuleTest : public ::testing::Test {
 protected:
  PageAccessRuleTest() {
    m_root.Write("project/in.html", "", testing::MakeFolders::Yes);
    m_root.Write("project/sub folder/in.html", "", testing::MakeFolders::Yes);
    m_root.Write("project-other/in.html", "", testing::MakeFolders::Yes);
    m_root.Write("outside/out.html", "", testing::MakeFolders::Yes);
    m_root.Write("app/pages/about.html", "", testing::MakeFolders::Yes);
    std::filesystem::create_directory_symlink(m_root.Path("outside"), m_root.Path("project/link"));
    std::filesystem::create_symlink(m_root.Path("project/in.html"), m_root.Path("outside/to-project.html"));
    m_rule.SetProjectFolder(m_root.Path("project") + "/");
    m_rule.SetApplicationFolder(m_root.Path("app"));
  }

  // A file: URI of a path under the root, written as given (no normalising).
  std::string Uri(const std::string& relative) const { return "file://" + m_root.Path().string() + "/" + relative; }

  testing::TempFolder m_root{"halbrin_rule"};
  PageAccessRule m_rule;
};

struct RuleCase {
  const char* uri;       // "~/" stands for the root folder's file: URI
  const char* followed;  // the same, for about:blank and srcdoc frames
  bool granted;
};

TEST_F(PageAccessRuleTest, GrantsOnlyRealPathsInsideTheProjectOrApplicationFolder) {
  const RuleCase cases[] = {
      {"~/project/in.html", "", true},
      {"~/project/sub%20folder/in.html", "", true},
      {"~/project/in.html?x=1#top", "", true},
      {"~/app/pages/about.html", "", true},
      {"~/outside/../project/in.html", "", true},
      {"~/outside/to-project.html", "", true},  // a link from outside to a project file
      {"~/outside/out.html", "", false},
      {"~/project-other/in.html", "", false},  // shares the prefix without the "/"
      {"~/project/../outside/out.html", "", false},
      {"~/project/link/out.html", "", false},
      {"~/project/missing.html", "", false},
      {"about:blank", "~/project/in.html", true},
      {"about:srcdoc", "~/project/in.html", true},
      {"", "~/project/in.html", true},
      {"about:blank", "~/outside/out.html", false},
      {"about:blank", "", false},
      {"about:blank", "about:blank", false},
      {"data:text/html,<p>x</p>", "", false},
      {"blob:file:///x", "", false},
      {"http://127.0.0.1/project/in.html", "", false},
      {"https://example.invalid/", "", false},
  };
  auto expand = [this](std::string text) {
    if (text.rfind("~/", 0) == 0) text = Uri(text.substr(2));
    return text;
  };
  for (const RuleCase& c : cases)
    EXPECT_EQ(m_rule.Grants(expand(c.uri), expand(c.followed)), c.granted) << c.uri << " following " << c.followed;
}

TEST_F(PageAccessRuleTest, AFileOnAnotherHostIsNotLocal) {
  const std::string path = m_root.Path("project/in.html");
  EXPECT_TRUE(m_rule.Grants("file://localhost" + path, ""));
  EXPECT_TRUE(m_rule.Grants("FILE://" + path, ""));
  EXPECT_FALSE(m_rule.Grants("file://elsewhere" + path, ""));
}

TEST_F(PageAccessRuleTest, AnEmptyFolderGrantsNothing) {
  PageAccessRule rule;
  EXPECT_FALSE(rule.Grants(Uri("project/in.html"), ""));
  rule.SetProjectFolder(m_root.Path("project"));
  EXPECT_TRUE(rule.Grants(Uri("project/in.html"), ""));
  EXPECT_FALSE(rule.Grants(Uri("app/pages/about.html"), ""));
}

}  // namespace
}  // namespace halbrin
