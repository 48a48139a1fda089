#pragma once

// A second client of the test's private session bus, on a thread with its own
// GMainContext and connection, so the code under test may make synchronous
// calls without waiting for the test's loop. It can play a
// StatusNotifierWatcher and a notification server, and it records what it
// was sent.

#include <gio/gio.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halbrin::testing {

class FakeBusPeer {
 public:
  struct Notify {
    std::string appName;
    std::uint32_t replacesId = 0;
    std::string icon;
    std::string summary;
    std::string body;
    std::vector<std::string> actions;
    bool suppressSound = false;
    bool hasImage = false;
    int timeout = 0;
  };

  FakeBusPeer();
  ~FakeBusPeer();
  FakeBusPeer(const FakeBusPeer&) = delete;
  FakeBusPeer& operator=(const FakeBusPeer&) = delete;

  // Owns the name and serves the object; returns once the name is owned.
  void StartWatcher();
  void StartNotificationServer();

  // Emits the server's signals for the last notification.
  void EmitClosed(std::uint32_t reason);
  void EmitAction(const std::string& action);

  // Calls a method of the item with two integers (Activate and the like).
  void CallItem(const std::string& busName, const std::string& method, int x, int y);
  // Reads a property of the item; runs on the peer's thread.
  GVariant* ItemProperty(const std::string& busName, const std::string& property);
  // Whether the bus name has an owner now.
  bool HasOwner(const std::string& busName);

  // Copies of what was recorded.
  std::vector<std::string> Registered();
  std::vector<Notify> Notified();
  std::vector<std::uint32_t> Closed();

 private:
  void RunOnPeer(const std::function<void()>& work);
  void Own(const char* name);
  void MethodCall(const std::string& objectPath, const std::string& method, GVariant* parameters,
                  GDBusMethodInvocation* invocation);

  GMainContext* m_context = g_main_context_new();
  GMainLoop* m_loop = g_main_loop_new(m_context, FALSE);
  GDBusConnection* m_bus = nullptr;
  std::thread m_thread;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<std::string> m_registered;
  std::vector<Notify> m_notified;
  std::vector<std::uint32_t> m_closed;
  std::vector<guint> m_objects;
  std::vector<guint> m_names;
  std::uint32_t m_lastId = 0;
};

}  // namespace halbrin::testing
