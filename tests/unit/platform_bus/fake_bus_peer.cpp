#include "fake_bus_peer.h"

#include <stdexcept>

namespace halbrin::testing {

namespace {

constexpr const char* kWatcherXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  </interface>
</node>)xml";

constexpr const char* kServerXml = R"xml(<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/><arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>)xml";

}  // namespace

FakeBusPeer::FakeBusPeer() {
  const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address) throw std::runtime_error("no session bus: run under dbus-run-session");
  g_main_context_push_thread_default(m_context);
  m_bus = g_dbus_connection_new_for_address_sync(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
  g_main_context_pop_thread_default(m_context);
  if (!m_bus) throw std::runtime_error("cannot connect to the session bus");
  m_thread = std::thread([this] {
    g_main_context_push_thread_default(m_context);
    g_main_loop_run(m_loop);
    g_main_context_pop_thread_default(m_context);
  });
}

FakeBusPeer::~FakeBusPeer() {
  RunOnPeer([this] {
    for (guint name : m_names) g_bus_unown_name(name);
    for (guint object : m_objects) g_dbus_connection_unregister_object(m_bus, object);
  });
  g_main_loop_quit(m_loop);
  m_thread.join();
  g_dbus_connection_close_sync(m_bus, nullptr, nullptr);
  g_object_unref(m_bus);
  g_main_loop_unref(m_loop);
  g_main_context_unref(m_context);
}

void FakeBusPeer::RunOnPeer(const std::function<void()>& work) {
  struct Job {
    const std::function<void()>* work;
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
  } job{&work, {}, {}, false};
  g_main_context_invoke(
      m_context,
      +[](gpointer data) -> gboolean {
        auto* job = static_cast<Job*>(data);
        (*job->work)();
        const std::lock_guard lock(job->lock);
        job->finished = true;
        job->done.notify_all();
        return G_SOURCE_REMOVE;
      },
      &job);
  std::unique_lock lock(job.lock);
  job.done.wait(lock, [&] { return job.finished; });
}

void FakeBusPeer::Own(const char* name) {
  struct Wait {
    std::mutex lock;
    std::condition_variable done;
    bool owned = false;
  } wait;
  RunOnPeer([&] {
    m_names.push_back(g_bus_own_name_on_connection(
        m_bus, name, G_BUS_NAME_OWNER_FLAGS_NONE,
        +[](GDBusConnection*, const char*, gpointer data) {
          auto* wait = static_cast<Wait*>(data);
          const std::lock_guard lock(wait->lock);
          wait->owned = true;
          wait->done.notify_all();
        },
        nullptr, &wait, nullptr));
  });
  std::unique_lock lock(wait.lock);
  wait.done.wait(lock, [&] { return wait.owned; });
}

void FakeBusPeer::MethodCall(const std::string& objectPath, const std::string& method, GVariant* parameters,
                             GDBusMethodInvocation* invocation) {
  if (method == "RegisterStatusNotifierItem") {
    const char* service = nullptr;
    g_variant_get(parameters, "(&s)", &service);
    {
      const std::lock_guard lock(m_lock);
      m_registered.emplace_back(service);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  } else if (method == "GetServerInformation") {
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(ssss)", "fake", "halbrin", "1", "1.2"));
  } else if (method == "GetCapabilities") {
    const char* caps[] = {"actions", "body", nullptr};
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", caps));
  } else if (method == "Notify") {
    Notify notify;
    const char *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
    GVariantIter* actions = nullptr;
    GVariant* hints = nullptr;
    g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &app, &notify.replacesId, &icon, &summary, &body, &actions,
                  &hints, &notify.timeout);
    notify.appName = app;
    notify.icon = icon;
    notify.summary = summary;
    notify.body = body;
    const char* action = nullptr;
    while (g_variant_iter_loop(actions, "&s", &action)) notify.actions.emplace_back(action);
    g_variant_iter_free(actions);
    gboolean suppress = FALSE;
    notify.suppressSound = g_variant_lookup(hints, "suppress-sound", "b", &suppress) && suppress;
    GVariant* image = g_variant_lookup_value(hints, "image-data", nullptr);
    notify.hasImage = image != nullptr;
    if (image) g_variant_unref(image);
    g_variant_unref(hints);
    std::uint32_t id = 0;
    {
      const std::lock_guard lock(m_lock);
      m_notified.push_back(notify);
      m_lastId = notify.replacesId ? notify.replacesId : m_lastId + 1;
      id = m_lastId;
    }
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", id));
  } else if (method == "CloseNotification") {
    std::uint32_t id = 0;
    g_variant_get(parameters, "(u)", &id);
    {
      const std::lock_guard lock(m_lock);
      m_closed.push_back(id);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
    g_dbus_connection_emit_signal(m_bus, nullptr, objectPath.c_str(), "org.freedesktop.Notifications",
                                  "NotificationClosed", g_variant_new("(uu)", id, 3u), nullptr);
  } else {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD, "unknown");
  }
}


void FakeBusPeer::StartWatcher() {
  RunOnPeer([this] {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
    static const GDBusInterfaceVTable vtable = {
        +[](GDBusConnection*, const char*, const char* path, const char*, const char* method, GVariant* parameters,
            GDBusMethodInvocation* invocation, gpointer self) {
          static_cast<FakeBusPeer*>(self)->MethodCall(path, method, parameters, invocation);
        },
        nullptr, nullptr, {}};
    m_objects.push_back(g_dbus_connection_register_object(m_bus, "/StatusNotifierWatcher", node->interfaces[0],
                                                          &vtable, this, nullptr, nullptr));
  });
  Own("org.kde.StatusNotifierWatcher");
}

void FakeBusPeer::StartNotificationServer() {
  RunOnPeer([this] {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kServerXml, nullptr);
    static const GDBusInterfaceVTable vtable = {
        +[](GDBusConnection*, const char*, const char* path, const char*, const char* method, GVariant* parameters,
            GDBusMethodInvocation* invocation, gpointer self) {
          static_cast<FakeBusPeer*>(self)->MethodCall(path, method, parameters, invocation);
        },
        nullptr, nullptr, {}};
    m_objects.push_back(g_dbus_connection_register_object(m_bus, "/org/freedesktop/Notifications",
                                                          node->interfaces[0], &vtable, this, nullptr, nullptr));
  });
  Own("org.freedesktop.Notifications");
}

void FakeBusPeer::EmitClosed(std::uint32_t reason) {
  std::uint32_t id = 0;
  {
    const std::lock_guard lock(m_lock);
    id = m_lastId;
  }
  RunOnPeer([&] {
    g_dbus_connection_emit_signal(m_bus, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  "NotificationClosed", g_variant_new("(uu)", id, reason), nullptr);
  });
}

void FakeBusPeer::EmitAction(const std::string& action) {
  std::uint32_t id = 0;
  {
    const std::lock_guard lock(m_lock);
    id = m_lastId;
  }
  RunOnPeer([&] {
    g_dbus_connection_emit_signal(m_bus, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  "ActionInvoked", g_variant_new("(us)", id, action.c_str()), nullptr);
  });
}

void FakeBusPeer::CallItem(const std::string& busName, const std::string& method, int x, int y) {
  // Asynchronous: the item answers on the test's loop.
  g_dbus_connection_call(m_bus, busName.c_str(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", method.c_str(),
                         g_variant_new("(ii)", x, y), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
}

GVariant* FakeBusPeer::ItemProperty(const std::string& busName, const std::string& property) {
  struct Wait {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    GVariant* value = nullptr;
  } wait;
  g_dbus_connection_call(
      m_bus, busName.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", "org.kde.StatusNotifierItem", property.c_str()), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        auto* wait = static_cast<Wait*>(data);
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
        const std::lock_guard lock(wait->lock);
        if (reply) {
          g_variant_get(reply, "(v)", &wait->value);
          g_variant_unref(reply);
        }
        wait->finished = true;
        wait->done.notify_all();
      },
      &wait);
  // The reply needs the item's loop (the caller's default context) to run.
  for (;;) {
    {
      const std::lock_guard lock(wait.lock);
      if (wait.finished) break;
    }
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(1000);
  }
  return wait.value;
}

bool FakeBusPeer::HasOwner(const std::string& busName) {
  GVariant* reply = g_dbus_connection_call_sync(m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner",
                                                g_variant_new("(s)", busName.c_str()), G_VARIANT_TYPE("(b)"),
                                                G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply) {
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
  }
  return owned;
}

std::vector<std::string> FakeBusPeer::Registered() {
  const std::lock_guard lock(m_lock);
  return m_registered;
}

std::vector<FakeBusPeer::Notify> FakeBusPeer::Notified() {
  const std::lock_guard lock(m_lock);
  return m_notified;
}

std::vector<std::uint32_t> FakeBusPeer::Closed() {
  const std::lock_guard lock(m_lock);
  return m_closed;
}

}  // namespace halbrin::testing
