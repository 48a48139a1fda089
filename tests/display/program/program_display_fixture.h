#pragma once

// Runs the real program on a temporary project under the test's X server and
// openbox, and watches what it does from outside: its top-levels (Xlib), the
// lines its scripts write to out.txt, its exit code. A later start hands a
// file over to the running instance; the project's "applied" procedure reads
// an exec word from that file's path, which is how a test drives a running
// program without timers of its own.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/program_process.h"
#include "support/test_support.h"
#include "support/window_manager.h"
#include "support/x_windows.h"

namespace halbrin::programtest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Process;
using testing::ScreenRect;
using testing::XWindowId;

// Comes first in both scripts of every project.
inline constexpr const char* kScriptPrelude = R"JS(
// Appends a line to out.txt in the project folder.
function note(line) {
  var files = client.files;
  var path = client.project.folder + 'out.txt';
  files.save((files.exists(path) ? files.open(path) : '') + line + '\n', path);
}
function joined(list) { return Array.prototype.slice.call(list).join(','); }
)JS";

// Comes next in scripts/init.js.
inline constexpr const char* kInitPrelude = R"JS(
// Later starts hand over files named steps/<n>/<target>/<word>.
function listenForWords() {
  client.exec('<control type="application"><events><onapplyfile xml="applied"/></events></control>');
}
// Declares a form of `type` ("form" or "float") with a caption and bounds,
// `inner` inside its element, and answers it.
function declare(type, id, caption, left, top, width, height, inner) {
  client.exec('<control type="' + type + '" id="' + id + '" Caption="' + caption + '" Left="' + left +
              '" Top="' + top + '" Width="' + width + '" Height="' + height + '">' + (inner || '') + '</control>');
  return client.forms.item(id);
}
)JS";

// Comes next in scripts/actions.js, the script bindings without one of their own run.
inline constexpr const char* kActionsPrelude = R"JS(
// Runs the exec word of a handed-over file on the form it names (or the
// application; for the target "script", the procedure of this script named
// by the word) and notes "exec <n> <target> <word> <result>".
function applied(file) {
  var parts = file.split('/');
  var word = parts[parts.length - 1], target = parts[parts.length - 2], step = parts[parts.length - 3];
  if (target == 'script') {
    note('exec ' + step + ' script ' + word + ' ' + eval(word)());
    return;
  }
  var component = target == 'application' ? client.application : client.forms.item(target);
  note('exec ' + step + ' ' + target + ' ' + word + ' ' + component.exec(word));
}
function shown() { note('show ' + joined(arguments)); }
function hidden() { note('hide ' + joined(arguments)); }
function activated() { note('activate ' + joined(arguments)); }
function clicked() { note('click ' + joined(arguments)); }
function keyed() { note('keydown ' + joined(arguments)); }
)JS";

// Binds a form's or frame's "show", "hide", "activate", "click" and "keydown"
// to the procedures above.
inline constexpr const char* kEventBindings =
    "<events><onshow xml=\"shown\"/><onhide xml=\"hidden\"/><onactivate xml=\"activated\"/>"
    "<onclick xml=\"clicked\"/><onkeydown xml=\"keyed\"/></events>";

class ProgramDisplayTest : public testing::WindowManagerTest {
 protected:
  void SetUp() override {
    WindowManagerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    m_env = testing::IsolatedEnvironment(m_temp.Path());
    m_env.push_back("GDK_BACKEND=x11");
    fs::create_directories(ProjectFolder() + "/scripts");
  }

  std::string ProjectFolder() const { return m_temp.Path("project"); }

  // project.info, scripts/init.js with `init` and scripts/actions.js with `actions`, after the preludes.
  void WriteProject(const std::string& init, const std::string& actions = {}) const {
    m_temp.Write("project/project.info", "product=Display test\nname=Forms\nversion=1\nencoding=utf-8\n");
    m_temp.Write("project/scripts/init.js", std::string(kScriptPrelude) + kInitPrelude + init);
    m_temp.Write("project/scripts/actions.js", std::string(kScriptPrelude) + kActionsPrelude + actions);
  }

  // Starts the program on the project (or on `folder`), its standard error in a file of its own.
  std::unique_ptr<Process> Start(const std::vector<std::string>& extra = {}, const std::string& folder = {}) {
    std::vector<std::string> args{"use:" + (folder.empty() ? ProjectFolder() : folder)};
    args.insert(args.end(), extra.begin(), extra.end());
    m_errorFiles.push_back(m_temp.Path("stderr-" + std::to_string(m_errorFiles.size()) + ".txt"));
    return std::make_unique<Process>(args, m_env, m_errorFiles.back());
  }

  // A later start that hands over the file steps/<n>/<target>/<word>; its
  // exit code (nullopt when it did not end in time). Returns the step's
  // number in `step`, which the running instance notes with the word.
  std::optional<int> HandOverWord(const std::string& target, const std::string& word, int* step = nullptr) {
    const int n = ++m_steps;
    if (step) *step = n;
    const std::string file =
        m_temp.Write("steps/" + std::to_string(n) + "/" + target + "/" + word, "", testing::MakeFolders::Yes);
    return Start({"file:" + file})->Wait(20s);
  }
  // The line the instance notes once it ran step `n`.
  static std::string ExecLine(int n, const std::string& target, const std::string& word, bool result) {
    return "exec " + std::to_string(n) + " " + target + " " + word + " " + (result ? "true" : "false");
  }

  // Another program's top-level, which takes the activation when it appears.
  std::unique_ptr<Process> StartOtherWindow(const std::string& title, const ScreenRect& rect) {
    return std::make_unique<Process>(
        HALBRIN_OTHER_WINDOW,
        std::vector<std::string>{title, std::to_string(rect.left), std::to_string(rect.top),
                                 std::to_string(rect.width), std::to_string(rect.height)},
        std::vector<std::string>{"GDK_BACKEND=x11"});
  }

  // What the project's scripts wrote ("" while nothing).
  std::string Output() const {
    try {
      return testing::ReadFile(ProjectFolder() + "/out.txt");
    } catch (const std::runtime_error&) {
      return {};
    }
  }
  bool HasLine(const std::string& line) const {
    return ("\n" + Output()).find("\n" + line + "\n") != std::string::npos;
  }
  bool WaitForLine(const std::string& line) const {
    return testing::WaitUntil([&] { return HasLine(line); });
  }

  // The top-level titled `title` once it is viewable; 0 when it is not in time.
  static XWindowId WaitForTopLevel(const std::string& title) {
    XWindowId window = 0;
    testing::WaitUntil([&] {
      window = testing::FindTopLevel(title);
      return testing::Viewable(window);
    });
    return testing::Viewable(window) ? window : 0;
  }
  static bool WaitUntilHidden(const std::string& title) {
    return testing::WaitUntil([&] { return !testing::Viewable(testing::FindTopLevel(title)); });
  }

  // How often `text` occurs in the application's logs.
  std::size_t LogCount(const std::string& text) const {
    std::size_t count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(LogFolder(), error)) {
      const std::string log = testing::ReadFile(entry.path());
      for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++count;
    }
    return count;
  }

  // The output, the logs and the standard error of every start, for failure messages.
  std::string Diagnostics() const {
    std::string text = "out.txt:\n" + Output();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(LogFolder(), error))
      text += "\nlog " + entry.path().filename().string() + ":\n" + ReadQuietly(entry.path());
    for (const std::string& file : m_errorFiles) text += "\n" + fs::path(file).filename().string() + ":\n" + ReadQuietly(file);
    return text;
  }

  // Under /tmp: the runtime folder holds Unix sockets, whose paths must stay short.
  testing::TempFolder m_temp{"halbrin-dp", "/tmp"};
  std::vector<std::string> m_env;

 private:
  std::string LogFolder() const { return m_temp.Path("data/Zebrin/HalbrinLite/logs"); }
  static std::string ReadQuietly(const fs::path& path) {
    try {
      return testing::ReadFile(path);
    } catch (const std::runtime_error&) {
      return {};
    }
  }

  std::vector<std::string> m_errorFiles;
  int m_steps = 0;
};

}  // namespace halbrin::programtest
