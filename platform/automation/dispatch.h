#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/automation/dispatch_object.h"
#include "platform/base/exception.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {

inline constexpr DispId DISPID_VALUE = 0;
inline constexpr DispId DISPID_UNKNOWN = -1;
inline constexpr DispId DISPID_PROPERTYPUT = -3;
inline constexpr DispId DISPID_NEWENUM = -4;

inline constexpr HResult S_OK = 0;
inline constexpr HResult S_FALSE = 1;
inline constexpr HResult E_FAIL = static_cast<HResult>(0x80004005);
inline constexpr HResult DISP_E_MEMBERNOTFOUND = static_cast<HResult>(0x80020003);
inline constexpr HResult DISP_E_PARAMNOTFOUND = static_cast<HResult>(0x80020004);
inline constexpr HResult DISP_E_TYPEMISMATCH = static_cast<HResult>(0x80020005);
inline constexpr HResult DISP_E_UNKNOWNNAME = static_cast<HResult>(0x80020006);
inline constexpr HResult DISP_E_EXCEPTION = static_cast<HResult>(0x80020009);
inline constexpr HResult DISP_E_BADINDEX = static_cast<HResult>(0x8002000B);
inline constexpr HResult DISP_E_BADPARAMCOUNT = static_cast<HResult>(0x8002000E);

// Failures of calls that cross to another process.
// The object was revoked or released by its owner.
inline constexpr HResult RPC_E_DISCONNECTED = static_cast<HResult>(0x80010108);
// The other process died or closed the connection.
inline constexpr HResult RPC_E_SERVER_DIED_DNE = static_cast<HResult>(0x80010012);
// The call nests deeper than the channel allows.
inline constexpr HResult RPC_E_CALL_REJECTED = static_cast<HResult>(0x80010001);
// A value could not be marshalled (too large, nested too deeply).
inline constexpr HResult RPC_E_INVALID_DATAPACKET = static_cast<HResult>(0x80010009);

inline bool Succeeded(HResult hr) noexcept { return hr >= 0; }
inline bool Failed(HResult hr) noexcept { return hr < 0; }

// The arguments of one Invoke, in natural order. The last namedIds.size()
// arguments are named, in the order of namedIds.
struct DispParams {
  std::vector<Variant> args;
  std::vector<DispId> namedIds;

  std::size_t PositionalCount() const noexcept { return args.size() - namedIds.size(); }
};

// Error information of a failed Invoke (DISP_E_EXCEPTION).
struct ExcepInfo {
  std::string description;
  std::string source;
  HResult code = 0;
};

// An automation failure as an exception: code and, for DISP_E_EXCEPTION, the
// description of the underlying error.
class EOleError : public Exception {
 public:
  EOleError(HResult code, const std::string& description, std::string source = {})
      : Exception(description), m_code(code), m_source(std::move(source)) {}
  std::string_view ClassName() const noexcept override { return "EOleError"; }
  HResult Code() const noexcept { return m_code; }
  const std::string& Source() const noexcept { return m_source; }

 private:
  HResult m_code;
  std::string m_source;
};

// The standard text of an automation error code ("Unknown name.", ...).
std::string HResultText(HResult code);

// Converts the exception being handled into Invoke's error return: an EOleError
// keeps its code, any other exception becomes DISP_E_EXCEPTION with its message.
// Call only from inside a catch block.
HResult ExceptionToHResult(ExcepInfo* excep, std::string_view source = {});

// Calls from native code; each raises EOleError when the object reports a failure.
DispId GetDispId(IDispatchObject& object, const std::string& name);
Variant InvokeById(IDispatchObject& object, DispId id, std::uint16_t kind, std::vector<Variant> args = {});
Variant GetProperty(IDispatchObject& object, const std::string& name);
void PutProperty(IDispatchObject& object, const std::string& name, Variant value);
Variant CallMethod(IDispatchObject& object, const std::string& name, std::vector<Variant> args = {});

}  // namespace halbrin::platform
