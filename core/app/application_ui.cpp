#include "core/app/application_ui.h"

#include <glib.h>

namespace halbrin {

void THeadlessApplicationUi::ProcessMessages() {
  // Bounded: an idle job that re-arms itself would otherwise keep us here.
  for (int round = 0; round < 1000 && g_main_context_iteration(nullptr, FALSE); ++round) {
  }
}

}  // namespace halbrin
