#include "platform/automation/dispatch.h"

#include "platform/base/format.h"

namespace halbrin::platform {

std::string HResultText(HResult code) {
  switch (code) {
    case S_OK: return "The operation completed successfully.";
    case E_FAIL: return "Unspecified error";
    case DISP_E_MEMBERNOTFOUND: return "Member not found.";
    case DISP_E_PARAMNOTFOUND: return "Parameter not found.";
    case DISP_E_TYPEMISMATCH: return "Type mismatch.";
    case DISP_E_UNKNOWNNAME: return "Unknown name.";
    case DISP_E_EXCEPTION: return "Exception occurred.";
    case DISP_E_BADINDEX: return "Invalid index.";
    case DISP_E_BADPARAMCOUNT: return "Invalid number of parameters.";
    case RPC_E_DISCONNECTED: return "The remote object has been released.";
    case RPC_E_SERVER_DIED_DNE: return "The connection to the other process is closed.";
    case RPC_E_CALL_REJECTED: return "The call was rejected: calls nest too deeply.";
    case RPC_E_INVALID_DATAPACKET: return "The value cannot be sent to the other process.";
    default: return Format("OLE error %X", {static_cast<std::uint32_t>(code)});
  }
}

HResult ExceptionToHResult(ExcepInfo* excep, std::string_view source) {
  HResult code = DISP_E_EXCEPTION;
  std::string description;
  try {
    throw;
  } catch (const EOleError& e) {
    code = e.Code();
    description = e.Message();
    if (!e.Source().empty()) source = e.Source();
  } catch (const std::exception& e) {
    description = e.what();
  } catch (...) {
    description = "Unknown exception";
  }
  if (excep) {
    excep->code = code;
    excep->description = description;
    excep->source = std::string(source);
  }
  // The dispatch codes are returned as they are; any other failure is an exception.
  switch (code) {
    case DISP_E_MEMBERNOTFOUND: case DISP_E_PARAMNOTFOUND: case DISP_E_TYPEMISMATCH:
    case DISP_E_UNKNOWNNAME: case DISP_E_BADINDEX: case DISP_E_BADPARAMCOUNT:
      return code;
    default:
      return DISP_E_EXCEPTION;
  }
}

namespace {

[[noreturn]] void ThrowFailure(HResult hr, const ExcepInfo& excep, const std::string& name) {
  if (hr == DISP_E_EXCEPTION) throw EOleError(excep.code ? excep.code : hr, excep.description, excep.source);
  if (!excep.description.empty()) throw EOleError(hr, excep.description, excep.source);
  std::string text = HResultText(hr);
  if (!name.empty()) text += " (" + name + ")";
  throw EOleError(hr, text);
}

}  // namespace

DispId GetDispId(IDispatchObject& object, const std::string& name) {
  DispId id = DISPID_UNKNOWN;
  HResult hr = object.GetIDsOfNames(std::span<const std::string>(&name, 1), std::span<DispId>(&id, 1));
  if (Failed(hr)) ThrowFailure(hr, {}, name);
  return id;
}

Variant InvokeById(IDispatchObject& object, DispId id, std::uint16_t kind, std::vector<Variant> args) {
  DispParams params{std::move(args), {}};
  if (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) params.namedIds.push_back(DISPID_PROPERTYPUT);
  Variant result;
  ExcepInfo excep;
  HResult hr = object.Invoke(id, kind, params, &result, &excep);
  if (Failed(hr)) ThrowFailure(hr, excep, {});
  return result;
}

Variant GetProperty(IDispatchObject& object, const std::string& name) {
  return InvokeById(object, GetDispId(object, name), DISPATCH_PROPERTYGET);
}

void PutProperty(IDispatchObject& object, const std::string& name, Variant value) {
  std::vector<Variant> args;
  args.push_back(std::move(value));
  InvokeById(object, GetDispId(object, name), DISPATCH_PROPERTYPUT, std::move(args));
}

Variant CallMethod(IDispatchObject& object, const std::string& name, std::vector<Variant> args) {
  return InvokeById(object, GetDispId(object, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
}

}  // namespace halbrin::platform
