#include "core/app/application_ui.h"

#include <glib.h>

#include "platform/services/desktop_service.h"

namespace halbrin {
namespace {
IApplicationUi*& DefaultUi() noexcept {
  static IApplicationUi* ui = nullptr;
  return ui;
}
}  // namespace

void SetDefaultApplicationUi(IApplicationUi* ui) noexcept { DefaultUi() = ui; }

IApplicationUi* DefaultApplicationUi() noexcept { return DefaultUi(); }

void THeadlessApplicationUi::ProcessMessages() {
  // Bounded: an idle job that re-arms itself would otherwise keep us here.
  for (int round = 0; round < 1000 && g_main_context_iteration(nullptr, FALSE); ++round) {
  }
}

TApplicationSystemColors THeadlessApplicationUi::SystemColors() const {
  using platform::HeadlessDesktopService;
  return {HeadlessDesktopService::DefaultSystemColor(platform::COLOR_BTNFACE),
          HeadlessDesktopService::DefaultSystemColor(platform::COLOR_CAPTIONTEXT),
          HeadlessDesktopService::DefaultSystemColor(platform::COLOR_ACTIVECAPTION),
          HeadlessDesktopService::DefaultSystemColor(platform::COLOR_WINDOW),
          HeadlessDesktopService::DefaultSystemColor(platform::COLOR_WINDOWTEXT)};
}

}  // namespace halbrin
