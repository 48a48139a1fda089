#pragma once

#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"
#include "platform/jsc/script_member_info.h"

namespace halbrin {

// The document of one web view as the client's scripts hold it: a stable
// automation object in front of whichever document the view shows now (a
// proxy of the page's DOM in the page process).
//
// The ids it hands out are its own and hold across documents; each name is
// looked up in the page once per document, and so is a name the document
// lacks, so an unresolved global name of a script costs no round trip after
// the first. Without a document every call fails with "The page has no
// document".
class TPageDocument final : public platform::IDispatchObject, public platform::IScriptMemberInfo {
 public:
  // A new document of the view (null: none); what was learnt of the old one goes.
  void Open(platform::RefPtr<platform::IDispatchObject> document);
  platform::IDispatchObject* Current() const noexcept { return m_document.Get(); }

  platform::HResult GetIDsOfNames(std::span<const std::string> names, std::span<platform::DispId> ids) override;
  platform::HResult Invoke(platform::DispId id, std::uint16_t kind, platform::DispParams& params,
                           platform::Variant* result, platform::ExcepInfo* excep) override;

  std::vector<std::string> ScriptMemberNames() const override;
  bool HasDefaultMember() const override { return false; }

 private:
  // The document's id of one of this object's names; nullopt when it lacks it.
  std::optional<platform::DispId> DocumentId(platform::DispId ownId);

  platform::RefPtr<platform::IDispatchObject> m_document;
  // Own ids from 1, by name and by id - 1.
  std::unordered_map<std::string, platform::DispId, platform::CaseInsensitiveHash, platform::CaseInsensitiveEqual>
      m_ids;
  std::vector<std::string> m_names;
  // Per document: own id -> the document's id, or nullopt for a name it lacks.
  std::unordered_map<platform::DispId, std::optional<platform::DispId>> m_resolved;
  mutable std::optional<std::vector<std::string>> m_memberNames;
};

}  // namespace halbrin
