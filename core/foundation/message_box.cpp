#include "core/foundation/message_box.h"

#include "platform/services/dialog_service.h"

namespace halbrin {

static_assert(kDefaultMessageBoxFlags == (platform::MB_TASKMODAL | platform::MB_ICONHAND));

int ShowMessageBox(const std::string& text, std::int32_t flags) {
  const std::uint32_t style = flags == -1 ? kDefaultMessageBoxFlags : static_cast<std::uint32_t>(flags);
  return platform::CurrentDialogService().MessageBox(text, kApplicationTitle, style);
}

}  // namespace halbrin
