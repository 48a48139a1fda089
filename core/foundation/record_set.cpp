#include "core/foundation/record_set.h"

#include <cstdio>

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "platform/base/format.h"

namespace halbrin {

namespace {

[[noreturn]] void ThrowUnwritable(unsigned code) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", code);
  throw EXmlDOMException(platform::Format("The character %s cannot be written into an XML file", {name}));
}

std::string EscapeText(std::string_view text, bool attribute) {
  if (const std::size_t bad = FindInvalidUtf8(text); bad != std::string_view::npos)
    throw EXmlDOMException(platform::Format("The text is not valid UTF-8 at offset %u", {bad}));
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char c = text[pos];
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#13;"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) ThrowUnwritable(static_cast<unsigned char>(c));
        // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
        if (c == '\xEF' && text.substr(pos + 1, 1) == "\xBF" && pos + 2 < text.size() &&
            (text[pos + 2] == '\xBE' || text[pos + 2] == '\xBF'))
          ThrowUnwritable(text[pos + 2] == '\xBE' ? 0xFFFE : 0xFFFF);
        out += c;
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
