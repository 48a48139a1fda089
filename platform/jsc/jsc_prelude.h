#pragma once

#include <string_view>

namespace halbrin::platform {

// The script every engine runs first. It adds the names scripts written for
// the original engine expect (ScriptEngine..., Enumerator) and returns the
// helpers the bridge calls: rethrow, text, catchFrom, dateToWall, wallToDate,
// callable and named.
std::string_view JscPreludeSource() noexcept;

}  // namespace halbrin::platform
