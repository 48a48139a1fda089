#include "platform/controls/frame.h"

#include <algorithm>

#include "platform/classes/class_builder.h"

namespace halbrin::platform {

HALBRIN_DEFINE_CLASS(TFrame,
                     .Property("BorderWidth", &TFrame::BorderWidth, &TFrame::SetBorderWidth)
                     .TypeName("TBorderWidth")
                     .Default(Variant(0))
                     .Property("Caption", &TFrame::Caption, &TFrame::SetCaption)
                     .TypeName("TCaption")
                     .Stored(false)
                     .Property("ClientHeight", &TFrame::ClientHeight, &TFrame::SetClientHeight)
                     .Stored(false)
                     .Property("ClientWidth", &TFrame::ClientWidth, &TFrame::SetClientWidth)
                     .Stored(false)
                     .Property("Cursor", &TFrame::Cursor, &TFrame::SetCursor)
                     .TypeName("TCursor")
                     .Default(Variant(0))
                     .Event("OnEnter", &TFrame::m_onEnter, "TNotifyEvent")
                     .Event("OnExit", &TFrame::m_onExit, "TNotifyEvent")
                     .Event("OnResize", &TFrame::m_onResize, "TNotifyEvent"))

TFrame::TFrame(TComponent* owner) : TWinControl(owner) {
  AddObserver([this](TControl& control, ControlEvent event) { Observe(control, event); });
}

TFrame::~TFrame() { UnwatchParents(); }

void TFrame::SetBorderWidth(int value) {
  value = std::max(value, 0);
  if (value == m_borderWidth) return;
  m_borderWidth = value;
  Realign();
  Invalidate();
}

TRect TFrame::ClientRect() const {
  const TRect inner = TWinControl::ClientRect();
  const int right = std::max(inner.Right - m_borderWidth, m_borderWidth);
  const int bottom = std::max(inner.Bottom - m_borderWidth, m_borderWidth);
  return {m_borderWidth, m_borderWidth, right, bottom};
}

void TFrame::SetClientWidth(int value) {
  const TRect& m = NonClientMargins();
  SetWidth(std::max(value, 0) + m.Left + m.Right + 2 * m_borderWidth);
}

void TFrame::SetClientHeight(int value) {
  const TRect& m = NonClientMargins();
  SetHeight(std::max(value, 0) + m.Top + m.Bottom + 2 * m_borderWidth);
}

void TFrame::ParentChanged() {
  TWinControl::ParentChanged();
  WatchParents();
  UpdateShowing();
}

void TFrame::Observe(TControl& control, ControlEvent event) {
  if (&control != this) {
    // A parent's visibility turns ours.
    if (event == ControlEvent::Shown || event == ControlEvent::Hidden) UpdateShowing();
    return;
  }
  switch (event) {
    case ControlEvent::Shown:
    case ControlEvent::Hidden: UpdateShowing(); break;
    case ControlEvent::Resized: Resize(); break;
    case ControlEvent::FocusEntered: DoEnter(); break;
    case ControlEvent::FocusExited: DoExit(); break;
    default: break;
  }
}

void TFrame::WatchParents() {
  UnwatchParents();
  const TWeakRef<TFrame> self(this);
  for (TWinControl* parent = Parent(); parent; parent = parent->Parent()) {
    // A parent we lost track of (re-parented higher up) may outlive us: the
    // observer checks that we are still there.
    const ObserverToken token = parent->AddObserver([self](TControl& control, ControlEvent event) {
      if (TFrame* frame = self.Get()) frame->Observe(control, event);
    });
    m_parentTokens.emplace_back(parent, token);
  }
}

void TFrame::UnwatchParents() noexcept {
  // Only parents still reachable are touched: one being destroyed has let go
  // of its children already.
  for (TWinControl* parent = Parent(); parent; parent = parent->Parent())
    for (const auto& [watched, token] : m_parentTokens)
      if (watched == parent) parent->RemoveObserver(token);
  m_parentTokens.clear();
}

void TFrame::UpdateShowing() {
  if (IsDestroying()) return;
  const bool showing = Showing();
  if (showing == m_showing) return;
  m_showing = showing;
  ShowingChanged();
}

}  // namespace halbrin::platform
