#pragma once

// Icon files as pictures: the bytes of an ICO, CUR or PNG file decoded with
// GdkPixbuf, one image of a multi-image file chosen by its index. No display
// is needed, except for the default window icon.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <optional>
#include <span>

#include "platform/base/glib_ptr.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

// Image `index` of an icon file's bytes: the index-th directory entry of an
// ICO or CUR file (a PNG entry or a bitmap one), or a PNG file for index 0.
// Null for bytes of another kind, a missing image or data that does not decode.
GObjectPtr<GdkPixbuf> PixbufFromIconBytes(std::span<const std::uint8_t> bytes, int index);

// The same image as premultiplied ARGB (what TForm::SetIcon and the canvas take).
std::optional<TArgbImage> ArgbFromPixbuf(GdkPixbuf* pixbuf);
std::optional<TArgbImage> DecodeIconBytes(std::span<const std::uint8_t> bytes, int index);

// The icon every window without one of its own shows: image `index` of the
// bytes; empty bytes put back the toolkit's default. False (and nothing
// changed) when the bytes hold no such image.
bool SetDefaultWindowIconFromBytes(std::span<const std::uint8_t> bytes, int index);

}  // namespace halbrin::platform
