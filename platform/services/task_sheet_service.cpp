#include "platform/services/task_sheet_service.h"

namespace halbrin::platform {

namespace {

class HeadlessTaskSheetService final : public ITaskSheetService {
 public:
  bool ShowTaskSheet(const TaskSheetPages&, TaskSheetValues&) override { return false; }
  bool Shows() const override { return false; }
};

ITaskSheetService*& Installed() {
  static ITaskSheetService* service = nullptr;
  return service;
}

}  // namespace

ITaskSheetService& CurrentTaskSheetService() {
  static HeadlessTaskSheetService headless;
  return Installed() ? *Installed() : headless;
}

ScopedTaskSheetService::ScopedTaskSheetService(ITaskSheetService& service) noexcept : m_previous(Installed()) {
  Installed() = &service;
}

ScopedTaskSheetService::~ScopedTaskSheetService() { Installed() = m_previous; }

}  // namespace halbrin::platform
