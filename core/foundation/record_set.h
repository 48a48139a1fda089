#pragma once

// The words every record-set writer and reader of the program shares: a
// "recordset" root element with one "record" element per entry.

#include <string>
#include <string_view>

namespace halbrin {

inline constexpr std::string_view RecordSetElementName = "recordset";
inline constexpr std::string_view RecordElementName = "record";

// '<?xml version="1.0" encoding="..."?>' naming XmlEncoding(), without a line end.
std::string XmlDeclaration();

// Text for the content of a record-set element: XmlEscape's replacements and
// CR as "&#13;" (a reader turns a raw CR into LF). Raises EXmlDOMException for
// text that is not UTF-8 and for a character no XML file can hold, not even
// as a reference: U+0000 to U+001F other than tab, LF and CR, U+FFFE, U+FFFF.
std::string RecordSetText(std::string_view text);
// The same for an attribute value, with tab and LF as references too (a
// reader turns them into blanks).
std::string RecordSetAttributeText(std::string_view text);

}  // namespace halbrin
