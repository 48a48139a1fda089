#include "core/framework/custom_date_time_ex.h"

#include <gtest/gtest.h>

#include "core/foundation/date_time_formatter.h"
#include "platform/base/exception.h"
#include "platform/classes/property_access.h"

namespace halbrin {
namespace {

using platform::DateTimeParts;
using platform::EConvertError;
using platform::Variant;

struct VerbCase {
  DateTimeParts start;
  const char* word;
  DateTimeParts expected;
};

class VerbTable : public ::testing::TestWithParam<VerbCase> {};

TEST_P(VerbTable, MovesTheValue) {
  const VerbCase& c = GetParam();
  TDateTimeEx value(c.start);
  value.SetExec(Variant(c.word));
  EXPECT_EQ(value.GetExec(), Variant(true));
  EXPECT_EQ(value.Parts(), c.expected) << c.word << " gave " << value.Text();
}

// 2024-02-11 is a Sunday, 2024-02-12 a Monday, 2024-12-29 a Sunday.
INSTANTIATE_TEST_SUITE_P(
    DateTimeEx, VerbTable,
    ::testing::Values(VerbCase{{2024, 2, 10, 13, 5}, "endofmonth", {2024, 2, 29, 23, 59, 59, 999}},
                      VerbCase{{2024, 1, 31}, "nextmonth", {2024, 2, 29}},
                      VerbCase{{2023, 1, 31}, "nextmonth", {2023, 2, 28}},
                      VerbCase{{2024, 2, 29}, "nextyear", {2025, 2, 28}},
                      VerbCase{{2024, 3, 31, 8}, "prevmonth", {2024, 2, 29, 8}},
                      VerbCase{{2024, 2, 11, 10}, "beginofweek", {2024, 2, 5}},
                      VerbCase{{2024, 2, 11, 10}, "endofweek", {2024, 2, 11, 23, 59, 59, 999}},
                      VerbCase{{2024, 2, 12, 10}, "beginofweek", {2024, 2, 12}},
                      VerbCase{{2024, 12, 31, 10}, "endofweek", {2025, 1, 5, 23, 59, 59, 999}},
                      VerbCase{{2025, 1, 1}, "beginofweek", {2024, 12, 30}},
                      VerbCase{{2024, 5, 17, 9}, "beginofquarter", {2024, 4, 1}},
                      VerbCase{{2024, 5, 17, 9}, "endofquarter", {2024, 6, 30, 23, 59, 59, 999}},
                      VerbCase{{2024, 12, 1}, "endofquarter", {2024, 12, 31, 23, 59, 59, 999}},
                      VerbCase{{2024, 5, 17, 9}, "beginofyear", {2024, 1, 1}},
                      VerbCase{{2024, 5, 17, 9}, "ENDOFYEAR", {2024, 12, 31, 23, 59, 59, 999}},
                      VerbCase{{2024, 5, 17, 9, 30}, "endofday", {2024, 5, 17, 23, 59, 59, 999}},
                      VerbCase{{2024, 5, 17, 9, 30}, "beginofday", {2024, 5, 17}},
                      VerbCase{{2024, 12, 31, 23, 59, 59, 999}, "nextmillisecond", {2025, 1, 1}},
                      // The empty value lies far before the OLE epoch: plain arithmetic.
                      VerbCase{{1, 1, 1}, "nexthour", {1, 1, 1, 1}},
                      VerbCase{{1, 1, 1, 1}, "prevminute", {1, 1, 1, 0, 59}},
                      VerbCase{{1899, 12, 29, 23}, "nexthour", {1899, 12, 30}},
                      VerbCase{{1899, 12, 30, 0}, "prevhour", {1899, 12, 29, 23}},
                      VerbCase{{1899, 12, 30, 6}, "prevday", {1899, 12, 29, 6}},
                      VerbCase{{1899, 12, 25, 6}, "nextweek", {1900, 1, 1, 6}},
                      VerbCase{{2024, 5, 17, 9}, "reset", {1, 1, 1}}));

TEST(DateTimeEx, EmptyValueReadsAsYearOne) {
  TDateTimeEx value;
  EXPECT_EQ(value.Text(), "01.01.0001 00:00:00");
  EXPECT_TRUE(value.IsEmpty());
  value.SetExec(Variant("nextday"));
  EXPECT_FALSE(value.IsEmpty());
}

TEST(DateTimeEx, ValueIsTheOleDateOnBothSidesOfTheEpoch) {
  TDateTimeEx value({1899, 12, 29, 6});
  EXPECT_DOUBLE_EQ(value.Value(), -1.25);
  value.SetValue(1.5);
  EXPECT_EQ(value.Parts(), (DateTimeParts{1899, 12, 31, 12}));
  value.SetValue(-2.75);
  EXPECT_EQ(value.Parts(), (DateTimeParts{1899, 12, 28, 18}));
  EXPECT_THROW(value.SetValue(1e9), EConvertError);
  EXPECT_EQ(value.Parts(), (DateTimeParts{1899, 12, 28, 18}));
}

TEST(DateTimeEx, StepsOutOfTheCalendarRaiseAndKeepTheValue) {
  TDateTimeEx value;
  EXPECT_THROW(value.SetExec(Variant("prevday")), EConvertError);
  EXPECT_TRUE(value.IsEmpty());
  TDateTimeEx last({9999, 12, 31, 12});
  EXPECT_THROW(last.SetExec(Variant("nextmonth")), EConvertError);
  EXPECT_EQ(last.Parts(), (DateTimeParts{9999, 12, 31, 12}));
}

TEST(DateTimeEx, WordsIgnoreCaseAndUnknownWordsReadFalse) {
  TDateTimeEx value;
  value.SetExec(Variant("NOW"));
  EXPECT_EQ(value.GetExec(), Variant(true));
  EXPECT_FALSE(value.IsEmpty());
  value.SetExec(Variant("later"));
  EXPECT_EQ(value.GetExec(), Variant(false));
  value.SetExec(Variant("today"));
  EXPECT_EQ(value.Parts().hour, 0);
}

struct ChangeCounter : platform::TObject {
  void Changed(platform::TObject*) { ++count; }
  int count = 0;
};

TEST(DateTimeEx, UpdatesBatchChangesAndAnExtraEndDoesNotMute) {
  ChangeCounter counter;
  TDateTimeEx value({2024, 1, 1});
  value.OnChange().Bind(counter, &ChangeCounter::Changed);
  value.SetExec(Variant("beginUpdate"));
  value.SetField(2, 15);
  value.SetField(3, 7);
  EXPECT_EQ(counter.count, 0);
  value.SetExec(Variant("endUpdate"));
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(value.Parts(), (DateTimeParts{2024, 1, 15, 7}));

  value.EndUpdate();  // unbalanced
  const int before = counter.count;
  value.SetExec(Variant("nextday"));
  EXPECT_EQ(counter.count, before + 1);
  value.SetValue(value.Value());  // same value: no change
  EXPECT_EQ(counter.count, before + 1);
}

TEST(DateTimeEx, FieldWriteOfAMissingDayRaisesAndKeepsTheValue) {
  TDateTimeEx value({2023, 2, 10});
  EXPECT_THROW(value.SetField(2, 31), EConvertError);
  EXPECT_EQ(value.Parts(), (DateTimeParts{2023, 2, 10}));
  EXPECT_EQ(value.Field(0), 2023);
}

TEST(DateTimeEx, LockedValueIgnoresWrites) {
  TDateTimeEx value({2023, 2, 10});
  value.SetLocked(true);
  value.SetExec(Variant("nextday"));
  EXPECT_EQ(value.Parts(), (DateTimeParts{2023, 2, 10}));
}

TEST(DateTimeEx, TextRoundTripsThroughItsFormat) {
  struct Case {
    const char* format;
    DateTimeParts value;
    const char* text;
  };
  const Case cases[] = {
      {"dd.mm.yyyy hh:nn:ss", {2024, 3, 9, 14, 5, 7}, "09.03.2024 14:05:07"},
      {"yyyy-mm-dd hh:mm", {2024, 3, 9, 14, 5}, "2024-03-09 14:05"},
      {"d/m/yy h:n", {2001, 7, 4, 3, 8}, "4.7.01 3:8"},
      {"hh:mm:ss.zzz", {1899, 12, 30, 23, 59, 58, 7}, "23:59:58.007"},
      {"'on' dd mmm yyyy", {2024, 12, 25}, "on 25 Dec 2024"},
  };
  for (const Case& c : cases) {
    TDateTimeEx value(c.value);
    value.SetFormat(c.format);
    EXPECT_EQ(value.Text(), c.text) << c.format;
    TDateTimeEx back;
    back.SetFormat(c.format);
    back.SetText(c.text);
    EXPECT_EQ(back.Parts(), c.value) << c.format;
  }
}

TEST(DateTimeEx, UnreadableTextRaisesAndKeepsTheValue) {
  TDateTimeEx value({2024, 3, 9});
  EXPECT_THROW(value.SetText("9 March"), EConvertError);
  value.SetFormat("");
  EXPECT_THROW(value.SetText("soon"), EConvertError);
  value.SetText("10.03.2024 12:00");
  EXPECT_EQ(value.Parts(), (DateTimeParts{2024, 3, 10, 12}));
}

TEST(DateTimeEx, FormatterWritesNamesAndTwelveHourClock) {
  EXPECT_EQ(FormatDateTime("dddd d mmmm yyyy h:nn am/pm", {2024, 2, 11, 0, 5}), "Sunday 11 February 2024 12:05 am");
  EXPECT_EQ(FormatDateTime("hh:nn A/P", {2024, 2, 11, 13, 5}), "01:05 P");
  EXPECT_EQ(FormatDateTime("", {2024, 2, 11, 13, 5, 9}), "11.02.2024 13:05:09");
  EXPECT_EQ(FormatDateTime("ddd tt", {1, 1, 1}), "Mon 00:00:00");
}

TEST(DateTimeEx, AssignAnnouncesOnceOnTheTargetOnly) {
  ChangeCounter sourceCounter;
  ChangeCounter targetCounter;
  TDateTimeEx source({2020, 6, 1, 8});
  source.SetFormat("yyyy");
  TDateEx target;
  source.OnChange().Bind(sourceCounter, &ChangeCounter::Changed);
  target.OnChange().Bind(targetCounter, &ChangeCounter::Changed);
  target.Assign(source);
  EXPECT_EQ(sourceCounter.count, 0);
  EXPECT_EQ(targetCounter.count, 1);
  EXPECT_EQ(target.Text(), "2020");
  EXPECT_EQ(target.Parts(), source.Parts());
}

TEST(DateTimeEx, GetValueHookReplacesTheStoredValue) {
  struct Hook : platform::TObject {
    void Get(platform::TObject*, double& value) { value = 2.0; }
  } hook;
  TDateTimeEx value;
  value.OnGetValue().Bind(hook, &Hook::Get);
  EXPECT_EQ(value.Parts(), (DateTimeParts{1900, 1, 1}));
  value.OnGetValue().Clear();
  EXPECT_EQ(value.Parts(), (DateTimeParts{1900, 1, 1}));
}

TEST(DateTimeEx, PublishedFieldsFollowTheClass) {
  TDateTimeEx full({2024, 3, 9, 14});
  TTimeEx time({2024, 3, 9, 14});
  EXPECT_EQ(platform::GetPropValue(full, *full.ClassInfo().FindProperty("hour")).ToInt(), 14);
  EXPECT_EQ(platform::GetPropValue(time, *time.ClassInfo().FindProperty("hour")).ToInt(), 14);
  EXPECT_NE(TDateTimeEx::StaticClassInfo().FindProperty("year"), nullptr);
  EXPECT_EQ(TTimeEx::StaticClassInfo().FindProperty("year"), nullptr);
  EXPECT_EQ(TDateEx::StaticClassInfo().FindProperty("hour"), nullptr);
}

}  // namespace
}  // namespace halbrin
