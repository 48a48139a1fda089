#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace halbrin::platform {

class TControl;

// What a control tells its observers. The new state is read from the control.
enum class ControlEvent {
  Resized,
  Moved,
  Shown,
  Hidden,
  EnabledChanged,
  TextChanged,
  Activated,    // the top-level window became the active one
  Deactivated,
  FocusEntered,  // the control became its top-level's focused control
  FocusExited,
  // A pane was closed by its skin: it is hidden already; listeners (the tool
  // button linked to it, the frame that holds it) react after the hide.
  CloseRequested,
};

std::string_view ControlEventName(ControlEvent event) noexcept;

// Names one attachment; 0 is never handed out.
using ObserverToken = std::uint64_t;

// The observers of one control, called in the order they were attached.
// Observers may attach and detach (themselves or others) while being told:
// one detached during a round is not called later in it, one attached during
// a round is first called in the next. A round ends early when an observer
// destroys the control.
class ControlObserverList {
 public:
  using Observer = std::function<void(TControl& control, ControlEvent event)>;

  ObserverToken Add(Observer observer);
  // False when the token is not (or no longer) attached.
  bool Remove(ObserverToken token);
  bool Contains(ObserverToken token) const;
  std::size_t Size() const noexcept { return m_entries.size(); }

  // Tells every observer; `control` owns this list.
  void Notify(TControl& control, ControlEvent event);

 private:
  struct Entry {
    ObserverToken token;
    std::shared_ptr<const Observer> observer;  // shared so a round survives its removal
  };

  std::vector<Entry> m_entries;
  ObserverToken m_nextToken = 1;
};

}  // namespace halbrin::platform
