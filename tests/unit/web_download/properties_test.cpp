// The component's own texts and properties: `hFlags`, `text` by encoding and
// charset, the `fileName` setter moving held data, "release", `Assign`, and
// the defaults.

#include <filesystem>

#include "core/foundation/project_encoding.h"
#include "unit/web_download/download_test_support.h"

namespace halbrin::download_test {
namespace {

TEST_F(DownloadTest, DefaultsAreThoseScriptsExpect) {
  const TUrlLoaderEx& loader = Loader();
  EXPECT_EQ(loader.GetTypeName(), "download");
  EXPECT_TRUE(loader.Async());
  EXPECT_TRUE(loader.AutoComplete());
  EXPECT_FALSE(loader.Cached());
  EXPECT_TRUE(loader.UserAgent().IsNull());
  EXPECT_TRUE(loader.PostContentType().IsNull());
  EXPECT_EQ(loader.Method(), TUrlLoaderMethod::lmAuto);
  EXPECT_EQ(loader.DefaultAction(), TUrlLoaderAction::laResume);
  EXPECT_EQ(loader.Encoding(), TUrlLoaderEncoding::leAuto);
  EXPECT_EQ(loader.Flags(), 8947u);
  EXPECT_EQ(loader.HFlags(), "000022F3");
  EXPECT_EQ(loader.Timeout(), -1);
  EXPECT_EQ(loader.Threshold(), 0u);
  EXPECT_EQ(loader.Text(), "");
  EXPECT_EQ(loader.Size(), 0);
  EXPECT_FALSE(loader.Busy());
}

struct HexFlagsCase {
  const char* text;
  std::uint32_t flags;
};

class HexFlagsTest : public DownloadTest, public ::testing::WithParamInterface<HexFlagsCase> {};

TEST_P(HexFlagsTest, SetsFlagsOrIsIgnored) {
  Loader().SetFlags(0x1234);
  Loader().SetHFlags(GetParam().text);
  EXPECT_EQ(Loader().Flags(), GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(Rows, HexFlagsTest,
                         ::testing::Values(HexFlagsCase{"ff", 255}, HexFlagsCase{"$FF", 255}, HexFlagsCase{"", 0},
                                           HexFlagsCase{"   ", 0}, HexFlagsCase{"zz", 0x1234},
                                           HexFlagsCase{" 10 ", 16}, HexFlagsCase{"$", 0x1234},
                                           HexFlagsCase{"FFFFFFFF", 0xFFFFFFFF}, HexFlagsCase{"100000000", 0x1234}));

struct TextCase {
  TUrlLoaderEncoding encoding;
  std::string charset;
  std::string bytes;
  std::string text;
};

class TextTest : public DownloadTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextTest, DecodesByEncodingAndCharset) {
  const TextCase& row = GetParam();
  FakeAnswer answer = FakeAnswer::Body({row.bytes});
  if (!row.charset.empty()) answer.headers = {{"Content-Type", "text/plain; charset=" + row.charset}};
  m_net.answers.push_back(answer);
  Loader().SetEncoding(row.encoding);
  Start();
  Settle();
  EXPECT_EQ(Loader().Text(), row.text);
}

using E = TUrlLoaderEncoding;
// "Ёж" in each page; the project's code page is windows-1251.
INSTANTIATE_TEST_SUITE_P(
    Rows, TextTest,
    ::testing::Values(TextCase{E::leAuto, "", "\xA8\xE6", "Ёж"},
                      TextCase{E::leAuto, "utf-8", "\xD0\x81\xD0\xB6", "Ёж"},
                      TextCase{E::leAuto, "UTF-8", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
                      TextCase{E::leAuto, "UTF-16", std::string("\x01\x04\x36\x04", 4), "Ёж"},
                      TextCase{E::leAuto, "koi8-r", "\xB3\xD6", "Ёж"},
                      TextCase{E::leAuto, "oem", "\xF0\xA6", "Ёж"},
                      TextCase{E::leAuto, "ma", "\xDD\xE6", "Ёж"},
                      TextCase{E::leAuto, "no-such-charset", "\xA8\xE6", "Ёж"},
                      TextCase{E::leAuto, "utf-7", "+BAEENg-", "Ёж"},
                      TextCase{E::leAnsi, "utf-8", "\xA8\xE6", "Ёж"},
                      TextCase{E::leOem, "", "\xF0\xA6", "Ёж"},
                      TextCase{E::leMac, "", "\xDD\xE6", "Ёж"},
                      TextCase{E::leUtf8, "koi8-r", "\xD0\x81", "Ё"},
                      TextCase{E::leUtf8, "", "\xC3", "\xEF\xBF\xBD"},
                      TextCase{E::leUtf16, "", std::string("A\x00\x00\xD8", 4), "A\xEF\xBF\xBD"},
                      TextCase{E::leSymbol, "", "A\xFF", "\xEF\x81\x81\xEF\x83\xBF"},
                      TextCase{E::leAuto, "utf-8", "", ""}));

TEST(LoaderTextTest, CompanionPagesOfTheProjectCodePage) {
  EXPECT_EQ(OemCodePage("windows-1251"), "CP866");
  EXPECT_EQ(MacCodePage("windows-1251"), "MACCYRILLIC");
  EXPECT_EQ(OemCodePage("windows-1252"), "CP850");
  EXPECT_EQ(MacCodePage("windows-1252"), "MACINTOSH");
  EXPECT_EQ(OemCodePage("windows-1250"), "CP852");
  EXPECT_EQ(MacCodePage("windows-1250"), "MACCENTRALEUROPE");
  EXPECT_EQ(OemCodePage("iso-8859-5"), "CP437");
  EXPECT_EQ(DecodeLoaderText("\x82", TUrlLoaderEncoding::leOem, "", "windows-1252"), "é");
}

TEST_F(DownloadTest, MemoryDataMovesIntoANewFile) {
  m_net.answers.push_back(FakeAnswer::Body({"held ", "bytes"}));
  Start();
  Settle();
  ASSERT_EQ(Loader().Text(), "held bytes");
  Loader().SetFileName("sub\\dir\\kept.txt");
  EXPECT_EQ(Loader().FileName(), "sub/dir/kept.txt");
  EXPECT_EQ(testing::ReadFile(m_folder.Path("sub/dir/kept.txt")), "held bytes");
  EXPECT_EQ(Loader().Text(), "held bytes");
  EXPECT_EQ(Loader().Size(), 10);
}

TEST_F(DownloadTest, FileDataMovesIntoMemoryAndTheFileGoes) {
  Loader().SetFileName("f.txt");
  m_net.answers.push_back(FakeAnswer::Body({"file data"}));
  Start();
  Settle();
  ASSERT_EQ(testing::ReadFile(m_folder.Path("f.txt")), "file data");
  Loader().SetFileName("");
  EXPECT_FALSE(std::filesystem::exists(m_folder.Path("f.txt")));
  EXPECT_EQ(Loader().Text(), "file data");
}

TEST_F(DownloadTest, FileToFileLeavesTheDataInTheOldFile) {
  Loader().SetFileName("a.txt");
  m_net.answers.push_back(FakeAnswer::Body({"A"}));
  Start();
  Settle();
  Loader().SetFileName("b.txt");
  EXPECT_EQ(testing::ReadFile(m_folder.Path("a.txt")), "A");
  EXPECT_FALSE(std::filesystem::exists(m_folder.Path("b.txt")));
  EXPECT_EQ(Loader().Text(), "A");
}

TEST_F(DownloadTest, FileNameStaysWhileBusyAndReleaseAbortsFirst) {
  Bind({"complete"});
  Loader().SetFileName("busy.bin");
  FakeAnswer stall = FakeAnswer::Body({"part"});
  stall.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(stall);
  Start();
  Settle();
  ASSERT_TRUE(Loader().Busy());
  Loader().SetFileName("");
  EXPECT_EQ(Loader().FileName(), "busy.bin");
  Loader().SetExec(Variant("release"));
  EXPECT_EQ(Loader().GetExec(), Variant(true));
  EXPECT_FALSE(Loader().Busy());
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(kAbort)});
  EXPECT_EQ(Loader().Text(), "");
  m_loop.Advance(1000);
  EXPECT_EQ(testing::ReadFile(m_folder.Path("busy.bin")), "part");
}

struct TargetErrorCase {
  std::string fileName;
  HResult code;
};

class TargetErrorTest : public DownloadTest, public ::testing::WithParamInterface<TargetErrorCase> {};

TEST_P(TargetErrorTest, StopsWithTheFileCode) {
  m_folder.Write("plain", "x");
  std::filesystem::create_directory(m_folder.Path("folder"));
  Bind({"complete"});
  Loader().SetDefaultAction(TUrlLoaderAction::laOverwrite);
  Loader().SetFileName(GetParam().fileName);
  m_net.answers.push_back(FakeAnswer::Body({"data", "more"}));
  Start();
  Settle();
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{Code(GetParam().code)});
  EXPECT_EQ(m_net.cancels, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, TargetErrorTest,
                         ::testing::Values(TargetErrorCase{"plain/under.bin", kPathNotFound},
                                           TargetErrorCase{"folder", kAccessDenied}));

TEST_F(DownloadTest, AssignCopiesTheListedPropertiesOnly) {
  TUrlLoaderEx source;
  source.SetAsync(false);
  source.SetCached(true);
  source.SetEncoding(TUrlLoaderEncoding::leUtf8);
  source.SetUrl("http://a.test/");
  source.SetHeaders("X: 1");
  source.SetUserAgent(Variant("agent"));
  source.SetFileName("copy.bin");
  source.SetPostData("p=1");
  source.SetDefaultAction(TUrlLoaderAction::laAbort);
  source.SetFlags(0x2);
  source.SetTimeout(9);
  source.SetThreshold(5);
  source.SetMethod(TUrlLoaderMethod::lmPut);
  source.SetAutoComplete(false);
  source.SetPostContentType(Variant("text/plain"));
  Loader().Assign(source);
  const TUrlLoaderEx& copy = Loader();
  EXPECT_FALSE(copy.Async());
  EXPECT_TRUE(copy.Cached());
  EXPECT_EQ(copy.Encoding(), TUrlLoaderEncoding::leUtf8);
  EXPECT_EQ(copy.Url(), "http://a.test/");
  EXPECT_EQ(copy.Headers(), "X: 1");
  EXPECT_EQ(copy.UserAgent(), Variant("agent"));
  EXPECT_EQ(copy.FileName(), "copy.bin");
  EXPECT_EQ(copy.PostData(), "p=1");
  EXPECT_EQ(copy.DefaultAction(), TUrlLoaderAction::laAbort);
  EXPECT_EQ(copy.Flags(), TUrlLoaderEx::kDefaultFlags);
  EXPECT_EQ(copy.Timeout(), -1);
  EXPECT_EQ(copy.Threshold(), 0u);
  EXPECT_EQ(copy.Method(), TUrlLoaderMethod::lmAuto);
  EXPECT_TRUE(copy.AutoComplete());
  EXPECT_TRUE(copy.PostContentType().IsNull());
}

TEST_F(DownloadTest, SpeedAndTimesFollowTheBytes) {
  FakeAnswer answer = FakeAnswer::Body({std::string(100, 'a'), std::string(100, 'b')});
  answer.headers = {{"Content-Length", "400"}};
  answer.end = FakeAnswer::End::Stall;
  m_net.answers.push_back(answer);
  answers["progress"] = [this](const Variant& data) {
    if (data.AsArray().At(3).ToInt64() == 5 && data.AsArray().At(1).ToInt64() == 100) Loader().SetExec(Variant("suspend"));
    return Variant();
  };
  Bind({"progress"});
  Start();
  Settle();
  ASSERT_EQ(Loader().Size(), 100);
  EXPECT_EQ(Loader().Speed(), 0) << "no time passed before the first chunk";
  m_loop.Advance(2000);
  Loader().SetExec(Variant("resume"));
  m_loop.RunIdle();
  ASSERT_EQ(Loader().Size(), 200);
  EXPECT_DOUBLE_EQ(Loader().Speed(), 100.0) << "bytes per second";
  // Durations are date-time values: days since the OLE epoch.
  EXPECT_NEAR(Loader().Elapsed().Value(), 2000.0 / 86'400'000, 1e-9);
  EXPECT_NEAR(Loader().Remaining().Value(), 2000.0 / 86'400'000, 1e-9) << "elapsed x (max - progress) / progress";
  EXPECT_NEAR(Loader().EndTime().Value() - Loader().BeginTime().Value(), 2000.0 / 86'400'000, 1e-6)
      << "now + remaining";
  const Variant last = Events("progress").back().data;
  EXPECT_EQ(last, Array({Variant("dl"), Variant(std::int64_t{200}), Variant(std::int64_t{400}), Variant(5),
                         Variant("http://example.test/file"), Variant(100.0)}));
}

}  // namespace
}  // namespace halbrin::download_test

namespace halbrin::download_test {
namespace {

TEST(SyncWaitScopeTest, HoldsQueuedEventsWhileItLasts) {
  EXPECT_FALSE(ApplicationHooks().HoldQueuedEvents());
  {
    const SyncWaitScope outer;
    const SyncWaitScope inner;
    EXPECT_TRUE(ApplicationHooks().HoldQueuedEvents());
  }
  EXPECT_FALSE(ApplicationHooks().HoldQueuedEvents());
}

}  // namespace
}  // namespace halbrin::download_test
