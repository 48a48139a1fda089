#include "core/foundation/string_list_ex.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

char AsciiOr(std::int64_t code, char fallback) {
  const auto byte = static_cast<unsigned char>(code & 0xFF);
  return byte < 0x80 ? static_cast<char>(byte) : fallback;
}

Variant CharText(char c) { return Variant(std::string(1, c)); }

}  // namespace

char VariantToChar(const Variant& value, char fallback) {
  if (value.IsString()) {
    const std::string& text = value.AsString();
    return text.empty() ? fallback : AsciiOr(static_cast<unsigned char>(text[0]), fallback);
  }
  if (value.IsOrdinal()) return AsciiOr(value.ToInt64(), fallback);
  return fallback;
}

const TEnumInfo& DuplicatesEnumInfo() {
  static const TEnumInfo info("TDuplicates", {"dupIgnore", "dupAccept", "dupError"});
  return info;
}

HALBRIN_DEFINE_CLASS(TStringListEx,
                     .Property("empty", &TStringListEx::Empty, &TStringListEx::SetEmpty)
                     .Stored(false)
                     .Property("length", &TStringListEx::Length)
                     .Property("text", &TStringListEx::Text, &TStringListEx::SetText)
                     .Property("commaText", &TStringListEx::CommaText, &TStringListEx::SetCommaText)
                     .Property("delimitedText", &TStringListEx::DelimitedText, &TStringListEx::SetDelimitedText)
                     .Property("delimiter", &TStringListEx::DelimiterVariant, &TStringListEx::SetDelimiterVariant)
                     .Property("quoteChar", &TStringListEx::QuoteCharVariant, &TStringListEx::SetQuoteCharVariant)
                     .Property("separator", &TStringListEx::SeparatorVariant, &TStringListEx::SetSeparatorVariant)
                     .Enum("duplicates", &TStringListEx::Duplicates, &TStringListEx::SetDuplicates,
                           DuplicatesEnumInfo())
                     .Property("sorted", &TStringListEx::Sorted, &TStringListEx::SetSorted)
                     .Property("caseSensitive", &TStringListEx::CaseSensitive, &TStringListEx::SetCaseSensitive))

void TStringListEx::SetEmpty(bool empty) {
  if (empty) Clear();
}

Variant TStringListEx::DelimiterVariant() const { return CharText(Delimiter()); }

void TStringListEx::SetDelimiterVariant(const Variant& value) { SetDelimiter(VariantToChar(value, ',')); }

Variant TStringListEx::QuoteCharVariant() const { return CharText(QuoteChar()); }

void TStringListEx::SetQuoteCharVariant(const Variant& value) { SetQuoteChar(VariantToChar(value, '"')); }

Variant TStringListEx::SeparatorVariant() const { return CharText(NameValueSeparator()); }

void TStringListEx::SetSeparatorVariant(const Variant& value) { SetNameValueSeparator(VariantToChar(value, '=')); }

int TStringListEx::AddFormat(std::string_view pattern, std::initializer_list<FormatArg> args) {
  return Add(Format(pattern, args));
}

}  // namespace halbrin
