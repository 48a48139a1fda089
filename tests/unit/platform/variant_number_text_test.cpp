#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/variant/number_text.h"

namespace halbrin::platform {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumberTextFormat, DoubleTexts) {
  struct Row {
    double value;
    const char* text;
  };
  const std::vector<Row> rows = {
      {0.0, "0"},
      {-0.0, "-0"},
      {1.0, "1"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.3333333333333333"},
      {123456789012.0, "123456789012"},
      {1e20, "100000000000000000000"},
      {1e21, "1e+21"},
      {1e-7, "1e-07"},
      {0.0001, "0.0001"},
      {0.001, "0.001"},
      {5e-324, "5e-324"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
      {std::nan(""), "NAN"},
      {-std::nan(""), "NAN"},
      {kInf, "INF"},
      {-kInf, "-INF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(FormatDouble(row.value), row.text);
  }
}

TEST(NumberTextFormat, FloatIsWrittenAsAFloat) {
  // Through double these would be written with their full binary expansion.
  EXPECT_EQ(FormatFloat(0.1f), "0.1");
  EXPECT_EQ(FormatFloat(3.14159f), "3.14159");
  EXPECT_EQ(FormatFloat(16777216.0f), "16777216");
  EXPECT_EQ(FormatFloat(std::numeric_limits<float>::infinity()), "INF");
  EXPECT_EQ(FormatFloat(std::nanf("")), "NAN");
  EXPECT_NE(FormatDouble(static_cast<double>(0.1f)), "0.1");
}

TEST(NumberTextFormat, Int64Texts) {
  EXPECT_EQ(FormatInt64(0), "0");
  EXPECT_EQ(FormatInt64(-42), "-42");
  EXPECT_EQ(FormatInt64(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(FormatInt64(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
}

TEST(NumberTextFormat, EveryFiniteDoubleReadsBackBitForBit) {
  std::mt19937_64 random(20240611);
  std::vector<double> values = {0.1, 0.2, 0.3, 1e-300, 1e300, 2.2250738585072014e-308, 4.9e-324,
                                9007199254740993.0, -123.456};
  for (int i = 0; i < 20000; ++i) {
    double value = std::bit_cast<double>(random());
    if (std::isfinite(value)) values.push_back(value);
  }
  for (double value : values) {
    const std::string text = FormatDouble(value);
    double back = 0;
    ASSERT_TRUE(TryParseDouble(text, back)) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(value)) << text;
  }
}

TEST(NumberTextParse, DoubleAccepted) {
  struct Row {
    const char* text;
    double value;
  };
  const std::vector<Row> rows = {
      {"0", 0.0},          {"42", 42.0},         {"-1.5", -1.5},     {"+1.5", 1.5},
      {" \t2.25\n", 2.25}, {".5", 0.5},          {"5.", 5.0},        {"1e3", 1000.0},
      {"1E-2", 0.01},      {"-2.5e+2", -250.0},  {"007", 7.0},       {"0.1", 0.1},
      {"INF", kInf},       {"inf", kInf},        {"-iNf", -kInf},    {" -INF ", -kInf},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    double value = -999;
    ASSERT_TRUE(TryParseDouble(row.text, value));
    EXPECT_EQ(value, row.value);
  }
  double value = 0;
  ASSERT_TRUE(TryParseDouble("nan", value));
  EXPECT_TRUE(std::isnan(value));
  ASSERT_TRUE(TryParseDouble(" NaN ", value));
  EXPECT_TRUE(std::isnan(value));
}

TEST(NumberTextParse, DoubleRejected) {
  // Each of these is something a lenient parser (strtod, from_chars or a
  // locale-aware one) would take at least partly.
  for (const char* text : {"", "   ", "1,5", "1.5x", "x1", "1 2", "0x10", "$10", "0x1p3", ".", "-",
                           "+", "e5", "1e", "1e+", "--1", "+-1", "1..2", "infinity", "+INF",
                           "nan(1)", "-NAN", "1e400", "-1e400", "1.5\x01", "\xd9\xa1"}) {
    SCOPED_TRACE(text);
    double value = -999;
    EXPECT_FALSE(TryParseDouble(text, value));
    EXPECT_EQ(value, -999);
  }
}

TEST(NumberTextParse, Int64Accepted) {
  struct Row {
    const char* text;
    std::int64_t value;
  };
  const std::vector<Row> rows = {
      {"0", 0},
      {"42", 42},
      {" -17 ", -17},
      {"+8", 8},
      {"-0", 0},
      {"0042", 42},
      {"$FF", 255},
      {"$ff", 255},
      {"0xFF", 255},
      {"0X1a", 26},
      {"-$10", -16},
      {"-0x10", -16},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"$7FFFFFFFFFFFFFFF", std::numeric_limits<std::int64_t>::max()},
      {"-$8000000000000000", std::numeric_limits<std::int64_t>::min()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::int64_t value = -999;
    ASSERT_TRUE(TryParseInt64(row.text, value));
    EXPECT_EQ(value, row.value);
  }
}

TEST(NumberTextParse, Int64Rejected) {
  for (const char* text : {"", " ", "-", "+", "$", "0x", "1.0", "1e3", "12a", "a12", "- 1", "$-1",
                           "0x-1", "$ 1", "1 2", "+-1", "--1", "$G", "0b101",
                           "9223372036854775808", "-9223372036854775809",
                           "99999999999999999999", "$8000000000000000", "$FFFFFFFFFFFFFFFF",
                           "-$8000000000000001"}) {
    SCOPED_TRACE(text);
    std::int64_t value = -999;
    EXPECT_FALSE(TryParseInt64(text, value));
    EXPECT_EQ(value, -999);
  }
}

TEST(NumberTextParse, TrimBlanksOnlyTrimsTheEnds) {
  EXPECT_EQ(TrimBlanks(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
}

}  // namespace
}  // namespace halbrin::platform
