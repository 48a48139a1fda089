#include "core/foundation/string_object.h"

#include <string>

#include "core/foundation/text_helpers.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TStringObject,
                     .Property("text", &TStringObject::Text, &TStringObject::SetText)
                     .Property("name", &TStringObject::Name)
                     .Property("value", &TStringObject::Value, &TStringObject::SetValue)
                     .Property("length", &TStringObject::Length))

TStringObject::TStringObject(TStrings* list, int index) : m_list(list), m_index(index) {}

TStringObject::~TStringObject() { m_index = -1; }

TStrings* TStringObject::Line() const {
  TStrings* list = m_list.Get();
  return list && m_index >= 0 && m_index < list->Count() ? list : nullptr;
}

Variant TStringObject::Text() const {
  const TStrings* list = Line();
  return list ? Variant(list->Strings(m_index)) : Variant::Null();
}

void TStringObject::SetText(const Variant& value) {
  if (TStrings* list = Line()) list->SetStrings(m_index, value.ToText());
}

Variant TStringObject::Name() const {
  const TStrings* list = Line();
  return list ? Variant(list->Names(m_index)) : Variant::Null();
}

Variant TStringObject::Value() const {
  const TStrings* list = Line();
  return list ? Variant(list->ValueFromIndex(m_index)) : Variant::Null();
}

void TStringObject::SetValue(const Variant& value) {
  TStrings* list = Line();
  if (!list) return;
  // Not the class library's SetValueFromIndex: that deletes the line for an
  // empty value and drops the text of a line without a separator.
  const std::string text = value.ToText();
  const std::string line = list->Strings(m_index);
  const std::size_t separator = line.find(list->NameValueSeparator());
  const std::string name = separator == std::string::npos ? line : line.substr(0, separator);
  list->SetStrings(m_index, name + list->NameValueSeparator() + text);
}

int TStringObject::Length() const {
  const TStrings* list = Line();
  if (!list) return -1;
  // Characters, as scripts count them, not the bytes of the UTF-8 text.
  const std::string line = list->Strings(m_index);
  int length = 0;
  for (std::size_t pos = 0; pos < line.size(); pos += DecodeUtf8At(line, pos).length) ++length;
  return length;
}

}  // namespace halbrin
