#pragma once

// Path texts and local-file URLs. "/" is the separator; every function here
// reads a "\" as "/", because a path from a script, an XML declaration or
// project.info may still carry the old separator. None of them raises: a
// missing file or a failed query gives "".

#include <string>
#include <string_view>

#include "platform/shell/special_folders.h"

namespace halbrin {

// The folder of a CSIDL number (with a trailing "/") comes from the
// platform's XDG table.
using platform::GetSpecialFolderPath;

// The path with every "\" made "/".
std::string WithSlashes(std::string_view path);

// The full path of the running executable, symbolic links resolved.
std::string GetApplicationFileName();

// The path with "/" appended unless it already ends with one; "" stays "".
std::string IncludePathDelimiter(std::string_view path);

// The file name without its folder and without its last extension:
// "/x/archive.tar.gz" gives "archive.tar", "README" stays whole. A leading dot
// starts a name rather than an extension: ".bashrc" stays ".bashrc".
std::string ExtractFileBaseName(std::string_view path);

// The folder of the trimmed path with its trailing "/", one trailing "/" of
// the path ignored: "/a/b/" and "/a/b" give "/a/"; "" when there is none.
std::string ParentFolder(std::string_view path);

// Trimmed, with runs of separators made one "/". A leading "//" followed by a
// name (a network path) is kept: "//server/x" stays, "C://a///b" gives "C:/a/b".
std::string NormalizePath(std::string_view path);

// "file://" followed by the absolute form of the trimmed path (relative to the
// working folder), each byte other than an unreserved character or "/"
// percent-encoded. A text that already is a file URL is returned trimmed; "" stays "".
std::string PathToUrl(std::string_view path);

// The path of a file URL: the scheme (only at the start, any letter case) and
// a "localhost" host dropped, another host kept as "//host/...", query and
// fragment dropped, escapes decoded ("%00" and broken escapes stay as written).
// A text without the file scheme already is a path and is returned trimmed.
std::string UrlToPath(std::string_view url);

// The real path (symbolic links, "." and ".." resolved) when the path exists, else "".
std::string GetLongPathNameText(std::string_view path);

}  // namespace halbrin
