#pragma once

// Image files as pictures through GdkPixbuf, no display needed: whole files
// of any format GdkPixbuf reads, and single images of icon files (ICO, CUR,
// PNG). Pictures, the form icon and image lists all decode here.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/glib_ptr.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

// A file that does not decode; the message is GdkPixbuf's.
HALBRIN_EXCEPTION(EInvalidGraphic, Exception);

// Image `index` of an icon file's bytes: the index-th directory entry of an
// ICO or CUR file (a PNG entry or a bitmap one), or a PNG file for index 0.
// Null for bytes of another kind, a missing image or data that does not decode.
GObjectPtr<GdkPixbuf> PixbufFromIconBytes(std::span<const std::uint8_t> bytes, int index);

// The same image as premultiplied ARGB (what TForm::SetIcon and the canvas take).
std::optional<TArgbImage> ArgbFromPixbuf(GdkPixbuf* pixbuf);
std::optional<TArgbImage> DecodeIconBytes(std::span<const std::uint8_t> bytes, int index);

// The first image of the file at `path` (a file name in the file system's
// encoding) as premultiplied ARGB. Raises EInvalidGraphic with GdkPixbuf's
// message when the file cannot be read or decoded.
TArgbImage DecodeImageFile(const std::string& path);

}  // namespace halbrin::platform
