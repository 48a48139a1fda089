#include "skins/core/band_items.h"

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

void TZebrinSkinBandItem::SetText(const std::string& value) {
  if (value == m_text) return;
  m_text = value;
  Changed();
}

void TZebrinSkinBandItem::SetVisible(bool value) {
  if (value == m_visible) return;
  m_visible = value;
  Changed();
}

void TZebrinSkinBandItem::Assign(const platform::TPersistent& source) {
  const auto* item = dynamic_cast<const TZebrinSkinBandItem*>(&source);
  if (!item) {
    Inherited::Assign(source);
    return;
  }
  m_text = item->m_text;
  m_visible = item->m_visible;
  Changed();
}

void TZebrinSkinBandItem::Changed() {
  if (ownerChanged) ownerChanged(true);
}

using I = TZebrinSkinBandItem;
HALBRIN_DEFINE_CLASS(TZebrinSkinBandItem, .Property("Text", &I::Text, &I::SetText)
                                              .Property("Visible", &I::Visible, &I::SetVisible)
                                              .Default(true))
HALBRIN_DEFINE_CLASS(TZebrinSkinBandItemEx, )

}  // namespace halbrin::skins
