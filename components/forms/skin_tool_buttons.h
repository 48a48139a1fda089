#pragma once

// The tool buttons of one band of a skin as a named collection: a form's,
// frame's or browser view's `skinButtons`. Which buttons it shows is worked
// out on every use (Items): the skin's own tool bar (Site bsDefault), or the
// buttons of band `Band` of the caption or footer bands (the band's Item for
// bsLeft, its ItemEx for bsRight), bands added up to that index while
// AutoBand is on. A name no button has makes a button while AutoButton is on.
//
//   form.skinButtons.item("save").text = "Save";

#include <cstdint>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "core/framework/component_interfaces.h"
#include "platform/classes/class_info.h"
#include "platform/classes/component.h"
#include "skins/core/custom_skin.h"
#include "skins/core/tool_buttons.h"

namespace halbrin {

enum TSkinBands : std::uint8_t { sbCaption, sbFooter };
enum TSkinBandSite : std::uint8_t { bsLeft, bsRight, bsDefault };
const platform::TEnumInfo& SkinBandsInfo();
const platform::TEnumInfo& SkinBandSiteInfo();

// Button names are kept to this many bytes, cut at a character boundary.
inline constexpr std::size_t kSkinToolButtonNameLimit = 255;
std::string SkinToolButtonName(std::string_view name);

class TSkinToolButtons : public platform::TComponent, public INamedItemCollection, public IDeclaredItemList {
  HALBRIN_CLASS(TSkinToolButtons, platform::TComponent)

  explicit TSkinToolButtons(platform::TComponent* owner = nullptr);
  ~TSkinToolButtons() override;

  // ---- Published ----
  TSkinBands Bands() const noexcept { return m_bands; }
  void SetBands(TSkinBands value) noexcept { m_bands = value; }
  // Zero-based index of the band in the chosen collection.
  int Band() const noexcept { return m_band; }
  void SetBand(int value) noexcept { m_band = value; }
  TSkinBandSite Site() const noexcept { return m_site; }
  void SetSite(TSkinBandSite value) noexcept { m_site = value; }
  // Held with a free notification: a skin freed reads nil.
  skins::TZebrinCustomSkin* Skin() const noexcept { return m_skin; }
  void SetSkin(skins::TZebrinCustomSkin* value);
  bool AutoBand() const noexcept { return m_autoBand; }
  void SetAutoBand(bool value) noexcept { m_autoBand = value; }
  bool AutoButton() const noexcept { return m_autoButton; }
  void SetAutoButton(bool value) noexcept { m_autoButton = value; }

  // The buttons shown: nil without a skin, with a negative Band, or with
  // AutoBand off and no band at Band (no band is added then). With AutoBand
  // on, bands are appended up to Band, at most up to index 65536.
  skins::TZebrinSkinCustomToolButtons* Items() const;

  // ---- INamedItemCollection ----
  // Names ignore case and are compared as kept (SkinToolButtonName).
  // itemByName: nil without Items; with AutoButton a name no button has
  // adds a button of that name (an empty name adds nothing).
  FoundItem itemByName(std::string_view name) override;
  int indexOfName(std::string_view name) const override;
  // A string goes to itemByName; an integer or Boolean is an index (as the
  // buttons' own item takes it); any other value gives nil.
  FoundItem item(const platform::Variant& value) override;
  bool exists(std::string_view name) const override { return indexOfName(name) >= 0; }

  // ---- IDeclaredItemList: declarations find buttons by name and add them ----
  // Null without Items; a name a button already has raises.
  platform::TObject* NewItem(const std::string& name) override;
  platform::TObject* ItemAt(int index) const override;
  int Count() const override;
  // Never adds a button.
  platform::TObject* FindItem(std::string_view name) const override;

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  TSkinBands m_bands = sbCaption;
  int m_band = 1;
  TSkinBandSite m_site = bsLeft;
  skins::TZebrinCustomSkin* m_skin = nullptr;  // cleared by its free notification
  bool m_autoBand = true;
  bool m_autoButton = true;
};

}  // namespace halbrin
