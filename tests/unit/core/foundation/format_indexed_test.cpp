// The Format of the class library with argument indexes: indexes move the
// argument position, widths pad by characters, and a specifier that does not
// fit raises instead of reaching printf.

#include "core/foundation/format_indexed.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/base/exception.h"

namespace halbrin {
namespace {

using platform::Variant;

struct FormatCase {
  const char* pattern;
  std::vector<Variant> args;
  const char* expected;
};

TEST(FormatIndexedTest, WritesEachSpecifier) {
  const FormatCase cases[] = {
      {"...%3:s|%4:s|%5:s...", {Variant(1), Variant("n"), Variant(""), Variant("a "), Variant("b"), Variant(" c")},
       "...a |b| c..."},
      {"%1:s=%0:d", {Variant(7), Variant("x")}, "x=7"},
      {"%1:s %s", {Variant("a"), Variant("b"), Variant("c")}, "b c"},
      {"%d%%", {Variant(50)}, "50%"},
      {"[%5d]", {Variant(42)}, "[   42]"},
      {"[%-5d]", {Variant(42)}, "[42   ]"},
      {"%.4d", {Variant(-7)}, "-0007"},
      {"%x", {Variant(255)}, "FF"},
      {"%u", {Variant(3)}, "3"},
      {"%.2f", {Variant(3.14159)}, "3.14"},
      {"%f", {Variant(2)}, "2.00"},
      {"%n", {Variant(1234567.5)}, "1,234,567.50"},
      {"%.0n", {Variant(-1234)}, "-1,234"},
      {"%.3s", {Variant("Привет")}, "При"},
      {"[%4s]", {Variant("я")}, "[   я]"},
      {"%s", {Variant(12)}, "12"},
      {"%s|%s", {Variant(true), Variant::Null()}, "True|"},
      {"no specifiers", {}, "no specifiers"},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(FormatIndexed(c.pattern, c.args), c.expected) << c.pattern;
}

TEST(FormatIndexedTest, RaisesForASpecifierThatDoesNotFit) {
  const FormatCase cases[] = {
      {"%d", {Variant("text")}, nullptr},
      {"%f", {Variant("1.5")}, nullptr},
      {"%d", {Variant(1.5)}, nullptr},
      {"%s %s", {Variant("only one")}, nullptr},
      {"%3:s", {Variant("a")}, nullptr},
      {"%q", {Variant(1)}, nullptr},
      {"%", {Variant(1)}, nullptr},
      {"%5", {Variant(1)}, nullptr},
      {"%.s", {Variant("a")}, nullptr},
      {"%*d", {Variant(1), Variant(2)}, nullptr},
  };
  for (const FormatCase& c : cases) {
    try {
      FormatIndexed(c.pattern, c.args);
      ADD_FAILURE() << c.pattern << " did not raise";
    } catch (const platform::EConvertError& error) {
      EXPECT_EQ(std::string(error.what()),
                std::string("Format '") + c.pattern + "' invalid or incompatible with argument");
    }
  }
}

}  // namespace
}  // namespace halbrin
