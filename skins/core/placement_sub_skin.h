#pragma once

// The sub-skin that keeps a skinned window's placement in the registry
// (HKEY_CURRENT_USER\<RegistryPath>): loaded once when the window first
// shows (or becomes visible), saved when it closes or goes.
//
// A form skin's values: "bounds" (16 bytes: Left, Top, Right, Bottom as
// little-endian 32-bit integers; the normal rectangle in screen coordinates,
// the kept normal bounds while rolled up, maximised or minimised) and "state"
// (1 normal, 3 maximised; a minimised form is stored as normal). A pane's
// values: "bounds" (parent's client coordinates), "align", "state" (collapsed
// 0/1), "visible" and "restore" (the expanded bounds).
//
// Stored values are checked before use: a state other than those, sizes
// below the skin's minimum or beyond the work area, a rectangle off every
// monitor, or a zero "restore", give the window's own values. A damaged
// registry file is reported once (SkinLog); the window keeps its bounds and
// nothing is saved, so the file stays as it is.

#include <cstdint>
#include <string>

#include "platform/classes/method.h"
#include "skins/core/sub_skin.h"

namespace halbrin::platform {
class TRegistry;
class TWinControl;
}  // namespace halbrin::platform

namespace halbrin::skins {

class TZebrinFormSkin;

enum TPlacementSubSkinHandler : std::uint8_t { pshShowing, pshVisible };
const platform::TEnumInfo& PlacementSubSkinHandlerInfo();

// (Sender, var Value)
using TGetCustomStringEvent = platform::TEvent<platform::TObject*, std::string&>;

class TZebrinPlacementSubSkin : public TZebrinCustomSubSkin {
  HALBRIN_CLASS(TZebrinPlacementSubSkin, TZebrinCustomSubSkin)

  explicit TZebrinPlacementSubSkin(platform::TComponent* owner = nullptr);

  // Keep a restored form inside the work area of its monitor.
  bool AdjustPosition() const noexcept { return m_adjustPosition; }
  void SetAdjustPosition(bool value) noexcept { m_adjustPosition = value; }
  TPlacementSubSkinHandler Handler() const noexcept { return m_handler; }
  void SetHandler(TPlacementSubSkinHandler value) noexcept { m_handler = value; }
  // The key below HKEY_CURRENT_USER (the program gives its own, e.g.
  // "Software\Zebrin\<title>\<name>").
  const std::string& RegistryPath() const noexcept { return m_registryPath; }
  void SetRegistryPath(const std::string& value) { m_registryPath = value; }
  TGetCustomStringEvent& OnGetRegistryPath() noexcept { return m_onGetRegistryPath; }
  // RegistryPath as OnGetRegistryPath changes it; empty switches loading and saving off.
  std::string GetRegistryPath();

  // Not loaded yet.
  bool Pending() const noexcept { return m_pending; }
  // A load read the store (a missing key counts): saving is allowed from then on.
  bool Loaded() const noexcept { return m_loaded; }
  // The store's file is damaged: nothing is saved.
  bool Damaged() const noexcept { return m_damaged; }
  // The "visible" value last read for a pane (not applied; for the owner).
  bool StoredVisible() const noexcept { return m_storedVisible; }

  // Loads now (and clears Pending); false when nothing was read.
  bool Load(TZebrinCustomSkin& skin);
  // Saves now; false when nothing was written (no load yet, damaged, no path).
  bool Save(TZebrinCustomSkin& skin);

  bool WantsMessage(TSubSkinMessage message) const override;
  // Close and Destroy save; the first trigger of Handler loads. Always false.
  bool HandleMessage(TZebrinCustomSkin& skin, TSubSkinMessage message) override;

 private:
  void LoadForm(const platform::TRegistry& reg, TZebrinFormSkin& skin, platform::TWinControl& form);
  void LoadPane(const platform::TRegistry& reg, TZebrinCustomSkin& skin, platform::TWinControl& control);
  void StoreDamaged(const char* why);

  bool m_adjustPosition = true;
  bool m_pending = true;
  bool m_loaded = false;
  bool m_damaged = false;
  bool m_storedVisible = false;
  std::string m_registryPath;
  TPlacementSubSkinHandler m_handler = pshShowing;
  TGetCustomStringEvent m_onGetRegistryPath;
};

}  // namespace halbrin::skins
