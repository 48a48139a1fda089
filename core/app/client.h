#pragma once

// The client object: the named object "client" of every script engine (its
// members are global names too) and the root from which scripts reach the
// project, its components, the command line and the program's information.
// Members that reach into the project answer nothing until the project is
// loaded (state 2 to 4; runScript 3 to 4).

#include "platform/automation/auto_object.h"

namespace halbrin {

class TClient final : public platform::TAutoObject {
 public:
  TClient();

  // newId: 0 a braced GUID, 1 its 32 hex digits, 2 its bytes as 16 letters
  // and digits, 3 those upper-cased in four groups of four, 4 an 8-letter word.
  static std::string NewId(int flags);
  // getInfo: Empty for a content that is no text, Null for an unknown key.
  static platform::Variant GetInfo(const platform::Variant& content);
  // The information document: one record of the product, the project and the system.
  static std::string InformationXml();

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;
};

// The command line as `IProjectAttributes`: positions from 1 (the program
// path is not counted), names are the switch names, items the switch values.
class TClientParameters final : public platform::TAutoObject {
 public:
  TClientParameters();

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;
};

// The process's client object, made on first use; ReleaseClient drops it.
platform::RefPtr<TClient> GetClient();
void ReleaseClient();

}  // namespace halbrin
