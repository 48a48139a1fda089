#pragma once

#include <string>
#include <vector>

namespace halbrin::platform {

// Optional, next to IDispatchObject: what an object whose member table is
// incomplete or missing (a proxy of an object in another process, a wrapped
// component with published members) tells scripts about itself. Without it
// the bridge reads the object's TypeInfo.
class IScriptMemberInfo {
 public:
  // The names for..in lists and that become global names when the object is a
  // named object with its members added.
  virtual std::vector<std::string> ScriptMemberNames() const = 0;
  // True when calling the object itself reaches a member (DISPID_VALUE).
  virtual bool HasDefaultMember() const = 0;

 protected:
  ~IScriptMemberInfo() = default;
};

}  // namespace halbrin::platform
