// The browser component over a fake view: its exec words, the script events
// and what their answers do, the defaults it plugs into the host's events,
// url_ and firstShow, relative addresses, the order of the view's reports,
// the optical zoom clamp, document commands from scripts, the control object
// and registration.

#include "components/browser/web_browser_ex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "components/forms/control_skin_ex.h"
#include "core/foundation/text_files.h"
#include "core/framework/component_types.h"
#include "core/framework/component_wrappers.h"
#include "platform/classes/property_access.h"
#include "core/scripting/script_defaults.h"
#include "fake_browser_engine.h"
#include "unit/core/app/fixtures/application_test_support.h"
#include "unit/components/forms/form_ex_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::DispId;
using platform::DispParams;
using platform::IDispatchObject;
using platform::RefPtr;
using test::FakeBrowserEngine;
using test::FakeBrowserEngineLog;

// A late-bound object that keeps what is written to it and answers it back;
// a method answers the value stored under its name.
class TBag final : public IDispatchObject {
 public:
  platform::HResult GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) override {
    auto it = std::find(m_names.begin(), m_names.end(), names[0]);
    if (it == m_names.end()) it = m_names.insert(m_names.end(), names[0]);
    ids[0] = static_cast<DispId>(it - m_names.begin()) + 1;
    return platform::S_OK;
  }
  platform::HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result,
                           platform::ExcepInfo*) override {
    const std::string& name = m_names.at(static_cast<std::size_t>(id - 1));
    if (kind & platform::DISPATCH_PROPERTYPUT) {
      values[name] = params.args.at(0);
      return platform::S_OK;
    }
    if (result) *result = values.count(name) ? values[name] : Variant();
    return platform::S_OK;
  }
  std::map<std::string, Variant> values;

 private:
  std::vector<std::string> m_names;
};

const Variant& Item(const Variant& array, std::size_t index) { return array.AsArray().Items().at(index); }

class WebBrowserTest : public FormExTestBase {
 protected:
  WebBrowserTest() {
    form.SetName("Main");
    form.SetBounds(0, 0, 300, 200);
    form.HandleNeeded();
  }
  // A browser on the form with a fake view behind it.
  TWebBrowserEx& Browser(const std::string& name = "browser1") {
    auto& browser = platform::MakeComponent<TWebBrowserEx>(m_hooks.root);
    browser.SetName(name);
    browser.SetParent(&form);
    browser.SetPageSetupReader({});
    auto fake = std::make_unique<FakeBrowserEngine>(log);
    engine = fake.get();
    browser.SetEngine(std::move(fake));
    return browser;
  }
  IBrowserEngineListener& View() const { return *engine->Listener(); }
  // Answers every script call with `value`.
  void Answer(Variant value) {
    m_hooks.answer = [value](const ScriptCall&) { return value; };
  }
  // The document with a window, as the page channel gives it.
  RefPtr<TBag> Document() {
    auto document = platform::MakeRef<TBag>();
    window = platform::MakeRef<TBag>();
    document->values["defaultView"] = Variant(RefPtr<IDispatchObject>(window));
    document->values["title"] = Variant("Page title");
    return document;
  }
  bool Navigate(const std::string& uri) {
    TNavigationPolicy policy;
    policy.uri = uri;
    View().EngineDecidePolicy(policy);
    return !policy.ignore;
  }

  platform::TWinControl& form = platform::MakeComponent<platform::TWinControl>(m_hooks.root);
  FakeBrowserEngineLog log;
  FakeBrowserEngine* engine = nullptr;
  RefPtr<TBag> window;
};

TEST_F(WebBrowserTest, StartsHiddenWithThePublishedDefaults) {
  TWebBrowserEx& browser = Browser();
  EXPECT_EQ(browser.GetTypeName(), "webbrowser");
  EXPECT_FALSE(browser.Visible());
  EXPECT_EQ(browser.Width(), 0);
  EXPECT_TRUE(browser.AsObject());
  EXPECT_TRUE(browser.AutoTitle());
  EXPECT_TRUE(browser.FirstShow());
  EXPECT_EQ(browser.OpticalZoom(), 100);
  EXPECT_EQ(platform::GetPropValue(browser, *browser.ClassInfo().FindProperty("currentViewMode")), Variant(0));
  EXPECT_EQ(browser.UserInterfaceOptions(), (1u << NO3DBORDER) | (1u << ENABLE_FORMS_AUTOCOMPLETE) |
                                                (1u << THEME) | (1u << NO3DOUTERBORDER));
  // Without a document the document's properties read empty and ignore writes.
  browser.SetDesignMode(true);
  EXPECT_FALSE(browser.DesignMode());
  EXPECT_EQ(browser.Title(), "");
  EXPECT_FALSE(browser.Modified());
}

TEST_F(WebBrowserTest, ExecWordsTable) {
  struct ExecCase {
    const char* word;
    bool skinned;
    Variant result;
    std::function<bool(TWebBrowserEx&, const FakeBrowserEngineLog&)> done;
  } const cases[] = {
      {"Refresh", false, true, [](auto&, auto& l) { return l.reloads.size() == 1; }},
      {"back", false, true, [](auto&, auto& l) { return l.history == std::vector<int>{-1}; }},
      {"FORWARD", false, true, [](auto&, auto& l) { return l.history == std::vector<int>{1}; }},
      {"stop", false, true, [](auto&, auto& l) { return l.stops == 1; }},
      {"new", false, true, [](auto&, auto& l) { return l.loads == std::vector<std::string>{"about:blank"}; }},
      {"show", false, true, [](auto& b, auto&) { return b.Visible(); }},
      {"hide", false, true, [](auto& b, auto&) { return !b.Visible(); }},
      {"copy", false, true, [](auto&, auto& l) { return l.editingCommands == std::vector<std::string>{kEditCopy}; }},
      {"selectAll", false, true,
       [](auto&, auto& l) { return l.editingCommands == std::vector<std::string>{kEditSelectAll}; }},
      {"find", false, true, [](auto&, auto& l) { return l.finds.size() == 1; }},
      {"clearcache", false, true, [](auto&, auto& l) { return l.cacheClears == 1; }},
      {"pagesetup", false, true, [](auto&, auto& l) { return l.pageSetups.size() == 1; }},
      {"printsetup", false, true, [](auto&, auto& l) { return l.prints.size() == 1; }},
      {"minimize", false, false, [](auto& b, auto&) { return b.PeekSkin() == nullptr; }},
      {"restore", false, false, [](auto& b, auto&) { return b.PeekSkin() == nullptr; }},
      {"close", false, false, [](auto& b, auto&) { return b.PeekSkin() == nullptr; }},
      {"minimize", true, true, [](auto& b, auto&) { return b.PeekSkin()->IsMinimized(); }},
      {"kill", false, true, [](auto&, auto& l) { return l.reloads.size() == 1; }},
      {"navigate", false, false, [](auto&, auto& l) { return l.loads.empty(); }},
      {"", false, false, [](auto&, auto&) { return true; }},
  };
  for (const ExecCase& c : cases) {
    SCOPED_TRACE(std::string("word \"") + c.word + "\"" + (c.skinned ? " with a skin" : ""));
    log = {};
    TWebBrowserEx& browser = Browser();
    browser.SetBounds(0, 0, 200, 150);
    browser.Show();
    if (c.skinned) {
      browser.SetAlign(platform::alLeft);
      browser.Skin()->Caption()->Add().Metrics()->SetSize(20);
      browser.Skin()->SetEnabled(true);
    }
    browser.SetExec(Variant(c.word));
    EXPECT_EQ(browser.GetExec(), c.result);
    EXPECT_TRUE(c.done(browser, log));
    TComponent::Free(browser);
  }
}

TEST_F(WebBrowserTest, ScrollAndSaveGoThroughTheDocument) {
  TWebBrowserEx& browser = Browser();
  auto document = Document();
  browser.SetDocument(document);
  browser.SetExec(Variant("scrolltobottom"));
  // The bag answers a method with what it holds under that name: nothing, but the call arrived.
  EXPECT_EQ(browser.GetExec(), Variant(true));

  const std::string path = ::testing::TempDir() + "browser_save.html";
  auto root = platform::MakeRef<TBag>();
  root->values["outerHTML"] = Variant("<html><body>saved</body></html>");
  document->values["documentElement"] = Variant(RefPtr<IDispatchObject>(root));
  browser.SetFileName(path);
  browser.SetExec(Variant("save"));
  EXPECT_EQ(LoadTextFromFile(path), "<html><body>saved</body></html>");
}

TEST_F(WebBrowserTest, BeforeNavigateAnswerDecidesTheNavigation) {
  struct Case {
    const char* name;
    Variant answer;
    bool navigates;
  } const cases[] = {
      {"True cancels", true, false},
      {"False lets it go", false, true},
      {"nothing lets it go", Variant(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_hooks.calls.clear();
    TWebBrowserEx& browser = Browser();
    browser.SetHeaders("X-Test: 1\r\n");
    Bind(browser, "onbeforenavigate2");
    Answer(c.answer);
    EXPECT_EQ(Navigate("http://example.test/a"), c.navigates);
    ASSERT_EQ(m_hooks.calls.size(), 1u);
    const Variant& data = m_hooks.calls[0].parameters;
    EXPECT_EQ(Item(data, 0), Variant("browser1"));
    EXPECT_NE(Item(data, 1).AsDispatch(), nullptr);
    EXPECT_EQ(Item(data, 2), Variant("http://example.test/a"));
    // The post data is not available; the headers are the browser's own.
    EXPECT_TRUE(Item(data, 5).IsEmpty());
    EXPECT_EQ(Item(data, 6), Variant("X-Test: 1\r\n"));
    TComponent::Free(browser);
  }
}

TEST_F(WebBrowserTest, TranslateUrlAnswer) {
  struct Case {
    Variant answer;
    std::vector<std::string> loads;
  } const cases[] = {
      {Variant("http://example.test/other"), {"http://example.test/other"}},
      {Variant("http://example.test/a"), {}},
      {Variant(""), {}},
      {Variant(), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.IsString() ? c.answer.AsString() : "(nothing)");
    log = {};
    TWebBrowserEx& browser = Browser();
    Bind(browser, "ontranslateurl");
    Answer(c.answer);
    EXPECT_EQ(Navigate("http://example.test/a"), c.loads.empty());
    EXPECT_EQ(log.loads, c.loads);
    TComponent::Free(browser);
  }
}

TEST_F(WebBrowserTest, ContextMenuDefaultsAndScriptAnswer) {
  struct Case {
    const char* name;
    bool bound;
    Variant answer;
    bool control, editable;
    bool suppressed;
  } const cases[] = {
      {"plain right click", false, Variant(), false, false, true},
      {"with Ctrl", false, Variant(), true, false, false},
      {"in a text field", false, Variant(), false, true, false},
      {"script answers nothing", true, Variant(), true, true, true},
      {"script answers 0", true, Variant(0), false, false, true},
      {"script answers 1", true, Variant(1), false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_hooks.calls.clear();
    TWebBrowserEx& browser = Browser();
    if (c.bound) Bind(browser, "onshowcontextmenu");
    Answer(c.answer);
    TContextMenuRequest request;
    request.x = 5;
    request.y = 7;
    request.control = c.control;
    request.editable = c.editable;
    EXPECT_EQ(View().EngineContextMenu(request), c.suppressed);
    if (c.bound) {
      ASSERT_EQ(m_hooks.calls.size(), 1u);
      EXPECT_EQ(Item(m_hooks.calls[0].parameters, 1), Variant(c.editable ? 2 : 0));
      EXPECT_EQ(Item(m_hooks.calls[0].parameters, 2), Variant(5));
      EXPECT_EQ(Item(m_hooks.calls[0].parameters, 3), Variant(7));
    }
    TComponent::Free(browser);
  }
}

TEST_F(WebBrowserTest, RefreshAnswerCancelsTheReload) {
  for (const bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "cancelled" : "let through");
    TWebBrowserEx& browser = Browser();
    Bind(browser, "onrefresh");
    Answer(Variant(cancel));
    TNavigationPolicy policy;
    policy.uri = "http://example.test/a";
    policy.reload = true;
    View().EngineDecidePolicy(policy);
    EXPECT_EQ(policy.ignore, cancel);
    TComponent::Free(browser);
  }
}

TEST_F(WebBrowserTest, DocumentCompleteFiresOncePerLoadAndNamesTheWindow) {
  TWebBrowserEx& browser = Browser();
  auto document = Document();
  browser.SetDocument(document);
  Bind(browser, "ondocumentcomplete");
  auto control = browser.Control();
  EXPECT_EQ(platform::GetProperty(*control, "ReadyState"), Variant(0));

  View().EngineLoadChanged(TLoadEvent::Started, "http://example.test/a");
  EXPECT_EQ(platform::GetProperty(*control, "Busy"), Variant(true));
  View().EngineLoadChanged(TLoadEvent::Committed, "http://example.test/a");
  View().EngineLoadChanged(TLoadEvent::Finished, "http://example.test/a");
  View().EngineLoadChanged(TLoadEvent::Finished, "http://example.test/a");
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  const Variant& data = m_hooks.calls[0].parameters;
  EXPECT_EQ(Item(data, 0), Variant("browser1"));
  EXPECT_EQ(Item(data, 1).AsDispatch(), document.Get());
  EXPECT_EQ(Item(data, 2), Variant("http://example.test/a"));
  EXPECT_EQ(window->values["name"], Variant("browser1"));
  EXPECT_EQ(platform::GetProperty(*control, "ReadyState"), Variant(kReadyStateComplete));
  EXPECT_EQ(platform::GetProperty(*control, "Busy"), Variant(false));
  EXPECT_EQ(platform::GetProperty(*control, "Document").AsDispatch(), document.Get());

  // The next load fires again.
  View().EngineLoadChanged(TLoadEvent::Started, "http://example.test/b");
  View().EngineLoadChanged(TLoadEvent::Finished, "http://example.test/b");
  EXPECT_EQ(m_hooks.calls.size(), 2u);
}

TEST_F(WebBrowserTest, AFailedLoadIsLoggedAndStillCompletesWithTheErrorPage) {
  TWebBrowserEx& browser = Browser();
  browser.SetDocument(Document());
  Bind(browser, "ondocumentcomplete");
  View().EngineLoadChanged(TLoadEvent::Started, "file:///missing/page.html");
  View().EngineLoadFailed("file:///missing/page.html", "File not found");
  View().EngineLoadChanged(TLoadEvent::Finished, "file:///missing/page.html");
  EXPECT_EQ(m_hooks.logged,
            std::vector<std::string>{"[TWebBrowserEx]: Page \"file:///missing/page.html\" not loaded: File not found"});
  EXPECT_EQ(m_hooks.calls.size(), 1u) << "documentcomplete fires for the error page";
}

TEST_F(WebBrowserTest, ViewReportsDuringAScriptWaitForIt) {
  TWebBrowserEx& browser = Browser();
  browser.SetDocument(Document());
  Bind(browser, "onnavigatecomplete2", "committed");
  Bind(browser, "ondocumentcomplete", "completed");
  Bind(browser, "ontitlechange", "titled");
  // While "committed" runs, the view finishes and retitles the page, as it
  // does when the script's call to the page lets the main loop run.
  std::vector<std::string> order;
  bool inCommitted = false;
  m_hooks.answer = [&](const ScriptCall& call) {
    const std::string procedure = call.procedure;
    order.push_back(procedure + (inCommitted ? " inside" : ""));
    if (procedure == "committed") {
      inCommitted = true;
      View().EngineLoadChanged(TLoadEvent::Finished, "http://example.test/a");
      View().EngineTitleChanged("Later");
      inCommitted = false;
      order.push_back("committed done");
    }
    return Variant();
  };
  View().EngineLoadChanged(TLoadEvent::Started, "http://example.test/a");
  View().EngineLoadChanged(TLoadEvent::Committed, "http://example.test/a");
  EXPECT_EQ(order, (std::vector<std::string>{"committed", "committed done", "completed", "titled"}));
  EXPECT_TRUE(browser.DocumentComplete());
  // Later reports go straight through again.
  View().EngineTitleChanged("Again");
  EXPECT_EQ(order.back(), "titled");
  EXPECT_EQ(order.size(), 5u);
}

TEST_F(WebBrowserTest, DocumentCompleteWithoutScriptStillNamesTheWindow) {
  TWebBrowserEx& browser = Browser("viewer");
  browser.SetDocument(Document());
  View().EngineLoadChanged(TLoadEvent::Finished, "http://example.test/a");
  EXPECT_EQ(window->values["name"], Variant("viewer"));
}

TEST_F(WebBrowserTest, WithoutADocumentCompletionAndDocumentWordsDoNothing) {
  // A view whose page has no channel to the client gives no document.
  TWebBrowserEx& browser = Browser();
  const std::string path = ::testing::TempDir() + "browser_unsaved.html";
  std::filesystem::remove(path);
  browser.SetFileName(path);
  View().EngineLoadChanged(TLoadEvent::Started, "file:///elsewhere/a.html");
  EXPECT_NO_THROW(View().EngineLoadChanged(TLoadEvent::Finished, "file:///elsewhere/a.html"));
  EXPECT_TRUE(browser.DocumentComplete());
  for (const char* word : {"scrolltobottom", "scrolltotop", "save"}) {
    EXPECT_NO_THROW(browser.SetExec(Variant(word))) << word;
    EXPECT_EQ(browser.GetExec(), Variant(true)) << word;
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(WebBrowserTest, ModifiedFollowsThePagesEditsUntilTheNextLoad) {
  TWebBrowserEx& browser = Browser();
  const auto load = [&](const std::string& uri) {
    View().EngineLoadChanged(TLoadEvent::Started, uri);
    View().EngineLoadChanged(TLoadEvent::Committed, uri);
    View().EngineLoadChanged(TLoadEvent::Finished, uri);
  };
  load("file:///project/a.html");
  EXPECT_FALSE(browser.Modified());
  browser.DocumentEdited();
  EXPECT_TRUE(platform::GetPropValue(browser, *browser.ClassInfo().FindProperty("modified")).ToBool());
  // A script's false stands until the next edit.
  platform::SetPropValue(browser, *browser.ClassInfo().FindProperty("modified"), Variant(false));
  EXPECT_FALSE(browser.Modified());
  browser.DocumentEdited();
  EXPECT_TRUE(browser.Modified());
  // The next document starts unmodified, also when the old one was edited
  // while the new one was on its way.
  View().EngineLoadChanged(TLoadEvent::Started, "file:///project/b.html");
  EXPECT_FALSE(browser.Modified());
  browser.DocumentEdited();
  View().EngineLoadChanged(TLoadEvent::Committed, "file:///project/b.html");
  EXPECT_FALSE(browser.Modified());
  View().EngineLoadChanged(TLoadEvent::Finished, "file:///project/b.html");
  browser.DocumentEdited();
  EXPECT_TRUE(browser.Modified());
}

TEST_F(WebBrowserTest, TitleFollowsTheDocumentUnlessAScriptIsBound) {
  TWebBrowserEx& browser = Browser();
  View().EngineTitleChanged("No document");
  EXPECT_EQ(browser.Text(), "");
  browser.SetDocument(Document());
  View().EngineTitleChanged("Page title");
  EXPECT_EQ(browser.Text(), "Page title");
  browser.SetAutoTitle(false);
  View().EngineTitleChanged("Other");
  EXPECT_EQ(browser.Text(), "Page title");

  browser.SetAutoTitle(true);
  Bind(browser, "ontitlechange");
  View().EngineTitleChanged("New text");
  EXPECT_EQ(browser.Text(), "Page title");
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].parameters, Array({Variant("browser1"), Variant("Page title"), Variant("New text")}));
}

TEST_F(WebBrowserTest, UrlWhileHiddenNavigatesOnFirstShow) {
  TWebBrowserEx& browser = Browser();
  Bind(browser, "onshow");
  browser.SetUrlWhenShown("http://example.test/start");
  EXPECT_TRUE(log.loads.empty());
  browser.Show();
  EXPECT_EQ(log.loads, std::vector<std::string>{"http://example.test/start"});
  EXPECT_FALSE(browser.FirstShow());
  browser.Hide();
  browser.Show();
  // Shown again: no second navigation; firstShow was True only the first time.
  EXPECT_EQ(log.loads.size(), 1u);
  EXPECT_EQ(Parameters(), (std::vector<Variant>{Array({Variant("browser1"), Variant(true)}),
                                                Array({Variant("browser1"), Variant(false)})}));
}

TEST_F(WebBrowserTest, UrlWaitsForTheParentToShow) {
  TWebBrowserEx& browser = Browser();
  form.Hide();
  browser.Show();
  Bind(browser, "onshow");
  browser.SetUrlWhenShown("http://example.test/start");
  EXPECT_TRUE(log.loads.empty());
  form.Show();
  EXPECT_EQ(log.loads, std::vector<std::string>{"http://example.test/start"});
  EXPECT_EQ(Parameters(), std::vector<Variant>{Array({Variant("browser1"), Variant(true)})});
}

TEST_F(WebBrowserTest, UrlWhileShownNavigatesAtOnce) {
  TWebBrowserEx& browser = Browser();
  browser.Show();
  browser.SetUrlWhenShown("http://example.test/now");
  EXPECT_EQ(log.loads, std::vector<std::string>{"http://example.test/now"});
}

TEST_F(WebBrowserTest, UrlNavigatesAtOnceEvenWhileHidden) {
  TWebBrowserEx& browser = Browser();
  browser.SetUrl("http://example.test/now");
  EXPECT_EQ(log.loads, std::vector<std::string>{"http://example.test/now"});
  browser.Show();
  EXPECT_EQ(log.loads.size(), 1u);
}

TEST_F(WebBrowserTest, OpticalZoomIsClampedIntoTheReportedRange) {
  struct Case {
    int set;
    int stored;
  } const cases[] = {{5, kOpticalZoomMin}, {2000, kOpticalZoomMax}, {150, 150}, {10, 10}, {1000, 1000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set);
    log = {};
    TWebBrowserEx& browser = Browser();
    browser.SetOpticalZoom(c.set);
    EXPECT_EQ(browser.OpticalZoom(), c.stored);
    EXPECT_DOUBLE_EQ(log.zoom, c.stored / 100.0);
    EXPECT_FALSE(log.textOnly);
    TComponent::Free(browser);
  }
}

TEST_F(WebBrowserTest, OpticalZoomUnchangedIsNotSentAgain) {
  TWebBrowserEx& browser = Browser();
  log.zoom = 0.5;  // a mark the view would only lose if zoom were sent
  browser.SetOpticalZoom(100);
  EXPECT_DOUBLE_EQ(log.zoom, 0.5);
}

TEST_F(WebBrowserTest, ExternalIsAnsweredAndFocusFiresEnterAndExit) {
  TWebBrowserEx& browser = Browser();
  RefPtr<IDispatchObject> external;
  EXPECT_EQ(browser.GetExternal(external), kHostHandled);
  Bind(browser, "onenter");
  Bind(browser, "onexit", "left");
  View().EngineFocusChanged(true);
  View().EngineFocusChanged(false);
  EXPECT_EQ(Procedures(), (std::vector<std::string>{"handler", "left"}));
}

TEST_F(WebBrowserTest, RegistersItselfAndItsControlObjectOutlivesIt) {
  TWebBrowserEx& browser = Browser();
  EXPECT_NE(std::find(m_hooks.registered.begin(), m_hooks.registered.end(), &browser), m_hooks.registered.end());
  View().EngineLoadChanged(TLoadEvent::Started, "http://example.test/a");
  engine->LoadUri("http://example.test/a");
  auto control = browser.Control();
  EXPECT_EQ(platform::GetProperty(*control, "LocationURL"), Variant("http://example.test/a"));
  TComponent::Free(browser);
  EXPECT_TRUE(platform::GetProperty(*control, "LocationURL").IsEmpty());
}

// A view that records the options the page process would read.
class TRecordingView final : public IBrowserView {
 public:
  explicit TRecordingView(std::vector<PageOptions>& log) : m_log(log) {}
  void SetPageOptions(const PageOptions& options) override { m_log.push_back(options); }

 private:
  std::vector<PageOptions>& m_log;
};

TEST_F(WebBrowserTest, ViewIsMadeWithTheWindowAndLearnsTheRequestOptions) {
  std::vector<PageOptions> options;
  int made = 0;
  BrowserViewFactory() = [&](TWebBrowserEx& browser) -> std::unique_ptr<IBrowserView> {
    ++made;
    auto fake = std::make_unique<FakeBrowserEngine>(log);
    engine = fake.get();
    browser.SetEngine(std::move(fake));
    return std::make_unique<TRecordingView>(options);
  };
  struct Reset {
    ~Reset() { BrowserViewFactory() = nullptr; }
  } reset;
  auto& browser = platform::MakeComponent<TWebBrowserEx>(m_hooks.root);
  EXPECT_EQ(made, 0) << "no window yet";
  browser.SetName("browser1");
  browser.SetParent(&form);
  ASSERT_TRUE(browser.HandleAllocated());
  ASSERT_EQ(made, 1);
  ASSERT_FALSE(options.empty());
  EXPECT_EQ(options.back().downloadFlags, kDlImages | kDlVideos | kDlBgSounds);
  EXPECT_EQ(options.back().headers, "");

  browser.SetHeaders("X-Project: demo\r\n");
  EXPECT_EQ(options.back().headers, "X-Project: demo\r\n");
  browser.SetDownloadOptions(1u << DLCTL_SILENT);
  Navigate("http://example.test/a");
  EXPECT_EQ(options.back().downloadFlags, kDlSilent);
}

TEST_F(WebBrowserTest, ScriptableBrowsersDocumentsAreNamedObjects) {
  TFakeApplicationUi ui;
  FreeApplicationEx();  // one an earlier case made on demand would be the current one
  auto app = std::make_unique<TApplicationEx>();
  app->SetUi(&ui);
  ScopedApplicationHooks hooks(m_hooks);

  TWebBrowserEx& shown = Browser("browser1");
  auto document = Document();
  shown.SetDocument(document);
  TWebBrowserEx& hidden = Browser("secret");
  hidden.SetDocument(Document());
  hidden.SetAsObject(false);
  TWebBrowserEx& empty = Browser("empty");
  for (TWebBrowserEx* browser : {&shown, &hidden, &empty})
    EXPECT_GE(app->Browsers().IndexOfName(browser->Name()), 0) << browser->Name();

  const auto& source = GetScriptControlDefaultImplementation().NamedObjectSources().browserDocuments;
  ASSERT_TRUE(source);
  auto documents = source();
  ASSERT_EQ(documents.size(), 1u);
  EXPECT_EQ(documents[0].first, "browser1");
  EXPECT_EQ(documents[0].second.Get(), document.Get());

  TComponent::Free(shown);
  EXPECT_TRUE(source().empty()) << "a freed browser leaves the list";
  TComponent::Free(hidden);
  TComponent::Free(empty);
  app.reset();
}

TEST_F(WebBrowserTest, DeclaredBrowserSitsInItsParent) {
  RegisterBrowserComponentTypes();
  auto* browser = dynamic_cast<TWebBrowserEx*>(CreateComponentByType(&form, "webbrowser", "browser2"));
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->Parent(), &form);
}

TEST_F(WebBrowserTest, ScriptsRunDocumentCommands) {
  const Variant browser = WrapObject(&Browser());
  ASSERT_NE(browser.AsDispatch(), nullptr);
  const auto invoke = [&](const char* group, int command, int option, Variant in) {
    return platform::CallMethod(*browser.AsDispatch(), "InvokeCommand",
                                {Variant(group), Variant(command), Variant(option), in});
  };
  EXPECT_EQ(invoke("", kCmdZoom, kExecDontPromptUser, Variant(4)), Variant(4));
  EXPECT_EQ(invoke("", kCmdPrint, kExecDontPromptUser, Variant("/tmp/page.pdf")), Variant(true));
  EXPECT_EQ(log.prints.size(), 1u);
  EXPECT_EQ(invoke("", 99, kExecDontPromptUser, Variant()), Variant(false));
  EXPECT_EQ(invoke("{00000000-0000-0000-0000-000000000000}", 1, 0, Variant()), Variant(false));
}

TEST(PageAddress, PathsBecomeFileUrisOthersStayAsTheyAre) {
  const struct {
    const char* url;
    const char* folder;
    const char* expected;
  } rows[] = {
      {"pages/start.html", "/srv/project/", "file:///srv/project/pages/start.html"},
      {"pages/start.html", "/srv/project", "file:///srv/project/pages/start.html"},
      {"pages\\start.html", "/srv/project/", "file:///srv/project/pages/start.html"},
      {"/opt/elsewhere/a b.html", "/srv/project/", "file:///opt/elsewhere/a%20b.html"},
      {"start.html?x=1#top", "/srv/project/", "file:///srv/project/start.html?x=1#top"},
      {"file:///srv/other.html", "/srv/project/", "file:///srv/other.html"},
      {"http://example.test/a", "/srv/project/", "http://example.test/a"},
      {"about:blank", "/srv/project/", "about:blank"},
      {"start.html", "", "start.html"},
      {"", "/srv/project/", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(ResolvePageAddress(row.url, row.folder), row.expected) << row.url;
}

TEST_F(WebBrowserTest, RelativeUrlsNavigateIntoTheProjectFolder) {
  TWebBrowserEx& browser = Browser();
  m_hooks.projectFolder = "/srv/project/";
  browser.SetUrl("pages/start.html");
  EXPECT_EQ(log.loads, std::vector<std::string>{"file:///srv/project/pages/start.html"});
}

}  // namespace
}  // namespace halbrin::framework_test
