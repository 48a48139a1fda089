#include "core/app/startup_project.h"

#include "core/app/project_info.h"
#include "core/scripting/script_references.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

enum : DispId { kId = 0xC9, kState = 0xCA, kScript = 0xCC, kFolder = 0xCF, kName = 0xE0 };

}  // namespace

const TypeInfo& StartupProjectTypeInfo() {
  static const TypeInfo info("IProject", "{5724E3C0-880C-4DC7-9C55-CDE05DB4C142}",
                             {
                                 {"id", kId, DISPATCH_PROPERTYGET, {}, VarType::String},
                                 {"state", kState, DISPATCH_PROPERTYGET, {}, VarType::I4},
                                 {"script", kScript, DISPATCH_PROPERTYGET, {}, VarType::String},
                                 {"folder", kFolder, DISPATCH_PROPERTYGET, {}, VarType::String},
                                 {"name", kName, DISPATCH_PROPERTYGET, {}, VarType::String},
                             });
  return info;
}

TStartupProject::TStartupProject() : TAutoObject(StartupProjectTypeInfo()) {}

Variant TStartupProject::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant>) {
  const TProjectInfo& info = ProjectInfo();
  switch (member.id) {
    case kId: return Variant(info.id);
    case kState: return Variant(info.state);
    case kScript: return Variant(ResolveScriptReference(info.script));
    case kFolder: return Variant(info.folder);
    case kName: return Variant(info.name);
    default: return Variant();
  }
}

}  // namespace halbrin
