#pragma once

#include <gio/gio.h>
#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "components/forms/gtk/gtk_application_ui.h"
#include "core/framework/application_hooks.h"
#include "platform/base/glib_ptr.h"
#include "platform/classes/component.h"
#include "platform/controls/win_control.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"
#include "support/x_input.h"

namespace halbrin::formgtktest {

using testing::RunUntil;

// Hooks whose main form the test sets.
class MainFormHooks final : public IApplicationHooks {
 public:
  platform::TComponent* MainForm() override { return m_mainForm.Get(); }
  void SetMainForm(platform::TComponent* form) { m_mainForm.Reset(form); }

 private:
  platform::TWeakRef<platform::TComponent> m_mainForm;
};

// Runs the loop until every idle job queued before has run.
inline bool FlushIdle() {
  bool ran = false;
  g_idle_add_full(
      G_PRIORITY_LOW, [](gpointer flag) -> gboolean { return *static_cast<bool*>(flag) = true, G_SOURCE_REMOVE; }, &ran,
      nullptr);
  return RunUntil([&] { return ran; });
}

// The second X client (tests/display/activation_client): it takes the
// activation when started and on Activate().
class OtherProgram {
 public:
  OtherProgram() {
    GError* error = nullptr;
    m_process.reset(g_subprocess_new(static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDIN_PIPE |
                                                                   G_SUBPROCESS_FLAGS_STDOUT_PIPE),
                                     &error, HALBRIN_ACTIVATION_CLIENT, nullptr));
    if (!m_process) {
      ADD_FAILURE() << "could not start the other program: " << error->message;
      g_error_free(error);
      return;
    }
    m_out.reset(g_data_input_stream_new(g_subprocess_get_stdout_pipe(m_process.get())));
  }
  ~OtherProgram() {
    if (!m_process) return;
    // The end of its input ends it; a hung one is killed.
    g_output_stream_close(g_subprocess_get_stdin_pipe(m_process.get()), nullptr, nullptr);
    if (!RunUntil([&] { return Finished(); }, std::chrono::seconds(5))) g_subprocess_force_exit(m_process.get());
    g_subprocess_wait(m_process.get(), nullptr, nullptr);
  }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  // Waits for its next "active XID" line; the XID, or 0 when none came in time.
  unsigned long WaitActive() {
    if (!m_out) return 0;
    struct Read {
      bool done = false;
      std::string line;
    };
    auto read = std::make_shared<Read>();
    auto* hold = new std::shared_ptr<Read>(read);
    g_data_input_stream_read_line_async(
        m_out.get(), G_PRIORITY_DEFAULT, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<std::shared_ptr<Read>> read(static_cast<std::shared_ptr<Read>*>(data));
          gchar* line = g_data_input_stream_read_line_finish(G_DATA_INPUT_STREAM(source), result, nullptr, nullptr);
          (*read)->line = line ? line : "";
          (*read)->done = true;
          g_free(line);
        },
        hold);
    if (!RunUntil([&] { return read->done; })) return 0;
    if (read->line.rfind("active ", 0) != 0) return 0;
    return std::stoul(read->line.substr(7));
  }
  void Activate() {
    g_output_stream_write_all(g_subprocess_get_stdin_pipe(m_process.get()), "activate\n", 9, nullptr, nullptr,
                              nullptr);
  }

 private:
  bool Finished() {
    // The identifier goes once the child has been reaped.
    return g_subprocess_get_identifier(m_process.get()) == nullptr;
  }
  struct Unref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
  };
  std::unique_ptr<GSubprocess, Unref> m_process;
  std::unique_ptr<GDataInputStream, Unref> m_out;
};

// Forms over the GTK backend under openbox, the application UI made before
// them (so it finds windows realised later), and hooks naming the main form.
class ApplicationUiTest : public testing::WindowManagerTest {
 protected:
  void SetUp() override {
    testing::WindowManagerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(platform::InitGtk()) << "no display could be opened; run display tests under xvfb-run";
    m_hooks.emplace();
    m_hooksScope.emplace(*m_hooks);
    m_backend.emplace();
    m_backendScope.emplace(*m_backend);
    m_ui.emplace();
    m_owner = std::make_unique<platform::TComponent>();
  }
  void TearDown() override {
    m_owner.reset();
    m_ui.reset();
    m_backendScope.reset();
    m_backend.reset();
    m_hooksScope.reset();
    m_hooks.reset();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    testing::WindowManagerTest::TearDown();
  }

  platform::TWinControl& Form(const std::string& name, int left, int top, int width = 260, int height = 180) {
    auto& form = platform::MakeComponent<platform::TWinControl>(*m_owner);
    form.SetName(name);
    form.SetText(name);
    form.SetBounds(left, top, width, height);
    form.SetWindowTraits({.caption = true, .border = true, .sizable = true, .sysMenu = true, .minBox = true,
                          .maxBox = true});
    return form;
  }
  GtkWindow* WindowOf(const platform::TWinControl& form) const { return m_backend->TopLevelWindow(form.Window()); }

  // Shows and presents the form and waits until it is the active window.
  bool ShowActive(platform::TWinControl& form) {
    form.Show();
    form.HandleNeeded();
    GtkWindow* window = WindowOf(form);
    gtk_window_present_with_time(window, GDK_CURRENT_TIME);
    const bool active = RunUntil([&] { return gtk_window_is_active(window) != FALSE; });
    if (!active) ADD_FAILURE() << form.Name() << " never became the active window";
    return active;
  }

  std::optional<MainFormHooks> m_hooks;
  std::optional<ScopedApplicationHooks> m_hooksScope;
  std::optional<platform::GtkControlBackend> m_backend;
  std::optional<platform::ScopedControlBackend> m_backendScope;
  std::optional<TGtkApplicationUi> m_ui;
  std::unique_ptr<platform::TComponent> m_owner;
};

}  // namespace halbrin::formgtktest
