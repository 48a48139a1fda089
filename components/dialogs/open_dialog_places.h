#pragma once

// The places of an open or save dialog: folders (texts) or special-folder
// numbers shown in the dialog's sidebar while it runs, and nowhere else.

#include <string>
#include <vector>

#include "core/foundation/item_collection.h"
#include "platform/variant/variant.h"

namespace halbrin {

class TOpenDialogPlace : public platform::TCollectionItem {
  HALBRIN_CLASS(TOpenDialogPlace, platform::TCollectionItem)

  TOpenDialogPlace() = default;
  ~TOpenDialogPlace() override;

  // Null at first. Integer kinds and texts only; anything else (Null and
  // Empty too) raises EComponentError "Invalid property value".
  const platform::Variant& Value() const noexcept { return m_value; }
  void SetValue(const platform::Variant& value);

  void Assign(const platform::TPersistent& source) override;

 private:
  platform::Variant m_value = platform::Variant::Null();
};

class TOpenDialogPlaces : public TItemCollection {
  HALBRIN_CLASS(TOpenDialogPlaces, TItemCollection)

  explicit TOpenDialogPlaces(platform::TPersistent* owner = nullptr);

  TOpenDialogPlace& At(int index) const { return static_cast<TOpenDialogPlace&>(*Items(index)); }
  TOpenDialogPlace& Add(const platform::Variant& value);

  // False adds no shortcut.
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool enabled) noexcept { m_enabled = enabled; }
  // False replaces the list by the standard places 8, 0, 5, 17, 18 (recent,
  // desktop, documents, this computer, network); True leaves it.
  void SetCustom(bool custom);

  void Assign(const platform::TPersistent& source) override;

 private:
  bool m_enabled = true;
};

struct TPlaceShortcuts {
  std::vector<std::string> folders;
  std::vector<std::string> uris;
};

// What the places add to a dialog's sidebar: numbers through the special
// folders (8 nothing, as the sidebar lists recent files already; 17 "/"; 18
// network:/// when `networkSupported`), texts as paths ("\" read as "/");
// folders that do not exist are skipped; nothing when not enabled.
TPlaceShortcuts PlaceShortcutsOf(const TOpenDialogPlaces& places, bool networkSupported);
// True when GIO can browse network:///.
bool NetworkPlaceSupported();

}  // namespace halbrin
