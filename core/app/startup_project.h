#pragma once

// The project object the start script's "main" receives until the project
// object model exists: the running project's descriptor, read live.

#include <span>

#include "platform/automation/auto_object.h"

namespace halbrin {

// Members with the dispatch ids of IProject where it has them: id 0xC9,
// state 0xCA, script 0xCC, folder 0xCF; name (0xE0) is the "name" line of
// project.info. All read-only.
const platform::TypeInfo& StartupProjectTypeInfo();

class TStartupProject final : public platform::TAutoObject {
 public:
  TStartupProject();

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;
};

}  // namespace halbrin
