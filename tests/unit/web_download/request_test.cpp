// What a download sends: the User-Agent, the existing-file decision with its
// Range, the body's Content-Type and code page, the script's header lines,
// the bind flags and what they change, and the starts that fail.

#include <sys/stat.h>

#include "core/foundation/file_version.h"
#include "core/foundation/project_encoding.h"
#include "unit/web_download/download_test_support.h"

namespace halbrin::download_test {
namespace {

struct UserAgentCase {
  Variant userAgent;
  std::optional<std::string> sent;
};

class UserAgentTest : public DownloadTest, public ::testing::WithParamInterface<UserAgentCase> {};

TEST_P(UserAgentTest, SentOnlyWhenNotNull) {
  const UserAgentCase& row = GetParam();
  Loader().SetUserAgent(row.userAgent);
  Start();
  ASSERT_EQ(m_net.requests.size(), 1u);
  const std::optional<std::string> expected =
      row.sent && row.sent->empty() ? "HalbrinLite/" + FileVersionText(ProgramVersion()) : row.sent;
  EXPECT_EQ(RequestHeader("User-Agent"), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, UserAgentTest,
                         ::testing::Values(UserAgentCase{Variant::Null(), std::nullopt},
                                           UserAgentCase{Variant(""), std::string()},
                                           UserAgentCase{Variant("  "), std::string()},
                                           UserAgentCase{Variant(" X "), std::string("X")}));

struct ExistingFileCase {
  int size;  // -1: no file
  TUrlLoaderAction defaultAction;
  Variant answer;  // of "action"
  bool put;
  bool actionFired;
  std::optional<std::string> range;
  bool aborted;
};

class ExistingFileTest : public DownloadTest, public ::testing::WithParamInterface<ExistingFileCase> {};

TEST_P(ExistingFileTest, DecidesRangeOrAbort) {
  const ExistingFileCase& row = GetParam();
  const std::string old(row.size > 0 ? static_cast<std::size_t>(row.size) : 0, 'o');
  if (row.size >= 0) m_folder.Write("target.bin", old);
  Bind({"action", "complete"});
  if (!row.answer.IsEmpty()) Answer("action", row.answer);
  Loader().SetDefaultAction(row.defaultAction);
  Loader().SetFileName("target.bin");
  if (row.put) Loader().SetMethod(TUrlLoaderMethod::lmPut);
  const Variant result = Start();

  const std::vector<Event> actions = Events("action");
  ASSERT_EQ(actions.size(), row.actionFired ? 1u : 0u);
  if (row.actionFired) {
    EXPECT_EQ(actions[0].data, Array({Variant("dl"), Variant(static_cast<int>(row.defaultAction))}));
  }
  if (row.aborted) {
    EXPECT_EQ(result.ToInt64(), Code(kAbort));
    EXPECT_TRUE(m_net.requests.empty());
    EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kAbort)});
    EXPECT_FALSE(Loader().Busy());
  } else {
    EXPECT_EQ(result.ToInt64(), Code(kAsynchronous));
    ASSERT_EQ(m_net.requests.size(), 1u);
    EXPECT_EQ(RequestHeader("Range"), row.range);
  }
  if (row.size >= 0) {
    EXPECT_EQ(testing::ReadFile(m_folder.Path("target.bin")), old) << "untouched before data";
  }
}

using A = TUrlLoaderAction;
INSTANTIATE_TEST_SUITE_P(
    Rows, ExistingFileTest,
    ::testing::Values(ExistingFileCase{-1, A::laResume, Variant(), false, false, std::nullopt, false},
                      ExistingFileCase{0, A::laResume, Variant(), false, true, std::nullopt, false},
                      ExistingFileCase{1000, A::laResume, Variant(), false, true, "bytes=1000-", false},
                      ExistingFileCase{1000, A::laOverwrite, Variant(), false, true, std::nullopt, false},
                      ExistingFileCase{1000, A::laResume, Variant(1), false, true, std::nullopt, false},
                      ExistingFileCase{1000, A::laResume, Variant(2), false, true, std::nullopt, true},
                      ExistingFileCase{1000, A::laAbort, Variant(), false, true, std::nullopt, true},
                      ExistingFileCase{1000, A::laAbort, Variant(0), false, true, "bytes=1000-", false},
                      ExistingFileCase{1000, A::laResume, Variant("2"), false, true, "bytes=1000-", false},
                      // The file of a PUT is the upload: no decision, no Range.
                      ExistingFileCase{1000, A::laResume, Variant(), true, false, std::nullopt, false}));

struct ContentTypeCase {
  Variant contentType;
  std::string postData;
  std::optional<std::string> sent;
  std::string method;
};

class ContentTypeTest : public DownloadTest, public ::testing::WithParamInterface<ContentTypeCase> {};

TEST_P(ContentTypeTest, FollowsTypeAndBody) {
  const ContentTypeCase& row = GetParam();
  Loader().SetPostContentType(row.contentType);
  Loader().SetPostData(row.postData);
  Start();
  ASSERT_EQ(m_net.requests.size(), 1u);
  EXPECT_EQ(RequestHeader("Content-Type"), row.sent);
  EXPECT_EQ(LastRequest().method, row.method);
  EXPECT_EQ(LastRequest().body, row.postData);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ContentTypeTest,
    ::testing::Values(ContentTypeCase{Variant::Null(), "a=1", std::nullopt, "POST"},
                      ContentTypeCase{Variant(""), "a=1", "application/x-www-form-urlencoded", "POST"},
                      ContentTypeCase{Variant(" text/plain "), "a=1", "text/plain", "POST"},
                      ContentTypeCase{Variant("text/plain"), "", std::nullopt, "GET"}));

TEST_F(DownloadTest, BodyGoesInTheProjectCodePageOrTheNamedCharset) {
  Loader().SetPostData("имя=Ёж");
  Start();
  ASSERT_EQ(m_net.requests.size(), 1u);
  EXPECT_EQ(LastRequest().body, EncodeText("имя=Ёж", ProjectEncoding()));
  EXPECT_EQ(LastRequest().body, "\xE8\xEC\xFF=\xA8\xE6");

  Loader().SetPostContentType(Variant("text/plain; charset=utf-8"));
  Start();
  EXPECT_EQ(LastRequest().body, "имя=Ёж");

  Loader().SetMethod(TUrlLoaderMethod::lmGet);
  Start();
  EXPECT_EQ(LastRequest().method, "GET") << "a GET carries postData as its body";
  EXPECT_EQ(LastRequest().body, "имя=Ёж");
}

TEST_F(DownloadTest, TextTheCodePageCannotCarryFailsTheStart) {
  Bind({"complete"});
  Loader().SetPostData("日本");
  EXPECT_EQ(Start().ToInt64(), Code(kNoUnicodeTranslation));
  EXPECT_TRUE(m_net.requests.empty());
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kNoUnicodeTranslation)});
}

struct HeaderLinesCase {
  std::string text;
  HeaderList added;  // empty with `fails`
  bool fails;
};

class HeaderLinesTest : public DownloadTest, public ::testing::WithParamInterface<HeaderLinesCase> {};

TEST_P(HeaderLinesTest, AppendedOrRefused) {
  const HeaderLinesCase& row = GetParam();
  Bind({"complete"});
  Loader().SetFlags(0x2);  // no revalidation headers
  Loader().SetHeaders(row.text);
  const Variant result = Start();
  if (row.fails) {
    EXPECT_EQ(result.ToInt64(), Code(kInvalidArgument));
    EXPECT_TRUE(m_net.requests.empty());
    EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kInvalidArgument)});
    return;
  }
  ASSERT_EQ(m_net.requests.size(), 1u);
  EXPECT_EQ(LastRequest().headers, row.added);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeaderLinesTest,
    ::testing::Values(HeaderLinesCase{"X-One: 1\r\nX-Two:  two words \r\n", {{"X-One", "1"}, {"X-Two", "two words"}}, false},
                      HeaderLinesCase{"X-One: 1\n\nX-Two: 2", {{"X-One", "1"}, {"X-Two", "2"}}, false},
                      HeaderLinesCase{"", {}, false},
                      HeaderLinesCase{"X-One: 1\r\nBroken\r\n", {}, true},
                      HeaderLinesCase{"X-One: a\x01z", {}, true},
                      HeaderLinesCase{"X-One: a\rInjected: 1", {}, true},
                      HeaderLinesCase{": no name", {}, true}));

struct BindFlagsCase {
  bool cached;
  Variant answer;  // of "getinfo"
  std::uint32_t reported;
  std::uint32_t sent;
  bool revalidate;
};

class BindFlagsTest : public DownloadTest, public ::testing::WithParamInterface<BindFlagsCase> {};

TEST_P(BindFlagsTest, AdjustedThenReplacedByTheAnswer) {
  const BindFlagsCase& row = GetParam();
  Bind({"getinfo"});
  if (!row.answer.IsEmpty()) Answer("getinfo", row.answer);
  Loader().SetCached(row.cached);
  Start();
  const std::vector<Event> infos = Events("getinfo");
  ASSERT_EQ(infos.size(), 1u);
  EXPECT_EQ(infos[0].data, Array({Variant("dl"), Variant(static_cast<std::int64_t>(row.reported))}));
  ASSERT_EQ(m_net.requests.size(), 1u);
  EXPECT_EQ(LastRequest().bindFlags, row.sent);
  EXPECT_EQ(LastRequest().cached, row.cached);
  const std::optional<std::string> noCache = row.revalidate ? std::optional<std::string>("no-cache") : std::nullopt;
  EXPECT_EQ(RequestHeader("Cache-Control"), noCache);
  EXPECT_EQ(RequestHeader("Pragma"), noCache);
}

INSTANTIATE_TEST_SUITE_P(Rows, BindFlagsTest,
                         ::testing::Values(BindFlagsCase{false, Variant(), 0x22F3, 0x22F3, true},
                                           BindFlagsCase{true, Variant(), 0x802D3, 0x802D3, true},
                                           BindFlagsCase{false, Variant(0x2), 0x22F3, 0x2, false},
                                           BindFlagsCase{false, Variant(0x102), 0x22F3, 0x102, false},
                                           BindFlagsCase{false, Variant(0x12), 0x22F3, 0x12, true},
                                           BindFlagsCase{false, Variant("7"), 0x22F3, 0x22F3, true}));

TEST_F(DownloadTest, WithoutAsyncTheAsynchronousFlagIsCleared) {
  std::vector<std::uint32_t> seen;
  struct Probe : TUrlLoaderEx {
    std::vector<std::uint32_t>* seen = nullptr;
    void DoGetBindInfo(std::uint32_t& flags) override {
      seen->push_back(flags);
      flags = 0x2;
      // Stops the start before it would wait on the real main context.
      SetPostData("日本");
    }
  };
  Probe probe;
  probe.seen = &seen;
  probe.SetAsync(false);
  probe.SetUrl("http://example.test/");
  probe.SetExec(Variant("download"));
  EXPECT_EQ(seen, std::vector<std::uint32_t>{0x22F2});
  EXPECT_EQ(probe.GetExec().ToInt64(), Code(kNoUnicodeTranslation));
}

struct FailedStartCase {
  std::string url;
  HResult code;
};

class FailedStartTest : public DownloadTest, public ::testing::WithParamInterface<FailedStartCase> {};

TEST_P(FailedStartTest, ReturnedAndReportedOnce) {
  const FailedStartCase& row = GetParam();
  Bind({"complete"});
  EXPECT_EQ(Start(row.url).ToInt64(), Code(row.code));
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(row.code)});
  EXPECT_TRUE(m_net.requests.empty());
  EXPECT_FALSE(Loader().Busy());
  EXPECT_FALSE(Loader().Active());
  Settle();
  EXPECT_EQ(Completions().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Rows, FailedStartTest,
                         ::testing::Values(FailedStartCase{"not a url", kInvalidUrl},
                                           FailedStartCase{"", kInvalidUrl},
                                           FailedStartCase{"http://", kInvalidUrl},
                                           FailedStartCase{"ftp://example.test/a", kUnknownProtocol},
                                           FailedStartCase{"javascript:alert(1)", kUnknownProtocol},
                                           FailedStartCase{"mailto:a@b.c", kUnknownProtocol}));

TEST_F(DownloadTest, FileUrlsSendNoHeadersAndFireNoResponse) {
  Bind({"response", "complete"});
  Loader().SetUserAgent(Variant("X"));
  Loader().SetHeaders("X-One: 1");
  m_net.answers.push_back(FakeAnswer::Body({"local"}));
  EXPECT_EQ(Start("file:///tmp/some.txt").ToInt64(), Code(kAsynchronous));
  Settle();
  ASSERT_EQ(m_net.requests.size(), 1u);
  EXPECT_TRUE(LastRequest().headers.empty());
  EXPECT_TRUE(Events("response").empty());
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{0});
  EXPECT_EQ(Loader().Text(), "local");
}

}  // namespace
}  // namespace halbrin::download_test
