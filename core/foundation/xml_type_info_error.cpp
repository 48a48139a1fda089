#include "core/foundation/xml_type_info_error.h"

namespace halbrin {

std::string_view XmlTypeInfoMessageText(XmlTypeInfoMessage id) noexcept {
  switch (id) {
    case XmlTypeInfoMessage::None: return {};
    case XmlTypeInfoMessage::RangeCheck: return "Range check error for property %s=%s";
    case XmlTypeInfoMessage::PropertyNotFound: return "Property \"%s\" does not exist";
    case XmlTypeInfoMessage::InvalidPropertyType: return "Invalid \"%s\" property type: %s";
    case XmlTypeInfoMessage::ObjectNotFound: return "Object \"%s\" does not exist";
    case XmlTypeInfoMessage::PropertyNotObject: return "Property \"%s\" is not object";
    case XmlTypeInfoMessage::ObjectNotFoundFor: return "Object \"%s\" does not exist for \"%s\"";
    case XmlTypeInfoMessage::PropertyNotFoundFor: return "Property \"%s\" does not exist for \"%s\"";
    case XmlTypeInfoMessage::InvalidPropertyValue: return "Invalid property \"%s\" value \"%s\"";
    case XmlTypeInfoMessage::ReadOnlyProperty: return "Cannot assign to a read-only property \"%s\"";
  }
  return {};
}

}  // namespace halbrin
