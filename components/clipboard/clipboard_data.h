#pragma once

// What the clipboard component puts on the wire and takes from it: format
// ids by name, the HTML document, file lists as URI lists, and texts through
// the project's code page. Pure functions; no clipboard is touched.

#include <cstdint>
#include <string>
#include <string_view>

namespace halbrin {

// The format ids scripts see (`handle`).
inline constexpr std::uint32_t kClipboardAnsiId = 1;
inline constexpr std::uint32_t kClipboardTextId = 13;
inline constexpr std::uint32_t kClipboardFileId = 15;
// The first registered number: "HTML Format".
inline constexpr std::uint32_t kClipboardHtmlId = 0xC000;
inline constexpr std::uint32_t kClipboardFirstCustomId = 0xC001;

// The wire targets of the fixed formats.
inline constexpr std::string_view kHtmlTarget = "text/html";
inline constexpr std::string_view kUriListTarget = "text/uri-list";
inline constexpr std::string_view kGnomeCopiedFilesTarget = "x-special/gnome-copied-files";

// The id of a format name, letter case ignored: "text" 13, "ansi" 1, "html"
// and "HTML Format" 0xC000, "file" 15; an empty name or a name of the
// selection protocol (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS, DELETE) 0;
// any other name a number of its own from 0xC001 up, the same for the whole
// process.
std::uint32_t ClipboardFormatId(std::string_view name);
// The target a custom id travels as: the name as it was first registered;
// "" for an id that was never given out.
std::string ClipboardCustomTarget(std::uint32_t id);
// The target of the project code page's text: "text/plain;charset=<encoding>".
std::string AnsiTextTarget(std::string_view encoding);

// The text/html document of a UTF-8 fragment: <html>, a meta element naming
// utf-8, <body>, the fragment between <!--StartFragment--> and
// <!--EndFragment-->, lines ended by CR LF, no line break after </html>.
std::string BuildHtmlClipboardDocument(std::string_view fragment);
// The fragment of pasted text/html bytes, as UTF-8:
// - UTF-16 (a byte-order mark, or a NUL in every second byte of the first
//   64) is converted first; bytes that are not UTF-8 are read in the
//   project's code page, failing that repaired with U+FFFD;
// - a "Version:" header: the bytes from StartFragment (line 4) to
//   EndFragment (line 5) when 0 <= start <= end <= length, else the text;
// - else the text between <!--StartFragment--> and <!--EndFragment--> (one
//   line break next to each comment dropped) when both occur in that order;
// - else the text less one leading <meta charset=...> element.
std::string DecodeHtmlClipboardText(std::string_view bytes);

// The "file" data ("::"-separated names, empty names dropped) as a
// text/uri-list: percent-encoded file URIs separated by CR LF. Relative
// names are taken from the current folder; "\" is read as "/".
std::string BuildUriList(std::string_view names);
// The same URIs for x-special/gnome-copied-files: a "copy" line, then one
// URI a line, LF-separated.
std::string BuildGnomeCopiedFiles(std::string_view names);
// Local paths from a text/uri-list or gnome-copied-files text, joined by
// "::": lines split at LF (a CR before it dropped), a leading "copy" or
// "cut" line and "#" comments skipped, non-file URIs skipped.
std::string DecodeFileList(std::string_view bytes);

// Text bytes up to their first NUL, as UTF-8 with bad bytes made U+FFFD.
std::string DecodeClipboardText(std::string_view bytes);
// A custom format's bytes up to their first NUL: UTF-8 as it is, else
// read in the project's code page, failing that repaired with U+FFFD.
std::string DecodeCustomClipboardText(std::string_view bytes);
// UTF-8 text in `encoding`; characters the code page lacks become "?",
// bad UTF-8 bytes too.
std::string EncodeTextLossy(std::string_view utf8, std::string_view encoding);
// The text as the project's code page holds it (lossy round trip), as UTF-8.
std::string ThroughProjectCodePage(std::string_view utf8);

}  // namespace halbrin
