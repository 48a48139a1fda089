#include "platform/jsc/jsc_virtual_machine.h"

namespace halbrin::platform {

JscVirtualMachine::JscVirtualMachine()
    : m_vm(JscVirtualMachinePtr::Adopt(jsc_virtual_machine_new())), m_liveEngines(std::make_shared<int>(0)) {}

}  // namespace halbrin::platform
