#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/base/glib_ptr.h"

namespace halbrin {

// SIGTERM and SIGINT, whatever the main thread is doing. GLib catches the two
// (so neither kills the process outright) and a thread of this watch hears
// them: it asks the main thread to terminate (`onTerminate`, run by the main
// loop, or by a script's nested loop), and when the program has not begun to
// shut down `grace` later, or at a second signal, it runs `onHardStop` on its
// own thread and ends the process with exit code 128 + the signal's number.
// A script that never returns is stopped so.
class StopSignalWatch {
 public:
  using TerminateHandler = std::function<void()>;
  // Runs on the watch's thread while the main thread may still be running.
  using HardStopHandler = std::function<void(int signal, int exitCode)>;

  StopSignalWatch(TerminateHandler onTerminate, HardStopHandler onHardStop,
                  std::chrono::milliseconds grace = std::chrono::seconds(1));
  // Stops listening: the two signals get their default action again.
  ~StopSignalWatch();
  StopSignalWatch(const StopSignalWatch&) = delete;
  StopSignalWatch& operator=(const StopSignalWatch&) = delete;

  // From here on the program ends by itself: no hard stop.
  void BeginShutdown();

 private:
  struct Heard {
    StopSignalWatch* watch;
    int signal;
  };
  static int OnSignal(void* heard);
  static int OnGraceOver(void* self);
  static int OnMainThread(void* self);
  [[noreturn]] void HardStop(int signal);

  TerminateHandler m_onTerminate;
  HardStopHandler m_onHardStop;
  std::chrono::milliseconds m_grace;
  platform::GMainContextPtr m_context;
  std::array<Heard, 2> m_heard;
  std::array<platform::GSourcePtr, 2> m_signalSources;
  platform::GSourcePtr m_graceSource;
  platform::GSourcePtr m_terminateSource;
  std::mutex m_lock;
  bool m_shuttingDown = false;
  int m_firstSignal = 0;
  std::atomic<bool> m_quit{false};
  std::thread m_thread;
};

}  // namespace halbrin
