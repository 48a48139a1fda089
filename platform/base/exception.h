#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace halbrin::platform {

// Root of the system's exceptions. ClassName() is the name written into logs
// ("%s [%s]: %s"), so every family overrides it.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  virtual std::string_view ClassName() const noexcept { return "Exception"; }
  std::string Message() const { return what(); }
  // The call stack of the script that raised it, innermost frame first, one
  // frame a line; empty when there is none. Logs carry it beside the message.
  virtual std::string CallStack() const { return {}; }
};

// Declares an exception class `Name` derived from `Base` whose ClassName() is its own name.
// Base may be a qualified name (platform::Exception).
#define HALBRIN_EXCEPTION(Name, Base)                                      \
  class Name : public Base {                                               \
    using Inherited = Base;                                                \
                                                                           \
   public:                                                                 \
    using Inherited::Inherited;                                            \
    std::string_view ClassName() const noexcept override { return #Name; } \
  }

HALBRIN_EXCEPTION(EConvertError, Exception);
HALBRIN_EXCEPTION(EVariantError, Exception);
HALBRIN_EXCEPTION(EListError, Exception);
HALBRIN_EXCEPTION(EPropertyError, Exception);
HALBRIN_EXCEPTION(EComponentError, Exception);
HALBRIN_EXCEPTION(EObjectFreed, Exception);
// The silent abort: it ends an operation, and the application's handler drops it.
HALBRIN_EXCEPTION(EAbort, Exception);
// An operation the object cannot do in its present state (the class library's name).
HALBRIN_EXCEPTION(EInvalidOperation, Exception);

// File and stream errors of the class library.
HALBRIN_EXCEPTION(EStreamError, Exception);
HALBRIN_EXCEPTION(EFOpenError, EStreamError);    // "Cannot open file \"%s\". %s"
HALBRIN_EXCEPTION(EFCreateError, EStreamError);  // "Cannot create file \"%s\". %s"
HALBRIN_EXCEPTION(EReadError, EStreamError);     // "Stream read error"
HALBRIN_EXCEPTION(EWriteError, EStreamError);    // "Stream write error"

// A failed system call: "System Error: %d\r\n%s" with the error number and its text.
class EOSError : public Exception {
 public:
  EOSError(std::uint32_t errorCode, std::string_view errorText);
  std::string_view ClassName() const noexcept override { return "EOSError"; }
  std::uint32_t ErrorCode() const noexcept { return m_errorCode; }

 private:
  std::uint32_t m_errorCode;
};

}  // namespace halbrin::platform
