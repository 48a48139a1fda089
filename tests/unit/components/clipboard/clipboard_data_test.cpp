// What the clipboard puts on the wire and takes from it: the HTML document
// and its decoder over the shapes other programs write, file lists as URI
// lists, and format ids by name.

#include "components/clipboard/clipboard_data.h"

#include <gtest/gtest.h>

#include <string>

#include "core/foundation/project_encoding.h"

namespace halbrin {
namespace {

using namespace std::string_literals;

TEST(HtmlClipboardDocumentTest, HoldsTheFragmentBetweenTheCommentsInUtf8) {
  const std::string document = BuildHtmlClipboardDocument("<b>Hello</b>");
  EXPECT_EQ(document,
            "<html>\r\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
            "<body>\r\n"
            "<!--StartFragment-->\r\n"
            "<b>Hello</b>\r\n"
            "<!--EndFragment-->\r\n"
            "</body>\r\n"
            "</html>");
  EXPECT_EQ(document.find("<b>Hello</b>"), 107U);
  EXPECT_EQ(DecodeHtmlClipboardText(document), "<b>Hello</b>");
}

TEST(HtmlClipboardDocumentTest, AFragmentOfPlaceholderLettersStaysAsItIs) {
  const std::string fragment = "AAAAAAAAAA BBBBBBBBBB cccccccccc DDDDDDDDDD";
  EXPECT_EQ(DecodeHtmlClipboardText(BuildHtmlClipboardDocument(fragment)), fragment);
}

// A Windows "HTML Format" text with the given offsets around "<b>Hi</b>".
std::string WindowsHeader(const std::string& start, const std::string& end) {
  return "Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000178\r\nStartFragment:" + start +
         "\r\nEndFragment:" + end + "\r\n<html><body><!--StartFragment--><b>Hi</b><!--EndFragment--></body></html>";
}

struct HtmlCase {
  const char* name;
  std::string input;
  std::string expected;
};

std::string Utf16Le(const std::string& ascii, bool mark) {
  std::string bytes = mark ? "\xFF\xFE"s : ""s;
  for (const char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

class HtmlDecodeTest : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlDecodeTest, DecodesAsOtherProgramsWrite) {
  EXPECT_EQ(DecodeHtmlClipboardText(GetParam().input), GetParam().expected);
}

const std::string kGoodHeader = WindowsHeader("0000000137", "0000000146");

INSTANTIATE_TEST_SUITE_P(
    Shapes, HtmlDecodeTest,
    ::testing::Values(
        HtmlCase{"HeaderWithGoodOffsets", kGoodHeader, "<b>Hi</b>"},
        HtmlCase{"HeaderNegativeOffset", WindowsHeader("-0000000001", "0000000138"),
                 WindowsHeader("-0000000001", "0000000138")},
        HtmlCase{"HeaderPastTheEnd", WindowsHeader("0000000129", "0000009999"),
                 WindowsHeader("0000000129", "0000009999")},
        HtmlCase{"HeaderEndBeforeStart", WindowsHeader("0000000138", "0000000129"),
                 WindowsHeader("0000000138", "0000000129")},
        HtmlCase{"HeaderNotNumbers", WindowsHeader("CCCCCCCCCC", "DDDDDDDDDD"),
                 WindowsHeader("CCCCCCCCCC", "DDDDDDDDDD")},
        HtmlCase{"HeaderFewerThanFiveLines", "Version:0.9\r\nStartHTML:1\r\nEndHTML:2\r\nStartFragment:0",
                 "Version:0.9\r\nStartHTML:1\r\nEndHTML:2\r\nStartFragment:0"},
        HtmlCase{"Utf16LeWithMark", Utf16Le("<p><!--StartFragment-->x<!--EndFragment--></p>", true), "x"},
        HtmlCase{"Utf16LeWithoutMark", Utf16Le("<i>plain</i>", false), "<i>plain</i>"},
        HtmlCase{"TheTwoComments", "<body>\n<!--StartFragment--><u>u</u><!--EndFragment-->\n</body>", "<u>u</u>"},
        HtmlCase{"CommentsInTheWrongOrder", "<!--EndFragment-->a<!--StartFragment-->",
                 "<!--EndFragment-->a<!--StartFragment-->"},
        HtmlCase{"ChromiumMetaPrefix", "<meta charset='utf-8'><span>café</span>", "<span>café</span>"},
        HtmlCase{"BadUtf8InUtf8Document", "<b>\xC3</b>", "<b>\xD0\x93</b>"}),  // read as windows-1251
    [](const ::testing::TestParamInfo<HtmlCase>& info) { return std::string(info.param.name); });

TEST(HtmlDecodeCodePageTest, ACp1251CyrillicFragmentRoundTrips) {
  const std::string cyrillic = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // "Привет"
  const std::string cp1251 = EncodeText(cyrillic, "windows-1251");
  ASSERT_NE(cp1251, cyrillic);
  EXPECT_EQ(DecodeHtmlClipboardText("<!--StartFragment-->" + cp1251 + "<!--EndFragment-->"), cyrillic);
  EXPECT_EQ(DecodeHtmlClipboardText(BuildHtmlClipboardDocument(cyrillic)), cyrillic);
}

TEST(FileListTest, NamesBecomePercentEncodedUrisAndComeBack) {
  const std::string names = "/tmp/a b%#.txt::/tmp/\xD1\x84.txt";
  EXPECT_EQ(BuildUriList(names), "file:///tmp/a%20b%25%23.txt\r\nfile:///tmp/%D1%84.txt");
  EXPECT_EQ(BuildGnomeCopiedFiles(names), "copy\nfile:///tmp/a%20b%25%23.txt\nfile:///tmp/%D1%84.txt");
  EXPECT_EQ(DecodeFileList(BuildUriList(names)), names);
  EXPECT_EQ(DecodeFileList(BuildGnomeCopiedFiles(names)), names);
}

TEST(FileListTest, ACutListReadsAsTheSameNames) {
  EXPECT_EQ(DecodeFileList("cut\nfile:///tmp/x\nfile:///tmp/y"), "/tmp/x::/tmp/y");
}

TEST(FileListTest, SkipsNonFileUrisCommentsAndEmptyNames) {
  EXPECT_EQ(DecodeFileList("# a comment\r\nhttp://example.org/x\r\nfile:///tmp/z\r\n\r\nnot a uri\r\n"), "/tmp/z");
  EXPECT_EQ(BuildUriList("/a::::/b::"), "file:///a\r\nfile:///b");
  EXPECT_EQ(BuildUriList(""), "");
  EXPECT_EQ(BuildUriList("\\tmp\\w.txt"), "file:///tmp/w.txt") << "a \\ path entered Windows-style";
}

struct IdCase {
  const char* name;
  std::uint32_t id;
};

class FormatIdTest : public ::testing::TestWithParam<IdCase> {};

TEST_P(FormatIdTest, FixedNamesInAnyCase) { EXPECT_EQ(ClipboardFormatId(GetParam().name), GetParam().id); }

INSTANTIATE_TEST_SUITE_P(Names, FormatIdTest,
                         ::testing::Values(IdCase{"text", 13}, IdCase{"TEXT", 13}, IdCase{"ansi", 1}, IdCase{"Ansi", 1},
                                           IdCase{"html", 0xC000}, IdCase{"HTML", 0xC000},
                                           IdCase{"html format", 0xC000}, IdCase{"file", 15}, IdCase{"FiLe", 15},
                                           IdCase{"", 0}, IdCase{"TARGETS", 0}, IdCase{"multiple", 0},
                                           IdCase{"TIMESTAMP", 0}, IdCase{"SAVE_TARGETS", 0}, IdCase{"DELETE", 0}));

TEST(CustomFormatIdTest, OneNumberPerNameWithoutRegardToCase) {
  const std::uint32_t id = ClipboardFormatId("Halbrin/Test-Custom");
  EXPECT_GE(id, kClipboardFirstCustomId);
  EXPECT_EQ(ClipboardFormatId("halbrin/test-custom"), id);
  EXPECT_NE(ClipboardFormatId("halbrin/other"), id);
  EXPECT_EQ(ClipboardCustomTarget(id), "Halbrin/Test-Custom") << "the first spelling";
  EXPECT_EQ(ClipboardCustomTarget(0xFFFF), "");
}

TEST(ClipboardTextTest, TextsEndAtTheirFirstNulAndBadBytesAreReplaced) {
  EXPECT_EQ(DecodeClipboardText("ab\0cd"s), "ab");
  EXPECT_EQ(DecodeClipboardText(""), "");
  EXPECT_EQ(DecodeClipboardText("a\xFF"), "a\xEF\xBF\xBD");
  EXPECT_EQ(DecodeCustomClipboardText("\xCF\xF0\0x"s), "\xD0\x9F\xD1\x80") << "not UTF-8: the code page";
}

TEST(ClipboardTextTest, TheCodePageLosesWhatItLacks) {
  EXPECT_EQ(EncodeTextLossy("a\xE2\x82\xAC\xE4\xB8\xAD", "windows-1251"), "a\x88?");  // euro, then a CJK character
  EXPECT_EQ(ThroughProjectCodePage("\xD0\x96\xE4\xB8\xAD"), "\xD0\x96?");
}

}  // namespace
}  // namespace halbrin
