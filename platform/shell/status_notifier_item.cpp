#include "platform/shell/status_notifier_item.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <unistd.h>

#include <atomic>
#include <string>

namespace halbrin::platform {

namespace {

constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

constexpr const char* kItemXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

GDBusNodeInfo* ItemNode() {
  static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
  return node;
}

std::atomic<int> g_itemCount{0};

GVariant* PixmapsVariant(const TrayPixmap& pixmap) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
  if (!pixmap.argb.empty()) {
    GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixmap.argb.data(), pixmap.argb.size(), 1);
    g_variant_builder_add(&builder, "(ii@ay)", pixmap.width, pixmap.height, bytes);
  }
  return g_variant_builder_end(&builder);
}

class StatusNotifierItem final : public ITrayIconService {
 public:
  StatusNotifierItem(ITrayIconSink& sink, GDBusConnection* bus) : m_sink(sink), m_bus(bus) {
    m_watch = g_bus_watch_name_on_connection(
        m_bus, kStatusNotifierWatcher, G_BUS_NAME_WATCHER_FLAGS_NONE,
        +[](GDBusConnection*, const char*, const char*, gpointer self) {
          static_cast<StatusNotifierItem*>(self)->WatcherAppeared();
        },
        +[](GDBusConnection*, const char*, gpointer self) { static_cast<StatusNotifierItem*>(self)->WatcherGone(); },
        this, nullptr);
  }
  ~StatusNotifierItem() override {
    g_bus_unwatch_name(m_watch);
    Unexport();
    g_cancellable_cancel(m_cancel);
    g_object_unref(m_cancel);
    g_object_unref(m_bus);
  }
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  void SetContent(const TrayIconContent& content) override {
    const bool iconChanged = content.iconBytes != m_content.iconBytes || content.iconName != m_content.iconName;
    const bool tipChanged = content.toolTip != m_content.toolTip;
    const bool titleChanged = content.title != m_content.title;
    m_content = content;
    if (iconChanged) m_pixmap = DecodeTrayPixmap(content.iconBytes);
    if (!m_object) return;
    if (iconChanged) Emit("NewIcon");
    if (tipChanged) Emit("NewToolTip");
    if (titleChanged) Emit("NewTitle");
  }

  void Show() override {
    if (m_requested) return;
    m_requested = true;
    Export();
    if (m_watcherPresent) Register();
  }

  void Hide() override {
    if (!m_requested) return;
    m_requested = false;
    Unexport();
    SetShown(false);
  }

  bool Shown() const override { return m_shown; }

 private:
  void Export() {
    static const GDBusInterfaceVTable vtable = {
        +[](GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant* parameters,
            GDBusMethodInvocation* invocation, gpointer self) {
          static_cast<StatusNotifierItem*>(self)->Call(method, parameters, invocation);
        },
        +[](GDBusConnection*, const char*, const char*, const char*, const char* property, GError**,
            gpointer self) -> GVariant* { return static_cast<StatusNotifierItem*>(self)->Property(property); },
        nullptr,
        {}};
    m_object = g_dbus_connection_register_object(m_bus, kItemPath, ItemNode()->interfaces[0], &vtable, this,
                                                 nullptr, nullptr);
    m_busName = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++g_itemCount);
    m_owner = g_bus_own_name_on_connection(m_bus, m_busName.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr,
                                           nullptr, nullptr);
  }

  void Unexport() {
    if (m_owner) g_bus_unown_name(m_owner);
    m_owner = 0;
    if (m_object) g_dbus_connection_unregister_object(m_bus, m_object);
    m_object = 0;
  }

  void Register() {
    g_dbus_connection_call(
        m_bus, kStatusNotifierWatcher, kWatcherPath, kStatusNotifierWatcher, "RegisterStatusNotifierItem",
        g_variant_new("(s)", m_busName.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, m_cancel,
        +[](GObject* source, GAsyncResult* result, gpointer self) {
          GError* error = nullptr;
          GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
          if (error) {
            // Cancelled: the item is gone. Refused: it stays unshown.
            g_error_free(error);
            return;
          }
          g_variant_unref(reply);
          auto* item = static_cast<StatusNotifierItem*>(self);
          if (item->m_requested && item->m_watcherPresent) item->SetShown(true);
        },
        this);
  }

  void WatcherAppeared() {
    m_watcherPresent = true;
    if (m_requested) Register();
  }

  void WatcherGone() {
    m_watcherPresent = false;
    SetShown(false);
  }

  void SetShown(bool shown) {
    if (shown == m_shown) return;
    m_shown = shown;
    m_sink.ShownChanged(shown);
  }

  void Emit(const char* signal) {
    g_dbus_connection_emit_signal(m_bus, nullptr, kItemPath, "org.kde.StatusNotifierItem", signal, nullptr, nullptr);
  }

  void Call(const char* method, GVariant* parameters, GDBusMethodInvocation* invocation) {
    const std::string name = method;
    int x = 0;
    int y = 0;
    if (name != "Scroll") g_variant_get(parameters, "(ii)", &x, &y);
    g_dbus_method_invocation_return_value(invocation, nullptr);
    // The sink may hide and so unregister this object: the reply went first.
    if (name == "Activate")
      m_sink.Activate(x, y);
    else if (name == "SecondaryActivate")
      m_sink.SecondaryActivate(x, y);
    else if (name == "ContextMenu")
      m_sink.ContextMenu(x, y);
  }

  GVariant* Property(const std::string& name) const {
    if (name == "Category") return g_variant_new_string("ApplicationStatus");
    if (name == "Id") return g_variant_new_string(m_content.title.empty() ? "halbrinlite" : m_content.title.c_str());
    if (name == "Title") return g_variant_new_string(m_content.title.c_str());
    if (name == "Status") return g_variant_new_string("Active");
    if (name == "WindowId") return g_variant_new_int32(0);
    if (name == "IconName")
      return g_variant_new_string(m_pixmap.argb.empty() ? m_content.iconName.c_str() : "");
    if (name == "IconPixmap") return PixmapsVariant(m_pixmap);
    if (name == "ToolTip")
      return g_variant_new("(s@a(iiay)ss)", m_pixmap.argb.empty() ? m_content.iconName.c_str() : "",
                           PixmapsVariant(m_pixmap), m_content.toolTip.c_str(), "");
    if (name == "ItemIsMenu") return g_variant_new_boolean(FALSE);
    if (name == "Menu") return g_variant_new_object_path("/NO_DBUSMENU");
    return nullptr;
  }

  ITrayIconSink& m_sink;
  GDBusConnection* m_bus;
  GCancellable* m_cancel = g_cancellable_new();
  guint m_watch = 0;
  guint m_owner = 0;
  guint m_object = 0;
  std::string m_busName;
  TrayIconContent m_content;
  TrayPixmap m_pixmap;
  bool m_requested = false;
  bool m_watcherPresent = false;
  bool m_shown = false;
};

}  // namespace

TrayPixmap DecodeTrayPixmap(const std::vector<std::uint8_t>& bytes) {
  TrayPixmap pixmap;
  if (bytes.empty()) return pixmap;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  const bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr);
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* source = ok && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (source) {
    GdkPixbuf* rgba = gdk_pixbuf_add_alpha(source, FALSE, 0, 0, 0);
    pixmap.width = gdk_pixbuf_get_width(rgba);
    pixmap.height = gdk_pixbuf_get_height(rgba);
    const int stride = gdk_pixbuf_get_rowstride(rgba);
    const guchar* pixels = gdk_pixbuf_get_pixels(rgba);
    pixmap.argb.reserve(static_cast<std::size_t>(pixmap.width) * pixmap.height * 4);
    for (int row = 0; row < pixmap.height; ++row)
      for (int column = 0; column < pixmap.width; ++column) {
        const guchar* p = pixels + row * stride + column * 4;
        pixmap.argb.insert(pixmap.argb.end(), {p[3], p[0], p[1], p[2]});
      }
    g_object_unref(rgba);
  }
  g_object_unref(loader);
  return pixmap;
}

TrayIconServiceFactory StatusNotifierTrayIconFactory() {
  return [](ITrayIconSink& sink) -> std::unique_ptr<ITrayIconService> {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) return nullptr;
    return std::make_unique<StatusNotifierItem>(sink, bus);
  };
}

}  // namespace halbrin::platform
