#pragma once

// The script clipboard: a list of named formats, each holding its data as
// text, and exec words that copy the selected formats to the clipboard,
// paste what it offers into them, or read everything it offers.
//
//   <clipboard id="clip"/>
//   clip.formats.item("text").data = "Hello"; clip.exec = "copy";

#include <cstdint>
#include <memory>
#include <string>

#include "core/foundation/named_item_collection.h"
#include "core/framework/executable_component.h"
#include "platform/base/exception.h"
#include "platform/services/clipboard_service.h"

namespace halbrin {

HALBRIN_EXCEPTION(EClipboard, platform::Exception);

// How long a read waits for the clipboard's owner.
inline constexpr int kClipboardTimeoutMs = 1000;

class TClipboardFormats;
class TCustomClipboardEx;

class TClipboardFormat : public TCollectionNamedItem {
  HALBRIN_CLASS(TClipboardFormat, TCollectionNamedItem)

  // "text", handle 13, selected, no data.
  TClipboardFormat();

  // A name equal to the current one (letter case ignored) changes nothing;
  // another sets `handle` by the name and empties `data`.
  void SetName(const std::string& name) override;
  std::uint32_t Handle() const noexcept { return m_handle; }
  bool Selected() const noexcept { return m_selected; }
  void SetSelected(bool selected) noexcept { m_selected = selected; }
  const std::string& Data() const noexcept { return m_data; }
  void SetData(const std::string& data) { m_data = data; }
  TClipboardFormats* Formats() const;

  // From another TClipboardFormat: name (through the setter), data, selected.
  void Assign(const platform::TPersistent& source) override;

  // The targets and bytes a copy of this format offers; empty for handle 0.
  std::vector<platform::TClipboardOffer> Encode() const;
  // True when one of `targets` carries this format.
  bool OfferedIn(const std::vector<std::string>& targets) const;
  // This format's text from the clipboard, given its targets; nullopt when
  // the owner did not answer in time.
  std::optional<std::string> Paste(platform::IClipboardService& clipboard, const std::vector<std::string>& targets) const;

 private:
  std::uint32_t m_handle;
  bool m_selected = true;
  std::string m_data;
};

class TClipboardFormats : public TNamedItemCollection {
  HALBRIN_CLASS(TClipboardFormats, TNamedItemCollection)

  explicit TClipboardFormats(TCustomClipboardEx* clipboard = nullptr);

  TClipboardFormat& At(int index) const { return static_cast<TClipboardFormat&>(*Items(index)); }
  TCustomClipboardEx* Clipboard() const;
  // A new item of that name.
  TClipboardFormat& Add(const std::string& name);
};

class TCustomClipboardEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TCustomClipboardEx, TCustomExecutableComponentEx)

  explicit TCustomClipboardEx(platform::TComponent* owner = nullptr);
  ~TCustomClipboardEx() override;

  // True while a word of this component works on the clipboard.
  bool Active() const noexcept { return m_active; }
  bool AutoClear() const noexcept { return m_autoClear; }
  void SetAutoClear(bool autoClear) noexcept { m_autoClear = autoClear; }
  TClipboardFormats& Formats() const noexcept { return *m_formats; }
  void SetFormats(TClipboardFormats* formats);

  // From another clipboard component: autoClear and the formats; anything
  // else goes to the base.
  void Assign(const platform::TPersistent& source) override;

  // The words, on CurrentClipboardService(). Those that reach the clipboard
  // raise EClipboard "Cannot open clipboard" when the owner does not answer
  // within kClipboardTimeoutMs, or when another word of this component is
  // still waiting (a nested "read" would rebuild the list the waiting word
  // walks); `active` is False again before they raise.
  int Copy();
  int Paste();
  int Read();
  void Clear();
  // "copy", "paste", "read", "clear", "selectall", "deselectall", "clearall".
  void SetExec(const platform::Variant& value) override;

 private:
  class TOpenGuard;

  std::unique_ptr<TClipboardFormats> m_formats;
  bool m_autoClear = true;
  bool m_active = false;
};

// The type word "clipboard".
class TClipboardEx : public TCustomClipboardEx {
  HALBRIN_CLASS(TClipboardEx, TCustomClipboardEx)

  explicit TClipboardEx(platform::TComponent* owner = nullptr) : TCustomClipboardEx(owner) {}

  std::string GetTypeName() const override { return "clipboard"; }
};

// The application's `clipboard`.
class TApplicationClipboardEx : public TCustomClipboardEx {
  HALBRIN_CLASS(TApplicationClipboardEx, TCustomClipboardEx)

  explicit TApplicationClipboardEx(platform::TComponent* owner = nullptr) : TCustomClipboardEx(owner) {}
};

// Registers the type word "clipboard".
void RegisterClipboardComponentTypes();

}  // namespace halbrin
