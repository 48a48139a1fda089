#include "platform/services/dialog_service.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "platform/base/case_fold.h"

namespace halbrin::platform {

MessageBoxStyle MessageBoxStyle::Decode(std::uint32_t flags) noexcept {
  MessageBoxStyle style;
  style.buttons = flags & 0xF;
  switch (flags & 0xF0) {
    case MB_ICONHAND: style.icon = MessageBoxIcon::Stop; break;
    case MB_ICONQUESTION: style.icon = MessageBoxIcon::Question; break;
    case MB_ICONEXCLAMATION: style.icon = MessageBoxIcon::Warning; break;
    case MB_ICONASTERISK: style.icon = MessageBoxIcon::Information; break;
    default: style.icon = MessageBoxIcon::None; break;
  }
  style.defaultButton = static_cast<int>((flags >> 8) & 0x3);
  // Both mode bits together name no mode of their own; the stricter one wins.
  if (flags & MB_TASKMODAL)
    style.modality = MessageBoxModality::Task;
  else if (flags & MB_SYSTEMMODAL)
    style.modality = MessageBoxModality::System;
  style.help = (flags & MB_HELP) != 0;
  style.setForeground = (flags & MB_SETFOREGROUND) != 0;
  style.topmost = (flags & MB_TOPMOST) != 0;
  style.right = (flags & MB_RIGHT) != 0;
  style.rtlReading = (flags & MB_RTLREADING) != 0;
  return style;
}

std::vector<int> MessageBoxStyle::ButtonResults() const {
  switch (buttons) {
    case MB_OK: return {IDOK};
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {};
  }
}

int MessageBoxStyle::DefaultResult() const {
  const std::vector<int> results = ButtonResults();
  if (results.empty()) return 0;
  const auto index = static_cast<std::size_t>(defaultButton);
  return index < results.size() ? results[index] : results.front();
}

namespace {

void WriteCancelled(std::ostream& out, const std::string& title) {
  out << title << ": no display, cancelled\n";
  out.flush();
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

// True when `path` is `root` or lies below it (both made absolute and lexical).
bool IsBelow(const std::string& path, const std::string& root) {
  const std::string p = std::filesystem::path(path).lexically_normal().string();
  std::string r = std::filesystem::path(root).lexically_normal().string();
  if (!r.empty() && r.back() != '/') r += '/';
  return p == r.substr(0, r.size() - 1) || (p + "/").starts_with(r);
}

}  // namespace

TFolderAccept DecideFolderAccept(const TFolderDialogRequest& request, const std::string& path) {
  const bool exists = request.includeFiles ? std::filesystem::exists(std::filesystem::path(path)) : IsFolder(path);
  if (!exists) return request.validate ? TFolderAccept::ValidateFailed : TFolderAccept::Stay;
  if (IsFolder(request.root) && !IsBelow(path, request.root)) return TFolderAccept::Stay;
  return TFolderAccept::Accept;
}

TFileDialogResult IDialogService::RunFileDialog(const TFileDialogRequest& request, IFileDialogEvents&) {
  WriteCancelled(std::cerr, request.title);
  return {};
}

TFontDialogResult IDialogService::RunFontDialog(const TFontDialogRequest& request, IFontDialogEvents&) {
  WriteCancelled(std::cerr, request.title);
  return {};
}

TFolderDialogResult IDialogService::RunFolderDialog(const TFolderDialogRequest& request, IFolderDialogEvents&) {
  WriteCancelled(std::cerr, request.title);
  return {};
}

TFileDialogResult HeadlessDialogService::RunFileDialog(const TFileDialogRequest& request, IFileDialogEvents&) {
  WriteCancelled(m_out, request.title);
  return {};
}

TFontDialogResult HeadlessDialogService::RunFontDialog(const TFontDialogRequest& request, IFontDialogEvents&) {
  WriteCancelled(m_out, request.title);
  return {};
}

TFolderDialogResult HeadlessDialogService::RunFolderDialog(const TFolderDialogRequest& request, IFolderDialogEvents&) {
  WriteCancelled(m_out, request.title);
  return {};
}

HeadlessDialogService::HeadlessDialogService() : m_out(std::cerr) {}

HeadlessDialogService::HeadlessDialogService(std::ostream& out) : m_out(out) {}

int HeadlessDialogService::MessageBox(const std::string& text, const std::string& caption,
                                      std::uint32_t flags) {
  if (caption.empty())
    m_out << text << '\n';
  else
    m_out << caption << ": " << text << '\n';
  m_out.flush();
  return MessageBoxStyle::Decode(flags).DefaultResult();
}

namespace {

// The installed service; null means the headless default.
std::atomic<IDialogService*>& InstalledService() {
  static std::atomic<IDialogService*> service{nullptr};
  return service;
}

IDialogService& DefaultService() {
  static HeadlessDialogService service;
  return service;
}

}  // namespace

IDialogService& CurrentDialogService() {
  IDialogService* service = InstalledService().load();
  return service ? *service : DefaultService();
}

ScopedDialogService::ScopedDialogService(IDialogService& service) noexcept
    : m_previous(InstalledService().exchange(&service)) {}

ScopedDialogService::~ScopedDialogService() { InstalledService().store(m_previous); }

bool HeadlessDialogsForced() {
  const char* value = std::getenv("HALBRIN_HEADLESS_DIALOGS");
  if (!value) return false;
  const std::string_view text = value;
  return text == "1" || SameText(text, "true") || SameText(text, "yes") || SameText(text, "on");
}

}  // namespace halbrin::platform
