// The task property sheet on a display: the caption, the tabs the pages ask
// for, OK handing back an edited comment and Cancel leaving the values alone.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/glib_ptr.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/gtk_task_sheet_service.h"

namespace halbrin::platform {
namespace {

using namespace std::chrono_literals;

constexpr auto kWaitLimit = 20s;

GtkWidget* FindNamed(GtkWidget* widget, const char* name) {
  if (g_strcmp0(gtk_widget_get_name(widget), name) == 0) return widget;
  if (GTK_IS_NOTEBOOK(widget)) {
    const int pages = gtk_notebook_get_n_pages(GTK_NOTEBOOK(widget));
    for (int i = 0; i < pages; ++i)
      if (GtkWidget* found = FindNamed(gtk_notebook_get_nth_page(GTK_NOTEBOOK(widget), i), name)) return found;
    return nullptr;
  }
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GListPtr children(gtk_container_get_children(GTK_CONTAINER(widget)));
  for (GList* child = children.get(); child; child = child->next)
    if (GtkWidget* found = FindNamed(GTK_WIDGET(child->data), name)) return found;
  return nullptr;
}

GtkWidget* MappedDialog() {
  const GListPtr toplevels(gtk_window_list_toplevels());
  for (GList* item = toplevels.get(); item; item = item->next)
    if (GTK_IS_DIALOG(item->data) && gtk_widget_get_mapped(GTK_WIDGET(item->data))) return GTK_WIDGET(item->data);
  return nullptr;
}

struct Seen {
  std::string title;
  std::vector<std::string> tabs;
  bool shown = false;
};

// Shows the sheet and, once it is mapped, records it and hands it to `act`,
// which must answer it; a sheet still up at the time limit is cancelled.
Seen ShowAndAct(TaskSheetPages pages, TaskSheetValues& values, bool& answer,
                const std::function<void(GtkDialog*)>& act) {
  Seen seen;
  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  auto tick = [&]() -> bool {
    if (GtkWidget* dialog = MappedDialog()) {
      seen.shown = true;
      seen.title = gtk_window_get_title(GTK_WINDOW(dialog));
      GtkWidget* notebook = FindNamed(dialog, "pages");
      for (int i = 0; notebook && i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)); ++i)
        seen.tabs.push_back(gtk_notebook_get_tab_label_text(
            GTK_NOTEBOOK(notebook), gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), i)));
      act(GTK_DIALOG(dialog));
      return false;
    }
    if (std::chrono::steady_clock::now() < deadline) return true;
    if (GtkWidget* dialog = MappedDialog()) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return false;
  };
  std::function<bool()> holder = tick;
  const guint source = g_timeout_add(
      10, [](gpointer data) -> gboolean { return (*static_cast<std::function<bool()>*>(data))() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE; },
      &holder);
  GtkTaskSheetService service;
  answer = service.ShowTaskSheet(pages, values);
  if (!seen.shown) g_source_remove(source);
  return seen;
}

TaskSheetValues SampleValues() {
  TaskSheetValues values;
  values.caption = "welcome-reminder";
  values.applicationName = "/usr/bin/notify-send";
  values.comment = "old comment";
  values.triggers = {"At 09:00 every day, starting 01.03.2025"};
  values.maxRunTime = 259'200'000;
  return values;
}

class TaskSheetDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!InitGtk()) GTEST_SKIP() << "no display";
  }
};

TEST_F(TaskSheetDisplayTest, ShowsTheCaptionAndTheChosenTabs) {
  const struct {
    TaskSheetPages pages;
    std::vector<std::string> tabs;
  } rows[] = {{{true, true, true}, {"Task", "Schedule", "Settings"}},
              {{false, true, false}, {"Schedule"}},
              {{true, false, true}, {"Task", "Settings"}}};
  for (const auto& row : rows) {
    TaskSheetValues values = SampleValues();
    bool answer = true;
    const Seen seen = ShowAndAct(row.pages, values, answer,
                                 [](GtkDialog* dialog) { gtk_dialog_response(dialog, GTK_RESPONSE_CANCEL); });
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, "welcome-reminder");
    EXPECT_EQ(seen.tabs, row.tabs);
    EXPECT_FALSE(answer);
  }
}

TEST_F(TaskSheetDisplayTest, OkHandsBackTheEditsAndCancelDoesNot) {
  for (const bool ok : {true, false}) {
    TaskSheetValues values = SampleValues();
    bool answer = !ok;
    const Seen seen = ShowAndAct({}, values, answer, [&](GtkDialog* dialog) {
      gtk_entry_set_text(GTK_ENTRY(FindNamed(GTK_WIDGET(dialog), "comment")), "new comment");
      gtk_dialog_response(dialog, ok ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
    });
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(answer, ok);
    EXPECT_EQ(values.comment, ok ? "new comment" : "old comment");
    EXPECT_EQ(values.maxRunTime, 259'200'000) << "an untouched limit keeps its milliseconds";
  }
}

}  // namespace
}  // namespace halbrin::platform
