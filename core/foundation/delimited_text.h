#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/string_list.h"
#include "platform/variant/variant.h"

namespace halbrin {

// Delimited text read by the class library's rules (TStrings::DelimitedText
// without StrictDelimiter): items end at the delimiter and at blanks and
// control characters; double quotes group an item (doubled inside) and are
// removed; a delimiter at the very end leaves an empty last item.
std::unique_ptr<platform::TStringList> SplitDelimited(std::string_view text, char delimiter);

// Item `index` of SplitDelimited; a negative index counts from the end
// (count + index, at least 0). An index past the end raises EListError
// "List index out of bounds (%d)".
std::string GetDelimitedItem(std::string_view text, int index, char delimiter);

// Null for an empty list, else a [Count x 2] array of strings: the name and
// the value part of each line ("" for a line without "=").
platform::Variant StringsToVariantArray(const platform::TStrings& list);

// Deletes, last line first, every line that holds nothing but blanks and
// control characters, in one update. True when a line went; a null list gives false.
bool DeleteEmptyLines(platform::TStrings* list);

}  // namespace halbrin
