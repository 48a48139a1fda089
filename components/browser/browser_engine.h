#pragma once

// What a browser host asks of the web view behind it, and what the view
// reports back. TWebKitBrowserEngine is the real one (a WebKitWebView); tests
// put a recording fake behind the host. No toolkit types appear here.

#include <cstdint>
#include <functional>
#include <string>

namespace halbrin {

// The view settings the host's option sets come down to.
struct TBrowserSettings {
  bool autoLoadImages = true;
  bool enableMedia = true;
  // False stops the page's own scripts (<script>, handlers); the client's
  // bridge into the page keeps working.
  bool javascriptMarkup = true;
  // Pages may open windows of their own ("create" is answered).
  bool openNewWindows = false;
  // Loads and reloads skip the cache.
  bool bypassCache = false;
  // Added to every page ("" for none).
  std::string userStyleSheet;

  friend bool operator==(const TBrowserSettings&, const TBrowserSettings&) = default;
};

enum class TScriptDialogKind : std::uint8_t { Alert, Confirm, Prompt, BeforeUnload };

// A page's alert, confirm, prompt or leave-page question. Whoever answers it
// sets `confirmed` (OK / leave) and, for a prompt, `text`.
struct TScriptDialog {
  TScriptDialogKind kind = TScriptDialogKind::Alert;
  std::string message;
  std::string text;  // a prompt's default text in, the answer out
  bool confirmed = false;
};

enum TPageOrientation : std::uint8_t { kPortrait, kLandscape };

// Paper layout for printing, margins in millimetres.
struct TPageLayout {
  TPageOrientation orientation = kPortrait;
  double left = 0, top = 0, right = 0, bottom = 0;

  friend bool operator==(const TPageLayout&, const TPageLayout&) = default;
};

// A print job: to a PDF file without asking (outputFile set) or through the
// print dialog.
struct TPrintJob {
  TPageLayout layout;
  std::string outputFile;
};

enum class TLoadEvent : std::uint8_t { Started, Redirected, Committed, Finished };

// A navigation the view is about to make; `ignore` cancels it.
struct TNavigationPolicy {
  std::string uri;
  bool reload = false;
  bool newWindow = false;
  bool ignore = false;
};

struct TContextMenuRequest {
  int x = 0, y = 0;
  bool control = false;   // Ctrl held
  bool editable = false;  // over an editable node
};

struct TKeyRequest {
  unsigned keyval = 0;
  unsigned modifiers = 0;  // GDK modifier bits
};

// What the view tells its host. Each answer is synchronous.
class IBrowserEngineListener {
 public:
  virtual ~IBrowserEngineListener() = default;
  // True: no menu is shown.
  virtual bool EngineContextMenu(const TContextMenuRequest& request) = 0;
  // True: the key is taken before the page sees it.
  virtual bool EngineKeyPress(const TKeyRequest& request) = 0;
  // True: the host answered the dialog; false: the view shows its own.
  virtual bool EngineScriptDialog(TScriptDialog& dialog) = 0;
  virtual void EngineDecidePolicy(TNavigationPolicy& policy) = 0;
  virtual void EngineLoadChanged(TLoadEvent event, const std::string& uri) = 0;
  virtual void EngineTitleChanged(const std::string& title) = 0;
  virtual void EngineProgressChanged(double progress) = 0;
  virtual void EngineFocusChanged(bool focused) = 0;
  // The page called window.close().
  virtual void EngineCloseRequested() = 0;
  // A main-frame load failed; the view shows its error page next.
  virtual void EngineLoadFailed(const std::string& uri, const std::string& message) {
    static_cast<void>(uri);
    static_cast<void>(message);
  }
};

// Editing commands of the view (WebKit's names).
inline constexpr const char* kEditCopy = "Copy";
inline constexpr const char* kEditSelectAll = "SelectAll";

class IBrowserEngine {
 public:
  virtual ~IBrowserEngine() = default;

  virtual void SetListener(IBrowserEngineListener* listener) = 0;

  virtual void ApplySettings(const TBrowserSettings& settings) = 0;
  // `token` is added after the engine's own user agent ("" keeps it unchanged).
  virtual void SetUserAgentToken(const std::string& token) = 0;
  virtual std::string UserAgent() const = 0;

  // 1.0 is 100 %; `textOnly` scales text alone.
  virtual void SetZoom(double level, bool textOnly) = 0;
  virtual double Zoom() const = 0;

  virtual void ExecuteEditingCommand(const std::string& command) = 0;
  // Searches the page; "" ends the search.
  virtual void Find(const std::string& text) = 0;

  virtual void LoadUri(const std::string& uri) = 0;
  virtual void Reload(bool bypassCache) = 0;
  virtual void StopLoading() = 0;
  // Through the view's back/forward list; nothing when there is no entry.
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual std::string Uri() const = 0;
  virtual std::string Title() const = 0;
  virtual double Progress() const = 0;

  // Starts printing; `done` runs once with "" on success or the error's text.
  virtual void Print(const TPrintJob& job, std::function<void(const std::string& error)> done) = 0;
  // Offers the page-setup dialog filled with `layout`; the answer is the
  // layout the user accepted, or `layout` itself when cancelled.
  virtual TPageLayout RunPageSetup(const TPageLayout& layout) = 0;
  // Clears this program's disk and memory caches; `done` runs when finished.
  virtual void ClearCache(std::function<void()> done) = 0;
  // Asks the user for a dialog answer in a dialog titled `caption`.
  virtual void RunScriptDialog(TScriptDialog& dialog, const std::string& caption) = 0;
};

}  // namespace halbrin
