// Windows masks: stars and question marks only, brackets literal, dot files
// like any other name, letter case by the project's folding when asked.

#include "core/foundation/windows_mask.h"

#include <gtest/gtest.h>

namespace halbrin {
namespace {

struct MaskCase {
  const char* mask;
  const char* name;
  bool ignoringCase;
  bool withCase;
};

TEST(WindowsMaskTest, MatchesByTheWindowsRules) {
  const MaskCase cases[] = {
      {"*", ".hidden", true, true},
      {"*.*", "README", true, true},
      {"*.txt", ".notes.txt", true, true},
      {"*.txt", "a[1].txt", true, true},
      {"a[1].txt", "a[1].txt", true, true},
      {"a[1].txt", "a1.txt", false, false},
      {"*.txt", "ÄRGER.TXT", true, false},
      {"ärger.txt", "ÄRGER.TXT", true, false},
      {"ärger.txt", "ärger.txt", true, true},
      {"?.txt", "ä.txt", true, true},
      {"?.txt", "ab.txt", false, false},
      {"*a", "*ba", true, true},
      {"a*b*c", "aXbYbZc", true, true},
      {"a*b*c", "aXbYbZ", false, false},
      {"*.tx", "a.txt", false, false},
      {"", "", true, true},
      {"", "a", false, false},
  };
  for (const MaskCase& c : cases) {
    EXPECT_EQ(MatchesWindowsMask(c.mask, c.name, true), c.ignoringCase) << c.mask << " / " << c.name;
    EXPECT_EQ(MatchesWindowsMask(c.mask, c.name, false), c.withCase) << c.mask << " / " << c.name;
  }
}

}  // namespace
}  // namespace halbrin
