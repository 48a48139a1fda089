#include "skin_display_support.h"

#include "support/x_input.h"

namespace halbrin::skins::skintest {

void FakeClick(int x, int y) { testing::PointerClick(x, y); }

void FakeKey(unsigned long keysym) { testing::KeyTap(keysym); }

std::uint32_t ScreenPixel(int x, int y) {
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y, 1, 1);
  if (!pixbuf) return 0xFFFFFFFF;
  const guchar* p = gdk_pixbuf_get_pixels(pixbuf);
  const std::uint32_t rgb = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  g_object_unref(pixbuf);
  return rgb;
}

std::string Describe(const platform::TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom);
}

}  // namespace halbrin::skins::skintest
