#include "skins/core/placement_sub_skin.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/classes/class_builder.h"
#include "platform/classes/property_access.h"
#include "platform/registry/registry.h"
#include "platform/services/desktop_service.h"
#include "skins/core/form_skin.h"
#include "skins/core/skin_log.h"

namespace halbrin::skins {

namespace {

using platform::RegDataType;
using platform::TRegistry;

constexpr int kShowNormal = 1;
constexpr int kShowMaximized = 3;

// Missing or of another type: nothing.
std::optional<int> ReadInt(const TRegistry& reg, const char* name) {
  if (reg.GetDataType(name) != RegDataType::Integer) return std::nullopt;
  return reg.ReadInteger(name);
}

std::optional<TRect> ReadRect(const TRegistry& reg, const char* name) {
  if (reg.GetDataType(name) != RegDataType::Binary) return std::nullopt;
  const std::vector<std::uint8_t> data = reg.ReadBinaryData(name);
  if (data.size() != 16) return std::nullopt;
  int v[4];
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t u = std::uint32_t{data[i * 4]} | std::uint32_t{data[i * 4 + 1]} << 8 |
                            std::uint32_t{data[i * 4 + 2]} << 16 | std::uint32_t{data[i * 4 + 3]} << 24;
    v[i] = static_cast<std::int32_t>(u);
  }
  return TRect{v[0], v[1], v[2], v[3]};
}

void WriteRect(TRegistry& reg, const char* name, const TRect& r) {
  std::vector<std::uint8_t> data;
  for (int value : {r.Left, r.Top, r.Right, r.Bottom}) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<std::uint8_t>(u >> shift));
  }
  reg.WriteBinaryData(name, data);
}

// A size the window can use: at least the skin's minimum (and 1), at most the work area's.
bool UsableSize(const TRect& r, TSize least, const TRect& work) {
  const int w = r.Right - r.Left, h = r.Bottom - r.Top;
  if (w < std::max(1, least.cx) || h < std::max(1, least.cy)) return false;
  return work.IsEmpty() || (w <= work.Width() && h <= work.Height());
}

// Moves `r` (its size kept) inside `work`; the left and top edges win.
TRect ClampInto(TRect r, const TRect& work) {
  const int w = r.Width(), h = r.Height();
  if (r.Right > work.Right) r.Left = work.Right - w;
  if (r.Left < work.Left) r.Left = work.Left;
  if (r.Bottom > work.Bottom) r.Top = work.Bottom - h;
  if (r.Top < work.Top) r.Top = work.Top;
  return TRect{r.Left, r.Top, r.Left + w, r.Top + h};
}

}  // namespace

const platform::TEnumInfo& PlacementSubSkinHandlerInfo() {
  static const platform::TEnumInfo info("TPlacementSubSkinHandler", {"pshShowing", "pshVisible"});
  return info;
}

TZebrinPlacementSubSkin::TZebrinPlacementSubSkin(platform::TComponent* owner) : TZebrinCustomSubSkin(owner) {}

std::string TZebrinPlacementSubSkin::GetRegistryPath() {
  std::string path = m_registryPath;
  if (m_onGetRegistryPath.Assigned()) m_onGetRegistryPath(this, path);
  return path;
}

bool TZebrinPlacementSubSkin::WantsMessage(TSubSkinMessage message) const {
  if ((ComponentState() & platform::csDesigning) != 0) return false;
  switch (message) {
    case TSubSkinMessage::Close:
    case TSubSkinMessage::Destroy: return true;
    // Going off the screen saves (a closed window is hidden) once loaded.
    case TSubSkinMessage::ShowingChanged: return (m_pending && m_handler == pshShowing) || m_loaded;
    case TSubSkinMessage::VisibleChanged: return m_pending && m_handler == pshVisible;
  }
  return false;
}

bool TZebrinPlacementSubSkin::HandleMessage(TZebrinCustomSkin& skin, TSubSkinMessage message) {
  switch (message) {
    case TSubSkinMessage::Close:
    case TSubSkinMessage::Destroy: Save(skin); break;
    case TSubSkinMessage::ShowingChanged:
      if (m_pending && m_handler == pshShowing)
        Load(skin);
      else if (skin.Control() && !skin.Control()->Showing())
        Save(skin);
      break;
    case TSubSkinMessage::VisibleChanged:
      if (m_pending && skin.Control() && skin.Control()->Visible()) Load(skin);
      break;
  }
  return false;
}

void TZebrinPlacementSubSkin::StoreDamaged(const char* why) {
  if (!m_damaged) SkinLog("TZebrinPlacementSubSkin", why);
  m_damaged = true;
}

bool TZebrinPlacementSubSkin::Load(TZebrinCustomSkin& skin) {
  m_pending = false;
  TWinControl* control = skin.Control();
  if (!control || m_damaged) return false;
  const std::string path = GetRegistryPath();
  if (path.empty()) return false;
  try {
    TRegistry reg(platform::RootKey::CurrentUser, true);
    if (reg.OpenKeyReadOnly(path)) {
      if (auto* form = dynamic_cast<TZebrinFormSkin*>(&skin))
        LoadForm(reg, *form, *control);
      else
        LoadPane(reg, skin, *control);
    }
  } catch (const platform::ERegistryError& e) {
    StoreDamaged(e.what());
    return false;
  }
  m_loaded = true;
  return true;
}

void TZebrinPlacementSubSkin::LoadForm(const TRegistry& reg, TZebrinFormSkin& skin, TWinControl& form) {
  const TRect declared = skin.PlacementBounds();
  TRect rect = declared;
  if (std::optional<TRect> stored = ReadRect(reg, "bounds")) {
    const TRect work = platform::CurrentDesktopService().WorkArea(*stored);
    // Off every monitor, or a size the window cannot take: the window's own.
    if (UsableSize(*stored, skin.GetConstraints(), work) && !platform::IntersectRect(*stored, work).IsEmpty())
      rect = *stored;
  }
  if (m_adjustPosition) rect = ClampInto(rect, platform::CurrentDesktopService().WorkArea(rect));
  const int defaultState = skin.IsMaximized() ? kShowMaximized : kShowNormal;
  int state = ReadInt(reg, "state").value_or(defaultState);
  if (state != kShowNormal && state != kShowMaximized) state = defaultState;
  platform::TWeakRef<TZebrinFormSkin> alive(&skin);
  if (!skin.IsMaximized()) form.SetBoundsRect(rect);
  if (!alive) return;
  skin.SetNormalBounds(rect);
  if (state == kShowMaximized && !skin.IsMaximized())
    skin.Maximize();
  else if (state == kShowNormal && skin.IsMaximized())
    skin.Restore();
}

void TZebrinPlacementSubSkin::LoadPane(const TRegistry& reg, TZebrinCustomSkin& skin, TWinControl& control) {
  const TRect declared = control.BoundsRect();
  const TRect work = platform::CurrentDesktopService().WorkArea(declared);
  platform::TWeakRef<TZebrinCustomSkin> alive(&skin);
  // Read in the order the values depend on each other: visible, align, bounds, state, restore.
  const std::optional<int> visible = ReadInt(reg, "visible");
  m_storedVisible = visible && (*visible == 0 || *visible == 1) ? *visible == 1 : control.Visible();
  const std::optional<int> align = ReadInt(reg, "align");
  if (align && *align >= platform::alNone && *align <= platform::alCustom) {
    const auto side = static_cast<platform::TAlign>(*align);
    // Only a side changes it, through the pane skin's own side change.
    if (platform::IsSideAlign(side) && side != control.Align())
      if (const platform::TPropInfo* prop = platform::GetPropInfo(skin, "ControlAlign"))
        platform::SetOrdProp(skin, *prop, side);
    if (!alive) return;
  }
  if (std::optional<TRect> bounds = ReadRect(reg, "bounds"); bounds && UsableSize(*bounds, skin.GetConstraints(), work))
    control.SetBoundsRect(*bounds);
  if (!alive) return;
  const std::optional<int> state = ReadInt(reg, "state");
  if (state && *state == 1 && !skin.IsMinimized()) skin.Minimize();
  if (!alive) return;
  // A zero or unusable expanded extent gives the declared size.
  std::optional<TRect> restore = ReadRect(reg, "restore");
  if (restore && UsableSize(*restore, TSize{1, 1}, work))
    skin.SetNormalBounds(*restore);
  else if (restore)
    skin.SetNormalBounds(declared);
}

bool TZebrinPlacementSubSkin::Save(TZebrinCustomSkin& skin) {
  TWinControl* control = skin.Control();
  if (!m_loaded || m_damaged || !control) return false;
  const std::string path = GetRegistryPath();
  if (path.empty()) return false;
  try {
    TRegistry reg(platform::RootKey::CurrentUser);
    if (!reg.OpenKey(path, true)) return false;
    if (auto* form = dynamic_cast<TZebrinFormSkin*>(&skin)) {
      WriteRect(reg, "bounds", form->PlacementBounds());
      reg.WriteInteger("state", form->IsMaximized() ? kShowMaximized : kShowNormal);
    } else {
      WriteRect(reg, "bounds", control->BoundsRect());
      reg.WriteInteger("align", control->Align());
      reg.WriteInteger("state", skin.IsMinimized() ? 1 : 0);
      reg.WriteInteger("visible", control->Visible() ? 1 : 0);
      WriteRect(reg, "restore", skin.NormalBounds());
    }
    reg.CloseKey();
  } catch (const platform::ERegistryError& e) {
    StoreDamaged(e.what());
    return false;
  }
  return true;
}

using P = TZebrinPlacementSubSkin;
HALBRIN_DEFINE_CLASS(TZebrinPlacementSubSkin,
                     .Property("AdjustPosition", &P::AdjustPosition, &P::SetAdjustPosition)
                     .Default(true)
                     .Property("Enabled", &P::Enabled, &P::SetEnabled)
                     .Default(true)
                     .Enum("Handler", &P::Handler, &P::SetHandler, PlacementSubSkinHandlerInfo())
                     .Default(static_cast<int>(pshShowing))
                     .Property("RegistryPath", &P::RegistryPath, &P::SetRegistryPath)
                     .Event("OnGetRegistryPath", &P::m_onGetRegistryPath, "TGetCustomStringEvent"))

}  // namespace halbrin::skins
