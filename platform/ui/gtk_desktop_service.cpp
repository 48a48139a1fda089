#include "platform/ui/gtk_desktop_service.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/base/glib_ptr.h"
#include "platform/cairo/pango_font.h"
#include "platform/services/dialog_service.h"
#include "platform/ui/gtk_init.h"

namespace halbrin::platform {
namespace {

// The theme's named colours for each system colour, the first one the theme
// defines wins; none (or none defined) keeps the headless colour.
struct NamedColors {
  int index;
  const char* names[2];
};

constexpr NamedColors kColorNames[] = {
    {COLOR_SCROLLBAR, {"theme_bg_color", nullptr}},
    {COLOR_ACTIVECAPTION, {"theme_bg_color", nullptr}},
    {COLOR_INACTIVECAPTION, {"theme_unfocused_bg_color", "theme_bg_color"}},
    {COLOR_MENU, {"theme_base_color", nullptr}},
    {COLOR_WINDOW, {"theme_base_color", nullptr}},
    {COLOR_WINDOWFRAME, {"borders", nullptr}},
    {COLOR_MENUTEXT, {"theme_text_color", "theme_fg_color"}},
    {COLOR_WINDOWTEXT, {"theme_text_color", "theme_fg_color"}},
    {COLOR_CAPTIONTEXT, {"wm_title", "theme_fg_color"}},
    {COLOR_ACTIVEBORDER, {"borders", nullptr}},
    {COLOR_INACTIVEBORDER, {"unfocused_borders", "borders"}},
    {COLOR_APPWORKSPACE, {"insensitive_bg_color", nullptr}},
    {COLOR_HIGHLIGHT, {"theme_selected_bg_color", nullptr}},
    {COLOR_HIGHLIGHTTEXT, {"theme_selected_fg_color", nullptr}},
    {COLOR_BTNFACE, {"theme_bg_color", nullptr}},
    {COLOR_BTNSHADOW, {"borders", nullptr}},
    {COLOR_GRAYTEXT, {"insensitive_fg_color", nullptr}},
    {COLOR_BTNTEXT, {"theme_fg_color", nullptr}},
    {COLOR_INACTIVECAPTIONTEXT, {"wm_unfocused_title", "theme_unfocused_fg_color"}},
    {COLOR_BTNHIGHLIGHT, {"theme_base_color", nullptr}},
    {COLOR_3DLIGHT, {"theme_bg_color", nullptr}},
    {COLOR_HOTLIGHT, {"link_color", "theme_selected_bg_color"}},
    {COLOR_GRADIENTACTIVECAPTION, {"theme_bg_color", nullptr}},
    {COLOR_GRADIENTINACTIVECAPTION, {"theme_unfocused_bg_color", "theme_bg_color"}},
    {COLOR_MENUHILIGHT, {"theme_selected_bg_color", nullptr}},
    {COLOR_MENUBAR, {"theme_bg_color", nullptr}},
};

TColor FromRgba(const GdkRGBA& rgba) {
  auto channel = [](double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 255)); };
  return RGBColor(channel(rgba.red), channel(rgba.green), channel(rgba.blue));
}

TRect FromGdk(const GdkRectangle& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

void OnFontChanged(GObject*, GParamSpec*, gpointer self);
void OnCaretChanged(GObject*, GParamSpec*, gpointer self);
void OnThemeChanged(GObject*, GParamSpec*, gpointer self);
void OnMonitorsChanged(GdkScreen*, gpointer self);

}  // namespace

// The signal handlers reach the service's private side through this.
struct GtkDesktopSignals {
  static void Fonts(GtkDesktopService& service) { service.Notify(TDesktopChange::Fonts); }
  static void Caret(GtkDesktopService& service) { service.Notify(TDesktopChange::Metrics); }
  static void Theme(GtkDesktopService& service) {
    service.ReadColors();
    service.Notify(TDesktopChange::Colors);
  }
  static void Monitors(GtkDesktopService& service) { service.Notify(TDesktopChange::Monitors); }
};

namespace {

void OnFontChanged(GObject*, GParamSpec*, gpointer self) { GtkDesktopSignals::Fonts(*static_cast<GtkDesktopService*>(self)); }
void OnCaretChanged(GObject*, GParamSpec*, gpointer self) { GtkDesktopSignals::Caret(*static_cast<GtkDesktopService*>(self)); }
void OnThemeChanged(GObject*, GParamSpec*, gpointer self) { GtkDesktopSignals::Theme(*static_cast<GtkDesktopService*>(self)); }
void OnMonitorsChanged(GdkScreen*, gpointer self) { GtkDesktopSignals::Monitors(*static_cast<GtkDesktopService*>(self)); }

}  // namespace

GtkDesktopService::GtkDesktopService()
    : m_settings(GTK_SETTINGS(g_object_ref(gtk_settings_get_default()))),
      m_screen(GDK_SCREEN(g_object_ref(gdk_screen_get_default()))),
      m_style(gtk_style_context_new()) {
  GtkWidgetPath* path = gtk_widget_path_new();
  gtk_widget_path_append_type(path, GTK_TYPE_WINDOW);
  gtk_style_context_set_path(m_style, path);
  gtk_widget_path_free(path);
  gtk_style_context_set_screen(m_style, m_screen);
  ReadColors();
  Connect(m_settings, "notify::gtk-font-name", G_CALLBACK(OnFontChanged));
  Connect(m_settings, "notify::gtk-cursor-blink", G_CALLBACK(OnCaretChanged));
  Connect(m_settings, "notify::gtk-cursor-blink-time", G_CALLBACK(OnCaretChanged));
  Connect(m_settings, "notify::gtk-theme-name", G_CALLBACK(OnThemeChanged));
  Connect(m_settings, "notify::gtk-application-prefer-dark-theme", G_CALLBACK(OnThemeChanged));
  Connect(m_screen, "monitors-changed", G_CALLBACK(OnMonitorsChanged));
}

GtkDesktopService::~GtkDesktopService() {
  for (const auto& [instance, handler] : m_handlers) g_signal_handler_disconnect(instance, handler);
  g_object_unref(m_style);
  g_object_unref(m_screen);
  g_object_unref(m_settings);
}

void GtkDesktopService::Connect(gpointer instance, const char* signal, GCallback callback) {
  m_handlers.emplace_back(instance, g_signal_connect(instance, signal, callback, this));
}

void GtkDesktopService::ReadColors() {
  for (int index = 0; index < kSystemColorCount; ++index)
    m_colors[static_cast<std::size_t>(index)] = HeadlessDesktopService::DefaultSystemColor(index);
  for (const NamedColors& row : kColorNames) {
    for (const char* name : row.names) {
      GdkRGBA rgba;
      if (name && gtk_style_context_lookup_color(m_style, name, &rgba)) {
        m_colors[static_cast<std::size_t>(row.index)] = FromRgba(rgba);
        break;
      }
    }
  }
}

TColor GtkDesktopService::SystemColor(int index) const {
  if (index < 0 || index >= kSystemColorCount) return 0;
  return m_colors[static_cast<std::size_t>(index)];
}

TFontSpec GtkDesktopService::ElementFont(TDesktopFont element) const {
  gchar* raw = nullptr;
  g_object_get(m_settings, "gtk-font-name", &raw, nullptr);
  const GCharPtr name(raw);
  const TFontSpec font = name && *name ? FontSpecFromDescription(name.get()) : TFontSpec{};
  return DerivedElementFont(font, element);
}

std::vector<std::string> GtkDesktopService::FontFamilies() const {
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &count);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.emplace_back(pango_font_family_get_name(families[i]));
  g_free(families);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

int GtkDesktopService::CaretBlinkTime() const {
  gboolean blink = TRUE;
  gint time = 0;
  g_object_get(m_settings, "gtk-cursor-blink", &blink, "gtk-cursor-blink-time", &time, nullptr);
  // GTK gives the whole on-off cycle; the caret time is one half of it.
  return blink ? time / 2 : 0;
}

std::optional<TPoint> GtkDesktopService::CursorPos() const {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_screen_get_display(m_screen));
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return std::nullopt;
  gint x = 0;
  gint y = 0;
  gdk_device_get_position(pointer, nullptr, &x, &y);
  return TPoint{x, y};
}

bool GtkDesktopService::LeftButtonDown() const {
  GdkDisplay* display = gdk_screen_get_display(m_screen);
  GdkSeat* seat = gdk_display_get_default_seat(display);
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return false;
  GdkModifierType mask = static_cast<GdkModifierType>(0);
  gdk_window_get_device_position(gdk_screen_get_root_window(m_screen), pointer, nullptr, nullptr, &mask);
  return (mask & GDK_BUTTON1_MASK) != 0;
}

int GtkDesktopService::CursorHeightBelowHotSpot() const {
  // The arrow's hot spot is its tip, so the picture reaches its whole size below it.
  const guint size = gdk_display_get_default_cursor_size(gdk_screen_get_display(m_screen));
  return size > 0 ? static_cast<int>(size) : kDefaultCursorHeight;
}

bool GtkDesktopService::ModalState() const {
  if (gtk_grab_get_current()) return true;
  GList* windows = gtk_window_list_toplevels();
  bool modal = false;
  for (GList* it = windows; it && !modal; it = it->next) {
    GtkWindow* window = GTK_WINDOW(it->data);
    modal = gtk_window_get_modal(window) && gtk_widget_get_visible(GTK_WIDGET(window));
  }
  g_list_free(windows);
  return modal;
}

TRect GtkDesktopService::WorkArea(const TRect& rect) const {
  GdkDisplay* display = gdk_screen_get_display(m_screen);
  const int count = gdk_display_get_n_monitors(display);
  std::vector<TRect> geometries;
  for (int i = 0; i < count; ++i) {
    GdkRectangle geometry;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &geometry);
    geometries.push_back(FromGdk(geometry));
  }
  if (geometries.empty()) return HeadlessDesktopService().WorkArea(rect);
  GdkRectangle area;
  gdk_monitor_get_workarea(gdk_display_get_monitor(display, static_cast<int>(NearestMonitor(geometries, rect))), &area);
  return FromGdk(area);
}

GtkDesktopServiceScope::GtkDesktopServiceScope() {
  if (!InitGtk() || HeadlessDialogsForced()) return;
  m_service.emplace();
  m_scope.emplace(*m_service);
}

}  // namespace halbrin::platform
