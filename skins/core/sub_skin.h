#pragma once

// A link of a skin's sub-skin chain: a component that sees some of the
// skinned window's events (WantsMessage, HandleMessage) and may paint after
// the frame. The skin offers each event down the chain until a link handles it.

#include <cstdint>

#include "platform/classes/component.h"
#include "platform/graphics/canvas.h"

namespace halbrin::skins {

class TZebrinCustomSkin;

// The window's events a skin offers its sub-skins.
enum class TSubSkinMessage : std::uint8_t {
  Close,           // the window is asked to close
  Destroy,         // the window (or the skin's hold on it) goes
  ShowingChanged,  // the window came on or went off the screen
  VisibleChanged,  // the control's Visible changed
};

class TZebrinCustomSubSkin : public platform::TComponent {
  HALBRIN_CLASS(TZebrinCustomSubSkin, platform::TComponent)

  explicit TZebrinCustomSubSkin(platform::TComponent* owner = nullptr);
  ~TZebrinCustomSubSkin() override;

  // A disabled link is skipped when events are offered.
  bool Enabled() const noexcept { return m_enabled; }
  virtual void SetEnabled(bool value) { m_enabled = value; }

  // The next link. Raises ESubSkinException "Impossible to set SubSkin
  // property to itself" for this link and "Impossible to insert SubSkin to the
  // same chain" for a link already in this chain (the chain stays as it was).
  // A link taken from another chain leaves it.
  TZebrinCustomSubSkin* SubSkin() const noexcept { return m_subSkin; }
  void SetSubSkin(TZebrinCustomSubSkin* value);
  bool HasSubSkin() const noexcept { return m_subSkin != nullptr; }
  // The skin or link whose SubSkin this is; null when none.
  platform::TComponent* ParentLink() const noexcept { return m_parent; }
  // The skin at the head of the chain; null when the chain hangs from no skin.
  TZebrinCustomSkin* OwnerSkin() const;

  // Whether HandleMessage is to be called for `message`. Base: false.
  virtual bool WantsMessage(TSubSkinMessage message) const;
  // Acts on `message`; true stops the offer (later links do not see it). Base: false.
  virtual bool HandleMessage(TZebrinCustomSkin& skin, TSubSkinMessage message);
  // Paints after the skin's frame. Base: passes the call to the next link.
  virtual void Paint(platform::ICanvas& canvas);

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  friend class TZebrinCustomSkin;
  // The skin or link that now holds this one; it leaves its old holder.
  void LinkTo(platform::TComponent* parent);
  // The old holder lets go (it took another link or was cleared).
  void Unlink(platform::TComponent* parent) noexcept;

  bool m_enabled = true;
  bool m_clearing = false;
  TZebrinCustomSubSkin* m_subSkin = nullptr;
  platform::TComponent* m_parent = nullptr;
};

// Offers `message` to the enabled links from `first` on that want it, until one
// handles it; true when one did. Links freed meanwhile end the walk.
bool OfferSubSkinMessage(TZebrinCustomSubSkin* first, TZebrinCustomSkin& skin, TSubSkinMessage message);

}  // namespace halbrin::skins
