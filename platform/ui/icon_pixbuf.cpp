#include "platform/ui/icon_pixbuf.h"

#include <gtk/gtk.h>

namespace halbrin::platform {

bool SetDefaultWindowIconFromBytes(std::span<const std::uint8_t> bytes, int index) {
  if (bytes.empty()) {
    gtk_window_set_default_icon_list(nullptr);
    return true;
  }
  const GObjectPtr<GdkPixbuf> pixbuf = PixbufFromIconBytes(bytes, index);
  if (!pixbuf) return false;
  gtk_window_set_default_icon(pixbuf.Get());
  return true;
}

}  // namespace halbrin::platform
