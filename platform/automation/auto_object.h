#pragma once

#include <span>
#include <string>

#include "platform/automation/dispatch.h"
#include "platform/automation/type_info.h"

namespace halbrin::platform {

// Which side of a member a call reaches.
enum class MemberAccess { Method, Get, Put };

// An automation object described by a static member table. Invoke finds the
// member, picks method/get/put from the invoke kind, checks and coerces the
// arguments, and calls InvokeMember; exceptions become DISP_E_EXCEPTION with
// the exception's message. Missing trailing arguments take their defaults,
// except that a getter with parameters read plainly (property get, no
// arguments) answers DISP_E_BADPARAMCOUNT.
class TAutoObject : public IDispatchObject {
 public:
  explicit TAutoObject(const TypeInfo& typeInfo) : m_typeInfo(&typeInfo) {}

  HResult GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) override;
  HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) override;
  const TypeInfo* GetTypeInfo() const override { return m_typeInfo; }

 protected:
  // `args` holds exactly member.params (and for Put the value last), coerced.
  virtual Variant InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) = 0;

  // Called for ids the table does not know, so subclasses can add late-bound
  // members; the defaults answer DISP_E_UNKNOWNNAME and DISP_E_MEMBERNOTFOUND.
  virtual HResult GetLateBoundIDs(std::span<const std::string> names, std::span<DispId> ids);
  virtual HResult InvokeLateBound(DispId id, std::uint16_t kind, DispParams& params, Variant& result);

  // The source written into error information.
  virtual std::string ErrorSource() const { return m_typeInfo->Name(); }

 private:
  const TypeInfo* m_typeInfo;
};

}  // namespace halbrin::platform
