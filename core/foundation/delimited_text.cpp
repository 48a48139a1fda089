#include "core/foundation/delimited_text.h"

#include <algorithm>

using namespace halbrin::platform;

namespace halbrin {
namespace {

bool IsBlankLine(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace

std::unique_ptr<TStringList> SplitDelimited(std::string_view text, char delimiter) {
  auto list = std::make_unique<TStringList>();
  list->SetDelimiter(delimiter);
  list->SetDelimitedText(text);
  return list;
}

std::string GetDelimitedItem(std::string_view text, int index, char delimiter) {
  const std::unique_ptr<TStringList> list = SplitDelimited(text, delimiter);
  if (index < 0) index = std::max(0, list->Count() + index);
  return list->Strings(index);
}

Variant StringsToVariantArray(const TStrings& list) {
  const int count = list.Count();
  if (count == 0) return Variant::Null();
  VariantArray array(static_cast<std::size_t>(count), 2);
  for (int i = 0; i < count; ++i) {
    const auto row = static_cast<std::size_t>(i);
    array.At(row, 0) = Variant(list.Names(i));
    // The line's own value: looking it up by name would give every later line
    // of a repeated name the first one's value.
    array.At(row, 1) = Variant(list.ValueFromIndex(i));
  }
  return Variant(std::move(array));
}

bool DeleteEmptyLines(TStrings* list) {
  if (!list) return false;
  bool deleted = false;
  const TStrings::TUpdateScope update(*list);
  for (int i = list->Count() - 1; i >= 0; --i) {
    if (!IsBlankLine(list->Strings(i))) continue;
    list->Delete(i);
    deleted = true;
  }
  return deleted;
}

}  // namespace halbrin
