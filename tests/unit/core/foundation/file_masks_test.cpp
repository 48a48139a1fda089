// The one Windows-mask matcher: the two catch-all masks, leading dots, and
// letter case kept or ignored.

#include "core/foundation/file_masks.h"

#include <gtest/gtest.h>

namespace halbrin {
namespace {

struct MaskCase {
  const char* mask;
  const char* name;
  bool sensitive;
  bool ignoringCase;
};

class FileMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FileMaskTest, MatchesAsWindowsMasksDo) {
  const MaskCase& c = GetParam();
  EXPECT_EQ(MaskMatches(c.mask, c.name, TMaskCase::Sensitive), c.sensitive) << c.mask << " ~ " << c.name;
  EXPECT_EQ(MaskMatches(c.mask, c.name, TMaskCase::Ignore), c.ignoringCase) << c.mask << " ~ " << c.name;
}

INSTANTIATE_TEST_SUITE_P(Masks, FileMaskTest,
                         ::testing::Values(MaskCase{"*", "README", true, true},
                                           MaskCase{"*.*", "README", true, true},  // no dot needed
                                           MaskCase{"*.*", ".hidden", true, true},
                                           MaskCase{"*", ".hidden", true, true},
                                           MaskCase{"*.txt", ".hidden.txt", false, false},  // FNM_PERIOD
                                           MaskCase{"*.txt", "notes.txt", true, true},
                                           MaskCase{"*.txt", "NOTES.TXT", false, true},
                                           MaskCase{"*.TXT", "notes.txt", false, true},
                                           MaskCase{"a?c.doc", "abc.doc", true, true},
                                           MaskCase{"a?c.doc", "abbc.doc", false, false}));

TEST(FileMaskListTest, AnyMaskOfTheListMatches) {
  EXPECT_TRUE(MaskListMatches("*.htm;*.html", "index.HTML", TMaskCase::Ignore));
  EXPECT_FALSE(MaskListMatches("*.htm;*.html", "index.HTML", TMaskCase::Sensitive));
  EXPECT_TRUE(MaskListMatches(" *.png ; *.jpg ", "a.jpg", TMaskCase::Sensitive)) << "blanks around masks";
  EXPECT_FALSE(MaskListMatches(";;", "a.jpg", TMaskCase::Sensitive)) << "empty masks match nothing";
  EXPECT_FALSE(MaskListMatches("", "a.jpg", TMaskCase::Ignore));
}

}  // namespace
}  // namespace halbrin
