#include "components/forms/skin_tool_buttons.h"

#include <memory>

#include "core/framework/xml_type_info_ex.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;
using skins::TZebrinSkinCustomToolButton;
using skins::TZebrinSkinCustomToolButtons;

const TEnumInfo& SkinBandsInfo() {
  static const TEnumInfo info("TSkinBands", {"sbCaption", "sbFooter"});
  return info;
}

const TEnumInfo& SkinBandSiteInfo() {
  static const TEnumInfo info("TSkinBandSite", {"bsLeft", "bsRight", "bsDefault"});
  return info;
}

std::string SkinToolButtonName(std::string_view name) {
  if (name.size() <= kSkinToolButtonNameLimit) return std::string(name);
  std::size_t end = kSkinToolButtonNameLimit;
  // Back off continuation bytes, so a character is never cut in two.
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return std::string(name.substr(0, end));
}

namespace {

// A new button named before it joins the collection, so the skin's "additem"
// already sees its name.
TZebrinSkinCustomToolButton& AddNamedButton(TZebrinSkinCustomToolButtons& buttons, const std::string& name) {
  std::unique_ptr<TZebrinSkinCustomToolButton> made;
  if (auto* itemButtons = dynamic_cast<skins::TZebrinSkinBandItemButtons*>(&buttons))
    made = std::make_unique<skins::TZebrinSkinBandItemButton>(*itemButtons);
  else if (auto* toolBar = dynamic_cast<skins::TZebrinSkinToolButtons*>(&buttons))
    made = std::make_unique<skins::TZebrinSkinToolButton>(*toolBar);
  if (!made) {
    TZebrinSkinCustomToolButton& added = buttons.Add();
    if (!name.empty()) added.SetName(name);
    return added;
  }
  if (!name.empty()) made->SetName(name);
  return static_cast<TZebrinSkinCustomToolButton&>(buttons.InsertItem(std::move(made)));
}

}  // namespace

using B = TSkinToolButtons;
HALBRIN_DEFINE_CLASS(TSkinToolButtons,
                     .Property("AutoBand", &B::AutoBand, &B::SetAutoBand)
                     .Default(true)
                     .Property("AutoButton", &B::AutoButton, &B::SetAutoButton)
                     .Default(true)
                     .Property("Band", &B::Band, &B::SetBand)
                     .Default(1)
                     .Enum("Bands", &B::Bands, &B::SetBands, SkinBandsInfo())
                     .Default(static_cast<int>(sbCaption))
                     .Property("Items", &B::Items)
                     .Stored(false)
                     .Enum("Site", &B::Site, &B::SetSite, SkinBandSiteInfo())
                     .Default(static_cast<int>(bsLeft))
                     .Property("Skin", &B::Skin, &B::SetSkin))

TSkinToolButtons::TSkinToolButtons(TComponent* owner) : TComponent(owner) {}

TSkinToolButtons::~TSkinToolButtons() = default;

void TSkinToolButtons::SetSkin(skins::TZebrinCustomSkin* value) {
  if (value == m_skin) return;
  if (m_skin) m_skin->RemoveFreeNotification(this);
  m_skin = value;
  if (m_skin) m_skin->FreeNotification(this);
}

void TSkinToolButtons::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == m_skin) m_skin = nullptr;
}

TZebrinSkinCustomToolButtons* TSkinToolButtons::Items() const {
  if (!m_skin) return nullptr;
  if (m_site == bsDefault) return m_skin->ToolButtons();
  skins::TZebrinSkinCustomBands* bands = m_bands == sbFooter
                                             ? static_cast<skins::TZebrinSkinCustomBands*>(m_skin->Footer())
                                             : static_cast<skins::TZebrinSkinCustomBands*>(m_skin->Caption());
  if (!bands || m_band < 0 || m_band > kMaxDeclaredItemIndex) return nullptr;
  if (m_band >= bands->Count()) {
    if (!m_autoBand) return nullptr;
    TCollection::TUpdateScope update(*bands);
    while (bands->Count() <= m_band) bands->Add();
  }
  skins::TZebrinSkinBand* band = bands->Items(m_band);
  if (!band) return nullptr;
  skins::TZebrinSkinCustomBandItem* item =
      m_site == bsRight ? static_cast<skins::TZebrinSkinCustomBandItem*>(band->ItemEx()) : band->Item();
  return item ? item->Buttons() : nullptr;
}

int TSkinToolButtons::indexOfName(std::string_view name) const {
  TZebrinSkinCustomToolButtons* buttons = Items();
  return buttons ? buttons->indexOfName(SkinToolButtonName(name)) : -1;
}

FoundItem TSkinToolButtons::itemByName(std::string_view name) {
  TZebrinSkinCustomToolButtons* buttons = Items();
  if (!buttons) return {};
  const std::string kept = SkinToolButtonName(name);
  if (FoundItem found = buttons->itemByName(kept)) return found;
  // A button without a name could never be found again: each lookup would add one.
  if (!m_autoButton || kept.empty()) return {};
  return FoundItem(&AddNamedButton(*buttons, kept));
}

FoundItem TSkinToolButtons::item(const Variant& value) {
  if (value.IsString()) return itemByName(value.AsString());
  if (!value.IsInteger() && !value.IsBool()) return {};
  TZebrinSkinCustomToolButtons* buttons = Items();
  return buttons ? buttons->item(value) : FoundItem();
}

TObject* TSkinToolButtons::NewItem(const std::string& name) {
  TZebrinSkinCustomToolButtons* buttons = Items();
  if (!buttons) return nullptr;
  const std::string kept = SkinToolButtonName(name);
  if (!kept.empty() && buttons->indexOfName(kept) >= 0)
    throw EComponentError(Format("A component named %s already exists", {kept}));
  return &AddNamedButton(*buttons, kept);
}

TObject* TSkinToolButtons::ItemAt(int index) const {
  TZebrinSkinCustomToolButtons* buttons = Items();
  return buttons ? buttons->ButtonAt(index) : nullptr;
}

int TSkinToolButtons::Count() const {
  TZebrinSkinCustomToolButtons* buttons = Items();
  return buttons ? buttons->Count() : 0;
}

TObject* TSkinToolButtons::FindItem(std::string_view name) const {
  TZebrinSkinCustomToolButtons* buttons = Items();
  if (!buttons) return nullptr;
  const int index = buttons->indexOfName(SkinToolButtonName(name));
  return index >= 0 ? buttons->ButtonAt(index) : nullptr;
}

}  // namespace halbrin
