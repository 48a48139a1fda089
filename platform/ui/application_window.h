#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>

namespace halbrin::platform {

// The application's main window: what the slot's source answers (the forms
// layer installs one answering its main form's GtkWindow), null without a
// source or a main window. Boxes that find none of our windows active belong
// to it.
GtkWindow* GetApplicationHandle();
// Installs the slot's source; an empty function clears it. Main thread only.
void SetApplicationHandleSource(std::function<GtkWindow*()> source);

// Whether `xid` is an X11 window of this process: one of its top-level GTK
// windows (forms, boxes, pop-ups) or a window inside one (a control's frame);
// false for 0, for other programs' windows and off X11.
bool IsProcessWindow(std::uint64_t xid);

// The X11 id of a realised window's GdkWindow; 0 without one or off X11.
std::uint64_t X11WindowId(GtkWindow* window);

// A time for activation requests: the event being handled's, else the X
// server's now (window managers refuse requests without a recent time).
guint32 ActivationTime(GtkWindow* window);

// The visible top-level of ours that is the active window; null when none is.
GtkWindow* ActiveProcessWindow();

}  // namespace halbrin::platform
