#pragma once

// The words every record-set writer and reader of the program shares: a
// "recordset" root element with one "record" element per entry.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/variant/variant.h"

namespace halbrin {

inline constexpr std::string_view RecordSetElementName = "recordset";
inline constexpr std::string_view RecordElementName = "record";
// The cell of a table row that marks the current record; unbound pages lose it.
inline constexpr std::string_view IndicatorElementName = "indicator";
// A record set without records.
inline constexpr std::string_view EmptyRecordSet = "<recordset>\r\n</recordset>";

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

// A record-set text with the full declaration: a text holding "<?xml" (any
// case) has each bare '<?xml version="1.0"?>' replaced by XmlDeclaration()
// and each "/><" broken into "/>" CR LF "<"; any other text gets the
// declaration and CR LF in front.
std::string NormalizeRecordSetHeader(std::string_view text);

// The text without \ / | " : * ? < > and line breaks, cut to at most
// `maxLength` characters (never inside a UTF-8 sequence).
std::string SafeFileName(std::string_view text, std::size_t maxLength);

// The number at the start of the value's text: digits kept, "." and ","
// both the decimal point, blanks skipped, the first other character ends the
// reading; 0 when nothing was kept.
double NumberFromVariant(const platform::Variant& value);

// Writes the text as a string list does: each line ended by CR LF. With
// forceFolder the missing folders are made first. SaveTextToFile's errors.
void SaveTextLines(std::string_view text, const std::string& path, bool forceFolder);

}  // namespace halbrin
