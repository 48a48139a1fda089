#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <vector>

#include "platform/eventloop/idle_source.h"

namespace halbrin::platform {

// Whether the application as a whole is active: one of this process's
// top-level windows is the active window. Every top-level is watched
// ("notify::is-active"; windows realised later are found through an emission
// hook on "realize"), and the answer is taken again at the next idle after a
// change, so a switch from one of our windows to another (one loses the
// activation before the other gains it) is no deactivation. `changed` hears
// each change of that answer. Main thread; needs InitGtk().
class GtkApplicationActivation {
 public:
  explicit GtkApplicationActivation(std::function<void(bool active)> changed = {});
  ~GtkApplicationActivation();
  GtkApplicationActivation(const GtkApplicationActivation&) = delete;
  GtkApplicationActivation& operator=(const GtkApplicationActivation&) = delete;

  // The answer as last taken (at construction, then at each idle after a change).
  bool Active() const noexcept { return m_active; }
  void SetOnChanged(std::function<void(bool active)> changed) { m_changed = std::move(changed); }

  // Now: a visible top-level of ours is active.
  static bool AnyWindowActive();

 private:
  struct Watched {
    GtkWindow* window;
    gulong handler;
  };
  static gboolean OnRealize(GSignalInvocationHint*, guint count, const GValue* values, gpointer self);
  static void OnActiveChanged(GObject*, GParamSpec*, gpointer self);
  static void OnWindowGone(gpointer self, GObject* window);
  void Watch(GtkWindow* window);
  void Evaluate();

  std::function<void(bool)> m_changed;
  std::vector<Watched> m_windows;
  guint m_realizeSignal = 0;
  gulong m_realizeHook = 0;
  IdleSource m_idle;
  bool m_active = false;
};

}  // namespace halbrin::platform
