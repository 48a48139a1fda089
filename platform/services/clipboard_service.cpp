#include "platform/services/clipboard_service.h"

#include <algorithm>
#include <atomic>

namespace halbrin::platform {

const std::vector<std::string>& ClipboardTextTargets() {
  static const std::vector<std::string> targets{"UTF8_STRING",   "text/plain;charset=utf-8", "STRING", "TEXT",
                                                "COMPOUND_TEXT", "text/plain"};
  return targets;
}

bool IsClipboardTextTarget(std::string_view target) noexcept {
  const auto& targets = ClipboardTextTargets();
  return std::find(targets.begin(), targets.end(), target) != targets.end();
}

bool IsClipboardProtocolTarget(std::string_view target) noexcept {
  return target.empty() || target == "TARGETS" || target == "MULTIPLE" || target == "TIMESTAMP" ||
         target == "SAVE_TARGETS" || target == "DELETE";
}

namespace {

std::vector<TClipboardOffer> WithoutRepeats(std::vector<TClipboardOffer> offers) {
  std::vector<TClipboardOffer> kept;
  for (TClipboardOffer& offer : offers) {
    if (IsClipboardProtocolTarget(offer.target)) continue;
    const bool seen = std::any_of(kept.begin(), kept.end(), [&](const TClipboardOffer& k) { return k.target == offer.target; });
    if (!seen) kept.push_back(std::move(offer));
  }
  return kept;
}

}  // namespace

std::optional<std::vector<std::string>> TProcessClipboard::Targets(int) {
  std::vector<std::string> targets;
  for (const TClipboardOffer& offer : m_offers) targets.push_back(offer.target);
  return targets;
}

TClipboardRead TProcessClipboard::Read(const std::string& target, int) {
  for (const TClipboardOffer& offer : m_offers)
    if (offer.target == target) return {TClipboardReadStatus::Data, offer.bytes};
  return {};
}

void TProcessClipboard::Offer(std::vector<TClipboardOffer> offers) {
  m_offers = WithoutRepeats(std::move(offers));
  m_owned = true;
}

void TProcessClipboard::OfferNothing() {
  m_offers.clear();
  m_owned = true;
}

void TProcessClipboard::OfferAsOtherOwner(std::vector<TClipboardOffer> offers) {
  m_offers = WithoutRepeats(std::move(offers));
  m_owned = false;
}

namespace {

std::atomic<IClipboardService*>& InstalledService() {
  static std::atomic<IClipboardService*> service{nullptr};
  return service;
}

IClipboardService& DefaultService() {
  static TProcessClipboard service;
  return service;
}

}  // namespace

IClipboardService& CurrentClipboardService() {
  IClipboardService* service = InstalledService().load();
  return service ? *service : DefaultService();
}

ScopedClipboardService::ScopedClipboardService(IClipboardService& service) noexcept
    : m_previous(InstalledService().exchange(&service)) {}

ScopedClipboardService::~ScopedClipboardService() { InstalledService().store(m_previous); }

}  // namespace halbrin::platform
