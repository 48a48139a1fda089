#include "core/foundation/record_set.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/foundation/msxml_dom_document.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;
using platform::Variant;

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";

TEST(RecordSetTest, NormalizesTheHeader) {
  ASSERT_EQ(XmlDeclaration(), kHeader);
  const struct {
    const char* what;
    std::string text;
    std::string expected;
  } cases[] = {
      {"no declaration: header and CR LF in front, nothing broken", "<recordset><a/><b/></recordset>",
       kHeader + "\r\n<recordset><a/><b/></recordset>"},
      {"bare declaration replaced, empty elements put on lines",
       "<?xml version=\"1.0\"?><recordset><record><a/><b/></record></recordset>",
       kHeader + "<recordset><record><a/>\r\n<b/>\r\n</record></recordset>"},
      {"declaration in other letter case", "<?XML VERSION=\"1.0\"?><r/>", kHeader + "<r/>"},
      {"a full declaration stays as it is", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r/>",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r/>"},
      {"empty text", "", kHeader + "\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeRecordSetHeader(c.text), c.expected) << c.what;
}

TEST(RecordSetTest, SafeFileNameDropsForbiddenCharactersAndCutsByCharacters) {
  const struct {
    const char* what;
    std::string text;
    std::size_t max;
    std::string expected;
  } cases[] = {
      {"every forbidden character", "a\\b/c|d\"e:f*g?h<i>j", 512, "abcdefghij"},
      {"line breaks", "one\r\ntwo\nthree\rfour", 512, "onetwothreefour"},
      {"cut to the length", "abcdef", 3, "abc"},
      {"cut after removal", "a/b/c/d", 3, "abc"},
      {"cut never splits a letter", "\xD0\x94\xD0\xB0\xD0\xBD", 2, "\xD0\x94\xD0\xB0"},
      {"nothing left", "/:*", 512, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.text, c.max), c.expected) << c.what;
}

TEST(RecordSetTest, NumberFromVariantReadsFromTheLeft) {
  const struct {
    Variant value;
    double expected;
  } cases[] = {
      {Variant("1px"), 1.0},        {Variant("2.5px"), 2.5},     {Variant("2,5"), 2.5},
      {Variant(" 1 2 "), 12.0},     {Variant("medium"), 0.0},    {Variant(""), 0.0},
      {Variant("-3"), 0.0},         {Variant(7), 7.0},           {Variant("0.0px"), 0.0},
      {Variant("1.5.7"), 1.5},      {Variant(","), 0.0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NumberFromVariant(c.value), c.expected) << c.value.ToText();
}

TEST(RecordSetTest, SaveTextLinesEndsEveryLineWithCrLfAndMakesTheFolder) {
  gchar* dir = g_dir_make_tmp("halbrin-record-set-XXXXXX", nullptr);
  ASSERT_NE(dir, nullptr);
  const fs::path root = dir;
  g_free(dir);
  const std::string path = (root / "a" / "b" / "set.xml").string();

  SaveTextLines("<r>\n<x/>\r\n</r>", path, true);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "<r>\r\n<x/>\r\n</r>\r\n");

  EXPECT_ANY_THROW(SaveTextLines("x", (root / "missing" / "f.xml").string(), false));
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

}  // namespace
}  // namespace halbrin
