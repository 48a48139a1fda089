#include "skins/core/bands.h"

#include <utility>

#include "platform/classes/class_builder.h"
#include "skins/core/default_painter.h"
#include "skins/core/tool_buttons.h"

namespace halbrin::skins {

namespace band_local {

TRect SubtractRect(const TRect& a, const TRect& b) noexcept {
  if (a.IsEmpty()) return TRect{};
  TRect r = a;
  const TRect cut = platform::IntersectRect(a, b);
  if (cut.IsEmpty()) return r;
  if (cut == a) return TRect{};
  if (cut.Top == a.Top && cut.Bottom == a.Bottom) {
    if (cut.Left == a.Left)
      r.Left = cut.Right;
    else if (cut.Right == a.Right)
      r.Right = cut.Left;
  } else if (cut.Left == a.Left && cut.Right == a.Right) {
    if (cut.Top == a.Top)
      r.Top = cut.Bottom;
    else if (cut.Bottom == a.Bottom)
      r.Bottom = cut.Top;
  }
  return r;
}

TZebrinSkinEdgeBorders TurnEdges(TZebrinSkinEdgeBorders edges) noexcept {
  TZebrinSkinEdgeBorders turned = 0;
  if (edges & EdgeBit(sebTop)) turned |= EdgeBit(sebLeft);
  if (edges & EdgeBit(sebRight)) turned |= EdgeBit(sebTop);
  if (edges & EdgeBit(sebBottom)) turned |= EdgeBit(sebRight);
  if (edges & EdgeBit(sebLeft)) turned |= EdgeBit(sebBottom);
  return turned;
}

}  // namespace band_local

namespace {

using namespace band_local;

const char* BoolText(bool value) { return value ? "True" : "False"; }

TSkinOwnerKind BandKindOf(const platform::TCollection& collection) {
  const auto* bands = dynamic_cast<const TZebrinSkinCustomBands*>(&collection);
  return bands && bands->GetKind() == 1 ? TSkinOwnerKind::FooterBand : TSkinOwnerKind::CaptionBand;
}

ISkinDefaults* DefaultsOf(const platform::TCollection& collection) {
  const auto* bands = dynamic_cast<const TZebrinSkinCustomBands*>(&collection);
  return bands ? bands->Defaults() : nullptr;
}

}  // namespace

TSize ISkinBandHost::TextExtent(std::string_view utf8, const platform::TFont&) { return EstimateTextExtent(utf8); }

// ---- TZebrinSkinBand ----

namespace {

ISkinBandHost* HostOf(const platform::TCollection& collection) {
  const auto* bands = dynamic_cast<const TZebrinSkinCustomBands*>(&collection);
  return bands ? bands->Host() : nullptr;
}

}  // namespace

TZebrinSkinBand::TZebrinSkinBand(platform::TCollection& collection)
    : m_item(std::make_unique<TZebrinSkinBandItem>(this, HostOf(collection), DefaultsOf(collection),
                                                   BandKindOf(collection) == TSkinOwnerKind::FooterBand)),
      m_itemEx(std::make_unique<TZebrinSkinBandItemEx>(this, HostOf(collection), DefaultsOf(collection),
                                                       BandKindOf(collection) == TSkinOwnerKind::FooterBand)),
      m_metrics(std::make_unique<TZebrinSkinBandAdapter>(this, DefaultsOf(collection), BandKindOf(collection))) {
  // Item changes that need no new layout only repaint the band.
  const auto changed = [this](bool recalc) { Changed(recalc); };
  m_item->ownerChanged = changed;
  m_itemEx->ownerChanged = changed;
  m_metrics->ownerChanged = [this](bool) { Changed(true); };
}

TZebrinSkinBand::~TZebrinSkinBand() = default;

TZebrinSkinCustomBands* TZebrinSkinBand::Bands() const {
  return dynamic_cast<TZebrinSkinCustomBands*>(Collection());
}

ISkinBandHost* TZebrinSkinBand::Host() const {
  const TZebrinSkinCustomBands* bands = Bands();
  return bands ? bands->Host() : nullptr;
}

TZebrinSkinCustomBandItem* TZebrinSkinBand::GetBandItem(int index) const {
  switch (index) {
    case 0: return m_item.get();
    case 1: return m_itemEx.get();
    default: return nullptr;
  }
}

TZebrinSkinCustomBandItem* TZebrinSkinBand::BandItemAtPos(TPoint windowPoint) const {
  for (int i = 0; i < 2; ++i)
    if (TZebrinSkinCustomBandItem* item = GetBandItem(i); item->Visible() && item->Rect().Contains(windowPoint))
      return item;
  return nullptr;
}

TZebrinSkinEdgeBorders TZebrinSkinBand::EffectiveEdgeBorders() const {
  const TZebrinSkinCustomBands* bands = Bands();
  const bool caption = !bands || bands->GetKind() == 0;
  const bool horizontal = !bands || bands->IsHorizontalLayout();
  if (!caption || !m_autoEdgeBorders || horizontal) return m_edgeBorders;
  return TurnEdges(m_edgeBorders);
}

bool TZebrinSkinBand::UsesSmallCaption() const {
  const ISkinBandHost* host = Host();
  if (!host || !host->IsFormSkin()) return true;
  return Index() > 0 || host->IsToolWindow() || host->WantsSmallCaption();
}

void TZebrinSkinBand::Paint(platform::ICanvas& canvas, const TRect& rect) {
  TZebrinSkinCustomBands* bands = Bands();
  ISkinBandHost* host = Host();
  if (!bands || !host) return;
  if (ISkinPainter* painter = host->Painter()) {
    if (!m_transparent) {
      const TSkinFillParams fill = bands->FillParams(rect, *m_metrics, m_transparent);
      if (m_onCustomPaint.Assigned()) {
        m_onCustomPaint(this, &canvas, fill);
      } else {
        ISkinPainter& fillPainter = m_themed ? *painter : host->DefaultPainter();
        if (bands->GetKind() == 1)
          fillPainter.FillFooterBand(canvas, fill);
        else
          fillPainter.FillCaptionBand(canvas, fill);
      }
    }
    TSkinColorState state;
    state.active = host->Active();
    TSkinEdgeParams edges;
    edges.Rect = rect;
    edges.Color = TZebrinSkinColor::Edge(*m_metrics, state);
    edges.Width = m_metrics->EdgeWidth();
    edges.Edges = EffectiveEdgeBorders();
    painter->DrawBandEdges(canvas, edges);
    if (host->Designing() && host->DesignFrames())
      TSkinDefaultPainter::DrawDottedFrame(canvas, rect, platform::clDefault);
  }
  for (ISkinBandButtons* buttons : {host->WindowButtonsIn(*this), host->ToolButtonsIn(*this)})
    if (buttons && buttons->Visible() && !buttons->Rect().IsEmpty()) buttons->Paint(canvas);
  for (int i = 0; i < 2; ++i)
    if (TZebrinSkinCustomBandItem* item = GetBandItem(i); item->Visible()) item->Paint(canvas);
}

void TZebrinSkinBand::Layout(TRect& rect) {
  if (ISkinBandHost* host = Host()) {
    for (ISkinBandButtons* buttons : {host->WindowButtonsIn(*this), host->ToolButtonsIn(*this)})
      if (buttons && buttons->Visible()) rect = SubtractRect(rect, buttons->Place(rect));
  }
  TRect rest = rect;
  m_item->LayoutItem(rect, rest);
  TRect last = rest;
  m_itemEx->LayoutItem(rest, last);
}

std::string TZebrinSkinBand::GetDumpText() const {
  const ISkinBandHost* host = Host();
  if (!host || !host->Designing()) return {};
  return GetNamePath() + "\r\nBounds=" + RectToText(m_rect) + "\r\nMetrics.Default=" + BoolText(m_metrics->Default()) +
         "\r\nCaptureMouse=" + BoolText(m_captureMouse) + "\r\nTransparent=" + BoolText(m_transparent);
}

void TZebrinSkinBand::MouseDown(TMouseButton button, TShiftState shift, TPoint pos) {
  m_onMouseDown(this, button, shift, pos.X, pos.Y);
}

std::string TZebrinSkinBand::DisplayName() const {
  const std::string item = m_item->Text(), itemEx = m_itemEx->Text();
  if (item.empty() && itemEx.empty()) return Inherited::DisplayName();
  return item + " [" + itemEx + "]";
}

void TZebrinSkinBand::Assign(const platform::TPersistent& source) {
  const auto* band = dynamic_cast<const TZebrinSkinBand*>(&source);
  if (!band) {
    Inherited::Assign(source);
    return;
  }
  const auto copy = [&] {
    m_autoSize = band->m_autoSize;
    m_captureMouse = band->m_captureMouse;
    m_autoEdgeBorders = band->m_autoEdgeBorders;
    m_transparent = band->m_transparent;
    m_visible = band->m_visible;
    m_metrics->Assign(*band->m_metrics);
    m_edgeBorders = band->m_edgeBorders;
    m_indent = band->m_indent;
    m_themed = band->m_themed;
  };
  if (platform::TCollection* collection = Collection()) {
    platform::TCollection::TUpdateScope update(*collection);
    copy();
  } else {
    copy();
  }
}

// ---- TZebrinSkinCustomBands ----

TZebrinSkinCustomBands::TZebrinSkinCustomBands(platform::TPersistent* owner, ISkinBandHost* host, ISkinDefaults* defaults,
                                               TSkinOwnerKind metricsKind)
    : TOwnedCollection(owner, TZebrinSkinBand::StaticClassInfo(), FactoryOf<TZebrinSkinBand>()),
      m_host(host),
      m_defaults(defaults),
      m_metrics(std::make_unique<TZebrinSkinBandAdapter>(this, defaults, metricsKind)) {
  // Inside an update the change waits for its end, as band changes do.
  m_metrics->ownerChanged = [this](bool) { Changed(); };
}

TZebrinSkinCustomBands::~TZebrinSkinCustomBands() = default;

void TZebrinSkinCustomBands::SetThemed(bool value) {
  m_themed = value;
  Update(nullptr);
}

void TZebrinSkinCustomBands::SetTransparent(bool value) {
  m_transparent = value;
  Update(nullptr);
}

void TZebrinSkinCustomBands::SetVisible(bool value) {
  m_visible = value;
  Update(nullptr);
}

TZebrinSkinBand& TZebrinSkinCustomBands::Add() {
  TZebrinSkinBand* band = nullptr;
  {
    TUpdateScope update(*this);
    band = static_cast<TZebrinSkinBand*>(&TCollection::Add());
  }
  m_onAddBand(band);
  return *band;
}

TZebrinSkinBand* TZebrinSkinCustomBands::Items(int index) const {
  return static_cast<TZebrinSkinBand*>(TCollection::Items(index));
}

bool TZebrinSkinCustomBands::IsVisible() const {
  return m_visible && Count() > 0 && UpdateCount() == 0;
}

TZebrinSkinBand* TZebrinSkinCustomBands::FirstVisibleBand() const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) return Items(i);
  return nullptr;
}

TZebrinSkinBand* TZebrinSkinCustomBands::BandAtPos(TPoint screenPoint) const {
  const TPoint origin = m_host ? m_host->WindowOrigin() : TPoint{};
  const TPoint p{screenPoint.X - origin.X, screenPoint.Y - origin.Y};
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->BoundsRect().Contains(p)) return Items(i);
  return nullptr;
}

void TZebrinSkinCustomBands::MouseDown(int index, TMouseButton button, TShiftState modifiers, TPoint pos) {
  TZebrinSkinBand* band = Items(index);
  if (!band->CaptureMouse()) return;
  TShiftState shift = modifiers & (ssCtrl | ssShift | ssAlt);
  switch (button) {
    case TMouseButton::mbLeft: shift |= ssLeft; break;
    case TMouseButton::mbRight: shift |= ssRight; break;
    case TMouseButton::mbMiddle: shift |= ssMiddle; break;
  }
  band->MouseDown(button, shift, pos);
}

TSkinFillParams TZebrinSkinCustomBands::FillParams(const TRect& rect, const TZebrinSkinCustomAdapter& metrics,
                                                   bool transparent) const {
  TSkinFillParams fill;
  fill.Rect = rect;
  fill.Transparent = transparent;
  fill.Value = GetKind();
  const bool active = !m_host || m_host->Active();
  fill.Active = active;
  if (m_host) {
    fill.Designing = m_host->Designing();
    fill.State2 = m_host->SecondState();
  }
  TSkinColorState state;
  state.active = active;
  fill.Color = TZebrinSkinColor::Band(metrics, state, fill.Value == 1 ? TSkinBandKind::Footer : TSkinBandKind::Caption,
                                      m_host && m_host->CaptionFlashOn());
  return fill;
}

void TZebrinSkinCustomBands::Paint(platform::ICanvas& canvas, const TRect& rect) {
  (void)rect;
  const TRect r{0, 0, m_rect.Width(), m_rect.Height()};
  ISkinPainter* painter = m_host ? m_host->Painter() : nullptr;
  if (painter && Count() > 0) {
    if (!m_transparent) {
      const TSkinFillParams fill = FillParams(r, *m_metrics, m_transparent);
      if (m_onCustomPaint.Assigned()) {
        m_onCustomPaint(this, &canvas, fill);
      } else {
        ISkinPainter& fillPainter = m_themed ? *painter : m_host->DefaultPainter();
        if (GetKind() == 1)
          fillPainter.FillFooterBands(canvas, fill);
        else
          fillPainter.FillCaptionBands(canvas, fill);
      }
    }
    if (m_host->Designing() && m_host->DesignFrames())
      TSkinDefaultPainter::DrawDottedFrame(canvas, r, platform::clDefault);
  }
  for (int i = 0; i < Count(); ++i) {
    TZebrinSkinBand* band = Items(i);
    const TRect& b = band->BoundsRect();
    if (!band->Visible() || b.IsEmpty()) continue;
    band->Paint(canvas, {b.Left - m_rect.Left, b.Top - m_rect.Top, b.Right - m_rect.Left, b.Bottom - m_rect.Top});
  }
}

void TZebrinSkinCustomBands::Layout(const TRect& frame, TRect& rect) {
  (void)frame;
  m_rect = TRect{-1, -1, -1, -1};
  rect = m_rect;
}

std::string TZebrinSkinCustomBands::GetDumpText() const {
  if (!m_host || !m_host->Designing()) return {};
  return GetNamePath() + "\r\nBounds=" + RectToText(m_rect) + "\r\nCount=" + std::to_string(Count()) +
         "\r\nTransparent=" + BoolText(m_transparent);
}

void TZebrinSkinCustomBands::Assign(const platform::TPersistent& source) {
  const auto* bands = dynamic_cast<const TZebrinSkinCustomBands*>(&source);
  if (!bands) {
    Inherited::Assign(source);
    return;
  }
  TUpdateScope update(*this);
  m_transparent = bands->m_transparent;
  m_visible = bands->m_visible;
  m_metrics->Assign(*bands->m_metrics);
}

void TZebrinSkinCustomBands::Update(platform::TCollectionItem* item) {
  if (!m_host) return;
  if (item && !m_host->Designing())
    m_host->RepaintBands(*this);
  else if (!item)
    m_host->RefreshFrame();
}

using B = TZebrinSkinBand;
HALBRIN_DEFINE_CLASS(TZebrinSkinBand, .Property("AutoEdgeBorders", &B::AutoEdgeBorders, &B::SetAutoEdgeBorders)
                                          .Default(true)
                                          .Property("AutoSize", &B::AutoSize, &B::SetAutoSize)
                                          .Default(true)
                                          .Property("CaptureMouse", &B::CaptureMouse, &B::SetCaptureMouse)
                                          .Default(true)
                                          .Set("EdgeBorders", &B::EdgeBorders, &B::SetEdgeBorders, SkinEdgeBorderInfo(),
                                               "TZebrinSkinEdgeBorders")
                                          .Property("Indent", &B::Indent, &B::SetIndent)
                                          .Default(0)
                                          .Property("Item", &B::Item)
                                          .Property("ItemEx", &B::ItemEx)
                                          .Property("Metrics", &B::Metrics)
                                          .Property("Themed", &B::Themed, &B::SetThemed)
                                          .Default(true)
                                          .Property("Transparent", &B::Transparent, &B::SetTransparent)
                                          .Default(true)
                                          .Property("Visible", &B::Visible, &B::SetVisible)
                                          .Default(true)
                                          .Event("OnMouseDown", &B::m_onMouseDown, "TMouseEvent")
                                          .Event("OnCustomPaint", &B::m_onCustomPaint, "TCustomPaintBandEvent"))

using C = TZebrinSkinCustomBands;
HALBRIN_DEFINE_CLASS(TZebrinSkinCustomBands, .Property("Metrics", &C::Metrics)
                                                 .Property("Visible", &C::Visible, &C::SetVisible)
                                                 .Default(true)
                                                 .Property("Themed", &C::Themed, &C::SetThemed)
                                                 .Default(true)
                                                 .Property("Transparent", &C::Transparent, &C::SetTransparent)
                                                 .Default(false)
                                                 .Event("OnAddBand", &C::m_onAddBand, "TNotifyEvent")
                                                 .Event("OnCustomPaint", &C::m_onCustomPaint, "TCustomPaintBandEvent"))

}  // namespace halbrin::skins
