#pragma once

// The items a band holds (its Item and ItemEx). For now an item has a text,
// a visible flag and a rectangle; it takes no room when laid out.

#include <string>

#include "platform/classes/persistent.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/geometry.h"
#include "skins/core/adapters.h"

namespace halbrin::skins {

using platform::TRect;

class TZebrinSkinBandItem : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinBandItem, platform::TPersistent)

  explicit TZebrinSkinBandItem(platform::TPersistent* owner = nullptr) : m_owner(owner) {}

  const std::string& Text() const noexcept { return m_text; }
  void SetText(const std::string& value);
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value);
  // In window coordinates.
  const TRect& Rect() const noexcept { return m_rect; }
  void SetRect(const TRect& value) noexcept { m_rect = value; }

  // Takes the item's place in `rect` and leaves the rest there; this item takes none.
  virtual void Layout(TRect& rect) { (void)rect; }

  // Draws the item in its rectangle; this item draws nothing.
  virtual void Paint(platform::ICanvas& canvas) { (void)canvas; }

  // From another band item: Text and Visible.
  void Assign(const platform::TPersistent& source) override;
  platform::TPersistent* GetOwner() const override { return m_owner; }

  // Told of every change (recalc); the band marks itself changed.
  TSkinOwnerNotify ownerChanged;

 private:
  void Changed();

  platform::TPersistent* m_owner;
  std::string m_text;
  bool m_visible = true;
  TRect m_rect;
};

// The band's second item.
class TZebrinSkinBandItemEx : public TZebrinSkinBandItem {
  HALBRIN_CLASS(TZebrinSkinBandItemEx, TZebrinSkinBandItem)

  using TZebrinSkinBandItem::TZebrinSkinBandItem;
};

}  // namespace halbrin::skins
