#include "platform/controls/showing_watch.h"

#include "platform/controls/win_control.h"

namespace halbrin::platform {

namespace {

bool IsVisibility(ControlEvent event) { return event == ControlEvent::Shown || event == ControlEvent::Hidden; }

}  // namespace

TShowingWatch::TShowingWatch(TControl& control, std::function<void(bool)> changed)
    : m_control(control), m_changed(std::move(changed)) {
  m_ownToken = m_control.AddObserver([this](TControl&, ControlEvent event) {
    if (IsVisibility(event)) Update();
  });
}

TShowingWatch::~TShowingWatch() {
  Unwatch();
  m_control.RemoveObserver(m_ownToken);
}

void TShowingWatch::Reparented() {
  Watch();
  Update();
}

void TShowingWatch::Update() {
  if (m_control.IsDestroying()) return;
  const bool showing = m_control.Showing();
  if (showing == m_showing) return;
  m_showing = showing;
  m_changed(showing);
}

void TShowingWatch::Watch() {
  Unwatch();
  const TWeakRef<TComponent> self(&m_control);
  for (TWinControl* parent = m_control.Parent(); parent; parent = parent->Parent()) {
    // A parent we lost track of may outlive the control: the observer checks it is still there.
    const ObserverToken token = parent->AddObserver([this, self](TControl&, ControlEvent event) {
      if (self.Get() && IsVisibility(event)) Update();
    });
    m_parentTokens.emplace_back(parent, token);
  }
}

void TShowingWatch::Unwatch() noexcept {
  // Only parents still reachable are touched: one being destroyed has let go of its children.
  for (TWinControl* parent = m_control.Parent(); parent; parent = parent->Parent())
    for (const auto& [watched, token] : m_parentTokens)
      if (watched == parent) parent->RemoveObserver(token);
  m_parentTokens.clear();
}

}  // namespace halbrin::platform
