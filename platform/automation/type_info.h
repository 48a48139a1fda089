#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/automation/dispatch_object.h"
#include "platform/base/case_fold.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {

struct ParamDesc {
  std::string name;
  // Arguments are coerced to this kind; VarType::Variant takes any value and
  // VarType::Dispatch an object (or Empty/Null for none).
  VarType type = VarType::Variant;
};

// One member of an interface. A property with a getter and a setter is one
// member with both kinds: the getter takes `params`, the setter takes `params`
// and then the value, of the result type.
struct MemberDesc {
  std::string name;
  DispId id = 0;
  std::uint16_t kinds = DISPATCH_METHOD;  // InvokeKind bits the member answers
  std::vector<ParamDesc> params;
  VarType result = VarType::Empty;  // Empty: no result
};

// The static member table of one interface of a type library: names, dispatch
// ids, parameter and result types. Names are matched without regard to case.
class TypeInfo {
 public:
  TypeInfo(std::string name, std::string guid, std::vector<MemberDesc> members);
  // Extends `base`: its members come first, as an interface derived from another.
  TypeInfo(std::string name, std::string guid, const TypeInfo& base, std::vector<MemberDesc> members);

  const std::string& Name() const noexcept { return m_name; }
  const std::string& Guid() const noexcept { return m_guid; }
  const std::vector<MemberDesc>& Members() const noexcept { return m_members; }
  const MemberDesc* FindByName(std::string_view name) const;
  const MemberDesc* FindById(DispId id) const;

 private:
  void Index();

  std::string m_name;
  std::string m_guid;
  std::vector<MemberDesc> m_members;
  std::unordered_map<std::string, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual> m_byName;
  std::unordered_map<DispId, std::size_t> m_byId;
};

// Fills the arguments of a call through a member table: checks the count
// (DISP_E_BADPARAMCOUNT for too many), fills missing trailing arguments by the
// declared type (Empty, "", 0, false, no object) and coerces each argument
// (DISP_E_TYPEMISMATCH). Raises EOleError.
void CoerceArguments(const std::vector<ParamDesc>& params, std::vector<Variant>& args);
// The value of a missing argument of the given type.
Variant DefaultArgument(VarType type);
// Coerces one value to a declared type; raises EOleError(DISP_E_TYPEMISMATCH).
Variant CoerceArgument(const Variant& value, VarType type);

}  // namespace halbrin::platform
