#pragma once

#include <vector>

#include "platform/controls/control.h"
#include "platform/graphics/geometry.h"

namespace halbrin::platform {

// One child as the align layout sees it.
struct TAlignItem {
  TAlign align = alNone;
  TRect bounds;
  bool visible = true;
  // Size limits; 0 is no limit (see TSizeConstraints).
  int minWidth = 0;
  int minHeight = 0;
  int maxWidth = 0;
  int maxHeight = 0;
};

// The bounds each item takes inside `client`, one per item in the same
// order. Visible items are placed by align, alTop first, then alBottom,
// alLeft, alRight and alClient, each group in the items' order: a side
// item keeps its extent across its side (brought inside its limits) and
// spans what is left along it; alClient items take what is left. What is
// left never turns inside out: items that do not fit get it empty. Hidden
// items and those aligned alNone or alCustom keep their bounds.
std::vector<TRect> AlignLayout(const TRect& client, const std::vector<TAlignItem>& items);

}  // namespace halbrin::platform
