#pragma once

#include <stop_token>
#include <string>
#include <vector>

namespace halbrin {

// The documents under `root` whose names match the Windows mask (letter case
// ignored): regular files only, symbolic links neither followed nor listed,
// dot files included. Within a folder the names sort case-insensitively and
// the files come before the sub-folders. With `recursive`, sub-folders are
// walked while `level` is negative (no limit) or above the depth (0 at root).
// Stops between entries once `stop` is requested.
std::vector<std::string> ListDocuments(const std::string& root, const std::string& mask, bool recursive, int level,
                                       std::stop_token stop = {});

}  // namespace halbrin
