#include "core/foundation/record_set.h"

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "platform/base/format.h"

namespace halbrin {

namespace {

std::string EscapeText(std::string_view text, bool attribute) {
  if (const std::size_t bad = FindInvalidUtf8(text); bad != std::string_view::npos)
    throw EXmlDOMException(platform::Format("The text is not valid UTF-8 at offset %u", {bad}));
  if (const std::size_t at = FindNonXmlCharacter(text); at != std::string_view::npos)
    throw EXmlDOMException(NonXmlCharacterMessage(text, at));
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#13;"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string XmlDeclaration() {
  return platform::Format("<?xml version=\"1.0\" encoding=\"%s\"?>", {XmlEncoding()});
}

std::string RecordSetText(std::string_view text) { return EscapeText(text, false); }

std::string RecordSetAttributeText(std::string_view text) { return EscapeText(text, true); }

}  // namespace halbrin
