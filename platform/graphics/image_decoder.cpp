#include "platform/graphics/image_decoder.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace halbrin::platform {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kIconHeaderSize = 6;
constexpr std::size_t kIconEntrySize = 16;

bool IsPng(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin());
}

std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

void WriteLe(std::vector<std::uint8_t>& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

GObjectPtr<GdkPixbuf> Load(std::span<const std::uint8_t> bytes, const char* type) {
  GError* error = nullptr;
  auto loader = GObjectPtr<GdkPixbufLoader>::Adopt(gdk_pixbuf_loader_new_with_type(type, &error));
  if (!loader) {
    g_clear_error(&error);
    return {};
  }
  const bool written = gdk_pixbuf_loader_write(loader.Get(), bytes.data(), bytes.size(), &error) != FALSE;
  g_clear_error(&error);
  // Closed in any case: a loader left open complains when it goes.
  const bool closed = gdk_pixbuf_loader_close(loader.Get(), &error) != FALSE;
  g_clear_error(&error);
  if (!written || !closed) return {};
  return GObjectPtr<GdkPixbuf>::Ref(gdk_pixbuf_loader_get_pixbuf(loader.Get()));
}

// One directory entry's image of an ICO or CUR file.
GObjectPtr<GdkPixbuf> IconEntry(std::span<const std::uint8_t> bytes, int index) {
  if (bytes.size() < kIconHeaderSize || ReadLe(bytes, 0, 2) != 0) return {};
  const std::uint32_t type = ReadLe(bytes, 2, 2);
  const std::uint32_t count = ReadLe(bytes, 4, 2);
  if ((type != 1 && type != 2) || index < 0 || static_cast<std::uint32_t>(index) >= count) return {};
  const std::size_t entry = kIconHeaderSize + static_cast<std::size_t>(index) * kIconEntrySize;
  if (entry + kIconEntrySize > bytes.size()) return {};
  const std::size_t size = ReadLe(bytes, entry + 8, 4);
  const std::size_t offset = ReadLe(bytes, entry + 12, 4);
  if (offset > bytes.size() || size > bytes.size() - offset || size == 0) return {};
  const std::span<const std::uint8_t> data = bytes.subspan(offset, size);
  if (IsPng(data)) return Load(data, "png");
  // A bitmap entry: a file of that one image, as the icon loader reads it.
  std::vector<std::uint8_t> single;
  single.reserve(kIconHeaderSize + kIconEntrySize + size);
  WriteLe(single, 0, 2);
  WriteLe(single, 1, 2);
  WriteLe(single, 1, 2);
  single.insert(single.end(), bytes.begin() + static_cast<std::ptrdiff_t>(entry),
                bytes.begin() + static_cast<std::ptrdiff_t>(entry + 4));
  // Planes and bit count; a cursor keeps its hot spot there, which an icon has no use for.
  WriteLe(single, 1, 2);
  WriteLe(single, type == 1 ? ReadLe(bytes, entry + 6, 2) : 0, 2);
  WriteLe(single, static_cast<std::uint32_t>(size), 4);
  WriteLe(single, static_cast<std::uint32_t>(kIconHeaderSize + kIconEntrySize), 4);
  single.insert(single.end(), data.begin(), data.end());
  return Load(single, "ico");
}

}  // namespace

GObjectPtr<GdkPixbuf> PixbufFromIconBytes(std::span<const std::uint8_t> bytes, int index) {
  if (IsPng(bytes)) return index == 0 ? Load(bytes, "png") : GObjectPtr<GdkPixbuf>();
  return IconEntry(bytes, index);
}

std::optional<TArgbImage> ArgbFromPixbuf(GdkPixbuf* pixbuf) {
  if (!pixbuf || gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
      gdk_pixbuf_get_bits_per_sample(pixbuf) != 8)
    return std::nullopt;
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf) != FALSE;
  if (width <= 0 || height <= 0 || channels < (alpha ? 4 : 3)) return std::nullopt;
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* rows = gdk_pixbuf_read_pixels(pixbuf);
  TArgbImage image(width, height);
  for (int y = 0; y < height; ++y) {
    const guchar* in = rows + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x, in += channels) {
      const std::uint32_t a = alpha ? in[3] : 255;
      // Straight channels to premultiplied ones, rounded to the nearest.
      auto premultiplied = [a](std::uint32_t channel) { return (channel * a + 127) / 255; };
      image.Pixels[static_cast<std::size_t>(y) * width + x] =
          (a << 24) | (premultiplied(in[0]) << 16) | (premultiplied(in[1]) << 8) | premultiplied(in[2]);
    }
  }
  return image;
}

std::optional<TArgbImage> DecodeIconBytes(std::span<const std::uint8_t> bytes, int index) {
  const GObjectPtr<GdkPixbuf> pixbuf = PixbufFromIconBytes(bytes, index);
  return pixbuf ? ArgbFromPixbuf(pixbuf.Get()) : std::nullopt;
}

TArgbImage DecodeImageFile(const std::string& path) {
  GError* error = nullptr;
  auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new_from_file(path.c_str(), &error));
  const GErrorPtr owned(error);
  if (!pixbuf) throw EInvalidGraphic(owned ? owned->message : "Image file \"" + path + "\" does not decode");
  std::optional<TArgbImage> image = ArgbFromPixbuf(pixbuf.Get());
  if (!image) throw EInvalidGraphic("Image file \"" + path + "\" has an unsupported pixel format");
  return std::move(*image);
}

}  // namespace halbrin::platform
