#include "components/clipboard/clipboard_ex.h"

#include <algorithm>

#include "components/clipboard/clipboard_data.h"
#include "core/foundation/project_encoding.h"
#include "core/framework/component_types.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TClipboardFormat,
                     .Property("handle", &TClipboardFormat::Handle)
                     .Stored(false)
                     .Property("selected", &TClipboardFormat::Selected, &TClipboardFormat::SetSelected)
                     .Property("data", &TClipboardFormat::Data, &TClipboardFormat::SetData)
                     .Property("formats", &TClipboardFormat::Formats)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TClipboardFormats,
                     .Property("clipboard", &TClipboardFormats::Clipboard)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TCustomClipboardEx,
                     .Property("active", &TCustomClipboardEx::Active)
                     .Stored(false)
                     .Property("autoClear", &TCustomClipboardEx::AutoClear, &TCustomClipboardEx::SetAutoClear)
                     .Property("formats", [](const TCustomClipboardEx& self) { return &self.Formats(); },
                               &TCustomClipboardEx::SetFormats)
                     .Owned())

HALBRIN_DEFINE_CLASS(TClipboardEx, )
HALBRIN_DEFINE_CLASS(TApplicationClipboardEx, )

namespace {

[[noreturn]] void ThrowCannotOpen() { throw EClipboard("Cannot open clipboard"); }

bool Has(const std::vector<std::string>& targets, std::string_view target) {
  return std::find(targets.begin(), targets.end(), target) != targets.end();
}

bool HasTextTarget(const std::vector<std::string>& targets) {
  return std::any_of(targets.begin(), targets.end(), [](const std::string& t) { return IsClipboardTextTarget(t); });
}

std::vector<TClipboardOffer> TextOffers(const std::string& utf8) {
  std::vector<TClipboardOffer> offers;
  for (const std::string& target : ClipboardTextTargets()) offers.push_back({target, utf8});
  return offers;
}

// The bytes of a target; nullopt on a time-out, "" when not given.
std::optional<std::string> ReadTarget(IClipboardService& clipboard, const std::string& target) {
  const TClipboardRead read = clipboard.Read(target, kClipboardTimeoutMs);
  if (read.status == TClipboardReadStatus::TimedOut) return std::nullopt;
  return read.status == TClipboardReadStatus::Data ? read.bytes : std::string();
}

// The owner's text, from the first text target it offers in GTK's order.
std::optional<std::string> ReadText(IClipboardService& clipboard, const std::vector<std::string>& targets) {
  for (const std::string& target : ClipboardTextTargets())
    if (Has(targets, target)) {
      std::optional<std::string> bytes = ReadTarget(clipboard, target);
      if (!bytes) return std::nullopt;
      return DecodeClipboardText(*bytes);
    }
  return std::string();
}

}  // namespace

// ---- TClipboardFormat ----

TClipboardFormat::TClipboardFormat() : m_handle(kClipboardTextId) { TCollectionNamedItem::SetName("text"); }

void TClipboardFormat::SetName(const std::string& name) {
  if (SameText(name, Name())) return;
  m_handle = ClipboardFormatId(name);
  m_data.clear();
  TCollectionNamedItem::SetName(name);
}

TClipboardFormats* TClipboardFormat::Formats() const { return dynamic_cast<TClipboardFormats*>(Collection()); }

void TClipboardFormat::Assign(const TPersistent& source) {
  if (const auto* format = dynamic_cast<const TClipboardFormat*>(&source)) {
    SetName(format->Name());
    m_data = format->m_data;
    m_selected = format->m_selected;
    return;
  }
  TCollectionNamedItem::Assign(source);
}

std::vector<TClipboardOffer> TClipboardFormat::Encode() const {
  switch (m_handle) {
    case 0: return {};
    case kClipboardTextId: return TextOffers(m_data);
    case kClipboardAnsiId: {
      const std::string encoding = ProjectEncoding();
      std::vector<TClipboardOffer> offers{{AnsiTextTarget(encoding), EncodeTextLossy(m_data, encoding)}};
      for (TClipboardOffer& offer : TextOffers(ThroughProjectCodePage(m_data))) offers.push_back(std::move(offer));
      return offers;
    }
    case kClipboardHtmlId: return {{std::string(kHtmlTarget), BuildHtmlClipboardDocument(m_data)}};
    case kClipboardFileId: {
      const std::string uris = BuildUriList(m_data);
      if (uris.empty()) return {};
      return {{std::string(kUriListTarget), uris}, {std::string(kGnomeCopiedFilesTarget), BuildGnomeCopiedFiles(m_data)}};
    }
    default: {
      const std::string target = ClipboardCustomTarget(m_handle);
      if (target.empty()) return {};
      return {{target, m_data.substr(0, m_data.find('\0'))}};
    }
  }
}

bool TClipboardFormat::OfferedIn(const std::vector<std::string>& targets) const {
  switch (m_handle) {
    case 0: return false;
    case kClipboardTextId: return HasTextTarget(targets);
    case kClipboardAnsiId: return HasTextTarget(targets) || Has(targets, AnsiTextTarget(ProjectEncoding()));
    case kClipboardHtmlId: return Has(targets, kHtmlTarget);
    case kClipboardFileId: return Has(targets, kUriListTarget) || Has(targets, kGnomeCopiedFilesTarget);
    default: {
      const std::string target = ClipboardCustomTarget(m_handle);
      return !target.empty() && Has(targets, target);
    }
  }
}

std::optional<std::string> TClipboardFormat::Paste(IClipboardService& clipboard,
                                                   const std::vector<std::string>& targets) const {
  std::optional<std::string> bytes;
  switch (m_handle) {
    case 0: return std::string();
    case kClipboardTextId: return ReadText(clipboard, targets);
    case kClipboardAnsiId: {
      if (HasTextTarget(targets)) {
        std::optional<std::string> text = ReadText(clipboard, targets);
        if (!text) return std::nullopt;
        return ThroughProjectCodePage(*text);
      }
      if (!(bytes = ReadTarget(clipboard, AnsiTextTarget(ProjectEncoding())))) return std::nullopt;
      return DecodeCustomClipboardText(*bytes);
    }
    case kClipboardHtmlId:
      if (!(bytes = ReadTarget(clipboard, std::string(kHtmlTarget)))) return std::nullopt;
      return bytes->empty() ? std::string() : DecodeHtmlClipboardText(*bytes);
    case kClipboardFileId: {
      const std::string target(Has(targets, kUriListTarget) ? kUriListTarget : kGnomeCopiedFilesTarget);
      if (!(bytes = ReadTarget(clipboard, target))) return std::nullopt;
      return DecodeFileList(*bytes);
    }
    default: {
      const std::string target = ClipboardCustomTarget(m_handle);
      if (target.empty()) return std::string();
      if (!(bytes = ReadTarget(clipboard, target))) return std::nullopt;
      return DecodeCustomClipboardText(*bytes);
    }
  }
}

// ---- TClipboardFormats ----

TClipboardFormats::TClipboardFormats(TCustomClipboardEx* clipboard)
    : TNamedItemCollection(clipboard, TClipboardFormat::StaticClassInfo(), TCollection::FactoryOf<TClipboardFormat>()) {}

TCustomClipboardEx* TClipboardFormats::Clipboard() const { return dynamic_cast<TCustomClipboardEx*>(Owner()); }

TClipboardFormat& TClipboardFormats::Add(const std::string& name) {
  auto& format = static_cast<TClipboardFormat&>(TNamedItemCollection::Add());
  format.SetName(name);
  return format;
}

// ---- TCustomClipboardEx ----

// Marks the component active for one word; a word while another waits raises.
class TCustomClipboardEx::TOpenGuard {
 public:
  explicit TOpenGuard(TCustomClipboardEx& clipboard) : m_clipboard(clipboard), m_busy(clipboard) {
    if (clipboard.m_active) ThrowCannotOpen();
    clipboard.m_active = true;
  }
  ~TOpenGuard() { m_clipboard.m_active = false; }
  TOpenGuard(const TOpenGuard&) = delete;
  TOpenGuard& operator=(const TOpenGuard&) = delete;

 private:
  TCustomClipboardEx& m_clipboard;
  // A script run from the nested loop may free the component: it goes afterwards.
  TComponent::TBusyGuard m_busy;
};

TCustomClipboardEx::TCustomClipboardEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner), m_formats(std::make_unique<TClipboardFormats>(this)) {}

TCustomClipboardEx::~TCustomClipboardEx() = default;

void TCustomClipboardEx::SetFormats(TClipboardFormats* formats) {
  if (formats && formats != m_formats.get()) m_formats->Assign(*formats);
}

void TCustomClipboardEx::Assign(const TPersistent& source) {
  // The component base knows no assignment and would raise "Cannot assign":
  // a clipboard takes autoClear and the formats.
  if (const auto* clipboard = dynamic_cast<const TCustomClipboardEx*>(&source)) {
    m_autoClear = clipboard->m_autoClear;
    if (clipboard != this) m_formats->Assign(*clipboard->m_formats);
    return;
  }
  Inherited::Assign(source);
}

int TCustomClipboardEx::Copy() {
  const TOpenGuard open(*this);
  IClipboardService& clipboard = CurrentClipboardService();
  const int count = m_formats->Count();
  bool textWritten = false;
  for (int i = 0; i < count; ++i) {
    const TClipboardFormat& format = m_formats->At(i);
    textWritten = textWritten || (format.Selected() && !format.Data().empty() && format.Handle() == kClipboardTextId);
  }

  std::vector<TClipboardOffer> offers;
  int written = 0;
  for (int i = 0; i < count; ++i) {
    const TClipboardFormat& format = m_formats->At(i);
    if (!format.Selected() || format.Data().empty()) continue;
    std::vector<TClipboardOffer> encoded = format.Encode();
    if (encoded.empty()) continue;
    ++written;
    for (TClipboardOffer& offer : encoded) {
      // An "ansi" item beside a "text" item leaves the text targets to it.
      if (textWritten && format.Handle() == kClipboardAnsiId && IsClipboardTextTarget(offer.target)) continue;
      offers.push_back(std::move(offer));
    }
  }

  if (!m_autoClear) {
    // One owner at a time: what the owner offers now is offered again beside ours.
    const std::optional<std::vector<std::string>> targets = clipboard.Targets(kClipboardTimeoutMs);
    if (!targets) ThrowCannotOpen();
    if (written == 0) return 0;
    for (const std::string& target : *targets) {
      if (IsClipboardProtocolTarget(target)) continue;
      if (std::any_of(offers.begin(), offers.end(), [&](const TClipboardOffer& o) { return o.target == target; })) continue;
      const TClipboardRead read = clipboard.Read(target, kClipboardTimeoutMs);
      if (read.status == TClipboardReadStatus::TimedOut) ThrowCannotOpen();
      if (read.status == TClipboardReadStatus::Data) offers.push_back({target, read.bytes});
    }
  }
  if (offers.empty())
    clipboard.OfferNothing();
  else
    clipboard.Offer(std::move(offers));
  return written;
}

int TCustomClipboardEx::Paste() {
  const TOpenGuard open(*this);
  IClipboardService& clipboard = CurrentClipboardService();
  const std::optional<std::vector<std::string>> targets = clipboard.Targets(kClipboardTimeoutMs);
  if (!targets) ThrowCannotOpen();
  int offered = 0;
  for (int i = 0; i < m_formats->Count(); ++i) {
    TClipboardFormat& format = m_formats->At(i);
    const bool available = format.OfferedIn(*targets);
    format.SetSelected(available);
    if (!available) {
      format.SetData("");
      continue;
    }
    ++offered;
    const std::optional<std::string> text = format.Paste(clipboard, *targets);
    if (!text) ThrowCannotOpen();
    format.SetData(*text);
  }
  return offered;
}

int TCustomClipboardEx::Read() {
  const TOpenGuard open(*this);
  IClipboardService& clipboard = CurrentClipboardService();
  const std::optional<std::vector<std::string>> targets = clipboard.Targets(kClipboardTimeoutMs);
  if (!targets) ThrowCannotOpen();
  m_formats->Clear();
  bool text = false;
  bool html = false;
  bool file = false;
  for (const std::string& target : *targets) {
    if (!text && IsClipboardTextTarget(target)) {
      text = true;
      m_formats->Add("text");
      m_formats->Add("ansi");
    } else if (!html && target == kHtmlTarget) {
      html = true;
      m_formats->Add("html");
    } else if (!file && (target == kUriListTarget || target == kGnomeCopiedFilesTarget)) {
      file = true;
      m_formats->Add("file");
    }
  }
  for (int i = 0; i < m_formats->Count(); ++i) {
    TClipboardFormat& format = m_formats->At(i);
    const std::optional<std::string> data = format.Paste(clipboard, *targets);
    if (!data) ThrowCannotOpen();
    format.SetData(*data);
  }
  return m_formats->Count();
}

void TCustomClipboardEx::Clear() {
  const TOpenGuard open(*this);
  CurrentClipboardService().OfferNothing();
}

void TCustomClipboardEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "copy")) {
    ExecResult() = Copy();
  } else if (SameText(word, "paste")) {
    ExecResult() = Paste();
  } else if (SameText(word, "read")) {
    ExecResult() = Read();
  } else if (SameText(word, "clear")) {
    Clear();
  } else if (SameText(word, "selectall") || SameText(word, "deselectall")) {
    if (m_active) ThrowCannotOpen();
    const bool select = SameText(word, "selectall");
    for (int i = 0; i < m_formats->Count(); ++i) m_formats->At(i).SetSelected(select);
    ExecResult() = m_formats->Count();
  } else if (SameText(word, "clearall")) {
    if (m_active) ThrowCannotOpen();
    m_formats->Clear();
  } else {
    Inherited::SetExec(value);
  }
}

void RegisterClipboardComponentTypes() { RegisterComponentClass<TClipboardEx>("clipboard"); }

}  // namespace halbrin
