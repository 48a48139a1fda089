#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/property_access.h"
#include "platform/classes/string_list.h"
#include "support/test_support.h"

namespace halbrin::platform {
namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const TStrings& strings) {
  Lines lines;
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
  return lines;
}

void Fill(TStrings& strings, const Lines& lines) {
  for (const std::string& line : lines) strings.Add(line);
}

// Expects `call` to raise EListError with exactly `message`.
void ExpectListError(const std::function<void()>& call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no EListError, expected \"" << message << "\"";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), message);
    EXPECT_EQ(error.ClassName(), "EListError");
  }
}

// Counts its own destructions, to see which list frees what.
class TCounted : public TObject {
 public:
  explicit TCounted(int& destroyed) : m_destroyed(destroyed) {}
  ~TCounted() override { ++m_destroyed; }

 private:
  int& m_destroyed;
};

// Records the change events of a string list with the count it had at each.
class TEventLog : public TObject {
 public:
  explicit TEventLog(TStringList& list) : m_list(list) {
    list.OnChanging().Bind(*this, &TEventLog::Changing);
    list.OnChange().Bind(*this, &TEventLog::Change);
  }
  void Changing(TObject* sender) { Record("changing", sender); }
  void Change(TObject* sender) { Record("change", sender); }
  int Count(const std::string& kind) const {
    int n = 0;
    for (const std::string& entry : m_entries)
      if (entry.rfind(kind + " ", 0) == 0) ++n;
    return n;
  }
  std::vector<std::string> m_entries;

 private:
  void Record(const std::string& kind, TObject* sender) {
    EXPECT_EQ(sender, &m_list);
    m_entries.push_back(kind + " " + std::to_string(m_list.Count()));
  }
  TStringList& m_list;
};

// ---- Text ----

struct TextSplitCase {
  const char* name;
  std::string text;
  Lines lines;
};

TEST(StringListText, SplitsAtCrLfLfAndCr) {
  const TextSplitCase cases[] = {
      {"empty", "", {}},
      {"one line without break", "a", {"a"}},
      {"crlf", "a\r\nb", {"a", "b"}},
      {"lf", "a\nb", {"a", "b"}},
      {"cr", "a\rb", {"a", "b"}},
      {"trailing crlf adds no line", "a\r\nb\r\n", {"a", "b"}},
      {"trailing cr adds no line", "a\rb\r", {"a", "b"}},
      {"a lone break is one empty line", "\r\n", {""}},
      {"two breaks are two empty lines", "\r\n\r\n", {"", ""}},
      {"lf cr is two breaks", "a\n\rb", {"a", "", "b"}},
      {"cr cr lf is two breaks", "a\r\r\nb", {"a", "", "b"}},
      {"mixed breaks", "x\ny\r\nz\rw", {"x", "y", "z", "w"}},
      {"blanks are kept", "  a \t\r\n b ", {"  a \t", " b "}},
      {"utf-8 bytes are kept", "Яблоко\nгруша", {"Яблоко", "груша"}},
      {"a nul is an ordinary byte", std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.Add("old line");
    list.SetText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines) << c.name;
  }
}

TEST(StringListText, JoinsWithCrLfAfterEveryLine) {
  const std::pair<Lines, std::string> cases[] = {
      {{}, ""},
      {{""}, "\r\n"},
      {{"a"}, "a\r\n"},
      {{"a", "b"}, "a\r\nb\r\n"},
      {{"", ""}, "\r\n\r\n"},
      {{"a", "", "c"}, "a\r\n\r\nc\r\n"},
  };
  for (const auto& [lines, text] : cases) {
    TStringList list;
    Fill(list, lines);
    EXPECT_EQ(list.Text(), text);
    TStringList back;
    back.SetText(list.Text());
    EXPECT_EQ(LinesOf(back), lines) << "round trip of " << ::testing::PrintToString(lines);
  }
}

// ---- CommaText and DelimitedText ----

TEST(StringListDelimited, CommaTextQuotesOnlyWhatNeedsIt) {
  const std::pair<Lines, std::string> cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"a", "b"}, "a,b"},
      {{"a b"}, "\"a b\""},
      {{"a,b", "c"}, "\"a,b\",c"},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"a\"b"}, "\"a\"\"b\""},
      {{"tab\there"}, "\"tab\there\""},
      {{"line\nbreak"}, "\"line\nbreak\""},
      {{"a", "", "b"}, "a,,b"},
      {{"", "a"}, ",a"},
      {{"a", ""}, "a,"},
      {{"", ""}, ","},
      {{"it's"}, "it's"},
      {{"Яблоко", "груша"}, "Яблоко,груша"},
  };
  for (const auto& [lines, text] : cases) {
    TStringList list;
    Fill(list, lines);
    EXPECT_EQ(list.CommaText(), text) << ::testing::PrintToString(lines);
  }
}

TEST(StringListDelimited, CommaTextParsesQuotesBlanksAndEmptyItems) {
  const std::pair<std::string, Lines> cases[] = {
      {"", {}},
      {"   ", {}},
      {"a,b", {"a", "b"}},
      {"a b", {"a", "b"}},
      {" a , b ", {"a", "b"}},
      {"a\tb\nc", {"a", "b", "c"}},
      {"\"a b\",c", {"a b", "c"}},
      {"\"a,b\"", {"a,b"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\"\"", {""}},
      {"\"\",\"\"", {"", ""}},
      {"a,,b", {"a", "", "b"}},
      {"a, ,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {"a,", {"a", ""}},
      // A blank after the last delimiter means there is no empty last item.
      {"a, ", {"a"}},
      // Text right after a closing quote starts the next item.
      {"\"a\"b,c", {"a", "b", "c"}},
      // A missing closing quote runs to the end, nothing lost.
      {"\"abc", {"abc"}},
      {"x,\"a\"\"b", {"x", "a\"b"}},
      {"Яблоко груша", {"Яблоко", "груша"}},
      // The text ends at a NUL.
      {std::string("a,b\0c,d", 7), {"a", "b"}},
  };
  for (const auto& [text, lines] : cases) {
    TStringList list;
    list.Add("old");
    list.SetCommaText(text);
    EXPECT_EQ(LinesOf(list), lines) << ::testing::PrintToString(text);
  }
}

struct DelimitedCase {
  bool strict;
  std::string text;
  Lines lines;
};

TEST(StringListDelimited, DelimitedTextUsesDelimiterQuoteCharAndStrictDelimiter) {
  const DelimitedCase cases[] = {
      {false, "a b;c", {"a", "b", "c"}},
      {true, "a b;c", {"a b", "c"}},
      {false, " a ; b ", {"a", "b"}},
      {true, " a ; b ", {" a ", " b "}},
      {true, "a;;b;", {"a", "", "b", ""}},
      {true, "'x;y';z", {"x;y", "z"}},
      {true, "'it''s'", {"it's"}},
      {false, "a,b;c", {"a,b", "c"}},
      {true, "\"a;b\"", {"\"a", "b\""}},
      {true, "", {}},
      {true, " ", {" "}},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    list.SetStrictDelimiter(c.strict);
    list.SetDelimitedText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines) << (c.strict ? "strict " : "loose ") << ::testing::PrintToString(c.text);
  }
}

TEST(StringListDelimited, DelimitedTextQuotesBlanksOnlyWithoutStrictDelimiter) {
  TStringList list;
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  Fill(list, {"a b", "x;y", "it's", "plain", "a,b"});
  EXPECT_EQ(list.DelimitedText(), "'a b';'x;y';'it''s';plain;a,b");
  list.SetStrictDelimiter(true);
  EXPECT_EQ(list.DelimitedText(), "a b;'x;y';'it''s';plain;a,b");

  TStringList single;
  single.SetQuoteChar('\'');
  single.Add("");
  EXPECT_EQ(single.DelimitedText(), "''");
}

TEST(StringListDelimited, CommaTextIgnoresTheListsDelimiterSettings) {
  TStringList list;
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  list.SetStrictDelimiter(true);
  list.SetCommaText("\"a b\";c d,'e'");
  // ";" is an ordinary character here, so it starts the item after the quotes.
  EXPECT_EQ(LinesOf(list), (Lines{"a b", ";c", "d", "'e'"}));
  EXPECT_EQ(list.CommaText(), "\"a b\",;c,d,'e'");
  EXPECT_EQ(list.Delimiter(), ';');
  EXPECT_EQ(list.QuoteChar(), '\'');
  EXPECT_TRUE(list.StrictDelimiter());
}

TEST(StringListDelimited, RoundTripsAwkwardItems) {
  const Lines lines = {"", "a b", "\"", "\"\"", ",", " lead", "trail ", "x\ty", "Яблоко"};
  for (bool strict : {false, true}) {
    TStringList list;
    list.SetStrictDelimiter(strict);
    Fill(list, lines);
    TStringList back;
    back.SetStrictDelimiter(strict);
    back.SetDelimitedText(list.DelimitedText());
    EXPECT_EQ(LinesOf(back), lines) << (strict ? "strict" : "loose");
  }
}

// ---- Names and values ----

TEST(StringListNames, SplitAtTheFirstSeparator) {
  TStringList list;
  Fill(list, {"a=1", "b=", "c", "=d", "e=f=g", "A=upper", " s = t "});
  const struct {
    int index;
    const char* name;
    const char* value;
  } rows[] = {
      {0, "a", "1"}, {1, "b", ""}, {2, "", ""}, {3, "", "d"}, {4, "e", "f=g"}, {5, "A", "upper"}, {6, " s ", " t "},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(list.Names(row.index), row.name) << row.index;
    EXPECT_EQ(list.ValueFromIndex(row.index), row.value) << row.index;
  }
  EXPECT_EQ(list.ValueFromIndex(-1), "");

  // Lookups by name ignore case and take the first match; lines without "=" never match.
  const std::pair<const char*, int> lookups[] = {
      {"a", 0}, {"A", 0}, {"b", 1}, {"c", -1}, {"", 3}, {"e", 4}, {" s ", 6}, {"s", -1}, {"missing", -1},
  };
  for (const auto& [name, index] : lookups) EXPECT_EQ(list.IndexOfName(name), index) << name;
  EXPECT_EQ(list.Values("A"), "1");
  EXPECT_EQ(list.Values("e"), "f=g");
  EXPECT_EQ(list.Values("c"), "");
  EXPECT_EQ(list.Values("missing"), "");

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.Values("A"), "upper");
  EXPECT_EQ(list.IndexOfName("E"), -1);
}

TEST(StringListNames, NonAsciiNamesMatchWithoutRegardToCase) {
  TStringList list;
  Fill(list, {"Яблоко=1", "груша=2"});
  EXPECT_EQ(list.Values("яблоко"), "1");
  EXPECT_EQ(list.Values("ГРУША"), "2");
}

TEST(StringListNames, OtherSeparator) {
  TStringList list;
  list.SetNameValueSeparator(':');
  Fill(list, {"a=b:c", "d:e"});
  EXPECT_EQ(list.Names(0), "a=b");
  EXPECT_EQ(list.Values("d"), "e");
  list.SetValues("x", "1");
  EXPECT_EQ(list.Strings(2), "x:1");
}

TEST(StringListNames, SettingValuesAddsReplacesAndDeletes) {
  struct Step {
    const char* name;
    const char* value;
    Lines after;
  };
  const Step steps[] = {
      {"a", "1", {"a=1"}},
      {"b", "2", {"a=1", "b=2"}},
      {"A", "3", {"A=3", "b=2"}},  // replaced in place, under the name as given
      {"b", "", {"A=3"}},          // an empty value deletes the line
      {"missing", "", {"A=3"}},    // deleting what is not there does nothing
      {"c", "x=y", {"A=3", "c=x=y"}},
  };
  TStringList list;
  for (const auto& step : steps) {
    list.SetValues(step.name, step.value);
    EXPECT_EQ(LinesOf(list), step.after) << step.name << "=" << step.value;
  }

  list.SetValueFromIndex(1, "z");
  EXPECT_EQ(LinesOf(list), (Lines{"A=3", "c=z"}));
  list.SetValueFromIndex(-1, "new");
  EXPECT_EQ(LinesOf(list), (Lines{"A=3", "c=z", "=new"}));
  list.SetValueFromIndex(0, "");
  EXPECT_EQ(LinesOf(list), (Lines{"c=z", "=new"}));
}

TEST(StringListNames, SettingValuesKeepsTheLinesObject) {
  int destroyed = 0;
  TCounted counted(destroyed);
  TStringList list;
  list.AddObject("k=old", &counted);
  list.SetValues("k", "new");
  EXPECT_EQ(list.Strings(0), "k=new");
  EXPECT_EQ(list.Objects(0), &counted);
}

// ---- Sorting, Find and duplicates ----

TEST(StringListSorted, AddsInOrderAndFinds) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig", "banana", "cherry"}) list.Add(s);
  EXPECT_EQ(LinesOf(list), (Lines{"Apple", "banana", "cherry", "fig", "pear"}));

  const struct {
    const char* text;
    bool found;
    int index;
  } finds[] = {
      {"apple", true, 0}, {"CHERRY", true, 2}, {"pear", true, 4}, {"aardvark", false, 0},
      {"date", false, 3}, {"zebra", false, 5}, {"", false, 0},
  };
  for (const auto& f : finds) {
    int index = -1;
    EXPECT_EQ(list.Find(f.text, index), f.found) << f.text;
    EXPECT_EQ(index, f.index) << f.text;
    EXPECT_EQ(list.IndexOf(f.text), f.found ? f.index : -1) << f.text;
  }
  EXPECT_EQ(list.Add("date"), 3);
}

TEST(StringListSorted, TurningSortedOnSortsTheList) {
  TStringList list;
  Fill(list, {"c", "a", "b"});
  list.SetSorted(true);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
  list.SetSorted(false);
  list.Add("0");
  EXPECT_EQ(list.Strings(3), "0");
}

struct DuplicatesCase {
  TDuplicates duplicates;
  Lines after;
  int addResult;
};

TEST(StringListSorted, DuplicatesRule) {
  const DuplicatesCase cases[] = {
      {TDuplicates::dupIgnore, {"a", "B", "c"}, 1},
      {TDuplicates::dupAccept, {"a", "b", "B", "c"}, 1},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetDuplicates(c.duplicates);
    list.SetSorted(true);
    Fill(list, {"c", "a", "B"});
    TEventLog log(list);
    // The duplicate differs only in case, which the default comparison ignores.
    EXPECT_EQ(list.Add("b"), c.addResult);
    EXPECT_EQ(LinesOf(list), c.after);
    EXPECT_EQ(log.m_entries.size(), c.duplicates == TDuplicates::dupIgnore ? 0u : 2u);
  }

  TStringList list;
  list.SetDuplicates(TDuplicates::dupError);
  list.SetSorted(true);
  Fill(list, {"c", "a", "B"});
  TEventLog log(list);
  ExpectListError([&] { list.Add("b"); }, "String list does not allow duplicates");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "B", "c"}));
  EXPECT_TRUE(log.m_entries.empty());
  // A parse that meets a duplicate stops there, but the update still ends.
  ExpectListError([&] { list.SetCommaText("x,y,x,z"); }, "String list does not allow duplicates");
  EXPECT_EQ(LinesOf(list), (Lines{"x", "y"}));
  EXPECT_EQ(log.m_entries, (std::vector<std::string>{"changing 3", "change 2"}));
}

TEST(StringListSorted, UnsortedListsAcceptDuplicatesWhateverTheRule) {
  TStringList list;
  list.SetDuplicates(TDuplicates::dupError);
  Fill(list, {"a", "a"});
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOf("A"), 0);
}

TEST(StringListSorted, DupAcceptFindsTheFirstOfEqualStrings) {
  TStringList list;
  list.SetDuplicates(TDuplicates::dupAccept);
  list.SetSorted(true);
  int destroyed = 0;
  TCounted first(destroyed), second(destroyed), third(destroyed);
  list.AddObject("k", &first);
  list.AddObject("K", &second);
  list.AddObject("k", &third);
  // Each equal string goes before those already there.
  EXPECT_EQ(list.Objects(0), &third);
  EXPECT_EQ(list.Objects(1), &second);
  EXPECT_EQ(list.Objects(2), &first);
  int index = -1;
  EXPECT_TRUE(list.Find("k", index));
  EXPECT_EQ(index, 0);
}

TEST(StringListSorted, CaseInsensitiveAndCaseSensitiveOrder) {
  const Lines words = {"яблоко", "Банан", "Яблоко", "апельсин", "banana", "Apple", "apple"};
  {
    TStringList list;
    list.SetSorted(true);
    Fill(list, words);
    // Case folded: Latin before Cyrillic, "апельсин" before "Банан"; the second
    // spelling of a word is a duplicate.
    EXPECT_EQ(LinesOf(list), (Lines{"Apple", "banana", "апельсин", "Банан", "яблоко"}));
    EXPECT_EQ(list.IndexOf("ЯБЛОКО"), 4);
    EXPECT_EQ(list.IndexOf("APPLE"), 0);
  }
  {
    TStringList list;
    list.SetCaseSensitive(true);
    list.SetSorted(true);
    Fill(list, words);
    // By code point: capitals before small letters, in each script.
    EXPECT_EQ(LinesOf(list), (Lines{"Apple", "apple", "banana", "Банан", "Яблоко", "апельсин", "яблоко"}));
    EXPECT_EQ(list.IndexOf("ЯБЛОКО"), -1);
    EXPECT_EQ(list.IndexOf("Яблоко"), 4);
    EXPECT_EQ(list.IndexOf("яблоко"), 6);
  }
}

TEST(StringListSorted, ChangingCaseSensitivitySortsAgain) {
  TStringList list;
  list.SetDuplicates(TDuplicates::dupAccept);
  list.SetSorted(true);
  Fill(list, {"b", "B", "a", "A"});
  list.SetCaseSensitive(true);
  EXPECT_EQ(LinesOf(list), (Lines{"A", "B", "a", "b"}));
  int index = -1;
  EXPECT_TRUE(list.Find("a", index));
  EXPECT_EQ(index, 2);
}

TEST(StringListSorted, OperationsThatWouldBreakTheOrderRaise) {
  TStringList list;
  list.SetSorted(true);
  Fill(list, {"a", "b", "c"});
  const std::string message = "Operation not allowed on sorted list";
  ExpectListError([&] { list.Insert(0, "z"); }, message);
  ExpectListError([&] { list.InsertObject(3, "z", nullptr); }, message);
  ExpectListError([&] { list.SetStrings(0, "z"); }, message);
  ExpectListError([&] { list.Move(0, 2); }, message);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
  // Objects may still change on a sorted list.
  int destroyed = 0;
  TCounted counted(destroyed);
  list.SetObjects(1, &counted);
  EXPECT_EQ(list.Objects(1), &counted);
}

TEST(StringListSort, SortAndCustomSort) {
  TStringList list;
  Fill(list, {"ccc", "a", "BB", "dddd", "b"});
  list.Sort();
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "BB", "ccc", "dddd"}));
  list.CustomSort([](TStringList& l, int i, int j) {
    return static_cast<int>(l.Strings(j).size()) - static_cast<int>(l.Strings(i).size());
  });
  EXPECT_EQ(list.Strings(0), "dddd");
  EXPECT_EQ(list.Strings(1), "ccc");
  EXPECT_EQ(list.Strings(2), "BB");
  // Sorting a sorted list leaves it alone.
  list.SetSorted(true);
  list.CustomSort([](TStringList&, int i, int j) { return j - i; });
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "BB", "ccc", "dddd"}));
}

TEST(StringListSort, ObjectsTravelWithTheirStrings) {
  int destroyed = 0;
  std::vector<std::unique_ptr<TCounted>> objects;
  TStringList list;
  for (const char* s : {"d", "b", "e", "a", "c", "b"}) {
    objects.push_back(std::make_unique<TCounted>(destroyed));
    list.AddObject(s, objects.back().get());
  }
  list.Sort();
  const int original[] = {3, 1, 5, 4, 0, 2};  // where each sorted string came from
  ASSERT_EQ(list.Count(), 6);
  for (int i = 0; i < 6; ++i) {
    if (i == 1 || i == 2) continue;  // the two "b"s may come in either order
    EXPECT_EQ(list.Objects(i), objects[static_cast<std::size_t>(original[i])].get()) << i;
  }
  EXPECT_EQ(list.IndexOfObject(objects[1].get()) + list.IndexOfObject(objects[5].get()), 3);
  EXPECT_EQ(list.IndexOfObject(nullptr), -1);
}

// ---- Editing ----

TEST(StringListEdit, InsertDeleteExchangeMove) {
  TStringList list;
  Fill(list, {"a", "b", "c", "d"});
  list.Insert(0, "first");
  list.Insert(5, "last");
  EXPECT_EQ(LinesOf(list), (Lines{"first", "a", "b", "c", "d", "last"}));
  list.Delete(0);
  list.Delete(4);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c", "d"}));
  list.Exchange(0, 3);
  EXPECT_EQ(LinesOf(list), (Lines{"d", "b", "c", "a"}));

  const struct {
    int from;
    int to;
    Lines after;
  } moves[] = {
      {0, 3, {"b", "c", "a", "d"}},
      {3, 0, {"d", "b", "c", "a"}},
      {1, 2, {"d", "c", "b", "a"}},
      {2, 2, {"d", "c", "b", "a"}},
  };
  for (const auto& m : moves) {
    list.Move(m.from, m.to);
    EXPECT_EQ(LinesOf(list), m.after) << m.from << "->" << m.to;
  }
}

TEST(StringListEdit, MoveKeepsTheObjectOfAnOwningList) {
  int destroyed = 0;
  TStringList list;
  list.SetOwnsObjects(true);
  auto* moved = new TCounted(destroyed);
  list.AddObject("a", moved);
  list.AddObject("b", new TCounted(destroyed));
  list.Move(0, 1);
  list.Exchange(0, 1);
  list.Exchange(0, 1);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(list.Objects(1), moved);
}

TEST(StringListEdit, IndexErrorsCarryTheIndex) {
  TStringList list;
  Fill(list, {"a", "b", "c"});
  const struct {
    const char* what;
    std::function<void()> call;
    const char* message;
  } cases[] = {
      {"Strings(-1)", [&] { list.Strings(-1); }, "List index out of bounds (-1)"},
      {"Strings(Count)", [&] { list.Strings(3); }, "List index out of bounds (3)"},
      {"Objects", [&] { list.Objects(7); }, "List index out of bounds (7)"},
      {"SetStrings", [&] { list.SetStrings(3, "x"); }, "List index out of bounds (3)"},
      {"SetObjects", [&] { list.SetObjects(-2, nullptr); }, "List index out of bounds (-2)"},
      {"Delete", [&] { list.Delete(3); }, "List index out of bounds (3)"},
      {"Insert past the end", [&] { list.Insert(4, "x"); }, "List index out of bounds (4)"},
      {"Insert(-1)", [&] { list.Insert(-1, "x"); }, "List index out of bounds (-1)"},
      {"Exchange first", [&] { list.Exchange(5, 0); }, "List index out of bounds (5)"},
      {"Exchange second", [&] { list.Exchange(0, 5); }, "List index out of bounds (5)"},
      {"Move from", [&] { list.Move(3, 0); }, "List index out of bounds (3)"},
      {"Move to", [&] { list.Move(0, 3); }, "List index out of bounds (3)"},
      {"Names", [&] { list.Names(3); }, "List index out of bounds (3)"},
      {"ValueFromIndex", [&] { list.ValueFromIndex(3); }, "List index out of bounds (3)"},
      {"SetValueFromIndex", [&] { list.SetValueFromIndex(9, "v"); }, "List index out of bounds (9)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectListError(c.call, c.message);
    EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
  }
}

// ---- Events ----

struct EventCase {
  const char* what;
  std::function<void(TStringList&)> change;
  std::vector<std::string> events;
};

TEST(StringListEvents, FireAroundEveryChange) {
  const EventCase cases[] = {
      {"Add", [](TStringList& l) { l.Add("x"); }, {"changing 2", "change 3"}},
      {"Insert", [](TStringList& l) { l.Insert(0, "x"); }, {"changing 2", "change 3"}},
      {"Delete", [](TStringList& l) { l.Delete(0); }, {"changing 2", "change 1"}},
      {"SetStrings", [](TStringList& l) { l.SetStrings(0, "x"); }, {"changing 2", "change 2"}},
      {"SetObjects", [](TStringList& l) { l.SetObjects(0, nullptr); }, {"changing 2", "change 2"}},
      {"Exchange", [](TStringList& l) { l.Exchange(0, 1); }, {"changing 2", "change 2"}},
      {"Move", [](TStringList& l) { l.Move(0, 1); }, {"changing 2", "change 2"}},
      {"Sort", [](TStringList& l) { l.Sort(); }, {"changing 2", "change 2"}},
      {"Clear", [](TStringList& l) { l.Clear(); }, {"changing 2", "change 0"}},
      {"SetText", [](TStringList& l) { l.SetText("1\n2\n3"); }, {"changing 2", "change 3"}},
      {"SetCommaText", [](TStringList& l) { l.SetCommaText("1,2,3,4"); }, {"changing 2", "change 4"}},
      {"AddStrings",
       [](TStringList& l) {
         TStringList other;
         Fill(other, {"p", "q"});
         l.AddStrings(other);
       },
       {"changing 2", "change 4"}},
      {"Assign",
       [](TStringList& l) {
         TStringList other;
         Fill(other, {"p", "q", "r"});
         l.Assign(other);
       },
       {"changing 2", "change 3"}},
      // Add('') then Put: two changes.
      {"SetValues new", [](TStringList& l) { l.SetValues("k", "v"); }, {"changing 2", "change 3", "changing 3", "change 3"}},
      // A bare update announces once even when nothing changed.
      {"empty update",
       [](TStringList& l) {
         l.BeginUpdate();
         l.EndUpdate();
       },
       {"changing 2", "change 2"}},
      {"Move to the same place", [](TStringList& l) { l.Move(1, 1); }, {}},
      {"SetSorted on sorts", [](TStringList& l) { l.SetSorted(true); }, {"changing 2", "change 2"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    Fill(list, {"b", "a"});
    TEventLog log(list);
    c.change(list);
    EXPECT_EQ(log.m_entries, c.events) << c.what;
  }
}

TEST(StringListEvents, QuietWhenNothingChanges) {
  TStringList empty;
  TEventLog emptyLog(empty);
  empty.Clear();
  empty.Sort();
  EXPECT_TRUE(emptyLog.m_entries.empty());

  TStringList one;
  one.Add("a");
  TEventLog oneLog(one);
  one.Sort();
  EXPECT_TRUE(oneLog.m_entries.empty());
}

TEST(StringListEvents, NestedUpdatesAnnounceOnceAtTheOutermostEnd) {
  TStringList list;
  TEventLog log(list);
  list.BeginUpdate();
  EXPECT_EQ(log.m_entries, (std::vector<std::string>{"changing 0"}));
  list.Add("a");
  list.BeginUpdate();
  list.SetText("x\ny");
  list.Delete(0);
  list.EndUpdate();
  list.Add("b");
  EXPECT_EQ(log.m_entries.size(), 1u);
  EXPECT_EQ(list.UpdateCount(), 1);
  list.EndUpdate();
  EXPECT_EQ(log.m_entries, (std::vector<std::string>{"changing 0", "change 2"}));
  // An unmatched EndUpdate neither announces nor upsets the next update.
  list.EndUpdate();
  EXPECT_EQ(list.UpdateCount(), 0);
  list.Add("c");
  EXPECT_EQ(log.Count("changing"), 2);
  EXPECT_EQ(log.Count("change"), 2);
}

TEST(StringListEvents, ADestroyedHandlerTargetIsNotCalled) {
  TStringList list;
  {
    TEventLog log(list);
    list.Add("a");
    EXPECT_EQ(log.m_entries.size(), 2u);
  }
  list.Add("b");  // the handler's target is gone: nothing to call
  EXPECT_EQ(list.Count(), 2);
}

// ---- Objects ----

TEST(StringListObjects, AnOwningListFreesItsObjects) {
  int destroyed = 0;
  {
    TStringList list;
    list.SetOwnsObjects(true);
    list.AddObject("a", new TCounted(destroyed));
    list.AddObject("b", new TCounted(destroyed));
    list.AddObject("c", new TCounted(destroyed));
    list.AddObject("d", new TCounted(destroyed));
    list.AddObject("no object", nullptr);

    list.Delete(0);
    EXPECT_EQ(destroyed, 1);
    auto* kept = new TCounted(destroyed);
    list.SetObjects(0, kept);  // replaces (and frees) b's object
    EXPECT_EQ(destroyed, 2);
    list.SetObjects(0, kept);  // the same object again: nothing to free
    EXPECT_EQ(destroyed, 2);
    list.SetStrings(0, "renamed");  // a new string keeps the object
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(list.Objects(0), kept);

    list.Clear();
    EXPECT_EQ(destroyed, 5);
    list.AddObject("e", new TCounted(destroyed));
    list.AddObject("f", new TCounted(destroyed));
  }
  EXPECT_EQ(destroyed, 7);  // the last two went with the list
}

TEST(StringListObjects, AListThatDoesNotOwnFreesNothing) {
  int destroyed = 0;
  TCounted a(destroyed), b(destroyed);
  {
    TStringList list;
    list.AddObject("a", &a);
    list.InsertObject(0, "b", &b);
    EXPECT_EQ(list.IndexOfObject(&a), 1);
    list.Delete(0);
    list.Clear();
    list.AddObject("a", &a);
  }
  EXPECT_EQ(destroyed, 0);
}

TEST(StringListObjects, OwnershipCanBeTakenAndGivenBack) {
  int destroyed = 0;
  auto a = std::make_unique<TCounted>(destroyed);
  TStringList list;
  list.AddObject("a", a.get());
  list.SetOwnsObjects(true);
  static_cast<void>(a.release());  // the list has it now
  list.SetOwnsObjects(false);
  std::unique_ptr<TObject> back(list.Objects(0));  // and we have it again
  list.Delete(0);
  EXPECT_EQ(destroyed, 0);
  back.reset();
  EXPECT_EQ(destroyed, 1);
}

TEST(StringListObjects, DupIgnoreLeavesTheObjectWithTheCaller) {
  int destroyed = 0;
  TStringList list;
  list.SetOwnsObjects(true);
  list.SetSorted(true);
  list.AddObject("a", new TCounted(destroyed));
  auto dropped = std::make_unique<TCounted>(destroyed);
  EXPECT_EQ(list.AddObject("A", dropped.get()), 0);
  EXPECT_NE(list.Objects(0), dropped.get());
  dropped.reset();
  EXPECT_EQ(destroyed, 1);
}

TEST(StringListObjects, ObjectsAreFreedAfterTheirStringLeft) {
  // An object's destructor sees the list without its string.
  struct TProbe : TObject {
    TProbe(TStringList& list, std::vector<int>& counts) : m_list(list), m_counts(counts) {}
    ~TProbe() override { m_counts.push_back(m_list.Count()); }
    TStringList& m_list;
    std::vector<int>& m_counts;
  };
  std::vector<int> counts;
  TStringList list;
  list.SetOwnsObjects(true);
  for (const char* s : {"a", "b", "c"}) list.AddObject(s, new TProbe(list, counts));
  list.Delete(1);
  list.Clear();
  EXPECT_EQ(counts, (std::vector<int>{2, 0, 0}));
}

// ---- Assign and AddStrings ----

TEST(StringListAssign, CopyBetweenOwningListsFreesEachObjectOnce) {
  int destroyed = 0;
  {
    TStringList source;
    source.SetOwnsObjects(true);
    source.AddObject("a", new TCounted(destroyed));
    TStringList target;
    target.SetOwnsObjects(true);
    target.Assign(source);
    target.AddStrings(source);
    EXPECT_EQ(LinesOf(target), (Lines{"a", "a"}));
    EXPECT_EQ(target.Objects(0), nullptr);  // the object stays with the list that owns it
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(StringListAssign, CopiesStringsObjectsAndSeparators) {
  int destroyed = 0;
  TCounted object(destroyed);
  TStringList source;
  source.SetDelimiter(';');
  source.SetQuoteChar('\'');
  source.SetNameValueSeparator(':');
  source.SetStrictDelimiter(true);
  source.SetCaseSensitive(true);
  source.AddObject("b", &object);
  source.Add("a");

  TStringList target;
  target.Add("old");
  target.Assign(source);
  EXPECT_EQ(LinesOf(target), (Lines{"b", "a"}));
  EXPECT_EQ(target.Objects(0), &object);
  EXPECT_EQ(target.Delimiter(), ';');
  EXPECT_EQ(target.QuoteChar(), '\'');
  EXPECT_EQ(target.NameValueSeparator(), ':');
  EXPECT_TRUE(target.StrictDelimiter());
  EXPECT_FALSE(target.CaseSensitive());  // the list's own settings stay
  EXPECT_TRUE(target.Equals(source));

  target.Assign(target);
  EXPECT_EQ(LinesOf(target), (Lines{"b", "a"}));
}

TEST(StringListAssign, ASortedTargetKeepsItsOrderAndRule) {
  TStringList source;
  Fill(source, {"c", "a", "C", "b"});
  TStringList target;
  target.SetSorted(true);
  target.Assign(source);
  EXPECT_EQ(LinesOf(target), (Lines{"a", "b", "c"}));
  target.AddStrings(source);
  EXPECT_EQ(LinesOf(target), (Lines{"a", "b", "c"}));
}

TEST(StringListAssign, AddStringsAppendsAndMayAddAListToItself) {
  TStringList list;
  Fill(list, {"a", "b"});
  TStringList other;
  Fill(other, {"c"});
  list.AddStrings(other);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
  list.AddStrings(list);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c", "a", "b", "c"}));
  EXPECT_FALSE(list.Equals(other));
}

TEST(StringListAssign, FromAnotherKindOfObjectRaises) {
  TStringList list;
  TPersistent other;
  try {
    list.Assign(other);
    ADD_FAILURE() << "no EConvertError";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "Cannot assign a TPersistent to a TStringList");
  }
}

// ---- Files ----

class StringListFile : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return m_temp.Path(name); }
  void Write(const std::string& name, const std::string& bytes) const { m_temp.Write(name, bytes); }
  std::string Read(const std::string& name) const { return testing::ReadFile(PathOf(name)); }

  testing::TempFolder m_temp{"string_list_test"};
};

TEST_F(StringListFile, SaveWritesTextBytes) {
  TStringList list;
  Fill(list, {"Яблоко=1", "", "end"});
  list.SaveToFile(PathOf("out.txt"));
  EXPECT_EQ(Read("out.txt"), "Яблоко=1\r\n\r\nend\r\n");
  // Saving again replaces the file.
  list.Clear();
  list.Add("x");
  list.SaveToFile(PathOf("out.txt"));
  EXPECT_EQ(Read("out.txt"), "x\r\n");
}

TEST_F(StringListFile, LoadSplitsTheBytesAsText) {
  Write("in.txt", "product=Demo\nversion=1.0\r\nname=Пример\rlast");
  TStringList list;
  list.Add("old");
  TEventLog log(list);
  list.LoadFromFile(PathOf("in.txt"));
  EXPECT_EQ(LinesOf(list), (Lines{"product=Demo", "version=1.0", "name=Пример", "last"}));
  EXPECT_EQ(list.Values("NAME"), "Пример");
  EXPECT_EQ(log.m_entries, (std::vector<std::string>{"changing 1", "change 4"}));

  Write("empty.txt", "");
  list.LoadFromFile(PathOf("empty.txt"));
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(StringListFile, FailuresRaiseAndLeaveTheListAlone) {
  TStringList list;
  list.Add("kept");
  const std::string missing = PathOf("missing.txt");
  try {
    list.LoadFromFile(missing);
    ADD_FAILURE() << "no EFOpenError";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(), "Cannot open file \"" + missing + "\". No such file or directory");
  }
  EXPECT_THROW(list.LoadFromFile(m_temp.Path().string()), EFOpenError);
  EXPECT_EQ(LinesOf(list), (Lines{"kept"}));

  const std::string nowhere = PathOf("no/such/dir.txt");
  try {
    list.SaveToFile(nowhere);
    ADD_FAILURE() << "no EFCreateError";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.Message(), "Cannot create file \"" + nowhere + "\". No such file or directory");
  }
}

// ---- The base class alone ----

// The least a TStrings subclass provides; everything else comes from the base.
class TPlainStrings : public TStrings {
 public:
  int Count() const override { return static_cast<int>(m_lines.size()); }
  void Insert(int index, const std::string& text) override {
    if (index < 0 || index > Count()) ThrowIndexError(index);
    m_lines.insert(m_lines.begin() + index, text);
  }
  void Delete(int index) override {
    Check(index);
    m_lines.erase(m_lines.begin() + index);
  }
  void Clear() override { m_lines.clear(); }

 protected:
  std::string Get(int index) const override {
    Check(index);
    return m_lines[static_cast<std::size_t>(index)];
  }

 private:
  void Check(int index) const {
    if (index < 0 || index >= Count()) ThrowIndexError(index);
  }
  std::vector<std::string> m_lines;
};

TEST(Strings, TheBaseClassBuildsEverythingOnFiveOperations) {
  TPlainStrings strings;
  strings.SetCommaText("\"b c\",a=1,Z");
  EXPECT_EQ(LinesOf(strings), (Lines{"b c", "a=1", "Z"}));
  EXPECT_EQ(strings.Text(), "b c\r\na=1\r\nZ\r\n");
  EXPECT_EQ(strings.IndexOf("z"), 2);
  EXPECT_EQ(strings.Values("A"), "1");

  strings.SetValues("a", "2");  // Put: delete and insert at the same place
  strings.SetValues("new", "3");
  EXPECT_EQ(LinesOf(strings), (Lines{"b c", "a=2", "Z", "new=3"}));
  strings.SetValues("A", "");
  strings.Exchange(0, 2);
  EXPECT_EQ(LinesOf(strings), (Lines{"new=3", "Z", "b c"}));
  strings.Move(0, 2);
  EXPECT_EQ(LinesOf(strings), (Lines{"Z", "b c", "new=3"}));
  EXPECT_EQ(strings.CommaText(), "Z,\"b c\",new=3");
  EXPECT_EQ(strings.Objects(0), nullptr);
  ExpectListError([&] { strings.Strings(3); }, "List index out of bounds (3)");

  TStringList list;
  list.Assign(strings);
  EXPECT_TRUE(list.Equals(strings));
  strings.SetText("x\ny");
  list.AddStrings(strings);
  EXPECT_EQ(list.Count(), 5);
}

// ---- Run-time class information ----

TEST(StringListClassInfo, PublishesCountTextCommaTextAndSorted) {
  std::unique_ptr<TObject> object = TStringList::StaticClassInfo().CreateInstance();
  auto& list = dynamic_cast<TStringList&>(*object);
  EXPECT_TRUE(list.InheritsFrom(TStrings::StaticClassInfo()));
  EXPECT_TRUE(TStrings::StaticClassInfo().IsAbstract());

  SetStrProp(list, RequirePropInfo(list, "text"), "b\r\na\r\n");
  const TPropInfo& count = RequirePropInfo(list, "Count");
  EXPECT_EQ(count.Kind(), TTypeKind::Integer);
  EXPECT_FALSE(count.IsWritable());
  EXPECT_EQ(GetOrdProp(list, count), 2);

  const TPropInfo& sorted = RequirePropInfo(list, "Sorted");
  EXPECT_EQ(sorted.Kind(), TTypeKind::Enumeration);
  SetOrdProp(list, sorted, 1);
  EXPECT_TRUE(list.Sorted());
  EXPECT_EQ(GetStrProp(list, RequirePropInfo(list, "CommaText")), "a,b");
  SetStrProp(list, RequirePropInfo(list, "CommaText"), "\"x y\",z");
  EXPECT_EQ(GetStrProp(list, RequirePropInfo(list, "Text")), "x y\r\nz\r\n");
  EXPECT_THROW(SetOrdProp(list, count, 5), EPropertyError);
}

}  // namespace
}  // namespace halbrin::platform
