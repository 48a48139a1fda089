#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/eventloop/timer_source.h"
#include "platform/ui/window_holder.h"
#include "skins/core/skin_windows.h"

namespace halbrin::skins {

// The in-place editor: a GtkEntry in an undecorated window over the edited
// item. Enter and focus loss accept, Escape cancels; the window focused
// before the edit gets the focus back. Destroying the editor drops an edit
// still going without telling its handler.
class TGtkSkinItemEditor : public ISkinItemEditor {
 public:
  TGtkSkinItemEditor();
  ~TGtkSkinItemEditor() override;
  TGtkSkinItemEditor(const TGtkSkinItemEditor&) = delete;
  TGtkSkinItemEditor& operator=(const TGtkSkinItemEditor&) = delete;

  void Edit(const TRect& rect, std::string text, const TFontSpec& font, std::weak_ptr<const void> target,
            TItemEditSession::EndHandler onEnd) override;
  void Cancel() override;
  bool Editing() const override { return m_session.Active(); }

  GtkWidget* Window() const noexcept { return m_holder.Widget(); }
  GtkWidget* Entry() const noexcept { return m_entry; }

 private:
  void Ensure();
  void Finish(bool accept);
  void ForgetPreviousFocus() noexcept;
  static void OnActivate(GtkEntry* entry, gpointer self);
  static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
  static gboolean OnFocusOut(GtkWidget* widget, GdkEventFocus* event, gpointer self);

  platform::WindowHolder m_holder;
  GtkWidget* m_entry = nullptr;
  TItemEditSession m_session;
  // Cleared by GTK when that window goes.
  GtkWidget* m_previousFocus = nullptr;
  // Watches the target: its deletion cancels the edit.
  platform::TimerSource m_targetWatch;
};

}  // namespace halbrin::skins
