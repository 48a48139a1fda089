#include "platform/controls/action_link.h"

#include <algorithm>

#include "platform/controls/control.h"

namespace halbrin::platform {

TActionLink::~TActionLink() { SetAction(nullptr); }

void TActionLink::SetAction(TCustomAction* action) {
  if (action == m_action) return;
  if (m_action) {
    auto& links = m_action->m_links;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  m_action = action;
  if (!action) return;
  action->m_links.push_back(this);
  PushAll();
}

bool TActionLink::Execute() {
  TCustomAction* action = m_action;
  if (!action) return false;
  TWeakRef<TCustomAction> alive(action);
  action->SetActionComponent(&m_client);
  const bool result = action->Execute();
  if (TCustomAction* still = alive.Get()) still->SetActionComponent(nullptr);
  return result;
}

bool TActionLink::Update() { return m_action && m_action->Update(); }

void TActionLink::ActionChanged(TActionChange change) {
  const TCustomAction* action = m_action;
  if (!action) return;
  switch (change) {
    case TActionChange::Caption: SetCaption(action->Caption()); break;
    case TActionChange::Enabled: SetEnabled(action->Enabled()); break;
    case TActionChange::Checked: SetChecked(action->Checked()); break;
    case TActionChange::ImageIndex: SetImageIndex(action->ImageIndex()); break;
    case TActionChange::ShortCut: SetShortCut(action->ShortCut()); break;
    case TActionChange::Visible: SetVisible(action->Visible()); break;
    case TActionChange::Hint: SetHint(action->Hint()); break;
  }
}

void TActionLink::PushAll() {
  for (TActionChange change : {TActionChange::Caption, TActionChange::Enabled, TActionChange::Checked,
                               TActionChange::ImageIndex, TActionChange::ShortCut, TActionChange::Visible,
                               TActionChange::Hint})
    ActionChanged(change);
}

void TActionLink::Detach() noexcept {
  m_action = nullptr;
  ActionFreed();
}

TControlActionLink::TControlActionLink(TControl& control) : TActionLink(control), m_control(control) {}

void TControlActionLink::SetCaption(const std::string& caption) { m_control.SetText(caption); }

void TControlActionLink::SetEnabled(bool enabled) { m_control.SetEnabled(enabled); }

void TControlActionLink::SetVisible(bool visible) { m_control.SetVisible(visible); }

void TControlActionLink::SetHint(const std::string& hint) { m_control.SetHint(hint); }

}  // namespace halbrin::platform
