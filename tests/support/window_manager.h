#pragma once

// A window manager for display tests: openbox on $DISPLAY (the Xvfb server of
// the test run). Link tests/support/window_manager.cpp and the x11 library;
// cases that use it run SERIAL, since a window manager manages every window
// on the display.

#include <sys/types.h>

#include <string>

#include <gtest/gtest.h>

namespace halbrin::testing {

// True while a window manager announces itself on the root window
// (_NET_SUPPORTING_WM_CHECK naming a live window that names itself).
bool WindowManagerRunning();

// Starts openbox for the life of the object and stops it by its own process
// id at the end. A window manager that runs already (a desktop session) is
// used as it is and left alone.
class OpenboxSession {
 public:
  enum class State { Running, Absent, Failed };

  OpenboxSession();
  ~OpenboxSession();
  OpenboxSession(const OpenboxSession&) = delete;
  OpenboxSession& operator=(const OpenboxSession&) = delete;

  State Status() const noexcept { return m_state; }
  // Why it is not running.
  const std::string& Error() const noexcept { return m_error; }
  // The process started here; 0 when another window manager was found.
  pid_t Pid() const noexcept { return m_pid; }

 private:
  void Stop() noexcept;

  State m_state = State::Failed;
  std::string m_error;
  pid_t m_pid = 0;
};

// The openbox of the test process, started on first use and stopped when the
// process exits. Cases share it, and a process should start it before it
// shows any window: a GTK client that showed windows before a window manager
// came gets its next windows mapped but never drawn. Under ctest every case
// is a process of its own anyway.
const OpenboxSession& ProcessOpenbox();

// Each case runs with openbox; it is skipped with a message when openbox is
// not installed, and fails when it is but does not start.
class WindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const OpenboxSession& session = ProcessOpenbox();
    if (session.Status() == OpenboxSession::State::Absent) GTEST_SKIP() << session.Error();
    ASSERT_EQ(session.Status(), OpenboxSession::State::Running) << session.Error();
  }
};

}  // namespace halbrin::testing
