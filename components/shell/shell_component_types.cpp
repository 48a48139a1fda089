#include "components/shell/shell_component_types.h"

#include "components/shell/file_operation_ex.h"
#include "components/shell/shell_link_ex.h"
#include "components/shell/shell_notify_ex.h"
#include "components/shell/tray_notifier_ex.h"
#include "core/framework/component_types.h"

namespace halbrin {

void RegisterShellComponentTypes() {
  RegisterComponentClass<TFileOperationEx>("fileoperation");
  RegisterShellNotifyComponentTypes();
  RegisterComponentClass<TTrayNotifierEx>("traynotifier");
  RegisterComponentClass<TShellLinkEx>("shelllink");
}

}  // namespace halbrin
