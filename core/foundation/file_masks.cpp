#include "core/foundation/file_masks.h"

#include <string>
#include <vector>

#include "core/foundation/text_helpers.h"
#include "platform/base/case_fold.h"

namespace halbrin {

namespace {

std::vector<char32_t> Characters(std::string_view text) {
  std::vector<char32_t> out;
  for (std::size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8At(text, pos);
    out.push_back(c.code);
    pos += c.length ? c.length : 1;
  }
  return out;
}

}  // namespace

bool MaskMatches(std::string_view mask, std::string_view name, TMaskCase letterCase) {
  if (mask == "*" || mask == "*.*") return true;
  std::vector<char32_t> m;
  std::vector<char32_t> n;
  if (letterCase == TMaskCase::Ignore) {
    m = Characters(platform::FoldCase(mask));
    n = Characters(platform::FoldCase(name));
  } else {
    m = Characters(mask);
    n = Characters(name);
  }
  // Greedy with one backtrack point: the last star seen.
  std::size_t mi = 0, ni = 0, star = std::string::npos, resume = 0;
  while (ni < n.size()) {
    if (mi < m.size() && m[mi] == U'*') {
      star = mi++;
      resume = ni;
    } else if (mi < m.size() && (m[mi] == U'?' || m[mi] == n[ni])) {
      ++mi;
      ++ni;
    } else if (star != std::string::npos) {
      mi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (mi < m.size() && m[mi] == U'*') ++mi;
  return mi == m.size();
}

bool MaskListMatches(std::string_view masks, std::string_view name, TMaskCase letterCase) {
  while (!masks.empty()) {
    const std::size_t end = masks.find(';');
    std::string_view mask = masks.substr(0, end);
    masks = end == std::string_view::npos ? std::string_view() : masks.substr(end + 1);
    while (!mask.empty() && mask.front() == ' ') mask.remove_prefix(1);
    while (!mask.empty() && mask.back() == ' ') mask.remove_suffix(1);
    if (!mask.empty() && MaskMatches(mask, name, letterCase)) return true;
  }
  return false;
}

}  // namespace halbrin
