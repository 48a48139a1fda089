#include "platform/controls/align_layout.h"

#include <algorithm>

namespace halbrin::platform {

namespace {

int Limit(int value, int minimum, int maximum) {
  if (maximum > 0) value = std::min(value, maximum);
  return std::max({value, minimum, 0});
}

}  // namespace

std::vector<TRect> AlignLayout(const TRect& client, const std::vector<TAlignItem>& items) {
  std::vector<TRect> result;
  result.reserve(items.size());
  for (const TAlignItem& item : items) result.push_back(item.bounds);
  TRect rest = client;
  rest.Right = std::max(rest.Right, rest.Left);
  rest.Bottom = std::max(rest.Bottom, rest.Top);
  for (const TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      const TAlignItem& item = items[i];
      if (!item.visible || item.align != align) continue;
      const int width = Limit(align == alLeft || align == alRight ? item.bounds.Width() : rest.Width(), item.minWidth,
                              item.maxWidth);
      const int height = Limit(align == alTop || align == alBottom ? item.bounds.Height() : rest.Height(),
                               item.minHeight, item.maxHeight);
      TRect& r = result[i];
      switch (align) {
        case alTop:
          r = {rest.Left, rest.Top, rest.Left + width, rest.Top + height};
          rest.Top = std::min(rest.Top + height, rest.Bottom);
          break;
        case alBottom:
          r = {rest.Left, rest.Bottom - height, rest.Left + width, rest.Bottom};
          rest.Bottom = std::max(rest.Bottom - height, rest.Top);
          break;
        case alLeft:
          r = {rest.Left, rest.Top, rest.Left + width, rest.Top + height};
          rest.Left = std::min(rest.Left + width, rest.Right);
          break;
        case alRight:
          r = {rest.Right - width, rest.Top, rest.Right, rest.Top + height};
          rest.Right = std::max(rest.Right - width, rest.Left);
          break;
        default:
          r = {rest.Left, rest.Top, rest.Left + width, rest.Top + height};
          break;
      }
    }
  }
  return result;
}

}  // namespace halbrin::platform
