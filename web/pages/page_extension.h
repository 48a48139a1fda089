#pragma once

#include <webkit2/webkit-web-extension.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/automation/call_channel.h"
#include "platform/base/glib_ptr.h"
#include "platform/jsc/jsc_engine.h"
#include "web/pages/page_binding.h"
#include "web/pages/page_membrane.h"

namespace halbrin::pages {

// The extension inside one page process: the channel to the client, the
// client's gate, and one engine over each frame's script context.
//
// For every frame whose window object is cleared (a new document) it asks the
// gate once, synchronously, and sets `window.external` to what the client
// answers (nothing when it answers Null), before the document's own scripts
// run. The main frame's document goes to the client in the same call, so the
// client's scripts can reach the live page.
//
// Each page's document requests (its main frame's and its frames') ask the
// client for the view's options first and are cancelled or get the extra
// headers; a context menu carries a handle of the node under the pointer;
// main and granted frames report uncaught script errors and their "input"
// and "change" events to the client; granted frames get the binding module.
// Main thread only.
class PageExtension {
 public:
  // Connects to the client's socket and sends the token; raises EOSError when
  // the client cannot be reached.
  PageExtension(WebKitWebExtension* extension, const std::string& socketPath, const std::string& token);
  PageExtension(const PageExtension&) = delete;
  PageExtension& operator=(const PageExtension&) = delete;
  ~PageExtension();

 private:
  struct FrameScripts {
    std::uint64_t pageId = 0;
    std::unique_ptr<platform::JscEngine> engine;
  };

  void WindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame);
  void PageCreated(WebKitWebPage* page);
  void PageGone(std::uint64_t pageId);
  bool SendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse* redirected);
  void ContextMenu(WebKitWebPage* page, WebKitContextMenu* menu, WebKitWebHitTestResult* hit);
  void ListenForErrors(platform::JscEngine& engine, std::uint64_t pageId);
  bool ScriptError(std::uint64_t pageId, const char* message, const char* url, int line, int column);
  // Tells the gate of each "input" and "change" event of the frame.
  void ListenForEdits(platform::JscEngine& engine, std::uint64_t pageId);
  void DocumentEdited(std::uint64_t pageId);
  // A granted frame's file through the gate: its text or Null.
  platform::Variant ReadFile(std::uint64_t frameId, const std::string& uri, const std::string& charset);

  static void OnWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                                    gpointer self);
  static void OnPageCreated(WebKitWebExtension* extension, WebKitWebPage* page, gpointer self);
  static void OnPageFinalized(gpointer data, GObject* page);
  static gboolean OnSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse* redirected,
                                gpointer watch);
  static gboolean OnContextMenu(WebKitWebPage* page, WebKitContextMenu* menu, WebKitWebHitTestResult* hit,
                                gpointer watch);

  // A page the extension watches until it is finalised.
  struct PageWatch {
    PageExtension* self;
    std::uint64_t pageId;
    WebKitWebPage* page;  // weak
  };

  platform::GObjectPtr<WebKitWebExtension> m_extension;
  std::unique_ptr<platform::CallChannel> m_channel;
  platform::RefPtr<platform::IDispatchObject> m_gate;
  std::shared_ptr<PageMembrane> m_membrane = std::make_shared<PageMembrane>();
  std::unique_ptr<platform::JscVirtualMachine> m_vm;
  // The engines of main and granted frames, by frame id.
  std::unordered_map<std::uint64_t, FrameScripts> m_frames;
  // The binding module of granted frames (over the engines above).
  PageBinding m_binding;
  std::unordered_map<std::uint64_t, std::unique_ptr<PageWatch>> m_pages;
  gulong m_clearedHandler = 0;
  gulong m_pageHandler = 0;
  std::uint64_t m_lastContextNode = 0;
};

}  // namespace halbrin::pages
