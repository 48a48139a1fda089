#include "components/dialogs/open_dialog_places.h"

#include <gio/gio.h>

#include <filesystem>

#include "core/foundation/paths.h"
#include "platform/base/exception.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TOpenDialogPlace, .Property("value", &TOpenDialogPlace::Value, &TOpenDialogPlace::SetValue))

HALBRIN_DEFINE_CLASS(TOpenDialogPlaces,
                     .Property("enabled", &TOpenDialogPlaces::Enabled, &TOpenDialogPlaces::SetEnabled)
                     .Property("custom", [](const TOpenDialogPlaces&) { return false; }, &TOpenDialogPlaces::SetCustom)
                     .Stored(false))

TOpenDialogPlace::~TOpenDialogPlace() { m_value = Variant::Null(); }

void TOpenDialogPlace::SetValue(const Variant& value) {
  if (!value.IsInteger() && !value.IsString()) throw EComponentError("Invalid property value");
  m_value = value;
  Changed(false);
}

void TOpenDialogPlace::Assign(const TPersistent& source) {
  if (const auto* place = dynamic_cast<const TOpenDialogPlace*>(&source)) {
    m_value = place->m_value;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

TOpenDialogPlaces::TOpenDialogPlaces(TPersistent* owner)
    : TItemCollection(owner, TOpenDialogPlace::StaticClassInfo(), TCollection::FactoryOf<TOpenDialogPlace>()) {}

TOpenDialogPlace& TOpenDialogPlaces::Add(const Variant& value) {
  auto& place = static_cast<TOpenDialogPlace&>(TItemCollection::Add());
  place.SetValue(value);
  return place;
}

void TOpenDialogPlaces::SetCustom(bool custom) {
  if (custom) return;
  BeginUpdate();
  Clear();
  for (const int value : {8, 0, 5, 17, 18}) Add(Variant(value));
  EndUpdate();
}

void TOpenDialogPlaces::Assign(const TPersistent& source) {
  if (const auto* places = dynamic_cast<const TOpenDialogPlaces*>(&source)) m_enabled = places->m_enabled;
  TItemCollection::Assign(source);
}

namespace {

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool NetworkPlaceSupported() {
  const gchar* const* schemes = g_vfs_get_supported_uri_schemes(g_vfs_get_default());
  for (; schemes && *schemes; ++schemes)
    if (std::string_view(*schemes) == "network") return true;
  return false;
}

TPlaceShortcuts PlaceShortcutsOf(const TOpenDialogPlaces& places, bool networkSupported) {
  TPlaceShortcuts shortcuts;
  if (!places.Enabled()) return shortcuts;
  for (int i = 0; i < places.Count(); ++i) {
    const Variant& value = places.At(i).Value();
    std::string folder;
    if (value.IsString()) {
      folder = WithSlashes(value.AsString());
    } else if (value.IsInteger()) {
      const std::int64_t number = value.ToInt64();
      if (number == 8) continue;
      if (number == 18) {
        if (networkSupported) shortcuts.uris.emplace_back("network:///");
        continue;
      }
      folder = number == 17 ? "/" : GetSpecialFolderPath(static_cast<int>(number));
    }
    folder = WithoutTrailingSlash(folder);
    if (!IsFolder(folder)) continue;
    if (std::find(shortcuts.folders.begin(), shortcuts.folders.end(), folder) == shortcuts.folders.end())
      shortcuts.folders.push_back(folder);
  }
  return shortcuts;
}

}  // namespace halbrin
