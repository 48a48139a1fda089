#pragma once

// Tells its control each time Showing() turns: its own visibility, a
// parent's, a new parent. The control calls Reparented() from its
// ParentChanged and holds the watch as a member.
//
//   TShowingWatch m_showingWatch{*this, [this](bool showing) { ShowingChanged(showing); }};

#include <functional>
#include <utility>
#include <vector>

#include "platform/controls/control.h"

namespace halbrin::platform {

class TShowingWatch {
 public:
  TShowingWatch(TControl& control, std::function<void(bool showing)> changed);
  ~TShowingWatch();
  TShowingWatch(const TShowingWatch&) = delete;
  TShowingWatch& operator=(const TShowingWatch&) = delete;

  // Showing() as last told.
  bool Showing() const noexcept { return m_showing; }
  // Watches the new parents and tells a change.
  void Reparented();
  // Compares Showing() with what was told last and tells a change.
  void Update();

 private:
  void Watch();
  void Unwatch() noexcept;

  TControl& m_control;
  std::function<void(bool)> m_changed;
  ObserverToken m_ownToken;
  std::vector<std::pair<const TControl*, ObserverToken>> m_parentTokens;  // compared, never followed
  bool m_showing = false;
};

}  // namespace halbrin::platform
