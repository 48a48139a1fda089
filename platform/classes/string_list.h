#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exception.h"
#include "platform/classes/method.h"
#include "platform/classes/persistent.h"

namespace halbrin::platform {

// What a sorted string list does when a string it already holds is added.
enum class TDuplicates { dupIgnore, dupAccept, dupError };

// A list of strings, each with an attached object, as the class library has it.
// Strings are bytes (UTF-8 by convention); the separator characters are single bytes.
// Index errors raise EListError "List index out of bounds (%d)".
class TStrings : public TPersistent {
  HALBRIN_CLASS(TStrings, TPersistent)

  // Holds BeginUpdate/EndUpdate for a scope, so an exception still ends the update.
  class TUpdateScope {
   public:
    explicit TUpdateScope(TStrings& strings) : m_strings(strings) { m_strings.BeginUpdate(); }
    ~TUpdateScope() { m_strings.EndUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

   private:
    TStrings& m_strings;
  };

  TStrings() = default;

  virtual int Count() const = 0;
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& text) { Put(index, text); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* object) { PutObject(index, object); }

  // Returns the index the string went to.
  virtual int Add(const std::string& text);
  virtual int AddObject(const std::string& text, TObject* object);
  virtual void Insert(int index, const std::string& text) = 0;
  virtual void InsertObject(int index, const std::string& text, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  // Moves a string with its object; a no-op when both indexes are equal.
  virtual void Move(int curIndex, int newIndex);
  // Adds every string of `strings` with its object, inside one update.
  virtual void AddStrings(const TStrings& strings);
  // Same count and the same strings, compared exactly.
  bool Equals(const TStrings& strings) const;

  // -1 when absent. Strings and names compare through CompareStrings.
  virtual int IndexOf(std::string_view text) const;
  // The first line whose name part (before the first NameValueSeparator) matches;
  // lines without a separator never match.
  virtual int IndexOfName(std::string_view name) const;
  virtual int IndexOfObject(const TObject* object) const;

  // The name part of a line; "" when it has no separator.
  std::string Names(int index) const;
  // The value part of the line named `name`; "" when there is none.
  std::string Values(std::string_view name) const;
  // Replaces the line's value or appends "name=value"; an empty value deletes the line.
  void SetValues(std::string_view name, const std::string& value);
  // The value part of a line ("" without a separator, and for a negative index).
  std::string ValueFromIndex(int index) const;
  // As SetValues for the line at `index`; a negative index appends a line.
  void SetValueFromIndex(int index, const std::string& value);

  // Every line followed by CR LF. Setting it splits at CR LF, LF or CR and
  // replaces the lines inside one update.
  virtual std::string Text() const;
  virtual void SetText(std::string_view text);
  // Delimited text with ',' and '"' and blanks as separators, whatever the
  // Delimiter, QuoteChar and StrictDelimiter of the list.
  std::string CommaText() const;
  void SetCommaText(std::string_view text);
  // Items joined by Delimiter; an item holding the delimiter, the quote
  // character, or (unless StrictDelimiter) a blank or control character is
  // quoted with inner quotes doubled. A single empty item reads as two quotes.
  // Parsing splits at the delimiter and, unless StrictDelimiter, at blanks and
  // control characters as well; quotes group an item and are removed.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view text);

  char Delimiter() const noexcept { return m_delimiter; }
  void SetDelimiter(char delimiter) noexcept { m_delimiter = delimiter; }
  char QuoteChar() const noexcept { return m_quoteChar; }
  void SetQuoteChar(char quoteChar) noexcept { m_quoteChar = quoteChar; }
  char NameValueSeparator() const noexcept { return m_nameValueSeparator; }
  void SetNameValueSeparator(char separator) noexcept { m_nameValueSeparator = separator; }
  bool StrictDelimiter() const noexcept { return m_strictDelimiter; }
  void SetStrictDelimiter(bool strict) noexcept { m_strictDelimiter = strict; }

  // Nested; the outermost pair tells SetUpdateState. An unmatched EndUpdate is ignored.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const noexcept { return m_updateCount; }

  // The file's bytes as Text (no conversion). On failure the list is unchanged and
  // EFOpenError / EReadError is raised.
  virtual void LoadFromFile(const std::string& fileName);
  // Writes Text, replacing the file; EFCreateError / EWriteError on failure.
  virtual void SaveToFile(const std::string& fileName) const;

  // From another TStrings: clears, copies Delimiter, QuoteChar, NameValueSeparator
  // and StrictDelimiter, then AddStrings, inside one update.
  void Assign(const TPersistent& source) override;

 protected:
  virtual std::string Get(int index) const = 0;
  virtual TObject* GetObject(int index) const;
  virtual void Put(int index, const std::string& text);
  virtual void PutObject(int index, TObject* object);
  // Without regard to case (CompareText) unless a subclass says otherwise.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;
  // Told true at the outermost BeginUpdate and false at the matching EndUpdate.
  virtual void SetUpdateState(bool updating);

  [[noreturn]] static void ThrowIndexError(int index);

 private:
  std::string JoinDelimited(char delimiter, char quoteChar, bool strict) const;
  void ParseDelimited(std::string_view text, char delimiter, char quoteChar, bool strict);

  char m_delimiter = ',';
  char m_quoteChar = '"';
  char m_nameValueSeparator = '=';
  bool m_strictDelimiter = false;
  int m_updateCount = 0;
};

class TStringList;
// Compares the strings at two indexes: negative, zero or positive.
using TStringListSortCompare = std::function<int(TStringList& list, int index1, int index2)>;

// The string list of the class library: optional sorting with a duplicates rule,
// case-insensitive by default, change events, and objects it may own.
class TStringList : public TStrings {
  HALBRIN_CLASS(TStringList, TStrings)

  TStringList() = default;
  // Frees owned objects; fires no events.
  ~TStringList() override;

  int Count() const override { return static_cast<int>(m_items.size()); }
  // A sorted list inserts in order and applies Duplicates (dupIgnore returns the
  // index of the string already there; dupError raises EListError "String list
  // does not allow duplicates").
  int Add(const std::string& text) override;
  int AddObject(const std::string& text, TObject* object) override;
  // Raise EListError "Operation not allowed on sorted list" on a sorted list.
  void Insert(int index, const std::string& text) override;
  void InsertObject(int index, const std::string& text, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  int IndexOf(std::string_view text) const override;
  int IndexOfName(std::string_view name) const override;

  // Binary search of a sorted list: true when found; `index` is then the match
  // (the first of equal strings with dupAccept), else where the string would go.
  virtual bool Find(std::string_view text, int& index) const;
  // Quicksort by CompareStrings; does nothing on a sorted list (it is in order).
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const noexcept { return m_sorted; }
  // Turning it on sorts the list.
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const noexcept { return m_duplicates; }
  void SetDuplicates(TDuplicates duplicates) noexcept { m_duplicates = duplicates; }
  bool CaseSensitive() const noexcept { return m_caseSensitive; }
  // A sorted list is sorted again under the new rule.
  void SetCaseSensitive(bool caseSensitive);

  // While true the list frees the objects attached to its strings when a string
  // is deleted, the list is cleared or destroyed, or an object is replaced.
  // Turning it on takes the attached objects; turning it off gives them back to
  // whoever holds their pointers. An object dropped by dupIgnore stays the caller's.
  bool OwnsObjects() const noexcept { return m_ownsObjects; }
  void SetOwnsObjects(bool ownsObjects);

  // Fired before and after each change, except inside BeginUpdate/EndUpdate
  // (then once at the outermost BeginUpdate and once at its EndUpdate).
  TNotifyEvent& OnChange() noexcept { return m_onChange; }
  TNotifyEvent& OnChanging() noexcept { return m_onChanging; }

  // Case-sensitive comparison is by bytes (code point order for UTF-8).
  int CompareStrings(std::string_view a, std::string_view b) const override;

 protected:
  std::string Get(int index) const override;
  TObject* GetObject(int index) const override;
  void Put(int index, const std::string& text) override;
  void PutObject(int index, TObject* object) override;
  void SetUpdateState(bool updating) override;
  virtual void Changed();
  virtual void Changing();
  virtual void InsertItem(int index, const std::string& text, TObject* object);
  // Swaps two entries without events.
  void ExchangeItems(int index1, int index2);

 private:
  struct TItem {
    std::string text;
    TObject* object = nullptr;
    std::unique_ptr<TObject> owned;  // set while the list owns `object`
  };

  void CheckIndex(int index) const;
  void QuickSort(int low, int high, const TStringListSortCompare& compare);

  std::vector<TItem> m_items;
  bool m_sorted = false;
  bool m_caseSensitive = false;
  bool m_ownsObjects = false;
  TDuplicates m_duplicates = TDuplicates::dupIgnore;
  TNotifyEvent m_onChange;
  TNotifyEvent m_onChanging;
};

}  // namespace halbrin::platform
