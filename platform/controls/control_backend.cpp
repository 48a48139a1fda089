#include "platform/controls/control_backend.h"

#include <utility>

namespace halbrin::platform {
namespace {

// Controls live on the GUI thread only, so a plain pointer does.
IControlBackend*& InstalledBackend() {
  static IControlBackend* backend = nullptr;
  return backend;
}

IControlBackend& DefaultBackend() {
  static HeadlessControlBackend backend;
  return backend;
}

}  // namespace

IControlBackend& CurrentControlBackend() {
  IControlBackend* backend = InstalledBackend();
  return backend ? *backend : DefaultBackend();
}

ScopedControlBackend::ScopedControlBackend(IControlBackend& backend) noexcept
    : m_previous(std::exchange(InstalledBackend(), &backend)) {}

ScopedControlBackend::~ScopedControlBackend() { InstalledBackend() = m_previous; }

}  // namespace halbrin::platform
