#include "skins/core/adapters.h"

#include <algorithm>

#include "core/foundation/colors.h"
#include "platform/services/desktop_service.h"

namespace halbrin::skins {

using platform::clDefault;
using platform::TFont;
using platform::TFontStyles;
using platform::TPersistent;

namespace {

constexpr bool IsColorParam(int param) noexcept { return param != sdpEdgeWidth && param != sdpSize; }
constexpr int MarkerOf(int param) noexcept { return IsColorParam(param) ? clDefault : -1; }

struct TOwnerRow {
  TSkinOwnerKind kind;
  TSkinDefaultRow row;
};

constexpr TOwnerRow kOwnerRows[] = {
    {TSkinOwnerKind::Other, TSkinDefaultRow::Caption},
    {TSkinOwnerKind::CaptionBand, TSkinDefaultRow::Caption},
    {TSkinOwnerKind::SmallCaptionBand, TSkinDefaultRow::SmallCaption},
    {TSkinOwnerKind::FooterBand, TSkinDefaultRow::Footer},
    {TSkinOwnerKind::Margin, TSkinDefaultRow::Margin},
    {TSkinOwnerKind::Splitter, TSkinDefaultRow::Splitter},
    {TSkinOwnerKind::CaptionButton, TSkinDefaultRow::Button},
    {TSkinOwnerKind::SmallCaptionButton, TSkinDefaultRow::SmallButton},
    {TSkinOwnerKind::ToolButton, TSkinDefaultRow::ToolButton},
    {TSkinOwnerKind::WindowButtons, TSkinDefaultRow::ButtonBrush},
    {TSkinOwnerKind::CaptionBandItem, TSkinDefaultRow::CaptionFont},
    {TSkinOwnerKind::SmallCaptionBandItem, TSkinDefaultRow::SmallCaptionFont},
    {TSkinOwnerKind::FooterBandItem, TSkinDefaultRow::FooterFont},
    {TSkinOwnerKind::ToolButtons, TSkinDefaultRow::ToolButtonFont},
};

// Answers when no manager is there: colours default, sizes zero.
const TFont& FallbackFont() {
  static const TFont font;
  return font;
}

}  // namespace

TSkinDefaultRow DefaultRowFor(TSkinOwnerKind kind) noexcept {
  for (const TOwnerRow& r : kOwnerRows)
    if (r.kind == kind) return r.row;
  return TSkinDefaultRow::Caption;
}

// --- TZebrinSkinCustomAdapter ---

TZebrinSkinCustomAdapter::TZebrinSkinCustomAdapter(TPersistent* owner, ISkinDefaults* defaults, TSkinDefaultRow row)
    : m_owner(owner), m_defaults(defaults), m_row(row) {
  for (int i = 0; i < static_cast<int>(m_values.size()); ++i) m_values[i] = MarkerOf(i);
}

int TZebrinSkinCustomAdapter::Value(int stored, TZebrinSkinDefinedParam param) const {
  return stored == MarkerOf(param) ? GetDefaultParam(param) : stored;
}

int TZebrinSkinCustomAdapter::GetDefaultParam(TZebrinSkinDefinedParam param) const {
  if (m_defaults) return m_defaults->ElementDefaultParam(m_row, param);
  return IsColorParam(param) ? clDefault : 0;
}

void TZebrinSkinCustomAdapter::SetFlag(TZebrinSkinDefinedParam param, bool on) noexcept {
  const auto bit = static_cast<std::uint16_t>(1u << param);
  m_flags = on ? static_cast<std::uint16_t>(m_flags | bit) : static_cast<std::uint16_t>(m_flags & ~bit);
}

void TZebrinSkinCustomAdapter::SetColorValue(TZebrinSkinDefinedParam param, TColor value) {
  if (m_values[param] == value) return;
  m_values[param] = value;
  SetFlag(param, value != clDefault);
  Changed(false);
}

void TZebrinSkinCustomAdapter::SetActiveTrack(bool value) {
  if (m_activeTrack == value) return;
  m_activeTrack = value;
  Changed(false);
}

void TZebrinSkinCustomAdapter::SetHotTrack(bool value) {
  if (m_hotTrack == value) return;
  m_hotTrack = value;
  Changed(false);
}

TColor TZebrinSkinCustomAdapter::BackgroundColor() const {
  return Value(m_values[sdpBackgroundColor], sdpBackgroundColor);
}
void TZebrinSkinCustomAdapter::SetBackgroundColor(TColor value) { SetColorValue(sdpBackgroundColor, value); }
TColor TZebrinSkinCustomAdapter::Color() const { return Value(m_values[sdpColor], sdpColor); }
void TZebrinSkinCustomAdapter::SetColor(TColor value) { SetColorValue(sdpColor, value); }
int TZebrinSkinCustomAdapter::Size() const { return Value(m_values[sdpSize], sdpSize); }

void TZebrinSkinCustomAdapter::SetEdgeWidth(int value) {
  value = std::max(value, -1);
  if (m_values[sdpEdgeWidth] == value) return;
  m_values[sdpEdgeWidth] = value;
  SetFlag(sdpEdgeWidth, value != -1);
  Changed(false);
}

void TZebrinSkinCustomAdapter::SetSize(int value) {
  value = std::max(value, -1);
  if (m_values[sdpSize] == value) return;
  m_values[sdpSize] = value;
  SetFlag(sdpSize, value != -1);
  Changed(true);
}

void TZebrinSkinCustomAdapter::SetDefault(bool value) {
  if (!value) return;
  for (int i = 0; i < static_cast<int>(m_values.size()); ++i) m_values[i] = MarkerOf(i);
  m_flags = 0;
  Changed(true);
}

int TZebrinSkinCustomAdapter::GetParam(int index) const {
  switch (index) {
    case sdpBackgroundColor: return BackgroundColor();
    case sdpColor: return Color();
    case sdpDisabledColor: return DisabledColor();
    case sdpDownColor: return DownColor();
    case sdpEdgeColor: return EdgeColor();
    case sdpEdgeWidth: return EdgeWidth();
    case sdpHotColor: return HotColor();
    case sdpInactiveColor: return InactiveColor();
    case sdpInactiveEdgeColor: return InactiveEdgeColor();
    case sdpInactiveHotColor: return InactiveHotColor();
    case sdpSize: return Size();
    default: return -1;
  }
}

TSkinColors TZebrinSkinCustomAdapter::GetColors() const {
  return {BackgroundColor(), Color(),         DisabledColor(),     DownColor(),       EdgeColor(),
          HotColor(),        InactiveColor(), InactiveEdgeColor(), InactiveHotColor()};
}

void TZebrinSkinCustomAdapter::EndUpdate() {
  if (m_updateCount > 0 && --m_updateCount == 0) Changed(true);
}

void TZebrinSkinCustomAdapter::Changed(bool recalc) {
  if (m_updateCount > 0) return;
  RouteChange(recalc);
  m_onChange(this);
}

void TZebrinSkinCustomAdapter::Assign(const TPersistent& source) {
  const auto* from = dynamic_cast<const TZebrinSkinCustomAdapter*>(&source);
  if (!from) {
    TPersistent::Assign(source);
    return;
  }
  if (from == this) return;
  BeginUpdate();
  m_activeTrack = from->m_activeTrack;
  m_hotTrack = from->m_hotTrack;
  // Through the setters, so each flag follows the source's value.
  SetBackgroundColor(from->m_values[sdpBackgroundColor]);
  SetColor(from->m_values[sdpColor]);
  SetDisabledColor(from->m_values[sdpDisabledColor]);
  SetDownColor(from->m_values[sdpDownColor]);
  SetEdgeColor(from->m_values[sdpEdgeColor]);
  SetEdgeWidth(from->m_values[sdpEdgeWidth]);
  SetHotColor(from->m_values[sdpHotColor]);
  SetInactiveColor(from->m_values[sdpInactiveColor]);
  SetInactiveEdgeColor(from->m_values[sdpInactiveEdgeColor]);
  SetInactiveHotColor(from->m_values[sdpInactiveHotColor]);
  SetSize(from->m_values[sdpSize]);
  EndUpdate();
}

// --- TZebrinSkinCustomFontAdapter ---

const TFont& TZebrinSkinCustomFontAdapter::GetDefaultFont() const {
  return Defaults() ? Defaults()->ElementDefaultFont(Row()) : FallbackFont();
}

TFont& TZebrinSkinCustomFontAdapter::OwnFont() {
  if (!m_font) {
    m_font = std::make_unique<TFont>();
    m_font->Assign(DefaultFont());
  }
  return *m_font;
}

const TFont& TZebrinSkinCustomFontAdapter::Font() {
  if (!m_font) return DefaultFont();
  const TFont& def = DefaultFont();
  m_font->SetCharset(def.Charset());
  m_font->SetName(Name());
  m_font->SetStyle(Style());
  if (IsSet(sdpSize)) m_font->SetSize(RawValue(sdpSize));
  else m_font->SetHeight(def.Height());
  m_font->SetColor(Color());
  return *m_font;
}

std::string TZebrinSkinCustomFontAdapter::Name() const {
  return m_font && IsSet(sdpName) ? m_font->Name() : DefaultFont().Name();
}

void TZebrinSkinCustomFontAdapter::SetName(const std::string& name) {
  if (name == Name()) return;
  if (name.empty()) {
    SetFlag(sdpName, false);
  } else {
    SetFlag(sdpName, true);
    OwnFont().SetName(name);
  }
  Changed(false);
}

TFontStyles TZebrinSkinCustomFontAdapter::Style() const {
  return m_font && IsSet(sdpStyle) ? m_font->Style() : DefaultFont().Style();
}

void TZebrinSkinCustomFontAdapter::SetStyle(TFontStyles style) {
  if (style == Style()) return;
  SetFlag(sdpStyle, true);
  OwnFont().SetStyle(style);
  Changed(false);
}

TColor TZebrinSkinCustomFontAdapter::Color() const {
  return m_font && IsSet(sdpColor) ? m_font->Color() : DefaultFont().Color();
}

void TZebrinSkinCustomFontAdapter::SetColor(TColor value) {
  if (value != clDefault) OwnFont().SetColor(value);
  TZebrinSkinCustomAdapter::SetColor(value);
}

int TZebrinSkinCustomFontAdapter::Size() const {
  return m_font && IsSet(sdpSize) ? m_font->Size() : DefaultFont().Size();
}

void TZebrinSkinCustomFontAdapter::SetSize(int value) {
  if (value >= 0) OwnFont().SetSize(value);
  TZebrinSkinCustomAdapter::SetSize(value);
}

void TZebrinSkinCustomFontAdapter::SetDefault(bool value) {
  if (!value) return;
  BeginUpdate();
  TZebrinSkinCustomAdapter::SetDefault(true);
  m_font.reset();
  EndUpdate();
}

void TZebrinSkinCustomFontAdapter::Assign(const TPersistent& source) {
  if (const auto* from = dynamic_cast<const TZebrinSkinCustomFontAdapter*>(&source)) {
    if (from == this) return;
    BeginUpdate();
    TZebrinSkinCustomAdapter::Assign(*from);
    if (from->IsSet(sdpStyle)) {
      OwnFont().SetStyle(from->Style());
      SetFlag(sdpStyle, true);
    } else {
      SetFlag(sdpStyle, false);
    }
    if (from->IsSet(sdpName)) {
      OwnFont().SetName(from->Name());
      SetFlag(sdpName, true);
    } else {
      SetFlag(sdpName, false);
    }
    EndUpdate();
    return;
  }
  if (const auto* font = dynamic_cast<const TFont*>(&source)) {
    BeginUpdate();
    OwnFont().SetCharset(font->Charset());
    OwnFont().SetHeight(font->Height());
    SetFlag(sdpName, false);
    SetName(font->Name());
    SetFlag(sdpName, !font->Name().empty());
    SetFlag(sdpStyle, false);
    SetStyle(font->Style());
    SetFlag(sdpStyle, true);
    SetSize(font->Size());
    SetColor(font->Color());
    EndUpdate();
    return;
  }
  TZebrinSkinCustomAdapter::Assign(source);
}

// --- change routing ---

void TZebrinSkinBandItemFontAdapter::RouteChange(bool recalc) {
  if (ownerChanged) ownerChanged(recalc);
}

int TZebrinSkinManagerFontAdapter::GetDefaultParam(TZebrinSkinDefinedParam param) const {
  return Defaults() ? Defaults()->DefaultParam(Row(), param) : TZebrinSkinCustomFontAdapter::GetDefaultParam(param);
}

const TFont& TZebrinSkinManagerFontAdapter::GetDefaultFont() const {
  return Defaults() ? Defaults()->DefaultFont(Row()) : TZebrinSkinCustomFontAdapter::GetDefaultFont();
}

void TZebrinSkinManagerFontAdapter::RouteChange(bool) {
  if (Defaults()) Defaults()->ApplySettings();
}

void TZebrinSkinToolButtonsFontAdapter::RouteChange(bool recalc) {
  // The collection is updated after the owner has heard of the change.
  if (collectionChanged) collectionChanged(recalc);
}

int TZebrinSkinManagerCustomAdapter::GetDefaultParam(TZebrinSkinDefinedParam param) const {
  return Defaults() ? Defaults()->DefaultParam(Row(), param) : TZebrinSkinCustomAdapter::GetDefaultParam(param);
}

void TZebrinSkinManagerCustomAdapter::RouteChange(bool) {
  if (!Defaults()) return;
  Defaults()->BeginUpdate();
  Defaults()->EndUpdate();
}

void TZebrinSkinManagerButtonAdapter::RouteChange(bool recalc) {
  if (onChanged) onChanged();
  TZebrinSkinManagerCustomAdapter::RouteChange(recalc);
}

void TZebrinSkinElementAdapter::RouteChange(bool recalc) {
  if (ownerChanged) ownerChanged(recalc);
}

int TZebrinSkinBandAdapter::Size() const {
  const int size = TZebrinSkinCustomAdapter::Size();
  return sizeFloor ? std::max(size, sizeFloor()) : size;
}

int TZebrinSkinButtonAdapter::GetDefaultParam(TZebrinSkinDefinedParam param) const {
  if (rowOf && Defaults()) return Defaults()->ElementDefaultParam(rowOf(), param);
  return TZebrinSkinElementAdapter::GetDefaultParam(param);
}

TColor TZebrinSkinMarginAdapter::Color() const {
  if (!IsSet(sdpColor) && brushColor)
    if (std::optional<TColor> brush = brushColor()) return *brush;
  return TZebrinSkinCustomAdapter::Color();
}

// --- TZebrinSkinColor ---

namespace {
bool InactiveLook(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s) { return !s.active && a.ActiveTrack(); }
}  // namespace

TColor TZebrinSkinColor::Button(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s) {
  if (!s.skinEnabled || !s.elementEnabled) return a.DisabledColor();
  if (s.down) return a.DownColor();
  const bool hot = s.hot && a.HotTrack();
  if (InactiveLook(a, s)) return hot ? a.InactiveHotColor() : a.InactiveColor();
  return hot ? a.HotColor() : a.Color();
}

TColor TZebrinSkinColor::Splitter(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s) {
  if (!s.skinEnabled || !s.elementEnabled) return a.DisabledColor();
  return InactiveLook(a, s) ? a.InactiveColor() : a.Color();
}

TColor TZebrinSkinColor::Margin(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s) {
  if (!s.skinEnabled) return a.DisabledColor();
  return InactiveLook(a, s) ? a.InactiveColor() : a.Color();
}

TColor TZebrinSkinColor::Edge(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s) {
  if (!s.skinEnabled) return a.InactiveEdgeColor();
  return InactiveLook(a, s) ? a.InactiveEdgeColor() : a.EdgeColor();
}

TColor TZebrinSkinColor::Band(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s, TSkinBandKind kind,
                              bool flashPhase) {
  if (kind == TSkinBandKind::Caption && flashPhase) return Flash(a, s);
  return Margin(a, s);
}

TColor TZebrinSkinColor::Flash(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s) {
  using platform::ColorToRGB;
  if (!s.skinEnabled) return a.Color();
  const platform::IDesktopService& desktop = platform::CurrentDesktopService();
  if (s.active)
    return BlendColor(ColorToRGB(a.InactiveColor()), desktop.SystemColor(platform::COLOR_ACTIVECAPTION), 2, 5);
  return BlendColor(ColorToRGB(a.Color()), desktop.SystemColor(platform::COLOR_INACTIVECAPTION), 2, 5);
}

// --- published members ---

using A = TZebrinSkinCustomAdapter;
using F = TZebrinSkinCustomFontAdapter;

HALBRIN_DEFINE_CLASS(TZebrinSkinCustomAdapter,
                     .Property("ActiveTrack", &A::ActiveTrack, &A::SetActiveTrack)
                     .Default(true)
                     .Property("Color", &A::Color, &A::SetColor)
                     .TypeName("TColor")
                     .Property("DisabledColor", &A::DisabledColor, &A::SetDisabledColor)
                     .TypeName("TColor")
                     .Property("EdgeColor", &A::EdgeColor, &A::SetEdgeColor)
                     .TypeName("TColor")
                     .Property("EdgeWidth", &A::EdgeWidth, &A::SetEdgeWidth)
                     .Property("InactiveColor", &A::InactiveColor, &A::SetInactiveColor)
                     .TypeName("TColor")
                     .Property("InactiveEdgeColor", &A::InactiveEdgeColor, &A::SetInactiveEdgeColor)
                     .TypeName("TColor")
                     .Property("Default", &A::Default, &A::SetDefault)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TZebrinSkinCustomFontAdapter,
                     .Property("Size", &F::Size, &F::SetSize)
                     .Property("Name", &F::Name, &F::SetName)
                     .TypeName("TFontName")
                     .Set("Style", &F::Style, &F::SetStyle, platform::FontStyleInfo(), "TFontStyles"))

HALBRIN_DEFINE_CLASS(TZebrinSkinBandItemFontAdapter, )
HALBRIN_DEFINE_CLASS(TZebrinSkinManagerFontAdapter, )

#define HALBRIN_HOT_MEMBERS(C)                                         \
  .Property("DownColor", &C::DownColor, &C::SetDownColor)              \
      .TypeName("TColor")                                              \
      .Property("HotColor", &C::HotColor, &C::SetHotColor)             \
      .TypeName("TColor")                                              \
      .Property("HotTrack", &C::HotTrack, &C::SetHotTrack)             \
      .Default(true)                                                   \
      .Property("InactiveHotColor", &C::InactiveHotColor, &C::SetInactiveHotColor) \
      .TypeName("TColor")

// The splitter sets: the hot members without DownColor.
#define HALBRIN_SPLITTER_MEMBERS(C)                                    \
  .Property("HotColor", &C::HotColor, &C::SetHotColor)                 \
      .TypeName("TColor")                                              \
      .Property("HotTrack", &C::HotTrack, &C::SetHotTrack)             \
      .Default(true)                                                   \
      .Property("InactiveHotColor", &C::InactiveHotColor, &C::SetInactiveHotColor) \
      .TypeName("TColor")

HALBRIN_DEFINE_CLASS(TZebrinSkinManagerToolButtonFontAdapter, HALBRIN_HOT_MEMBERS(TZebrinSkinManagerToolButtonFontAdapter))
HALBRIN_DEFINE_CLASS(TZebrinSkinToolButtonsFontAdapter, HALBRIN_HOT_MEMBERS(TZebrinSkinToolButtonsFontAdapter))
HALBRIN_DEFINE_CLASS(TZebrinSkinManagerCustomAdapter, )
HALBRIN_DEFINE_CLASS(TZebrinSkinManagerAdapter, .Property("Size", &A::Size, &A::SetSize))
HALBRIN_DEFINE_CLASS(TZebrinSkinManagerButtonAdapter, HALBRIN_HOT_MEMBERS(TZebrinSkinManagerButtonAdapter))
HALBRIN_DEFINE_CLASS(TZebrinSkinManagerSplitterAdapter, HALBRIN_SPLITTER_MEMBERS(TZebrinSkinManagerSplitterAdapter))
HALBRIN_DEFINE_CLASS(TZebrinSkinElementAdapter, )
HALBRIN_DEFINE_CLASS(TZebrinSkinBandAdapter, .Property("Size", &A::Size, &A::SetSize))
HALBRIN_DEFINE_CLASS(TZebrinSkinButtonAdapter, HALBRIN_HOT_MEMBERS(TZebrinSkinButtonAdapter))
HALBRIN_DEFINE_CLASS(TZebrinSkinSplitterAdapter,
                     HALBRIN_SPLITTER_MEMBERS(TZebrinSkinSplitterAdapter).Property("Size", &A::Size, &A::SetSize))
HALBRIN_DEFINE_CLASS(TZebrinSkinMarginAdapter, .Property("Size", &A::Size, &A::SetSize))

#undef HALBRIN_HOT_MEMBERS
#undef HALBRIN_SPLITTER_MEMBERS

}  // namespace halbrin::skins
