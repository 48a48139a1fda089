#pragma once

// Skin buttons: the buttons of a skin's non-client area (window buttons,
// tool buttons, the buttons of band items) and the collection that lays them
// out in rows inside a band, paints them, finds the button under a point and
// takes the skin's mouse traffic by button index.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/framework/std_events_component.h"
#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/controls/control.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/image_list.h"
#include "platform/variant/variant.h"
#include "skins/core/adapters.h"
#include "skins/core/bands.h"
#include "skins/core/draw_records.h"
#include "skins/core/skin_painter.h"
#include "skins/core/skin_types.h"
#include "skins/core/window_command.h"

namespace halbrin::skins {

class TZebrinSkinCustomButton;
class TZebrinSkinCustomButtons;
class TZebrinSkinWindowButton;

// Bit numbers of a button's state set. The low byte is what draw records
// carry (kButtonPressed... in draw_records.h).
enum TSkinButtonStateBit : std::uint8_t {
  sbsPressed = 1,     // the mouse is held on it
  sbsDown = 2,        // latched (tool buttons)
  sbsHot = 3,         // under the mouse
  sbsDisabled = 4,    // Enabled negated
  sbsOpaque = 5,      // Transparent negated
  sbsMasked = 6,      // Masked
  sbsOverflow = 11,   // hidden by the layout
  sbsHidden = 12,     // Visible negated
  sbsCreated = 13,    // set on every new button
  sbsToolButton = 14, // set on every new tool button
  sbsHotOpaque = 15,  // TransparentHot negated
  sbsDownOpaque = 16, // TransparentDown negated
};
constexpr std::uint32_t StateBit(TSkinButtonStateBit bit) noexcept { return 1u << bit; }

// What window buttons show and allow for the window's state (UpdateButtonStates).
struct TSkinWindowButtonState {
  // A control is set and it is not aligned alClient.
  bool hasControl = false;
  bool maximized = false;
  bool minimized = false;
  // The window asks for the context-help button.
  bool contextHelp = false;
  // Without AutoButtons: the form's own help state.
  bool helpEnabled = false;
  // The skin has a popup menu or a pop-up control for the combo button.
  bool hasDropDown = false;
};

// What the buttons need of the skin that owns their collections. Call-outs
// that run script code (the item reports, OnButtonClick, window commands)
// may free the skin or the buttons; the collections hold OwnerComponent busy
// across each one and check that they still live before going on.
class ISkinButtonsOwner {
 public:
  virtual ~ISkinButtonsOwner() = default;

  // The skin as a component, kept busy across call-outs; null for none.
  virtual platform::TComponent* OwnerComponent() = 0;
  // Window origin, design state, active state, the painters, band repaint and frame refresh.
  virtual ISkinBandHost* BandHost() = 0;
  // The caption (0) or footer (1) band collection; null when there is none.
  virtual TZebrinSkinCustomBands* BandsAt(int bandsIndex) = 0;
  // The skin is loading: no item reports then.
  virtual bool Loading() const = 0;
  // The skinned control is enabled (the colour rules' "skin enabled").
  virtual bool ControlEnabled() const = 0;
  // The window-button glyphs for normal or small captions; by default the manager's.
  virtual platform::TCustomImageList* WindowButtonImages(bool smallCaption);

  // Ctrl, Shift and Alt held now (ssCtrl, ssShift, ssAlt).
  virtual TShiftState KeyboardShift() const = 0;
  // The last mouse position the skin saw, in window coordinates.
  virtual TPoint LastMousePos() const = 0;
  // The screen cursor is the default one; then SetCursor may replace it.
  virtual bool CursorIsDefault() const = 0;
  virtual void SetCursor(TCursor cursor) = 0;
  // While designing: the designer is told that the skin changed.
  virtual void DesignerModified() = 0;

  // The skin's OnAddItem, OnDeleteItem and OnUpdateItemProperty with the item as Sender.
  virtual void ItemAdded(platform::TObject& item) = 0;
  virtual void ItemDeleting(platform::TObject& item) = 0;
  virtual void ItemPropertyUpdated(platform::TObject& item) = 0;
  // The item leaves: it stops being the hot element, the tracker's pressed
  // or tracked item and the hint's item, at once (no message is sent).
  virtual void ForgetItem(const platform::TObject& item) = 0;

  // Window buttons. The skin's OnButtonClick when assigned; true when it ran.
  virtual bool ButtonClick(TZebrinSkinWindowButton& button) = 0;
  virtual bool AutoButtons() const = 0;
  // The skinned control's Align (drop-down menus open at a corner chosen by it).
  virtual platform::TAlign ControlAlign() const { return platform::alNone; }
  // With AutoButtons: the command goes to the control's window.
  virtual void SendWindowCommand(TWindowCommand command) = 0;
  // Without: the skin's own Close, Maximize, Restore, Minimize or ContextHelp
  // (which starts the help cursor mode).
  virtual void RunWindowOperation(TWindowCommand command) = 0;
  // The combo button's menu.
  virtual void OpenComboMenu(TZebrinSkinWindowButton& button) = 0;
};

// (Sender, Kind)
using TButtonUpdateEvent = platform::TEvent<platform::TObject*, TZebrinSkinButtonUpdate>;

class TZebrinSkinCustomButton : public platform::TCollectionItem {
  HALBRIN_CLASS(TZebrinSkinCustomButton, platform::TCollectionItem)

  explicit TZebrinSkinCustomButton(platform::TCollection& collection);
  ~TZebrinSkinCustomButton() override;

  TZebrinSkinCustomButtons* Buttons() const;

  // Published.
  bool AutoEdgeBorders() const noexcept { return m_autoEdgeBorders; }
  void SetAutoEdgeBorders(bool value) { Store(m_autoEdgeBorders, value, false); }
  bool CaptureMouse() const noexcept { return m_captureMouse; }
  void SetCaptureMouse(bool value) { m_captureMouse = value; }
  TCursor Cursor() const noexcept { return m_cursor; }
  void SetCursor(TCursor value) { m_cursor = value; }
  TZebrinSkinEdgeBorders EdgeBorders() const noexcept { return m_edgeBorders; }
  void SetEdgeBorders(TZebrinSkinEdgeBorders value) { Store(m_edgeBorders, value, false); }
  bool Enabled() const noexcept { return !HasState(sbsDisabled); }
  void SetEnabled(bool value) { SetStateBit(sbsDisabled, !value); }
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& value) { m_hint = value; }
  // The stored index; GetImageIndex gives the one drawn.
  int ImageIndex() const noexcept { return m_imageIndex; }
  virtual void SetImageIndex(int value);
  int Indent() const noexcept { return m_indent; }
  void SetIndent(int value) { Store(m_indent, value, true); }
  bool Masked() const noexcept { return HasState(sbsMasked); }
  void SetMasked(bool value) { SetStateBit(sbsMasked, value); }
  TZebrinSkinButtonAdapter* Metrics() const noexcept { return m_metrics.get(); }
  TZebrinSkinItemRoundness Roundness() const noexcept { return m_roundness; }
  void SetRoundness(TZebrinSkinItemRoundness value) { Store(m_roundness, value, true); }
  int Tag() const noexcept { return m_tag; }
  void SetTag(int value) { m_tag = value; }
  bool Themed() const noexcept { return m_themed; }
  void SetThemed(bool value) { Store(m_themed, value, false); }
  bool Transparent() const noexcept { return !HasState(sbsOpaque); }
  void SetTransparent(bool value) { SetStateBit(sbsOpaque, !value); }
  bool TransparentHot() const noexcept { return !HasState(sbsHotOpaque); }
  void SetTransparentHot(bool value) { SetStateBit(sbsHotOpaque, !value); }
  bool TransparentDown() const noexcept { return !HasState(sbsDownOpaque); }
  void SetTransparentDown(bool value) { SetStateBit(sbsDownOpaque, !value); }
  bool Visible() const noexcept { return !HasState(sbsHidden); }
  void SetVisible(bool value) { SetStateBit(sbsHidden, !value); }
  // Free text; writing it clears Value and reports the property update to the skin.
  const std::string& Xml() const noexcept { return m_xml; }
  void SetXml(const std::string& value);

  // Not published here (tool buttons publish some).
  bool BreakLine() const noexcept { return m_breakLine; }
  void SetBreakLine(bool value) { Store(m_breakLine, value, true); }
  int Margin() const noexcept { return m_margin; }
  void SetMargin(int value) { Store(m_margin, value, true); }
  TColor MaskColor() const noexcept { return m_maskColor; }
  void SetMaskColor(TColor value) { Store(m_maskColor, value, false); }
  bool ShowImage() const noexcept { return m_showImage; }
  void SetShowImage(bool value) { Store(m_showImage, value, true); }
  bool ShowText() const noexcept { return m_showText; }
  void SetShowText(bool value) { Store(m_showText, value, true); }
  // A button that manages its own visibility: the window state leaves it alone.
  bool SelfManaged() const noexcept { return m_selfManaged; }
  void SetSelfManaged(bool value) noexcept { m_selfManaged = value; }
  const platform::Variant& Value() const noexcept { return m_value; }
  void SetValue(const platform::Variant& value) { m_value = value; }

  // Set by layout: the rectangle in window coordinates and the row (-1 when not placed).
  const TRect& BoundsRect() const noexcept { return m_rect; }
  int Row() const noexcept { return m_row; }

  // The state set: bit n is TSkinButtonStateBit n.
  std::uint32_t State() const noexcept { return m_state; }
  bool HasState(TSkinButtonStateBit bit) const noexcept { return (m_state & StateBit(bit)) != 0; }
  bool Pressed() const noexcept { return HasState(sbsPressed); }
  bool Hot() const noexcept { return HasState(sbsHot); }
  bool Down() const noexcept { return HasState(sbsDown); }
  bool Overflowed() const noexcept { return HasState(sbsOverflow); }
  // When the set really changes: Changed (a new layout for bits 11 to 13,
  // a repaint otherwise), then Update(sbuState).
  void SetStateBit(TSkinButtonStateBit bit, bool on);
  virtual void SetDown(bool value) { SetStateBit(sbsDown, value); }

  // Clears the spare value and asks for a new layout.
  virtual void Invalidate();
  // The image drawn; -1 for none.
  virtual int GetImageIndex() const { return m_imageIndex; }
  // Shows an image: ShowImage, an index the collection's image list has.
  virtual bool HasImageIndex() const;
  // The Hint; while designing a description of the button.
  virtual std::string GetHintText() const;
  // Sizes along the band: the image and Margin on both sides; that raised to
  // the collection's minimum and cut to its maximum. Thickness runs across.
  virtual int GetNaturalSize() const;
  virtual int GetClampedSize() const;
  virtual int GetThickness() const;

  // Handlers the collection's mouse protocol calls; each fires its event.
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void Update(TZebrinSkinButtonUpdate kind);

  // Moves the button; OnSetIndex when the index really changed.
  void SetIndex(int index) override;
  // From another button: the fields, Metrics, the state set and the handlers
  // (AssignTo also Value), inside the collection's update.
  void Assign(const platform::TPersistent& source) override;
  void AssignTo(platform::TPersistent& dest) const override;

  platform::TNotifyEvent& OnClick() noexcept { return m_onClick; }
  platform::TNotifyEvent& OnDblClick() noexcept { return m_onDblClick; }
  TMouseEvent& OnMouseDown() noexcept { return m_onMouseDown; }
  TMouseMoveEvent& OnMouseMove() noexcept { return m_onMouseMove; }
  TButtonUpdateEvent& OnUpdate() noexcept { return m_onUpdate; }
  platform::TNotifyEvent& OnSetIndex() noexcept { return m_onSetIndex; }
  // A second click notification after OnClick, for native wiring.
  std::function<void(TZebrinSkinCustomButton&)> internalClick;

 protected:
  // Copies this button's values into `dest`.
  virtual void CopyTo(TZebrinSkinCustomButton& dest, bool withValue) const;
  ISkinButtonsOwner* Skin() const;
  bool Designing() const;
  // Runs a call-out with the skin busy; false when this button died meanwhile.
  bool CallOut(const std::function<void()>& call);
  template <class T>
  void Store(T& field, T value, bool relayout) {
    if (field == value) return;
    field = value;
    Changed(relayout);
  }

 private:
  friend class TZebrinSkinCustomButtons;

  bool m_autoEdgeBorders = true;
  TRect m_rect;
  bool m_breakLine = false;
  bool m_captureMouse = true;
  TCursor m_cursor = crHandPoint;
  TZebrinSkinEdgeBorders m_edgeBorders = 0;
  std::string m_hint;
  int m_imageIndex = -1;
  int m_indent = 1;
  int m_margin = 0;
  TColor m_maskColor = platform::clNone;
  std::unique_ptr<TZebrinSkinButtonAdapter> m_metrics;
  int m_row = -1;
  std::uint32_t m_state = StateBit(sbsCreated);
  int m_reserved = 0;
  int m_tag = 0;
  bool m_themed = true;
  TZebrinSkinItemRoundness m_roundness = sirNone;
  bool m_showImage = true;
  bool m_showText = true;
  bool m_selfManaged = false;
  platform::Variant m_value;
  std::string m_xml;

 protected:
  // Published by descendants too.
  platform::TNotifyEvent m_onClick;
  platform::TNotifyEvent m_onDblClick;
  TMouseEvent m_onMouseDown;
  TMouseMoveEvent m_onMouseMove;
  TButtonUpdateEvent m_onUpdate;
  platform::TNotifyEvent m_onSetIndex;
};

// The collection of buttons; the owner is the skin (or a band item). As
// ISkinBandButtons it takes its place in a band, and paints there.
class TZebrinSkinCustomButtons : public platform::TOwnedCollection, public ISkinBandButtons {
  HALBRIN_CLASS(TZebrinSkinCustomButtons, platform::TOwnedCollection)

  TZebrinSkinCustomButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin, ISkinDefaults* defaults = nullptr);
  ~TZebrinSkinCustomButtons() override;

  ISkinButtonsOwner* Skin() const noexcept { return m_skin; }
  ISkinDefaults* Defaults() const noexcept { return m_defaults; }
  ISkinBandHost* BandHost() const;
  bool Designing() const;

  TZebrinSkinCustomButton& Add();
  TZebrinSkinCustomButton* Items(int index) const;
  // Null outside 0..Count-1.
  TZebrinSkinCustomButton* ButtonAt(int index) const;

  // Published.
  bool CaptureMouse() const noexcept { return m_captureMouse; }
  void SetCaptureMouse(bool value) { m_captureMouse = value; }
  bool DownShift() const noexcept { return m_downShift; }
  void SetDownShift(bool value) { Store(m_downShift, value); }
  bool Empty() const noexcept { return Count() == 0; }
  bool HotTrack() const noexcept { return m_hotTrack; }
  void SetHotTrack(bool value) { Store(m_hotTrack, value); }
  // Watched through a change link, which also forgets a list that is freed.
  platform::TCustomImageList* ImageList() const noexcept { return m_imageLink.Sender(); }
  void SetImageList(platform::TCustomImageList* value);
  int Indent() const noexcept { return m_indent; }
  void SetIndent(int value) { Store(m_indent, value); }
  bool ShowHint() const noexcept { return m_showHint; }
  void SetShowHint(bool value) { m_showHint = value; }
  bool Visible() const override { return m_visible; }
  void SetVisible(bool value) { Store(m_visible, value); }

  // Published by descendants.
  TZebrinSkinItemAlign Align() const noexcept { return m_align; }
  void SetAlign(TZebrinSkinItemAlign value) { Store(m_align, value); }
  int BorderWidth() const noexcept { return m_borderWidth; }
  void SetBorderWidth(int value);
  int ButtonMaxSize() const noexcept { return m_buttonMaxSize; }
  void SetButtonMaxSize(int value);
  int ButtonMinSize() const noexcept { return m_buttonMinSize; }
  void SetButtonMinSize(int value);
  TDragMode DragMode() const noexcept { return m_dragMode; }
  void SetDragMode(TDragMode value) { m_dragMode = value; }
  // The grip's size; -1 is the manager's DropDownSize.
  int GripSize() const noexcept { return m_gripSize; }
  void SetGripSize(int value);
  int Height() const noexcept { return m_height; }
  void SetHeight(int value);
  bool HideItems() const noexcept { return m_hideItems; }
  void SetHideItems(bool value) { Store(m_hideItems, value); }
  TZebrinSkinItemLayout Layout() const noexcept { return m_layout; }
  void SetLayout(TZebrinSkinItemLayout value) { Store(m_layout, value); }
  // 0 is unlimited.
  int MaxRows() const noexcept { return m_maxRows; }
  void SetMaxRows(int value) { Store(m_maxRows, value); }
  bool ShowGrip() const noexcept { return m_showGrip; }
  void SetShowGrip(bool value) { Store(m_showGrip, value); }
  bool Transparent() const noexcept { return m_transparent; }
  void SetTransparent(bool value) { Store(m_transparent, value); }
  // Along the band; -1 takes what the band offers.
  int Width() const noexcept { return m_width; }
  void SetWidth(int value) { Store(m_width, value); }
  bool Wrapable() const noexcept { return m_wrapable; }
  void SetWrapable(bool value) { Store(m_wrapable, value); }

  // The band the buttons sit in; this base sits in none.
  virtual TZebrinSkinBand* Band() const { return nullptr; }
  // Buttons run vertically in a vertical band; Place reads it from the band.
  bool Vertical() const noexcept { return m_vertical; }
  void SetVertical(bool value) noexcept { m_vertical = value; }
  bool Horizontal() const noexcept { return !m_vertical; }
  void RefreshOrientation();

  // The image list buttons draw from.
  virtual platform::TCustomImageList* Images() const { return ImageList(); }
  // The images' extent along (or across) the band; 0 without images.
  int ImageExtent(bool along) const;
  // One row's thickness across the band inside BorderWidth: Height less the
  // borders when set, else the image extent across.
  virtual int RowThickness() const;
  // RowThickness plus BorderWidth on both sides.
  int ButtonHeight() const;
  // The rows' thickness across the band, with BorderWidth around and between them.
  int TotalThickness() const;
  // The buttons' extent along the band, indents and grip included.
  int NaturalExtent() const;
  virtual int ButtonMinSizeRead() const;
  virtual int ButtonMaxSizeRead() const;
  // Button `index`'s size along the band.
  virtual int ButtonSize(int index) const;
  int GetGripSize() const;
  // Rows used by the last layout, buttons it hid by overflow, its grip rectangle.
  int Rows() const noexcept { return m_rows; }
  int OverflowCount() const noexcept { return m_overflowCount; }
  const TRect& GripRect() const noexcept { return m_gripRect; }

  // Lays the buttons out inside `bounds` (window coordinates) and answers the
  // area taken; while updating, the previous area.
  virtual TRect LayoutButtons(const TRect& bounds);
  // The area in window coordinates; (-1, -1, -1, -1) after ResetBounds.
  const TRect& BoundsRect() const noexcept { return m_area; }
  void ResetBounds() noexcept { m_area = TRect{-1, -1, -1, -1}; }

  // ISkinBandButtons.
  TRect Place(const TRect& area) override { return LayoutButtons(area); }
  TRect Rect() const override { return m_area; }
  // Every placed button, then the grip, moved so the band area starts at the canvas origin.
  void Paint(platform::ICanvas& canvas) override;
  // One button: fill, edges, the design frame and the glyph, in `rect`.
  virtual void PaintButton(platform::ICanvas& canvas, int index, const TRect& rect);
  // This base draws no grip.
  virtual void PaintGrip(platform::ICanvas& canvas, const TRect& rect) {
    (void)canvas;
    (void)rect;
  }
  // EdgeBorders turned a quarter on a vertical band when AutoEdgeBorders is on.
  TZebrinSkinEdgeBorders EffectiveEdgeBorders(const TZebrinSkinCustomButton& button) const;
  // The edge record of a button drawn in `rect`; none when it has no edges to draw.
  std::optional<TSkinEdgeParams> EdgeRecord(const TZebrinSkinCustomButton& button, const TRect& rect,
                                            const TZebrinSkinCustomAdapter& metrics,
                                            const TSkinColorState& state) const;
  // The fill decision: opaque, or hot and not TransparentHot, or down and not TransparentDown.
  bool NeedsFill(const TZebrinSkinCustomButton& button) const;
  // The colour state of a button for the colour rules.
  TSkinColorState ColorState(const TZebrinSkinCustomButton& button) const;

  // The first visible, placed button whose rectangle holds the window point; -1 for none.
  int IndexAtPos(TPoint windowPoint) const;
  TZebrinSkinCustomButton* ButtonAtPos(TPoint windowPoint) const;
  int FirstVisibleIndex() const;

  // The mouse protocol, by button index (out-of-range indexes do nothing).
  // Release: the left button went up over the pressed button, before Click;
  // true when the button takes it (capturing and enabled).
  virtual bool Release(int index);
  virtual void Press(int index, bool on);
  virtual void Hover(int index, bool on);
  virtual void Click(int index);
  virtual void DblClick(int index);
  virtual void MouseDown(int index, TMouseButton button);
  virtual void MouseMove(int index, int x, int y);
  // True when the button's cursor was set.
  virtual bool SetCursor(int index);
  // The button takes the index of the other button under the screen point.
  virtual void DragTo(int index, TPoint screenPoint);
  virtual void SetState(int index, TSkinButtonStateBit bit, bool on);

  // The collection's own events (a press on the collection, not on a button).
  void CollectionClick();
  void CollectionDblClick();
  void CollectionMouseDown(TMouseButton button);

  // While designing, a description of the collection; empty otherwise.
  virtual std::string GetHintText() const;

  // From another button collection: its settings (not its buttons' list).
  void Assign(const platform::TPersistent& source) override;

  platform::TNotifyEvent& OnAddButton() noexcept { return m_onAddButton; }
  platform::TNotifyEvent& OnClick() noexcept { return m_onClick; }
  platform::TNotifyEvent& OnDblClick() noexcept { return m_onDblClick; }
  TMouseEvent& OnMouseDown() noexcept { return m_onMouseDown; }

 protected:
  // For descendants with their own button class.
  TZebrinSkinCustomButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin, ISkinDefaults* defaults,
                           const platform::TClassInfo& itemClass, platform::TCollectionItemFactory factory);
  // With an item and not designing, the band's area repaints; otherwise the frame refreshes.
  void Update(platform::TCollectionItem* item) override;
  void Added(platform::TCollectionItem& item) override;
  void Deleting(platform::TCollectionItem& item) override;
  void Notify(platform::TCollectionItem* item, platform::TCollectionNotification action) override;
  // The adapter that colours a button's fill and edges.
  virtual const TZebrinSkinCustomAdapter& FillMetrics(const TZebrinSkinCustomButton& button) const;
  // What a button draws after its fill and edges; this base draws nothing.
  virtual void PaintGlyph(platform::ICanvas& canvas, const TZebrinSkinCustomButton& button, const TRect& rect);
  // The ImageList= line of the design description.
  virtual std::string ImageListText() const;
  // Where a new button's Metrics take their defaults.
  virtual TSkinOwnerKind ButtonKind() const { return TSkinOwnerKind::Other; }
  // What themed parts draw with (the band host's theme, else the default
  // painter), and what the others draw with.
  ISkinPainter& Painter() const;
  ISkinPainter& DefaultPainter() const;
  // Runs a call-out with the skin busy; false when `alive` died meanwhile.
  bool CallOut(const platform::TObject& alive, const std::function<void()>& call);
  template <class T>
  void Store(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed();
  }

 private:
  friend class TZebrinSkinCustomButton;
  TRect LayoutInnerRect(const TRect& bounds);
  TRect PlaceButton(const TRect& inner, int pos, int size, int thickness) const;
  bool RowsExhausted() const;
  bool CanWrap() const;
  TPoint PaintOrigin() const;
  TShiftState ShiftNow() const;
  void ImageListChanged();

  ISkinButtonsOwner* m_skin;
  ISkinDefaults* m_defaults;
  bool m_vertical = false;
  int m_borderWidth = 0;
  TRect m_area;
  int m_buttonMaxSize = -1;
  int m_buttonMinSize = -1;
  bool m_captureMouse = true;
  bool m_downShift = true;
  TDragMode m_dragMode = dmManual;
  int m_gripSize = -1;
  int m_height = -1;
  int m_overflowCount = 0;
  bool m_hideItems = true;
  bool m_hotTrack = true;
  platform::TChangeLink m_imageLink;
  int m_indent = 0;
  TZebrinSkinItemLayout m_layout = silCenter;
  int m_maxRows = 0;
  int m_rows = 1;
  bool m_showHint = true;
  bool m_showGrip = false;
  bool m_transparent = true;
  bool m_visible = true;
  int m_width = -1;
  bool m_wrapable = false;
  TZebrinSkinItemAlign m_align = siaLeft;
  TRect m_gripRect;
  int m_layoutExtent = -1;

 protected:
  platform::TNotifyEvent m_onAddButton;
  platform::TNotifyEvent m_onClick;
  platform::TNotifyEvent m_onDblClick;
  TMouseEvent m_onMouseDown;
};

}  // namespace halbrin::skins
