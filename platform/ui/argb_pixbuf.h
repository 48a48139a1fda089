#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/base/glib_ptr.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

// A GdkPixbuf (straight RGBA) of a premultiplied ARGB picture; null for an
// empty picture.
GObjectPtr<GdkPixbuf> PixbufFromArgb(const TArgbImage& image);

}  // namespace halbrin::platform
