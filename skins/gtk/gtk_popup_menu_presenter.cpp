#include "skins/gtk/gtk_popup_menu_presenter.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "platform/cairo/cairo_canvas.h"
#include "platform/controls/win_control.h"
#include "platform/eventloop/modal_loop.h"
#include "platform/graphics/color.h"
#include "platform/graphics/font.h"
#include "platform/services/desktop_service.h"
#include "platform/ui/gtk_control_backend.h"
#include "skins/core/skin_manager.h"

namespace halbrin::skins {

using platform::TComponent;
using platform::TMenuItem;
using platform::TPoint;
using platform::TPopupMenu;
using platform::TRect;
using platform::TWeakRef;

namespace {

// How often the open menu checks that what it shows still lives.
constexpr guint kAliveCheckMs = 50;

std::string CssColor(platform::TColor color) {
  const platform::TColor rgb = platform::ColorToRGB(color);
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", platform::RedOf(rgb), platform::GreenOf(rgb),
                platform::BlueOf(rgb));
  return text;
}

bool HasVisibleItem(const TMenuItem& parent) {
  for (int i = 0; i < parent.Count(); ++i)
    if (parent.Items(i)->Visible()) return true;
  return false;
}

// True when the component, or one of its owners, is gone or about to go.
bool Going(const TWeakRef<TComponent>& component) {
  for (const TComponent* c = component.Get(); c; c = c->Owner())
    if (c->IsFreePending() || c->IsDestroying()) return true;
  return !component;
}

// The top-level GdkWindow of the control the component is (or is owned by).
GdkWindow* AnchorWindowOf(TComponent* component) {
  for (TComponent* c = component; c; c = c->Owner()) {
    auto* control = dynamic_cast<platform::TWinControl*>(c);
    if (!control) continue;
    platform::TWinControl& top = control->TopLevel();
    auto* backend = dynamic_cast<platform::GtkControlBackend*>(top.Backend());
    GtkWindow* window = backend && top.HandleAllocated() ? backend->TopLevelWindow(top.Window()) : nullptr;
    GdkWindow* gdkWindow = window ? gtk_widget_get_window(GTK_WIDGET(window)) : nullptr;
    return gdkWindow && gdk_window_is_viewable(gdkWindow) ? gdkWindow : nullptr;
  }
  return nullptr;
}

// What a popup without a current event passes as its trigger: a press of no
// button by the default seat's pointer, now.
GdkEvent* MadeTriggerEvent(GdkWindow* window) {
  GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
  event->button.window = GDK_WINDOW(g_object_ref(window));
  event->button.send_event = TRUE;
  event->button.time = GDK_CURRENT_TIME;
  event->button.button = 0;
  if (GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window)))
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
  return event;
}

// What an item looks like when nobody draws it: the caption on the menu colour.
void MeasureDefault(platform::ICanvas& canvas, const TMenuItem& item, int& width, int& height) {
  if (item.IsLine()) {
    width = 0;
    height = 3;
    return;
  }
  const platform::TFont font;
  const platform::TSize extent = canvas.TextExtent(item.Caption(), font);
  width = extent.cx + 8;
  height = std::max(extent.cy + 4, 18);
}

void DrawDefault(platform::ICanvas& canvas, const TMenuItem& item, TRect rect, bool selected) {
  using platform::SystemColor;
  if (item.IsLine()) {
    canvas.FillRect(rect, SystemColor(platform::COLOR_MENU));
    const int y = rect.Top + rect.Height() / 2;
    canvas.FillRect(TRect{rect.Left, y, rect.Right, y + 1}, SystemColor(platform::COLOR_BTNSHADOW));
    return;
  }
  canvas.FillRect(rect, SystemColor(selected ? platform::COLOR_HIGHLIGHT : platform::COLOR_MENU));
  const platform::TColor text = !item.Enabled() ? SystemColor(platform::COLOR_GRAYTEXT)
                                : selected      ? SystemColor(platform::COLOR_HIGHLIGHTTEXT)
                                                : SystemColor(platform::COLOR_MENUTEXT);
  platform::TTextFormat format;
  format.mnemonic = true;
  format.layout = platform::TTextLayout::Center;
  const platform::TFont font;
  canvas.DrawText(item.Caption(), TRect{rect.Left + kMenuCheckRoom + 2, rect.Top, rect.Right, rect.Bottom}, font,
                  text, format);
}

}  // namespace

// One popup: the menus made for it and what their signals reach.
struct GtkPopupMenuPresenter::Run {
  struct Entry {
    Run* run = nullptr;
    GtkWidget* menuItem = nullptr;
    GtkWidget* area = nullptr;
    TWeakRef<TMenuItem> item;
  };
  struct Level {
    Run* run = nullptr;
    GtkWidget* menu = nullptr;
    TWeakRef<TMenuItem> parent;
    std::vector<Entry*> entries;
  };

  platform::TModalLoop loop;
  platform::GObjectPtr<GtkWidget> menu;
  std::vector<std::unique_ptr<Level>> levels;
  std::vector<std::unique_ptr<Entry>> entries;
  TWeakRef<TMenuItem> chosen;
  TWeakRef<TComponent> popupMenu;
  TWeakRef<TComponent> popupComponent;
  bool hadPopupComponent = false;
  bool closed = false;

  void End() {
    if (!loop.Ended()) loop.End(0);
  }

  GtkWidget* Build(TMenuItem& parent, cairo_t* measure);

  static gboolean OnDraw(GtkWidget* area, cairo_t* cr, gpointer data);
  static void OnSelectChanged(GtkMenuItem*, gpointer data);
  static void OnActivate(GtkMenuItem* menuItem, gpointer data);
  static gboolean OnKeyPress(GtkWidget* menu, GdkEventKey* event, gpointer data);
  static void OnDeactivate(GtkMenuShell*, gpointer data);
  static void OnMenuDestroyed(GtkWidget*, gpointer data);
  static gboolean OnAliveCheck(gpointer data);
};

GtkWidget* GtkPopupMenuPresenter::Run::Build(TMenuItem& parent, cairo_t* measure) {
  GtkWidget* menuWidget = gtk_menu_new();
  gtk_style_context_add_class(gtk_widget_get_style_context(menuWidget), kOwnerDrawnMenuClass);
  gtk_menu_set_reserve_toggle_size(GTK_MENU(menuWidget), FALSE);
  auto& level = *levels.emplace_back(std::make_unique<Level>());
  level.run = this;
  level.menu = menuWidget;
  level.parent.Reset(&parent);
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = *parent.Items(i);
    if (!item.Visible()) continue;
    int width = 0;
    int height = 0;
    {
      platform::TCairoCanvas canvas(measure);
      MeasureDefault(canvas, item, width, height);
      item.MeasureItem(canvas, width, height);
    }
    auto& entry = *entries.emplace_back(std::make_unique<Entry>());
    entry.run = this;
    entry.item.Reset(&item);
    entry.menuItem = gtk_menu_item_new();
    entry.area = gtk_drawing_area_new();
    gtk_widget_set_size_request(entry.area, std::max(width, 0) + kMenuCheckRoom, std::max(height, 0));
    gtk_container_add(GTK_CONTAINER(entry.menuItem), entry.area);
    g_signal_connect(entry.area, "draw", G_CALLBACK(OnDraw), &entry);
    g_signal_connect(entry.menuItem, "select", G_CALLBACK(OnSelectChanged), &entry);
    g_signal_connect(entry.menuItem, "deselect", G_CALLBACK(OnSelectChanged), &entry);
    g_signal_connect(entry.menuItem, "activate", G_CALLBACK(OnActivate), &entry);
    gtk_widget_set_sensitive(entry.menuItem, item.Enabled() && !item.IsLine());
    if (!item.IsLine() && HasVisibleItem(item))
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(entry.menuItem), Build(item, measure));
    gtk_menu_shell_append(GTK_MENU_SHELL(menuWidget), entry.menuItem);
    level.entries.push_back(&entry);
  }
  g_signal_connect(menuWidget, "key-press-event", G_CALLBACK(OnKeyPress), &level);
  return menuWidget;
}

gboolean GtkPopupMenuPresenter::Run::OnDraw(GtkWidget* area, cairo_t* cr, gpointer data) {
  const auto& entry = *static_cast<Entry*>(data);
  TMenuItem* item = entry.item.Get();
  if (!item) return TRUE;
  const bool selected = (gtk_widget_get_state_flags(entry.menuItem) & GTK_STATE_FLAG_PRELIGHT) != 0;
  const TRect rect{0, 0, gtk_widget_get_allocated_width(area), gtk_widget_get_allocated_height(area)};
  try {
    platform::TCairoCanvas canvas(cr);
    if (item->OnDrawItem().Assigned())
      item->DrawItem(canvas, rect, selected);
    else
      DrawDefault(canvas, *item, rect, selected);
  } catch (const std::exception& error) {
    g_warning("menu item draw failed: %s", error.what());
  }
  return TRUE;
}

void GtkPopupMenuPresenter::Run::OnSelectChanged(GtkMenuItem*, gpointer data) {
  gtk_widget_queue_draw(static_cast<Entry*>(data)->area);
}

void GtkPopupMenuPresenter::Run::OnActivate(GtkMenuItem* menuItem, gpointer data) {
  // Opening a submenu is no choice.
  if (gtk_menu_item_get_submenu(menuItem)) return;
  auto& entry = *static_cast<Entry*>(data);
  if (TMenuItem* item = entry.item.Get()) entry.run->chosen.Reset(item);
}

gboolean GtkPopupMenuPresenter::Run::OnKeyPress(GtkWidget* menu, GdkEventKey* event, gpointer data) {
  const auto& level = *static_cast<Level*>(data);
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  if ((modifiers & ~GDK_SHIFT_MASK) != 0) return FALSE;
  const gunichar key = gdk_keyval_to_unicode(event->keyval);
  const TMenuItem* parent = level.parent.Get();
  if (key == 0 || !g_unichar_isprint(key) || g_unichar_isspace(key) || !parent) return FALSE;
  GtkWidget* selectedWidget = gtk_menu_shell_get_selected_item(GTK_MENU_SHELL(menu));
  int selected = -1;
  for (const Entry* entry : level.entries)
    if (entry->menuItem == selectedWidget && entry->item) selected = parent->IndexOf(entry->item.Get());
  const platform::TMnemonicMatch match = platform::MatchMnemonic(*parent, key, selected);
  if (match.action == platform::TMnemonicAction::None) return FALSE;
  const TMenuItem* target = parent->Items(match.index);
  GtkWidget* targetWidget = nullptr;
  for (const Entry* entry : level.entries)
    if (entry->item.Get() == target) targetWidget = entry->menuItem;
  if (!targetWidget || !gtk_widget_is_sensitive(targetWidget)) return FALSE;
  GtkMenuShell* shell = GTK_MENU_SHELL(menu);
  if (match.action == platform::TMnemonicAction::Select) {
    gtk_menu_shell_select_item(shell, targetWidget);
  } else if (gtk_menu_item_get_submenu(GTK_MENU_ITEM(targetWidget))) {
    gtk_menu_shell_select_item(shell, targetWidget);
    g_signal_emit_by_name(shell, "move-current", GTK_MENU_DIR_CHILD);
  } else {
    gtk_menu_shell_activate_item(shell, targetWidget, TRUE);
  }
  return TRUE;
}

void GtkPopupMenuPresenter::Run::OnDeactivate(GtkMenuShell*, gpointer data) { static_cast<Run*>(data)->End(); }

void GtkPopupMenuPresenter::Run::OnMenuDestroyed(GtkWidget*, gpointer data) {
  auto& run = *static_cast<Run*>(data);
  run.closed = true;
  run.End();
}

gboolean GtkPopupMenuPresenter::Run::OnAliveCheck(gpointer data) {
  auto& run = *static_cast<Run*>(data);
  if (Going(run.popupMenu) || (run.hadPopupComponent && Going(run.popupComponent))) {
    run.closed = true;
    run.End();
  }
  return G_SOURCE_CONTINUE;
}

GtkPopupMenuPresenter::~GtkPopupMenuPresenter() {
  if (m_run) Close();
  if (m_css && m_cssScreen)
    gtk_style_context_remove_provider_for_screen(m_cssScreen, GTK_STYLE_PROVIDER(m_css.Get()));
}

GtkWidget* GtkPopupMenuPresenter::OpenMenu() const noexcept { return m_run ? m_run->menu.Get() : nullptr; }

void GtkPopupMenuPresenter::Close() {
  if (!m_run) return;
  m_run->closed = true;
  m_run->End();
}

void GtkPopupMenuPresenter::UpdateStyle() {
  const std::string menuColor = CssColor(platform::SystemColor(platform::COLOR_MENU));
  const std::string borderColor = CssColor(platform::SystemColor(platform::COLOR_BTNSHADOW));
  const std::string cls = std::string(".") + kOwnerDrawnMenuClass;
  // GTK paints a menu's border inside its padding: 2 px of padding show as
  // the 1 px border and 1 px of the menu colour.
  const std::string text =
      "window" + cls + " { background: none; background-color: " + menuColor +
      "; border: none; box-shadow: none; margin: 0; padding: 0; }\n"
      "menu" + cls + " { background: none; background-color: " + menuColor + "; border: 1px solid " + borderColor +
      "; border-radius: 0; box-shadow: none; margin: 0; padding: 2px; }\n"
      "menu" + cls + " menuitem, menu" + cls + " menuitem:hover, menu" + cls +
      " menuitem:disabled { padding: 0; margin: 0; border: none; border-radius: 0; min-height: 0; min-width: 0;"
      " background: none; box-shadow: none; }\n"
      "menu" + cls + " menuitem arrow { min-width: 0; min-height: 0; -gtk-icon-source: none; }\n";
  GdkScreen* screen = gdk_screen_get_default();
  if (!m_css) m_css = platform::GObjectPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
  if (text != m_cssText) {
    gtk_css_provider_load_from_data(m_css.Get(), text.c_str(), -1, nullptr);
    m_cssText = text;
  }
  if (screen && screen != m_cssScreen) {
    if (m_cssScreen) gtk_style_context_remove_provider_for_screen(m_cssScreen, GTK_STYLE_PROVIDER(m_css.Get()));
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(m_css.Get()),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    m_cssScreen = screen;
  }
}

TMenuItem* GtkPopupMenuPresenter::Present(TPopupMenu& menu, TPoint screenPoint, platform::TPopupAlignment alignment) {
  if (m_run || !HasVisibleItem(menu.Items())) return nullptr;
  GdkScreen* screen = gdk_screen_get_default();
  if (!screen) return nullptr;
  UpdateStyle();

  Run run;
  run.popupMenu.Reset(&menu);
  run.popupComponent.Reset(menu.PopupComponent());
  run.hadPopupComponent = menu.PopupComponent() != nullptr;
  {
    platform::CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    cairo_t* measure = cairo_create(surface.get());
    run.menu = platform::GObjectPtr<GtkWidget>::AdoptFloating(run.Build(menu.Items(), measure));
    cairo_destroy(measure);
  }
  GtkWidget* menuWidget = run.menu.Get();
  gtk_widget_show_all(menuWidget);
  if (GtkWidget* top = gtk_widget_get_toplevel(menuWidget))
    gtk_style_context_add_class(gtk_widget_get_style_context(top), kOwnerDrawnMenuClass);
  g_signal_connect(menuWidget, "deactivate", G_CALLBACK(Run::OnDeactivate), &run);
  const gulong destroyHandler = g_signal_connect(menuWidget, "destroy", G_CALLBACK(Run::OnMenuDestroyed), &run);

  GdkWindow* anchor = AnchorWindowOf(menu.PopupComponent());
  if (!anchor) anchor = gdk_screen_get_root_window(screen);
  int originX = 0;
  int originY = 0;
  gdk_window_get_origin(anchor, &originX, &originY);
  const GdkRectangle rect{screenPoint.X - originX, screenPoint.Y - originY, 1, 1};
  const GdkGravity gravity = alignment == platform::paRight    ? GDK_GRAVITY_NORTH_EAST
                             : alignment == platform::paCenter ? GDK_GRAVITY_NORTH
                                                               : GDK_GRAVITY_NORTH_WEST;
  GdkEvent* trigger = gtk_get_current_event();
  if (!trigger) trigger = MadeTriggerEvent(anchor);
  gtk_menu_popup_at_rect(GTK_MENU(menuWidget), anchor, &rect, gravity, gravity, trigger);
  gdk_event_free(trigger);

  // GTK drops a popup whose grab failed without a word: nothing to wait for.
  if (gtk_widget_get_mapped(menuWidget) && !run.loop.Ended()) {
    TZebrinSkinManager* manager = SkinManager();
    const bool dragFlag = manager && manager->DragFlag();
    if (manager) manager->SetDragFlag(true);
    m_run = &run;
    const guint check = g_timeout_add(kAliveCheckMs, Run::OnAliveCheck, &run);
    run.loop.Run();
    g_source_remove(check);
    m_run = nullptr;
    if (manager && SkinManager() == manager) manager->SetDragFlag(dragFlag);
  } else {
    run.closed = true;
  }
  g_signal_handler_disconnect(menuWidget, destroyHandler);
  g_signal_handlers_disconnect_by_data(menuWidget, &run);
  gtk_widget_destroy(menuWidget);
  if (run.closed) return nullptr;
  return run.chosen.Get();
}

}  // namespace halbrin::skins
