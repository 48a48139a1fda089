// The one Windows-mask matcher: the two catch-all masks, stars and question
// marks only, brackets literal, leading dots like any character, letter case
// kept or ignored.

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
                                           MaskCase{"*.txt", ".hidden.txt", true, true},  // a leading dot is any character
                                           MaskCase{"*.txt", "notes.txt", true, true},
                                           MaskCase{"*.txt", "NOTES.TXT", false, true},
                                           MaskCase{"*.TXT", "notes.txt", false, true},
                                           MaskCase{"a?c.doc", "abc.doc", true, true},
                                           MaskCase{"a?c.doc", "abbc.doc", false, false},
                                           MaskCase{"*.txt", "a[1].txt", true, true},  // brackets are literal
                                           MaskCase{"a[1].txt", "a[1].txt", true, true},
                                           MaskCase{"a[1].txt", "a1.txt", false, false},
                                           MaskCase{"*.txt", "ÄRGER.TXT", false, true},  // the project's folding
                                           MaskCase{"ärger.txt", "ÄRGER.TXT", false, true},
                                           MaskCase{"?.txt", "ä.txt", true, true},  // one character, not one byte
                                           MaskCase{"?.txt", "ab.txt", false, false},
                                           MaskCase{"*a", "*ba", true, true},
                                           MaskCase{"a*b*c", "aXbYbZc", true, true},
                                           MaskCase{"a*b*c", "aXbYbZ", false, false},
                                           MaskCase{"*.tx", "a.txt", false, false},
                                           MaskCase{"", "", true, true},
                                           MaskCase{"", "a", false, false}));

TEST(FileMaskListTest, AnyMaskOfTheListMatches) {
  EXPECT_TRUE(MaskListMatches("*.htm;*.html", "index.HTML", TMaskCase::Ignore));
  EXPECT_FALSE(MaskListMatches("*.htm;*.html", "index.HTML", TMaskCase::Sensitive));
  EXPECT_TRUE(MaskListMatches(" *.png ; *.jpg ", "a.jpg", TMaskCase::Sensitive)) << "blanks around masks";
  EXPECT_FALSE(MaskListMatches(";;", "a.jpg", TMaskCase::Sensitive)) << "empty masks match nothing";
  EXPECT_FALSE(MaskListMatches("", "a.jpg", TMaskCase::Ignore));
}

}  // namespace
}  // namespace halbrin
