#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/dispatch.h"
#include "platform/jsc/jsc_ptr.h"

namespace halbrin::platform {

class JscEngine;

// A JS object (a plain object, an array, a function) handed to native code:
// an automation object whose members are the object's properties. The
// default member (DISPID_VALUE) calls a function. Names match exactly, or
// else without regard to letter case among the object's own enumerable
// properties. A script exception inside a call is DISP_E_EXCEPTION with the
// error's message (the native calls below raise EScriptError with the whole
// record). Once its engine is gone every call fails with "Can't execute code
// from a freed script" (SCRIPT_E_FREEDSCRIPT) and nothing of the engine is touched.
class TJsObjectDispatch : public IDispatchObject {
 public:
  TJsObjectDispatch(JscEngine& engine, JscValuePtr value);
  ~TJsObjectDispatch() override;

  HResult GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) override;
  HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) override;

  // False once the engine has closed.
  bool IsAlive() const noexcept { return m_engine != nullptr; }
  JscEngine* Engine() const noexcept { return m_engine; }
  // Null once the engine has closed.
  JSCValue* Value() const noexcept { return m_value.Get(); }
  bool IsFunction() const noexcept { return m_isFunction; }
  bool IsArray() const noexcept { return m_isArray; }
  // Whether the member of this id holds a function now.
  bool IsFunctionMember(DispId id);

  // Native calls: raise EScriptError for a script exception and EOleError
  // SCRIPT_E_FREEDSCRIPT once the engine is gone.
  Variant Call(std::span<const Variant> args);
  Variant GetMember(std::string_view name);
  void PutMember(std::string_view name, const Variant& value);
  Variant CallMember(std::string_view name, std::span<const Variant> args);
  // An array's elements at 0..length-1; any other object's enumerable
  // properties' values; in order.
  std::vector<Variant> ElementValues();
  // The enumerable property names.
  std::vector<std::string> PropertyNames();

 private:
  friend class JscEngine;
  void Detach() noexcept;
  void RequireAlive() const;
  DispId IdOf(const std::string& name);
  const std::string* NameOf(DispId id) const;
  std::string FindName(const std::string& name);

  JscEngine* m_engine;
  JscValuePtr m_value;
  bool m_isFunction;
  bool m_isArray;
  // Member names by id - 1.
  std::vector<std::string> m_names;
};

}  // namespace halbrin::platform
