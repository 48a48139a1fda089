#include "platform/shell/libnotify_balloons.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <libnotify/notify.h>

#include "platform/base/glib_ptr.h"

namespace halbrin::platform {

namespace {

// A pixbuf from an image file's bytes, or null.
GdkPixbuf* DecodeImage(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GdkPixbuf* pixbuf = nullptr;
  if (gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf) g_object_ref(pixbuf);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  return pixbuf;
}

class LibnotifyBalloons final : public INotificationService {
 public:
  explicit LibnotifyBalloons(INotificationSink& sink) : m_sink(sink) {}
  ~LibnotifyBalloons() override { Drop(); }
  LibnotifyBalloons(const LibnotifyBalloons&) = delete;
  LibnotifyBalloons& operator=(const LibnotifyBalloons&) = delete;

  bool Show(const Balloon& balloon) override {
    const char* icon = balloon.iconName.empty() ? nullptr : balloon.iconName.c_str();
    // A closed notification hears no more actions: the next balloon is a new one.
    if (m_closed) Drop();
    if (!m_notification) {
      m_notification = notify_notification_new(balloon.summary.c_str(), balloon.body.c_str(), icon);
      g_signal_connect(m_notification, "closed", G_CALLBACK(+[](NotifyNotification* n, gpointer self) {
                         static_cast<LibnotifyBalloons*>(self)->Closed(n);
                       }),
                       this);
    } else {
      notify_notification_update(m_notification, balloon.summary.c_str(), balloon.body.c_str(), icon);
    }
    notify_notification_set_timeout(m_notification, balloon.timeoutMs > 0 ? balloon.timeoutMs : NOTIFY_EXPIRES_DEFAULT);
    notify_notification_set_hint(m_notification, "suppress-sound",
                                 balloon.suppressSound ? g_variant_new_boolean(TRUE) : nullptr);
    GdkPixbuf* image = DecodeImage(balloon.imageBytes);
    notify_notification_set_image_from_pixbuf(m_notification, image);
    if (image) g_object_unref(image);
    notify_notification_clear_actions(m_notification);
    notify_notification_add_action(
        m_notification, "default", "Open",
        +[](NotifyNotification*, char*, gpointer self) { static_cast<LibnotifyBalloons*>(self)->m_sink.BalloonClicked(); },
        this, nullptr);
    return notify_notification_show(m_notification, nullptr);
  }

  void Close() override {
    if (m_notification) notify_notification_close(m_notification, nullptr);
  }

 private:
  // Nothing may reach the sink from a dropped notification.
  void Drop() {
    m_closed = false;
    if (!m_notification) return;
    g_signal_handlers_disconnect_by_data(m_notification, this);
    notify_notification_clear_actions(m_notification);
    g_object_unref(m_notification);
    m_notification = nullptr;
  }

  void Closed(NotifyNotification* notification) {
    m_closed = true;
    const int reason = notify_notification_get_closed_reason(notification);
    m_sink.BalloonClosed(reason >= 1 && reason <= 4 ? static_cast<BalloonCloseReason>(reason)
                                                    : BalloonCloseReason::Undefined);
  }

  INotificationSink& m_sink;
  NotifyNotification* m_notification = nullptr;
  bool m_closed = false;
};

bool ServerAnswers() {
  char* name = nullptr;
  char* vendor = nullptr;
  char* version = nullptr;
  char* spec = nullptr;
  const bool answers = notify_get_server_info(&name, &vendor, &version, &spec);
  g_free(name);
  g_free(vendor);
  g_free(version);
  g_free(spec);
  return answers;
}

}  // namespace

NotificationServiceFactory LibnotifyNotificationServiceFactory() {
  return [](INotificationSink& sink, const std::string& appName) -> std::unique_ptr<INotificationService> {
    if (!notify_is_initted() && !notify_init(appName.empty() ? "Halbrin Lite" : appName.c_str())) return nullptr;
    if (!ServerAnswers()) return nullptr;
    return std::make_unique<LibnotifyBalloons>(sink);
  };
}

}  // namespace halbrin::platform
