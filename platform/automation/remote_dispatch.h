#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>

#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"

namespace halbrin::platform {

// What a proxy needs of the channel that made it.
class IRemoteEndpoint {
 public:
  virtual HResult RemoteGetIDsOfNames(std::uint64_t handle, std::span<const std::string> names,
                                      std::span<DispId> ids) = 0;
  virtual HResult RemoteInvoke(std::uint64_t handle, DispId id, std::uint16_t kind, DispParams& params,
                               Variant* result, ExcepInfo* excep) = 0;
  // The proxy of `handle` is being destroyed.
  virtual void ProxyGone(std::uint64_t handle) noexcept = 0;

 protected:
  ~IRemoteEndpoint() = default;
};

// A dispatch object of the peer process: GetIDsOfNames and Invoke travel over
// the channel. The channel keeps one proxy per remote object, so identity
// holds on this side too. Holds the channel weakly: once the channel is gone
// every call fails with RPC_E_SERVER_DIED_DNE and `closedText`.
//
// Ids of single names found once are kept: an object's ids do not change
// while it lives, and scripts look the same names up on every call.
class TRemoteDispatch final : public IDispatchObject {
 public:
  TRemoteDispatch(std::weak_ptr<IRemoteEndpoint> endpoint, std::uint64_t handle, std::string closedText);
  ~TRemoteDispatch() override;

  HResult GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) override;
  HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) override;

  // The handle of the object in its owner's table.
  std::uint64_t Handle() const noexcept { return m_handle; }
  // True when this proxy was made by `endpoint` (alive or not).
  bool BelongsTo(const std::weak_ptr<IRemoteEndpoint>& endpoint) const noexcept;

 private:
  std::weak_ptr<IRemoteEndpoint> m_endpoint;
  std::uint64_t m_handle;
  std::string m_closedText;
  std::unordered_map<std::string, DispId, CaseInsensitiveHash, CaseInsensitiveEqual> m_ids;
};

}  // namespace halbrin::platform
