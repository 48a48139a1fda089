#include "web/pages/page_engine.h"

#include <utility>

namespace {

// Set only while one of the adopting constructors below runs, on this thread.
thread_local JSCVirtualMachine* t_adoptedMachine = nullptr;
thread_local JSCContext* t_adoptedContext = nullptr;

// Restores the thread's pending value however the constructor ends.
template <class T>
class Pending {
 public:
  Pending(T*& slot, T* value) noexcept : m_slot(slot), m_old(std::exchange(slot, value)) {}
  Pending(const Pending&) = delete;
  Pending& operator=(const Pending&) = delete;
  ~Pending() { m_slot = m_old; }

 private:
  T*& m_slot;
  T* m_old;
};

}  // namespace

// The linker sends the bridge's calls of these two functions here
// (--wrap); __real_* are JavaScriptCore's own.
extern "C" {
JSCVirtualMachine* __real_jsc_virtual_machine_new();
JSCContext* __real_jsc_context_new_with_virtual_machine(JSCVirtualMachine* machine);

JSCVirtualMachine* __wrap_jsc_virtual_machine_new() {
  if (t_adoptedMachine) return JSC_VIRTUAL_MACHINE(g_object_ref(t_adoptedMachine));
  return __real_jsc_virtual_machine_new();
}

JSCContext* __wrap_jsc_context_new_with_virtual_machine(JSCVirtualMachine* machine) {
  if (t_adoptedContext) return JSC_CONTEXT(g_object_ref(t_adoptedContext));
  return __real_jsc_context_new_with_virtual_machine(machine);
}
}

namespace halbrin::pages {

std::unique_ptr<platform::JscVirtualMachine> AdoptVirtualMachine(JSCVirtualMachine* machine) {
  Pending<JSCVirtualMachine> pending(t_adoptedMachine, machine);
  return std::make_unique<platform::JscVirtualMachine>();
}

std::unique_ptr<platform::JscEngine> AdoptContext(platform::JscVirtualMachine& machine, JSCContext* context) {
  Pending<JSCContext> pending(t_adoptedContext, context);
  return std::make_unique<platform::JscEngine>(machine);
}

}  // namespace halbrin::pages
