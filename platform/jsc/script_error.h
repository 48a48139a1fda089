#pragma once

#include <string>

#include "platform/automation/dispatch.h"

namespace halbrin::platform {

// The error scripts get when they use an object of an engine that is gone, and
// its number (the one the original engine gave for it).
inline constexpr HResult SCRIPT_E_FREEDSCRIPT = static_cast<HResult>(0x800A1393);
inline constexpr const char* kFreedScriptMessage = "Can't execute code from a freed script";

// Numbers of the errors the bridge itself raises inside scripts.
inline constexpr HResult SCRIPT_E_NOTSUPPORTED = static_cast<HResult>(0x800A01B6);  // no such member
inline constexpr HResult SCRIPT_E_SUBSCRIPT = static_cast<HResult>(0x800A0009);     // array index
inline constexpr HResult SCRIPT_E_VBARRAYEXPECTED = static_cast<HResult>(0x800A13A5);

inline constexpr const char* kCompilationErrorSource = "JavaScript compilation error";
inline constexpr const char* kRuntimeErrorSource = "JavaScript runtime error";

// What an engine reports about an exception that reached native code.
struct ScriptErrorInfo {
  // The error's name ("SyntaxError", "TypeError"...); empty for a thrown value
  // that is no error object.
  std::string name;
  // The error's message, or the text of a thrown value that is no error object.
  std::string message;
  // Where the error arose: the source URI given with the code (a file path), empty for text.
  std::string sourceUri;
  // 1-based, as the engine reports them; 0 when it does not know (a thrown value
  // that is no error object carries no position). A syntax error's column is
  // where the offending token begins.
  int line = 0;
  int column = 0;
  // The script's call stack where the error arose, innermost frame first, one
  // "function@file:line:column" a line; empty when there is none (syntax errors).
  std::string backtrace;
  // The error's `number` when it has one (errors raised by host objects carry
  // their HRESULT there), else 0.
  HResult number = 0;

  bool IsCompileError() const { return name == "SyntaxError"; }
  // "JavaScript compilation error" for a syntax error, else "JavaScript runtime error".
  const char* Source() const { return IsCompileError() ? kCompilationErrorSource : kRuntimeErrorSource; }
};

// A script's exception in a call from native code, as an automation error:
// the message is the error's description, the code its number (or
// DISP_E_EXCEPTION), and the whole record is kept.
class EScriptError : public EOleError {
 public:
  explicit EScriptError(ScriptErrorInfo info);
  std::string_view ClassName() const noexcept override { return "EScriptError"; }
  std::string CallStack() const override { return m_info.backtrace; }
  const ScriptErrorInfo& Info() const noexcept { return m_info; }

 private:
  ScriptErrorInfo m_info;
};

}  // namespace halbrin::platform
