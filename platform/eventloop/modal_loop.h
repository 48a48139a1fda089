#pragma once

#include <functional>

namespace halbrin::platform {

// A nested run of the main loop for a modal window: Run() returns once End()
// gives the result. Loops stack (the innermost is the one started last), and
// EndModalLoops ends them all, as the application does when it terminates.
// Main thread only.
class TModalLoop {
 public:
  TModalLoop() = default;
  ~TModalLoop();
  TModalLoop(const TModalLoop&) = delete;
  TModalLoop& operator=(const TModalLoop&) = delete;

  // Runs until End and returns the result it gave; at once when End came
  // first. A loop runs once: a second Run returns the same result.
  int Run();
  // Ends the loop with `result`; the first end counts, later ones are ignored.
  void End(int result);

  bool Running() const noexcept { return m_running; }
  bool Ended() const noexcept { return m_ended; }
  int Result() const noexcept { return m_result; }

 private:
  struct Nested;

  bool m_running = false;
  bool m_ended = false;
  int m_result = 0;
  Nested* m_nested = nullptr;  // the GMainLoop while the default runner runs it
};

// Ends every running loop with `result`, the innermost first.
void EndModalLoops(int result);
// Ends the innermost running loop; false when none runs.
bool EndInnermostModalLoop(int result);
// The number of loops running now.
int ModalLoopDepth() noexcept;

// How a loop runs. The default runs a nested GMainLoop on the main loop's
// context (the default context when the main loop is not a GLib one) until
// the loop ends. A runner that returns before the loop ended ends it with 0.
using ModalLoopRunner = std::function<void(TModalLoop&)>;

// Installs `runner` for the life of the object (tests end the loop from
// inside it), restoring the previous one afterwards. Scopes nest.
class ScopedModalLoopRunner {
 public:
  explicit ScopedModalLoopRunner(ModalLoopRunner runner);
  ~ScopedModalLoopRunner();
  ScopedModalLoopRunner(const ScopedModalLoopRunner&) = delete;
  ScopedModalLoopRunner& operator=(const ScopedModalLoopRunner&) = delete;

 private:
  ModalLoopRunner m_previous;
};

}  // namespace halbrin::platform
