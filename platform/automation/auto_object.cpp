#include "platform/automation/auto_object.h"

namespace halbrin::platform {

HResult TAutoObject::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  for (DispId& id : ids) id = DISPID_UNKNOWN;
  if (names.empty()) return DISP_E_UNKNOWNNAME;
  const MemberDesc* member = m_typeInfo->FindByName(names[0]);
  if (!member) return GetLateBoundIDs(names, ids);
  ids[0] = member->id;
  HResult hr = S_OK;
  for (std::size_t i = 1; i < names.size() && i < ids.size(); ++i) {
    for (std::size_t p = 0; p < member->params.size(); ++p)
      if (SameText(member->params[p].name, names[i])) ids[i] = static_cast<DispId>(p);
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HResult TAutoObject::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) {
  Variant scratch;
  Variant& out = result ? *result : scratch;
  out = Variant();
  try {
    const MemberDesc* member = m_typeInfo->FindById(id);
    if (!member) return InvokeLateBound(id, kind, params, out);

    const bool put = (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    MemberAccess access;
    if (put) {
      if (!(member->kinds & DISPATCH_PROPERTYPUT)) return DISP_E_MEMBERNOTFOUND;
      access = MemberAccess::Put;
    } else if ((kind & DISPATCH_METHOD) && (member->kinds & DISPATCH_METHOD)) {
      access = MemberAccess::Method;
    } else if ((kind & DISPATCH_PROPERTYGET) && (member->kinds & DISPATCH_PROPERTYGET)) {
      access = MemberAccess::Get;
    } else {
      return DISP_E_MEMBERNOTFOUND;
    }

    std::vector<Variant> args = params.args;
    if (access == MemberAccess::Put) {
      // The value is the named DISPID_PROPERTYPUT argument, last.
      if (params.namedIds.size() != 1 || params.namedIds[0] != DISPID_PROPERTYPUT || args.empty())
        return DISP_E_PARAMNOTFOUND;
      Variant value = CoerceArgument(args.back(), member->result);
      args.pop_back();
      CoerceArguments(member->params, args);
      args.push_back(std::move(value));
    } else {
      if (!params.namedIds.empty()) return DISP_E_PARAMNOTFOUND;
      // A plain read of a getter with parameters is no value: a caller that
      // knows no member table (a page across the channel) learns to call it.
      if (kind == DISPATCH_PROPERTYGET && args.empty() && !member->params.empty()) return DISP_E_BADPARAMCOUNT;
      CoerceArguments(member->params, args);
    }
    out = InvokeMember(*member, access, args);
    return S_OK;
  } catch (...) {
    return ExceptionToHResult(excep, ErrorSource());
  }
}

HResult TAutoObject::GetLateBoundIDs(std::span<const std::string>, std::span<DispId>) { return DISP_E_UNKNOWNNAME; }

HResult TAutoObject::InvokeLateBound(DispId, std::uint16_t, DispParams&, Variant&) { return DISP_E_MEMBERNOTFOUND; }

}  // namespace halbrin::platform
