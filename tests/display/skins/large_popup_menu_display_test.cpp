// A popup menu of 1,000 items through the GTK presenter: it opens with every
// item, and the time from Popup to the mapped menu (building the GtkMenu,
// measuring every item, mapping) is printed and recorded as the case's
// "open_ms" property. A figure to read, not a limit.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/graphics/popup_menu.h"
#include "skin_display_support.h"
#include "skins/gtk/gtk_popup_menu_presenter.h"

namespace halbrin::skins {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kItems = 1000;

struct OpenWatch {
  GtkPopupMenuPresenter* presenter = nullptr;
  Clock::time_point mapped{};
  int items = 0;
  bool timedOut = false;
};

// Polls from inside the presenter's loop: notes when the menu is mapped and
// how many items it holds, then closes it; closes it anyway after 30 s.
gboolean WatchOpen(gpointer data) {
  auto& watch = *static_cast<OpenWatch*>(data);
  GtkWidget* menu = watch.presenter->OpenMenu();
  if (!menu || !gtk_widget_get_mapped(menu)) return G_SOURCE_CONTINUE;
  watch.mapped = Clock::now();
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  watch.items = static_cast<int>(g_list_length(children));
  g_list_free(children);
  watch.presenter->Close();
  return G_SOURCE_REMOVE;
}

gboolean GiveUp(gpointer data) {
  auto& watch = *static_cast<OpenWatch*>(data);
  watch.timedOut = true;
  watch.presenter->Close();
  return G_SOURCE_REMOVE;
}

class LargePopupMenuDisplayTest : public skintest::SkinDisplayTest {};

TEST_F(LargePopupMenuDisplayTest, AThousandItemMenuOpensWithEveryItem) {
  GtkPopupMenuPresenter presenter;
  platform::ScopedPopupMenuPresenter presenterScope{presenter};
  platform::TComponent owner;
  auto& menu = platform::MakeComponent<platform::TPopupMenu>(owner);
  for (int i = 0; i < kItems; ++i) {
    platform::TMenuItem& item = menu.Items().Add(std::make_unique<platform::TMenuItem>());
    item.SetCaption("Item number " + std::to_string(i + 1));
    if (i % 10 == 9) item.SetShortCut(static_cast<platform::TShortCut>(0x4000 | ('A' + i % 26)));
  }

  OpenWatch watch{&presenter};
  const guint poll = g_timeout_add(1, WatchOpen, &watch);
  const guint limit = g_timeout_add(30000, GiveUp, &watch);
  const Clock::time_point start = Clock::now();
  menu.Popup(100, 100);
  // Popup returned: both sources ran or are still there.
  if (watch.mapped == Clock::time_point{}) g_source_remove(poll);
  if (!watch.timedOut) g_source_remove(limit);

  ASSERT_FALSE(watch.timedOut) << "the menu never mapped";
  EXPECT_EQ(watch.items, kItems);
  const double ms = std::chrono::duration<double, std::milli>(watch.mapped - start).count();
  std::printf("a %d-item popup menu mapped %.1f ms after Popup\n", kItems, ms);
  RecordProperty("open_ms", std::to_string(ms));
  EXPECT_FALSE(platform::TPopupMenu::AnyOpen());
}

}  // namespace
}  // namespace halbrin::skins
