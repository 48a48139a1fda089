#include "web/browser/page_document.h"

#include <utility>

#include "web/pages/page_protocol.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr const char kNoDocument[] = "The page has no document";

}  // namespace

void TPageDocument::Open(RefPtr<IDispatchObject> document) {
  m_document = std::move(document);
  m_resolved.clear();
  m_memberNames.reset();
}

std::optional<DispId> TPageDocument::DocumentId(DispId ownId) {
  if (auto found = m_resolved.find(ownId); found != m_resolved.end()) return found->second;
  const std::string names[] = {m_names[static_cast<std::size_t>(ownId - 1)]};
  DispId ids[] = {DISPID_UNKNOWN};
  std::optional<DispId> answer;
  if (Succeeded(m_document->GetIDsOfNames(names, ids)) && ids[0] != DISPID_UNKNOWN) answer = ids[0];
  m_resolved.emplace(ownId, answer);
  return answer;
}

HResult TPageDocument::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  for (DispId& id : ids) id = DISPID_UNKNOWN;
  if (names.empty() || ids.empty()) return DISP_E_UNKNOWNNAME;
  // Page script functions take no named arguments.
  if (names.size() > 1 || !m_document) return DISP_E_UNKNOWNNAME;
  auto [found, added] = m_ids.try_emplace(names[0], static_cast<DispId>(m_names.size() + 1));
  if (added) m_names.push_back(names[0]);
  if (!DocumentId(found->second)) return DISP_E_UNKNOWNNAME;
  ids[0] = found->second;
  return S_OK;
}

HResult TPageDocument::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) {
  if (result) *result = Variant();
  if (!m_document) {
    if (excep) *excep = ExcepInfo{kNoDocument, "page document", E_FAIL};
    return DISP_E_EXCEPTION;
  }
  // The document may be replaced while the call runs.
  RefPtr<IDispatchObject> document = m_document;
  // Ids below 1 are the document's own (its default member, its member names).
  if (id < 1) return document->Invoke(id, kind, params, result, excep);
  if (static_cast<std::size_t>(id) > m_names.size()) return DISP_E_MEMBERNOTFOUND;
  const std::optional<DispId> documentId = DocumentId(id);
  if (!documentId) return DISP_E_MEMBERNOTFOUND;
  return document->Invoke(*documentId, kind, params, result, excep);
}

std::vector<std::string> TPageDocument::ScriptMemberNames() const {
  if (!m_document) return {};
  if (!m_memberNames) {
    std::vector<std::string> names;
    const Variant list = InvokeById(*m_document, pages::kMemberNamesId, DISPATCH_PROPERTYGET);
    for (const Variant& name : list.AsArray().Items()) names.push_back(name.ToText());
    m_memberNames = std::move(names);
  }
  return *m_memberNames;
}

}  // namespace halbrin
