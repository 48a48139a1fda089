#pragma once

#include <string>
#include <string_view>

#include "platform/base/exception.h"

namespace halbrin {

// A text that cannot be carried from one encoding into another: a byte
// sequence that is not valid in the source, or a character the target lacks.
HALBRIN_EXCEPTION(EEncodingError, platform::EConvertError);

inline constexpr std::string_view DefaultProjectEncoding = "windows-1251";

// The project's code page: the "encoding" of project.info, "windows-1251"
// until start-up sets another. Text inside the program is UTF-8; this code
// page applies where text crosses into files that scripts read and write.
// Safe to read from any thread.
std::string ProjectEncoding();
// Raises EEncodingError "Unknown encoding "%s"" when the system cannot
// convert between the name and UTF-8, and "Unsupported encoding ..." for one
// that files written in it would not read back (see
// CheckProjectEncoding); the old value is kept then.
void SetProjectEncoding(std::string_view encoding);
// Back to DefaultProjectEncoding.
void ResetProjectEncoding() noexcept;
// Raises as SetProjectEncoding does unless `encoding` is UTF-8 or a plain
// name of a single-byte code page that writes tab, LF, CR and the printable
// ASCII characters (every XML syntax character among them) as the same
// bytes and reads them back so. Decided by converting with the system's
// iconv, not by a list of names.
void CheckProjectEncoding(std::string_view encoding);

// True for the names of UTF-8 ("UTF-8", "utf8" in any letter case).
bool IsUtf8EncodingName(std::string_view encoding) noexcept;

// Text in `encoding` to UTF-8, and back. Never drops or replaces characters:
// an invalid sequence or a character the target cannot hold raises
// EEncodingError naming the byte offset in the input.
std::string DecodeText(std::string_view bytes, std::string_view encoding);
std::string EncodeText(std::string_view utf8, std::string_view encoding);

// The contents of a file as UTF-8: a leading UTF-8 byte-order mark means
// UTF-8 (the mark is dropped), otherwise the bytes are in `encoding`.
std::string DecodeFileText(std::string_view bytes, std::string_view encoding);

// The offset of the first byte that is not part of valid UTF-8, or
// std::string_view::npos. NUL bytes count as valid.
std::size_t FindInvalidUtf8(std::string_view text) noexcept;

}  // namespace halbrin
