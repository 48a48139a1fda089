#pragma once

#include <utility>
#include <vector>

#include "platform/classes/method.h"
#include "platform/controls/win_control.h"

namespace halbrin::platform {

// The class library's frame: a child container read from no resource. It adds
// a border inside the bounds, a cursor number, the client size as a writable
// pair, the resize/enter/exit notifications, and ShowingChanged, told each
// time Showing() turns (its own visibility, a parent's, a new parent).
class TFrame : public TWinControl {
  HALBRIN_CLASS(TFrame, TWinControl)

  explicit TFrame(TComponent* owner = nullptr);
  ~TFrame() override;

  // Pixels between the non-client margins and the client area on every side;
  // negative values count as 0. Children are laid out inside it.
  int BorderWidth() const noexcept { return m_borderWidth; }
  void SetBorderWidth(int value);
  // The client area inside the margins and the border, in client coordinates:
  // its origin is (BorderWidth, BorderWidth).
  TRect ClientRect() const override;
  // Sizes the frame so that the client area gets that size.
  void SetClientWidth(int value);
  void SetClientHeight(int value);

  const std::string& Caption() const noexcept { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }

  // The cursor number shown over the frame (crDefault 0); kept for the
  // window system, which reads it from the control.
  int Cursor() const noexcept { return m_cursor; }
  void SetCursor(int cursor) noexcept { m_cursor = cursor; }

  // Showing() as last told through ShowingChanged.
  bool ShowingState() const noexcept { return m_showing; }

  TNotifyEvent& OnResize() noexcept { return m_onResize; }
  TNotifyEvent& OnEnter() noexcept { return m_onEnter; }
  TNotifyEvent& OnExit() noexcept { return m_onExit; }

 protected:
  // Showing() changed; ShowingState() holds the new value.
  virtual void ShowingChanged() {}
  virtual void Resize() { m_onResize(this); }
  virtual void DoEnter() { m_onEnter(this); }
  virtual void DoExit() { m_onExit(this); }
  void ParentChanged() override;

 private:
  void Observe(TControl& control, ControlEvent event);
  void WatchParents();
  void UnwatchParents() noexcept;
  void UpdateShowing();

  int m_borderWidth = 0;
  int m_cursor = 0;
  bool m_showing = false;
  std::vector<std::pair<const TControl*, ObserverToken>> m_parentTokens;  // compared, never followed
  TNotifyEvent m_onResize;
  TNotifyEvent m_onEnter;
  TNotifyEvent m_onExit;
};

}  // namespace halbrin::platform
