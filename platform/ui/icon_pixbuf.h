#pragma once

// The default window icon from an icon file's bytes. The decoding itself is
// display-free (platform/graphics/image_decoder.h).

#include <cstdint>
#include <span>

#include "platform/graphics/image_decoder.h"

namespace halbrin::platform {

// The icon every window without one of its own shows: image `index` of the
// bytes; empty bytes put back the toolkit's default. False (and nothing
// changed) when the bytes hold no such image.
bool SetDefaultWindowIconFromBytes(std::span<const std::uint8_t> bytes, int index);

}  // namespace halbrin::platform
