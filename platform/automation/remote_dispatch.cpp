#include "platform/automation/remote_dispatch.h"

namespace halbrin::platform {

TRemoteDispatch::TRemoteDispatch(std::weak_ptr<IRemoteEndpoint> endpoint, std::uint64_t handle,
                                 std::string closedText)
    : m_endpoint(std::move(endpoint)), m_handle(handle), m_closedText(std::move(closedText)) {}

TRemoteDispatch::~TRemoteDispatch() {
  if (auto endpoint = m_endpoint.lock()) endpoint->ProxyGone(m_handle);
}

HResult TRemoteDispatch::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  if (names.size() == 1 && !ids.empty()) {
    auto found = m_ids.find(names[0]);
    if (found != m_ids.end()) {
      ids[0] = found->second;
      return S_OK;
    }
  }
  auto endpoint = m_endpoint.lock();
  if (!endpoint) {
    for (DispId& id : ids) id = DISPID_UNKNOWN;
    return RPC_E_SERVER_DIED_DNE;
  }
  const HResult hr = endpoint->RemoteGetIDsOfNames(m_handle, names, ids);
  if (hr == S_OK && names.size() == 1 && !ids.empty()) m_ids.emplace(names[0], ids[0]);
  return hr;
}

HResult TRemoteDispatch::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result,
                                ExcepInfo* excep) {
  auto endpoint = m_endpoint.lock();
  if (!endpoint) {
    if (result) *result = Variant();
    if (excep) *excep = ExcepInfo{m_closedText, {}, RPC_E_SERVER_DIED_DNE};
    return DISP_E_EXCEPTION;
  }
  return endpoint->RemoteInvoke(m_handle, id, kind, params, result, excep);
}

bool TRemoteDispatch::BelongsTo(const std::weak_ptr<IRemoteEndpoint>& endpoint) const noexcept {
  return !m_endpoint.owner_before(endpoint) && !endpoint.owner_before(m_endpoint);
}

}  // namespace halbrin::platform
