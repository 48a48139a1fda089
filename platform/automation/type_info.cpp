#include "platform/automation/type_info.h"

#include "platform/automation/dispatch.h"
#include "platform/base/format.h"

namespace halbrin::platform {

TypeInfo::TypeInfo(std::string name, std::string guid, std::vector<MemberDesc> members)
    : m_name(std::move(name)), m_guid(std::move(guid)), m_members(std::move(members)) {
  Index();
}

TypeInfo::TypeInfo(std::string name, std::string guid, const TypeInfo& base, std::vector<MemberDesc> members)
    : m_name(std::move(name)), m_guid(std::move(guid)), m_members(base.m_members) {
  m_members.insert(m_members.end(), std::make_move_iterator(members.begin()), std::make_move_iterator(members.end()));
  Index();
}

void TypeInfo::Index() {
  for (std::size_t i = 0; i < m_members.size(); ++i) {
    m_byName.try_emplace(m_members[i].name, i);
    m_byId.try_emplace(m_members[i].id, i);
  }
}

const MemberDesc* TypeInfo::FindByName(std::string_view name) const {
  auto it = m_byName.find(name);
  return it == m_byName.end() ? nullptr : &m_members[it->second];
}

const MemberDesc* TypeInfo::FindById(DispId id) const {
  auto it = m_byId.find(id);
  return it == m_byId.end() ? nullptr : &m_members[it->second];
}

Variant DefaultArgument(VarType type) {
  switch (type) {
    case VarType::String: return Variant(std::string());
    case VarType::Boolean: return Variant(false);
    case VarType::I1: case VarType::UI1: case VarType::I2: case VarType::UI2:
    case VarType::I4: case VarType::UI4: case VarType::I8:
      return Variant::OfInteger(type, 0);
    case VarType::R4: return Variant::Single(0);
    case VarType::R8: return Variant(0.0);
    case VarType::Date: return Variant::Date(0);
    case VarType::Currency: return Variant::Currency(0);
    default: return Variant();
  }
}

Variant CoerceArgument(const Variant& value, VarType type) {
  if (type == VarType::Variant || value.Type() == type) return value;
  // A missing optional argument stays missing whatever the declared type.
  if (value.Type() == VarType::Error && value.AsError() == DISP_E_PARAMNOTFOUND) return DefaultArgument(type);
  try {
    if (type == VarType::Dispatch) return Variant(value.ToDispatch());
    return value.ChangeType(type);
  } catch (const Exception& e) {
    throw EOleError(DISP_E_TYPEMISMATCH, e.Message());
  }
}

void CoerceArguments(const std::vector<ParamDesc>& params, std::vector<Variant>& args) {
  if (args.size() > params.size()) throw EOleError(DISP_E_BADPARAMCOUNT, HResultText(DISP_E_BADPARAMCOUNT));
  for (std::size_t i = 0; i < args.size(); ++i) args[i] = CoerceArgument(args[i], params[i].type);
  for (std::size_t i = args.size(); i < params.size(); ++i) args.push_back(DefaultArgument(params[i].type));
}

}  // namespace halbrin::platform
