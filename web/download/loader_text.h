#pragma once

// The texts a download reads and writes: received bytes decoded by the
// component's encoding and the server's charset, request bodies in the
// project's code page, `hFlags` and the lines of `headers`.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "web/download/url_transport.h"

namespace halbrin {

enum class TUrlLoaderEncoding : std::uint8_t { leAuto, leAnsi, leSymbol, leOem, leMac, leUtf7, leUtf8, leUtf16 };

// The encoding `leAuto` stands for with this charset: "utf-8", "utf-16",
// "utf-7" by name; a text inside "oem" or "mac" those pages; another charset
// iconv knows: nullopt (decode with the charset itself); none or unknown: ANSI.
std::optional<TUrlLoaderEncoding> ResolveLoaderEncoding(TUrlLoaderEncoding encoding, std::string_view charset);

// The DOS and Macintosh companions of a Windows code page name.
std::string OemCodePage(std::string_view ansi);
std::string MacCodePage(std::string_view ansi);

// The bytes as UTF-8; a byte sequence that does not decode becomes U+FFFD.
// `ansi` is the project's code page.
std::string DecodeLoaderText(std::string_view bytes, TUrlLoaderEncoding encoding, std::string_view charset,
                             std::string_view ansi);

// The body text of a request: in `charset` (from the Content-Type) when it
// is given and known, else in `ansi`. Nullopt when the text cannot be carried.
std::optional<std::string> EncodeRequestBody(std::string_view utf8, std::string_view charset, std::string_view ansi);

// The "charset" parameter of a Content-Type value, trimmed; "" without one.
std::string ContentTypeCharset(std::string_view contentType);

// `hFlags` text: trimmed, optionally "$"-led hexadecimal; "" gives 0; nullopt when not hexadecimal.
std::optional<std::uint32_t> ParseHexFlags(std::string_view text);

// Appends the lines of `text` (CR LF or LF; empty lines skipped) as headers.
// False, with `headers` unchanged, for a line without ":" or with a control character.
bool AppendHeaderLines(std::string_view text, HeaderList& headers);

}  // namespace halbrin
