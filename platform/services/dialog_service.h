#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/graphics/font.h"

namespace halbrin::platform {

// The message-box flag word scripts and the run-time pass, as the Windows
// MB_* constants define it.
// Buttons, the low nibble.
inline constexpr std::uint32_t MB_OK = 0x0;
inline constexpr std::uint32_t MB_OKCANCEL = 0x1;
inline constexpr std::uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr std::uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr std::uint32_t MB_YESNO = 0x4;
inline constexpr std::uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr std::uint32_t MB_CANCELTRYCONTINUE = 0x6;
// Icon.
inline constexpr std::uint32_t MB_ICONHAND = 0x10;
inline constexpr std::uint32_t MB_ICONSTOP = MB_ICONHAND;
inline constexpr std::uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr std::uint32_t MB_ICONQUESTION = 0x20;
inline constexpr std::uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr std::uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr std::uint32_t MB_ICONASTERISK = 0x40;
inline constexpr std::uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button (first to fourth).
inline constexpr std::uint32_t MB_DEFBUTTON1 = 0x000;
inline constexpr std::uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr std::uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr std::uint32_t MB_DEFBUTTON4 = 0x300;
// Modality.
inline constexpr std::uint32_t MB_APPLMODAL = 0x0000;
inline constexpr std::uint32_t MB_SYSTEMMODAL = 0x1000;
inline constexpr std::uint32_t MB_TASKMODAL = 0x2000;
// Further options.
inline constexpr std::uint32_t MB_HELP = 0x4000;
inline constexpr std::uint32_t MB_SETFOREGROUND = 0x10000;
inline constexpr std::uint32_t MB_TOPMOST = 0x40000;
inline constexpr std::uint32_t MB_RIGHT = 0x80000;
inline constexpr std::uint32_t MB_RTLREADING = 0x100000;

// The button a box was closed with.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

enum class MessageBoxIcon { None, Stop, Question, Warning, Information };
enum class MessageBoxModality { Application, System, Task };

// A flag word taken apart. Every implementation of the service decodes the
// same way, so the headless answer and the GTK box agree on the default.
struct MessageBoxStyle {
  // The low nibble; a value above MB_CANCELTRYCONTINUE names no button set.
  std::uint32_t buttons = MB_OK;
  MessageBoxIcon icon = MessageBoxIcon::None;
  // 0 to 3: the first to fourth button.
  int defaultButton = 0;
  MessageBoxModality modality = MessageBoxModality::Application;
  bool help = false;
  bool setForeground = false;
  bool topmost = false;
  bool right = false;
  bool rtlReading = false;

  static MessageBoxStyle Decode(std::uint32_t flags) noexcept;

  // The result codes of the buttons, left to right; empty for an unknown set.
  std::vector<int> ButtonResults() const;
  // The code of the default button: the first button when the default names
  // one beyond the set, 0 for an unknown set (no box can be shown).
  int DefaultResult() const;
};

// ---- File, font and folder dialogs ----

enum class TFileDialogKind { Open, Save };

struct TFileDialogFilter {
  std::string name;
  // ";"-separated Windows masks ("*.htm;*.html"), letter case ignored.
  std::string masks;
};

struct TFileDialogRequest {
  TFileDialogKind kind = TFileDialogKind::Open;
  std::string title;
  // The accept button's label; "" for the toolkit's own.
  std::string okText;
  // The folder shown first; "" for the toolkit's choice.
  std::string initialFolder;
  // A file to preselect (open) or the name to propose (save).
  std::string fileName;
  std::vector<TFileDialogFilter> filters;
  // Whether a file name (without its folder) passes a filter; unset, every
  // file does. The caller supplies the mask rules.
  std::function<bool(const TFileDialogFilter& filter, const std::string& name)> filterMatches;
  // 1-based; out of range means the first.
  int filterIndex = 1;
  // False: only the filter at filterIndex is offered, so the type cannot change.
  bool filterEnabled = true;
  bool multiple = false;
  bool overwritePrompt = false;
  bool showHidden = false;
  // Local folders and URIs added to this dialog's sidebar only.
  std::vector<std::string> shortcutFolders;
  std::vector<std::string> shortcutUris;
  // A Pango font description for the dialog's widgets; "" for the desktop's.
  std::string font;
  // Ask the events' IncludeItem for every file the list would show.
  bool askIncludeItem = false;
};

struct TFileDialogResult {
  bool accepted = false;
  std::vector<std::string> files;
  // 1-based index of the filter chosen.
  int filterIndex = 1;
};

// The open dialog as its events see it: what it shows now.
class IFileDialogControl {
 public:
  virtual std::vector<std::string> CurrentFiles() const = 0;
  virtual std::string CurrentFolder() const = 0;

 protected:
  ~IFileDialogControl() = default;
};

// What a running file dialog tells its caller; every default does nothing
// (or allows).
class IFileDialogEvents {
 public:
  virtual ~IFileDialogEvents() = default;
  // Before the dialog maps: its live view, valid until Closed.
  virtual void Opened(IFileDialogControl&) {}
  virtual void Shown() {}
  virtual void FolderChanged(const std::string&) {}
  virtual void SelectionChanged() {}
  virtual void TypeChanged(int) {}
  // The user accepted these files with this 1-based filter; false keeps the dialog.
  virtual bool CanClose(const std::vector<std::string>&, int) { return true; }
  // False leaves a file out of the list (folders are always listed).
  virtual bool IncludeItem(const std::string&) { return true; }
  virtual void Closed() {}
};

struct TFontDialogRequest {
  std::string title = "Font";
  // Family, points and the bold and italic bits.
  TFontSpec font;
  bool showStyle = true;
  bool showSize = true;
  bool monospaceOnly = false;
  bool applyButton = false;
};

struct TFontDialogResult {
  bool accepted = false;
  TFontSpec font;
};

class IFontDialogEvents {
 public:
  virtual ~IFontDialogEvents() = default;
  virtual void Shown() {}
  // The Apply button, with the font now chosen; the dialog stays.
  virtual void Apply(const TFontSpec&) {}
  virtual void Closed() {}
};

struct TFolderDialogRequest {
  std::string title = "Select Folder";
  std::string startFolder;
  // A folder the answer must lie in; "" for none.
  std::string root;
  std::string okText;
  std::string statusText;
  bool showStatus = false;
  bool createFolders = false;
  // Files are shown and may be chosen.
  bool includeFiles = false;
  // A typed name that is no folder is reported and ends the dialog.
  bool validate = false;
  std::string font;
};

struct TFolderDialogResult {
  bool accepted = false;
  std::string folder;
};

// The open folder dialog, for the events to push into.
class IFolderDialogControl {
 public:
  virtual void SetOkText(const std::string& text) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // An existing folder to select, or to show.
  virtual void SetSelection(const std::string& path) = 0;
  virtual void SetExpanded(const std::string& path) = 0;

 protected:
  ~IFolderDialogControl() = default;
};

class IFolderDialogEvents {
 public:
  virtual ~IFolderDialogEvents() = default;
  // The control stays valid until Closed.
  virtual void Shown(IFolderDialogControl&) {}
  virtual void SelectionChanged(const std::string&) {}
  virtual void ValidateFailed(const std::string&) {}
  virtual void Closed() {}
};

// What an accept of `path` in a folder dialog does: close with it, keep the
// dialog, or (validate) report the text and close without an answer.
enum class TFolderAccept { Accept, Stay, ValidateFailed };
TFolderAccept DecideFolderAccept(const TFolderDialogRequest& request, const std::string& path);

// Dialogs the run-time shows. The core reaches every dialog through this
// interface: the GTK layer implements it, tests replace it.
class IDialogService {
 public:
  virtual ~IDialogService() = default;

  // Shows `text` under `caption` with the MB_* style `flags`; returns the
  // IDOK... code of the button chosen, 0 when no box could be shown.
  virtual int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) = 0;

  // The chooser dialogs, modal, answering when they close. Without an
  // implementation of its own a service answers cancelled with a line
  // "<title>: no display, cancelled" on standard error.
  virtual TFileDialogResult RunFileDialog(const TFileDialogRequest& request, IFileDialogEvents& events);
  virtual TFontDialogResult RunFontDialog(const TFontDialogRequest& request, IFontDialogEvents& events);
  virtual TFolderDialogResult RunFolderDialog(const TFolderDialogRequest& request, IFolderDialogEvents& events);
};

// The answer without a display: caption and text go to the stream (standard
// error by default) and the default button is chosen, so nothing ever waits.
class HeadlessDialogService final : public IDialogService {
 public:
  HeadlessDialogService();
  explicit HeadlessDialogService(std::ostream& out);

  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  // Each writes "<title>: no display, cancelled" to the stream and answers cancelled.
  TFileDialogResult RunFileDialog(const TFileDialogRequest& request, IFileDialogEvents& events) override;
  TFontDialogResult RunFontDialog(const TFontDialogRequest& request, IFontDialogEvents& events) override;
  TFolderDialogResult RunFolderDialog(const TFolderDialogRequest& request, IFolderDialogEvents& events) override;

 private:
  std::ostream& m_out;
};

// The process's dialog service: the headless one until a ScopedDialogService
// installs another.
IDialogService& CurrentDialogService();

// Installs `service` for the life of the object and restores the one before
// it. The GTK layer holds one for the application's life (unless
// HeadlessDialogsForced()); tests hold one around a case. `service` must
// outlive the object. Installers nest; drop them in reverse order.
class ScopedDialogService {
 public:
  explicit ScopedDialogService(IDialogService& service) noexcept;
  ScopedDialogService(const ScopedDialogService&) = delete;
  ScopedDialogService& operator=(const ScopedDialogService&) = delete;
  ~ScopedDialogService();

 private:
  IDialogService* m_previous;
};

// True when HALBRIN_HEADLESS_DIALOGS is set to "1" (or "true", "yes", "on"):
// then boxes take the headless answer even with a display, as tests and CI
// under Xvfb need. Read at each call.
bool HeadlessDialogsForced();

}  // namespace halbrin::platform
