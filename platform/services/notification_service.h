#pragma once

// Desktop notifications ("balloons"), display-free: one balloon at a time per
// service object, a new one replacing the shown one, and the server's answers
// through a sink. libnotify implements it; tests use fakes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halbrin::platform {

struct Balloon {
  std::string summary;
  std::string body;
  std::string iconName;                // a theme icon, or ""
  std::vector<std::uint8_t> imageBytes;  // an image file's bytes (a user icon), or none
  int timeoutMs = -1;                  // -1: the server's default
  bool suppressSound = false;
  friend bool operator==(const Balloon&, const Balloon&) = default;
};

// The server's closing reasons.
enum class BalloonCloseReason { Expired = 1, Dismissed = 2, Closed = 3, Undefined = 4 };

// Calls come on the main thread.
class INotificationSink {
 public:
  virtual ~INotificationSink() = default;
  virtual void BalloonClosed(BalloonCloseReason reason) = 0;
  // The balloon's default action (a click on it).
  virtual void BalloonClicked() = 0;
};

class INotificationService {
 public:
  virtual ~INotificationService() = default;
  // True once the server shows it.
  virtual bool Show(const Balloon& balloon) = 0;
  // Closes the shown balloon, if any (the server then reports it closed).
  virtual void Close() = 0;
};

// The application's name for the server comes with each new service.
using NotificationServiceFactory =
    std::function<std::unique_ptr<INotificationService>(INotificationSink& sink, const std::string& appName)>;

// A new balloon slot of the process's notification service; null when there is none.
std::unique_ptr<INotificationService> MakeNotificationService(INotificationSink& sink, const std::string& appName);
// Makes `factory` the process's (empty: none) and returns the one before.
NotificationServiceFactory SetNotificationServiceFactory(NotificationServiceFactory factory);

class ScopedNotificationServiceFactory {
 public:
  explicit ScopedNotificationServiceFactory(NotificationServiceFactory factory)
      : m_previous(SetNotificationServiceFactory(std::move(factory))) {}
  ~ScopedNotificationServiceFactory() { SetNotificationServiceFactory(std::move(m_previous)); }
  ScopedNotificationServiceFactory(const ScopedNotificationServiceFactory&) = delete;
  ScopedNotificationServiceFactory& operator=(const ScopedNotificationServiceFactory&) = delete;

 private:
  NotificationServiceFactory m_previous;
};

// Cuts `text` to at most `limit` characters (UTF-8, on a character boundary).
std::string CutToCharacters(const std::string& text, std::size_t limit);

}  // namespace halbrin::platform
