#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/project_encoding.h"

namespace halbrin {
namespace {

// "Привет" in UTF-8 and in windows-1251.
const std::string kHelloUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
const std::string kHello1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";

// Restores the process-wide setting whatever a test did to it.
class ProjectEncodingTest : public testing::Test {
 protected:
  void SetUp() override { m_saved = ProjectEncoding(); }
  void TearDown() override { SetProjectEncoding(m_saved); }

 private:
  std::string m_saved;
};

TEST_F(ProjectEncodingTest, DefaultsToWindows1251AndIsSettable) {
  EXPECT_EQ(ProjectEncoding(), "windows-1251");
  SetProjectEncoding("koi8-r");
  EXPECT_EQ(ProjectEncoding(), "koi8-r");
  SetProjectEncoding(" UTF-8 ");
  EXPECT_EQ(ProjectEncoding(), "UTF-8");
}

TEST_F(ProjectEncodingTest, UnknownEncodingIsRefusedAndTheOldOneKept) {
  for (const char* name : {"no-such-encoding", "", "  "}) {
    SCOPED_TRACE(name);
    try {
      SetProjectEncoding(name);
      ADD_FAILURE() << "no error";
    } catch (const EEncodingError& e) {
      EXPECT_EQ(e.Message(), std::string("Unknown encoding \"") + name + "\"");
    }
    EXPECT_EQ(ProjectEncoding(), "windows-1251");
  }
}

// Files written in the project's encoding must read back: its markup (ASCII)
// must stay the same bytes, one byte per character.
TEST_F(ProjectEncodingTest, OnlyEncodingsThatReadBackWhatTheyWriteAreTaken) {
  for (const char* name : {"windows-1251", "koi8-r", "CP866", "ISO-8859-1", "ISO-8859-5", "windows-1252", "ASCII",
                           "MACINTOSH", "utf8", "UTF-8"}) {
    SCOPED_TRACE(name);
    EXPECT_NO_THROW(SetProjectEncoding(name));
    EXPECT_EQ(ProjectEncoding(), name);
  }
  const struct {
    const char* name;
    const char* why;
  } refused[] = {
      {"utf7", "it does not keep ASCII text as it is"},
      {"UTF-7", "it does not keep ASCII text as it is"},
      {"it", "it does not keep ASCII text as it is"},  // ISO646-IT
      {"ISO646-DE", "it does not keep ASCII text as it is"},
      {"IBM037", "it does not keep ASCII text as it is"},  // EBCDIC
      {"UTF-16", "it does not keep ASCII text as it is"},
      {"UTF-16LE", "it does not keep ASCII text as it is"},
      {"UTF-32", "it does not keep ASCII text as it is"},
      {"SHIFT_JIS", "it does not keep ASCII text as it is"},  // "\\" and "~" as yen and overline
      {"CP932", "it is not a single-byte code page"},
      {"GBK", "it is not a single-byte code page"},
      {"EUC-JP", "it is not a single-byte code page"},
      {"BIG5", "it is not a single-byte code page"},
      {"ISO-2022-JP", "it is not a single-byte code page"},
      {"windows-1251//TRANSLIT", "not a plain encoding name"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.name);
    SetProjectEncoding("koi8-r");
    try {
      SetProjectEncoding(c.name);
      ADD_FAILURE() << "no error";
    } catch (const EEncodingError& e) {
      EXPECT_EQ(e.Message(), std::string("Unsupported encoding \"") + c.name + "\": " + c.why);
    }
    EXPECT_THROW(CheckProjectEncoding(c.name), EEncodingError);
    EXPECT_EQ(ProjectEncoding(), "koi8-r");
  }
}

TEST_F(ProjectEncodingTest, ResetGoesBackToTheDefault) {
  SetProjectEncoding("UTF-8");
  ResetProjectEncoding();
  EXPECT_EQ(ProjectEncoding(), "windows-1251");
  EXPECT_EQ(ProjectEncoding(), DefaultProjectEncoding);
}

TEST(EncodingNames, Utf8Spellings) {
  for (const char* name : {"UTF-8", "utf-8", "Utf8", "UTF8"}) EXPECT_TRUE(IsUtf8EncodingName(name)) << name;
  for (const char* name : {"UTF-16", "windows-1251", "", "utf-8 "}) EXPECT_FALSE(IsUtf8EncodingName(name)) << name;
}

TEST(EncodeAndDecode, ConvertBothWays) {
  const struct {
    const char* encoding;
    std::string utf8;
    std::string bytes;
  } cases[] = {
      {"windows-1251", kHelloUtf8, kHello1251},
      {"WINDOWS-1251", "Ёё №", "\xA8\xB8 \xB9"},
      {"windows-1251", "plain ASCII\r\n", "plain ASCII\r\n"},
      {"windows-1251", std::string("a\0b", 3), std::string("a\0b", 3)},  // NUL bytes pass through
      {"windows-1251", "", ""},
      {"koi8-r", kHelloUtf8, "\xF0\xD2\xC9\xD7\xC5\xD4"},
      {"UTF-8", kHelloUtf8, kHelloUtf8},
      {"ISO-8859-1", "caf\xC3\xA9", "caf\xE9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.encoding << " '" << c.utf8 << "'");
    EXPECT_EQ(EncodeText(c.utf8, c.encoding), c.bytes);
    EXPECT_EQ(DecodeText(c.bytes, c.encoding), c.utf8);
  }
}

TEST(EncodeAndDecode, FailuresNameTheOffsetAndNeverTruncate) {
  const struct {
    const char* what;
    bool encode;
    std::string input;
    const char* encoding;
    const char* message;
  } cases[] = {
      // 0x98 is the one byte windows-1251 leaves undefined.
      {"undefined byte", false, "ab\x98" "cd", "windows-1251",
       "Invalid byte sequence for encoding \"windows-1251\" at offset 2"},
      {"invalid UTF-8 read as UTF-8", false, "ok\xFF", "UTF-8",
       "Invalid byte sequence for encoding \"UTF-8\" at offset 2"},
      {"cut UTF-8 sequence", false, "ok\xD0", "utf-8",
       "Invalid byte sequence for encoding \"utf-8\" at offset 2"},
      {"cut UTF-16 unit", false, "a", "UTF-16LE",
       "Incomplete byte sequence for encoding \"UTF-16LE\" at offset 0"},
      {"character the code page lacks", true, "ab\xE6\x97\xA5", "windows-1251",
       "The character at offset 2 cannot be written in encoding \"windows-1251\""},
      {"invalid UTF-8 to write", true, "abc\xC0\xAF", "windows-1251", "Invalid UTF-8 text at offset 3"},
      {"invalid UTF-8 to write as UTF-8", true, "\xED\xA0\x80", "UTF-8", "Invalid UTF-8 text at offset 0"},
      {"unknown encoding", true, "x", "no-such-encoding", "Unknown encoding \"no-such-encoding\""},
      {"unknown encoding", false, "x", "no-such-encoding", "Unknown encoding \"no-such-encoding\""},
      // An empty name must not fall back to the process locale.
      {"empty encoding name", true, "x", "", "Unknown encoding \"\""},
      {"empty encoding name", false, "x", "", "Unknown encoding \"\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      if (c.encode)
        EncodeText(c.input, c.encoding);
      else
        DecodeText(c.input, c.encoding);
      ADD_FAILURE() << "no error";
    } catch (const EEncodingError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(DecodeFileText, ByteOrderMarkMeansUtf8) {
  EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF" + kHelloUtf8, "windows-1251"), kHelloUtf8);
  EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF", "windows-1251"), "");
  EXPECT_EQ(DecodeFileText(kHello1251, "windows-1251"), kHelloUtf8);
  // Without the mark, UTF-8 bytes are read in the code page given.
  EXPECT_EQ(DecodeFileText("\xD0\x9F", "windows-1251"), "\xD0\xA0\xD1\x9F");
  EXPECT_THROW(DecodeFileText("\xEF\xBB\xBF\xFF", "windows-1251"), EEncodingError);
}

TEST(FindInvalidUtf8, FirstBadByte) {
  const struct {
    std::string text;
    std::size_t expected;
  } cases[] = {
      {"", std::string::npos},
      {kHelloUtf8, std::string::npos},
      {std::string("a\0b\0", 4), std::string::npos},
      {std::string("a\0\xFF", 3), 2},
      {"abc\x80", 3},
      {"\xD0", 0},
      {kHelloUtf8 + "\xC3(", 12},
      {"\xF4\x90\x80\x80", 0},  // above U+10FFFF
      {"\xF4\x8F\xBF\xBF", std::string::npos},
      {"\xC0\x80", 0},              // overlong NUL
      {"\xE0\x9F\xBF", 0},          // overlong
      {"\xED\xA0\x80", 0},          // surrogate
      {"\xEF\xBF\xBF", std::string::npos},
      {"0123456789abcdef\xF0\x9F\x98", 16},  // cut at the end after whole ASCII words
      {"0123456\xE2\x82\xAC" "89abcdefghijk", std::string::npos},  // a sequence across two words
      {std::string("01234567\0\0\0\0\0\0\0\0x\x80", 18), 17},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "'");
    EXPECT_EQ(FindInvalidUtf8(c.text), c.expected);
  }
}

}  // namespace
}  // namespace halbrin
