#include "platform/classes/string_list.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "platform/base/unique_fd.h"

namespace halbrin::platform {

HALBRIN_DEFINE_CLASS(TStrings, .Property("Count", &TStrings::Count))

HALBRIN_DEFINE_CLASS(TStringList,
                     .Property("Text", &TStringList::Text, &TStringList::SetText)
                     .Property("CommaText", &TStringList::CommaText, &TStringList::SetCommaText)
                     .Property("Sorted", &TStringList::Sorted, &TStringList::SetSorted))

namespace {

bool IsBlankOrControl(char c) {
  auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= ' ';
}

std::string ExpandFileName(const std::string& fileName) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(fileName, error);
  if (error) return fileName;
  return path.lexically_normal().string();
}

}  // namespace

// ---- TStrings ----

void TStrings::ThrowIndexError(int index) { throw EListError(Format("List index out of bounds (%d)", {index})); }

int TStrings::Add(const std::string& text) {
  int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::AddObject(const std::string& text, TObject* object) {
  int index = Add(text);
  PutObject(index, object);
  return index;
}

void TStrings::InsertObject(int index, const std::string& text, TObject* object) {
  Insert(index, text);
  PutObject(index, object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::Put(int index, const std::string& text) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, text, object);
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return CompareText(a, b); }

void TStrings::SetUpdateState(bool) {}

void TStrings::BeginUpdate() {
  if (m_updateCount == 0) SetUpdateState(true);
  ++m_updateCount;
}

void TStrings::EndUpdate() {
  if (m_updateCount == 0) return;
  --m_updateCount;
  if (m_updateCount == 0) SetUpdateState(false);
}

void TStrings::Exchange(int index1, int index2) {
  TUpdateScope update(*this);
  std::string text = Strings(index1);
  TObject* object = Objects(index1);
  SetStrings(index1, Strings(index2));
  SetObjects(index1, Objects(index2));
  SetStrings(index2, text);
  SetObjects(index2, object);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  TUpdateScope update(*this);
  std::string text = Get(curIndex);
  TObject* object = GetObject(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, text, object);
}

void TStrings::AddStrings(const TStrings& strings) {
  TUpdateScope update(*this);
  // Counted up front: adding a list to itself doubles it once.
  int count = strings.Count();
  // Objects a list owns stay with it: an owning copy would free them a second time.
  const auto* source = dynamic_cast<const TStringList*>(&strings);
  const auto* target = dynamic_cast<const TStringList*>(this);
  const bool keepObjects = !(source && source->OwnsObjects() && target && target->OwnsObjects());
  for (int i = 0; i < count; ++i) AddObject(strings.Get(i), keepObjects ? strings.GetObject(i) : nullptr);
}

bool TStrings::Equals(const TStrings& strings) const {
  int count = Count();
  if (count != strings.Count()) return false;
  for (int i = 0; i < count; ++i)
    if (Get(i) != strings.Get(i)) return false;
  return true;
}

int TStrings::IndexOf(std::string_view text) const {
  int count = Count();
  for (int i = 0; i < count; ++i)
    if (CompareStrings(Get(i), text) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
  int count = Count();
  for (int i = 0; i < count; ++i) {
    std::string line = Get(i);
    std::size_t separator = line.find(m_nameValueSeparator);
    if (separator != std::string::npos && CompareStrings(std::string_view(line).substr(0, separator), name) == 0)
      return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  int count = Count();
  for (int i = 0; i < count; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

std::string TStrings::Names(int index) const {
  std::string line = Get(index);
  std::size_t separator = line.find(m_nameValueSeparator);
  return separator == std::string::npos ? std::string() : line.substr(0, separator);
}

std::string TStrings::Values(std::string_view name) const {
  int index = IndexOfName(name);
  return index >= 0 ? ValueFromIndex(index) : std::string();
}

void TStrings::SetValues(std::string_view name, const std::string& value) {
  int index = IndexOfName(name);
  if (!value.empty()) {
    if (index < 0) index = Add(std::string());
    Put(index, std::string(name) + m_nameValueSeparator + value);
  } else if (index >= 0) {
    Delete(index);
  }
}

std::string TStrings::ValueFromIndex(int index) const {
  if (index < 0) return std::string();
  std::string line = Get(index);
  std::size_t separator = line.find(m_nameValueSeparator);
  return separator == std::string::npos ? std::string() : line.substr(separator + 1);
}

void TStrings::SetValueFromIndex(int index, const std::string& value) {
  if (!value.empty()) {
    if (index < 0) index = Add(std::string());
    Put(index, Names(index) + m_nameValueSeparator + value);
  } else if (index >= 0) {
    Delete(index);
  }
}

std::string TStrings::Text() const {
  int count = Count();
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(std::string_view text) {
  TUpdateScope update(*this);
  Clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    Add(std::string(text.substr(pos, end - pos)));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
}

std::string TStrings::CommaText() const { return JoinDelimited(',', '"', false); }

void TStrings::SetCommaText(std::string_view text) { ParseDelimited(text, ',', '"', false); }

std::string TStrings::DelimitedText() const { return JoinDelimited(m_delimiter, m_quoteChar, m_strictDelimiter); }

void TStrings::SetDelimitedText(std::string_view text) {
  ParseDelimited(text, m_delimiter, m_quoteChar, m_strictDelimiter);
}

std::string TStrings::JoinDelimited(char delimiter, char quoteChar, bool strict) const {
  int count = Count();
  if (count == 1 && Get(0).empty()) return std::string(2, quoteChar);
  std::string result;
  for (int i = 0; i < count; ++i) {
    if (i > 0) result += delimiter;
    std::string item = Get(i);
    // A NUL ends the scan: what follows it never asks for quotes.
    bool quote = false;
    for (char c : item) {
      if (c == '\0') break;
      if (c == quoteChar || c == delimiter || (!strict && IsBlankOrControl(c))) {
        quote = true;
        break;
      }
    }
    if (!quote) {
      result += item;
      continue;
    }
    result += quoteChar;
    for (char c : item) {
      result += c;
      if (c == quoteChar) result += c;
    }
    result += quoteChar;
  }
  return result;
}

void TStrings::ParseDelimited(std::string_view text, char delimiter, char quoteChar, bool strict) {
  TUpdateScope update(*this);
  Clear();
  // The text ends at its end or at a NUL, as a C string would.
  text = text.substr(0, std::min(text.size(), text.find('\0')));
  std::size_t pos = 0;
  auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
  auto skipBlanks = [&] {
    if (!strict)
      while (IsBlankOrControl(at(pos))) ++pos;
  };
  skipBlanks();
  while (pos < text.size()) {
    std::string item;
    if (text[pos] == quoteChar) {
      // A quoted item: doubled quotes stand for one. An item whose closing quote
      // is missing runs to the end of the text, every character kept.
      ++pos;
      while (pos < text.size()) {
        if (text[pos] == quoteChar) {
          if (at(pos + 1) == quoteChar) {
            item += quoteChar;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        item += text[pos++];
      }
    } else {
      std::size_t start = pos;
      while (pos < text.size() && text[pos] != delimiter && (strict || static_cast<unsigned char>(text[pos]) > ' '))
        ++pos;
      item.assign(text.substr(start, pos - start));
    }
    Add(item);
    skipBlanks();
    if (at(pos) == delimiter) {
      // A delimiter that ends the text leaves an empty last item.
      if (pos + 1 >= text.size()) Add(std::string());
      ++pos;
      skipBlanks();
    }
  }
}

void TStrings::LoadFromFile(const std::string& fileName) {
  UniqueFd file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (file.Get() >= 0 && ::fstat(file.Get(), &info) == 0 && S_ISDIR(info.st_mode)) errno = EISDIR;
  if (file.Get() < 0 || S_ISDIR(info.st_mode))
    throw EFOpenError(Format("Cannot open file \"%s\". %s", {ExpandFileName(fileName), g_strerror(errno)}));
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EReadError("Stream read error");
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  TUpdateScope update(*this);
  SetText(bytes);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  UniqueFd file(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.Get() < 0)
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {ExpandFileName(fileName), g_strerror(errno)}));
  std::string text = Text();
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t put = ::write(file.Get(), text.data() + written, text.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw EWriteError("Stream write error");
    written += static_cast<std::size_t>(put);
  }
  if (!file.Close()) throw EWriteError("Stream write error");
}

void TStrings::Assign(const TPersistent& source) {
  const auto* strings = dynamic_cast<const TStrings*>(&source);
  if (!strings) {
    TPersistent::Assign(source);
    return;
  }
  if (strings == this) return;
  TUpdateScope update(*this);
  Clear();
  m_delimiter = strings->m_delimiter;
  m_quoteChar = strings->m_quoteChar;
  m_nameValueSeparator = strings->m_nameValueSeparator;
  m_strictDelimiter = strings->m_strictDelimiter;
  AddStrings(*strings);
}

// ---- TStringList ----

TStringList::~TStringList() {
  m_onChange.Clear();
  m_onChanging.Clear();
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ThrowIndexError(index);
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return m_items[static_cast<std::size_t>(index)].text;
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return m_items[static_cast<std::size_t>(index)].object;
}

int TStringList::Add(const std::string& text) { return AddObject(text, nullptr); }

int TStringList::AddObject(const std::string& text, TObject* object) {
  int index = Count();
  if (m_sorted && Find(text, index)) {
    switch (m_duplicates) {
      case TDuplicates::dupIgnore:
        return index;
      case TDuplicates::dupError:
        throw EListError("String list does not allow duplicates");
      case TDuplicates::dupAccept:
        break;
    }
  }
  InsertItem(index, text, object);
  return index;
}

void TStringList::Insert(int index, const std::string& text) { InsertObject(index, text, nullptr); }

void TStringList::InsertObject(int index, const std::string& text, TObject* object) {
  if (m_sorted) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) ThrowIndexError(index);
  InsertItem(index, text, object);
}

void TStringList::InsertItem(int index, const std::string& text, TObject* object) {
  Changing();
  TItem item{text, object, nullptr};
  if (m_ownsObjects) item.owned.reset(object);
  m_items.insert(m_items.begin() + index, std::move(item));
  Changed();
}

void TStringList::Put(int index, const std::string& text) {
  if (m_sorted) throw EListError("Operation not allowed on sorted list");
  CheckIndex(index);
  Changing();
  m_items[static_cast<std::size_t>(index)].text = text;
  Changed();
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  TItem& item = m_items[static_cast<std::size_t>(index)];
  std::unique_ptr<TObject> previous;
  if (item.object != object) {
    previous = std::move(item.owned);
    item.object = object;
    if (m_ownsObjects) item.owned.reset(object);
  }
  previous.reset();
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  // The object goes after its string has left the list.
  std::unique_ptr<TObject> owned = std::move(m_items[static_cast<std::size_t>(index)].owned);
  m_items.erase(m_items.begin() + index);
  owned.reset();
  Changed();
}

void TStringList::Clear() {
  if (m_items.empty()) return;
  Changing();
  std::vector<TItem> items = std::move(m_items);
  m_items.clear();
  items.clear();
  Changed();
}

void TStringList::ExchangeItems(int index1, int index2) {
  if (index1 == index2) return;
  std::swap(m_items[static_cast<std::size_t>(index1)], m_items[static_cast<std::size_t>(index2)]);
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  ExchangeItems(index1, index2);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  // Checked before anything changes, so a refused move loses nothing.
  CheckIndex(curIndex);
  if (m_sorted) throw EListError("Operation not allowed on sorted list");
  CheckIndex(newIndex);
  // Announced as one update, as a delete and an insert would be.
  TUpdateScope update(*this);
  auto first = m_items.begin();
  if (curIndex < newIndex)
    std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
  else
    std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

int TStringList::IndexOf(std::string_view text) const {
  if (!m_sorted) {
    for (std::size_t i = 0; i < m_items.size(); ++i)
      if (CompareStrings(m_items[i].text, text) == 0) return static_cast<int>(i);
    return -1;
  }
  int index = -1;
  return Find(text, index) ? index : -1;
}

int TStringList::IndexOfName(std::string_view name) const {
  // As the inherited one, without copying every line.
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    std::string_view line = m_items[i].text;
    std::size_t separator = line.find(NameValueSeparator());
    if (separator != std::string_view::npos && CompareStrings(line.substr(0, separator), name) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

bool TStringList::Find(std::string_view text, int& index) const {
  bool found = false;
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int order = CompareStrings(m_items[static_cast<std::size_t>(middle)].text, text);
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (order == 0) {
        found = true;
        if (m_duplicates != TDuplicates::dupAccept) low = middle;
      }
    }
  }
  index = low;
  return found;
}

void TStringList::Sort() {
  CustomSort([](TStringList& list, int index1, int index2) {
    return list.CompareStrings(list.m_items[static_cast<std::size_t>(index1)].text,
                               list.m_items[static_cast<std::size_t>(index2)].text);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (m_sorted || Count() <= 1) return;
  Changing();
  QuickSort(0, Count() - 1, compare);
  Changed();
}

// The class library's quicksort (middle pivot, tracked while it moves), so equal
// strings end up in the same order as there.
void TStringList::QuickSort(int low, int high, const TStringListSortCompare& compare) {
  int i;
  do {
    i = low;
    int j = high;
    int pivot = (low + high) / 2;
    do {
      while (compare(*this, i, pivot) < 0) ++i;
      while (compare(*this, j, pivot) > 0) --j;
      if (i <= j) {
        ExchangeItems(i, j);
        if (pivot == i)
          pivot = j;
        else if (pivot == j)
          pivot = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (low < j) QuickSort(low, j, compare);
    low = i;
  } while (i < high);
}

void TStringList::SetSorted(bool sorted) {
  if (m_sorted == sorted) return;
  if (sorted) Sort();
  m_sorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (m_caseSensitive == caseSensitive) return;
  m_caseSensitive = caseSensitive;
  if (m_sorted) {
    m_sorted = false;
    SetSorted(true);
  }
}

void TStringList::SetOwnsObjects(bool ownsObjects) {
  if (m_ownsObjects == ownsObjects) return;
  m_ownsObjects = ownsObjects;
  for (TItem& item : m_items) {
    if (ownsObjects)
      item.owned.reset(item.object);
    else
      static_cast<void>(item.owned.release());
  }
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  if (!m_caseSensitive) return CompareText(a, b);
  int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TStringList::Changing() {
  if (UpdateCount() == 0) m_onChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0) m_onChange(this);
}

}  // namespace halbrin::platform
