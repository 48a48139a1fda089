#pragma once

#include <string>
#include <string_view>

#include "platform/classes/string_list.h"

namespace halbrin {

// Whole files as one text. Text inside the program is UTF-8; in the file it is
// in the project's code page (ProjectEncoding) or the encoding given.
// Failures raise the class library's stream errors (platform::EFOpenError
// "Cannot open file "%s". %s" and EFCreateError "Cannot create file "%s". %s"
// with the absolute path and the system's reason, EReadError "Stream read
// error", EWriteError "Stream write error"), and EEncodingError
// (project_encoding.h) for text that the code page cannot carry.

// Writes the text, replacing an old file only once the new one is complete
// (a failed write leaves the old content), keeping the old file's permissions
// and writing through a symbolic link to its target. With forceFolder the
// missing folders of the path are made first.
void SaveTextToFile(std::string_view text, const std::string& path, bool forceFolder = false);
void SaveTextToFile(std::string_view text, const std::string& path, bool forceFolder,
                    std::string_view encoding);

// The file's text as UTF-8. A file that starts with a UTF-8 byte-order mark is
// UTF-8 (the mark is dropped); any other is in the project's code page.
std::string LoadTextFromFile(const std::string& path);
std::string LoadTextFromFile(const std::string& path, std::string_view encoding);

// The same without any conversion.
std::string LoadBytesFromFile(const std::string& path);
void SaveBytesToFile(std::string_view bytes, const std::string& path, bool forceFolder = false);

// The file's bytes as lines of upper-case hex, 40 bytes (80 characters) a line,
// each line ended by CR LF. A size that is a multiple of 40, also 0, ends with
// an empty line.
std::string FileToHexLines(const std::string& path);

// Each of \ / | " : * ? < > replaced in turn, then CR LF (as one), LF and CR.
std::string ReplaceInvalidFileNameChars(std::string_view text, std::string_view replacement);

}  // namespace halbrin
