#pragma once

#include <string>
#include <string_view>

namespace halbrin {

// "&" to "&amp;" first, then "<", ">" and the double quote; the apostrophe stays.
std::string XmlEscape(std::string_view text);
// "&quot;", "&apos;", "&lt;", "&gt;", "&sp;" (one blank) and last "&amp;", each
// replaced throughout before the next: "&amp;lt;" gives "&lt;".
std::string XmlUnescape(std::string_view text);

// The tag builders put one blank before a non-empty attribute text that lacks
// it. Neither the attributes nor the content are escaped here.
std::string XmlOpenTag(std::string_view name, std::string_view attributes = {});
std::string XmlCloseTag(std::string_view name);
std::string XmlElement(std::string_view name, std::string_view attributes, std::string_view content);
// ' name="value"' with its leading blank.
std::string XmlAttribute(std::string_view name, std::string_view value);

}  // namespace halbrin
