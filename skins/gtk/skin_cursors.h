#pragma once

#include <gdk/gdk.h>

namespace halbrin::skins {

// The CSS cursor name for one of the skins' cursor numbers (the hand, the
// "no" cursor and the drag, zoom and select cursors); null for others.
const char* SkinCursorName(int cursor) noexcept;

// A new cursor for `cursor` on `display`; null when the number is not a skin
// cursor or the theme lacks it. The caller owns the reference.
GdkCursor* NewSkinCursor(GdkDisplay* display, int cursor);

}  // namespace halbrin::skins
