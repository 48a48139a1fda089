#include "platform/ui/gtk_status_icon_tray.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#endif

#include <string>

#include "platform/shell/status_notifier_item.h"

namespace halbrin::platform {

namespace {

// GtkStatusIcon is deprecated, and the only way onto an XEmbed tray.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

TMouseButton ButtonOf(guint button) {
  switch (button) {
    case 3: return TMouseButton::mbRight;
    case 2: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
  }
}

TShiftState ShiftOf(guint state) {
  TShiftState shift = 0;
  if (state & GDK_SHIFT_MASK) shift |= ssShift;
  if (state & GDK_CONTROL_MASK) shift |= ssCtrl;
  if (state & GDK_MOD1_MASK) shift |= ssAlt;
  return shift;
}

GdkPixbuf* PixbufOf(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GdkPixbuf* pixbuf = nullptr;
  const bool written = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr);
  if (gdk_pixbuf_loader_close(loader, nullptr) && written) {
    pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf) g_object_ref(pixbuf);
  }
  g_object_unref(loader);
  return pixbuf;
}

class GtkStatusIconTray final : public ITrayIconService {
 public:
  explicit GtkStatusIconTray(ITrayIconSink& sink) : m_sink(sink), m_icon(gtk_status_icon_new()) {
    gtk_status_icon_set_visible(m_icon, FALSE);
    g_signal_connect(m_icon, "button-press-event", G_CALLBACK(+[](GtkStatusIcon*, GdkEventButton* event,
                                                                   GtkStatusIconTray* self) -> gboolean {
                       self->Press(event);
                       return FALSE;
                     }),
                     this);
    g_signal_connect(m_icon, "button-release-event", G_CALLBACK(+[](GtkStatusIcon*, GdkEventButton* event,
                                                                     GtkStatusIconTray* self) -> gboolean {
                       self->m_sink.Button(false, ButtonOf(event->button), ShiftOf(event->state),
                                           static_cast<int>(event->x_root), static_cast<int>(event->y_root));
                       return FALSE;
                     }),
                     this);
    g_signal_connect(m_icon, "activate",
                     G_CALLBACK(+[](GtkStatusIcon*, GtkStatusIconTray* self) { self->m_sink.Clicked(); }), this);
    g_signal_connect(m_icon, "popup-menu", G_CALLBACK(+[](GtkStatusIcon*, guint, guint, GtkStatusIconTray* self) {
                       self->m_sink.MenuRequested(self->m_lastX, self->m_lastY);
                     }),
                     this);
    g_signal_connect(m_icon, "notify::embedded", G_CALLBACK(+[](GtkStatusIcon*, GParamSpec*, GtkStatusIconTray* self) {
                       self->EmbeddedChanged();
                     }),
                     this);
  }
  ~GtkStatusIconTray() override {
    g_signal_handlers_disconnect_by_data(m_icon, this);
    gtk_status_icon_set_visible(m_icon, FALSE);
    g_object_unref(m_icon);
  }
  GtkStatusIconTray(const GtkStatusIconTray&) = delete;
  GtkStatusIconTray& operator=(const GtkStatusIconTray&) = delete;

  void SetContent(const TrayIconContent& content) override {
    if (GdkPixbuf* pixbuf = PixbufOf(content.iconBytes)) {
      gtk_status_icon_set_from_pixbuf(m_icon, pixbuf);
      g_object_unref(pixbuf);
    } else {
      gtk_status_icon_set_from_icon_name(m_icon, content.iconName.c_str());
    }
    gtk_status_icon_set_tooltip_text(m_icon, content.toolTip.c_str());
    gtk_status_icon_set_title(m_icon, content.title.c_str());
  }

  void Show() override { gtk_status_icon_set_visible(m_icon, TRUE); }
  void Hide() override {
    gtk_status_icon_set_visible(m_icon, FALSE);
    EmbeddedChanged();
  }
  bool Shown() const override { return m_shown; }

  bool Area(int& x, int& y, int& width, int& height) const {
    GdkRectangle area{};
    if (!gtk_status_icon_get_geometry(m_icon, nullptr, &area, nullptr)) return false;
    x = area.x;
    y = area.y;
    width = area.width;
    height = area.height;
    return true;
  }

 private:
  void Press(const GdkEventButton* event) {
    m_lastX = static_cast<int>(event->x_root);
    m_lastY = static_cast<int>(event->y_root);
    if (event->type == GDK_2BUTTON_PRESS) {
      m_sink.DoubleClick(m_lastX, m_lastY);
      return;
    }
    if (event->type != GDK_BUTTON_PRESS) return;
    m_sink.Button(true, ButtonOf(event->button), ShiftOf(event->state), m_lastX, m_lastY);
  }

  void EmbeddedChanged() {
    const bool shown = gtk_status_icon_get_visible(m_icon) && gtk_status_icon_is_embedded(m_icon);
    if (shown == m_shown) return;
    m_shown = shown;
    m_sink.ShownChanged(shown);
  }

  ITrayIconSink& m_sink;
  GtkStatusIcon* m_icon;
  bool m_shown = false;
  int m_lastX = 0;
  int m_lastY = 0;
};

G_GNUC_END_IGNORE_DEPRECATIONS

bool WatcherPresent() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return false;
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner",
                                                g_variant_new("(s)", kStatusNotifierWatcher), G_VARIANT_TYPE("(b)"),
                                                G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply) {
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
  }
  g_object_unref(bus);
  return owned;
}

// An XEmbed notification area runs on this X11 display.
bool XEmbedTrayPresent() {
#ifdef GDK_WINDOWING_X11
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  const int screen = gdk_x11_screen_get_screen_number(gdk_display_get_default_screen(display));
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  return XGetSelectionOwner(xdisplay, XInternAtom(xdisplay, name.c_str(), False)) != 0;
#else
  return false;
#endif
}

}  // namespace

TrayIconServiceFactory GtkStatusIconTrayFactory() {
  return [](ITrayIconSink& sink) -> std::unique_ptr<ITrayIconService> {
    return std::make_unique<GtkStatusIconTray>(sink);
  };
}

bool GtkStatusIconArea(const ITrayIconService& service, int& x, int& y, int& width, int& height) {
  const auto* icon = dynamic_cast<const GtkStatusIconTray*>(&service);
  return icon && icon->Area(x, y, width, height);
}

TrayIconServiceFactory DefaultTrayIconServiceFactory() {
  return [](ITrayIconSink& sink) -> std::unique_ptr<ITrayIconService> {
    if (!WatcherPresent() && XEmbedTrayPresent()) return std::make_unique<GtkStatusIconTray>(sink);
    return StatusNotifierTrayIconFactory()(sink);
  };
}

}  // namespace halbrin::platform
