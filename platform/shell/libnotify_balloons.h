#pragma once

// Balloons through libnotify (the desktop's notification server over D-Bus).

#include "platform/services/notification_service.h"

namespace halbrin::platform {

// Makes one balloon slot per call (a NotifyNotification reused, so a new
// balloon replaces the shown one); null when no notification server answers.
// libnotify is initialised at the first call with the application's name.
NotificationServiceFactory LibnotifyNotificationServiceFactory();

}  // namespace halbrin::platform
