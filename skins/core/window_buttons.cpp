#include "skins/core/window_buttons.h"

#include <algorithm>

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

// ---- TZebrinSkinWindowButton ----

TZebrinSkinWindowButton::TZebrinSkinWindowButton(platform::TCollection& collection)
    : TZebrinSkinCustomButton(collection),
      m_style(static_cast<TZebrinSkinButtonStyle>(std::min<int>(collection.Count(), btsCheck))) {
  SetIndent(0);
  SetMasked(true);
  Metrics()->rowOf = [this] {
    const TZebrinSkinWindowButtons* buttons = WindowButtons();
    return buttons && buttons->UsesSmallCaption() ? TSkinDefaultRow::SmallButton : TSkinDefaultRow::Button;
  };
}

TZebrinSkinWindowButtons* TZebrinSkinWindowButton::WindowButtons() const {
  return dynamic_cast<TZebrinSkinWindowButtons*>(Collection());
}

int TZebrinSkinWindowButton::GetImageIndex() const { return ImageIndex() >= 0 ? ImageIndex() : m_style; }

std::string TZebrinSkinWindowButton::GetHintText() const {
  if (Designing()) return TZebrinSkinCustomButton::GetHintText();
  const std::string& hint = Hint();
  const std::size_t bar = hint.find('|');
  if (bar == std::string::npos) return hint;
  return hint.substr(0, bar) + "\r\n" + hint.substr(bar + 1);
}

void TZebrinSkinWindowButton::CopyTo(TZebrinSkinCustomButton& dest, bool withValue) const {
  TZebrinSkinCustomButton::CopyTo(dest, withValue);
  if (auto* to = dynamic_cast<TZebrinSkinWindowButton*>(&dest)) to->m_style = m_style;
}

std::optional<TWindowCommand> WindowCommandOf(TZebrinSkinButtonStyle style) noexcept {
  switch (style) {
    case btsClose: return TWindowCommand::Close;
    case btsMaximize: return TWindowCommand::Maximize;
    case btsRestore: return TWindowCommand::Restore;
    case btsMinimize: return TWindowCommand::Minimize;
    case btsHelp: return TWindowCommand::ContextHelp;
    case btsNext: return TWindowCommand::NextChild;
    case btsPrevious: return TWindowCommand::PreviousChild;
    case btsCheck: return TWindowCommand::Check;
    case btsCombo: break;
  }
  return std::nullopt;
}

// ---- TZebrinSkinWindowButtons ----

TZebrinSkinWindowButtons::TZebrinSkinWindowButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin,
                                                   ISkinDefaults* defaults)
    : TZebrinSkinCustomButtons(owner, skin, defaults, TZebrinSkinWindowButton::StaticClassInfo(),
                               FactoryOf<TZebrinSkinWindowButton>()),
      m_brush(std::make_unique<TZebrinSkinButtonAdapter>(this, defaults, TSkinOwnerKind::WindowButtons)) {
  m_brush->ownerChanged = [this](bool) { Changed(); };
  SetAlign(siaRight);
  SetCaptureMouse(false);
  SetDragMode(dmManual);
  SetHideItems(false);
  SetLayout(silCenter);
}

TZebrinSkinWindowButtons::~TZebrinSkinWindowButtons() = default;

TZebrinSkinWindowButton& TZebrinSkinWindowButtons::Add() {
  return static_cast<TZebrinSkinWindowButton&>(TZebrinSkinCustomButtons::Add());
}

TZebrinSkinWindowButton* TZebrinSkinWindowButtons::Items(int index) const {
  return static_cast<TZebrinSkinWindowButton*>(TZebrinSkinCustomButtons::Items(index));
}

TZebrinSkinWindowButton* TZebrinSkinWindowButtons::ButtonAt(int index) const {
  return static_cast<TZebrinSkinWindowButton*>(TZebrinSkinCustomButtons::ButtonAt(index));
}

TZebrinSkinWindowButton& TZebrinSkinWindowButtons::AddButton(TZebrinSkinButtonStyle style, const std::string& hint) {
  TUpdateScope update(*this);
  TZebrinSkinWindowButton& button = Add();
  button.SetStyle(style);
  button.SetHint(hint);
  return button;
}

TZebrinSkinBand* TZebrinSkinWindowButtons::Band() const {
  ISkinButtonsOwner* skin = Skin();
  TZebrinSkinCustomBands* bands = skin ? skin->BandsAt(m_bandsIndex) : nullptr;
  if (!bands || m_bandIndex < 0 || m_bandIndex >= bands->Count()) return nullptr;
  return bands->Items(m_bandIndex);
}

bool TZebrinSkinWindowButtons::UsesSmallCaption() const {
  const TZebrinSkinBand* band = Band();
  return band && band->UsesSmallCaption();
}

platform::TCustomImageList* TZebrinSkinWindowButtons::Images() const {
  if (platform::TCustomImageList* own = ImageList()) return own;
  ISkinButtonsOwner* skin = Skin();
  return skin ? skin->WindowButtonImages(UsesSmallCaption()) : nullptr;
}

int TZebrinSkinWindowButtons::ButtonMinSizeRead() const { return ImageExtent(true); }

int TZebrinSkinWindowButtons::ButtonMaxSizeRead() const { return ImageExtent(true); }

int TZebrinSkinWindowButtons::ButtonSize(int index) const {
  const TZebrinSkinCustomButton* button = ButtonAt(index);
  if (!button) return 0;
  return std::max(button->GetClampedSize(), ButtonMinSizeRead() + 2 * button->Margin());
}

void TZebrinSkinWindowButtons::Click(int index) {
  TZebrinSkinWindowButton* button = ButtonAt(index);
  if (!button) return;
  if (!CallOut(*button, [&] { TZebrinSkinCustomButtons::Click(index); })) return;
  ISkinButtonsOwner* skin = Skin();
  if (!skin || !button->Enabled() || !button->CaptureMouse()) return;
  bool handled = false;
  if (!CallOut(*button, [&] { handled = skin->ButtonClick(*button); }) || handled) return;
  const TZebrinSkinButtonStyle style = button->Style();
  if (style == btsCombo) {
    CallOut(*button, [&] { skin->OpenComboMenu(*button); });
    return;
  }
  const std::optional<TWindowCommand> command = WindowCommandOf(style);
  if (!command) return;
  if (skin->AutoButtons()) {
    CallOut(*this, [&] { skin->SendWindowCommand(*command); });
  } else if (style != btsNext && style != btsPrevious && style != btsCheck) {
    CallOut(*this, [&] { skin->RunWindowOperation(*command); });
  }
}

void TZebrinSkinWindowButtons::UpdateButtonStates(int index, const TSkinWindowButtonState& state) {
  TZebrinSkinWindowButton* button = ButtonAt(index);
  ISkinButtonsOwner* skin = Skin();
  if (!button || !skin) return;
  const bool autoButtons = skin->AutoButtons();
  switch (button->Style()) {
    case btsMaximize: button->SetVisible(!state.maximized && state.hasControl); break;
    case btsRestore: button->SetVisible((state.maximized || state.minimized) && state.hasControl); break;
    case btsMinimize: button->SetVisible(!state.minimized && state.hasControl); break;
    case btsHelp:
      if (autoButtons)
        button->SetVisible(state.contextHelp);
      else
        button->SetEnabled(state.helpEnabled);
      break;
    case btsCombo:
      if (autoButtons)
        button->SetVisible(state.hasDropDown);
      else
        button->SetEnabled(state.hasDropDown);
      break;
    default: break;
  }
}

void TZebrinSkinWindowButtons::UpdateButtons(const TSkinWindowButtonState& state) {
  const platform::TWeakRef<platform::TObject> alive(this);
  BeginUpdate();
  for (int i = 0; i < Count(); ++i) {
    if (Items(i)->SelfManaged()) continue;
    UpdateButtonStates(i, state);
    // A state handler may have freed the skin and with it this collection.
    if (!alive) return;
  }
  EndUpdate();
}

const TZebrinSkinCustomAdapter& TZebrinSkinWindowButtons::FillMetrics(const TZebrinSkinCustomButton&) const {
  return *m_brush;
}

void TZebrinSkinWindowButtons::PaintGlyph(platform::ICanvas& canvas, const TZebrinSkinCustomButton& button,
                                          const TRect& rect) {
  const platform::TCustomImageList* images = Images();
  if (!images) return;
  const bool horizontal = Horizontal();
  TSkinWindowButtonParams rec;
  rec.X = rect.Left + (horizontal ? button.Margin() : 0);
  rec.Y = rect.Top + (horizontal ? 0 : button.Margin());
  rec.State = button.State();
  rec.Images = images;
  rec.ImageIndex = button.GetImageIndex();
  rec.GlyphColor = TZebrinSkinColor::Button(*button.Metrics(), ColorState(button));
  Painter().DrawWindowButton(canvas, rec);
}

std::string TZebrinSkinWindowButtons::ImageListText() const {
  if (ImageList()) return TZebrinSkinCustomButtons::ImageListText();
  const platform::TCustomImageList* images = Images();
  return images ? "ImageList=SkinManager." + images->Name() : std::string();
}

// ---- published members ----

using WB = TZebrinSkinWindowButton;
HALBRIN_DEFINE_CLASS(
    TZebrinSkinWindowButton,
    .Property("Indent", &WB::Indent, &WB::SetIndent)
        .Default(0)
        .Property("Masked", &WB::Masked, &WB::SetMasked)
        .Default(true)
        .Enum("Style", &WB::Style, &WB::SetStyle, SkinButtonStyleInfo())
        .Event("OnDblClick", static_cast<platform::TNotifyEvent WB::*>(&WB::m_onDblClick), "TNotifyEvent")
        .Event("OnMouseDown", static_cast<TMouseEvent WB::*>(&WB::m_onMouseDown), "TMouseEvent"))

using W = TZebrinSkinWindowButtons;
HALBRIN_DEFINE_CLASS(TZebrinSkinWindowButtons,
                     .Property("Brush", &W::Brush)
                     .Enum("Align", &W::Align, &W::SetAlign, SkinItemAlignInfo())
                     .Default(static_cast<int>(siaRight))
                     .Property("BandIndex", &W::BandIndex, &W::SetBandIndex)
                     .Default(0)
                     .Property("BandsIndex", &W::BandsIndex, &W::SetBandsIndex)
                     .TypeName("TZebrinSkinBandsIndex")
                     .Range(0, 1)
                     .Default(0)
                     .Property("CaptureMouse", &W::CaptureMouse, &W::SetCaptureMouse)
                     .Default(false)
                     .Enum("DragMode", &W::DragMode, &W::SetDragMode, DragModeInfo())
                     .Default(static_cast<int>(dmManual))
                     .Property("HideItems", &W::HideItems, &W::SetHideItems)
                     .Default(false)
                     .Enum("Layout", &W::Layout, &W::SetLayout, SkinItemLayoutInfo())
                     .Default(static_cast<int>(silCenter)))

}  // namespace halbrin::skins
