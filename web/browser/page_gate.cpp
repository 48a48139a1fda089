#include "web/browser/page_gate.h"

#include "platform/base/case_fold.h"
#include "web/pages/page_protocol.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::size_t kFrameOpenedArgs = 6;

}  // namespace

HResult TPageGate::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  for (DispId& id : ids) id = DISPID_UNKNOWN;
  if (names.size() != 1 || ids.empty() || !SameText(names[0], pages::kFrameOpenedName)) return DISP_E_UNKNOWNNAME;
  ids[0] = pages::kFrameOpenedId;
  return S_OK;
}

HResult TPageGate::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) {
  if (id != pages::kFrameOpenedId || !(kind & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (params.args.size() != kFrameOpenedArgs || !params.namedIds.empty()) return DISP_E_BADPARAMCOUNT;
  try {
    const auto& a = params.args;
    Variant answer = FrameOpened(static_cast<std::uint64_t>(a[0].ToInt64()), static_cast<std::uint64_t>(a[1].ToInt64()),
                                 a[2].ToBool(), a[3].ToText(), a[4].ToText(), a[5]);
    if (result) *result = std::move(answer);
    return S_OK;
  } catch (...) {
    return ExceptionToHResult(excep, "page gate");
  }
}

Variant TPageGate::FrameOpened(std::uint64_t pageId, std::uint64_t frameId, bool isMain, const std::string& uri,
                               const std::string& followedUri, const Variant& document) {
  // What the frame showed before is gone; for a main frame, so are its subframes.
  std::erase_if(m_grants, [&](const auto& entry) {
    const bool gone = entry.first == frameId || (isMain && entry.second.pageId == pageId);
    if (gone) Revoke(entry.second);
    return gone;
  });
  if (isMain) m_client.DocumentOpened(pageId, document.IsDispatch() ? document.ToDispatch() : nullptr);
  if (!m_client.Grants(uri, followedUri)) return Variant::Null();
  RefPtr<IDispatchObject> external = m_client.External();
  if (!external) return Variant::Null();
  auto grant = MakeRef<TPageGrant>(std::move(external));
  m_grants[frameId] = Grant{pageId, grant};
  return Variant(grant);
}

void TPageGate::Revoke(const Grant& grant) { m_channel.RevokeObject(*grant.object); }

}  // namespace halbrin
