#pragma once

// The class library's actions, display-free: an action holds what its
// clients show (caption, enabled and checked state, image, shortcut,
// visibility, hint) and runs one chain when executed; an action list groups
// actions without owning them and may handle their execute and update first.
// Clients (controls, menu items) follow an action through a TActionLink.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/classes/method.h"

namespace halbrin::platform {

class TActionLink;
class TCustomActionList;
class TCustomImageList;

// A key with its modifiers, as the class library codes it (0 = none).
using TShortCut = std::uint16_t;

// What an action's change concerns: its links push that value to their client.
enum class TActionChange : std::uint8_t { Caption, Enabled, Checked, ImageIndex, ShortCut, Visible, Hint };

class TCustomAction : public TComponent {
  HALBRIN_CLASS(TCustomAction, TComponent)

  explicit TCustomAction(TComponent* owner = nullptr);
  // Leaves its list and tells its links, which then have no action.
  ~TCustomAction() override;

  TCustomActionList* ActionList() const noexcept { return m_actionList; }
  // Leaves the previous list first; null leaves it only.
  void SetActionList(TCustomActionList* list);
  // The position in its list; -1 without one.
  int Index() const;

  const std::string& Caption() const noexcept { return m_caption; }
  void SetCaption(const std::string& caption);
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool enabled);
  bool Checked() const noexcept { return m_checked; }
  // Checking an action of a group (GroupIndex > 0) unchecks the others of
  // the group in its list.
  void SetChecked(bool checked);
  int ImageIndex() const noexcept { return m_imageIndex; }
  void SetImageIndex(int index);
  TShortCut ShortCut() const noexcept { return m_shortCut; }
  void SetShortCut(TShortCut shortCut);
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool visible);
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& hint);

  // Execute toggles Checked first (a checked action of a group stays checked).
  bool AutoCheck() const noexcept { return m_autoCheck; }
  void SetAutoCheck(bool autoCheck) noexcept { m_autoCheck = autoCheck; }
  int GroupIndex() const noexcept { return m_groupIndex; }
  void SetGroupIndex(int groupIndex);
  const std::string& Category() const noexcept { return m_category; }
  void SetCategory(const std::string& category) { m_category = category; }
  int HelpContext() const noexcept { return m_helpContext; }
  void SetHelpContext(int helpContext) noexcept { m_helpContext = helpContext; }

  // The client whose click runs the action, while it runs; null otherwise.
  TComponent* ActionComponent() const noexcept { return m_actionComponent.Get(); }
  void SetActionComponent(TComponent* component) { m_actionComponent.Reset(component); }

  // True while its list is suspended: nothing executes or updates.
  bool Suspended() const;

  // The chain: nothing while suspended; Update; AutoCheck; then, when the
  // action is enabled, its list's execute handler, and unless that handled
  // it, OnExecute. True when one of the two handled it.
  virtual bool Execute();
  // The list's update handler, and unless that handled it, OnUpdate. True
  // when one of the two handled it.
  virtual bool Update();

  TNotifyEvent m_onExecute;
  TNotifyEvent m_onUpdate;

 private:
  friend class TActionLink;
  friend class TCustomActionList;

  void Changed(TActionChange change);

  TCustomActionList* m_actionList = nullptr;  // told by the list when it goes
  std::vector<TActionLink*> m_links;          // each link unregisters itself
  std::string m_caption;
  bool m_enabled = true;
  bool m_checked = false;
  int m_imageIndex = -1;
  TShortCut m_shortCut = 0;
  bool m_visible = true;
  std::string m_hint;
  bool m_autoCheck = false;
  int m_groupIndex = 0;
  std::string m_category;
  int m_helpContext = 0;
  TWeakRef<TComponent> m_actionComponent;
};

// asSuspended: no action of the list executes or updates;
// asSuspendedEnabled: the same, and every action is enabled when entered.
enum TActionListState : std::uint8_t { asNormal, asSuspended, asSuspendedEnabled };

const TEnumInfo& ActionListStateInfo();

// (Action, var handled)
using TActionEvent = TEvent<TCustomAction*, bool&>;

// The actions placed in it, in the order placed; it never owns them.
class TCustomActionList : public TComponent {
  HALBRIN_CLASS(TCustomActionList, TComponent)

  explicit TCustomActionList(TComponent* owner = nullptr);
  // Its actions stay with their owners, without a list.
  ~TCustomActionList() override;

  int ActionCount() const noexcept { return static_cast<int>(m_actions.size()); }
  // Null out of range.
  TCustomAction* Actions(int index) const;
  // The first action whose Name matches without regard to case; -1 / null when none.
  int IndexOfName(std::string_view name) const;
  TCustomAction* FindAction(std::string_view name) const;
  // Removes every action, the last first; the actions stay with their owners.
  void Clear();

  TActionListState State() const noexcept { return m_state; }
  void SetState(TActionListState state);

  TCustomImageList* Images() const noexcept { return m_images.Get(); }
  void SetImages(TCustomImageList* images);

  // OnExecute / OnUpdate with handled starting false; what they left.
  virtual bool ExecuteAction(TCustomAction& action);
  virtual bool UpdateAction(TCustomAction& action);

  TActionEvent m_onExecute;
  TActionEvent m_onUpdate;

 protected:
  // After an action joined or left the list.
  virtual void ActionsChanged() {}

 private:
  friend class TCustomAction;

  void AddAction(TCustomAction& action);
  void RemoveAction(TCustomAction& action);

  std::vector<TCustomAction*> m_actions;
  TActionListState m_state = asNormal;
  TWeakRef<TCustomImageList> m_images;
};

}  // namespace halbrin::platform
