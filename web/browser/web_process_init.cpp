#include "web/browser/web_process_init.h"

#include <webkit2/webkit2.h>

#include <mutex>

#include "platform/base/glib_ptr.h"

namespace halbrin {

void InitializeWebProcess() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::GObjectPtr<WebKitUserContentManager> manager =
        platform::GObjectPtr<WebKitUserContentManager>::Adopt(webkit_user_content_manager_new());
  });
}

}  // namespace halbrin
