#include "platform/services/font_service.h"

#include <atomic>

namespace halbrin::platform {

namespace {

std::atomic<IFontService*>& InstalledService() {
  static std::atomic<IFontService*> service{nullptr};
  return service;
}

}  // namespace

IFontService& CurrentFontService() {
  static HeadlessFontService headless;
  IFontService* service = InstalledService().load();
  return service ? *service : headless;
}

ScopedFontService::ScopedFontService(IFontService& service) noexcept
    : m_previous(InstalledService().exchange(&service)) {}

ScopedFontService::~ScopedFontService() { InstalledService().store(m_previous); }

}  // namespace halbrin::platform
