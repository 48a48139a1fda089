#include "web/browser/page_document.h"

#include <gtest/gtest.h>

#include "unit/platform/call_channel_fixture.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using channel_testing::TScriptObject;

// A document whose members answer their own names, in the order given.
RefPtr<TScriptObject> FakeDocument(std::vector<std::string> members) {
  auto document = MakeRef<TScriptObject>("document");
  for (const std::string& name : members)
    document->Add(name, [name](std::uint16_t, DispParams&) { return Variant(name); });
  return document;
}

TEST(PageDocument, LooksEachNameUpOncePerDocumentFoundOrNot) {
  auto document = FakeDocument({"title", "body"});
  auto proxy = MakeRef<TPageDocument>();
  proxy->Open(document);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(GetProperty(*proxy, "TITLE"), Variant("title"));
    const std::string unknown[] = {"someGlobal"};
    DispId id[] = {0};
    EXPECT_EQ(proxy->GetIDsOfNames(unknown, id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id[0], DISPID_UNKNOWN);
  }
  EXPECT_EQ(document->Lookups(), 2);
  // A new document is asked again.
  auto next = FakeDocument({"someGlobal"});
  proxy->Open(next);
  EXPECT_EQ(GetProperty(*proxy, "someGlobal"), Variant("someGlobal"));
}

TEST(PageDocument, ItsIdsReachTheSameNameInTheNextDocument) {
  auto proxy = MakeRef<TPageDocument>();
  proxy->Open(FakeDocument({"title", "body"}));
  const DispId body = GetDispId(*proxy, "body");
  // A script engine keeps the id it was given; the next document numbers its members otherwise.
  proxy->Open(FakeDocument({"body", "title"}));
  EXPECT_EQ(InvokeById(*proxy, body, DISPATCH_PROPERTYGET), Variant("body"));
  proxy->Open(FakeDocument({"title"}));
  DispParams none;
  EXPECT_EQ(proxy->Invoke(body, DISPATCH_PROPERTYGET, none, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST(PageDocument, WithoutADocumentEveryCallFailsClearly) {
  auto proxy = MakeRef<TPageDocument>();
  proxy->Open(FakeDocument({"title"}));
  const DispId title = GetDispId(*proxy, "title");
  proxy->Open(nullptr);
  try {
    InvokeById(*proxy, title, DISPATCH_PROPERTYGET);
    FAIL() << "a call without a document succeeded";
  } catch (const EOleError& error) {
    EXPECT_STREQ(error.what(), "The page has no document");
  }
  const std::string names[] = {"title"};
  DispId ids[] = {0};
  EXPECT_EQ(proxy->GetIDsOfNames(names, ids), DISP_E_UNKNOWNNAME);
}

}  // namespace
}  // namespace halbrin
