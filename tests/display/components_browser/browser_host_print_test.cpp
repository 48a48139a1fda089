#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "components/browser/browser_host.h"
#include "components/browser/webkit_browser_engine.h"
#include "display/web/page_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace halbrin {
namespace {

using page_testing::PageFixture;

// The text pdftotext finds in a PDF file; "" when the tool is missing.
std::string PdfText(const std::string& file) {
  const std::string command = "pdftotext -layout '" + file + "' - 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
  std::string text;
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) text += buffer;
  return text;
}

bool HavePdfToText() { return std::system("command -v pdftotext >/dev/null 2>&1") == 0; }

// A host over the fixture's real view; the view stays the fixture's window's.
struct HostOverView {
  TBrowserHost host;
  TWebKitBrowserEngine* engine = nullptr;

  explicit HostOverView(PageFixture& page) {
    host.SetPageSetupReader({});
    auto real = std::make_unique<TWebKitBrowserEngine>(page.View());
    engine = real.get();
    host.SetEngine(std::move(real));
  }
};

TEST(BrowserHostPrint, SilentPrintWritesAPdfHoldingThePageText) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  PageFixture page;
  HostOverView view(page);
  page.Load(page.ProjectPage("report.html",
                             "<html><body><h1>Quarterly numbers</h1><p>Turnover 4711 crowns</p></body></html>"));

  const std::string pdf = page.Project() + "/report.pdf";
  view.host.PrintOptions()->SetOrientation(poLandscape);
  bool finished = false;
  std::string error = "not finished";
  {
#if defined(__SANITIZE_ADDRESS__)
  // GTK's print-to-file backend loses the output stream of a finished job
  // (inside the backend module, whose frames the fast unwinder cannot follow).
  __lsan::ScopedDisabler printBackendLeaks;
#endif
  view.host.Print(pdf, [&](const std::string& message) {
    error = message;
    finished = true;
  });
  PageFixture::WaitFor([&] { return finished; }, "the print job to finish");
  }
  ASSERT_EQ(error, "");
  ASSERT_TRUE(std::filesystem::exists(pdf));
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("Quarterly numbers"), std::string::npos) << text;
  EXPECT_NE(text.find("Turnover 4711 crowns"), std::string::npos) << text;
}

TEST(BrowserHostPrint, TheUserAgentTokenFollowsTheEnginesOwn) {
  PageFixture page;
  HostOverView view(page);
  const std::string plain = view.engine->UserAgent();
  view.host.SetUserAgent("Zebrin/2.5");
  const std::string agent = view.engine->UserAgent();
  EXPECT_NE(agent.find("Zebrin/2.5"), std::string::npos) << agent;
  EXPECT_EQ(agent.rfind(plain, 0), 0u) << "added after the engine's own: " << agent;

  page.Load(page.ProjectPage("agent.html", "<html><body>agent</body></html>"));
  platform::RefPtr<platform::IDispatchObject> window = platform::GetProperty(page.Document(), "defaultView").ToDispatch();
  ASSERT_TRUE(window);
  platform::RefPtr<platform::IDispatchObject> navigator = platform::GetProperty(*window, "navigator").ToDispatch();
  ASSERT_TRUE(navigator);
  EXPECT_NE(platform::GetProperty(*navigator, "userAgent").ToText().find("Zebrin/2.5"), std::string::npos);

  view.host.SetUserAgent("");
  EXPECT_EQ(view.engine->UserAgent(), plain);
}

}  // namespace
}  // namespace halbrin

#if defined(__SANITIZE_ADDRESS__)
// Linked with the core runtime, this program's first web view leaves a few
// JavaScriptCore blocks behind even with no host attached (a bare page
// fixture shows it); they are not the host's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libjavascriptcoregtk-4.1.so\n"; }
#endif
