#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/services/clipboard_service.h"

typedef struct _GtkClipboard GtkClipboard;

namespace halbrin::platform {

// The desktop clipboard (GDK_SELECTION_CLIPBOARD) through GtkClipboard.
// Reads wait in a nested loop of the main context for at most the time-out,
// so timers and windows keep being served; a late answer is dropped. Offered
// bytes live in a holder GTK frees when another owner takes over, so they
// outlive whoever offered them. Main thread only, after InitGtk().
class GtkClipboardService final : public IClipboardService {
 public:
  GtkClipboardService();
  // While the process owns the clipboard, hands its data to a clipboard
  // manager (gtk_clipboard_store), so it stays after the program ends.
  ~GtkClipboardService() override;
  GtkClipboardService(const GtkClipboardService&) = delete;
  GtkClipboardService& operator=(const GtkClipboardService&) = delete;

  std::optional<std::vector<std::string>> Targets(int timeoutMs) override;
  TClipboardRead Read(const std::string& target, int timeoutMs) override;
  void Offer(std::vector<TClipboardOffer> offers) override;
  void OfferNothing() override;
  bool OwnsClipboard() const override { return m_current != nullptr; }

  struct Holder;

 private:
  GtkClipboard* m_clipboard;
  // The holder of the current offer; GTK clears it when the ownership goes.
  Holder* m_current = nullptr;
};

// Installs a GtkClipboardService as the current clipboard service for the
// life of the object when a display is there; otherwise the in-process store
// stays. The program holds one for its run.
class GtkClipboardServiceScope {
 public:
  GtkClipboardServiceScope();
  GtkClipboardServiceScope(const GtkClipboardServiceScope&) = delete;
  GtkClipboardServiceScope& operator=(const GtkClipboardServiceScope&) = delete;
  ~GtkClipboardServiceScope();

  bool Installed() const noexcept { return m_scope != nullptr; }

 private:
  std::unique_ptr<GtkClipboardService> m_service;
  std::unique_ptr<ScopedClipboardService> m_scope;
};

}  // namespace halbrin::platform
