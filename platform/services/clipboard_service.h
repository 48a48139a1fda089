#pragma once

// The desktop clipboard as the run-time sees it: a list of named targets, each
// with its bytes, offered by one owner at a time. Text targets carry UTF-8 in
// both directions; the implementation converts to the wire form.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin::platform {

// One target of an offer and its bytes.
struct TClipboardOffer {
  std::string target;
  std::string bytes;

  friend bool operator==(const TClipboardOffer&, const TClipboardOffer&) = default;
};

enum class TClipboardReadStatus { Data, NoData, TimedOut };

struct TClipboardRead {
  TClipboardReadStatus status = TClipboardReadStatus::NoData;
  std::string bytes;
};

// The targets GTK's text targets name, in the order they are offered:
// UTF8_STRING, text/plain;charset=utf-8, STRING, TEXT, COMPOUND_TEXT, text/plain.
const std::vector<std::string>& ClipboardTextTargets();
bool IsClipboardTextTarget(std::string_view target) noexcept;
// TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS, DELETE and the empty name: the
// selection protocol's own targets, never data.
bool IsClipboardProtocolTarget(std::string_view target) noexcept;

class IClipboardService {
 public:
  virtual ~IClipboardService() = default;

  // The targets the owner offers, in its order; empty when nobody owns the
  // clipboard; nullopt when the owner did not answer within `timeoutMs`.
  virtual std::optional<std::vector<std::string>> Targets(int timeoutMs) = 0;
  // The bytes of one target (UTF-8 for a text target); NoData when it is not
  // offered or the owner refused it.
  virtual TClipboardRead Read(const std::string& target, int timeoutMs) = 0;
  // Takes the clipboard with these targets (the first of a repeated target
  // counts). The bytes stay with the service until another owner takes over.
  virtual void Offer(std::vector<TClipboardOffer> offers) = 0;
  // Takes the clipboard with no data.
  virtual void OfferNothing() = 0;
  // True while this process owns the clipboard.
  virtual bool OwnsClipboard() const = 0;
};

// The answer without a display: a store in the process. What is offered is
// what is read, at once; no other program sees it.
class TProcessClipboard final : public IClipboardService {
 public:
  std::optional<std::vector<std::string>> Targets(int timeoutMs) override;
  TClipboardRead Read(const std::string& target, int timeoutMs) override;
  void Offer(std::vector<TClipboardOffer> offers) override;
  void OfferNothing() override;
  bool OwnsClipboard() const override { return m_owned; }

  // Stands for another program taking the clipboard with these targets.
  void OfferAsOtherOwner(std::vector<TClipboardOffer> offers);
  const std::vector<TClipboardOffer>& Offers() const noexcept { return m_offers; }

 private:
  std::vector<TClipboardOffer> m_offers;
  bool m_owned = false;
};

// The process's clipboard: the in-process store until a
// ScopedClipboardService installs another.
IClipboardService& CurrentClipboardService();

// Installs `service` for the life of the object and restores the one before
// it. `service` must outlive the object; installers nest.
class ScopedClipboardService {
 public:
  explicit ScopedClipboardService(IClipboardService& service) noexcept;
  ScopedClipboardService(const ScopedClipboardService&) = delete;
  ScopedClipboardService& operator=(const ScopedClipboardService&) = delete;
  ~ScopedClipboardService();

 private:
  IClipboardService* m_previous;
};

}  // namespace halbrin::platform
