#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

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

// Dialogs the run-time shows. The core reaches every dialog through this
// interface: the GTK layer implements it, tests replace it.
class IDialogService {
 public:
  virtual ~IDialogService() = default;

  // Shows `text` under `caption` with the MB_* style `flags`; returns the
  // IDOK... code of the button chosen, 0 when no box could be shown.
  virtual int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) = 0;
};

// The answer without a display: caption and text go to the stream (standard
// error by default) and the default button is chosen, so nothing ever waits.
class HeadlessDialogService final : public IDialogService {
 public:
  HeadlessDialogService();
  explicit HeadlessDialogService(std::ostream& out);

  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;

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
