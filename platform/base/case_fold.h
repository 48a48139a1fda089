#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halbrin::platform {

// Names match without regard to letter case by Unicode case folding, with an
// ASCII fast path: identifiers of scripts and XML are nearly always ASCII.
std::string FoldCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp, on the folded texts.
int CompareText(std::string_view a, std::string_view b);

// Hash and equality for unordered containers keyed without regard to case.
struct CaseInsensitiveHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const;
};
struct CaseInsensitiveEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return SameText(a, b); }
};

}  // namespace halbrin::platform
