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

}  // namespace halbrin
