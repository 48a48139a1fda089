#pragma once

#include <memory>

#include "platform/jsc/jsc_ptr.h"

namespace halbrin::platform {

// One JavaScriptCore virtual machine: the heap that a thread's engines share.
// JavaScriptCore binds it to the thread that made it, so each thread that runs
// scripts has its own (its script defaults own it). Engines keep the machine
// alive while they live, so the order in which owners let go does not matter.
class JscVirtualMachine {
 public:
  JscVirtualMachine();
  JscVirtualMachine(const JscVirtualMachine&) = delete;
  JscVirtualMachine& operator=(const JscVirtualMachine&) = delete;

  JSCVirtualMachine* Get() const noexcept { return m_vm.Get(); }
  // Engines made on this machine and not yet closed.
  int LiveEngineCount() const noexcept { return *m_liveEngines; }

 private:
  friend class JscEngine;

  JscVirtualMachinePtr m_vm;
  std::shared_ptr<int> m_liveEngines;
};

}  // namespace halbrin::platform
