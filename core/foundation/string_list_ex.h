#pragma once

// TStringListEx: the class library's string list with the properties scripts
// and XML declarations use (lower-case names, Variant character properties).

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/base/format.h"
#include "platform/classes/class_info.h"
#include "platform/classes/string_list.h"
#include "platform/variant/variant.h"

namespace halbrin {

// The character behind the delimiter, quoteChar and separator properties:
// a string gives its first character (the fallback when it is empty), an
// integer kind or Boolean the character with that code taken as a byte
// (Boolean True is -1, so 255), anything else the fallback. Lists hold UTF-8,
// where a separator must be one ASCII byte: a character or code outside
// ASCII gives the fallback too, since a lone byte of a longer character would
// cut other characters apart.
char VariantToChar(const platform::Variant& value, char fallback);

// Names of TDuplicates for the published `duplicates` property.
const platform::TEnumInfo& DuplicatesEnumInfo();

class TStringListEx : public platform::TStringList {
  HALBRIN_CLASS(TStringListEx, platform::TStringList)

  TStringListEx() = default;

  bool Empty() const { return Count() == 0; }
  // True clears the list; false does nothing.
  void SetEmpty(bool empty);
  int Length() const { return Count(); }

  // One-character texts; writing goes through VariantToChar with the
  // fallbacks ",", the double quote and "=".
  platform::Variant DelimiterVariant() const;
  void SetDelimiterVariant(const platform::Variant& value);
  platform::Variant QuoteCharVariant() const;
  void SetQuoteCharVariant(const platform::Variant& value);
  platform::Variant SeparatorVariant() const;
  void SetSeparatorVariant(const platform::Variant& value);

  // Adds Format(pattern, args) as a line; returns its index.
  int AddFormat(std::string_view pattern, std::initializer_list<platform::FormatArg> args);
};

}  // namespace halbrin
