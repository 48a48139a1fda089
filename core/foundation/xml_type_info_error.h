#pragma once

// The errors of the XML-to-object mapper and of SetPropertyValue /
// GetPropertyValue: the message table with its resource ids, and the
// exception family that carries them.

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/base/exception.h"
#include "platform/base/format.h"

namespace halbrin {

// Resource ids of the mapper's messages; the texts are XmlTypeInfoMessageText.
enum class XmlTypeInfoMessage : int {
  None = 0,                     // a message without an id ("Interface not supported")
  RangeCheck = 65219,           // "Range check error for property %s=%s" (name, value)
  PropertyNotFound = 65220,     // "Property "%s" does not exist" (name)
  InvalidPropertyType = 65221,  // "Invalid "%s" property type: %s" (type name, property name)
  ObjectNotFound = 65222,       // "Object "%s" does not exist" (name)
  PropertyNotObject = 65223,    // "Property "%s" is not object" (name)
  ObjectNotFoundFor = 65224,    // "Object "%s" does not exist for "%s"" (name, path)
  PropertyNotFoundFor = 65225,  // "Property "%s" does not exist for "%s"" (name, path)
  InvalidPropertyValue = 65226, // "Invalid property "%s" value "%s"" (name, value)
  ReadOnlyProperty = 65228,     // "Cannot assign to a read-only property "%s"" (name)
};

// The text of a message id; empty for None and for ids outside the table.
std::string_view XmlTypeInfoMessageText(XmlTypeInfoMessage id) noexcept;

// Root of the mapper's errors. MessageId() tells which message it carries.
class EXMLTypeInfo : public platform::Exception {
 public:
  explicit EXMLTypeInfo(const std::string& message, XmlTypeInfoMessage id = XmlTypeInfoMessage::None)
      : platform::Exception(message), m_id(id) {}
  std::string_view ClassName() const noexcept override { return "EXMLTypeInfo"; }
  XmlTypeInfoMessage MessageId() const noexcept { return m_id; }

 private:
  XmlTypeInfoMessage m_id;
};

// A property that does not exist, cannot be written or has a kind the mapper
// does not convert.
class EXMLTypeInfoPropertyError : public EXMLTypeInfo {
 public:
  using EXMLTypeInfo::EXMLTypeInfo;
  std::string_view ClassName() const noexcept override { return "EXMLTypeInfoPropertyError"; }
};

// A value that does not convert to the property, or lies outside its range.
class EXMLTypeInfoPropertyConvertError : public EXMLTypeInfoPropertyError {
 public:
  using EXMLTypeInfoPropertyError::EXMLTypeInfoPropertyError;
  std::string_view ClassName() const noexcept override { return "EXMLTypeInfoPropertyConvertError"; }
};

// An element that names no object, or a property that holds none.
class EXMLTypeInfoPropertyObjectError : public EXMLTypeInfoPropertyError {
 public:
  using EXMLTypeInfoPropertyError::EXMLTypeInfoPropertyError;
  std::string_view ClassName() const noexcept override { return "EXMLTypeInfoPropertyObjectError"; }
};

// Throws E with the message `id` filled with `args`.
template <class E>
[[noreturn]] void ThrowXmlTypeInfoError(XmlTypeInfoMessage id, std::initializer_list<platform::FormatArg> args) {
  throw E(platform::Format(XmlTypeInfoMessageText(id), args), id);
}

}  // namespace halbrin
