#pragma once

// What the client process and the page-process extension agree on. Both sides
// include this header; it holds no code that needs WebKit or GTK.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/dispatch_object.h"

namespace halbrin::pages {

// The extension's initial data: the path of the client's socket (in a 0700
// folder under $XDG_RUNTIME_DIR), the token the extension sends first, and the
// application folder.
inline constexpr const char* kInitialDataType = "(sss)";

// The extension's folder inside the application folder.
inline constexpr const char* kExtensionFolder = "pages";

// The token is this many bytes of text (hex digits). It is the first thing the
// extension writes on the connection, before any channel message.
inline constexpr std::size_t kTokenLength = 32;

// The client's root object on each page-process connection: the gate. Its
// first member, asked in "window-object-cleared" for every frame:
//   frameOpened(pageId, frameId, isMainFrame, uri, followedUri, document)
//     -> the frame's window.external, or Null
// `followedUri` is, for about:blank and srcdoc frames, the document URI of the
// nearest ancestor that is neither ("" when there is none or it cannot be
// read); `document` is the main frame's document object (Empty for others).
inline constexpr const char* kFrameOpenedName = "frameOpened";
inline constexpr platform::DispId kFrameOpenedId = 1;

// pageOptions(pageId) -> [download flags, extra header lines]: the view's
// options, asked for each document request of the page (main frame and frames).
// The flags are the view's download-control word (kDownload*); the header
// lines are "Name: value" lines separated by CR LF, added to the request.
inline constexpr const char* kPageOptionsName = "pageOptions";
inline constexpr platform::DispId kPageOptionsId = 2;

// scriptError(pageId, message, url, line, column) -> Boolean: an error no
// script of a main or granted frame caught. True lets the page's own error
// handling go on (window.onerror, its listeners, the console); False ends it.
inline constexpr const char* kScriptErrorName = "scriptError";
inline constexpr platform::DispId kScriptErrorId = 3;

// documentEdited(pageId) -> Empty: an "input" or "change" event of a main or
// granted frame (typing, a form field's new value, an editing command).
inline constexpr const char* kDocumentEditedName = "documentEdited";
inline constexpr platform::DispId kDocumentEditedId = 4;

// readFile(frameId, uri, charset) -> the file's text decoded from `charset`,
// or Null: a granted frame's binding module reading its own document's source
// (the raw text its data islands are read from). The client answers only while
// that frame holds a grant and for a URI the grant rule allows.
inline constexpr const char* kReadFileName = "readFile";
inline constexpr platform::DispId kReadFileId = 5;

// Download-control flags that the page process acts on.
inline constexpr std::uint32_t kDownloadNoFrameDownload = 0x1000;
inline constexpr std::uint32_t kDownloadForceOffline = 0x10000000;
inline constexpr std::uint32_t kDownloadOffline = 0x80000000;

// Whether a document request is cancelled under these flags: frames are not
// loaded with kDownloadNoFrameDownload; offline, nothing comes from the
// network (http, https, ftp), local documents still load.
inline bool CancelsDocumentRequest(std::uint32_t flags, bool isFrame, std::string_view uri) {
  if (isFrame && (flags & kDownloadNoFrameDownload)) return true;
  if (!(flags & (kDownloadForceOffline | kDownloadOffline))) return false;
  const std::size_t colon = uri.find(':');
  if (colon == std::string_view::npos) return false;
  std::string scheme;
  for (char c : uri.substr(0, colon)) scheme += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return scheme == "http" || scheme == "https" || scheme == "ftp";
}

// The user data the extension stores on a context menu (a GVariant of this
// type): a handle of the node under the pointer, 0 when there is none the
// client can reach. The node itself is read with kContextNodeId.
inline constexpr const char* kContextMenuDataType = "t";

// A member of every page object the client holds, reached by id only:
// kContextNodeId(handle) -> the node of the page's latest context menu while
// `handle` names it, Null otherwise.
inline constexpr platform::DispId kContextNodeId = -0x10002;

// A member of every page object the client holds, reached by id only: one
// run of the page's binding module.
//   kPageJobId(job, target, settings) -> Empty, or the text of the run's errors
// `job` is "bind", "unbind", "normalize", "updatelinks" or "saveislands";
// `target` the target element or Empty; `settings` a Variant array of
// [name, value] arrays. The job runs in the module of the frame whose document
// is the target's (or the object's own) document; an object of a frame without
// the module (not granted), and a target of no frame of this page process,
// answer DISP_E_MEMBERNOTFOUND. "saveislands"
// answers an array of [name, text] arrays.
inline constexpr platform::DispId kPageJobId = -0x10003;

// A member of every page object the client holds, reached by id only (no name
// resolves to it): the names for..in lists on the object, as a Variant array
// of strings. The client uses it for the member names of a page's document.
inline constexpr platform::DispId kMemberNamesId = -0x10001;

// about:blank (also a frame's first, empty document) and srcdoc frames take the
// decision of the frame they follow; the query and fragment do not matter.
inline bool FollowsParent(std::string_view uri) {
  if (uri.empty()) return true;
  for (std::string_view prefix : {std::string_view("about:blank"), std::string_view("about:srcdoc")}) {
    if (uri.size() < prefix.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < prefix.size() && same; ++i) {
      char c = uri[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == prefix[i];
    }
    if (same && (uri.size() == prefix.size() || uri[prefix.size()] == '?' || uri[prefix.size()] == '#')) return true;
  }
  return false;
}

}  // namespace halbrin::pages
