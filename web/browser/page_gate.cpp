#include "web/browser/page_gate.h"

#include "platform/base/case_fold.h"
#include "web/pages/page_protocol.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::size_t kFrameOpenedArgs = 6;
constexpr std::size_t kPageOptionsArgs = 1;
constexpr std::size_t kScriptErrorArgs = 5;
constexpr std::size_t kDocumentEditedArgs = 1;
constexpr std::size_t kReadFileArgs = 3;

std::size_t ArgumentCount(DispId id) {
  switch (id) {
    case pages::kFrameOpenedId: return kFrameOpenedArgs;
    case pages::kPageOptionsId: return kPageOptionsArgs;
    case pages::kScriptErrorId: return kScriptErrorArgs;
    case pages::kDocumentEditedId: return kDocumentEditedArgs;
    case pages::kReadFileId: return kReadFileArgs;
    default: return 0;
  }
}

}  // namespace

HResult TPageGate::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  for (DispId& id : ids) id = DISPID_UNKNOWN;
  if (names.size() != 1 || ids.empty()) return DISP_E_UNKNOWNNAME;
  for (auto [name, id] : {std::pair{pages::kFrameOpenedName, pages::kFrameOpenedId},
                          std::pair{pages::kPageOptionsName, pages::kPageOptionsId},
                          std::pair{pages::kScriptErrorName, pages::kScriptErrorId},
                          std::pair{pages::kDocumentEditedName, pages::kDocumentEditedId},
                          std::pair{pages::kReadFileName, pages::kReadFileId}}) {
    if (!SameText(names[0], name)) continue;
    ids[0] = id;
    return S_OK;
  }
  return DISP_E_UNKNOWNNAME;
}

HResult TPageGate::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) {
  const std::size_t count = ArgumentCount(id);
  if (count == 0 || !(kind & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (params.args.size() != count || !params.namedIds.empty()) return DISP_E_BADPARAMCOUNT;
  try {
    const auto& a = params.args;
    const auto pageId = static_cast<std::uint64_t>(a[0].ToInt64());
    Variant answer;
    if (id == pages::kFrameOpenedId) {
      answer = FrameOpened(pageId, static_cast<std::uint64_t>(a[1].ToInt64()), a[2].ToBool(), a[3].ToText(),
                           a[4].ToText(), a[5]);
    } else if (id == pages::kPageOptionsId) {
      const PageOptions options = m_client.Options(pageId);
      answer = Variant(VariantArray(std::vector<Variant>{Variant(static_cast<std::int64_t>(options.downloadFlags)),
                                                         Variant(options.headers)}));
    } else if (id == pages::kDocumentEditedId) {
      m_client.DocumentEdited(pageId);
    } else if (id == pages::kReadFileId) {
      // The first argument is the frame's id.
      answer = ReadFile(pageId, a[1].ToText(), a[2].ToText());
    } else {
      answer = Variant(m_client.ScriptError(pageId, PageScriptError{a[1].ToText(), a[2].ToText(), a[3].ToInt64(),
                                                                    a[4].ToInt64()}));
    }
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
  if (!m_client.Grants(uri, followedUri)) {
    if (isMain) m_client.MainDocumentRefused(pageId, uri);
    return Variant::Null();
  }
  RefPtr<IDispatchObject> external = m_client.External();
  if (!external) return Variant::Null();
  auto grant = MakeRef<TPageGrant>(std::move(external));
  m_grants[frameId] = Grant{pageId, grant};
  return Variant(grant);
}

Variant TPageGate::ReadFile(std::uint64_t frameId, const std::string& uri, const std::string& charset) {
  std::optional<std::string> text;
  if (m_grants.contains(frameId)) text = m_client.ReadFile(uri, charset);
  if (text) return Variant(std::move(*text));
  if (m_refusedReads.insert(uri).second) m_client.ReadRefused(frameId, uri);
  return Variant::Null();
}

void TPageGate::Revoke(const Grant& grant) { m_channel.RevokeObject(*grant.object); }

}  // namespace halbrin
