// The name rules that keep names from cabinets and scripts inside their
// folder, the decoding of names stored without the UTF-8 bit, and the
// message texts of the two errors.

#include "components/cabinet/cabinet_names.h"

#include <gtest/gtest.h>

#include "components/cabinet/cabinet_errors.h"

namespace halbrin {
namespace {

using Parts = std::vector<std::string>;

TEST(CabinetNamesTest, PartsDropEmptyAndDotAndRefuseParentParts) {
  const struct {
    const char* name;
    std::optional<Parts> parts;
  } cases[] = {
      {"a.txt", Parts{"a.txt"}},
      {"sub\\b.txt", Parts{"sub", "b.txt"}},
      {"sub/b.txt", Parts{"sub", "b.txt"}},
      {"\\abs.txt", Parts{"abs.txt"}},
      {"/tmp/abs.txt", Parts{"tmp", "abs.txt"}},
      {"C:\\drive.txt", Parts{"C:", "drive.txt"}},
      {".\\a\\\\.\\b", Parts{"a", "b"}},
      {"a..b\\...", Parts{"a..b", "..."}},
      {"..\\evil.txt", std::nullopt},
      {"../evil.txt", std::nullopt},
      {"a\\..\\..\\evil.txt", std::nullopt},
      {"a/..", std::nullopt},
      {"", std::nullopt},
      {"\\", std::nullopt},
      {".", std::nullopt},
      {"./\\.", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CabinetNameParts(c.name), c.parts) << c.name;
}

TEST(CabinetNamesTest, StoredNamesUseBackslashes) {
  EXPECT_EQ(CabinetStoredName("sub/deeper\\b.txt"), "sub\\deeper\\b.txt");
  EXPECT_EQ(CabinetStoredName("/lead.txt"), "lead.txt");
  EXPECT_EQ(CabinetStoredName("x/../y"), std::nullopt);
}

TEST(CabinetNamesTest, NamesWithoutTheUtf8BitAreReadInTheCodePage) {
  const std::string cp1251 = "\xF2\xE5\xF1\xF2.txt";  // "тест.txt"
  EXPECT_EQ(CabinetNameText(cp1251, false, "windows-1251"), "тест.txt");
  EXPECT_EQ(CabinetNameText("тест.txt", true, "windows-1251"), "тест.txt");
  EXPECT_EQ(CabinetNameText("plain\\a.txt", false, "windows-1251"), "plain\\a.txt");
  // Bytes that are no UTF-8 under the UTF-8 bit still give UTF-8.
  const std::string shown = CabinetNameText("\xFF" "a", true, "windows-1251");
  EXPECT_EQ(shown, "\xEF\xBF\xBD" "a");
}

TEST(CabinetNamesTest, ErrorMessages) {
  EXPECT_EQ(std::string(ECabinetError(11, 0).what()), "Cabinet error 11 (type 0)");
  const ECabinetError error(kFciOpenSource, 22);
  EXPECT_EQ(error.Code(), 1);
  EXPECT_EQ(error.Type(), 22);
  EXPECT_EQ(std::string(EApiError(2).what()), "Error 2: No such file or directory");
  EXPECT_EQ(EApiError(13).ClassName(), "EApiError");
}

TEST(CabinetNamesTest, TempFileNamesAreNewFiles) {
  const std::string folder = CabinetTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  const std::string first = CabinetTempFileName(folder, "hcb");
  const std::string second = CabinetTempFileName(folder, "hcb");
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(folder + "hcb", 0), 0u);
  ::unlink(first.c_str());
  ::unlink(second.c_str());
  EXPECT_EQ(CabinetTempFileName("/no/such/folder", "hcb"), "");
}

}  // namespace
}  // namespace halbrin
