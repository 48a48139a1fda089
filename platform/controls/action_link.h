#pragma once

// The tie between an action and one client (a control, a menu item): the
// link pushes the action's values to the client as they change, and the
// client's click runs the action through it. A client owns its link; the
// action only lists it, and a freed action leaves its links without one.

#include <memory>
#include <string>

#include "platform/controls/action_list.h"

namespace halbrin::platform {

class TControl;
class TActionLink;

// A client's `link` follows `action`: made by `make` on first use, dropped
// for a null action.
template <class Make>
void LinkAction(std::unique_ptr<TActionLink>& link, TCustomAction* action, Make make);

class TActionLink {
 public:
  explicit TActionLink(TComponent& client) : m_client(client) {}
  virtual ~TActionLink();
  TActionLink(const TActionLink&) = delete;
  TActionLink& operator=(const TActionLink&) = delete;

  TComponent& Client() const noexcept { return m_client; }
  TCustomAction* Action() const noexcept { return m_action; }
  // Follows `action` (null: none) and pushes every value of a new action.
  void SetAction(TCustomAction* action);

  // Runs the action with the client as its ActionComponent; false without one.
  bool Execute();
  // The action's Update; false without one.
  bool Update();

  // The action's value `change` to the client.
  void ActionChanged(TActionChange change);
  // Every value to the client.
  void PushAll();

 protected:
  // The client's side; a client takes the values it has.
  virtual void SetCaption(const std::string&) {}
  virtual void SetEnabled(bool) {}
  virtual void SetChecked(bool) {}
  virtual void SetImageIndex(int) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetVisible(bool) {}
  virtual void SetHint(const std::string&) {}
  // The action went (freed); the link has none now.
  virtual void ActionFreed() {}

 private:
  friend class TCustomAction;

  void Detach() noexcept;

  TComponent& m_client;
  TCustomAction* m_action = nullptr;
};

// A control's link: Caption to Text, Enabled, Visible and Hint.
class TControlActionLink : public TActionLink {
 public:
  explicit TControlActionLink(TControl& control);

 protected:
  void SetCaption(const std::string& caption) override;
  void SetEnabled(bool enabled) override;
  void SetVisible(bool visible) override;
  void SetHint(const std::string& hint) override;

 private:
  TControl& m_control;
};

template <class Make>
void LinkAction(std::unique_ptr<TActionLink>& link, TCustomAction* action, Make make) {
  if (!action) {
    link.reset();
    return;
  }
  if (!link) link = make();
  link->SetAction(action);
}

}  // namespace halbrin::platform
