#include "skins/core/skin_buttons.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "platform/classes/class_builder.h"
#include "skins/core/default_painter.h"
#include "skins/core/skin_geometry.h"
#include "skins/core/skin_manager.h"

namespace halbrin::skins {

namespace {

using platform::TComponent;
using platform::TObject;
using platform::TWeakRef;

const char* BoolText(bool value) { return value ? "True" : "False"; }

TRect Offset(const TRect& r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

TRect Union(const TRect& a, const TRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

TShiftState ButtonShift(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbLeft: return ssLeft;
    case TMouseButton::mbRight: return ssRight;
    case TMouseButton::mbMiddle: return ssMiddle;
  }
  return 0;
}

// Holds the skin busy for its scope, so a skin freed by a handler goes when
// the scope ends, not under our feet.
class TSkinBusy {
 public:
  explicit TSkinBusy(ISkinButtonsOwner* skin) {
    if (skin)
      if (TComponent* component = skin->OwnerComponent()) m_busy.emplace(*component);
  }

 private:
  std::optional<TComponent::TBusyGuard> m_busy;
};

const TZebrinSkinCustomButtons* ButtonsOf(const platform::TCollection& collection) {
  return dynamic_cast<const TZebrinSkinCustomButtons*>(&collection);
}

}  // namespace

platform::TCustomImageList* ISkinButtonsOwner::WindowButtonImages(bool smallCaption) {
  const TZebrinSkinManager* manager = SkinManager();
  if (!manager) return nullptr;
  return smallCaption ? manager->SmallButtonImages() : manager->ButtonImages();
}

// ---- TZebrinSkinCustomButton ----

TZebrinSkinCustomButton::TZebrinSkinCustomButton(platform::TCollection& collection) {
  const TZebrinSkinCustomButtons* buttons = ButtonsOf(collection);
  m_metrics = std::make_unique<TZebrinSkinButtonAdapter>(this, buttons ? buttons->Defaults() : nullptr,
                                                         buttons ? buttons->ButtonKind() : TSkinOwnerKind::Other);
  m_metrics->ownerChanged = [this](bool recalc) { Changed(recalc); };
}

TZebrinSkinCustomButton::~TZebrinSkinCustomButton() = default;

TZebrinSkinCustomButtons* TZebrinSkinCustomButton::Buttons() const {
  return dynamic_cast<TZebrinSkinCustomButtons*>(Collection());
}

ISkinButtonsOwner* TZebrinSkinCustomButton::Skin() const {
  const TZebrinSkinCustomButtons* buttons = Buttons();
  return buttons ? buttons->Skin() : nullptr;
}

bool TZebrinSkinCustomButton::Designing() const {
  const TZebrinSkinCustomButtons* buttons = Buttons();
  return buttons && buttons->Designing();
}

bool TZebrinSkinCustomButton::CallOut(const std::function<void()>& call) {
  const TWeakRef<TObject> alive(this);
  {
    const TSkinBusy busy(Skin());
    call();
  }
  return alive.Get() != nullptr;
}

void TZebrinSkinCustomButton::SetImageIndex(int value) { Store(m_imageIndex, value, false); }

void TZebrinSkinCustomButton::SetXml(const std::string& value) {
  m_value = platform::Variant();
  m_xml = value;
  ISkinButtonsOwner* skin = Skin();
  if (skin && !skin->Loading()) CallOut([&] { skin->ItemPropertyUpdated(*this); });
}

void TZebrinSkinCustomButton::SetStateBit(TSkinButtonStateBit bit, bool on) {
  const std::uint32_t next = on ? m_state | StateBit(bit) : m_state & ~StateBit(bit);
  if (next == m_state) return;
  m_state = next;
  Changed(bit >= sbsOverflow && bit <= sbsCreated);
  Update(sbuState);
}

void TZebrinSkinCustomButton::Invalidate() {
  m_reserved = 0;
  Changed(true);
}

bool TZebrinSkinCustomButton::HasImageIndex() const {
  const TZebrinSkinCustomButtons* buttons = Buttons();
  if (!buttons || !m_showImage) return false;
  const int index = GetImageIndex();
  const platform::TCustomImageList* images = buttons->Images();
  return index >= 0 && images && index < images->Count();
}

std::string TZebrinSkinCustomButton::GetHintText() const {
  if (!Designing()) return m_hint;
  std::string text = GetNamePath() + "\r\n";
  text += "Bounds=" + RectToText(m_rect) + "\r\n";
  text += std::string("Metrics.Default=") + BoolText(m_metrics->Default()) + "\r\n";
  text += std::string("CaptureMouse=") + BoolText(m_captureMouse) + "\r\n";
  text += "ImageIndex=" + std::to_string(GetImageIndex()) + "\r\n";
  if (!m_hint.empty()) text += "Hint=" + m_hint + "\r\n";
  return text;
}

int TZebrinSkinCustomButton::GetNaturalSize() const {
  const TZebrinSkinCustomButtons* buttons = Buttons();
  const int image = buttons && HasImageIndex() ? buttons->ImageExtent(true) : 0;
  return image + 2 * m_margin;
}

int TZebrinSkinCustomButton::GetClampedSize() const {
  const TZebrinSkinCustomButtons* buttons = Buttons();
  if (!buttons) return GetNaturalSize();
  return std::min(std::max(GetNaturalSize(), buttons->ButtonMinSizeRead()), buttons->ButtonMaxSizeRead());
}

int TZebrinSkinCustomButton::GetThickness() const {
  const TZebrinSkinCustomButtons* buttons = Buttons();
  return buttons ? buttons->ButtonHeight() - 2 * buttons->BorderWidth() : 0;
}

void TZebrinSkinCustomButton::Click() {
  if (!Enabled()) return;
  if (m_onClick.Assigned() && !CallOut([&] { m_onClick(this); })) return;
  if (Enabled() && internalClick) internalClick(*this);
}

void TZebrinSkinCustomButton::DblClick() {
  if (m_onDblClick.Assigned()) CallOut([&] { m_onDblClick(this); });
}

void TZebrinSkinCustomButton::MouseDown(TMouseButton button, TShiftState shift) {
  if (!m_onMouseDown.Assigned()) return;
  const ISkinButtonsOwner* skin = Skin();
  const TPoint pos = skin ? skin->LastMousePos() : TPoint{};
  CallOut([&] { m_onMouseDown(this, button, shift, pos.X, pos.Y); });
}

void TZebrinSkinCustomButton::MouseMove(TShiftState shift, int x, int y) {
  if (m_onMouseMove.Assigned()) CallOut([&] { m_onMouseMove(this, shift, x, y); });
}

void TZebrinSkinCustomButton::Update(TZebrinSkinButtonUpdate kind) {
  if (m_onUpdate.Assigned()) CallOut([&] { m_onUpdate(this, kind); });
}

void TZebrinSkinCustomButton::SetIndex(int index) {
  const int old = Index();
  Inherited::SetIndex(index);
  if (old >= 0 && Index() != old && m_onSetIndex.Assigned()) CallOut([&] { m_onSetIndex(this); });
}

void TZebrinSkinCustomButton::CopyTo(TZebrinSkinCustomButton& dest, bool withValue) const {
  dest.m_selfManaged = m_selfManaged;
  dest.m_autoEdgeBorders = m_autoEdgeBorders;
  dest.m_captureMouse = m_captureMouse;
  dest.m_cursor = m_cursor;
  dest.m_edgeBorders = m_edgeBorders;
  dest.m_hint = m_hint;
  dest.m_imageIndex = m_imageIndex;
  dest.m_indent = m_indent;
  dest.m_margin = m_margin;
  dest.m_metrics->Assign(*m_metrics);
  dest.m_state = m_state;
  dest.m_reserved = m_reserved;
  dest.m_tag = m_tag;
  dest.m_onClick = m_onClick;
  dest.m_onDblClick = m_onDblClick;
  dest.m_onMouseDown = m_onMouseDown;
  dest.m_onMouseMove = m_onMouseMove;
  dest.m_onUpdate = m_onUpdate;
  dest.m_onSetIndex = m_onSetIndex;
  dest.internalClick = internalClick;
  dest.m_xml = m_xml;
  if (withValue) dest.m_value = m_value;
  dest.m_showImage = m_showImage;
  dest.m_showText = m_showText;
}

void TZebrinSkinCustomButton::Assign(const platform::TPersistent& source) {
  const auto* from = dynamic_cast<const TZebrinSkinCustomButton*>(&source);
  if (!from) {
    Inherited::Assign(source);
    return;
  }
  if (platform::TCollection* collection = Collection()) {
    platform::TCollection::TUpdateScope update(*collection);
    from->CopyTo(*this, false);
  } else {
    from->CopyTo(*this, false);
  }
}

void TZebrinSkinCustomButton::AssignTo(platform::TPersistent& dest) const {
  auto* to = dynamic_cast<TZebrinSkinCustomButton*>(&dest);
  if (!to) {
    Inherited::AssignTo(dest);
    return;
  }
  if (platform::TCollection* collection = to->Collection()) {
    platform::TCollection::TUpdateScope update(*collection);
    CopyTo(*to, true);
  } else {
    CopyTo(*to, true);
  }
}

// ---- TZebrinSkinCustomButtons ----

TZebrinSkinCustomButtons::TZebrinSkinCustomButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin,
                                                   ISkinDefaults* defaults)
    : TZebrinSkinCustomButtons(owner, skin, defaults, TZebrinSkinCustomButton::StaticClassInfo(),
                               FactoryOf<TZebrinSkinCustomButton>()) {}

TZebrinSkinCustomButtons::TZebrinSkinCustomButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin,
                                                   ISkinDefaults* defaults, const platform::TClassInfo& itemClass,
                                                   platform::TCollectionItemFactory factory)
    : TOwnedCollection(owner, itemClass, std::move(factory)), m_skin(skin), m_defaults(defaults) {
  SetPropName("Buttons");
  m_imageLink.SetOnChange([this] { ImageListChanged(); });
}

TZebrinSkinCustomButtons::~TZebrinSkinCustomButtons() = default;

ISkinBandHost* TZebrinSkinCustomButtons::BandHost() const { return m_skin ? m_skin->BandHost() : nullptr; }

bool TZebrinSkinCustomButtons::Designing() const {
  const ISkinBandHost* host = BandHost();
  return host && host->Designing();
}

bool TZebrinSkinCustomButtons::CallOut(const platform::TObject& alive, const std::function<void()>& call) {
  const TWeakRef<const TObject> self(this);
  const TWeakRef<const TObject> other(&alive);
  {
    const TSkinBusy busy(m_skin);
    call();
  }
  return self.Get() && other.Get();
}

TZebrinSkinCustomButton& TZebrinSkinCustomButtons::Add() {
  // The item reports may free the skin: it goes after the whole insertion.
  const TSkinBusy busy(m_skin);
  return static_cast<TZebrinSkinCustomButton&>(TCollection::Add());
}

TZebrinSkinCustomButton* TZebrinSkinCustomButtons::Items(int index) const {
  return static_cast<TZebrinSkinCustomButton*>(TCollection::Items(index));
}

TZebrinSkinCustomButton* TZebrinSkinCustomButtons::ButtonAt(int index) const {
  return index >= 0 && index < Count() ? Items(index) : nullptr;
}

void TZebrinSkinCustomButtons::SetImageList(platform::TCustomImageList* value) {
  platform::TCustomImageList* old = ImageList();
  if (old == value) return;
  if (value)
    value->RegisterChanges(m_imageLink);
  else
    old->UnRegisterChanges(m_imageLink);
  Changed();
}

void TZebrinSkinCustomButtons::ImageListChanged() {
  if (ISkinBandHost* host = BandHost()) host->RefreshFrame();
  if (m_skin && Designing()) m_skin->DesignerModified();
}

void TZebrinSkinCustomButtons::SetBorderWidth(int value) { Store(m_borderWidth, std::max(value, 0)); }
void TZebrinSkinCustomButtons::SetButtonMaxSize(int value) { Store(m_buttonMaxSize, std::max(value, -1)); }
void TZebrinSkinCustomButtons::SetButtonMinSize(int value) { Store(m_buttonMinSize, std::max(value, -1)); }
void TZebrinSkinCustomButtons::SetGripSize(int value) { Store(m_gripSize, std::max(value, -1)); }
void TZebrinSkinCustomButtons::SetHeight(int value) { Store(m_height, std::max(value, -1)); }

void TZebrinSkinCustomButtons::RefreshOrientation() {
  const TZebrinSkinBand* band = Band();
  if (const TZebrinSkinCustomBands* bands = band ? band->Bands() : nullptr) m_vertical = !bands->IsHorizontalLayout();
}

// ---- sizes ----

int TZebrinSkinCustomButtons::ImageExtent(bool along) const {
  const platform::TCustomImageList* images = Images();
  if (!images) return 0;
  return along == Horizontal() ? images->Width() : images->Height();
}

int TZebrinSkinCustomButtons::RowThickness() const {
  return m_height >= 0 ? m_height - 2 * m_borderWidth : ImageExtent(false);
}

int TZebrinSkinCustomButtons::ButtonHeight() const { return RowThickness() + 2 * m_borderWidth; }

int TZebrinSkinCustomButtons::TotalThickness() const {
  return RowThickness() * m_rows + (m_rows + 1) * m_borderWidth;
}

int TZebrinSkinCustomButtons::NaturalExtent() const {
  int extent = m_indent + (m_showGrip ? GetGripSize() : 0);
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) extent += Items(i)->Indent() + ButtonSize(i);
  return extent;
}

int TZebrinSkinCustomButtons::ButtonMinSizeRead() const {
  return m_buttonMinSize >= 0 ? m_buttonMinSize : ImageExtent(true);
}

int TZebrinSkinCustomButtons::ButtonMaxSizeRead() const {
  if (m_buttonMaxSize >= 0) return m_buttonMaxSize;
  // The band's extent: what the last layout was offered, else the band's rectangle.
  if (m_layoutExtent >= 0) return m_layoutExtent;
  if (const TZebrinSkinBand* band = Band(); band && !RectIsEmpty(band->BoundsRect()))
    return RectExtent(band->BoundsRect(), Horizontal());
  return std::numeric_limits<int>::max();
}

int TZebrinSkinCustomButtons::ButtonSize(int index) const {
  const TZebrinSkinCustomButton* button = ButtonAt(index);
  return button ? button->GetClampedSize() : 0;
}

int TZebrinSkinCustomButtons::GetGripSize() const {
  if (m_gripSize >= 0) return m_gripSize;
  const TZebrinSkinManager* manager = SkinManager();
  return manager ? manager->DropDownSize() : 0;
}

// ---- layout ----

bool TZebrinSkinCustomButtons::CanWrap() const { return m_wrapable && m_maxRows != 1; }

bool TZebrinSkinCustomButtons::RowsExhausted() const {
  return !m_wrapable || (m_maxRows > 0 && m_rows >= m_maxRows);
}

TRect TZebrinSkinCustomButtons::LayoutInnerRect(const TRect& bounds) {
  const bool horizontal = Horizontal();
  const int side = m_align;
  TRect inner = bounds;
  if (m_width >= 0) inner = ExtendBandSide(inner, horizontal, m_width - RectExtent(inner, horizontal), side);
  if (m_showGrip) {
    const int grip = GetGripSize();
    m_gripRect = BandSidePiece(inner, horizontal, grip, side);
    inner = CutBandSide(inner, horizontal, grip, side);
  }
  return inner;
}

TRect TZebrinSkinCustomButtons::PlaceButton(const TRect& inner, int pos, int size, int thickness) const {
  const bool horizontal = Horizontal();
  const bool farSide = m_align == siaRight;
  // Across the band: near the top (or left) side when rows wrap or for
  // silTop, centred, or against the far side.
  const auto across = [&](int nearEdge, int farEdge) {
    if (CanWrap() || m_layout == silTop) return nearEdge + m_borderWidth;
    if (m_layout == silCenter) return nearEdge + (farEdge - nearEdge - thickness) / 2;
    return farEdge - m_borderWidth - thickness;
  };
  TRect r;
  if (horizontal) {
    r.Left = farSide ? inner.Right - pos - size : inner.Left + pos;
    r.Right = r.Left + size;
    r.Top = across(inner.Top, inner.Bottom);
    r.Bottom = r.Top + thickness;
  } else {
    // Along a vertical band the near side is the bottom.
    r.Top = farSide ? inner.Top + pos : inner.Bottom - pos - size;
    r.Bottom = r.Top + size;
    r.Left = across(inner.Left, inner.Right);
    r.Right = r.Left + thickness;
  }
  return r;
}

TRect TZebrinSkinCustomButtons::LayoutButtons(const TRect& bounds) {
  if (UpdateCount() > 0) return m_area;
  m_area = TRect{};
  m_overflowCount = 0;
  m_rows = 1;
  m_gripRect = TRect{};
  if (!m_visible) return m_area;
  RefreshOrientation();
  const bool horizontal = Horizontal();
  m_layoutExtent = RectExtent(bounds, horizontal);
  TRect inner = LayoutInnerRect(bounds);
  const int extent = RectExtent(inner, horizontal);
  const int thickness = ButtonHeight() - 2 * m_borderWidth;
  const int first = FirstVisibleIndex();
  // State bits written here are layout results: no notifications.
  const auto overflow = [this](TZebrinSkinCustomButton& button) {
    button.m_rect = TRect{};
    button.m_row = -1;
    button.m_state |= StateBit(sbsOverflow);
    ++m_overflowCount;
  };
  int pos = m_indent;
  bool placed = false;
  bool overflowing = false;
  for (int i = 0; i < Count(); ++i) {
    TZebrinSkinCustomButton& button = *Items(i);
    button.m_state &= ~StateBit(sbsOverflow);
    if (!button.Visible()) {
      button.m_row = -1;
      button.m_rect = TRect{};
      continue;
    }
    const int size = ButtonSize(i);
    if (m_hideItems && extent < button.Indent() + size) {
      // One button wider than the band hides them all.
      for (int j = 0; j < Count(); ++j) {
        TZebrinSkinCustomButton& each = *Items(j);
        each.m_rect = TRect{};
        each.m_row = -1;
        if (each.Visible()) each.m_state |= StateBit(sbsOverflow);
      }
      m_overflowCount = Count();
      m_area = m_gripRect;
      return m_area;
    }
    // Once a button overflows, the ones after it do too: order is kept.
    if (overflowing) {
      overflow(button);
      continue;
    }
    pos += button.Indent();
    bool fits = !(m_hideItems && pos + size > extent);
    if (button.BreakLine() && i != first) fits = false;
    if (i == 0 && CanWrap()) fits = true;
    if (!fits) {
      if (RowsExhausted()) {
        overflow(button);
        overflowing = true;
        continue;
      }
      ++m_rows;
      pos = m_indent + button.Indent();
      const int step = thickness + m_borderWidth;
      inner = horizontal ? Offset(inner, 0, step) : Offset(inner, step, 0);
    }
    button.m_rect = PlaceButton(inner, pos, size, thickness);
    button.m_row = m_rows - 1;
    pos += size;
    m_area = placed ? Union(m_area, button.m_rect) : button.m_rect;
    placed = true;
  }
  if (m_showGrip) m_area = placed ? Union(m_area, m_gripRect) : m_gripRect;
  return m_area;
}

// ---- painting ----

TPoint TZebrinSkinCustomButtons::PaintOrigin() const {
  const TZebrinSkinBand* band = Band();
  const TZebrinSkinCustomBands* bands = band ? band->Bands() : nullptr;
  if (!bands) return {};
  return {bands->BoundsRect().Left, bands->BoundsRect().Top};
}

ISkinPainter& TZebrinSkinCustomButtons::Painter() const {
  ISkinBandHost* host = BandHost();
  ISkinPainter* theme = host ? host->Painter() : nullptr;
  return theme ? *theme : DefaultSkinPainter();
}

ISkinPainter& TZebrinSkinCustomButtons::DefaultPainter() const {
  ISkinBandHost* host = BandHost();
  return host ? host->DefaultPainter() : DefaultSkinPainter();
}

void TZebrinSkinCustomButtons::Paint(platform::ICanvas& canvas) {
  const TPoint origin = PaintOrigin();
  for (int i = 0; i < Count(); ++i) {
    const TZebrinSkinCustomButton& button = *Items(i);
    if (!button.Visible() || button.Overflowed() || RectIsEmpty(button.BoundsRect())) continue;
    PaintButton(canvas, i, Offset(button.BoundsRect(), -origin.X, -origin.Y));
  }
  if (m_showGrip && !RectIsEmpty(m_gripRect)) PaintGrip(canvas, Offset(m_gripRect, -origin.X, -origin.Y));
}

TSkinColorState TZebrinSkinCustomButtons::ColorState(const TZebrinSkinCustomButton& button) const {
  TSkinColorState state;
  state.skinEnabled = !m_skin || m_skin->ControlEnabled();
  state.elementEnabled = button.Enabled();
  const ISkinBandHost* host = BandHost();
  state.active = !host || host->Active();
  state.hot = button.Hot() && m_hotTrack;
  state.down = button.Down() || button.Pressed();
  return state;
}

bool TZebrinSkinCustomButtons::NeedsFill(const TZebrinSkinCustomButton& button) const {
  const bool down = button.Down() || button.Pressed();
  return !button.Transparent() || (button.Hot() && !button.TransparentHot()) || (down && !button.TransparentDown());
}

TZebrinSkinEdgeBorders TZebrinSkinCustomButtons::EffectiveEdgeBorders(const TZebrinSkinCustomButton& button) const {
  if (button.AutoEdgeBorders() && Vertical()) return band_local::TurnEdges(button.EdgeBorders());
  return button.EdgeBorders();
}

const TZebrinSkinCustomAdapter& TZebrinSkinCustomButtons::FillMetrics(const TZebrinSkinCustomButton& button) const {
  return *button.Metrics();
}

void TZebrinSkinCustomButtons::PaintGlyph(platform::ICanvas& canvas, const TZebrinSkinCustomButton& button,
                                          const TRect& rect) {
  (void)canvas;
  (void)button;
  (void)rect;
}

void TZebrinSkinCustomButtons::PaintButton(platform::ICanvas& canvas, int index, const TRect& rect) {
  const TZebrinSkinCustomButton* button = ButtonAt(index);
  if (!button) return;
  const bool horizontal = Horizontal();
  TRect r = rect;
  if (m_downShift && button->Pressed() != button->Down()) r = horizontal ? Offset(r, 0, 1) : Offset(r, 1, 0);
  const TZebrinSkinCustomAdapter& metrics = FillMetrics(*button);
  const TSkinColorState state = ColorState(*button);
  const bool designing = Designing();
  if (NeedsFill(*button)) {
    TSkinFillParams fill;
    fill.Rect = r;
    fill.Color = TZebrinSkinColor::Button(metrics, state);
    fill.Designing = designing;
    fill.Transparent = horizontal;
    fill.Active = state.active;
    fill.State2 = button->Enabled();
    fill.Value = button->Roundness();
    if (button->Themed())
      Painter().FillButton(canvas, fill);
    else
      DefaultPainter().FillButton(canvas, fill);
  }
  if (const std::optional<TSkinEdgeParams> edge = EdgeRecord(*button, r, metrics, state))
    Painter().DrawButtonEdges(canvas, *edge);
  if (designing) TSkinDefaultPainter::DrawDottedFrame(canvas, r, platform::clDefault);
  PaintGlyph(canvas, *button, r);
}

std::optional<TSkinEdgeParams> TZebrinSkinCustomButtons::EdgeRecord(const TZebrinSkinCustomButton& button,
                                                                    const TRect& rect,
                                                                    const TZebrinSkinCustomAdapter& metrics,
                                                                    const TSkinColorState& state) const {
  const TZebrinSkinEdgeBorders edges = EffectiveEdgeBorders(button);
  if (metrics.EdgeWidth() <= 0 || edges == 0) return std::nullopt;
  TSkinEdgeParams edge;
  edge.Rect = rect;
  edge.Color = TZebrinSkinColor::Edge(metrics, state);
  edge.Width = metrics.EdgeWidth();
  edge.Edges = edges;
  edge.Roundness = button.Roundness();
  edge.ButtonState = static_cast<std::uint8_t>(button.State() & 0xFF);
  edge.ButtonFlags = Horizontal() ? 0 : kButtonVertical;
  return edge;
}

// ---- hit test and mouse ----

int TZebrinSkinCustomButtons::IndexAtPos(TPoint windowPoint) const {
  for (int i = 0; i < Count(); ++i) {
    const TZebrinSkinCustomButton& button = *Items(i);
    if (button.Visible() && !button.Overflowed() && button.BoundsRect().Contains(windowPoint)) return i;
  }
  return -1;
}

TZebrinSkinCustomButton* TZebrinSkinCustomButtons::ButtonAtPos(TPoint windowPoint) const {
  return ButtonAt(IndexAtPos(windowPoint));
}

int TZebrinSkinCustomButtons::FirstVisibleIndex() const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) return i;
  return -1;
}

TShiftState TZebrinSkinCustomButtons::ShiftNow() const {
  return m_skin ? m_skin->KeyboardShift() & (ssCtrl | ssShift | ssAlt) : 0;
}

bool TZebrinSkinCustomButtons::Release(int index) {
  const TZebrinSkinCustomButton* button = ButtonAt(index);
  return button && button->CaptureMouse() && button->Enabled();
}

void TZebrinSkinCustomButtons::Press(int index, bool on) {
  const TZebrinSkinCustomButton* button = ButtonAt(index);
  // Clearing always goes through, so a button disabled while held does not stay pressed.
  if (button && (!on || (button->CaptureMouse() && button->Enabled()))) SetState(index, sbsPressed, on);
}

void TZebrinSkinCustomButtons::Hover(int index, bool on) {
  const TZebrinSkinCustomButton* button = ButtonAt(index);
  if (button && (!on || (button->CaptureMouse() && button->Enabled()))) SetState(index, sbsHot, on);
}

void TZebrinSkinCustomButtons::Click(int index) {
  if (TZebrinSkinCustomButton* button = ButtonAt(index)) button->Click();
}

void TZebrinSkinCustomButtons::DblClick(int index) {
  TZebrinSkinCustomButton* button = ButtonAt(index);
  if (button && button->Enabled()) button->DblClick();
}

void TZebrinSkinCustomButtons::MouseDown(int index, TMouseButton mouseButton) {
  TZebrinSkinCustomButton* button = ButtonAt(index);
  if (button && button->Enabled()) button->MouseDown(mouseButton, ShiftNow() | ButtonShift(mouseButton));
}

void TZebrinSkinCustomButtons::MouseMove(int index, int x, int y) {
  TZebrinSkinCustomButton* button = ButtonAt(index);
  if (button && button->Enabled()) button->MouseMove(ShiftNow(), x, y);
}

bool TZebrinSkinCustomButtons::SetCursor(int index) {
  const TZebrinSkinCustomButton* button = ButtonAt(index);
  if (!button || !button->CaptureMouse() || !button->Enabled() || !m_skin || !m_skin->CursorIsDefault()) return false;
  m_skin->SetCursor(button->Cursor());
  return true;
}

void TZebrinSkinCustomButtons::DragTo(int index, TPoint screenPoint) {
  TZebrinSkinCustomButton* button = ButtonAt(index);
  if (!button) return;
  const ISkinBandHost* host = BandHost();
  const TPoint origin = host ? host->WindowOrigin() : TPoint{};
  const int target = IndexAtPos({screenPoint.X - origin.X, screenPoint.Y - origin.Y});
  if (target < 0 || target == index) return;
  if (!CallOut(*button, [&] { button->SetIndex(target); })) return;
  if (m_skin && Designing()) m_skin->DesignerModified();
}

void TZebrinSkinCustomButtons::SetState(int index, TSkinButtonStateBit bit, bool on) {
  if (TZebrinSkinCustomButton* button = ButtonAt(index)) button->SetStateBit(bit, on);
}

void TZebrinSkinCustomButtons::CollectionClick() {
  if (m_onClick.Assigned()) CallOut(*this, [&] { m_onClick(this); });
}

void TZebrinSkinCustomButtons::CollectionDblClick() {
  if (m_onDblClick.Assigned()) CallOut(*this, [&] { m_onDblClick(this); });
}

void TZebrinSkinCustomButtons::CollectionMouseDown(TMouseButton button) {
  if (!m_onMouseDown.Assigned()) return;
  const TPoint pos = m_skin ? m_skin->LastMousePos() : TPoint{};
  const TShiftState shift = ShiftNow() | ButtonShift(button);
  CallOut(*this, [&] { m_onMouseDown(this, button, shift, pos.X, pos.Y); });
}

// ---- descriptions, assignment, notifications ----

std::string TZebrinSkinCustomButtons::ImageListText() const {
  const platform::TCustomImageList* images = ImageList();
  return images ? "ImageList=" + images->Name() : std::string();
}

std::string TZebrinSkinCustomButtons::GetHintText() const {
  if (!Designing()) return {};
  std::string text = GetNamePath() + "\r\n";
  text += "Bounds=" + RectToText(m_area) + "\r\n";
  text += "Count=" + std::to_string(Count()) + "\r\n";
  if (const std::string images = ImageListText(); !images.empty()) text += images + "\r\n";
  return text;
}

void TZebrinSkinCustomButtons::Assign(const platform::TPersistent& source) {
  const auto* from = dynamic_cast<const TZebrinSkinCustomButtons*>(&source);
  if (!from) {
    Inherited::Assign(source);
    return;
  }
  TUpdateScope update(*this);
  Inherited::Assign(source);
  m_vertical = from->m_vertical;
  m_borderWidth = from->m_borderWidth;
  m_buttonMaxSize = from->m_buttonMaxSize;
  m_buttonMinSize = from->m_buttonMinSize;
  m_captureMouse = from->m_captureMouse;
  m_downShift = from->m_downShift;
  m_dragMode = from->m_dragMode;
  m_gripSize = from->m_gripSize;
  m_height = from->m_height;
  m_hideItems = from->m_hideItems;
  m_hotTrack = from->m_hotTrack;
  SetImageList(from->ImageList());
  m_indent = from->m_indent;
  m_layout = from->m_layout;
  m_maxRows = from->m_maxRows;
  m_showHint = from->m_showHint;
  m_showGrip = from->m_showGrip;
  m_transparent = from->m_transparent;
  m_visible = from->m_visible;
  m_width = from->m_width;
  m_wrapable = from->m_wrapable;
  m_align = from->m_align;
}

void TZebrinSkinCustomButtons::Update(platform::TCollectionItem* item) {
  ISkinBandHost* host = BandHost();
  if (!host) return;
  TZebrinSkinBand* band = Band();
  TZebrinSkinCustomBands* bands = band ? band->Bands() : nullptr;
  if (item && bands && !host->Designing())
    host->RepaintBands(*bands);
  else
    host->RefreshFrame();
}

void TZebrinSkinCustomButtons::Added(platform::TCollectionItem& item) {
  Inherited::Added(item);
  if (m_skin && !m_skin->Loading() && !CallOut(item, [&] { m_skin->ItemAdded(item); })) return;
  if (m_onAddButton.Assigned()) CallOut(item, [&] { m_onAddButton(&item); });
}

void TZebrinSkinCustomButtons::Deleting(platform::TCollectionItem& item) {
  Inherited::Deleting(item);
  if (m_skin && !m_skin->Loading()) CallOut(item, [&] { m_skin->ItemDeleting(item); });
}

void TZebrinSkinCustomButtons::Notify(platform::TCollectionItem* item, platform::TCollectionNotification action) {
  // A button that leaves (deleted, cleared or moved away) is forgotten at once.
  if (item && action == platform::TCollectionNotification::cnExtracting && m_skin) m_skin->ForgetItem(*item);
  Inherited::Notify(item, action);
}

// ---- published members ----

using B = TZebrinSkinCustomButton;
HALBRIN_DEFINE_CLASS(TZebrinSkinCustomButton,
                     .Property("AutoEdgeBorders", &B::AutoEdgeBorders, &B::SetAutoEdgeBorders)
                     .Default(true)
                     .Property("Cursor", &B::Cursor, &B::SetCursor)
                     .TypeName("TCursor")
                     .Default(crHandPoint)
                     .Set("EdgeBorders", &B::EdgeBorders, &B::SetEdgeBorders, SkinEdgeBorderInfo(),
                          "TZebrinSkinEdgeBorders")
                     .Property("Enabled", &B::Enabled, &B::SetEnabled)
                     .Default(true)
                     .Property("Hint", &B::Hint, &B::SetHint)
                     .Property("ImageIndex", &B::ImageIndex, &B::SetImageIndex)
                     .TypeName("TImageIndex")
                     .Default(-1)
                     .Property("Indent", &B::Indent, &B::SetIndent)
                     .Default(1)
                     .Property("Index", &B::Index, &B::SetIndex)
                     .Stored(false)
                     .Property("Masked", &B::Masked, &B::SetMasked)
                     .Default(false)
                     .Property("Metrics", &B::Metrics)
                     .Enum("Roundness", &B::Roundness, &B::SetRoundness, SkinItemRoundnessInfo())
                     .Default(static_cast<int>(sirNone))
                     .Property("Tag", &B::Tag, &B::SetTag)
                     .Default(0)
                     .Property("Themed", &B::Themed, &B::SetThemed)
                     .Default(true)
                     .Property("Transparent", &B::Transparent, &B::SetTransparent)
                     .Default(true)
                     .Property("TransparentHot", &B::TransparentHot, &B::SetTransparentHot)
                     .Default(true)
                     .Property("TransparentDown", &B::TransparentDown, &B::SetTransparentDown)
                     .Default(true)
                     .Property("Visible", &B::Visible, &B::SetVisible)
                     .Default(true)
                     .Property("Xml", &B::Xml, &B::SetXml)
                     .Event("OnMouseMove", &B::m_onMouseMove, "TMouseMoveEvent")
                     .Event("OnClick", &B::m_onClick, "TNotifyEvent")
                     .Event("OnUpdate", &B::m_onUpdate, "TButtonUpdateEvent")
                     .Event("OnSetIndex", &B::m_onSetIndex, "TNotifyEvent"))

using C = TZebrinSkinCustomButtons;
HALBRIN_DEFINE_CLASS(TZebrinSkinCustomButtons,
                     .Property("CaptureMouse", &C::CaptureMouse, &C::SetCaptureMouse)
                     .Default(true)
                     .Property("DownShift", &C::DownShift, &C::SetDownShift)
                     .Default(true)
                     .Property("Empty", &C::Empty)
                     .Stored(false)
                     .Default(true)
                     .Property("HotTrack", &C::HotTrack, &C::SetHotTrack)
                     .Default(true)
                     .Property("ImageList", &C::ImageList, &C::SetImageList)
                     .Property("Indent", &C::Indent, &C::SetIndent)
                     .Default(0)
                     .Property("ShowHint", &C::ShowHint, &C::SetShowHint)
                     .Default(true)
                     .Property("Visible", &C::Visible, &C::SetVisible)
                     .Default(true)
                     .Event("OnAddButton", &C::m_onAddButton, "TNotifyEvent")
                     .Event("OnMouseDown", &C::m_onMouseDown, "TMouseEvent")
                     .Event("OnDblClick", &C::m_onDblClick, "TNotifyEvent")
                     .Event("OnClick", &C::m_onClick, "TNotifyEvent"))

}  // namespace halbrin::skins
