#pragma once

#include <gtk/gtk.h>

#include "platform/base/glib_ptr.h"

namespace halbrin::platform {

// Owns a top-level GTK window. GTK itself keeps top-levels alive until they
// are destroyed, so the holder destroys the window when it goes, and keeps a
// reference of its own so the pointer stays valid even after the user (or a
// delete-event) has already destroyed the window.
class WindowHolder {
 public:
  WindowHolder() noexcept = default;
  // Adopts a window made by gtk_window_new; nullptr gives an empty holder.
  explicit WindowHolder(GtkWidget* window);
  ~WindowHolder();

  WindowHolder(WindowHolder&& other) noexcept;
  WindowHolder& operator=(WindowHolder&& other) noexcept;
  WindowHolder(const WindowHolder&) = delete;
  WindowHolder& operator=(const WindowHolder&) = delete;

  // A new, hidden top-level window.
  static WindowHolder CreateTopLevel();

  GtkWidget* Widget() const noexcept { return m_widget.Get(); }
  GtkWindow* Window() const noexcept { return m_widget ? GTK_WINDOW(m_widget.Get()) : nullptr; }
  explicit operator bool() const noexcept { return static_cast<bool>(m_widget); }

  // True once GTK has destroyed the window, whoever asked for it.
  bool IsDestroyed() const noexcept;

  // Destroys the window now and leaves the holder empty.
  void Reset() noexcept;

 private:
  GObjectPtr<GtkWidget> m_widget;
};

}  // namespace halbrin::platform
