#include "platform/ui/gtk_init.h"

#include <gtk/gtk.h>

namespace halbrin::platform {

bool InitGtk() {
  // gtk_init_check must run once per process: a second call after a failure
  // would not retry cleanly, so the first answer is kept.
  static const bool s_hasDisplay = gtk_init_check(nullptr, nullptr) != FALSE;
  return s_hasDisplay;
}

}  // namespace halbrin::platform
