#pragma once

// The internal interfaces through which the XML mapper, the automation
// wrappers and other components reach a component without knowing its class.
// They are found with dynamic_cast and are not reference counted: an
// interface lives as long as the object that implements it.

#include <span>
#include <string>
#include <string_view>

#include "platform/variant/variant.h"

namespace halbrin::platform {
class TComponent;
class TObject;
}

namespace halbrin {

class TScriptEvents;

// The component's type word, as XML declarations name it ("form", "event"...).
class IComponentType {
 public:
  static constexpr std::string_view Iid = "4C9933C5-7080-4C8C-8F96-4FF88C857EEA";

  virtual std::string GetTypeName() const = 0;

 protected:
  ~IComponentType() = default;
};

// A component that fires script events: its bindings and the arguments of the
// event being fired.
class IScriptEventSource {
 public:
  static constexpr std::string_view Iid = "F8E0FA4E-EA25-4D01-B386-92588C1060C1";

  // The bindings, made on first call.
  virtual TScriptEvents* GetEvents() = 0;
  // Copies the given list's `script` and `active` into the own list (made
  // first when needed); the bindings are not copied.
  virtual void SetEvents(TScriptEvents* events) = 0;
  virtual platform::Variant GetEventData() const = 0;
  virtual void SetEventData(const platform::Variant& value) = 0;
  // True once the bindings exist; asking never makes them.
  virtual bool HasEvents() const = 0;
  // Fires the script event `name` ("click", without "on"); Unassigned when
  // nothing ran or the run failed.
  virtual platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                                      platform::TComponent* sender) = 0;

 protected:
  ~IScriptEventSource() = default;
};

// The `exec` verb protocol: write a word, read the result.
class IExecutable {
 public:
  static constexpr std::string_view Iid = "84517871-2CF5-4073-8BC5-7D8855F22E9A";

  virtual platform::Variant GetExec() const = 0;
  virtual void SetExec(const platform::Variant& value) = 0;

 protected:
  ~IExecutable() = default;
};

// A list that may or may not own its items.
class IShareable {
 public:
  static constexpr std::string_view Iid = "6D95976F-6CAC-4CEF-B640-0C7E36359412";

  virtual bool GetShare() const = 0;
  virtual void SetShare(bool share) = 0;

 protected:
  ~IShareable() = default;
};

// One script event binding.
class IScriptEvent {
 public:
  static constexpr std::string_view Iid = "9B61242B-8956-4637-9075-B8D2506CF099";

  virtual std::string GetScript() const = 0;
  virtual void SetScript(const std::string& script) = 0;
  virtual std::string GetXml() const = 0;
  virtual void SetXml(const std::string& xml) = 0;
  virtual platform::Variant GetParameters() const = 0;
  virtual int GetScriptType() const = 0;
  virtual void SetScriptType(int scriptType) = 0;
  // Runs the procedure at once, without the checks of Execute.
  virtual platform::Variant Run() = 0;

 protected:
  ~IScriptEvent() = default;
};

// A list whose items declarations make and find ("item" with "new" adds one,
// "item_" + n addresses one, any other element names one): an action list,
// a tool-button list. The items may belong to someone else.
class IDeclaredItemList {
 public:
  static constexpr std::string_view Iid = "0F5B2C1E-6D0A-4B7E-9C43-2A8E7D51B6F4";

  // A new item in the list, named `name` when it is not empty (an item the
  // list cannot make is null). A name already taken raises and makes nothing.
  virtual platform::TObject* NewItem(const std::string& name) = 0;
  // Null out of range.
  virtual platform::TObject* ItemAt(int index) const = 0;
  virtual int Count() const = 0;
  // The first item of that name, without regard to case; null when none.
  virtual platform::TObject* FindItem(std::string_view name) const = 0;

 protected:
  ~IDeclaredItemList() = default;
};

}  // namespace halbrin
