#include "platform/controls/action_list.h"

#include <algorithm>

#include "platform/base/case_fold.h"
#include "platform/controls/action_link.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

// --- TCustomAction ---------------------------------------------------------

HALBRIN_DEFINE_CLASS(TCustomAction,
                     .Property("AutoCheck", &TCustomAction::AutoCheck, &TCustomAction::SetAutoCheck)
                     .Default(Variant(false))
                     .Property("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption)
                     .TypeName("TCaption")
                     .Property("Category", &TCustomAction::Category, &TCustomAction::SetCategory)
                     .Property("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked)
                     .Default(Variant(false))
                     .Property("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled)
                     .Default(Variant(true))
                     .Property("GroupIndex", &TCustomAction::GroupIndex, &TCustomAction::SetGroupIndex)
                     .Default(Variant(0))
                     .Property("HelpContext", &TCustomAction::HelpContext, &TCustomAction::SetHelpContext)
                     .TypeName("THelpContext")
                     .Default(Variant(0))
                     .Property("Hint", &TCustomAction::Hint, &TCustomAction::SetHint)
                     .Property("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex)
                     .TypeName("TImageIndex")
                     .Default(Variant(-1))
                     .Property("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut)
                     .TypeName("TShortCut")
                     .Default(Variant(0))
                     .Property("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible)
                     .Default(Variant(true))
                     .Event("OnExecute", &TCustomAction::m_onExecute, "TNotifyEvent")
                     .Event("OnUpdate", &TCustomAction::m_onUpdate, "TNotifyEvent"))

TCustomAction::TCustomAction(TComponent* owner) : TComponent(owner) {}

TCustomAction::~TCustomAction() {
  SetActionList(nullptr);
  const std::vector<TActionLink*> links = std::move(m_links);
  for (TActionLink* link : links) link->Detach();
}

void TCustomAction::SetActionList(TCustomActionList* list) {
  if (list == m_actionList) return;
  if (TCustomActionList* previous = m_actionList) {
    m_actionList = nullptr;
    previous->RemoveAction(*this);
  }
  if (list) {
    m_actionList = list;
    list->AddAction(*this);
  }
}

int TCustomAction::Index() const {
  if (!m_actionList) return -1;
  const auto& actions = m_actionList->m_actions;
  const auto found = std::find(actions.begin(), actions.end(), this);
  return found == actions.end() ? -1 : static_cast<int>(found - actions.begin());
}

void TCustomAction::SetCaption(const std::string& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  Changed(TActionChange::Caption);
}

void TCustomAction::SetEnabled(bool enabled) {
  if (enabled == m_enabled) return;
  m_enabled = enabled;
  Changed(TActionChange::Enabled);
}

void TCustomAction::SetChecked(bool checked) {
  if (checked == m_checked) return;
  m_checked = checked;
  if (checked && m_groupIndex > 0 && m_actionList) {
    const std::vector<TCustomAction*> others = m_actionList->m_actions;
    for (TCustomAction* other : others)
      if (other != this && other->m_groupIndex == m_groupIndex) other->SetChecked(false);
  }
  Changed(TActionChange::Checked);
}

void TCustomAction::SetImageIndex(int index) {
  if (index == m_imageIndex) return;
  m_imageIndex = index;
  Changed(TActionChange::ImageIndex);
}

void TCustomAction::SetShortCut(TShortCut shortCut) {
  if (shortCut == m_shortCut) return;
  m_shortCut = shortCut;
  Changed(TActionChange::ShortCut);
}

void TCustomAction::SetVisible(bool visible) {
  if (visible == m_visible) return;
  m_visible = visible;
  Changed(TActionChange::Visible);
}

void TCustomAction::SetHint(const std::string& hint) {
  if (hint == m_hint) return;
  m_hint = hint;
  Changed(TActionChange::Hint);
}

void TCustomAction::SetGroupIndex(int groupIndex) {
  if (groupIndex == m_groupIndex) return;
  m_groupIndex = groupIndex;
  // A checked action keeps its new group to itself.
  if (m_checked && m_groupIndex > 0) {
    m_checked = false;
    SetChecked(true);
  }
}

bool TCustomAction::Suspended() const { return m_actionList && m_actionList->State() != asNormal; }

bool TCustomAction::Execute() {
  if (Suspended()) return false;
  Update();
  if (m_autoCheck && (!m_checked || m_groupIndex == 0)) SetChecked(!m_checked);
  if (!m_enabled) return false;
  if (m_actionList && m_actionList->ExecuteAction(*this)) return true;
  if (!m_onExecute.Assigned()) return false;
  m_onExecute(this);
  return true;
}

bool TCustomAction::Update() {
  if (Suspended()) return false;
  if (m_actionList && m_actionList->UpdateAction(*this)) return true;
  if (!m_onUpdate.Assigned()) return false;
  m_onUpdate(this);
  return true;
}

void TCustomAction::Changed(TActionChange change) {
  // A client told of the change may drop its link meanwhile.
  const std::vector<TActionLink*> links = m_links;
  for (TActionLink* link : links)
    if (std::find(m_links.begin(), m_links.end(), link) != m_links.end()) link->ActionChanged(change);
}

// --- TCustomActionList -----------------------------------------------------

const TEnumInfo& ActionListStateInfo() {
  static const TEnumInfo info("TActionListState", {"asNormal", "asSuspended", "asSuspendedEnabled"});
  return info;
}

HALBRIN_DEFINE_CLASS(TCustomActionList,
                     .Property("Images", &TCustomActionList::Images, &TCustomActionList::SetImages)
                     .Enum("State", &TCustomActionList::State, &TCustomActionList::SetState, ActionListStateInfo())
                     .Default(Variant(0))
                     .Event("OnExecute", &TCustomActionList::m_onExecute, "TActionEvent")
                     .Event("OnUpdate", &TCustomActionList::m_onUpdate, "TActionEvent"))

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {}

TCustomActionList::~TCustomActionList() {
  for (TCustomAction* action : m_actions) action->m_actionList = nullptr;
  m_actions.clear();
}

TCustomAction* TCustomActionList::Actions(int index) const {
  return index >= 0 && index < ActionCount() ? m_actions[static_cast<std::size_t>(index)] : nullptr;
}

int TCustomActionList::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < m_actions.size(); ++i)
    if (SameText(m_actions[i]->Name(), name)) return static_cast<int>(i);
  return -1;
}

TCustomAction* TCustomActionList::FindAction(std::string_view name) const { return Actions(IndexOfName(name)); }

void TCustomActionList::Clear() {
  while (!m_actions.empty()) m_actions.back()->SetActionList(nullptr);
}

void TCustomActionList::SetState(TActionListState state) {
  if (state == m_state) return;
  m_state = state;
  if (state == asSuspendedEnabled) {
    const std::vector<TCustomAction*> actions = m_actions;
    for (TCustomAction* action : actions) action->SetEnabled(true);
  }
}

void TCustomActionList::SetImages(TCustomImageList* images) { m_images.Reset(images); }

bool TCustomActionList::ExecuteAction(TCustomAction& action) {
  bool handled = false;
  if (m_onExecute.Assigned()) m_onExecute(&action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TCustomAction& action) {
  bool handled = false;
  if (m_onUpdate.Assigned()) m_onUpdate(&action, handled);
  return handled;
}

void TCustomActionList::AddAction(TCustomAction& action) {
  m_actions.push_back(&action);
  ActionsChanged();
}

void TCustomActionList::RemoveAction(TCustomAction& action) {
  const auto found = std::find(m_actions.begin(), m_actions.end(), &action);
  if (found == m_actions.end()) return;
  m_actions.erase(found);
  ActionsChanged();
}

}  // namespace halbrin::platform
