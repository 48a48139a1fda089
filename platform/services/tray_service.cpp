#include "platform/services/tray_service.h"

#include <utility>

namespace halbrin::platform {

namespace {
// Main thread only, like the other process services.
TrayIconServiceFactory& Factory() {
  static TrayIconServiceFactory factory;
  return factory;
}
}  // namespace

std::unique_ptr<ITrayIconService> MakeTrayIconService(ITrayIconSink& sink) {
  return Factory() ? Factory()(sink) : nullptr;
}

TrayIconServiceFactory SetTrayIconServiceFactory(TrayIconServiceFactory factory) {
  return std::exchange(Factory(), std::move(factory));
}

}  // namespace halbrin::platform
