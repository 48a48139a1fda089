#include "skins/core/control_skin.h"

#include <algorithm>
#include <limits>

#include "platform/classes/class_builder.h"
#include "platform/graphics/popup_menu.h"
#include "platform/services/desktop_service.h"

namespace halbrin::skins {

using platform::alBottom;
using platform::alClient;
using platform::alCustom;
using platform::alLeft;
using platform::alNone;
using platform::alRight;
using platform::alTop;
using platform::IsSideAlign;

namespace {

bool TopOrBottom(TAlign align) { return align == alTop || align == alBottom; }
bool LeftOrRight(TAlign align) { return align == alLeft || align == alRight; }

TAlign Opposite(TAlign align) {
  switch (align) {
    case alTop: return alBottom;
    case alBottom: return alTop;
    case alLeft: return alRight;
    case alRight: return alLeft;
    default: return alNone;
  }
}

}  // namespace

TAlign DockSideAt(const TRect& client, TPoint point, TZebrinSkinConstrainStyle style, TAlign current) {
  const int w = client.Width() / 8, h = client.Height() / 8;
  const struct {
    TAlign side;
    TRect strip;
  } strips[] = {
      {alLeft, {client.Left, client.Top, client.Left + w, client.Bottom}},
      {alRight, {client.Right - w, client.Top, client.Right, client.Bottom}},
      {alTop, {client.Left, client.Top, client.Right, client.Top + h}},
      {alBottom, {client.Left, client.Bottom - h, client.Right, client.Bottom}},
  };
  for (const auto& [side, strip] : strips) {
    const bool allowed = style == scsNone || side == current || (style == scsOppositeAlign && side == Opposite(current));
    if (allowed && strip.Contains(point)) return side;
  }
  return alNone;
}

// ---- Lifecycle ----

TZebrinControlSkin::TZebrinControlSkin(platform::TComponent* owner) : TZebrinCustomSkin(owner) {
  SetAutoButtons(false);
  SetMoveable(false);
  SetDefaultNCPaint(true);
  ISkinDefaults* defaults = SkinManager();
  m_splitter = std::make_unique<TZebrinSkinSplitter>(this, defaults, [this](bool recalc) { PartsChanged(recalc); });
  m_margins = std::make_unique<TZebrinSkinMargins>(this, defaults, [this](bool recalc) { PartsChanged(recalc); });
  for (int side = kMarginTop; side <= kMarginLeft; ++side)
    m_margins->Side(side)->Metrics()->brushColor = [this]() -> std::optional<TColor> {
      if (HasWindow()) return Control()->Color();
      return std::nullopt;
    };
}

TZebrinControlSkin::~TZebrinControlSkin() {
  SetState(platform::csDestroying, true);
  // Unhooked while this class is whole, so a drag still under way lets go of its parent.
  SetControl(nullptr);
  EndDrag(false);
}

void TZebrinControlSkin::PartsChanged(bool recalc) {
  if (IsDestroying()) return;
  if (recalc)
    Changed();
  else
    Redraw();
}

void TZebrinControlSkin::HookWindow() {
  m_declaredBounds = Control()->BoundsRect();
  TZebrinCustomSkin::HookWindow();
}

void TZebrinControlSkin::UnhookWindow() {
  KillSkinTimer(kSkinTimerExpand);
  KillSkinTimer(kSkinTimerCollapse);
  EndDrag(false);
  m_autoExpanded = false;
  TZebrinCustomSkin::UnhookWindow();
}

// ---- Published ----

void TZebrinControlSkin::SetAutoExpand(bool value) {
  if (value == m_autoExpand) return;
  m_autoExpand = value;
  if (!value) {
    KillSkinTimer(kSkinTimerExpand);
    KillSkinTimer(kSkinTimerCollapse);
  }
}

void TZebrinControlSkin::SetDefaultButtonSet(TZebrinSkinButtonStyles value) {
  if (value == m_defaultButtons) return;
  m_defaultButtons = value;
  if (AutoButtons() && !IsLoading()) BuildSystemButtons();
}

std::vector<TZebrinSkinButtonStyle> TZebrinControlSkin::DefaultButtons() const {
  std::vector<TZebrinSkinButtonStyle> styles;
  for (int style = 0; style < kSkinButtonStyleCount; ++style)
    if (m_defaultButtons & ButtonStyleBit(static_cast<TZebrinSkinButtonStyle>(style)))
      styles.push_back(static_cast<TZebrinSkinButtonStyle>(style));
  return styles;
}

std::string TZebrinControlSkin::Text() const { return Control() ? Control()->Text() : std::string(); }

void TZebrinControlSkin::SetText(const std::string& value) {
  if (Control()) Control()->SetText(value);
}

// ---- State ----

bool TZebrinControlSkin::SplitterShown() const {
  if (!Control() || !m_splitter->Visible() || !IsSideAlign(Control()->Align())) return false;
  return !m_movingAligned || IsMinimized();
}

int TZebrinControlSkin::SplitterHitCode() const {
  switch (ControlAlign()) {
    case alTop: return kHitBottom;
    case alBottom: return kHitTop;
    case alLeft: return kHitRight;
    case alRight: return kHitLeft;
    default: return kHitNowhere;
  }
}

bool TZebrinControlSkin::IsMinimized() const {
  const TWinControl* control = Control();
  if (!control) return false;
  const TSize min = GetMinSize();
  const TAlign align = control->Align();
  if (TopOrBottom(align)) return min.cy >= control->Height();
  if (LeftOrRight(align)) return min.cx >= control->Width();
  return min.cy >= control->Height() || min.cx >= control->Width();
}

bool TZebrinControlSkin::HasButtons() const { return TZebrinCustomSkin::HasButtons() && !m_movingAligned; }

bool TZebrinControlSkin::GetMoveable() {
  const TAlign align = ControlAlign();
  if (!Control() || align == alClient || align == alCustom) return false;
  return TZebrinCustomSkin::GetMoveable();
}

void TZebrinControlSkin::UpdateBounds(int reason) {
  if (!Control() || IsMinimized()) return;
  const bool sizing = reason == kHitLeft || reason == kHitRight || reason == kHitTop || reason == kHitBottom;
  if (reason == kBoundsReasonExplicit || (sizing && SplitterShown())) SetNormalBounds(Control()->BoundsRect());
}

void TZebrinControlSkin::Minimize() {
  TWinControl* control = Control();
  if (!control) return;
  UpdateBounds(kBoundsReasonExplicit);
  bool allow = true;
  if (m_onBeforeCollapse.Assigned() && !CallOut([&] { m_onBeforeCollapse(this, allow); })) return;
  if (!allow) return;
  const TSize min = GetMinSize();
  const TAlign align = control->Align();
  if (TopOrBottom(align))
    control->SetHeight(min.cy);
  else if (LeftOrRight(align))
    control->SetWidth(min.cx);
  Refresh();
  if (!IsMinimized()) return;
  m_autoExpanded = false;
  CallOut([&] { m_onCollapse(this); });
}

void TZebrinControlSkin::Restore() {
  TWinControl* control = Control();
  if (!control) return;
  bool allow = true;
  if (m_onBeforeExpand.Assigned() && !CallOut([&] { m_onBeforeExpand(this, allow); })) return;
  if (!allow || !(control = Control())) return;
  const TAlign align = control->Align();
  // A normal extent of zero (never saved, or stored so) falls back to the declared size.
  if (TopOrBottom(align))
    control->SetHeight(NormalBounds().Height() > 0 ? NormalBounds().Height() : m_declaredBounds.Height());
  else if (LeftOrRight(align))
    control->SetWidth(NormalBounds().Width() > 0 ? NormalBounds().Width() : m_declaredBounds.Width());
  Refresh();
  if (IsNormal()) CallOut([&] { m_onExpand(this); });
}

void TZebrinControlSkin::Close() {
  TWinControl* control = Control();
  if (!control) return;
  const bool hadWindow = HasWindow();
  const platform::TWeakRef<TWinControl> alive(control);
  control->Hide();
  if (hadWindow && alive && alive->HandleAllocated()) alive->NotifyCloseRequested();
}

// ---- Geometry ----

bool TZebrinControlSkin::IsCaptionHorizontal(const TRect& bounds) const {
  const bool base = TZebrinCustomSkin::IsCaptionHorizontal(bounds);
  const TAlign align = ControlAlign();
  const TZebrinSkinCaptionAlign captionAlign = Caption()->Align();
  if (captionAlign == scaAuto || captionAlign == scaAutoInverse) {
    if (TopOrBottom(align)) return base || IsMinimized();
    if (align == alCustom) return base;
    return base && !IsMinimized();
  }
  if (captionAlign == scaSmartTop && LeftOrRight(align)) return !IsMinimized();
  return base;
}

TRect TZebrinControlSkin::GetFrameRect() const {
  TRect r = TZebrinCustomSkin::GetFrameRect();
  r.Top += m_margins->Extent(kMarginTop);
  r.Right -= m_margins->Extent(kMarginRight);
  r.Bottom -= m_margins->Extent(kMarginBottom);
  r.Left += m_margins->Extent(kMarginLeft);
  return r;
}

TRect TZebrinControlSkin::FreeEdgeCut(TRect r) const {
  if (!SplitterShown()) return r;
  const int size = std::max(0, m_splitter->Size());
  switch (ControlAlign()) {
    case alTop: r.Bottom -= size; break;
    case alBottom: r.Top += size; break;
    case alLeft: r.Right -= size; break;
    case alRight: r.Left += size; break;
    default: break;
  }
  return r;
}

TRect TZebrinControlSkin::GetClientFrameRect() const { return FreeEdgeCut(GetFrameRect()); }

TRect TZebrinControlSkin::AdjustRect(const TRect& windowRect) {
  TRect r = windowRect;
  r.Top += m_margins->Extent(kMarginTop);
  r.Right -= m_margins->Extent(kMarginRight);
  r.Bottom -= m_margins->Extent(kMarginBottom);
  r.Left += m_margins->Extent(kMarginLeft);
  r = FreeEdgeCut(TZebrinCustomSkin::AdjustRect(r));
  r.Right = std::max(r.Right, r.Left);
  r.Bottom = std::max(r.Bottom, r.Top);
  return r;
}

TSize TZebrinControlSkin::GetMinSize() const {
  TSize size = TZebrinCustomSkin::GetMinSize();
  if (!AutoConstraints()) return size;
  const TAlign align = ControlAlign();
  if (m_splitter->Visible() && IsSideAlign(align)) {
    if (TopOrBottom(align))
      size.cy += std::max(0, m_splitter->Size());
    else
      size.cx += std::max(0, m_splitter->Size());
  }
  size.cy += m_margins->Extent(kMarginTop) + m_margins->Extent(kMarginBottom);
  size.cx += m_margins->Extent(kMarginRight) + m_margins->Extent(kMarginLeft);
  return size;
}

TRect TZebrinControlSkin::SplitterRectIn(const TRect& frame) const {
  if (!SplitterShown()) return {};
  const int size = std::max(0, m_splitter->Size());
  TRect r = frame;
  switch (ControlAlign()) {
    case alTop: r.Top = r.Bottom - size; break;
    case alBottom: r.Bottom = r.Top + size; break;
    case alLeft: r.Left = r.Right - size; break;
    case alRight: r.Right = r.Left + size; break;
    default: return {};
  }
  return r;
}

void TZebrinControlSkin::UpdateGeometry() {
  m_splitter->SetRect(SplitterRectIn(GetFrameRect()));
  const TRect bounds = GetBoundsRect();
  const int top = m_margins->Extent(kMarginTop), bottom = m_margins->Extent(kMarginBottom);
  for (int side = kMarginTop; side <= kMarginLeft; ++side) {
    TZebrinSkinMargin& margin = *m_margins->Side(side);
    const int size = m_margins->Extent(side);
    if (size <= 0 && !(m_margins->Visible() && margin.Visible())) {
      margin.SetRect({});
      continue;
    }
    TRect r = bounds;
    switch (side) {
      case kMarginTop: r.Bottom = r.Top + size; break;
      case kMarginBottom: r.Top = r.Bottom - size; break;
      default:
        r.Top += top;
        r.Bottom -= bottom;
        if (side == kMarginRight)
          r.Left = r.Right - size;
        else
          r.Right = r.Left + size;
        break;
    }
    margin.SetRect(r);
  }
}

TSkinElement TZebrinControlSkin::ItemAtPos(TPoint pos) const {
  if (SplitterShown() && SplitterRectIn(GetFrameRect()).Contains(pos))
    return {TSkinElement::Kind::Splitter, m_splitter.get()};
  return TZebrinCustomSkin::ItemAtPos(pos);
}

// ---- Painting ----

void TZebrinControlSkin::PaintFrame(ICanvas& canvas) {
  if (Enabled() && Host() && Control()) {
    UpdateGeometry();
    ISkinPainter* theme = Painter();
    ISkinPainter& painter = theme ? *theme : DefaultPainter();
    TSkinColorState state;
    state.skinEnabled = Enabled();
    state.active = GetActive();
    const auto paintPart = [&](const TRect& rect, auto&& paint) {
      if (rect.IsEmpty()) return;
      std::unique_ptr<ISkinSurface> surface = Host()->CreateSurface(TSize{rect.Width(), rect.Height()});
      if (!surface) return;
      paint(surface->Canvas(), TRect{0, 0, rect.Width(), rect.Height()});
      surface->CopyTo(canvas, TPoint{rect.Left, rect.Top});
    };
    for (int side = kMarginTop; side <= kMarginLeft; ++side) {
      const TZebrinSkinMargin& margin = *m_margins->Side(side);
      if (m_margins->Extent(side) <= 0) continue;
      paintPart(margin.Rect(), [&](ICanvas& part, const TRect& at) {
        TSkinFillParams fill;
        fill.Rect = at;
        fill.Color = TZebrinSkinColor::Margin(*margin.Metrics(), state);
        fill.Designing = Designing() ? 1 : 0;
        painter.FillMargin(part, fill);
        TSkinEdgeParams edge{};
        edge.Rect = at;
        edge.Color = TZebrinSkinColor::Edge(*margin.Metrics(), state);
        edge.Width = margin.Metrics()->EdgeWidth();
        edge.Edges = margin.EdgeBorders();
        painter.DrawMarginEdges(part, edge);
      });
    }
    paintPart(m_splitter->Rect(), [&](ICanvas& part, const TRect& at) {
      const TAlign align = ControlAlign();
      TSkinColorState splitterState = state;
      splitterState.elementEnabled = m_splitter->Enabled() && Control()->Enabled();
      TSkinFillParams fill;
      fill.Rect = at;
      fill.Color = TZebrinSkinColor::Splitter(*m_splitter->Metrics(), splitterState);
      fill.Transparent = TopOrBottom(align) ? 1 : 0;
      fill.Active = state.active ? 1 : 0;
      fill.State2 = splitterState.elementEnabled ? 1 : 0;
      fill.Designing = Designing() ? 1 : 0;
      painter.FillSplitter(part, fill);
      TSkinEdgeParams edge{};
      edge.Rect = at;
      edge.Color = TZebrinSkinColor::Edge(*m_splitter->Metrics(), splitterState);
      edge.Width = m_splitter->Metrics()->EdgeWidth();
      if (m_splitter->AutoEdgeBorders())
        edge.Edges = TopOrBottom(align)     ? EdgeBit(sebTop) | EdgeBit(sebBottom)
                     : LeftOrRight(align) ? EdgeBit(sebRight) | EdgeBit(sebLeft)
                                         : 0;
      else
        edge.Edges = m_splitter->EdgeBorders();
      painter.DrawSplitterEdges(part, edge);
    });
  }
  TZebrinCustomSkin::PaintFrame(canvas);
}

// ---- Hit testing and the mouse ----

int TZebrinControlSkin::HitTest(TPoint pos) {
  int hit = TZebrinCustomSkin::HitTest(pos);
  if (!Enabled()) return hit;
  const bool kept = hit == kHitClient || hit == kHitHScroll || hit == kHitVScroll || IsSizingHit(hit) ||
                    hit == kHitSkinCaption || hit == kHitSkinFooter || hit == kHitSkinButton;
  if (!kept && Mouse().hot.kind == TSkinElement::Kind::Splitter && m_splitter->Enabled()) hit = SplitterHitCode();
  SetLastHitCode(hit);
  return hit;
}

void TZebrinControlSkin::PointerPress(const TWindowPointer& pointer) {
  const platform::TWeakRef<TZebrinControlSkin> self(this);
  m_moved = false;
  TZebrinCustomSkin::PointerPress(pointer);
  if (!self || !Enabled() || Ending()) return;
  // A press in the frame keeps an auto-expanded pane open.
  KillSkinTimer(kSkinTimerCollapse);
  m_autoExpanded = false;
  if (!Designing() && pointer.button == TMouseButton::mbLeft && LastHitCode() == kHitSkinCaption && !GetActive())
    FocusPane();
}

void TZebrinControlSkin::FocusPane() {
  TWinControl* control = Control();
  if (!control || !control->CanFocus()) return;
  if (control->TabStop())
    control->SetFocus();
  else
    platform::FocusFirstControl(*control);
}

void TZebrinControlSkin::PointerMotion(const TWindowPointer& pointer) {
  if (m_drag != TDrag::None && Enabled()) {
    DragTo(pointer);
    return;
  }
  TZebrinCustomSkin::PointerMotion(pointer);
}

void TZebrinControlSkin::PointerRelease(const TWindowPointer& pointer) {
  const platform::TWeakRef<TZebrinControlSkin> self(this);
  if (m_drag != TDrag::None && pointer.button == TMouseButton::mbLeft) {
    const bool caption = m_drag == TDrag::Caption;
    DragTo(pointer);
    if (!self) return;
    EndDrag(true);
    if (!self || !caption) return;
  }
  const int hit = LastHitCode();
  TZebrinCustomSkin::PointerRelease(pointer);
  if (!self || !Enabled() || Ending() || pointer.button != TMouseButton::mbRight || hit != kHitSkinCaption) return;
  platform::TPopupMenu* menu = PopupMenu();
  if (!menu && Control()) menu = Control()->PopupMenu();
  if (!menu || !menu->AutoPopup()) return;
  PopupMenuAt(*menu, pointer.screen);
  if (!self) return;
  // Hot tracking catches up with wherever the pointer is now.
  if (!Ending()) TZebrinCustomSkin::PointerMotion(pointer);
}

void TZebrinControlSkin::PointerDoubleClick(const TWindowPointer& pointer) {
  const platform::TWeakRef<TZebrinControlSkin> self(this);
  // The second press started a drag of its own; the double click wins.
  EndDrag(false);
  if (!Enabled()) return;
  const int hit = HitTest(pointer.pos);
  // The double-click events fire; what follows replaces the window system's default.
  TZebrinCustomSkin::PointerDoubleClick(pointer);
  if (!self || !Enabled() || Ending()) return;
  if ((hit == kHitLeft || hit == kHitRight || hit == kHitTop || hit == kHitBottom) && SplitterShown() &&
      m_splitter->Enabled()) {
    if (IsMinimized())
      Restore();
    else
      Minimize();
  } else if (hit == kHitSkinCaption) {
    if (IsMinimized()) Restore();
  } else if (hit == kHitSkinButton) {
    m_autoExpanded = false;
  }
}

// ---- Automatic expand and collapse ----

void TZebrinControlSkin::ControlEnter() {
  const platform::TWeakRef<TZebrinControlSkin> self(this);
  TZebrinCustomSkin::ControlEnter();
  if (!self || !Enabled()) return;
  if (m_autoExpand && !m_autoExpanded && IsMinimized())
    SetSkinTimer(kSkinTimerExpand, static_cast<std::uint32_t>(std::max(1, m_expandDelay)));
}

void TZebrinControlSkin::ControlLeave() {
  const platform::TWeakRef<TZebrinControlSkin> self(this);
  TZebrinCustomSkin::ControlLeave();
  if (!self || !Enabled()) return;
  if (m_autoExpand && m_autoExpanded && IsNormal())
    SetSkinTimer(kSkinTimerCollapse, static_cast<std::uint32_t>(std::max(1, m_collapseDelay)));
}

void TZebrinControlSkin::SkinTimerExpired(int id) {
  if (id == kSkinTimerExpand) {
    KillSkinTimer(id);
    if (!Mouse().insideControl || !Host()) return;
    const TPoint cursor = Host()->ScreenToWindow(platform::GetCursorPoint());
    const bool leftDown = (Mouse().lastPointer.shift & ssLeft) != 0;
    if (!GetClientFrameRect().Contains(cursor) || LastHitCode() == kHitSkinButton || leftDown) return;
    const platform::TWeakRef<TZebrinControlSkin> self(this);
    Restore();
    if (self && IsNormal()) m_autoExpanded = true;
  } else if (id == kSkinTimerCollapse) {
    if (Mouse().insideControl) return;
    KillSkinTimer(id);
    Minimize();
  } else {
    TZebrinCustomSkin::SkinTimerExpired(id);
  }
}

// ---- The own drags ----

TPoint TZebrinControlSkin::CursorInParent(TPoint screen) const {
  return TPoint{screen.X - m_parentOrigin.X, screen.Y - m_parentOrigin.Y};
}

bool TZebrinControlSkin::BeginSizingDrag(int hit, const TWindowPointer& press) {
  TWinControl* control = Control();
  if (!control || !control->Parent() || m_drag != TDrag::None) return false;
  if (hit != SplitterHitCode() || !SplitterShown() || !m_splitter->Enabled()) return false;
  m_drag = TDrag::Splitter;
  m_dragHit = hit;
  m_dragScreen = press.screen;
  EnterSizeMove(hit);
  return true;
}

bool TZebrinControlSkin::BeginCaptionDrag(const TWindowPointer& press) {
  TWinControl* control = Control();
  if (!control || !control->Parent() || m_drag != TDrag::None) return false;
  m_drag = TDrag::Caption;
  m_dragHit = kHitSkinCaption;
  m_dragScreen = press.screen;
  m_dragOffset = press.pos;
  const TRect bounds = control->BoundsRect();
  m_parentOrigin = TPoint{press.screen.X - bounds.Left - press.pos.X, press.screen.Y - bounds.Top - press.pos.Y};
  m_lastCursor = CursorInParent(press.screen);
  if (!Designing() && Host()) Host()->BringToFront();
  if (Host()) Host()->SetCursor(crSizeAll);
  EnterSizeMove(kHitSkinCaption);
  return true;
}

void TZebrinControlSkin::EnterSizeMove(int hit) {
  TWinControl* control = Control();
  m_moved = false;
  m_resized = false;
  m_dragStart = control->BoundsRect();
  if (hit == kHitSkinCaption) {
    m_movingAligned = true;
    // The pane moves freely until the drag ends; the parent's layout waits.
    m_heldParent.Reset(control->Parent());
    control->Parent()->DisableAlign();
    if (!m_dockIndicator) m_dockIndicator = CurrentSkinPopupFactory().CreateDockIndicator();
    m_dockIndicator->SetCaption(control->Text());
  }
  Refresh();
}

void TZebrinControlSkin::WindowPosChanging(TRect& bounds) {
  const TWinControl* control = Control();
  const TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent || m_constrainStyle == scsNone) return;
  const TAlign align = control->Align();
  if (TopOrBottom(align)) {
    bounds = TRect{0, bounds.Top, bounds.Width(), bounds.Bottom};
  } else if (LeftOrRight(align)) {
    int top = 0;
    for (const platform::TControl* sibling : parent->AlignOrder())
      if (sibling != control && sibling->Visible() && sibling->Align() == alTop) top += sibling->Height();
    bounds = TRect{bounds.Left, top, bounds.Right, top + bounds.Height()};
  }
}

void TZebrinControlSkin::DragTo(const TWindowPointer& pointer) {
  TWinControl* control = Control();
  if (!control || !control->Parent()) return;
  if (m_drag == TDrag::Splitter) {
    const int dx = pointer.screen.X - m_dragScreen.X, dy = pointer.screen.Y - m_dragScreen.Y;
    TSkinMinMaxInfo limits;
    limits.maxTrack = TSize{std::numeric_limits<int>::max() / 2, std::numeric_limits<int>::max() / 2};
    limits = GetMinMaxInfo(limits);
    switch (control->Align()) {
      case alTop: control->SetHeight(std::clamp(m_dragStart.Height() + dy, limits.minTrack.cy, limits.maxTrack.cy)); break;
      case alBottom: control->SetHeight(std::clamp(m_dragStart.Height() - dy, limits.minTrack.cy, limits.maxTrack.cy)); break;
      case alLeft: control->SetWidth(std::clamp(m_dragStart.Width() + dx, limits.minTrack.cx, limits.maxTrack.cx)); break;
      case alRight: control->SetWidth(std::clamp(m_dragStart.Width() - dx, limits.minTrack.cx, limits.maxTrack.cx)); break;
      default: break;
    }
    return;
  }
  m_lastCursor = CursorInParent(pointer.screen);
  TRect bounds{m_lastCursor.X - m_dragOffset.X, m_lastCursor.Y - m_dragOffset.Y, 0, 0};
  bounds.Right = bounds.Left + control->Width();
  bounds.Bottom = bounds.Top + control->Height();
  WindowPosChanging(bounds);
  const platform::TWeakRef<TZebrinControlSkin> self(this);
  control->SetBoundsRect(bounds);
  if (!self || !Control()) return;
  ShowDockTarget(DockSideAt(Control()->Parent()->ClientRect(), m_lastCursor, m_constrainStyle, Control()->Align()));
}

void TZebrinControlSkin::ShowDockTarget(TAlign side) {
  if (!m_dockIndicator) return;
  const TRect target = AlignTargetRect(side);
  if (target.IsEmpty()) {
    m_dockIndicator->Hide();
    return;
  }
  m_dockIndicator->ShowAt(TRect{target.Left + m_parentOrigin.X, target.Top + m_parentOrigin.Y,
                                target.Right + m_parentOrigin.X, target.Bottom + m_parentOrigin.Y});
}

void TZebrinControlSkin::EndDrag(bool finish) {
  if (m_drag == TDrag::None) return;
  const TDrag drag = std::exchange(m_drag, TDrag::None);
  if (finish && Control()) {
    if (drag == TDrag::Splitter) UpdateBounds(m_dragHit);
    ExitSizeMove();
    return;
  }
  // Let go without finishing: the pane goes back to its place.
  m_movingAligned = false;
  if (m_dockIndicator) m_dockIndicator->Hide();
  if (TWinControl* parent = m_heldParent.Get()) {
    m_heldParent.Reset(nullptr);
    parent->EnableAlign();
    parent->Realign();
  }
}

void TZebrinControlSkin::ExitSizeMove() {
  const platform::TWeakRef<TZebrinControlSkin> self(this);
  if (m_movingAligned) {
    TWinControl* control = Control();
    const TAlign side = control && control->Parent()
                            ? DockSideAt(control->Parent()->ClientRect(), m_lastCursor, m_constrainStyle, control->Align())
                            : alNone;
    const bool changed = MoveAligned(side);
    if (!self) return;
    if (m_dockIndicator) m_dockIndicator->Hide();
    m_movingAligned = false;
    if (TWinControl* parent = m_heldParent.Get()) {
      m_heldParent.Reset(nullptr);
      parent->EnableAlign();
      // Snaps an unmoved pane back (the layout was held during the drag).
      if (!changed) parent->Realign();
    }
    if (!self) return;
    if (Control()) m_moved = Control()->Left() != m_dragStart.Left || Control()->Top() != m_dragStart.Top;
  }
  TWinControl* control = Control();
  if (!control) return;
  m_resized = control->Width() != m_dragStart.Width() || control->Height() != m_dragStart.Height();
  const TAlign align = control->Align();
  if (m_resized && IsSideAlign(align)) {
    bool allow = true;
    if (m_onSizeAligned.Assigned() && !CallOut([&] { m_onSizeAligned(this, align, allow); })) return;
    if (!allow && (control = Control())) {
      if (TopOrBottom(align))
        control->SetHeight(m_dragStart.Height());
      else
        control->SetWidth(m_dragStart.Width());
    }
  }
  if (!self) return;
  Refresh();
  if (Designing() && (m_moved || m_resized)) DesignerModified();
}

// ---- The side change ----

TRect TZebrinControlSkin::AlignTargetRect(TAlign align) {
  TWinControl* control = Control();
  if (!control || !control->Parent() || !IsSideAlign(align)) return {};
  const TWinControl& parent = *control->Parent();
  TRect r = parent.ClientRect();
  if (LeftOrRight(align))
    for (const platform::TControl* sibling : parent.AlignOrder()) {
      if (sibling == control || !sibling->Visible()) continue;
      if (sibling->Align() == alTop) r.Top += sibling->Height();
      if (sibling->Align() == alBottom) r.Bottom -= sibling->Height();
    }
  const TAlign current = control->Align();
  const bool sameAxis = platform::AlignsOnSameAxis(current, align);
  const int extent = TopOrBottom(align) ? (sameAxis ? control->Height() : control->Width())
                                     : (sameAxis ? control->Width() : control->Height());
  switch (align) {
    case alTop: r.Bottom = r.Top + extent; break;
    case alBottom: r.Top = r.Bottom - extent; break;
    case alLeft: r.Right = r.Left + extent; break;
    case alRight: r.Left = r.Right - extent; break;
    default: break;
  }
  if (m_onGetAlignRect.Assigned() && !CallOut([&] { m_onGetAlignRect(this, align, r); })) return {};
  return r;
}

bool TZebrinControlSkin::MoveAligned(TAlign align) {
  TWinControl* control = Control();
  if (!control || align == control->Align() || !IsSideAlign(align)) return false;
  bool allow = true;
  if (m_onMoveAligned.Assigned() && !CallOut([&] { m_onMoveAligned(this, align, allow); })) return false;
  if (!allow || !(control = Control())) return false;
  const TAlign old = control->Align();
  // The rectangle the dock indicator showed (OnGetAlignRect may have replaced it).
  const TRect target = AlignTargetRect(align);
  if (!(control = Control())) return false;
  control->SetAlign(align);
  bool moved = true;
  if (m_onMovedAligned.Assigned() && !CallOut([&] { m_onMovedAligned(this, align, moved); })) return true;
  if (moved && (control = Control())) {
    if (!target.IsEmpty()) {
      if (TopOrBottom(align))
        control->SetHeight(target.Height());
      else
        control->SetWidth(target.Width());
    }
    if (!platform::AlignsOnSameAxis(old, align)) {
      // The expanded extent carries over to the new orientation.
      const TRect normal = NormalBounds();
      const TRect current = control->BoundsRect();
      SetNormalBounds(TRect{current.Left, current.Top, current.Left + normal.Height(), current.Top + normal.Width()});
    }
  }
  Refresh();
  return true;
}

using S = TZebrinControlSkin;
HALBRIN_DEFINE_CLASS(TZebrinControlSkin,
                     .Property("AutoButtons", &S::AutoButtons, &S::SetAutoButtons)
                     .Default(false)
                     .Property("AutoConstraints", &S::AutoConstraints, &S::SetAutoConstraints)
                     .Default(true)
                     .Property("AutoExpand", &S::AutoExpand, &S::SetAutoExpand)
                     .Default(false)
                     .Property("CollapseDelay", &S::CollapseDelay, &S::SetCollapseDelay)
                     .Default(kCollapseDelayMs)
                     .Enum("ConstrainStyle", &S::ConstrainStyle, &S::SetConstrainStyle, SkinConstrainStyleInfo())
                     .Default(static_cast<int>(scsNone))
                     .Property("Control", &S::Control, &S::SetControl)
                     .Enum("ControlAlign", &S::ControlAlign, &S::SetControlAlign, platform::AlignInfo())
                     .Stored(false)
                     .Set("DefaultButtons", &S::DefaultButtonSet, &S::SetDefaultButtonSet, SkinButtonStyleInfo(),
                          "TZebrinSkinButtonStyles")
                     .Default(141)
                     .Property("DefaultNCPaint", &S::DefaultNCPaint, &S::SetDefaultNCPaint)
                     .Default(true)
                     .Property("EraseBackground", &S::EraseBackground, &S::SetEraseBackground)
                     .Default(true)
                     .Property("ExpandDelay", &S::ExpandDelay, &S::SetExpandDelay)
                     .Default(kExpandDelayMs)
                     .Property("Margins", &S::Margins)
                     .Property("Moveable", &S::Moveable, &S::SetMoveable)
                     .Default(false)
                     .Property("Splitter", &S::Splitter)
                     .Property("Text", &S::Text, &S::SetText)
                     .Stored(false)
                     .TypeName("TCaption")
                     .Event("OnBeforeCollapse", &S::m_onBeforeCollapse, "TExpansionEvent")
                     .Event("OnBeforeExpand", &S::m_onBeforeExpand, "TExpansionEvent")
                     .Event("OnCollapse", &S::m_onCollapse, "TNotifyEvent")
                     .Event("OnExpand", &S::m_onExpand, "TNotifyEvent")
                     .Event("OnGetAlignRect", &S::m_onGetAlignRect, "TGetAlignRectEvent")
                     .Event("OnMoveAligned", &S::m_onMoveAligned, "TMoveAlignedEvent")
                     .Event("OnMovedAligned", &S::m_onMovedAligned, "TMoveAlignedEvent")
                     .Event("OnSizeAligned", &S::m_onSizeAligned, "TMoveAlignedEvent"))

}  // namespace halbrin::skins
