// The program's "download" type word: a start script fetches from the
// loopback test server without `async`, its "progress" and "complete"
// bindings run in actions.js, and the file and the result land in the
// project folder.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/http_test_server.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace {

using halbrin::testing::HttpTestServer;
using halbrin::testing::Process;
using halbrin::testing::TempFolder;
using namespace std::chrono_literals;

constexpr const char* kStartScript =
    "function main(project) {\n"
    "  client.exec('<control type=\"download\" id=\"Fetch\" async=\"false\" userAgent=\"\">' +\n"
    "              '<events><onprogress xml=\"counted\"/><oncomplete xml=\"done\"/></events></control>');\n"
    "  var fetch = client.components.item('Fetch');\n"
    "  fetch.url = client.interpret('<#project attribute=url>');\n"
    "  fetch.fileName = 'got\\\\data.txt';\n"
    "  var code = fetch.exec('download');\n"
    "  client.files.save('code ' + code + ', text ' + fetch.text + ', status ' + fetch.responseCode + '\\n',\n"
    "                    project.folder + 'result.txt');\n"
    "  return code == 0 ? 42 : 1;\n"
    "}\n";

constexpr const char* kActions =
    "function counted(name, progress, max, status) {\n"
    "  var v = client.variables;\n"
    "  if (status == 5) v.exists('chunks', 0) ? (v.item('chunks').Value = v.values('chunks') + 1) : v.add('chunks', 1);\n"
    "}\n"
    "function done(name, code) {\n"
    "  client.files.save(name + ' ' + code + ' after ' + client.variables.values('chunks') + ' chunk(s)\\n',\n"
    "                    client.project.folder + 'complete.txt');\n"
    "}\n";

TEST(DownloadProgramTest, AStartScriptDownloadsIntoTheProjectFolder) {
  HttpTestServer server({{"/data.txt", HttpTestServer::Answer::Of("served text", "text/plain; charset=utf-8")}});
  TempFolder temp("halbrin-download", "/tmp");
  const std::vector<std::string> env = halbrin::testing::IsolatedEnvironment(temp.Path());
  temp.Write("project/project.info", "name=Fetch\nscript=init\nencoding=utf-8\nurl=" + server.Uri("/data.txt") + "\n",
             halbrin::testing::MakeFolders::Yes);
  temp.Write("project/scripts/init.js", kStartScript, halbrin::testing::MakeFolders::Yes);
  temp.Write("project/scripts/actions.js", kActions);
  Process process({"use:" + temp.Path("project")}, env, temp.Path("stderr.txt"));
  EXPECT_EQ(process.Wait(60s), 42) << halbrin::testing::ReadFile(temp.Path("stderr.txt"));
  EXPECT_EQ(halbrin::testing::ReadFile(temp.Path("project/got/data.txt")), "served text");
  EXPECT_EQ(halbrin::testing::ReadFile(temp.Path("project/result.txt")), "code 0, text served text, status 200\n");
  EXPECT_EQ(halbrin::testing::ReadFile(temp.Path("project/complete.txt")), "Fetch 0 after 1 chunk(s)\n");
  const std::vector<HttpTestServer::Request> requests = server.RequestsFor("/data.txt");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("User-Agent").value_or("").rfind("HalbrinLite/", 0), 0u);
}

}  // namespace
