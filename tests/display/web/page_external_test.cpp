// A real page process with the page extension: window.external reaches the
// client synchronously, and the client's scripts reach the live page.

#include <gtest/gtest.h>

#include <string>

#include "page_fixture.h"
#include "platform/jsc/jsc_engine.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::AddMethod;
using page_testing::PageFixture;
using page_testing::TScriptObject;

std::string Page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html><html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

TEST(PageExternal, PageScriptsUseWhatTheClientReturnsAtOnce) {
  PageFixture fixture;
  AddMethod(fixture.External(), "echo", [](std::vector<Variant>& args) { return args.at(0); });
  AddMethod(fixture.External(), "list", [](std::vector<Variant>&) {
    return Variant(VariantArray(std::vector<Variant>{Variant(1), Variant("two"), Variant(true)}));
  });
  AddMethod(fixture.External(), "makeCounter", [](std::vector<Variant>&) {
    auto counter = MakeRef<TScriptObject>("counter");
    auto total = std::make_shared<int>(0);
    AddMethod(*counter, "add", [total](std::vector<Variant>& args) { return Variant(*total += args.at(0).ToInt()); });
    counter->Add("total", [total](std::uint16_t, DispParams&) { return Variant(*total); });
    return Variant(counter);
  });
  fixture.Load(fixture.ProjectPage("values.html", Page("values", R"(<script>
    var a = [1, [2, "x"]];
    var counter = external.makeCounter();
    counter.add(2);
    counter.add(3);
    document.title = JSON.stringify({
      number: external.echo(1.5), integer: external.echo(7), text: external.echo("s"),
      yes: external.echo(true), nothing: external.echo(null),
      sameArray: external.echo(a) === a, list: external.list().toArray(),
      total: counter.total, sameExternal: window.external === external
    });
  </script>)")));
  EXPECT_EQ(fixture.Title(),
            R"({"number":1.5,"integer":7,"text":"s","yes":true,"nothing":null,"sameArray":true,)"
            R"("list":[1,"two",true],"total":5,"sameExternal":true})");
}

TEST(PageExternal, AClientFailureThrowsInThePageWithItsMessage) {
  PageFixture fixture;
  AddMethod(fixture.External(), "fail", [](std::vector<Variant>&) -> Variant {
    throw EOleError(DISP_E_EXCEPTION, "the client refuses");
  });
  fixture.Load(fixture.ProjectPage("fail.html", Page("fail", R"(<script>
    try { external.fail(); document.title = "no error"; }
    catch (e) { document.title = (e instanceof Error) + ":" + e.message; }
  </script>)")));
  EXPECT_EQ(fixture.Title(), "true:the client refuses");
}

TEST(PageExternal, CallsNestFromPageToClientToTheSamePageAndBack) {
  PageFixture fixture;
  AddMethod(fixture.External(), "echo", [](std::vector<Variant>& args) { return args.at(0); });
  AddMethod(fixture.External(), "nest", [&fixture](std::vector<Variant>& args) {
    // The page waits inside external.nest while the client reads it and calls back into it.
    const std::string title = fixture.Title();
    const Variant inner = InvokeById(*args.at(0).ToDispatch(), DISPID_VALUE, DISPATCH_METHOD, {Variant(41)});
    return Variant(title + ":" + inner.ToText());
  });
  fixture.Load(fixture.ProjectPage("nest.html", Page("outer", R"(<script>
    document.title = external.nest(function (x) { return external.echo(x) + 1; });
  </script>)")));
  EXPECT_EQ(fixture.Title(), "outer:42");
}

TEST(PageDocument, ClientScriptsReadAndChangeTheLivePage) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("doc.html", Page("Before", R"(<h1 id="t">Original heading</h1>)")));
  JscVirtualMachine vm;
  JscEngine engine(vm);
  engine.AddNamedObject("browser1", Variant(RefPtr<IDispatchObject>(&fixture.Document())), true);
  EXPECT_EQ(engine.Evaluate(R"(
    var before = browser1.title + "|" + browser1.getElementById("t").innerHTML;
    browser1.title = "After";
    browser1.getElementById("t").innerHTML = "<i>Changed</i>";
    before + "|" + browser1.title + "|" + browser1.getElementById("t").textContent;
  )"), Variant("Before|Original heading|After|Changed"));
  // The view itself shows the change.
  PageFixture::WaitFor([&] {
    const char* title = webkit_web_view_get_title(fixture.View());
    return title && std::string(title) == "After";
  }, "the view's title");
  // From native code too, by the dispatch helpers.
  RefPtr<IDispatchObject> heading = CallMethod(fixture.Document(), "getElementById", {Variant("t")}).ToDispatch();
  ASSERT_TRUE(heading);
  EXPECT_EQ(GetProperty(*heading, "innerHTML"), Variant("<i>Changed</i>"));
}

TEST(PageDocument, FollowsTheViewToItsNextDocument) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("one.html", Page("One", "")));
  EXPECT_EQ(fixture.Title(), "One");
  fixture.Load(fixture.OutsidePage("two.html", Page("Two", "")));
  EXPECT_EQ(fixture.Title(), "Two");
}

// The window a client holds belongs to its document: whatever the page's
// charset (how it is declared, or not at all), it lasts past the load; the
// next document of the view (here the same page loaded again) frees it,
// while the view's document proxy follows and its defaultView is live.
TEST(PageDocument, AWindowTheClientHoldsLastsAsLongAsItsDocument) {
  const std::string cyrillic1251 = "\xcf\xf0\xe8\xe2\xe5\xf2";  // "Привет"
  const std::string cyrillicUtf8 = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
  const std::string longHead = "<!--" + std::string(2000, '-') + "-->";  // past the charset prescan
  struct Case {
    const char* what;
    std::string head;
    std::string text;
    const char* charset;
  } cases[] = {
      {"utf-8 meta", "<meta charset=\"utf-8\">", cyrillicUtf8, "UTF-8"},
      {"windows-1251 meta", "<meta charset=\"windows-1251\">", cyrillic1251, "windows-1251"},
      {"windows-1251 http-equiv",
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">", cyrillic1251,
       "windows-1251"},
      {"windows-1251 meta after a long head", "<title>" + cyrillic1251 + "</title>" + longHead +
       "<meta charset=\"windows-1251\">", cyrillic1251, "windows-1251"},
      {"no charset", "", cyrillic1251, "windows-1252"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PageFixture fixture;
    const std::string uri = fixture.ProjectPage(
        "page.html", "<!DOCTYPE html><html><head>" + c.head + "</head><body><p id=\"p\">" + c.text +
                         "</p><script>var mark = 'first';</script></body></html>");
    fixture.Load(uri);
    RefPtr<IDispatchObject> window = GetProperty(fixture.Document(), "defaultView").ToDispatch();
    ASSERT_TRUE(window);
    EXPECT_EQ(GetProperty(fixture.Document(), "characterSet").ToText(), c.charset);
    // Long enough for anything the load still had to do.
    bool waited = false;
    g_timeout_add(300, +[](gpointer flag) -> gboolean {
      *static_cast<bool*>(flag) = true;
      return G_SOURCE_REMOVE;
    }, &waited);
    PageFixture::WaitFor([&] { return waited; }, "a moment after the load");
    EXPECT_EQ(GetProperty(*window, "mark").ToText(), "first");

    fixture.Load(uri);
    try {
      GetProperty(*window, "mark");
      ADD_FAILURE() << "the first document's window still answers";
    } catch (const EOleError& error) {
      EXPECT_EQ(std::string(error.what()), "Can't execute code from a freed script");
    }
    RefPtr<IDispatchObject> next = GetProperty(fixture.Document(), "defaultView").ToDispatch();
    EXPECT_EQ(GetProperty(*next, "mark").ToText(), "first");
  }
}

TEST(PageDocument, APageProcessThatEndsFailsCallsAtOnceAndTheNextLoadConnectsAgain) {
  PageFixture fixture;
  const std::string uri = fixture.ProjectPage("alive.html", Page("waiting", R"(<script>
    document.title = typeof window.external;
  </script>)"));
  fixture.Load(uri);
  ASSERT_EQ(fixture.Title(), "object");
  webkit_web_view_terminate_web_process(fixture.View());
  HResult code = S_OK;
  std::string message;
  PageFixture::WaitFor([&] {
    try {
      fixture.Title();
    } catch (const EOleError& error) {
      code = error.Code();
      message = error.what();
    }
    return code != S_OK;
  }, "the document to fail");
  EXPECT_EQ(code, RPC_E_SERVER_DIED_DNE);
  EXPECT_EQ(message, "The connection to the page process is closed");
  fixture.Load(uri);
  EXPECT_EQ(fixture.Title(), "object");
}

}  // namespace
}  // namespace halbrin
