#pragma once

// Script-visible actions: TActionEx ("action") fires "execute" and "update"
// and runs when `exec` is written; TActionListEx is a form's `actions`, the
// list declared actions are placed in. Its "execute" and "update" come first:
// an integer or Boolean answer is the handled flag, and a handled execute
// keeps the action's own "execute" from firing.
//
//   <actions>
//     <item id="Open" caption="Open..." shortcut:ShortCut="Ctrl+O">
//       <events><event id="onexecute" xml="openFile"/></events>
//     </item>
//   </actions>

#include <span>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"
#include "platform/controls/action_list.h"
#include "platform/variant/variant.h"

namespace halbrin {

class TActionListEx;

class TActionEx : public TScriptEventSourceOf<platform::TCustomAction>,
                  public IComponentType,
                  public IExecutable {
  HALBRIN_CLASS(TActionEx, TScriptEventSourceOf<platform::TCustomAction>)

  // Registers the action with the application (ApplicationHooks()).
  explicit TActionEx(platform::TComponent* owner = nullptr);
  ~TActionEx() override;

  std::string GetTypeName() const override { return "action"; }

  // The list it belongs to when that is a TActionListEx; null otherwise.
  TActionListEx* Actions() const noexcept;

  // IScriptEventSource. The bindings are made on first read; their script,
  // until one is set, is that of the list's bindings (when the action is in
  // a TActionListEx that has them), so a list's actions share its script.
  TScriptEvents* GetEvents() override;
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: any value written runs Execute once; the result is its
  // handled flag. There are no words.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // "execute" with [Name, Checked]; "update" with the Name. Answers are ignored.
  void executeHandler(platform::TObject* sender);
  void updateHandler(platform::TObject* sender);

 private:
  platform::Variant m_execResult = platform::Variant::Null();
};

class TActionListEx : public TScriptEventSourceOf<platform::TCustomActionList>,
                      public IItemCollection,
                      public IExecutable,
                      public IDeclaredItemList {
  HALBRIN_CLASS(TActionListEx, TScriptEventSourceOf<platform::TCustomActionList>)

  // Joins the update cycle (ActionUpdates()) while it lives.
  explicit TActionListEx(platform::TComponent* owner = nullptr);
  ~TActionListEx() override;

  // IItemCollection: clear removes the actions, the last first, and leaves
  // them with their owners.
  void clear() override { Clear(); }
  bool empty() const override { return ActionCount() == 0; }
  void setEmpty(bool value) override {
    if (value) Clear();
  }
  int length() const override { return ActionCount(); }

  // IScriptEventSource.
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: nothing runs; the result is False.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // IDeclaredItemList: a new TActionEx belongs to the list's owner (to the
  // list without one) and is placed in the list.
  platform::TObject* NewItem(const std::string& name) override;
  platform::TObject* ItemAt(int index) const override { return Actions(index); }
  int Count() const override { return ActionCount(); }
  platform::TObject* FindItem(std::string_view name) const override { return FindAction(name); }

  // "execute" with [action's Name, its Checked]; "update" with [action's
  // Name]. An integer or Boolean answer sets handled.
  void executeHandler(platform::TCustomAction* action, bool& handled);
  void updateHandler(platform::TCustomAction* action, bool& handled);

 private:
  platform::Variant m_execResult = platform::Variant::Null();
};

// An integer or Boolean answer as the handled flag; `handled` as it was otherwise.
bool ActionHandledResult(const platform::Variant& result, bool handled) noexcept;

}  // namespace halbrin
