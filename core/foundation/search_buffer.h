#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace halbrin {

// Options of SearchBuffer, or-ed together.
enum SearchOption : unsigned {
  soDown = 1,       // search towards the end; else towards the start
  soMatchCase = 2,  // else letters compare in upper case
  soWholeWord = 4,  // the match must be a word of its own
};

// Finds `text` in a UTF-8 buffer, as an editor's "find next" does, and gives
// the byte offset of the match. Down, the search starts at selStart +
// selLength; up, at selStart - the length of `text` (so a match ends at the
// selection at the latest). A start outside 0..buffer size, an empty buffer
// or an empty text finds nothing. Candidates are tried one character at a
// time. A whole word starts at the buffer start or after a character that is
// not a letter or digit, and is followed by such a character or the end.
std::optional<std::size_t> SearchBuffer(std::string_view buffer, std::int64_t selStart,
                                        std::int64_t selLength, std::string_view text,
                                        unsigned options);

}  // namespace halbrin
