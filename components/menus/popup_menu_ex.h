#pragma once

// The script-visible popup menu: TPopupMenuEx ("menu") over the class
// library's TPopupMenu. Its items are TMenuItemEx; `visible` true (or the
// exec word "popup") pops it up at the pointer, and "popup" fires before it
// shows, so a handler may still change the items.

#include <span>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"
#include "platform/graphics/popup_menu.h"
#include "platform/variant/variant.h"

namespace halbrin {

class TMenuItemEx;

class TPopupMenuEx : public TScriptEventSourceOf<platform::TPopupMenu>,
                     public IItemCollection,
                     public IComponentType,
                     public IExecutable,
                     public IDeclaredItemList {
  HALBRIN_CLASS(TPopupMenuEx, TScriptEventSourceOf<platform::TPopupMenu>)

  // Registers the menu with the application (ApplicationHooks()).
  explicit TPopupMenuEx(platform::TComponent* owner = nullptr);
  ~TPopupMenuEx() override;

  std::string GetTypeName() const override { return "menu"; }

  const platform::Variant& Data() const noexcept { return m_data; }
  void SetData(const platform::Variant& data) { m_data = data; }

  // True pops the menu up at the pointer (the screen's origin when the
  // pointer is not known); false does nothing. Reads whether it is open.
  bool Visible() const noexcept { return IsOpen(); }
  void SetVisible(bool visible);

  // Appends a separator ("-") at the top level.
  TMenuItemEx& AddLine();

  // IItemCollection over the top level: clear frees every item.
  void clear() override { Items().Clear(); }
  bool empty() const override { return Items().Count() == 0; }
  void setEmpty(bool value) override {
    if (value) clear();
  }
  int length() const override { return Items().Count(); }

  // IScriptEventSource.
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: "popup" (as visible := true), "clear", "addline"; letter
  // case ignored. True for these, false for any other word.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // IDeclaredItemList over the top level; FindItem searches the whole tree
  // depth first.
  platform::TObject* NewItem(const std::string& name) override;
  platform::TObject* ItemAt(int index) const override;
  int Count() const override { return Items().Count(); }
  platform::TObject* FindItem(std::string_view name) const override;

  // "popup" with [Name, data]; the answer is ignored.
  void popupHandler(platform::TObject* sender);

 private:
  platform::Variant m_execResult = platform::Variant::Null();
  platform::Variant m_data = platform::Variant::Null();
};

}  // namespace halbrin
