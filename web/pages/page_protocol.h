#pragma once

// What the client process and the page-process extension agree on. Both sides
// include this header; it holds no code that needs WebKit or GTK.

#include <cstddef>
#include <cstdint>
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

// The client's root object on each page-process connection: the gate. Its only
// member, asked in "window-object-cleared" for every frame:
//   frameOpened(pageId, frameId, isMainFrame, uri, followedUri, document)
//     -> the frame's window.external, or Null
// `followedUri` is, for about:blank and srcdoc frames, the document URI of the
// nearest ancestor that is neither ("" when there is none or it cannot be
// read); `document` is the main frame's document object (Empty for others).
inline constexpr const char* kFrameOpenedName = "frameOpened";
inline constexpr platform::DispId kFrameOpenedId = 1;

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
