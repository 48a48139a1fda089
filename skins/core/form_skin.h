#pragma once

// The skin of a top-level form: the three ways of minimising (the system's,
// rolling up to the caption, hiding as a taskbar program does), maximising
// into the work area with the frame strip outside it, window-button
// visibility from the window's traits and the caption double click.
// MDI children are child controls with a form skin of their own.

#include <cstdint>
#include <string>
#include <vector>

#include "skins/core/custom_skin.h"

namespace halbrin::skins {

enum TZebrinSkinMinimizeStyle : std::uint8_t { smsSystem, smsRollUp, smsTaskBar };
const platform::TEnumInfo& SkinMinimizeStyleInfo();

inline constexpr TZebrinSkinButtonStyles kFormDefaultButtons =
    ButtonStyleBit(btsClose) | ButtonStyleBit(btsMaximize) | ButtonStyleBit(btsRestore) | ButtonStyleBit(btsMinimize);

class TZebrinFormSkin : public TZebrinCustomSkin {
  HALBRIN_CLASS(TZebrinFormSkin, TZebrinCustomSkin)

  explicit TZebrinFormSkin(platform::TComponent* owner = nullptr);
  // Lets go of the form first, so it gets its extent and visibility back.
  ~TZebrinFormSkin() override;

  // ---- Published ----
  // The skinned control; writing it is the Control write.
  TWinControl* Form() const noexcept { return Control(); }
  void SetForm(TWinControl* form) { SetControl(form); }
  TZebrinSkinMinimizeStyle MinimizeStyle() const noexcept { return m_minimizeStyle; }
  void SetMinimizeStyle(TZebrinSkinMinimizeStyle value);
  // The set BuildSystemButtons makes the window buttons from (bit n is style n).
  TZebrinSkinButtonStyles DefaultButtonStyles() const noexcept { return m_defaultButtons; }
  void SetDefaultButtonStyles(TZebrinSkinButtonStyles value);
  std::vector<TZebrinSkinButtonStyle> DefaultButtons() const override;
  // The form's text; empty without a form.
  std::string Text() const;
  void SetText(const std::string& value);

  // ---- State ----
  // smsRollUp: the form is no larger than its minimum along the caption axis
  // (the axis it was rolled along while rolled up). smsTaskBar: also while
  // hidden by its own minimise. The window being iconic counts for every style.
  bool IsMinimized() const override;
  bool HiddenByMinimize() const noexcept { return m_hiddenByMinimize; }
  // Rolled up by this skin (and not given its extent back yet).
  bool RolledUp() const noexcept { return m_rolledUp; }
  // On a child control: an MDI child of the form below it.
  bool IsMDIChild() const;
  // The child controls carrying a form skin.
  int MDIChildCount() const;
  // Brings the MDI child after (or before) the one holding the focus to the
  // front and focuses it; false when there is no other visible child.
  bool ActivateNextChild(bool forward);
  // Where a maximised form goes: the work area of its monitor, or an MDI
  // child's parent client area, inflated by FrameInset when framed.
  TRect MaximizedBounds() const;
  // The normal rectangle: the bounds in the normal state, else the kept normal bounds.
  TRect PlacementBounds() const;
  // Made by the manager's StretchSkin: starts active.
  bool Stretched() const noexcept { return m_stretched; }
  void SetStretched(bool value) noexcept { m_stretched = value; }

  // ---- Geometry and buttons ----
  // The base's size, the frame on both sides when framed, and with
  // AutoConstraints outside the maximised state the window buttons' extent
  // along the caption.
  TSize GetMinSize() const override;
  void UpdateButtons() override;
  void UpdateButtonStates(int index) override;
  // Rolled up: restore is the default, size and minimise are off.
  TSystemMenuState SystemMenuState() const override;

  // A double click on the caption of a form made sizable maximises or restores it.
  void PointerDoubleClick(const TWindowPointer& pointer) override;
  void WindowStateChanged() override;

 protected:
  void HookWindow() override;
  void UnhookWindow() override;
  bool HandleWindowCommand(TWindowCommand command) override;
  void ControlBoundsChanged() override;

 private:
  bool RollUp();
  bool Unroll();
  void ApplyMaximizedBounds();

  TZebrinSkinMinimizeStyle m_minimizeStyle = smsSystem;
  TZebrinSkinButtonStyles m_defaultButtons = kFormDefaultButtons;
  bool m_hiddenByMinimize = false;
  bool m_rolledUp = false;
  bool m_rollHorizontal = true;
  bool m_maximizeApplied = false;
  // Maximising was asked of the window manager, which has not answered yet:
  // the rectangles it configures meanwhile are no normal bounds.
  bool m_maximizing = false;
  bool m_stretched = false;
  int m_adjusting = 0;  // the skin is setting the bounds itself
};

}  // namespace halbrin::skins
