// A module library as a project would ship one: its objects are the
// program's own automation objects, made through the module entry points.

#include "platform/automation/auto_object.h"

namespace {

using namespace halbrin::platform;

const TypeInfo& EchoTypeInfo() {
  static const TypeInfo info("IEcho", "{6F3C1A52-9D1E-4E51-8C2B-0E5A7D4B3F21}",
                             {{"echo", 1, DISPATCH_METHOD, {{"value", VarType::Variant}}, VarType::Variant},
                              {"classId", 2, DISPATCH_PROPERTYGET, {}, VarType::String}});
  return info;
}

class TEcho final : public TAutoObject {
 public:
  explicit TEcho(std::string classId) : TAutoObject(EchoTypeInfo()), m_classId(std::move(classId)) {}

 protected:
  Variant InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) override {
    return member.id == 1 ? args[0] : Variant(m_classId);
  }

 private:
  std::string m_classId;
};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) extern const int halbrin_module_abi = 1;

__attribute__((visibility("default"))) IDispatchObject* halbrin_module_create(const char* classId) {
  return new TEcho(classId ? classId : "");
}
}
