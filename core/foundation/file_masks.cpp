#include "core/foundation/file_masks.h"

#include <fnmatch.h>

namespace halbrin {

bool MaskMatches(const std::string& mask, const std::string& name, TMaskCase letterCase) {
  if (mask == "*" || mask == "*.*") return true;
  const int flags = FNM_PERIOD | (letterCase == TMaskCase::Ignore ? FNM_CASEFOLD : 0);
  return fnmatch(mask.c_str(), name.c_str(), flags) == 0;
}

bool MaskListMatches(std::string_view masks, const std::string& name, TMaskCase letterCase) {
  while (!masks.empty()) {
    const std::size_t end = masks.find(';');
    std::string_view mask = masks.substr(0, end);
    masks = end == std::string_view::npos ? std::string_view() : masks.substr(end + 1);
    while (!mask.empty() && mask.front() == ' ') mask.remove_prefix(1);
    while (!mask.empty() && mask.back() == ' ') mask.remove_suffix(1);
    if (!mask.empty() && MaskMatches(std::string(mask), name, letterCase)) return true;
  }
  return false;
}

}  // namespace halbrin
