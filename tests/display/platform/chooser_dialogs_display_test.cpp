// The GTK file, folder and font choosers behind the dialog service, driven
// from GLib timeouts inside their own loops: accept and cancel, a refused
// close, the places as this dialog's shortcuts (the user's bookmarks left
// as they were), the folder dialog's start folder, the font chosen.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/glib_ptr.h"
#include "platform/ui/gtk_dialog_service.h"
#include "platform/ui/gtk_init.h"
#include "support/test_support.h"

namespace halbrin::platform {
namespace {

using namespace std::chrono_literals;

constexpr auto kWaitLimit = 20s;

// Calls `tick` with the mapped chooser every 20 ms until it answers false or
// the time is over; then a chooser still up is answered with DELETE_EVENT,
// so a case fails instead of hanging. GTK's chooser may take an accept only
// after it checked the name, so the ticks keep answering until it closes.
class Driver {
 public:
  explicit Driver(std::function<bool(GtkWidget*)> tick) : m_tick(std::move(tick)) {
    m_deadline = std::chrono::steady_clock::now() + kWaitLimit;
    m_id = g_timeout_add(20, &Driver::OnTick, this);
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;
  ~Driver() {
    if (m_id) g_source_remove(m_id);
  }
  bool timedOut = false;

 private:
  static GtkWidget* Chooser() {
    const GListPtr toplevels(gtk_window_list_toplevels());
    for (GList* item = toplevels.get(); item; item = item->next)
      if ((GTK_IS_FILE_CHOOSER_DIALOG(item->data) || GTK_IS_FONT_CHOOSER_DIALOG(item->data)) &&
          gtk_widget_get_mapped(GTK_WIDGET(item->data)))
        return GTK_WIDGET(item->data);
    return nullptr;
  }
  static gboolean OnTick(gpointer self) {
    auto* driver = static_cast<Driver*>(self);
    GtkWidget* chooser = Chooser();
    if (std::chrono::steady_clock::now() > driver->m_deadline) {
      driver->timedOut = true;
      if (chooser) gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_DELETE_EVENT);
      driver->m_id = 0;
      return G_SOURCE_REMOVE;
    }
    if (!chooser) return G_SOURCE_CONTINUE;
    if (driver->m_tick(chooser)) return G_SOURCE_CONTINUE;
    driver->m_id = 0;
    return G_SOURCE_REMOVE;
  }

  std::function<bool(GtkWidget*)> m_tick;
  std::chrono::steady_clock::time_point m_deadline;
  guint m_id = 0;
};

struct RecordingFileEvents : IFileDialogEvents {
  void Shown() override { log.push_back("shown"); }
  bool CanClose(const std::vector<std::string>& files, int) override {
    log.push_back("canclose " + (files.empty() ? std::string() : files.front()));
    return answers.empty() ? true : (answers.erase(answers.begin()), refuseFirst);
  }
  void Closed() override { log.push_back("closed"); }
  std::vector<std::string> log;
  std::vector<bool> answers;
  bool refuseFirst = false;
};

std::string Name(const std::string& path) { return std::filesystem::path(path).filename().string(); }

class ChooserDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!InitGtk()) GTEST_SKIP() << "no display";
  }
  GtkDialogService m_service;
  testing::TempFolder m_folder;
};

TEST_F(ChooserDialogTest, SaveAcceptsTheTypedName) {
  TFileDialogRequest request;
  request.kind = TFileDialogKind::Save;
  request.title = "Store";
  request.initialFolder = m_folder.Path();
  RecordingFileEvents events;
  Driver driver([](GtkWidget* chooser) {
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "typed.txt");
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    return true;
  });
  const TFileDialogResult result = m_service.RunFileDialog(request, events);
  EXPECT_FALSE(driver.timedOut);
  ASSERT_TRUE(result.accepted);
  ASSERT_EQ(result.files.size(), 1U);
  EXPECT_EQ(result.files[0], m_folder.Path("typed.txt"));
  EXPECT_EQ(events.log, (std::vector<std::string>{"shown", "canclose " + m_folder.Path("typed.txt"), "closed"}));
}

TEST_F(ChooserDialogTest, OpenAcceptsTheSelectedFileAndCancelAnswersNothing) {
  const std::string file = m_folder.Write("pick.TXT", "x");
  m_folder.Write("other.png", "x");
  TFileDialogRequest request;
  request.title = "Open";
  request.initialFolder = m_folder.Path();
  request.filters = {{"Text", "*.txt"}};
  request.filterMatches = [](const TFileDialogFilter&, const std::string& name) { return name.ends_with(".TXT"); };
  RecordingFileEvents events;
  Driver driver([&](GtkWidget* chooser) {
    GtkFileChooser* fc = GTK_FILE_CHOOSER(chooser);
    const GCharPtr chosen(gtk_file_chooser_get_filename(fc));
    if (!chosen || Name(chosen.get()) != "pick.TXT") {
      gtk_file_chooser_select_filename(fc, file.c_str());
      return true;
    }
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    return true;
  });
  const TFileDialogResult result = m_service.RunFileDialog(request, events);
  EXPECT_FALSE(driver.timedOut);
  ASSERT_TRUE(result.accepted);
  EXPECT_EQ(result.files, (std::vector<std::string>{file}));
  EXPECT_EQ(result.filterIndex, 1);

  Driver cancel([](GtkWidget* chooser) {
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
    return false;
  });
  EXPECT_FALSE(m_service.RunFileDialog(request, events).accepted);
  EXPECT_FALSE(cancel.timedOut);
}

TEST_F(ChooserDialogTest, ARefusedCloseKeepsTheDialog) {
  TFileDialogRequest request;
  request.kind = TFileDialogKind::Save;
  request.initialFolder = m_folder.Path();
  RecordingFileEvents events;
  events.answers = {false};  // the first accept is refused
  bool upAfterRefusal = false;
  Driver driver([&](GtkWidget* chooser) {
    const auto asked = std::count_if(events.log.begin(), events.log.end(),
                                     [](const std::string& line) { return line.starts_with("canclose"); });
    if (asked == 1) upAfterRefusal = gtk_widget_get_mapped(chooser);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "again.txt");
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    return true;
  });
  const TFileDialogResult result = m_service.RunFileDialog(request, events);
  EXPECT_FALSE(driver.timedOut);
  EXPECT_TRUE(upAfterRefusal);
  EXPECT_TRUE(result.accepted);
  const std::string canClose = "canclose " + m_folder.Path("again.txt");
  EXPECT_EQ(events.log, (std::vector<std::string>{"shown", canClose, canClose, "closed"}));
}

TEST_F(ChooserDialogTest, PlacesAreThisDialogsShortcutsOnly) {
  std::filesystem::create_directories(m_folder.Path("one"));
  std::filesystem::create_directories(m_folder.Path("two"));
  const std::string bookmarks = std::string(g_get_user_config_dir()) + "/gtk-3.0/bookmarks";
  testing::WriteFile(bookmarks, "file:///tmp kept\n", testing::MakeFolders::Yes);
  TFileDialogRequest request;
  request.shortcutFolders = {m_folder.Path("one"), m_folder.Path("two")};
  RecordingFileEvents events;
  std::vector<std::string> shortcuts;
  Driver driver([&](GtkWidget* chooser) {
    GSList* list = gtk_file_chooser_list_shortcut_folders(GTK_FILE_CHOOSER(chooser));
    for (GSList* item = list; item; item = item->next) {
      shortcuts.emplace_back(static_cast<const char*>(item->data));
      g_free(item->data);
    }
    g_slist_free(list);
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
    return false;
  });
  m_service.RunFileDialog(request, events);
  // GTK may add the working folder of its own.
  for (const std::string& folder : request.shortcutFolders)
    EXPECT_NE(std::find(shortcuts.begin(), shortcuts.end(), folder), shortcuts.end()) << folder;
  EXPECT_EQ(testing::ReadFile(bookmarks), "file:///tmp kept\n");

  // The next dialog has none of them.
  shortcuts.clear();
  Driver again([&](GtkWidget* chooser) {
    GSList* list = gtk_file_chooser_list_shortcut_folders(GTK_FILE_CHOOSER(chooser));
    for (GSList* item = list; item; item = item->next) shortcuts.emplace_back(static_cast<const char*>(item->data));
    g_slist_free_full(list, g_free);
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
    return false;
  });
  m_service.RunFileDialog(TFileDialogRequest{}, events);
  for (const std::string& folder : request.shortcutFolders)
    EXPECT_EQ(std::find(shortcuts.begin(), shortcuts.end(), folder), shortcuts.end()) << folder;
}

struct RecordingFolderEvents : IFolderDialogEvents {
  void Shown(IFolderDialogControl&) override { shown = true; }
  void ValidateFailed(const std::string& text) override { failed.push_back(text); }
  bool shown = false;
  std::vector<std::string> failed;
};

TEST_F(ChooserDialogTest, TheFolderDialogStartsInItsFolderAndAnswersBelowTheRoot) {
  std::filesystem::create_directories(m_folder.Path("root/inner"));
  TFolderDialogRequest request;
  request.root = m_folder.Path("root");
  request.startFolder = m_folder.Path("root");
  RecordingFolderEvents events;
  std::string startedIn;
  int ticks = 0;
  bool upOutsideTheRoot = true;
  Driver driver([&](GtkWidget* chooser) {
    GtkFileChooser* fc = GTK_FILE_CHOOSER(chooser);
    if (startedIn.empty()) {
      // The folder is set once the chooser has loaded it.
      const GCharPtr folder(gtk_file_chooser_get_current_folder(fc));
      if (!folder) return true;
      startedIn = folder.get();
      gtk_file_chooser_set_current_folder(fc, m_folder.Path().c_str());
      return true;
    }
    ++ticks;
    if (ticks == 1) {
      return true;
    } else if (ticks < 10) {
      // Outside the root: every accept is refused.
      upOutsideTheRoot = upOutsideTheRoot && gtk_widget_get_mapped(chooser);
      gtk_file_chooser_unselect_all(fc);
      gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    } else if (ticks == 10) {
      gtk_file_chooser_set_current_folder(fc, m_folder.Path("root/inner").c_str());
    } else {
      gtk_file_chooser_unselect_all(fc);
      gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    }
    return true;
  });
  const TFolderDialogResult result = m_service.RunFolderDialog(request, events);
  EXPECT_FALSE(driver.timedOut);
  EXPECT_TRUE(events.shown);
  EXPECT_EQ(startedIn, m_folder.Path("root"));
  EXPECT_TRUE(upOutsideTheRoot);
  ASSERT_TRUE(result.accepted);
  EXPECT_EQ(result.folder, m_folder.Path("root/inner"));
}

TEST_F(ChooserDialogTest, TheFontDialogAnswersNameSizeAndStyle) {
  TFontDialogRequest request;
  request.font = {"Sans", 9, 0};
  IFontDialogEvents events;
  Driver driver([](GtkWidget* chooser) {
    gtk_font_chooser_set_font(GTK_FONT_CHOOSER(chooser), "Monospace Bold 14");
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_OK);
    return false;
  });
  const TFontDialogResult result = m_service.RunFontDialog(request, events);
  EXPECT_FALSE(driver.timedOut);
  ASSERT_TRUE(result.accepted);
  EXPECT_EQ(result.font.name, "Monospace");
  EXPECT_EQ(result.font.size, 14);
  EXPECT_EQ(result.font.style, fsBold);
}

}  // namespace
}  // namespace halbrin::platform
