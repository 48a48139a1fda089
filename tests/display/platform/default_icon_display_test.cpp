// The application's icon as GTK's default window icon (what every window
// without an icon of its own shows); empty bytes put back the default.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <vector>

#include "platform/ui/gtk_init.h"
#include "platform/ui/icon_pixbuf.h"

namespace halbrin::platform {
namespace {

// A PNG file of a width x height opaque picture.
std::vector<std::uint8_t> Png(int width, int height) {
  auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
  gdk_pixbuf_fill(pixbuf.Get(), 0x204080FFu);
  gchar* buffer = nullptr;
  gsize size = 0;
  EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf.Get(), &buffer, &size, "png", nullptr, nullptr));
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  g_free(buffer);
  return bytes;
}

// The size of the first default icon; (0, 0) without one.
std::pair<int, int> DefaultIconSize() {
  GList* icons = gtk_window_get_default_icon_list();
  std::pair<int, int> size{0, 0};
  if (icons) size = {gdk_pixbuf_get_width(GDK_PIXBUF(icons->data)), gdk_pixbuf_get_height(GDK_PIXBUF(icons->data))};
  g_list_free(icons);
  return size;
}

TEST(DefaultIconDisplayTest, TheIconBytesBecomeTheDefaultWindowIconAndEmptyBytesClearIt) {
  ASSERT_TRUE(InitGtk()) << "no display could be opened; run display tests under xvfb-run";
  const std::vector<std::uint8_t> text = {'n', 'o', 'p', 'e'};
  struct Step {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool applied;
    std::pair<int, int> size;
  } const steps[] = {
      {"a 24x16 picture", Png(24, 16), true, {24, 16}},
      {"bytes of no icon leave it", text, false, {24, 16}},
      {"empty bytes clear it", {}, true, {0, 0}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(SetDefaultWindowIconFromBytes(step.bytes, 0), step.applied);
    EXPECT_EQ(DefaultIconSize(), step.size);
  }
}

}  // namespace
}  // namespace halbrin::platform
