#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/automation/call_channel.h"
#include "platform/automation/dispatch.h"

namespace halbrin {

// What a view asks of the page process for its document requests.
struct PageOptions {
  // Download-control flags (pages::kDownload*); 0 cancels nothing.
  std::uint32_t downloadFlags = 0;
  // "Name: value" lines separated by CR LF, added to each document request.
  std::string headers;
};

// An error no page script caught, as the page reported it.
struct PageScriptError {
  std::string message;
  std::string url;
  std::int64_t line = 0;
  std::int64_t column = 0;
};

// What the gates of all page connections ask of the client.
class IPageClient {
 public:
  // Whether a frame with this document gets window.external.
  virtual bool Grants(const std::string& uri, const std::string& followedUri) = 0;
  // The client's object that granted frames reach as window.external; null for none.
  virtual platform::RefPtr<platform::IDispatchObject> External() = 0;
  // A page's main frame has a new document (a proxy over the connection).
  virtual void DocumentOpened(std::uint64_t pageId, platform::RefPtr<platform::IDispatchObject> document) = 0;
  // A page's new main document was not granted window.external.
  virtual void MainDocumentRefused(std::uint64_t pageId, const std::string& uri) = 0;
  // The options of a page's view.
  virtual PageOptions Options(std::uint64_t pageId) = 0;
  // An uncaught script error of a page's main or granted frame; true lets the
  // page's own error handling go on.
  virtual bool ScriptError(std::uint64_t pageId, const PageScriptError& error) = 0;
  // A page's main or granted frame had an "input" or "change" event.
  virtual void DocumentEdited(std::uint64_t pageId) = 0;
  // The text of a file a granted frame asks for, decoded from `charset`;
  // nothing when the grant rule refuses the URI or the file cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& uri, const std::string& charset) = 0;
  // A page asked for a file and got Null (once per URI and connection).
  virtual void ReadRefused(std::uint64_t frameId, const std::string& uri) = 0;

 protected:
  ~IPageClient() = default;
};

// window.external of one frame: the client's object, reached through a handle
// of its own so the grant can be taken back. Once revoked, the page's calls on
// it fail with "The remote object has been released".
class TPageGrant final : public platform::IDispatchObject {
 public:
  explicit TPageGrant(platform::RefPtr<platform::IDispatchObject> external) : m_external(std::move(external)) {}

  platform::HResult GetIDsOfNames(std::span<const std::string> names, std::span<platform::DispId> ids) override {
    return m_external->GetIDsOfNames(names, ids);
  }
  platform::HResult Invoke(platform::DispId id, std::uint16_t kind, platform::DispParams& params,
                           platform::Variant* result, platform::ExcepInfo* excep) override {
    return m_external->Invoke(id, kind, params, result, excep);
  }

 private:
  platform::RefPtr<platform::IDispatchObject> m_external;
};

// The client's root object on one page-process connection (members in
// web/pages/page_protocol.h). frameOpened(pageId, frameId, isMainFrame, uri,
// followedUri, document) is called by the page extension for every new
// document of a frame: it answers the frame's grant or Null, revokes what the
// frame (and, for a main frame, the page's other frames) held before, and
// hands the main frame's document to the client. pageOptions, scriptError
// and documentEdited pass the page's questions and news on to the client;
// readFile answers only for a frame that holds a grant now.
class TPageGate final : public platform::IDispatchObject {
 public:
  TPageGate(IPageClient& client, platform::CallChannel& channel) : m_client(client), m_channel(channel) {}

  platform::HResult GetIDsOfNames(std::span<const std::string> names, std::span<platform::DispId> ids) override;
  platform::HResult Invoke(platform::DispId id, std::uint16_t kind, platform::DispParams& params,
                           platform::Variant* result, platform::ExcepInfo* excep) override;

  // Frames that hold a grant now.
  std::size_t GrantCount() const noexcept { return m_grants.size(); }

 private:
  struct Grant {
    std::uint64_t pageId;
    platform::RefPtr<TPageGrant> object;
  };

  platform::Variant FrameOpened(std::uint64_t pageId, std::uint64_t frameId, bool isMain, const std::string& uri,
                                const std::string& followedUri, const platform::Variant& document);
  void Revoke(const Grant& grant);
  platform::Variant ReadFile(std::uint64_t frameId, const std::string& uri, const std::string& charset);

  IPageClient& m_client;
  platform::CallChannel& m_channel;
  // By frame id.
  std::unordered_map<std::uint64_t, Grant> m_grants;
  // URIs whose refusal was logged.
  std::unordered_set<std::string> m_refusedReads;
};

}  // namespace halbrin
