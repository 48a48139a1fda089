#include "skins/gtk/skin_cursors.h"

#include <array>

namespace halbrin::skins {
namespace {

struct CursorName {
  int cursor;
  const char* name;
};

// The hand, the "no" cursors, and the drag (-31..-34), zoom (-35, -36),
// drag up and down (-37, -38), select (-39..-44) and hand-no (-45) cursors.
constexpr std::array kCursorNames{
    CursorName{-13, "not-allowed"}, CursorName{-18, "not-allowed"}, CursorName{-21, "pointer"},
    CursorName{-30, "pointer"},     CursorName{-31, "grabbing"},    CursorName{-32, "copy"},
    CursorName{-33, "default"},     CursorName{-34, "default"},     CursorName{-35, "zoom-in"},
    CursorName{-36, "zoom-out"},    CursorName{-37, "n-resize"},    CursorName{-38, "s-resize"},
    CursorName{-39, "crosshair"},   CursorName{-40, "crosshair"},   CursorName{-41, "crosshair"},
    CursorName{-42, "crosshair"},   CursorName{-43, "crosshair"},   CursorName{-44, "crosshair"},
    CursorName{-45, "not-allowed"},
};

}  // namespace

const char* SkinCursorName(int cursor) noexcept {
  for (const CursorName& entry : kCursorNames) {
    if (entry.cursor == cursor) return entry.name;
  }
  return nullptr;
}

GdkCursor* NewSkinCursor(GdkDisplay* display, int cursor) {
  const char* name = SkinCursorName(cursor);
  return name && display ? gdk_cursor_new_from_name(display, name) : nullptr;
}

}  // namespace halbrin::skins
