#include "platform/ui/gtk_clipboard_service.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "platform/base/glib_ptr.h"
#include "platform/ui/gtk_init.h"

namespace halbrin::platform {

struct GtkClipboardService::Holder {
  std::vector<TClipboardOffer> offers;
  GtkClipboardService* service = nullptr;
};

namespace {

// One wait for an answer. Shared with the callback, which may come after the
// wait gave up.
struct Answer {
  bool done = false;
  bool timedOut = false;
  std::optional<std::vector<std::string>> targets;
  TClipboardRead read;
};

using AnswerBox = std::shared_ptr<Answer>;

// Iterates the main context until the answer came or the time ran out.
void WaitFor(const AnswerBox& answer, int timeoutMs) {
  auto* timerBox = new AnswerBox(answer);
  const guint timer = g_timeout_add_full(
      G_PRIORITY_DEFAULT, static_cast<guint>(std::max(timeoutMs, 0)),
      [](gpointer data) -> gboolean {
        (*static_cast<AnswerBox*>(data))->timedOut = true;
        return G_SOURCE_REMOVE;
      },
      timerBox, [](gpointer data) { delete static_cast<AnswerBox*>(data); });
  while (!answer->done && !answer->timedOut) g_main_context_iteration(nullptr, TRUE);
  if (!answer->timedOut) g_source_remove(timer);
}

void TargetsReceived(GtkClipboard*, GdkAtom* atoms, gint count, gpointer data) {
  const std::unique_ptr<AnswerBox> box(static_cast<AnswerBox*>(data));
  Answer& answer = **box;
  std::vector<std::string> names;
  for (gint i = 0; atoms && i < count; ++i) {
    const GCharPtr name(gdk_atom_name(atoms[i]));
    if (name && !IsClipboardProtocolTarget(name.get())) names.emplace_back(name.get());
  }
  answer.targets = std::move(names);
  answer.done = true;
}

void ContentsReceived(GtkClipboard*, GtkSelectionData* data, gpointer user) {
  const std::unique_ptr<AnswerBox> box(static_cast<AnswerBox*>(user));
  Answer& answer = **box;
  answer.done = true;
  if (!data || gtk_selection_data_get_length(data) < 0) return;
  const GCharPtr target(gdk_atom_name(gtk_selection_data_get_target(data)));
  if (target && IsClipboardTextTarget(target.get())) {
    // Converts STRING, COMPOUND_TEXT and the rest to UTF-8; null for an
    // unexpected type.
    const GFreePtr<guchar> text(gtk_selection_data_get_text(data));
    if (!text) return;
    answer.read = {TClipboardReadStatus::Data, reinterpret_cast<const char*>(text.get())};
    return;
  }
  const guchar* bytes = gtk_selection_data_get_data(data);
  const gint length = gtk_selection_data_get_length(data);
  answer.read = {TClipboardReadStatus::Data, std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length))};
}

void GetOffer(GtkClipboard*, GtkSelectionData* data, guint info, gpointer user) {
  const auto* holder = static_cast<const GtkClipboardService::Holder*>(user);
  if (info >= holder->offers.size()) return;
  const TClipboardOffer& offer = holder->offers[info];
  if (IsClipboardTextTarget(offer.target)) {
    gtk_selection_data_set_text(data, offer.bytes.data(), static_cast<gint>(offer.bytes.size()));
    return;
  }
  gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8,
                         reinterpret_cast<const guchar*>(offer.bytes.data()), static_cast<gint>(offer.bytes.size()));
}

}  // namespace

GtkClipboardService::GtkClipboardService() : m_clipboard(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD)) {}

GtkClipboardService::~GtkClipboardService() {
  if (m_current) {
    m_current->service = nullptr;
    gtk_clipboard_store(m_clipboard);
  }
}

std::optional<std::vector<std::string>> GtkClipboardService::Targets(int timeoutMs) {
  if (m_current) {
    std::vector<std::string> targets;
    for (const TClipboardOffer& offer : m_current->offers) targets.push_back(offer.target);
    return targets;
  }
  const auto answer = std::make_shared<Answer>();
  gtk_clipboard_request_targets(m_clipboard, TargetsReceived, new AnswerBox(answer));
  WaitFor(answer, timeoutMs);
  if (!answer->done) return std::nullopt;
  return answer->targets.value_or(std::vector<std::string>{});
}

TClipboardRead GtkClipboardService::Read(const std::string& target, int timeoutMs) {
  if (m_current) {
    for (const TClipboardOffer& offer : m_current->offers)
      if (offer.target == target) return {TClipboardReadStatus::Data, offer.bytes};
    return {};
  }
  const auto answer = std::make_shared<Answer>();
  gtk_clipboard_request_contents(m_clipboard, gdk_atom_intern(target.c_str(), FALSE), ContentsReceived,
                                 new AnswerBox(answer));
  WaitFor(answer, timeoutMs);
  if (!answer->done) return {TClipboardReadStatus::TimedOut, {}};
  return answer->read;
}

void GtkClipboardService::Offer(std::vector<TClipboardOffer> offers) {
  auto holder = std::make_unique<Holder>();
  for (TClipboardOffer& offer : offers) {
    if (IsClipboardProtocolTarget(offer.target)) continue;
    bool seen = false;
    for (const TClipboardOffer& kept : holder->offers) seen = seen || kept.target == offer.target;
    if (!seen) holder->offers.push_back(std::move(offer));
  }
  std::vector<GtkTargetEntry> entries;
  for (std::size_t i = 0; i < holder->offers.size(); ++i)
    entries.push_back({const_cast<gchar*>(holder->offers[i].target.c_str()), 0, static_cast<guint>(i)});

  // Setting new data clears the previous holder first (ClearOffer).
  if (m_current) m_current->service = nullptr;
  m_current = nullptr;
  Holder* raw = holder.get();
  if (!gtk_clipboard_set_with_data(m_clipboard, entries.data(), static_cast<guint>(entries.size()), GetOffer,
                                   // GTK's clear callback: the ownership went.
                                   [](GtkClipboard*, gpointer user) {
                                     auto* h = static_cast<Holder*>(user);
                                     if (h->service && h->service->m_current == h) h->service->m_current = nullptr;
                                     delete h;
                                   },
                                   raw))
    return;  // holder freed by the unique_ptr
  holder.release();
  raw->service = this;
  m_current = raw;
  // A clipboard manager may keep every target at exit.
  gtk_clipboard_set_can_store(m_clipboard, nullptr, 0);
}

void GtkClipboardService::OfferNothing() { Offer({}); }

GtkClipboardServiceScope::GtkClipboardServiceScope() {
  if (!InitGtk()) return;
  m_service = std::make_unique<GtkClipboardService>();
  m_scope = std::make_unique<ScopedClipboardService>(*m_service);
}

GtkClipboardServiceScope::~GtkClipboardServiceScope() {
  m_scope.reset();
  m_service.reset();
}

}  // namespace halbrin::platform
