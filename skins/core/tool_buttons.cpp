#include "skins/core/tool_buttons.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/base/case_fold.h"
#include "platform/classes/class_builder.h"
#include "platform/controls/win_control.h"
#include "platform/graphics/popup_menu.h"
#include "skins/core/band_items.h"
#include "skins/core/custom_skin.h"
#include "skins/core/default_painter.h"
#include "skins/core/skin_geometry.h"
#include "skins/core/skin_manager.h"

namespace halbrin::skins {

namespace {

using platform::TComponent;
using platform::TControl;
using platform::TObject;
using platform::TWeakRef;
using platform::TWinControl;

TRect Offset(const TRect& r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

int DropDownSize() {
  const TZebrinSkinManager* manager = SkinManager();
  return manager ? manager->DropDownSize() : 0;
}

const platform::TFont& FallbackFont() {
  static const platform::TFont font;
  return font;
}

// The skin the linked control wears, when it is a full skin.
TZebrinCustomSkin* SkinOf(const TControl& control) {
  const TZebrinSkinManager* manager = SkinManager();
  return manager ? dynamic_cast<TZebrinCustomSkin*>(manager->FindSkin(&control)) : nullptr;
}

// A collapsed skin on the control is expanded.
void ExpandSkinOf(const TControl& control) {
  if (TZebrinCustomSkin* skin = SkinOf(control); skin && skin->IsMinimized()) skin->Restore();
}

void FocusIfPossible(TControl& control) {
  if (auto* windowed = dynamic_cast<TWinControl*>(&control); windowed && windowed->CanFocus()) windowed->SetFocus();
}

}  // namespace

// ---- TZebrinSkinToolButtonComponentAdapter ----

TZebrinSkinToolButtonComponentAdapter::TZebrinSkinToolButtonComponentAdapter(TZebrinSkinCustomToolButton& button,
                                                                             TControl& control)
    : m_button(&button), m_control(&control) {
  // The handler holds weak references only: it may run after the button or
  // this adapter went away within the same round.
  m_token = control.AddObserver([button = m_button, self = this](TControl&, platform::ControlEvent event) {
    if (!button.Get() || button.Get()->m_adapter.get() != self) return;
    self->ControlEvent(event);
  });
}

TZebrinSkinToolButtonComponentAdapter::~TZebrinSkinToolButtonComponentAdapter() {
  if (TControl* control = m_control.Get(); control && !control->IsDestroying()) control->RemoveObserver(m_token);
}

void TZebrinSkinToolButtonComponentAdapter::ControlEvent(platform::ControlEvent event) {
  using platform::ControlEvent;
  // Each step may run script code: the references are checked again after it.
  const TWeakRef<TZebrinSkinCustomToolButton> buttonRef = m_button;
  const TWeakRef<TControl> controlRef = m_control;
  TZebrinSkinCustomToolButton* button = buttonRef.Get();
  TControl* control = controlRef.Get();
  if (!button || !control) return;
  switch (event) {
    case ControlEvent::TextChanged:
      if (dynamic_cast<TWinControl*>(control)) button->SetText(control->Text());
      break;
    case ControlEvent::CloseRequested: {
      ISkinButtonsOwner* skin = button->Skin();
      ISkinBandHost* host = skin ? skin->BandHost() : nullptr;
      if (button->Down() && host && host->IsFormSkin()) skin->RunWindowOperation(TWindowCommand::Close);
      if (!(button = buttonRef.Get())) return;
      button->SetVisible(false);
      if (host && (button = buttonRef.Get()) && button->Skin() == skin) host->RefreshFrame();
      break;
    }
    case ControlEvent::Shown: {
      button->SetVisible(true);
      button->SetDown(true);
      ExpandSkinOf(*control);
      if (!(control = controlRef.Get())) return;
      FocusIfPossible(*control);
      if (!(button = buttonRef.Get())) return;
      TZebrinSkinCustomToolButtons* buttons = button->ToolButtons();
      // Shown in the last row of a wrapped bar.
      if (buttons && buttons->Wrapable() && buttons->MaxRows() != 1 && buttons->Rows() > 1 &&
          button->Row() != buttons->Rows() - 1) {
        button->SetIndex(buttons->Count() - 1);
        if (ISkinBandHost* host = buttonRef.Get() ? buttons->BandHost() : nullptr) host->RefreshFrame();
      }
      break;
    }
    default:
      break;
  }
}

// ---- TZebrinSkinCustomToolButton ----

TZebrinSkinCustomToolButton::TZebrinSkinCustomToolButton(platform::TCollection& collection)
    : TZebrinSkinCustomButton(collection) {
  SetRoundness(sirNone);
  SetStateBit(sbsToolButton, true);
}

TZebrinSkinCustomToolButton::~TZebrinSkinCustomToolButton() { Unlink(); }

TZebrinSkinCustomToolButtons* TZebrinSkinCustomToolButton::ToolButtons() const {
  return dynamic_cast<TZebrinSkinCustomToolButtons*>(Collection());
}

bool TZebrinSkinCustomToolButton::Horizontal() const {
  const TZebrinSkinCustomToolButtons* buttons = ToolButtons();
  return !buttons || buttons->Horizontal();
}

std::string TZebrinSkinCustomToolButton::Name() const {
  return m_name.empty() ? "item" + std::to_string(ID()) : m_name;
}

void TZebrinSkinCustomToolButton::SetStyle(TZebrinSkinToolButtonStyle value) {
  if (value == m_style) return;
  if (Down()) {
    const bool latching = m_style == tbsCheck || m_style == tbsTab;
    const bool plain = value == tbsButton || value == tbsDropDown || value == tbsStatic;
    if ((latching && plain) || value == tbsDivider) SetStateBit(sbsDown, false);
  }
  m_style = value;
  if (value == tbsDivider) SetCaptureMouse(false);
  Changed(true);
}

void TZebrinSkinCustomToolButton::SetDown(bool value) {
  if (value)
    if (TZebrinSkinCustomToolButtons* buttons = ToolButtons())
      for (int i = 0; i < buttons->Count(); ++i) {
        TZebrinSkinCustomToolButton* other = buttons->Items(i);
        if (other != this && other->m_style == m_style && other->m_group == m_group && other->Down())
          other->SetStateBit(sbsDown, false);
      }
  SetStateBit(sbsDown, value);
}

void TZebrinSkinCustomToolButton::SetImageIndex(int value) {
  if (value == ImageIndex()) return;
  TZebrinSkinCustomButton::SetImageIndex(value);
  Changed(true);
}

void TZebrinSkinCustomToolButton::SetComponent(TComponent* value) {
  if (value == m_component.Get() && (!value || m_adapter || !dynamic_cast<TControl*>(value))) return;
  Unlink();
  m_component.Reset(value);
  Link();
}

platform::TPopupMenu* TZebrinSkinCustomToolButton::DropDownMenu() const {
  return dynamic_cast<platform::TPopupMenu*>(m_component.Get());
}

void TZebrinSkinCustomToolButton::Link() {
  auto* control = dynamic_cast<TControl*>(m_component.Get());
  if (!control) return;
  m_adapter = std::make_unique<TZebrinSkinToolButtonComponentAdapter>(*this, *control);
  if (dynamic_cast<TWinControl*>(control)) SetText(control->Text());
}

void TZebrinSkinCustomToolButton::Unlink() { m_adapter.reset(); }

const platform::TFont& TZebrinSkinCustomToolButton::ButtonFont() const {
  const TZebrinSkinCustomToolButtons* buttons = ToolButtons();
  return buttons ? buttons->ButtonFont(*this) : FallbackFont();
}

int TZebrinSkinCustomToolButton::TextWidth() const {
  const TZebrinSkinCustomToolButtons* buttons = ToolButtons();
  if (m_text.empty()) return 0;
  return buttons ? buttons->TextExtent(m_text, ButtonFont()).cx : EstimateTextExtent(m_text).cx;
}

int TZebrinSkinCustomToolButton::GetNaturalSize() const {
  int size = TZebrinSkinCustomButton::GetNaturalSize();
  const int check = m_showCheckBox && Horizontal() ? kToolButtonCheckBoxSize : 0;
  if (ShowText() && !m_text.empty()) {
    const int text = TextWidth();
    if (m_layout == silCenter)
      size += text + check + (HasImageIndex() ? 4 : 0);
    else
      size = std::max(size, text + 2 * Margin() + check);
  }
  if (m_style == tbsDropDown) size += DropDownSize();
  return size;
}

int TZebrinSkinCustomToolButton::GetClampedSize() const {
  return m_style == tbsDivider ? GetNaturalSize() : TZebrinSkinCustomButton::GetClampedSize();
}

std::string TZebrinSkinCustomToolButton::GetHintText() const {
  const bool partial = !m_text.empty() && (!Horizontal() || !ShowText() ||
                                           RectExtent(BoundsRect(), true) < GetNaturalSize());
  if (Designing()) {
    std::string text = TZebrinSkinCustomButton::GetHintText();
    if (partial) text += "Text=" + m_text + "\r\n";
    return text;
  }
  const std::string shown = partial ? m_text : std::string();
  const std::string& hint = Hint();
  if (shown.empty()) return hint;
  return hint.empty() ? shown : shown + "\r\n" + hint;
}

void TZebrinSkinCustomToolButton::Execute() {
  TZebrinSkinCustomToolButtons* buttons = ToolButtons();
  if (!buttons) return;
  const int index = Index();
  if (buttons->Release(index)) buttons->Click(index);
}

void TZebrinSkinCustomToolButton::CopyTo(TZebrinSkinCustomButton& dest, bool withValue) const {
  TZebrinSkinCustomButton::CopyTo(dest, withValue);
  dest.SetBreakLine(BreakLine());
  auto* to = dynamic_cast<TZebrinSkinCustomToolButton*>(&dest);
  if (!to) return;
  to->m_text = m_text;
  to->SetComponent(m_component.Get());
  to->m_group = m_group;
  to->m_style = m_style;
  to->m_showCheckBox = m_showCheckBox;
  to->m_checked = m_checked;
  to->m_layout = m_layout;
  to->m_textLayout = m_textLayout;
  to->m_imagePosition = m_imagePosition;
  to->executeHook = executeHook;
}

TZebrinSkinToolButton::TZebrinSkinToolButton(platform::TCollection& collection)
    : TZebrinSkinCustomToolButton(collection) {
  SetMargin(4);
  SetTransparent(false);
}

TZebrinSkinBandItemButton::TZebrinSkinBandItemButton(platform::TCollection& collection)
    : TZebrinSkinCustomToolButton(collection) {
  SetMargin(0);
  SetMasked(true);
  SetIndent(4);
}

// ---- TZebrinSkinCustomToolButtons ----

TZebrinSkinCustomToolButtons::TZebrinSkinCustomToolButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin,
                                                           ISkinDefaults* defaults,
                                                           const platform::TClassInfo& itemClass,
                                                           platform::TCollectionItemFactory factory)
    : TZebrinSkinCustomButtons(owner, skin, defaults, itemClass, std::move(factory)) {
  SetDragMode(dmAutomatic);
}

TZebrinSkinCustomToolButton& TZebrinSkinCustomToolButtons::Add() {
  return static_cast<TZebrinSkinCustomToolButton&>(TZebrinSkinCustomButtons::Add());
}

TZebrinSkinCustomToolButton* TZebrinSkinCustomToolButtons::Items(int index) const {
  return static_cast<TZebrinSkinCustomToolButton*>(TZebrinSkinCustomButtons::Items(index));
}

TZebrinSkinCustomToolButton* TZebrinSkinCustomToolButtons::ButtonAt(int index) const {
  return static_cast<TZebrinSkinCustomToolButton*>(TZebrinSkinCustomButtons::ButtonAt(index));
}

TZebrinSkinCustomBandItem* TZebrinSkinCustomToolButtons::BandItem() const { return nullptr; }

const platform::TFont& TZebrinSkinCustomToolButtons::CollectionFont() const {
  const TZebrinSkinCustomBandItem* item = BandItem();
  return item ? item->Font()->Font() : FallbackFont();
}

const platform::TFont& TZebrinSkinCustomToolButtons::ButtonFont(const TZebrinSkinCustomToolButton& button) const {
  if (Transparent() && button.Style() != tbsTab)
    if (const TZebrinSkinCustomBandItem* item = BandItem()) return item->Font()->Font();
  return CollectionFont();
}

TSize TZebrinSkinCustomToolButtons::TextExtent(std::string_view text, const platform::TFont& font) const {
  ISkinBandHost* host = BandHost();
  return host ? host->TextExtent(text, font) : EstimateTextExtent(text);
}

int TZebrinSkinCustomToolButtons::RowThickness() const {
  if (Height() >= 0) return TZebrinSkinCustomButtons::RowThickness();
  int thickness = ImageExtent(false);
  for (int i = 0; i < Count(); ++i) {
    const TZebrinSkinCustomToolButton& button = *Items(i);
    if (button.Visible() && button.ShowText() && !button.Text().empty() && button.Layout() != silCenter) {
      thickness += TextExtent("Wg", CollectionFont()).cy + 8;
      break;
    }
  }
  return thickness;
}

bool TZebrinSkinCustomToolButtons::Release(int index) {
  TZebrinSkinCustomToolButton* button = ButtonAt(index);
  if (!button || !TZebrinSkinCustomButtons::Release(index)) return false;
  if (button->Style() == tbsCheck) {
    button->SetStateBit(sbsPressed, false);
    button->SetDown(!button->Down());
  } else if (button->Style() == tbsTab) {
    button->SetDown(true);
  }
  return true;
}

void TZebrinSkinCustomToolButtons::Click(int index) {
  TZebrinSkinCustomToolButton* button = ButtonAt(index);
  if (!button) return;
  if (!CallOut(*button, [&] { TZebrinSkinCustomButtons::Click(index); })) return;
  if (!button->Enabled()) return;
  const TWeakRef<TObject> alive(button);
  if (button->Style() == tbsDropDown)
    PopupMenuOf(*button);
  else if (button->Style() == tbsTab)
    ShowTab(*button);
  if (alive.Get() && button->executeHook && button->Enabled())
    CallOut(*button, [&] { button->executeHook(*button); });
}

TPoint TZebrinSkinCustomToolButtons::DropDownPoint(const TZebrinSkinCustomToolButton& button) const {
  const TRect& r = button.BoundsRect();
  const ISkinBandHost* host = BandHost();
  const ISkinButtonsOwner* skin = Skin();
  const platform::TAlign align = skin ? skin->ControlAlign() : platform::alNone;
  TPoint p;
  if (!host || host->CaptionHorizontal()) {
    const bool right = align == platform::alTop || align == platform::alBottom || align == platform::alRight ||
                       align == platform::alCustom;
    p = {right ? r.Right : r.Left, r.Bottom};
  } else {
    p = {r.Right, align == platform::alRight ? r.Bottom : r.Top};
  }
  --p.Y;
  return p;
}

void TZebrinSkinCustomToolButtons::PopupMenuOf(TZebrinSkinCustomToolButton& button) {
  platform::TPopupMenu* menu = button.DropDownMenu();
  ISkinButtonsOwner* skin = Skin();
  TComponent* skinComponent = skin ? skin->OwnerComponent() : nullptr;
  if (!menu || !skinComponent) return;
  const ISkinBandHost* host = BandHost();
  const TPoint at = DropDownPoint(button);
  const TPoint origin = host ? host->WindowOrigin() : TPoint{};
  const TPoint screen{at.X + origin.X, at.Y + origin.Y};
  bool alive = false;
  {
    TSkinPopupFlagScope flag;
    button.SetStateBit(sbsHot, false);
    menu->SetPopupComponent(skinComponent);
    const TWeakRef<platform::TPopupMenu> menuRef(menu);
    alive = CallOut(button, [&] {
      if (platform::TPopupMenu* still = menuRef.Get()) still->Popup(screen.X, screen.Y);
    });
  }
  if (!alive) return;
  // The press ended inside the menu: the button lets go of it.
  button.SetStateBit(sbsPressed, false);
  skin->ForgetItem(button);
}

void TZebrinSkinCustomToolButtons::ShowTab(TZebrinSkinCustomToolButton& button) {
  auto* control = dynamic_cast<TControl*>(button.Component());
  if (!control) return;
  if (!control->Visible()) {
    control->Show();
    return;
  }
  const TWeakRef<TControl> controlRef(control);
  FocusIfPossible(*control);
  if (TControl* still = controlRef.Get()) ExpandSkinOf(*still);
}

void TZebrinSkinCustomToolButtons::PaintButton(platform::ICanvas& canvas, int index, const TRect& rect) {
  TZebrinSkinCustomToolButton* button = ButtonAt(index);
  if (!button) return;
  if (button->OnCustomPaint().Assigned()) {
    bool painted = false;
    if (!CallOut(*button, [&] { button->OnCustomPaint()(button, &canvas, rect, painted); })) return;
    if (painted) return;
  }
  const bool horizontal = Horizontal();
  TRect r = rect;
  if (DownShift() && button->Pressed() != button->Down()) r = horizontal ? Offset(r, 0, 1) : Offset(r, 1, 0);
  const TZebrinSkinCustomAdapter& metrics = FillMetrics(*button);
  const TSkinColorState state = ColorState(*button);
  const platform::TFont& font = button->ButtonFont();
  const bool hasImage = button->HasImageIndex();
  const platform::TCustomImageList* images = hasImage ? Images() : nullptr;
  ISkinPainter& painter = button->Themed() ? Painter() : DefaultPainter();

  TSkinToolButtonParams rec;
  rec.Rect = r;
  rec.State = static_cast<std::uint8_t>((button->State() & 0xFF & ~kButtonOpaque) | (NeedsFill(*button) ? kButtonOpaque : 0));
  rec.Flags = horizontal ? 0 : kButtonVertical;
  rec.Images = images;
  rec.ImageIndex = hasImage ? button->GetImageIndex() : -1;
  rec.Color = TZebrinSkinColor::Button(metrics, state);
  rec.GlyphColor = state.elementEnabled && state.skinEnabled ? font.Color() : metrics.DisabledColor();
  rec.Style = button->Style();
  rec.DropDownSize = button->Style() == tbsDropDown ? DropDownSize() : 0;
  rec.Indent = button->Margin();
  rec.GlyphLayout = button->Layout();
  rec.Roundness = button->Roundness();
  painter.DrawToolButton(canvas, rec);

  // What is left for the text: the margins, the image, the arrow and the check box off.
  TRect c = CutBandSide(CutBandSide(r, horizontal, button->Margin(), 0), horizontal, button->Margin(), 1);
  if (images) {
    const int w = images->Width(), h = images->Height();
    switch (button->Layout()) {
      case silTop: horizontal ? (void)(c.Bottom -= h + 4) : (void)(c.Right -= w + 4); break;
      case silCenter: c = CutBandSide(c, horizontal, (horizontal ? w : h) + 4, 0); break;
      case silBottom: horizontal ? (void)(c.Top += h + 4) : (void)(c.Left += w + 4); break;
    }
  }
  if (rec.DropDownSize > 0) c = CutBandSide(c, horizontal, rec.DropDownSize, 1);
  if (button->ShowCheckBox() && horizontal) {
    TSkinGlyphParams glyph;
    const int middle = (c.Top + c.Bottom) / 2;
    glyph.Rect = TRect{c.Left + 2, middle - 8, c.Left + 18, middle + 8};
    glyph.State = static_cast<std::uint8_t>((button->Pressed() ? kButtonPressed : 0) | (button->Hot() ? kButtonHot : 0) |
                                            (button->Enabled() ? 0 : kButtonDisabled));
    glyph.Check = button->Checked() ? 2 : 0;
    glyph.Themed = button->Themed() ? 1 : 0;
    glyph.Color = rec.GlyphColor;
    glyph.BackColor = platform::SystemColor(5);  // the window background
    TSkinDefaultPainter::DrawSkinGlyph(canvas, glyph, TZebrinSkinManager::OptionImages());
    c.Left += kToolButtonCheckBoxSize;
  }
  if (button->ShowText() && !button->Text().empty() && !RectIsEmpty(c)) {
    TSkinTextParams text;
    text.Text = button->Text().c_str();
    text.Rect = c;
    text.Layout = button->TextLayout();
    text.Font = &font;
    text.Color = rec.GlyphColor;
    text.Color2 = rec.Color;
    text.Horizontal = horizontal ? 1 : 0;
    text.CallerFlag = 1;
    text.GlyphLayout = button->Layout() == silCenter ? 1 : 0;
    painter.DrawToolButtonText(canvas, text);
  }

  if (std::optional<TSkinEdgeParams> edge = EdgeRecord(*button, r, metrics, state)) {
    edge->Style = button->Style();
    if (button->Themed())
      Painter().DrawToolButtonEdges(canvas, *edge);
    else
      DefaultSkinPainter().DrawToolButtonEdges(canvas, *edge);
  }
  if (Designing()) TSkinDefaultPainter::DrawDottedFrame(canvas, r, platform::clDefault);
}

int TZebrinSkinCustomToolButtons::indexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (platform::SameText(Items(i)->Name(), name)) return i;
  return -1;
}

FoundItem TZebrinSkinCustomToolButtons::itemByName(std::string_view name) {
  const int index = indexOfName(name);
  return index >= 0 ? FoundItem(Items(index)) : FoundItem();
}

FoundItem TZebrinSkinCustomToolButtons::item(const platform::Variant& value) {
  std::int64_t index = -1;
  if (value.IsBool())
    index = value.AsBool() ? -1 : 0;
  else if (value.IsInteger())
    index = value.ToInt64();
  else if (value.IsString())
    return itemByName(value.AsString());
  else
    return {};
  if (index < 0 || index >= Count()) return {};
  return FoundItem(Items(static_cast<int>(index)));
}

bool TZebrinSkinCustomToolButtons::exists(std::string_view name) const { return indexOfName(name) >= 0; }

std::string TZebrinSkinCustomToolButtons::GetHintText() const {
  std::string text = TZebrinSkinCustomButtons::GetHintText();
  if (text.empty()) return text;
  const TZebrinSkinCustomBandItem* item = BandItem();
  const bool fontDefault = !item || item->Font()->Default();
  text += std::string("Font.Default=") + (fontDefault ? "True" : "False") + "\r\n";
  text += "ButtonMaxSize=" + std::to_string(ButtonMaxSize()) + "\r\n";
  text += "ButtonMinSize=" + std::to_string(ButtonMinSize()) + "\r\n";
  return text;
}

// ---- TZebrinSkinToolButtons ----

TZebrinSkinToolButtons::TZebrinSkinToolButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin,
                                               ISkinDefaults* defaults)
    : TZebrinSkinCustomToolButtons(owner, skin, defaults, TZebrinSkinToolButton::StaticClassInfo(),
                                   FactoryOf<TZebrinSkinToolButton>()),
      m_font(std::make_unique<TZebrinSkinToolButtonsFontAdapter>(this, defaults)) {
  SetPropName("ToolButtons");
  SetAlign(siaLeft);
  SetBorderWidth(1);
  SetWrapable(true);
  SetTransparent(true);
  m_font->collectionChanged = [this](bool) {
    m_textHeight = -1;
    Changed();
  };
}

TZebrinSkinToolButtons::~TZebrinSkinToolButtons() = default;

TZebrinSkinToolButton& TZebrinSkinToolButtons::Add() {
  return static_cast<TZebrinSkinToolButton&>(TZebrinSkinCustomToolButtons::Add());
}

TZebrinSkinToolButton* TZebrinSkinToolButtons::Items(int index) const {
  return static_cast<TZebrinSkinToolButton*>(TZebrinSkinCustomToolButtons::Items(index));
}

void TZebrinSkinToolButtons::SetFont(const TZebrinSkinCustomFontAdapter* value) {
  if (value) m_font->Assign(*value);
}

TZebrinSkinBand* TZebrinSkinToolButtons::Band() const {
  ISkinButtonsOwner* skin = Skin();
  TZebrinSkinCustomBands* bands = skin ? skin->BandsAt(m_bandsIndex) : nullptr;
  if (!bands || m_bandIndex < 0 || m_bandIndex >= bands->Count()) return nullptr;
  return bands->Items(m_bandIndex);
}

TZebrinSkinCustomBandItem* TZebrinSkinToolButtons::BandItem() const {
  const TZebrinSkinBand* band = Band();
  return band ? band->Item() : nullptr;
}

const platform::TFont& TZebrinSkinToolButtons::CollectionFont() const { return m_font->Font(); }

int TZebrinSkinToolButtons::TextHeight() const {
  if (m_textHeight < 0) m_textHeight = TextExtent("Wg", m_font->Font()).cy;
  return m_textHeight;
}

int TZebrinSkinToolButtons::RowThickness() const {
  if (Height() >= 0) return TZebrinSkinCustomButtons::RowThickness();
  return std::max(TZebrinSkinCustomToolButtons::RowThickness(), TextHeight()) + 4;
}

int TZebrinSkinToolButtons::ButtonMinSizeRead() const {
  if (ButtonMinSize() >= 0) return ButtonMinSize();
  return ImageExtent(true) + (Images() ? 8 : 0);
}

void TZebrinSkinToolButtons::PaintGrip(platform::ICanvas& canvas, const TRect& rect) {
  TSkinDefaultPainter::DrawDottedFrame(canvas, rect, platform::clDefault);
}

// ---- TZebrinSkinBandItemButtons ----

TZebrinSkinBandItemButtons::TZebrinSkinBandItemButtons(TZebrinSkinCustomBandItem& item, ISkinButtonsOwner* skin,
                                                       ISkinDefaults* defaults)
    : TZebrinSkinCustomToolButtons(&item, skin, defaults, TZebrinSkinBandItemButton::StaticClassInfo(),
                                   FactoryOf<TZebrinSkinBandItemButton>()),
      m_item(item) {
  SetWrapable(false);
  SetTransparent(true);
}

TZebrinSkinBandItemButton& TZebrinSkinBandItemButtons::Add() {
  return static_cast<TZebrinSkinBandItemButton&>(TZebrinSkinCustomToolButtons::Add());
}

TZebrinSkinBandItemButton* TZebrinSkinBandItemButtons::Items(int index) const {
  return static_cast<TZebrinSkinBandItemButton*>(TZebrinSkinCustomToolButtons::Items(index));
}

TZebrinSkinBand* TZebrinSkinBandItemButtons::Band() const { return m_item.Band(); }

// ---- published members ----

using TB = TZebrinSkinCustomToolButton;
HALBRIN_DEFINE_CLASS(TZebrinSkinCustomToolButton,
                     .Property("BreakLine", &TB::BreakLine, &TB::SetBreakLine)
                     .Default(false)
                     .Property("CaptureMouse", &TB::CaptureMouse, &TB::SetCaptureMouse)
                     .Default(true)
                     .Property("Component", &TB::Component, &TB::SetComponent)
                     .Property("Down", &TB::Down, &TB::SetDown)
                     .Default(false)
                     .Property("Group", &TB::Group, &TB::SetGroup)
                     .Default(0)
                     .Enum("Layout", &TB::Layout, &TB::SetLayout, SkinItemLayoutInfo())
                     .Default(static_cast<int>(silCenter))
                     .Property("Name", &TB::Name, &TB::SetName)
                     .TypeName("ShortString")
                     .Property("Margin", &TB::Margin, &TB::SetMargin)
                     .Default(0)
                     .Property("MaskColor", &TB::MaskColor, &TB::SetMaskColor)
                     .TypeName("TColor")
                     .Default(static_cast<std::int64_t>(platform::clNone))
                     .Enum("Style", &TB::Style, &TB::SetStyle, SkinToolButtonStyleInfo())
                     .Default(static_cast<int>(tbsButton))
                     .Property("Text", &TB::Text, &TB::SetText)
                     .TypeName("TCaption")
                     .Enum("TextLayout", &TB::TextLayout, &TB::SetTextLayout, SkinItemLayoutInfo())
                     .Default(static_cast<int>(silCenter))
                     .Enum("ImagePosition", &TB::ImagePosition, &TB::SetImagePosition, SkinItemPositionInfo())
                     .Default(static_cast<int>(sipLeft))
                     .Property("ShowImage", &TB::ShowImage, &TB::SetShowImage)
                     .Default(true)
                     .Property("ShowText", &TB::ShowText, &TB::SetShowText)
                     .Default(true)
                     .Property("ShowCheckBox", &TB::ShowCheckBox, &TB::SetShowCheckBox)
                     .Default(false)
                     .Property("Checked", &TB::Checked, &TB::SetChecked)
                     .Default(false)
                     .Event("OnDblClick", static_cast<platform::TNotifyEvent TB::*>(&TB::m_onDblClick), "TNotifyEvent")
                     .Event("OnMouseDown", static_cast<TMouseEvent TB::*>(&TB::m_onMouseDown), "TMouseEvent")
                     .Event("OnCustomPaint", &TB::m_onCustomPaint, "TCustomPaintBandItemButtonEvent"))

using T1 = TZebrinSkinToolButton;
HALBRIN_DEFINE_CLASS(TZebrinSkinToolButton, .Property("Margin", &T1::Margin, &T1::SetMargin)
                                                .Default(4)
                                                .Property("Transparent", &T1::Transparent, &T1::SetTransparent)
                                                .Default(false))

using T2 = TZebrinSkinBandItemButton;
HALBRIN_DEFINE_CLASS(TZebrinSkinBandItemButton, .Property("Margin", &T2::Margin, &T2::SetMargin)
                                                    .Default(0)
                                                    .Property("Masked", &T2::Masked, &T2::SetMasked)
                                                    .Default(true)
                                                    .Property("Indent", &T2::Indent, &T2::SetIndent)
                                                    .Default(4))

using CT = TZebrinSkinCustomToolButtons;
HALBRIN_DEFINE_CLASS(TZebrinSkinCustomToolButtons,
                     .Property("BorderWidth", &CT::BorderWidth, &CT::SetBorderWidth)
                     .Default(0)
                     .Property("ButtonMinSize", &CT::ButtonMinSize, &CT::SetButtonMinSize)
                     .Default(-1)
                     .Property("ButtonMaxSize", &CT::ButtonMaxSize, &CT::SetButtonMaxSize)
                     .Default(-1)
                     .Enum("DragMode", &CT::DragMode, &CT::SetDragMode, DragModeInfo())
                     .Default(static_cast<int>(dmAutomatic))
                     .Property("Height", &CT::Height, &CT::SetHeight)
                     .Default(-1)
                     .Enum("Layout", &CT::Layout, &CT::SetLayout, SkinItemLayoutInfo())
                     .Default(static_cast<int>(silCenter))
                     .Property("MaxRows", &CT::MaxRows, &CT::SetMaxRows)
                     .Default(0)
                     .Property("script", &CT::script, &CT::setScript)
                     .Property("Width", &CT::Width, &CT::SetWidth)
                     .Default(-1))

using TT = TZebrinSkinToolButtons;
HALBRIN_DEFINE_CLASS(TZebrinSkinToolButtons,
                     .Enum("Align", &TT::Align, &TT::SetAlign, SkinItemAlignInfo())
                     .Default(static_cast<int>(siaLeft))
                     .Property("BandIndex", &TT::BandIndex, &TT::SetBandIndex)
                     .Default(1)
                     .Property("BandsIndex", &TT::BandsIndex, &TT::SetBandsIndex)
                     .TypeName("TZebrinSkinBandsIndex")
                     .Range(0, 1)
                     .Default(0)
                     .Property("BorderWidth", &TT::BorderWidth, &TT::SetBorderWidth)
                     .Default(1)
                     .Property("Font", &TT::Font)
                     .Property("GripSize", &TT::GripSize, &TT::SetGripSize)
                     .Default(-1)
                     .Property("Wrapable", &TT::Wrapable, &TT::SetWrapable)
                     .Default(true)
                     .Property("Transparent", &TT::Transparent, &TT::SetTransparent)
                     .Default(true))

using TI = TZebrinSkinBandItemButtons;
HALBRIN_DEFINE_CLASS(TZebrinSkinBandItemButtons,
                     .Enum("Align", &TI::Align, &TI::SetAlign, SkinItemAlignInfo())
                     .Default(static_cast<int>(siaLeft))
                     .Property("Wrapable", &TI::Wrapable, &TI::SetWrapable)
                     .Default(false)
                     .Property("Transparent", &TI::Transparent, &TI::SetTransparent)
                     .Default(true))

}  // namespace halbrin::skins
