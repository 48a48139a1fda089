// The client object: the project-state gate, new ids, system information,
// the command line as parameters, and the information document.

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "core/app/client.h"
#include "core/app/command_line.h"
#include "core/app/project_info.h"
#include "core/foundation/xml_node.h"
#include "platform/automation/dispatch.h"

namespace halbrin::app_test {
namespace {

using platform::RefPtr;
using platform::Variant;

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override { InitProjectInfo(ProjectInfo()); }
  void TearDown() override {
    InitProjectInfo(ProjectInfo());
    CommandLine::Set({});
    ReleaseClient();
  }
  RefPtr<TClient> m_client = GetClient();
};

TEST_F(ClientTest, ProjectMembersAnswerOnlyWhileTheProjectIsLoaded) {
  struct Row {
    int state;
    bool loaded;
    bool running;
  } const rows[] = {{0, false, false}, {1, false, false}, {2, true, false}, {3, true, true}, {4, true, true}};
  for (const Row& row : rows) {
    ProjectInfo().state = row.state;
    SCOPED_TRACE(row.state);
    EXPECT_EQ(!platform::GetProperty(*m_client, "xml").AsString().empty(), row.loaded);
    EXPECT_EQ(platform::CallMethod(*m_client, "exec", {Variant("<control content=\"exist\" id=\"x\"/>")}).IsEmpty(),
              !row.loaded);
    EXPECT_EQ(platform::CallMethod(*m_client, "runScript",
                                   {Variant("function two() { return 2; }"), Variant("two"), Variant(), Variant(2)}),
              row.running ? Variant(2) : Variant())
        << "runScript waits until the project runs";
    for (const char* member : {"files", "variables"})
      EXPECT_EQ(platform::GetProperty(*m_client, member).IsDispatch(), row.loaded) << member;
    EXPECT_TRUE(platform::GetProperty(*m_client, "projects").IsNull());
    EXPECT_TRUE(platform::GetProperty(*m_client, "project").IsDispatch()) << "never gated";
  }
}

TEST_F(ClientTest, RunScriptRunsSourceTextOnlyOnceTheProjectRuns) {
  const std::vector<Variant> call{Variant("function f(a, b) { return a * b; }"), Variant("f"),
                                  Variant(platform::VariantArray(std::vector<Variant>{Variant(6), Variant(7)})),
                                  Variant(2)};
  ProjectInfo().state = 2;
  EXPECT_TRUE(platform::CallMethod(*m_client, "runScript", call).IsEmpty());
  ProjectInfo().state = 3;
  EXPECT_EQ(platform::CallMethod(*m_client, "runScript", call), Variant(42));
}

TEST_F(ClientTest, NewIdHasTheShapeItsFlagsAsk) {
  const std::pair<int, const char*> shapes[] = {
      {0, R"(^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$)"},
      {1, "^[0-9A-F]{32}$"},
      {2, "^[A-Za-z0-9]{16}$"},
      {3, "^[A-Z0-9]{4}(-[A-Z0-9]{4}){3}$"},
      {4, "^([b-df-hj-np-tv-z][aeiou]){4}$"},
  };
  for (const auto& [flags, shape] : shapes) {
    const std::string id = platform::CallMethod(*m_client, "newId", {Variant(flags)}).AsString();
    EXPECT_TRUE(std::regex_match(id, std::regex(shape))) << flags << ": " << id;
  }
  for (int flags = 0; flags <= 3; ++flags) {
    std::set<std::string> seen;
    for (int i = 0; i < 10000; ++i) seen.insert(TClient::NewId(flags));
    EXPECT_EQ(seen.size(), 10000u) << "flags " << flags;
  }
  EXPECT_NE(TClient::NewId(4) + TClient::NewId(4), TClient::NewId(4) + TClient::NewId(4));
}

TEST_F(ClientTest, GetInfoKeysIgnoreCase) {
  EXPECT_EQ(TClient::GetInfo(Variant("CPU")), TClient::GetInfo(Variant("cpu")));
  EXPECT_EQ(TClient::GetInfo(Variant("cpu")).AsString().size() >= 10 ? TClient::GetInfo(Variant("cpu")).AsString()[9]
                                                                     : '0',
            '0');
  EXPECT_EQ(TClient::GetInfo(Variant("WINDOWSUSERNAME")), TClient::GetInfo(Variant("windowsUserName")));
  EXPECT_FALSE(TClient::GetInfo(Variant("moduleVersion")).AsString().empty());
  EXPECT_TRUE(TClient::GetInfo(Variant(5)).IsEmpty());
  EXPECT_TRUE(TClient::GetInfo(Variant("foo")).IsNull());
}

TEST_F(ClientTest, ParametersAreTheCommandLineWithoutTheProgram) {
  CommandLine::Set({"/opt/halbrinlite", "file:/tmp/a b.txt", "use:/srv/project", "plain"});
  Variant parameters = platform::GetProperty(*m_client, "parameters");
  platform::IDispatchObject& p = *parameters.AsDispatch();
  EXPECT_EQ(platform::GetProperty(p, "length"), Variant(3));
  EXPECT_EQ(platform::CallMethod(p, "item", {Variant(1)}), Variant("/tmp/a b.txt"));
  EXPECT_EQ(platform::CallMethod(p, "item", {Variant("FILE")}), Variant("/tmp/a b.txt"));
  EXPECT_EQ(platform::CallMethod(p, "names", {Variant(2)}), Variant("use"));
  EXPECT_EQ(platform::CallMethod(p, "values", {Variant(3)}), Variant("plain"));
  EXPECT_EQ(platform::CallMethod(p, "item", {Variant(3)}), Variant("")) << "no switch name";
  EXPECT_TRUE(platform::CallMethod(p, "item", {Variant(1.5)}).IsEmpty());
}

TEST_F(ClientTest, TheInformationDocumentIsOneRecord) {
  ProjectInfo().state = 3;
  ProjectInfo().product = "Atlas & Co";
  ProjectInfo().id = "{ID}";
  ProjectInfo().version = "2.1";
  const std::string text = platform::GetProperty(*m_client, "xml").AsString();
  XmlDocument document = XmlDocument::Create();
  document.loadXML(text);
  for (const char* field : {"productId", "projectId", "projectVersion", "moduleVersion", "ieVersion",
                            "windowsVersion", "local"})
    EXPECT_TRUE(document.selectSingleNode(std::string("/recordset/record/") + field)) << field;
  EXPECT_EQ(document.selectSingleNode("/recordset/record/productId").text(), "Atlas & Co");
}

}  // namespace
}  // namespace halbrin::app_test
