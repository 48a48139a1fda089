#include "core/foundation/escapes.h"

#include "core/foundation/text_helpers.h"

namespace halbrin {
namespace {

void AppendAttributes(std::string& out, std::string_view attributes) {
  if (!attributes.empty() && attributes.front() != ' ') out.push_back(' ');
  out.append(attributes);
}

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // One scan gives what the four replacements in turn give: no replacement
  // text holds a character that a later replacement looks for.
  for (char c : text) {
    switch (c) {
      case '&': out.append("&amp;"); break;
      case '<': out.append("&lt;"); break;
      case '>': out.append("&gt;"); break;
      case '"': out.append("&quot;"); break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string XmlUnescape(std::string_view text) {
  // Pass after pass, not one scan: "&amp;" goes last, so the entities it
  // uncovers stay as they are.
  std::string out = ReplaceAll(text, "&quot;", "\"");
  out = ReplaceAll(out, "&apos;", "'");
  out = ReplaceAll(out, "&lt;", "<");
  out = ReplaceAll(out, "&gt;", ">");
  out = ReplaceAll(out, "&sp;", " ");
  return ReplaceAll(out, "&amp;", "&");
}

std::string XmlOpenTag(std::string_view name, std::string_view attributes) {
  std::string out = "<";
  out.append(name);
  AppendAttributes(out, attributes);
  out.push_back('>');
  return out;
}

std::string XmlCloseTag(std::string_view name) {
  std::string out = "</";
  out.append(name);
  out.push_back('>');
  return out;
}

std::string XmlElement(std::string_view name, std::string_view attributes, std::string_view content) {
  std::string out = XmlOpenTag(name, attributes);
  out.append(content);
  out.append(XmlCloseTag(name));
  return out;
}

std::string XmlAttribute(std::string_view name, std::string_view value) {
  std::string out = " ";
  out.append(name);
  out.append("=\"");
  out.append(value);
  out.push_back('"');
  return out;
}

}  // namespace halbrin
