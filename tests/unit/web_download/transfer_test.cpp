// A transfer after its request: the response decision, appending a 206,
// progress answers, redirects, authentication, the timers, suspend and
// resume, and "complete" once however the transfer ends.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "unit/web_download/download_test_support.h"

namespace halbrin::download_test {
namespace {

struct ResponseCase {
  int status;
  bool autoComplete;
  Variant answer;  // of "response"
  std::int64_t code;
  bool written;
};

class ResponseTest : public DownloadTest, public ::testing::WithParamInterface<ResponseCase> {};

TEST_P(ResponseTest, DecidesBeforeAnyByteIsWritten) {
  const ResponseCase& row = GetParam();
  m_folder.Write("old.txt", "old content");
  Bind({"response", "complete"});
  if (!row.answer.IsEmpty()) Answer("response", row.answer);
  Loader().SetAutoComplete(row.autoComplete);
  Loader().SetDefaultAction(TUrlLoaderAction::laOverwrite);
  Loader().SetFlags(0x2);
  Loader().SetFileName("old.txt");
  FakeAnswer answer = FakeAnswer::Body({"new ", "body"}, row.status);
  answer.headers = {{"Content-Type", "text/plain; charset=\"koi8-r\" "}, {"Content-Length", "8"}};
  m_net.answers.push_back(answer);
  Start();
  Settle();

  const std::vector<Event> responses = Events("response");
  ASSERT_EQ(responses.size(), 1u);
  EXPECT_EQ(responses[0].data, Array({Variant("dl"), Variant(row.status),
                                      Variant("Content-Type: text/plain; charset=\"koi8-r\" \r\nContent-Length: 8\r\n"),
                                      Variant("")}));
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{row.code});
  EXPECT_EQ(Loader().ResponseCode(), row.status);
  EXPECT_EQ(Loader().ContentCharset(), "koi8-r");
  EXPECT_EQ(Loader().Length(), 8);
  EXPECT_EQ(testing::ReadFile(m_folder.Path("old.txt")), row.written ? "new body" : "old content");
  EXPECT_FALSE(Loader().Busy());
}

INSTANTIATE_TEST_SUITE_P(Rows, ResponseTest,
                         ::testing::Values(ResponseCase{200, true, Variant(), 0, true},
                                           ResponseCase{404, true, Variant(), Code(kFail), false},
                                           ResponseCase{500, true, Variant("X-More: 1"), Code(kFail), false},
                                           ResponseCase{404, false, Variant(), 0, true},
                                           ResponseCase{200, true, Variant(static_cast<int>(kAbort)), Code(kAbort), false},
                                           ResponseCase{200, true, Variant(0), 0, true},
                                           ResponseCase{200, true, Variant(1), 0, true}));

struct RangeCase {
  int status;
  std::string contentRange;
  std::int64_t code;
  std::string file;
};

class RangeTest : public DownloadTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeTest, AppendsOnlyAtTheFilesSize) {
  const RangeCase& row = GetParam();
  const std::string partial(1000, 'p');
  m_folder.Write("part.bin", partial);
  Bind({"complete"});
  Loader().SetFileName("part.bin");
  FakeAnswer answer = FakeAnswer::Body({"rest"}, row.status);
  if (!row.contentRange.empty()) answer.headers = {{"Content-Range", row.contentRange}};
  m_net.answers.push_back(answer);
  Start();
  Settle();
  EXPECT_EQ(RequestHeader("Range"), "bytes=1000-");
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{row.code});
  EXPECT_EQ(testing::ReadFile(m_folder.Path("part.bin")), row.file == "partial+rest" ? partial + "rest"
                                                          : row.file == "partial"    ? partial
                                                                                     : row.file);
}

INSTANTIATE_TEST_SUITE_P(Rows, RangeTest,
                         ::testing::Values(RangeCase{206, "bytes 1000-1003/1004", 0, "partial+rest"},
                                           RangeCase{206, "bytes 0-3/4", Code(kDataNotAvailable), "partial"},
                                           RangeCase{206, "", Code(kDataNotAvailable), "partial"},
                                           RangeCase{200, "", 0, "rest"}));

TEST_F(DownloadTest, ProgressReportsEachStepAndAFailureAnswerStops) {
  Bind({"progress", "complete"});
  FakeAnswer answer = FakeAnswer::Body({"abc", "de", "fgh"});
  answer.headers = {{"Content-Type", "text/plain"}, {"Content-Length", "8"}};
  m_net.answers.push_back(answer);
  answers["progress"] = [](const Variant& data) {
    const auto& items = data.AsArray().Items();
    return items[3].ToInt64() == 5 && items[1].ToInt64() == 5 ? Variant(static_cast<int>(kAbort)) : Variant();
  };
  Start();
  Settle();
  std::vector<std::pair<std::int64_t, std::int64_t>> steps;  // (status, progress)
  for (const Event& event : Events("progress"))
    steps.emplace_back(event.data.AsArray().At(3).ToInt64(), event.data.AsArray().At(1).ToInt64());
  const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {{1, 0}, {11, 0}, {13, 0}, {4, 0}, {5, 3}, {5, 5}};
  EXPECT_EQ(steps, expected);
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kAbort)});
  EXPECT_EQ(Loader().Text(), "abcde") << "no read after the failure";
  EXPECT_EQ(m_net.pendingReads, 0);
}

TEST_F(DownloadTest, ShortBodyKeepsTheBytesForAResume) {
  Bind({"complete"});
  Loader().SetFileName("short.bin");
  FakeAnswer answer = FakeAnswer::Body({"12345"});
  answer.headers = {{"Content-Length", "10"}};
  m_net.answers.push_back(answer);
  Start();
  Settle();
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kDataNotAvailable)});
  EXPECT_EQ(testing::ReadFile(m_folder.Path("short.bin")), "12345");
}

TEST_F(DownloadTest, ATransportFailureEndsOnceWithItsCode) {
  Bind({"complete"});
  Loader().SetFileName("cut.bin");
  FakeAnswer answer = FakeAnswer::Body({"12"});
  answer.end = FakeAnswer::End::Fail;
  answer.failCode = kCannotConnect;
  m_net.answers.push_back(answer);
  Start();
  Settle();
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kCannotConnect)});
  EXPECT_EQ(testing::ReadFile(m_folder.Path("cut.bin")), "12");
}

struct RedirectCase {
  int hops;
  Variant answer;  // of "redirect"
  std::int64_t code;
  std::size_t requests;
};

class RedirectTest : public DownloadTest, public ::testing::WithParamInterface<RedirectCase> {};

TEST_P(RedirectTest, FollowsWhileAllowed) {
  const RedirectCase& row = GetParam();
  Bind({"redirect", "complete"});
  if (!row.answer.IsEmpty()) Answer("redirect", row.answer);
  for (int hop = 1; hop <= row.hops; ++hop) {
    FakeAnswer moved = FakeAnswer::Body({}, 302);
    moved.headers = {{"Location", "/hop" + std::to_string(hop)}};
    m_net.answers.push_back(moved);
  }
  m_net.answers.push_back(FakeAnswer::Body({"end"}));
  Start("http://example.test/start");
  Settle();
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{row.code});
  ASSERT_EQ(m_net.requests.size(), row.requests);
  const std::vector<Event> redirects = Events("redirect");
  ASSERT_FALSE(redirects.empty());
  EXPECT_EQ(redirects[0].data,
            Array({Variant("dl"), Variant("http://example.test/start"), Variant("http://example.test/hop1")}));
  if (row.code == 0) {
    EXPECT_EQ(LastRequest().url, "http://example.test/hop" + std::to_string(row.hops));
    EXPECT_EQ(Loader().Text(), "end");
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, RedirectTest,
                         ::testing::Values(RedirectCase{1, Variant(), 0, 2}, RedirectCase{1, Variant(1), 0, 2},
                                           RedirectCase{1, Variant(0), Code(kRedirectFailed), 1},
                                           RedirectCase{1, Variant(false), Code(kRedirectFailed), 1},
                                           RedirectCase{20, Variant(), 0, 21},
                                           RedirectCase{21, Variant(), Code(kRedirectFailed), 21}));

TEST_F(DownloadTest, RedirectAfterPostBecomesGet) {
  Loader().SetPostData("a=1");
  Loader().SetPostContentType(Variant(""));
  FakeAnswer moved = FakeAnswer::Body({}, 302);
  moved.headers = {{"Location", "http://other.test/next"}};
  m_net.answers.push_back(moved);
  m_net.answers.push_back(FakeAnswer::Body({"ok"}));
  Start();
  Settle();
  ASSERT_EQ(m_net.requests.size(), 2u);
  EXPECT_EQ(m_net.requests[0].method, "POST");
  EXPECT_EQ(m_net.requests[1].method, "GET");
  EXPECT_EQ(m_net.requests[1].body, "");
  EXPECT_EQ(FindHeader(m_net.requests[1].headers, "Content-Type"), std::nullopt);
}

struct AuthenticationCase {
  Variant answer;  // of "authenticate"
  std::int64_t code;
  std::size_t offered;
};

class AuthenticationTest : public DownloadTest, public ::testing::WithParamInterface<AuthenticationCase> {};

TEST_P(AuthenticationTest, CredentialsFromTheAnswer) {
  const AuthenticationCase& row = GetParam();
  Bind({"authenticate", "getwindow", "complete"});
  Answer("authenticate", row.answer);
  FakeAnswer answer = FakeAnswer::Body({"secret"});
  answer.credentials = TUrlCredentials{"ann", "pw 1"};
  m_net.answers.push_back(answer);
  Start();
  Settle();
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{row.code});
  EXPECT_EQ(m_net.offered.size(), row.offered);
  const std::vector<Event> asked = Events("authenticate");
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked[0].data, Array({Variant("dl")}));
  ASSERT_FALSE(Events("getwindow").empty());
  EXPECT_EQ(Events("getwindow")[0].data, Array({Variant("dl"), Variant(std::int64_t{0})}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AuthenticationTest,
    ::testing::Values(AuthenticationCase{Variant("ann,\"pw 1\""), 0, 1},
                      AuthenticationCase{Array({Variant("ann"), Variant("pw 1")}), 0, 1},
                      // Wrong three times: the fourth request gives up and the 401 goes on.
                      AuthenticationCase{Variant("ann,wrong"), Code(kFail), 4},
                      AuthenticationCase{Variant(), Code(kFail), 1},
                      AuthenticationCase{Variant(static_cast<int>(kAbort)), Code(kFail), 1}));

TEST_F(DownloadTest, TimeoutAsksAndAbortsWithoutAnAnswer) {
  Bind({"timeout", "complete"});
  Loader().SetTimeout(5);
  FakeAnswer stall = FakeAnswer::Body({});
  stall.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(stall);
  Start();
  Settle();
  m_loop.Advance(4999);
  EXPECT_TRUE(Events("timeout").empty());
  m_loop.Advance(1);
  ASSERT_EQ(Events("timeout").size(), 1u);
  EXPECT_EQ(Events("timeout")[0].data, Array({Variant("dl"), Variant(2)}));
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kTimeout)});
  EXPECT_FALSE(Loader().Busy());
}

TEST_F(DownloadTest, TimeoutAnsweredOverwriteWaitsAgain) {
  Bind({"timeout", "complete"});
  Answer("timeout", Variant(1));
  Loader().SetTimeout(5);
  FakeAnswer stall = FakeAnswer::Body({});
  stall.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(stall);
  Start();
  m_loop.Advance(5000);
  EXPECT_EQ(Events("timeout").size(), 1u);
  EXPECT_TRUE(Completions().empty());
  m_loop.Advance(5000);
  EXPECT_EQ(Events("timeout").size(), 2u);
  Answer("timeout", Variant(0));
  m_loop.Advance(5000);
  EXPECT_EQ(Events("timeout").size(), 3u);
  m_loop.Advance(60000);
  EXPECT_EQ(Events("timeout").size(), 3u) << "resume leaves the timer stopped";
  EXPECT_TRUE(Loader().Busy());
  Loader().SetExec(Variant("cancel"));
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kAbort)});
}

TEST_F(DownloadTest, TimeoutSeesNewBytesAndStaysQuiet) {
  Bind({"timeout", "complete"});
  Loader().SetTimeout(5);
  FakeAnswer slow = FakeAnswer::Body({"abc"});
  slow.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(slow);
  Start();
  Settle();
  m_loop.Advance(20000);
  EXPECT_TRUE(Events("timeout").empty());
  EXPECT_TRUE(Completions().empty());
  Loader().SetTimeout(5);
  m_loop.Advance(5000);
  EXPECT_EQ(Events("timeout").size(), 1u) << "the setter restarts the timer while a transfer runs";
}

struct ThresholdCase {
  std::uint32_t threshold;
  bool fires;
};

class ThresholdTest : public DownloadTest, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(ThresholdTest, ChecksTheFirstMinute) {
  const ThresholdCase& row = GetParam();
  Bind({"threshold", "complete"});
  Loader().SetThreshold(row.threshold);
  FakeAnswer slow = FakeAnswer::Body({std::string(60, 'a'), std::string(40, 'b')});
  slow.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(slow);
  Start();
  Settle();
  m_loop.Advance(59999);
  EXPECT_TRUE(Events("threshold").empty());
  m_loop.Advance(1);
  EXPECT_EQ(Events("threshold").size(), row.fires ? 1u : 0u);
  EXPECT_EQ(Completions(), row.fires ? std::vector<std::int64_t>{Code(kThreshold)} : std::vector<std::int64_t>{});
}

INSTANTIATE_TEST_SUITE_P(Rows, ThresholdTest,
                         ::testing::Values(ThresholdCase{100, true}, ThresholdCase{101, true}, ThresholdCase{99, false}));

TEST_F(DownloadTest, SuspendHoldsReadsAndResumeGoesOn) {
  Bind({"complete"});
  m_net.answers.push_back(FakeAnswer::Body({"one", "two"}));
  answers["progress"] = [this](const Variant& data) {
    if (data.AsArray().At(3).ToInt64() == 5 && data.AsArray().At(1).ToInt64() == 3) Loader().SetExec(Variant("suspend"));
    return Variant();
  };
  Bind({"progress"});
  Start();
  Settle();
  EXPECT_TRUE(Loader().Busy());
  EXPECT_EQ(m_net.pendingReads, 0) << "no read while suspended";
  EXPECT_EQ(Loader().Text(), "one");
  Loader().SetExec(Variant("resume"));
  EXPECT_EQ(Loader().GetExec(), Variant(0));
  Settle();
  EXPECT_EQ(Loader().Text(), "onetwo");
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{0});
}

TEST_F(DownloadTest, CancelInsideAHandlerEndsAtOnceAndCompletesOnce) {
  Bind({"complete", "progress"});
  FakeAnswer stall = FakeAnswer::Body({"x"});
  stall.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(stall);
  answers["progress"] = [this](const Variant& data) {
    if (data.AsArray().At(3).ToInt64() == 5) Loader().SetExec(Variant("cancel"));
    return Variant();
  };
  Start();
  Settle();
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kAbort)});
  EXPECT_FALSE(Loader().Busy());
  EXPECT_EQ(m_net.cancels, 1);
  m_loop.Advance(200000);
  EXPECT_EQ(Completions().size(), 1u);
}

TEST_F(DownloadTest, WordsWithoutATransferAnswerOne) {
  for (const char* word : {"abort", "suspend", "resume"}) {
    Loader().SetExec(Variant(word));
    EXPECT_EQ(Loader().GetExec(), Variant(1)) << word;
  }
  for (const char* word : {"CANCEL", "Release"}) {
    Loader().SetExec(Variant(word));
    EXPECT_EQ(Loader().GetExec(), Variant(true)) << word;
  }
  Loader().SetExec(Variant("nonsense"));
  EXPECT_EQ(Loader().GetExec(), Variant(false));
}

TEST_F(DownloadTest, FreedMidTransferFiresNothingAndClosesTheFile) {
  Bind({"complete", "progress"});
  Loader().SetFileName("half.bin");
  FakeAnswer stall = FakeAnswer::Body({"half"});
  stall.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(stall);
  Start();
  Settle();
  ASSERT_TRUE(Loader().Busy());
  const std::size_t calls = m_hooks.calls.size();
  struct stat before {};
  ASSERT_EQ(stat("/proc/self/fd", &before), 0);
  const auto openFiles = [] {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code ec;
      const auto target = std::filesystem::read_symlink(entry.path(), ec);
      if (!ec && target.filename() == "half.bin") ++count;
    }
    return count;
  };
  EXPECT_EQ(openFiles(), 1u);
  m_loader.reset();
  EXPECT_EQ(openFiles(), 0u);
  m_loop.Advance(200000);
  EXPECT_EQ(m_hooks.calls.size(), calls);
  EXPECT_EQ(testing::ReadFile(m_folder.Path("half.bin")), "half");
}

TEST_F(DownloadTest, ANewDownloadDropsTheOldTransferSilently) {
  Bind({"complete"});
  FakeAnswer stall = FakeAnswer::Body({"a"});
  stall.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(stall);
  m_net.answers.push_back(FakeAnswer::Body({"b"}));
  Start();
  Settle();
  Start();
  Settle();
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{0});
  EXPECT_EQ(Loader().Text(), "b");
}

}  // namespace
}  // namespace halbrin::download_test
