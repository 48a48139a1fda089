#include "platform/services/notification_service.h"

#include <utility>

namespace halbrin::platform {

namespace {
// Main thread only, like the other process services.
NotificationServiceFactory& Factory() {
  static NotificationServiceFactory factory;
  return factory;
}
}  // namespace

std::unique_ptr<INotificationService> MakeNotificationService(INotificationSink& sink, const std::string& appName) {
  return Factory() ? Factory()(sink, appName) : nullptr;
}

NotificationServiceFactory SetNotificationServiceFactory(NotificationServiceFactory factory) {
  return std::exchange(Factory(), std::move(factory));
}

std::string CutToCharacters(const std::string& text, std::size_t limit) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A lead byte starts a character; continuation bytes are 10xxxxxx.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (characters == limit) return text.substr(0, i);
      ++characters;
    }
  }
  return text;
}

}  // namespace halbrin::platform
