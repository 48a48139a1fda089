#pragma once

// Tool buttons: skin buttons with text, a check box, a style (push, check,
// drop-down, tab, static, divider), a radio group of Down and a linked
// component. They live in the skin's tool bar (TZebrinSkinToolButtons,
// published as ToolButtons) and in the button row of each band item
// (TZebrinSkinBandItemButtons). Scripts reach them by name or index through
// INamedItemCollection.
//
// Groups: setting Down releases every other button of the collection with
// the same Style and Group, Group 0 included, so independent check buttons
// need distinct groups.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "platform/classes/object.h"
#include "platform/controls/control.h"
#include "skins/core/skin_buttons.h"

namespace halbrin::platform {
class TPopupMenu;
}

namespace halbrin::skins {

class TZebrinSkinCustomToolButton;
class TZebrinSkinCustomToolButtons;
class TZebrinSkinCustomBandItem;

// (Sender, canvas, button rectangle in the canvas, var Painted)
using TCustomPaintBandItemButtonEvent = platform::TEvent<platform::TObject*, platform::ICanvas*, const TRect&, bool&>;

// Extra room a check box takes along a horizontal band.
inline constexpr int kToolButtonCheckBoxSize = 20;

// Ties a tool button to a linked control: it listens to the control's
// events through its own observer token (the control's other observers, its
// skin's among them, stay as they are) and holds the control weakly, so a
// control that goes away leaves nothing dangling.
class TZebrinSkinToolButtonComponentAdapter {
 public:
  TZebrinSkinToolButtonComponentAdapter(TZebrinSkinCustomToolButton& button, platform::TControl& control);
  ~TZebrinSkinToolButtonComponentAdapter();
  TZebrinSkinToolButtonComponentAdapter(const TZebrinSkinToolButtonComponentAdapter&) = delete;
  TZebrinSkinToolButtonComponentAdapter& operator=(const TZebrinSkinToolButtonComponentAdapter&) = delete;

  // Null once the control is gone.
  platform::TControl* Control() const { return m_control.Get(); }
  platform::ObserverToken Token() const noexcept { return m_token; }

 private:
  void ControlEvent(platform::ControlEvent event);

  platform::TWeakRef<TZebrinSkinCustomToolButton> m_button;
  platform::TWeakRef<platform::TControl> m_control;
  platform::ObserverToken m_token = 0;
};

class TZebrinSkinCustomToolButton : public TZebrinSkinCustomButton {
  HALBRIN_CLASS(TZebrinSkinCustomToolButton, TZebrinSkinCustomButton)

  explicit TZebrinSkinCustomToolButton(platform::TCollection& collection);
  ~TZebrinSkinCustomToolButton() override;

  TZebrinSkinCustomToolButtons* ToolButtons() const;

  // ---- Published ----
  // A popup menu for tbsDropDown, a control for tbsTab; null once freed.
  platform::TComponent* Component() const { return m_component.Get(); }
  // Unlinks the old component and links the new one.
  void SetComponent(platform::TComponent* value);
  // The linked component when it is a popup menu: what a tbsDropDown
  // button opens.
  platform::TPopupMenu* DropDownMenu() const;
  int Group() const noexcept { return m_group; }
  void SetGroup(int value) { Store(m_group, value, false); }
  TZebrinSkinToolButtonStyle Style() const noexcept { return m_style; }
  // A change releases a Down check or tab button that becomes a push,
  // drop-down or static button, and any Down button that becomes a divider;
  // a divider stops capturing the mouse.
  void SetStyle(TZebrinSkinToolButtonStyle value);
  const std::string& Text() const noexcept { return m_text; }
  void SetText(const std::string& value) { Store(m_text, value, true); }
  // Where the text goes: silCenter beside the image, silTop or silBottom above or below it.
  TZebrinSkinItemLayout Layout() const noexcept { return m_layout; }
  void SetLayout(TZebrinSkinItemLayout value) { Store(m_layout, value, true); }
  TZebrinSkinItemLayout TextLayout() const noexcept { return m_textLayout; }
  void SetTextLayout(TZebrinSkinItemLayout value) { Store(m_textLayout, value, true); }
  TZebrinSkinItemPosition ImagePosition() const noexcept { return m_imagePosition; }
  void SetImagePosition(TZebrinSkinItemPosition value) { Store(m_imagePosition, value, false); }
  bool ShowCheckBox() const noexcept { return m_showCheckBox; }
  void SetShowCheckBox(bool value) { Store(m_showCheckBox, value, true); }
  bool Checked() const noexcept { return m_checked; }
  void SetChecked(bool value) { Store(m_checked, value, false); }
  // "item" and the ID until set.
  std::string Name() const;
  void SetName(const std::string& value) { m_name = value.substr(0, 255); }
  // True first releases the group (same Style and Group).
  void SetDown(bool value) override;
  void SetImageIndex(int value) override;

  // ---- Sizes ----
  // The base size, with the text (and check box, and the gap after an
  // image) beside the image or the larger of it and the text above or
  // below, then the drop-down part.
  int GetNaturalSize() const override;
  // A divider is never clamped.
  int GetClampedSize() const override;
  int TextWidth() const;
  // The font the button's text is measured and drawn in.
  const platform::TFont& ButtonFont() const;

  std::string GetHintText() const override;

  // A click as the user makes it: the release rules, then the click.
  void Execute();
  // Runs after the button's own click work (the application's componentExecute).
  std::function<void(TZebrinSkinCustomToolButton&)> executeHook;

  TZebrinSkinToolButtonComponentAdapter* Adapter() const noexcept { return m_adapter.get(); }
  TCustomPaintBandItemButtonEvent& OnCustomPaint() noexcept { return m_onCustomPaint; }

 protected:
  void CopyTo(TZebrinSkinCustomButton& dest, bool withValue) const override;

 private:
  friend class TZebrinSkinToolButtonComponentAdapter;
  friend class TZebrinSkinCustomToolButtons;
  void Link();
  void Unlink();
  bool Horizontal() const;

  platform::TWeakRef<platform::TComponent> m_component;
  std::unique_ptr<TZebrinSkinToolButtonComponentAdapter> m_adapter;
  int m_group = 0;
  TZebrinSkinToolButtonStyle m_style = tbsButton;
  std::string m_text;
  TZebrinSkinItemLayout m_layout = silCenter;
  TZebrinSkinItemLayout m_textLayout = silCenter;
  TZebrinSkinItemPosition m_imagePosition = sipLeft;
  bool m_showCheckBox = false;
  bool m_checked = false;
  std::string m_name;

 protected:
  TCustomPaintBandItemButtonEvent m_onCustomPaint;
};

// A button of the skin's tool bar: Margin 4, opaque.
class TZebrinSkinToolButton : public TZebrinSkinCustomToolButton {
  HALBRIN_CLASS(TZebrinSkinToolButton, TZebrinSkinCustomToolButton)

  explicit TZebrinSkinToolButton(platform::TCollection& collection);
};

// A button of a band item: Margin 0, masked, Indent 4.
class TZebrinSkinBandItemButton : public TZebrinSkinCustomToolButton {
  HALBRIN_CLASS(TZebrinSkinBandItemButton, TZebrinSkinCustomToolButton)

  explicit TZebrinSkinBandItemButton(platform::TCollection& collection);
};

class TZebrinSkinCustomToolButtons : public TZebrinSkinCustomButtons, public INamedItemCollection {
  HALBRIN_CLASS(TZebrinSkinCustomToolButtons, TZebrinSkinCustomButtons)

  TZebrinSkinCustomToolButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin, ISkinDefaults* defaults,
                               const platform::TClassInfo& itemClass, platform::TCollectionItemFactory factory);

  TZebrinSkinCustomToolButton& Add();
  TZebrinSkinCustomToolButton* Items(int index) const;
  TZebrinSkinCustomToolButton* ButtonAt(int index) const;

  // Free script text the application's componentExecute reads.
  const std::string& script() const noexcept { return m_script; }
  void setScript(const std::string& value) { m_script = value; }

  // The font of `button`: the band item's when the collection is
  // transparent and the button is not a tab, else the collection's.
  virtual const platform::TFont& ButtonFont(const TZebrinSkinCustomToolButton& button) const;
  // The collection's own font; the base has the band item's.
  virtual const platform::TFont& CollectionFont() const;
  TSize TextExtent(std::string_view text, const platform::TFont& font) const;

  // The image extent, plus the text height and 8 when a button shows its text above or below.
  int RowThickness() const override;

  // Check buttons toggle, tab buttons go down.
  bool Release(int index) override;
  // After the base click: the drop-down menu (popped up at DropDownPoint on
  // the screen, for the skin, with the manager's drag flag raised while it
  // is open), or the linked tab control shown, focused and expanded; then
  // the execute hook.
  void Click(int index) override;
  // Where a drop-down button's menu opens, in window coordinates: the
  // bottom-left corner on a horizontal caption (bottom-right for a control
  // aligned alTop, alBottom, alRight or alCustom), the top-right corner on a
  // vertical one (bottom-right for alRight), one pixel up.
  TPoint DropDownPoint(const TZebrinSkinCustomToolButton& button) const;

  void PaintButton(platform::ICanvas& canvas, int index, const TRect& rect) override;

  // INamedItemCollection: names compare ignoring case; item takes integers
  // and Booleans (false 0, true -1) as indexes, strings as names; an index
  // out of range and any other value give nothing.
  FoundItem itemByName(std::string_view name) override;
  int indexOfName(std::string_view name) const override;
  FoundItem item(const platform::Variant& value) override;
  bool exists(std::string_view name) const override;

  std::string GetHintText() const override;

 protected:
  TSkinOwnerKind ButtonKind() const override { return TSkinOwnerKind::ToolButton; }
  // The band item whose font transparent buttons use; null for none.
  virtual TZebrinSkinCustomBandItem* BandItem() const;

 private:
  void PopupMenuOf(TZebrinSkinCustomToolButton& button);
  void ShowTab(TZebrinSkinCustomToolButton& button);

  std::string m_script;
};

// The skin's tool bar, in band BandIndex of the caption (BandsIndex 0) or footer (1).
class TZebrinSkinToolButtons : public TZebrinSkinCustomToolButtons {
  HALBRIN_CLASS(TZebrinSkinToolButtons, TZebrinSkinCustomToolButtons)

  TZebrinSkinToolButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin, ISkinDefaults* defaults = nullptr);
  ~TZebrinSkinToolButtons() override;

  TZebrinSkinToolButton& Add();
  TZebrinSkinToolButton* Items(int index) const;

  int BandIndex() const noexcept { return m_bandIndex; }
  void SetBandIndex(int value) { Store(m_bandIndex, value); }
  int BandsIndex() const noexcept { return m_bandsIndex; }
  void SetBandsIndex(int value) { Store(m_bandsIndex, value); }
  TZebrinSkinToolButtonsFontAdapter* Font() const noexcept { return m_font.get(); }
  void SetFont(const TZebrinSkinCustomFontAdapter* value);

  TZebrinSkinBand* Band() const override;
  const platform::TFont& CollectionFont() const override;
  // The text height of Font, kept until the font changes.
  int TextHeight() const;
  // At least the text height, plus 4.
  int RowThickness() const override;
  // Not set: the image extent, plus 8 with an image list.
  int ButtonMinSizeRead() const override;

 protected:
  TZebrinSkinCustomBandItem* BandItem() const override;
  // The grip: a dotted strip.
  void PaintGrip(platform::ICanvas& canvas, const TRect& rect) override;

 private:
  std::unique_ptr<TZebrinSkinToolButtonsFontAdapter> m_font;
  mutable int m_textHeight = -1;
  int m_bandIndex = 1;
  int m_bandsIndex = 0;
};

// The buttons of a band item: its band, band index and orientation.
class TZebrinSkinBandItemButtons : public TZebrinSkinCustomToolButtons {
  HALBRIN_CLASS(TZebrinSkinBandItemButtons, TZebrinSkinCustomToolButtons)

  TZebrinSkinBandItemButtons(TZebrinSkinCustomBandItem& item, ISkinButtonsOwner* skin, ISkinDefaults* defaults = nullptr);

  TZebrinSkinBandItemButton& Add();
  TZebrinSkinBandItemButton* Items(int index) const;
  TZebrinSkinCustomBandItem& Owner() const noexcept { return m_item; }

  TZebrinSkinBand* Band() const override;

 protected:
  TZebrinSkinCustomBandItem* BandItem() const override { return &m_item; }

 private:
  TZebrinSkinCustomBandItem& m_item;
};

}  // namespace halbrin::skins
