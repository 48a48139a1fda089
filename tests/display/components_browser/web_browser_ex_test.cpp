// The browser component over a real view: the completed document names its
// window after the component, the window text follows the title, the
// control object reads the view, and a cancelled navigation never loads.

#include "components/browser/web_browser_ex.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "components/browser/webkit_browser_engine.h"
#include "display/web/page_fixture.h"

namespace halbrin {
namespace {

using page_testing::PageFixture;

// A browser over the fixture's view; the view stays the fixture's window's.
struct BrowserOverView {
  TWebBrowserEx browser;
  int completed = 0;
  std::string completedUri;

  explicit BrowserOverView(PageFixture& page) {
    browser.SetName("viewer");
    browser.SetPageSetupReader({});
    browser.SetEngine(std::make_unique<TWebKitBrowserEngine>(page.View()));
    browser.SetDocument(page.Host().Document(page.View()));
  }
};

// Counts completions after the browser's own naming ran.
class TCompletions : public platform::TComponent {
 public:
  explicit TCompletions(BrowserOverView& over) : m_over(over) {}
  void Complete(platform::TObject*, const platform::Variant&, const std::string& uri) {
    ++m_over.completed;
    m_over.completedUri = uri;
  }

 private:
  BrowserOverView& m_over;
};

TEST(WebBrowserView, CompletedDocumentIsNamedAfterTheComponentAndTitlesTheControl) {
  PageFixture page;
  BrowserOverView over(page);
  const std::string uri =
      page.ProjectPage("named.html", "<html><head><title>Ledger</title></head><body>ledger</body></html>");
  page.Load(uri);
  PageFixture::WaitFor([&] { return over.browser.DocumentComplete(); }, "documentcomplete");

  const platform::Variant window = platform::GetProperty(page.Document(), "defaultView");
  ASSERT_NE(window.AsDispatch(), nullptr);
  EXPECT_EQ(platform::GetProperty(*window.AsDispatch(), "name").ToText(), "viewer");
  PageFixture::WaitFor([&] { return over.browser.Text() == "Ledger"; }, "the window text to follow the title");

  auto control = over.browser.Control();
  EXPECT_EQ(platform::GetProperty(*control, "LocationURL").ToText(), uri);
  EXPECT_EQ(platform::GetProperty(*control, "ReadyState"), platform::Variant(kReadyStateComplete));
  EXPECT_EQ(over.browser.Title(), "Ledger");
}

TEST(WebBrowserView, CancelledNavigationKeepsTheDocument) {
  PageFixture page;
  BrowserOverView over(page);
  page.Load(page.ProjectPage("first.html", "<html><head><title>First</title></head></html>"));
  PageFixture::WaitFor([&] { return over.browser.DocumentComplete(); }, "the first document");

  TCompletions completions(over);
  over.browser.OnBeforeNavigate2.Clear();
  bool asked = false;
  struct TCancel : platform::TComponent {
    bool* asked = nullptr;
    void Before(platform::TObject*, const platform::Variant&, const std::string&, int, const std::string&,
                std::string&, std::string&, bool& cancel) {
      *asked = true;
      cancel = true;
    }
  } cancel;
  cancel.asked = &asked;
  over.browser.OnBeforeNavigate2.Bind(cancel, &TCancel::Before);
  over.browser.OnDocumentComplete.Bind(completions, &TCompletions::Complete);
  over.browser.SetUrl(page.ProjectPage("second.html", "<html><head><title>Second</title></head></html>"));
  PageFixture::WaitFor([&] { return asked; }, "the navigation decision");
  // A later allowed load shows the view has settled on the first document meanwhile.
  over.browser.OnBeforeNavigate2.Clear();
  const std::string third = page.ProjectPage("third.html", "<html><head><title>Third</title></head></html>");
  over.browser.SetUrl(third);
  PageFixture::WaitFor([&] { return over.completed > 0; }, "the third document");
  EXPECT_EQ(over.completed, 1);
  EXPECT_EQ(over.completedUri, third);
}

}  // namespace
}  // namespace halbrin
