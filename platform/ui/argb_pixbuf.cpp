#include "platform/ui/argb_pixbuf.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace halbrin::platform {

GObjectPtr<GdkPixbuf> PixbufFromArgb(const TArgbImage& image) {
  if (image.Width <= 0 || image.Height <= 0 ||
      image.Pixels.size() < static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height))
    return {};
  auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.Width, image.Height));
  if (!pixbuf) return {};
  guchar* rows = gdk_pixbuf_get_pixels(pixbuf.Get());
  const int stride = gdk_pixbuf_get_rowstride(pixbuf.Get());
  for (int y = 0; y < image.Height; ++y) {
    guchar* out = rows + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < image.Width; ++x, out += 4) {
      const std::uint32_t argb = image.Pixels[static_cast<std::size_t>(y) * image.Width + x];
      const unsigned alpha = argb >> 24;
      // Premultiplied channels back to straight ones, rounded to the nearest.
      auto straight = [alpha](unsigned channel) -> guchar {
        if (alpha == 0) return 0;
        const unsigned value = (channel * 255 + alpha / 2) / alpha;
        return static_cast<guchar>(value > 255 ? 255 : value);
      };
      out[0] = straight((argb >> 16) & 0xFF);
      out[1] = straight((argb >> 8) & 0xFF);
      out[2] = straight(argb & 0xFF);
      out[3] = static_cast<guchar>(alpha);
    }
  }
  return pixbuf;
}

}  // namespace halbrin::platform
