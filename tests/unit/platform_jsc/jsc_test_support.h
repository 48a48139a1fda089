#pragma once

// A small automation object for the bridge tests and an engine fixture.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation/auto_object.h"
#include "platform/jsc/jsc_engine.h"
#include "platform/jsc/jsc_object_dispatch.h"

namespace halbrin::platform::jsc_test {

inline constexpr HResult kHostFailure = static_cast<HResult>(0x80040155);

inline const TypeInfo& GadgetTypeInfo() {
  static const TypeInfo info(
      "IGadget", "{6A1C0F52-0000-4000-8000-00000000A001}",
      {
          {"add", 1, DISPATCH_METHOD, {{"a", VarType::I4}, {"b", VarType::I4}}, VarType::I4},
          {"name", 2, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String},
          {"item", 3, DISPATCH_PROPERTYGET, {{"index", VarType::Variant}}, VarType::String},
          {"fail", 4, DISPATCH_METHOD, {}, VarType::Empty},
          {"child", 5, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"keep", 6, DISPATCH_METHOD, {{"value", VarType::Variant}}, VarType::Empty},
          {"kept", 7, DISPATCH_PROPERTYGET, {}, VarType::Variant},
          {"count", 8, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"folder", 9, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"echo", 10, DISPATCH_METHOD, {{"value", VarType::Variant}}, VarType::Variant},
          {"callKept", 11, DISPATCH_METHOD, {{"value", VarType::Variant}}, VarType::Variant},
      });
  return info;
}

// A gadget whose default member doubles its argument.
inline const TypeInfo& CallableGadgetTypeInfo() {
  static const TypeInfo info("ICallableGadget", "{6A1C0F52-0000-4000-8000-00000000A002}", GadgetTypeInfo(),
                             {{"value", DISPID_VALUE, DISPATCH_METHOD, {{"x", VarType::I4}}, VarType::I4}});
  return info;
}

class TGadget : public TAutoObject {
 public:
  explicit TGadget(std::string name = "gadget", bool callable = false)
      : TAutoObject(callable ? CallableGadgetTypeInfo() : GadgetTypeInfo()), m_name(std::move(name)) {}

  std::string m_name;
  std::string m_folder = "/projects/demo/";
  Variant m_kept;
  RefPtr<TGadget> m_child;
  int m_calls = 0;

 protected:
  Variant InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) override {
    ++m_calls;
    switch (member.id) {
      case DISPID_VALUE: return Variant(args[0].ToInt() * 2);
      case 1: return Variant(args[0].ToInt() + args[1].ToInt());
      case 2:
        if (access == MemberAccess::Put) m_name = args[0].AsString();
        return Variant(m_name);
      case 3: return Variant(m_name + "[" + args[0].ToText() + "]");
      case 4: throw EOleError(kHostFailure, "The gadget failed");
      case 5:
        if (!m_child) m_child = MakeRef<TGadget>(m_name + ".child");
        return Variant(m_child);
      case 6: m_kept = args[0]; return Variant();
      case 7: return m_kept;
      case 8: return Variant(3);
      case 9: return Variant(m_folder);
      case 10: return args[0];
      case 11: return InvokeById(*m_kept.ToDispatch(), DISPID_VALUE, DISPATCH_METHOD, {args[0]});
    }
    return Variant();
  }
};

// One virtual machine and one engine per test.
class JscEngineTest : public ::testing::Test {
 protected:
  JscVirtualMachine m_vm;
  JscEngine m_engine{m_vm};

  Variant Eval(std::string_view code) { return m_engine.Evaluate(code); }

  // The text of `code`'s value, or "threw: <message>" when it throws.
  std::string Outcome(std::string_view code) {
    try {
      Variant value = m_engine.Evaluate(code);
      if (value.IsBool()) return value.AsBool() ? "true" : "false";
      return value.ToText();
    } catch (const EScriptError& e) {
      return "threw: " + e.Info().message;
    }
  }

  // The error `code` raises; fails the test when it raises none.
  ScriptErrorInfo ErrorOf(std::string_view code, std::string_view uri = {}) {
    try {
      m_engine.Evaluate(code, uri);
    } catch (const EScriptError& e) {
      return e.Info();
    }
    ADD_FAILURE() << "no error from: " << code;
    return {};
  }
};

}  // namespace halbrin::platform::jsc_test
