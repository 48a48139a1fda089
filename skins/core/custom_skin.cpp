#include "skins/core/custom_skin.h"

#include <algorithm>
#include <utility>

#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "platform/classes/class_builder.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/graphics/popup_menu.h"
#include "skins/core/skin_geometry.h"

namespace halbrin::skins {

namespace {

constexpr TShiftState kButtonsHeld = ssLeft | ssRight | ssMiddle;

TRect Inflate(const TRect& r, int d) { return TRect{r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

// The corner pieces of a sizing strip reach this far along each edge.
constexpr int kSizingCorner = 16;

}  // namespace

// Holds the skin across one delivery of its host: a skin freed meanwhile
// goes when the delivery ends, and a host it lets go of is destroyed later.
class TZebrinCustomSkin::THostEvent {
 public:
  explicit THostEvent(TZebrinCustomSkin& skin) : m_guard(skin), m_skin(skin) { ++m_skin.m_hostEvents; }
  ~THostEvent() {
    // A skin about to go keeps the count up, so its host is not destroyed
    // inside the delivery that is running.
    if (!m_skin.IsFreePending()) --m_skin.m_hostEvents;
  }
  THostEvent(const THostEvent&) = delete;
  THostEvent& operator=(const THostEvent&) = delete;

 private:
  platform::TComponent::TBusyGuard m_guard;
  TZebrinCustomSkin& m_skin;
};

// ---- Lifecycle ----

TZebrinCustomSkin::TZebrinCustomSkin(platform::TComponent* owner) : TComponent(owner) {
  TZebrinSkinManager& manager = CreateSkinManager();
  m_toolButtons = std::make_unique<TZebrinSkinToolButtons>(this, this, &manager);
  m_icon = std::make_unique<TZebrinSkinIcon>(this);
  m_buttons = std::make_unique<TZebrinSkinWindowButtons>(this, this, &manager);
  m_loadedButtons = std::make_unique<TZebrinSkinWindowButtons>(this, nullptr, &manager);
  m_caption = std::make_unique<TZebrinSkinCaptionBands>(this, this, &manager);
  m_footer = std::make_unique<TZebrinSkinFooterBands>(this, this, &manager);
  m_timers = std::make_unique<TZebrinSkinTimers>(this);
  manager.AddSkin(*this);
  FreeNotification(&manager);
}

TZebrinCustomSkin::~TZebrinCustomSkin() {
  SetState(platform::csDestroying, true);
  // Nothing the tracker or the hint holds of this skin outlives it.
  if (TZebrinSkinManager* manager = SkinManager()) manager->Mouse()->ForgetSkin(*this);
  SetShowHint(false);
  SetHotTrack(false);
  SetControl(nullptr);
  m_skinTimers.clear();
  if (TZebrinSkinManager* manager = SkinManager()) manager->RemoveSkin(*this);
  // The owned parts go before the events and state they report to.
  m_footer.reset();
  m_caption.reset();
  m_buttons.reset();
  m_loadedButtons.reset();
  m_icon.reset();
  m_toolButtons.reset();
  m_timers.reset();
}

bool TZebrinCustomSkin::Ending() const {
  if (IsDestroying() || IsFreePending()) return true;
  if (m_control && (m_control->IsDestroying() || m_control->IsFreePending())) return true;
  const TZebrinSkinManager* manager = SkinManager();
  return manager && manager->isTerminating && manager->isTerminating();
}

void TZebrinCustomSkin::SetControl(TWinControl* control) {
  if (control == m_control) return;
  if (control)
    if (TZebrinSkinManager* manager = SkinManager()) manager->CheckNotSkinned(*control);
  if (!IsLoading()) {
    m_rememberedEnabled = m_enabled;
    SetEnabled(false);
  }
  if (m_control && !m_control->IsDestroying()) RemoveFreeNotification(m_control);
  m_control = control;
  if (m_control) FreeNotification(m_control);
  SetEnabled(m_rememberedEnabled);
}

void TZebrinCustomSkin::SetEnabled(bool value) {
  if (IsLoading()) {
    m_rememberedEnabled = value;
    return;
  }
  if (value == m_enabled) return;
  // Without a control there is nothing to hook, and the value is not kept.
  if (!HasControl()) return;
  m_enabled = value;
  if (value) {
    HookWindow();
    // A window on the screen already: the sub-skins see it come on.
    m_showing = false;
    if (m_host && m_control->Showing()) {
      m_showing = true;
      OfferSubSkins(TSubSkinMessage::ShowingChanged);
    }
  } else {
    UnhookWindow();
  }
}

void TZebrinCustomSkin::Loaded() {
  SetLoading(false);
  SetEnabled(m_rememberedEnabled);
}

bool TZebrinCustomSkin::HasWindow() const { return m_control && m_control->HandleAllocated(); }

void TZebrinCustomSkin::Notification(platform::TComponent* component, platform::TOperation operation) {
  Inherited::Notification(component, operation);
  if (operation != platform::TOperation::opRemove || !component) return;
  if (component == m_control) SetControl(nullptr);
  if (component == m_subSkin) m_subSkin = nullptr;
  if (component == m_popupMenu) m_popupMenu = nullptr;
  if (component == m_actionList) SetActionList(nullptr);
  if (component == m_popupControl) m_popupControl = nullptr;
}

// ---- Hooking ----

void TZebrinCustomSkin::HookWindow() {
  m_trackedActive = false;
  m_host = CurrentWindowHostFactory().CreateHost(*m_control, *this);
  m_observer = m_control->AddObserver(
      [this](platform::TControl&, platform::ControlEvent event) { ControlEvent(event); });
  m_saved = m_control->WindowTraits();
  platform::TWindowTraits stripped = m_saved;
  stripped.caption = false;
  stripped.border = false;
  stripped.clientEdge = false;
  m_control->SetWindowTraits(stripped);
  // The window is made now if it does not exist yet (undecorated from the start).
  m_control->HandleNeeded();
  m_savedBounds = m_control->BoundsRect();
  if (m_autoButtons)
    BuildSystemButtons();
  else
    UpdateButtons();
  m_trackedActive = m_control->Parent() ? m_control->Focused() : m_control->Active();
  RecalcFrame();
  m_timers->SuspendAll(false);
}

void TZebrinCustomSkin::UnhookWindow() {
  // Let go of while both live: the window goes as far as the sub-skins are concerned.
  if (!IsDestroying() && !m_control->IsDestroying()) OfferSubSkins(TSubSkinMessage::Destroy);
  KillSkinTimer(kSkinTimerRedraw);
  KillSkinTimer(kSkinTimerFlash);
  m_timers->SuspendAll(true);
  m_mouse = TSkinMouseState{};
  if (m_editor) m_editor->Cancel();
  // A control being destroyed has dropped its observers already, and keeps its decorations.
  const bool destroying = m_control->IsDestroying();
  if (m_observer && !destroying) m_control->RemoveObserver(m_observer);
  m_observer = 0;
  ReleaseHost();
  if (destroying) return;
  platform::TWindowTraits traits = m_control->WindowTraits();
  traits.caption = traits.caption || m_saved.caption;
  traits.border = traits.border || m_saved.border;
  traits.clientEdge = traits.clientEdge || m_saved.clientEdge;
  m_control->SetWindowTraits(traits);
  m_control->SetNonClientMargins(TRect{});
}

void TZebrinCustomSkin::ReleaseHost() {
  if (!m_host) return;
  m_host->Detach();
  std::unique_ptr<IWindowHost> host = std::move(m_host);
  if (m_hostEvents > 0) {
    std::shared_ptr<IWindowHost> later(std::move(host));
    platform::MainEventLoop().Post([later]() mutable { later.reset(); });
  }
}

void TZebrinCustomSkin::ControlEvent(platform::ControlEvent event) {
  using platform::ControlEvent;
  switch (event) {
    case ControlEvent::Activated:
    case ControlEvent::Deactivated:
      if (!m_control->Parent()) SetActive(event == ControlEvent::Activated);
      break;
    case ControlEvent::FocusEntered:
    case ControlEvent::FocusExited:
      if (m_control->Parent()) SetActive(event == ControlEvent::FocusEntered);
      break;
    case ControlEvent::Shown:
    case ControlEvent::Hidden: {
      platform::TWeakRef<TZebrinCustomSkin> self(this);
      OfferSubSkins(TSubSkinMessage::VisibleChanged);
      if (self && m_enabled) ShowChanged(event == ControlEvent::Shown);
      break;
    }
    case ControlEvent::Resized:
    case ControlEvent::Moved:
      ControlBoundsChanged();
      break;
    case ControlEvent::TextChanged:
      TextChanged();
      break;
    case ControlEvent::EnabledChanged:
      EnabledChanged();
      break;
    default:
      break;
  }
}

// ---- Published values ----

void TZebrinCustomSkin::SetActionList(platform::TCustomActionList* value) {
  if (value == m_actionList) return;
  if (m_actionList) RemoveFreeNotification(m_actionList);
  m_actionList = value;
  if (m_actionList) {
    FreeNotification(m_actionList);
    for (int i = 0; i < m_actionList->ActionCount(); ++i) AddActionItem(m_actionList->Actions(i), -1);
    return;
  }
  if (platform::TPopupMenu* menu = std::exchange(m_popupMenu, nullptr)) platform::TComponent::Free(*menu);
  if (!IsDestroying()) UpdateButtons();
}

void TZebrinCustomSkin::AddActionItem(platform::TCustomAction* action, int index) {
  if (!m_popupMenu) m_popupMenu = &platform::MakeComponent<platform::TPopupMenu>(*this);
  platform::TMenuItem* parent = &m_popupMenu->Items();
  auto item = std::make_unique<platform::TMenuItem>();
  if (action) {
    if (platform::TCustomActionList* list = action->ActionList()) m_popupMenu->SetImages(list->Images());
    if (const std::string& category = action->Category(); !category.empty()) {
      platform::TMenuItem* submenu = nullptr;
      for (int i = 0; i < parent->Count() && !submenu; ++i)
        if (platform::SameText(parent->Items(i)->Caption(), category)) submenu = parent->Items(i);
      if (!submenu) {
        submenu = &parent->Add(std::make_unique<platform::TMenuItem>());
        submenu->SetCaption(category);
      }
      parent = submenu;
    }
    item->SetAction(action);
  } else {
    item->SetCaption("-");
  }
  if (index < 0 || index > parent->Count())
    parent->Add(std::move(item));
  else
    parent->Insert(index, std::move(item));
  const std::vector<TZebrinSkinButtonStyle> defaults = DefaultButtons();
  const bool wantsCombo = std::any_of(defaults.begin(), defaults.end(),
                                      [](TZebrinSkinButtonStyle style) { return style == btsCombo || style == btsCheck; });
  if (m_autoButtons && wantsCombo) {
    bool hasCombo = false;
    for (int i = 0; i < m_buttons->Count() && !hasCombo; ++i) hasCombo = m_buttons->Items(i)->Style() == btsCombo;
    if (!hasCombo) m_buttons->AddButton(btsCombo, WindowButtonHint(btsCombo));
  }
  UpdateButtons();
}

void TZebrinCustomSkin::SetActiveTrack(bool value) {
  if (value == m_activeTrack) return;
  m_activeTrack = value;
  Redraw();
}

void TZebrinCustomSkin::SetHotTrack(bool value) {
  if (value == m_hotTrack) return;
  m_hotTrack = value;
  if (value) return;
  SetHot(TSkinElement{});
  if (TZebrinSkinManager* manager = SkinManager())
    if (TZebrinSkinMouse& tracker = *manager->Mouse(); TZebrinSkinMouse::SkinOf(tracker.HotItem()) == this)
      tracker.SetHotItem(nullptr);
}

void TZebrinCustomSkin::SetShowHint(bool value) {
  if (value == m_showHint) return;
  m_showHint = value;
  if (value) return;
  if (TZebrinSkinManager* manager = SkinManager())
    if (TZebrinSkinHint& hint = *manager->Hint(); hint.CurrentSkin() == this) {
      hint.Hide();
      hint.Follow(nullptr);
    }
}

void TZebrinCustomSkin::SetMinimized(bool value) {
  if (value == IsMinimized()) return;
  if (value)
    Minimize();
  else
    Restore();
}

void TZebrinCustomSkin::SetSubSkin(TZebrinCustomSubSkin* value) {
  if (value == m_subSkin) return;
  if (value && m_subSkin)
    for (const TZebrinCustomSubSkin* link = m_subSkin->SubSkin(); link; link = link->SubSkin())
      if (link == value) throw ESubSkinException("Impossible to insert SubSkin to the same chain");
  if (TZebrinCustomSubSkin* old = m_subSkin) {
    m_subSkin = nullptr;
    old->Unlink(this);
    RemoveFreeNotification(old);
  }
  if (value) {
    value->LinkTo(this);
    m_subSkin = value;
    FreeNotification(value);
  }
  if (!IsDestroying() && !IsLoading()) Changed();
}

bool TZebrinCustomSkin::OfferSubSkins(TSubSkinMessage message) {
  if (!m_subSkin) return false;
  platform::TComponent::TBusyGuard guard(*this);
  return OfferSubSkinMessage(m_subSkin, *this, message);
}

void TZebrinCustomSkin::SetAutoButtons(bool value) {
  if (value == m_autoButtons) return;
  m_autoButtons = value;
  if (value && !IsLoading()) BuildSystemButtons();
}

void TZebrinCustomSkin::SetAutoConstraints(bool value) {
  if (value == m_autoConstraints) return;
  m_autoConstraints = value;
  Changed();
}

void TZebrinCustomSkin::SetEraseBackground(bool value) {
  if (value == m_eraseBackground) return;
  m_eraseBackground = value;
  if (value && m_control) m_control->Invalidate();
}

void TZebrinCustomSkin::SetPopupControl(platform::TComponent* value) {
  if (value == m_popupControl) return;
  if (m_popupControl) RemoveFreeNotification(m_popupControl);
  m_popupControl = value;
  if (m_popupControl) FreeNotification(m_popupControl);
  if (!IsDestroying()) UpdateButtons();
}

std::vector<TZebrinSkinButtonStyle> TZebrinCustomSkin::DefaultButtons() const {
  return {btsClose, btsMaximize, btsRestore, btsMinimize};
}

// ---- State ----

bool TZebrinCustomSkin::GetActive() const { return !m_activeTrack || m_trackedActive; }

void TZebrinCustomSkin::SetActive(bool active) {
  if (const TZebrinSkinManager* manager = SkinManager(); manager && manager->ActivationFrozen()) return;
  if (active == GetActive()) return;
  m_trackedActive = active;
  if (!m_activeTrack) return;
  if (active) {
    KillSkinTimer(kSkinTimerRedraw);
    Redraw();
  } else {
    SetSkinTimer(kSkinTimerRedraw, kRedrawDelayMs);
  }
}

bool TZebrinCustomSkin::IsMaximized() const { return m_host && m_host->HasWindow() && m_host->IsMaximized(); }
bool TZebrinCustomSkin::IsMinimized() const { return m_host && m_host->HasWindow() && m_host->IsMinimized(); }

bool TZebrinCustomSkin::HasButtons() const { return m_buttons->Visible() && m_buttons->Count() > 0; }

bool TZebrinCustomSkin::GetMoveable() {
  bool moveable = m_moveable;
  if (m_onGetMoveable.Assigned() && !CallOut([&] { m_onGetMoveable(this, moveable); })) return false;
  return moveable;
}

void TZebrinCustomSkin::Execute(TWindowCommand command) {
  if (!m_host || !m_host->HasWindow()) return;
  platform::TWeakRef<TZebrinCustomSkin> self(this);
  if (command == TWindowCommand::Close) OfferSubSkins(TSubSkinMessage::Close);
  if (!self || !m_host || HandleWindowCommand(command)) return;
  if (self && m_host) m_host->Execute(command);
}

bool TZebrinCustomSkin::HandleWindowCommand(TWindowCommand) { return false; }

void TZebrinCustomSkin::Maximize() { Execute(TWindowCommand::Maximize); }
void TZebrinCustomSkin::Minimize() { Execute(TWindowCommand::Minimize); }
void TZebrinCustomSkin::Restore() { Execute(TWindowCommand::Restore); }
void TZebrinCustomSkin::Close() { Execute(TWindowCommand::Close); }
void TZebrinCustomSkin::ContextHelp() { Execute(TWindowCommand::ContextHelp); }

// ---- Flashing ----

void TZebrinCustomSkin::Flash(int count) {
  const bool wasFlashing = Flashing();
  m_flashCount = count < 0 ? kFlashForever * 2 : count * 2;
  if (!wasFlashing && m_flashCount > 0) {
    const TZebrinSkinManager* manager = SkinManager();
    SetSkinTimer(kSkinTimerFlash, static_cast<std::uint32_t>(std::max(1, manager ? manager->FlashDelay() : 250)));
  }
}

// ---- Repaint ----

void TZebrinCustomSkin::Changed() {
  if (m_enabled) Refresh();
}

void TZebrinCustomSkin::Refresh() {
  if (HasWindow() && !IsLoading() && !IsDestroying()) RecalcFrame();
}

void TZebrinCustomSkin::Redraw() {
  if (Designing()) {
    Changed();
    return;
  }
  if (m_enabled && m_host && HasWindow() && m_control->Visible()) m_host->InvalidateFrame();
}

void TZebrinCustomSkin::RecalcFrame() {
  if (m_repaintLock == 0 && m_host && HasWindow()) m_host->RecalcFrame();
}

void TZebrinCustomSkin::RepaintBands(TZebrinSkinCustomBands&) {
  if (m_enabled && m_host && HasWindow()) m_host->InvalidateFrame();
}

// ---- Skin timers ----

void TZebrinCustomSkin::SetSkinTimer(int id, std::uint32_t intervalMs) {
  if (!HasWindow()) return;
  auto& timer = m_skinTimers[id];
  if (!timer)
    timer = std::make_unique<platform::TimerSource>(platform::MainEventLoop(), intervalMs, [this, id] {
      platform::TComponent::TBusyGuard guard(*this);
      SkinTimerExpired(id);
    });
  else
    timer->SetInterval(intervalMs);
  timer->Start();
}

void TZebrinCustomSkin::KillSkinTimer(int id) {
  auto it = m_skinTimers.find(id);
  if (it != m_skinTimers.end()) it->second->Stop();
}

bool TZebrinCustomSkin::SkinTimerActive(int id) const {
  auto it = m_skinTimers.find(id);
  return it != m_skinTimers.end() && it->second->Active();
}

std::uint32_t TZebrinCustomSkin::SkinTimerInterval(int id) const {
  return SkinTimerActive(id) ? m_skinTimers.at(id)->Interval() : 0;
}

void TZebrinCustomSkin::SkinTimerExpired(int id) {
  if (id == kSkinTimerRedraw) {
    KillSkinTimer(id);
    Redraw();
  } else if (id == kSkinTimerFlash) {
    if (!m_control || !m_control->Visible()) return;
    if (m_flashCount > 0)
      --m_flashCount;
    else
      KillSkinTimer(id);
    RepaintBands(*m_caption);
  } else if (id >= TZebrinSkinTimers::kFirstTimerId) {
    m_timers->TimerExpired(id);
  }
}

// ---- Geometry ----

bool TZebrinCustomSkin::IsCaptionHorizontal(const TRect& bounds) const {
  switch (m_caption->Align()) {
    case scaTop:
    case scaSmartTop: return true;
    case scaLeft: return false;
    case scaAuto: return bounds.Width() <= bounds.Height();
    case scaAutoInverse: return bounds.Width() >= bounds.Height();
    case scaStupidLeft: {
      const platform::TAlign align = m_control ? m_control->Align() : platform::alNone;
      const bool minimized = IsMinimized();
      if (align == platform::alLeft || align == platform::alRight) return minimized;
      return !minimized;
    }
  }
  return true;
}

TRect TZebrinCustomSkin::GetBoundsRect() const { return HasWindow() ? m_frameBounds : TRect{}; }

TRect TZebrinCustomSkin::GetFrameRect() const {
  TRect r = GetBoundsRect();
  if (IsFramed() && !r.IsEmpty())
    if (const TZebrinSkinManager* manager = SkinManager()) r = Inflate(r, -manager->Metrics().frameInset);
  return r;
}

TRect TZebrinCustomSkin::AdjustRect(const TRect& windowRect) {
  m_buttons->ResetBounds();
  m_toolButtons->ResetBounds();
  TRect client = windowRect;
  const TRect frame = GetClientFrameRect();
  TRect caption;
  m_caption->Layout(frame, caption);
  if (m_horizontal)
    client.Top += std::max(0, caption.Height());
  else
    client.Left += std::max(0, caption.Width());
  TRect footer;
  m_footer->Layout(frame, footer);
  client.Bottom -= std::max(0, footer.Height());
  if (client.Bottom < client.Top) client.Bottom = client.Top;
  if (client.Right < client.Left) client.Right = client.Left;
  return client;
}

TRect TZebrinCustomSkin::FrameResized(TSize frame) {
  THostEvent event(*this);
  const TRect bounds{0, 0, frame.cx, frame.cy};
  if (!m_enabled) return bounds;
  m_frameBounds = bounds;
  m_horizontal = IsCaptionHorizontal(m_frameBounds);
  // Without system decorations a framed window keeps its frame strip itself.
  m_clientRect = AdjustRect(TZebrinCustomSkin::GetFrameRect());
  if (!HasWindow()) m_clientRect = bounds;
  return m_clientRect;
}

TSize TZebrinCustomSkin::GetMinSize() const {
  TSize size;
  if (!m_autoConstraints || !m_caption->IsVisible()) return size;
  const TRect r = m_caption->BoundsRect();
  const int across = m_horizontal ? r.Height() : r.Width();
  const platform::TAlign align = m_control ? m_control->Align() : platform::alNone;
  if (align == platform::alTop || align == platform::alBottom)
    size.cy = across;
  else if (align == platform::alLeft || align == platform::alRight)
    size.cx = across;
  else if (m_horizontal)
    size.cy = r.Height();
  else
    size.cx = r.Width();
  size.cx = std::max(0, size.cx);
  size.cy = std::max(0, size.cy);
  return size;
}

TSize TZebrinCustomSkin::GetConstraints() const {
  TSize size = GetMinSize();
  if (m_control) {
    size.cx = std::max(size.cx, m_control->Constraints().MinWidth());
    size.cy = std::max(size.cy, m_control->Constraints().MinHeight());
  }
  return size;
}

TSkinMinMaxInfo TZebrinCustomSkin::GetMinMaxInfo(TSkinMinMaxInfo info) const {
  info.minTrack = GetConstraints();
  if (!m_control) return info;
  const platform::TSizeConstraints& limits = m_control->Constraints();
  if (limits.MaxWidth() > 0 && limits.MaxWidth() < info.maxTrack.cx) info.maxTrack.cx = limits.MaxWidth();
  if (limits.MaxHeight() > 0 && limits.MaxHeight() < info.maxTrack.cy) info.maxTrack.cy = limits.MaxHeight();
  if (const TWinControl* parent = m_control->Parent()) {
    const platform::TAlign align = m_control->Align();
    if (align == platform::alTop || align == platform::alBottom) {
      int height = parent->ClientHeight() + m_control->Height();
      int largestMin = 0;
      for (int i = 0; i < parent->ControlCount(); ++i) {
        const platform::TControl* sibling = parent->Controls(i);
        if (!sibling->Visible()) continue;
        const platform::TAlign a = sibling->Align();
        if (a == platform::alTop || a == platform::alBottom)
          height -= sibling->Height();
        else if (a == platform::alLeft || a == platform::alRight || a == platform::alClient)
          largestMin = std::max(largestMin, sibling->Constraints().MinHeight());
      }
      info.maxTrack.cy = height - largestMin;
    } else if (align == platform::alLeft || align == platform::alRight) {
      int width = parent->ClientWidth() + m_control->Width();
      for (int i = 0; i < parent->ControlCount(); ++i) {
        const platform::TControl* sibling = parent->Controls(i);
        if (sibling->Visible() && (sibling->Align() == platform::alLeft || sibling->Align() == platform::alRight))
          width -= sibling->Width();
      }
      info.maxTrack.cx = width;
    }
  }
  // The largest size never falls below the smallest.
  info.maxTrack.cx = std::max(info.maxTrack.cx, info.minTrack.cx);
  info.maxTrack.cy = std::max(info.maxTrack.cy, info.minTrack.cy);
  return info;
}

// ---- Painting ----

void TZebrinCustomSkin::PaintFrame(ICanvas& canvas) {
  THostEvent event(*this);
  if (!m_enabled || !m_host) return;
  const TZebrinSkinManager* manager = SkinManager();
  if (IsFramed() && manager) {
    TSkinEdgeParams edge{};
    edge.Rect = m_frameBounds;
    edge.Width = manager->Metrics().frameInset;
    edge.Color = IsSizable() ? manager->SizerColor() : platform::SystemColor(15);
    edge.State = (GetActive() ? kWindowEdgeActive : 0u) | (IsSizable() ? kWindowEdgeLighten : 0u) |
                 (m_moveable ? kWindowEdgeMoveable : 0u);
    ISkinPainter* painter = Painter();
    (painter ? *painter : DefaultPainter()).DrawWindowEdges(canvas, edge);
  }
  for (TZebrinSkinCustomBands* bands : {static_cast<TZebrinSkinCustomBands*>(m_caption.get()),
                                        static_cast<TZebrinSkinCustomBands*>(m_footer.get())}) {
    const TRect area = bands->BoundsRect();
    if (!bands->IsVisible() || area.IsEmpty()) continue;
    std::unique_ptr<ISkinSurface> surface = m_host->CreateSurface(TSize{area.Width(), area.Height()});
    if (!surface) continue;
    bands->Paint(surface->Canvas(), area);
    surface->CopyTo(canvas, TPoint{area.Left, area.Top});
  }
  if (m_subSkin) m_subSkin->Paint(canvas);
}

// ---- Hit testing ----

int TZebrinCustomSkin::DefaultHitTest(TPoint pos) const {
  if (m_clientRect.Contains(pos)) return kHitClient;
  const TZebrinSkinManager* manager = SkinManager();
  if (!IsSizable() || !manager || IsMaximized() || IsMinimized()) return kHitNowhere;
  const TRect bounds = m_frameBounds;
  const int inset = manager->Metrics().frameInset;
  if (!bounds.Contains(pos) || Inflate(bounds, -inset).Contains(pos)) return kHitNowhere;
  const bool left = pos.X < bounds.Left + kSizingCorner, right = pos.X >= bounds.Right - kSizingCorner;
  const bool top = pos.Y < bounds.Top + kSizingCorner, bottom = pos.Y >= bounds.Bottom - kSizingCorner;
  const bool onLeft = pos.X < bounds.Left + inset, onRight = pos.X >= bounds.Right - inset;
  const bool onTop = pos.Y < bounds.Top + inset, onBottom = pos.Y >= bounds.Bottom - inset;
  if ((onTop && left) || (onLeft && top)) return kHitTopLeft;
  if ((onTop && right) || (onRight && top)) return kHitTopRight;
  if ((onBottom && left) || (onLeft && bottom)) return kHitBottomLeft;
  if ((onBottom && right) || (onRight && bottom)) return kHitBottomRight;
  if (onLeft) return kHitLeft;
  if (onRight) return kHitRight;
  if (onTop) return kHitTop;
  return kHitBottom;
}

TSkinElement TZebrinCustomSkin::ItemAtPos(TPoint pos) const {
  using Kind = TSkinElement::Kind;
  TZebrinSkinCustomBands* bands = nullptr;
  if (m_caption->IsVisible() && m_caption->BoundsRect().Contains(pos))
    bands = m_caption.get();
  else if (m_footer->IsVisible() && m_footer->BoundsRect().Contains(pos))
    bands = m_footer.get();
  if (!bands) return {};
  for (TZebrinSkinCustomButtons* buttons :
       {static_cast<TZebrinSkinCustomButtons*>(m_buttons.get()), static_cast<TZebrinSkinCustomButtons*>(m_toolButtons.get())}) {
    if (!buttons->Visible() || BandsAt(buttons == m_buttons.get() ? m_buttons->BandsIndex() : m_toolButtons->BandsIndex()) != bands)
      continue;
    if (TZebrinSkinCustomButton* button = buttons->ButtonAtPos(pos)) return {Kind::Button, button};
  }
  if (bands == m_caption.get() && m_icon->Visible() && m_icon->BoundsRect().Contains(pos)) return {Kind::Icon, m_icon.get()};
  for (int i = 0; i < bands->Count(); ++i) {
    TZebrinSkinBand* band = bands->Items(i);
    if (!band->Visible() || !band->BoundsRect().Contains(pos)) continue;
    for (int k = 0; k < 2; ++k) {
      const TZebrinSkinCustomBandItem* item = band->GetBandItem(k);
      if (!item->Visible() || !item->Buttons()->Visible()) continue;
      if (TZebrinSkinCustomButton* button = item->Buttons()->ButtonAtPos(pos)) return {Kind::Button, button};
    }
    if (TZebrinSkinCustomBandItem* item = band->BandItemAtPos(pos)) return {Kind::BandItem, item};
    return {Kind::Band, band};
  }
  return {Kind::Bands, bands};
}

int TZebrinCustomSkin::HitTest(TPoint pos) {
  THostEvent event(*this);
  if (!m_enabled) return kHitClient;
  int hit = DefaultHitTest(pos);
  if (hit == kHitClient || hit == kHitHScroll || hit == kHitVScroll || IsSizingHit(hit)) {
    SetHot(TSkinElement{});
    m_lastHit = hit;
    return hit;
  }
  const TSkinElement element = ItemAtPos(pos);
  SetHot(element);
  using Kind = TSkinElement::Kind;
  const bool inCaption = m_caption->IsVisible() && m_caption->BoundsRect().Contains(pos);
  if (auto* button = element.As<TZebrinSkinCustomButton>(); button && element.kind == Kind::Button && button->CaptureMouse())
    hit = kHitSkinButton;
  else if (auto* buttons = element.As<TZebrinSkinCustomButtons>(); buttons && element.kind == Kind::Buttons && buttons->CaptureMouse())
    hit = kHitSkinButtons;
  else if (element.kind == Kind::Icon && m_icon->CaptureMouse())
    hit = kHitSkinIcon;
  else if (inCaption) {
    auto* item = element.kind == Kind::BandItem ? element.As<TZebrinSkinCustomBandItem>() : nullptr;
    auto* band = element.kind == Kind::Band ? element.As<TZebrinSkinBand>() : nullptr;
    if (item) band = item->Band();
    if (item && item->CapturesMouse())
      hit = kHitSkinBandItem;
    else if (band && !band->CaptureMouse())
      hit = kHitSkinBand;
    else
      hit = kHitSkinCaption;
  } else if (m_footer->IsVisible() && m_footer->BoundsRect().Contains(pos)) {
    hit = kHitSkinFooter;
  }
  if (hit == kHitCaption) hit = kHitNowhere;
  m_lastHit = hit;
  return hit;
}

// ---- The mouse ----

namespace {

bool Tracked(const TSkinElement& element) {
  return element.kind == TSkinElement::Kind::Button || element.kind == TSkinElement::Kind::Icon;
}

// Holds the tracker's lock while a click is delivered.
class TTrackerLock {
 public:
  TTrackerLock() : m_manager(SkinManager()) {
    if (m_manager) m_manager->Mouse()->Lock();
  }
  ~TTrackerLock() {
    if (TZebrinSkinManager* manager = m_manager.Get()) manager->Mouse()->Unlock();
  }
  TTrackerLock(const TTrackerLock&) = delete;
  TTrackerLock& operator=(const TTrackerLock&) = delete;

 private:
  platform::TWeakRef<TZebrinSkinManager> m_manager;
};

}  // namespace

// The tracker keeps the hot look: the element's hover comes and goes through it.
void TZebrinCustomSkin::SetHot(const TSkinElement& element) {
  if (element == m_mouse.hot) return;
  const TSkinElement old = m_mouse.hot;
  m_mouse.hot = element;
  TZebrinSkinManager* manager = SkinManager();
  if (!manager) return;
  TZebrinSkinMouse& tracker = *manager->Mouse();
  if (m_hotTrack && Tracked(element))
    tracker.SetHotItem(element.Get());
  else if (platform::TObject* hot = tracker.HotItem(); hot && (hot == old.Get() || TZebrinSkinMouse::SkinOf(hot) == this))
    tracker.SetHotItem(nullptr);
}

void TZebrinCustomSkin::FollowHint() {
  if (!m_showHint) return;
  if (TZebrinSkinManager* manager = SkinManager()) manager->Hint()->Follow(m_mouse.hot.Get(), this);
}

void TZebrinCustomSkin::ReleasePressed() {
  using Kind = TSkinElement::Kind;
  const TSkinElement pressed = m_mouse.pressed;
  m_mouse.pressed = TSkinElement{};
  if (TZebrinSkinManager* manager = SkinManager())
    if (TZebrinSkinMouse& tracker = *manager->Mouse(); pressed.Get() && tracker.PressedItem() == pressed.Get())
      tracker.SetPressedItem(nullptr);
  if (pressed.kind == Kind::Button)
    if (auto* button = pressed.As<TZebrinSkinCustomButton>())
      if (TZebrinSkinCustomButtons* buttons = button->Buttons()) buttons->Press(button->Index(), false);
  if (pressed.kind == Kind::Icon) m_icon->SetDown(false);
}

void TZebrinCustomSkin::TrackPress(platform::TObject& element) {
  TZebrinSkinManager* manager = SkinManager();
  if (!manager) return;
  TZebrinSkinMouse& tracker = *manager->Mouse();
  if (tracker.PressedItem() == &element)
    tracker.SetPressed(true);
  else
    tracker.SetPressedItem(&element, this);
}

void TZebrinCustomSkin::Press(const TWindowPointer& pointer) {
  using Kind = TSkinElement::Kind;
  const TSkinElement& hot = m_mouse.hot;
  switch (hot.kind) {
    case Kind::Button:
      if (auto* button = hot.As<TZebrinSkinCustomButton>()) {
        TZebrinSkinCustomButtons* buttons = button->Buttons();
        // A right press never holds a window button.
        if (!buttons || (pointer.button != TMouseButton::mbLeft && buttons == m_buttons.get())) return;
        TrackPress(*button);
        buttons->MouseDown(button->Index(), pointer.button);
      }
      break;
    case Kind::Icon:
      TrackPress(*m_icon);
      m_icon->MouseDown(pointer.button, pointer.shift);
      break;
    case Kind::Band:
      if (auto* band = hot.As<TZebrinSkinBand>())
        if (TZebrinSkinCustomBands* bands = band->Bands())
          bands->MouseDown(band->Index(), pointer.button, pointer.shift & (ssShift | ssCtrl | ssAlt), pointer.pos);
      break;
    case Kind::Buttons:
      if (auto* buttons = hot.As<TZebrinSkinCustomButtons>()) buttons->CollectionMouseDown(pointer.button);
      break;
    default:
      break;
  }
  m_mouse.pressed = m_mouse.hot;
}

void TZebrinCustomSkin::PointerPress(const TWindowPointer& pointer) {
  THostEvent event(*this);
  if (!m_enabled || !m_host) return;
  m_mouse.lastPointer = pointer;
  if (TZebrinSkinManager* manager = SkinManager()) manager->Hint()->Hide();
  if (Flashing()) StopFlash();
  const int hit = HitTest(pointer.pos);
  if (IsSizingHit(hit)) {
    if (pointer.button == TMouseButton::mbLeft && !BeginSizingDrag(hit, pointer))
      if (std::optional<TWindowEdge> edge = EdgeOfHit(hit)) m_host->BeginResize(*edge, pointer);
    return;
  }
  if (hit == kHitClient) return;
  platform::TObject* sender = m_mouse.hot.Get();
  if (!CallOut([&] { m_onMouseDown(sender ? sender : this, pointer.button, pointer.shift, pointer.pos.X, pointer.pos.Y); }))
    return;
  m_mouse.pressPoint = pointer.pos;
  m_mouse.pressButton = pointer.button;
  if (hit == kHitSkinCaption) {
    if (pointer.button != TMouseButton::mbLeft) return;
    platform::TWeakRef<TZebrinCustomSkin> self(this);
    const bool moveable = GetMoveable();
    if (!self || Ending() || !moveable) return;
    if (BeginCaptionDrag(pointer) || IsMinimized()) return;
    TZebrinCustomSkin* mover = this;
    // A child pane whose caption does not take the mouse moves its parent.
    if (m_control->Parent() && !m_caption->CaptureMouse())
      if (TZebrinSkinManager* manager = SkinManager())
        if (auto* parentSkin = dynamic_cast<TZebrinCustomSkin*>(manager->FindSkin(m_control->Parent()));
            parentSkin && parentSkin->m_host && parentSkin->m_lastHit == kHitSkinCaption)
          mover = parentSkin;
    if (!mover->m_host) return;
    // The window comes to the front and moves under the size-all cursor.
    if (!Designing()) mover->m_host->BringToFront();
    mover->m_host->SetCursor(crSizeAll);
    mover->m_host->BeginMove(pointer);
    return;
  }
  Press(pointer);
}

void TZebrinCustomSkin::PointerRelease(const TWindowPointer& pointer) {
  THostEvent event(*this);
  if (!m_enabled || !m_host) return;
  m_mouse.lastPointer = pointer;
  using Kind = TSkinElement::Kind;
  if (TZebrinSkinManager* manager = SkinManager(); manager && manager->IsDragging() && manager->DragSource() == this) {
    m_mouse.pressPoint = TPoint{-1, -1};
    manager->EndButtonDrag(pointer.screen);
    return;
  }
  // The press held the pointer: a release away from the pressed element clicks nothing.
  if (!m_mouse.pressed.IsNone()) HitTest(pointer.pos);
  const int hit = m_lastHit;
  const TSkinElement hot = m_mouse.hot;
  platform::TObject* sender = hot.Get();
  const bool windowButton = hot.kind == Kind::Button && hot.As<TZebrinSkinCustomButton>() &&
                            hot.As<TZebrinSkinCustomButton>()->Buttons() == m_buttons.get();
  if (pointer.button == TMouseButton::mbRight) {
    ReleasePressed();
    m_mouse.pressPoint = TPoint{-1, -1};
    if (!windowButton && !Ending() &&
        !CallOut([&] { m_onMouseUp(sender ? sender : this, pointer.button, pointer.shift, pointer.pos.X, pointer.pos.Y); }))
      return;
    if (hit == kHitSysMenu || hit == kHitSkinCaption) {
      platform::TWeakRef<TZebrinCustomSkin> self(this);
      ShowSystemMenu(pointer.screen);
      if (!self || Ending()) return;
    }
    PointerMotion(pointer);
    return;
  }
  if (!Ending() &&
      !CallOut([&] { m_onMouseUp(sender ? sender : this, pointer.button, pointer.shift, pointer.pos.X, pointer.pos.Y); }))
    return;
  m_mouse.pressPoint = TPoint{-1, -1};
  if (m_mouse.pressed.IsNone() || !(m_mouse.pressed == hot)) {
    ReleasePressed();
    return;
  }
  ReleasePressed();
  TTrackerLock lock;
  if (!Ending() &&
      !CallOut([&] { m_onClick(sender ? sender : this, pointer.button, pointer.shift, pointer.pos.X, pointer.pos.Y); }))
    return;
  ClickElement(hot, pointer);
}

void TZebrinCustomSkin::ClickElement(const TSkinElement& element, const TWindowPointer& pointer) {
  using Kind = TSkinElement::Kind;
  platform::TWeakRef<TZebrinCustomSkin> self(this);
  switch (element.kind) {
    case Kind::BandItem:
      // The skin's or the item's ContentEditable, or an edit field, opens the editor.
      if (auto* item = element.As<TZebrinSkinCustomBandItem>();
          item && (m_contentEditable || item->ContentEditable() || item->ShownStyle() == sbsEdit))
        EditBandItem(*item);
      break;
    case Kind::Button:
      if (auto* button = element.As<TZebrinSkinCustomButton>()) {
        TZebrinSkinCustomButtons* buttons = button->Buttons();
        if (!buttons) break;
        const int index = button->Index();
        if (buttons == m_buttons.get()) {
          buttons->Click(index);
          // The pointer is where it was: hover follows whatever is there now.
          if (self && !Ending()) PointerMotion(pointer);
        } else if (buttons->Release(index)) {
          buttons->Click(index);
        }
      }
      break;
    case Kind::Icon:
      m_icon->Click();
      break;
    case Kind::Buttons:
      if (auto* buttons = element.As<TZebrinSkinCustomButtons>()) buttons->CollectionClick();
      break;
    default:
      break;
  }
}

void TZebrinCustomSkin::EditBandItem(TZebrinSkinCustomBandItem& item) {
  if (!m_editor) m_editor = CurrentSkinPopupFactory().CreateItemEditor();
  TRect rect = item.Rect();
  if (m_host) {
    const TPoint origin = m_host->WindowToScreen(TPoint{rect.Left, rect.Top});
    rect = TRect{origin.X, origin.Y, origin.X + rect.Width(), origin.Y + rect.Height()};
  }
  platform::TWeakRef<TZebrinCustomSkin> self(this);
  platform::TWeakRef<TZebrinSkinCustomBandItem> target(&item);
  const platform::TFont& font = m_control ? m_control->Font() : SkinManager()->ElementFont(platform::TDesktopFont::Caption);
  m_editor->Edit(rect, item.Text(), font.Spec(), item.AliveToken(), [self, target](const TItemEditResult& result) {
    TZebrinCustomSkin* skin = self.Get();
    TZebrinSkinCustomBandItem* edited = target.Get();
    if (!skin || !edited || !result.accepted || !result.changed) return;
    std::string text = result.text;
    if (!skin->CallOut([&] { skin->m_onEditItem(edited, text); })) return;
    if (TZebrinSkinCustomBandItem* still = target.Get()) still->SetText(text);
  });
}

void TZebrinCustomSkin::PointerDoubleClick(const TWindowPointer& pointer) {
  THostEvent event(*this);
  if (!m_enabled || !m_host) return;
  m_mouse.lastPointer = pointer;
  using Kind = TSkinElement::Kind;
  HitTest(pointer.pos);
  const TSkinElement hot = m_mouse.hot;
  platform::TObject* sender = hot.Get();
  if (!CallOut([&] { m_onDblClick(sender ? sender : this, pointer.button, pointer.shift, pointer.pos.X, pointer.pos.Y); }))
    return;
  switch (hot.kind) {
    case Kind::Button:
      if (auto* button = hot.As<TZebrinSkinCustomButton>())
        if (TZebrinSkinCustomButtons* buttons = button->Buttons()) buttons->DblClick(button->Index());
      break;
    case Kind::Buttons:
      if (auto* buttons = hot.As<TZebrinSkinCustomButtons>()) buttons->CollectionDblClick();
      break;
    case Kind::Icon:
      m_icon->DblClick();
      break;
    default:
      break;
  }
}

bool TZebrinCustomSkin::StartButtonDragFrom(const TWindowPointer& pointer) {
  auto* button = m_mouse.pressed.kind == TSkinElement::Kind::Button ? m_mouse.pressed.As<TZebrinSkinCustomButton>() : nullptr;
  if (!button || Designing()) return false;
  TZebrinSkinCustomButtons* buttons = button->Buttons();
  if (!buttons || !button->CaptureMouse() || buttons->DragMode() != dmAutomatic) return false;
  TZebrinSkinManager* manager = SkinManager();
  if (!manager || !manager->StartButtonDrag(*button, *this)) return false;
  ReleasePressed();
  SetHot(TSkinElement{});
  m_mouse.pressPoint = TPoint{-1, -1};
  manager->DropButton(pointer.screen);
  return true;
}

void TZebrinCustomSkin::PointerMotion(const TWindowPointer& pointer) {
  THostEvent event(*this);
  if (!m_enabled || !m_host) return;
  m_mouse.lastPointer = pointer;
  TZebrinSkinManager* manager = SkinManager();
  if (manager && manager->IsDragging() && manager->DragSource() == this) {
    manager->MoveDrag(pointer.screen);
    return;
  }
  if ((pointer.shift & kButtonsHeld) == 0) {
    HitTest(pointer.pos);
    if (m_mouse.hot.kind == TSkinElement::Kind::Button)
      if (auto* button = m_mouse.hot.As<TZebrinSkinCustomButton>())
        if (TZebrinSkinCustomButtons* buttons = button->Buttons()) {
          platform::TWeakRef<TZebrinCustomSkin> self(this);
          buttons->MouseMove(button->Index(), pointer.pos.X, pointer.pos.Y);
          if (!self || Ending()) return;
        }
    FollowHint();
    return;
  }
  if (m_mouse.pressPoint.X >= 0 && PointDistance(m_mouse.pressPoint, pointer.pos) > kButtonDragThreshold)
    StartButtonDragFrom(pointer);
}

void TZebrinCustomSkin::PointerLeave() {
  THostEvent event(*this);
  if (!m_enabled) return;
  SetHot(TSkinElement{});
  m_mouse.pressPoint = TPoint{-1, -1};
  // Follow(nil): the same element shows its hint again when the mouse comes back.
  if (TZebrinSkinManager* manager = SkinManager())
    if (TZebrinSkinHint& hint = *manager->Hint(); hint.CurrentSkin() == this) {
      hint.Hide();
      hint.Follow(nullptr);
    }
}

void TZebrinCustomSkin::ControlEnter() {
  THostEvent event(*this);
  if (!m_enabled || m_mouse.insideControl) return;
  m_mouse.insideControl = true;
  CallOut([&] { m_onMouseEnter(this); });
}

void TZebrinCustomSkin::ControlLeave() {
  THostEvent event(*this);
  if (!m_enabled || !m_mouse.insideControl) return;
  m_mouse.insideControl = false;
  CallOut([&] { m_onMouseLeave(this); });
}

bool TZebrinCustomSkin::SetCursorFor(int hit) {
  THostEvent event(*this);
  if (!m_enabled || !m_host) return false;
  if (hit == kHitSysMenu) {
    m_host->SetCursor(crHandPoint);
    return true;
  }
  if (hit == kHitSkinIcon) return m_icon->SetCursor();
  if (hit == kHitSkinButton)
    if (TZebrinSkinManager* manager = SkinManager()) return manager->Mouse()->SetCursor(m_mouse.hot.Get());
  return false;
}

bool TZebrinCustomSkin::CursorIsDefault() const {
  const TZebrinSkinManager* manager = SkinManager();
  return !manager || manager->ScreenCursorIsDefault();
}

void TZebrinCustomSkin::GetItemHint(platform::TObject& item, std::string& text) {
  if (!Ending()) CallOut([&] { m_onGetItemHint(&item, text); });
}

void TZebrinCustomSkin::SetCursor(TCursor cursor) {
  if (m_host) m_host->SetCursor(cursor);
}

bool TZebrinCustomSkin::DialogKey(int, TShiftState) {
  THostEvent event(*this);
  return false;
}

void TZebrinCustomSkin::ShowChanged(bool) {
  THostEvent event(*this);
  if (!m_enabled) return;
  if (const bool showing = m_control->Showing(); showing != m_showing) {
    m_showing = showing;
    platform::TWeakRef<TZebrinCustomSkin> self(this);
    OfferSubSkins(TSubSkinMessage::ShowingChanged);
    if (!self || !m_enabled) return;
  }
  Changed();
  if (!Ending()) UpdateButtons();
}

void TZebrinCustomSkin::TextChanged() {
  THostEvent event(*this);
  if (m_enabled) Changed();
}

void TZebrinCustomSkin::EnabledChanged() {
  THostEvent event(*this);
  if (!m_enabled) return;
  Redraw();
  CallOut([&] { m_onControlEnabled(this); });
}

// The maximise and restore buttons follow the window's state.
void TZebrinCustomSkin::WindowStateChanged() {
  THostEvent event(*this);
  if (!m_enabled) return;
  UpdateButtons();
  Redraw();
}

// ---- System menu and drop-downs ----

TSystemMenuState TZebrinCustomSkin::SystemMenuState() const {
  TSystemMenuState state;
  const bool maximized = IsMaximized(), minimized = IsMinimized();
  state.defaultItem = maximized ? TWindowCommand::Restore : TWindowCommand::Maximize;
  state.maximize = !maximized;
  state.restore = maximized || minimized;
  state.minimize = !minimized;
  state.size = !maximized;
  state.move = !maximized;
  state.close = true;
  return state;
}

void TZebrinCustomSkin::ShowSystemMenu(TPoint screen) {
  if (!m_host || !m_saved.sysMenu) return;
  TZebrinSkinManager* manager = SkinManager();
  if (manager) manager->SetDragFlag(true);
  SetHot(TSkinElement{});
  platform::TWeakRef<TZebrinCustomSkin> self(this);
  std::optional<TSystemMenuAnswer> answer;
  {
    platform::TComponent::TBusyGuard guard(*this);
    answer = m_host->ShowSystemMenu(screen, SystemMenuState());
  }
  if (manager && SkinManager() == manager) manager->SetDragFlag(false);
  if (!self || Ending() || !answer || !m_host) return;
  switch (answer->choice) {
    case TSystemMenuChoice::Move: m_host->BeginMove(m_mouse.lastPointer); break;
    case TSystemMenuChoice::Size: m_host->BeginResize(TWindowEdge::SouthEast, m_mouse.lastPointer); break;
    case TSystemMenuChoice::Command: Execute(answer->command); break;
  }
}

void TZebrinCustomSkin::DropDown(const TRect& element) {
  if (!m_host || !m_control) return;
  platform::TComponent* menu = m_popupControl;
  if (!menu) menu = m_popupMenu;
  if (!menu) menu = m_control->PopupMenu();
  if (!menu) return;
  const platform::TAlign align = m_control->Align();
  TPoint corner;
  if (m_horizontal) {
    const bool left = align == platform::alNone || align == platform::alLeft || align == platform::alClient;
    corner = TPoint{left ? element.Left : element.Right, element.Bottom};
  } else {
    corner = TPoint{element.Right, element.Top + (align == platform::alRight ? element.Height() : 0)};
  }
  const TPoint screen = m_host->WindowToScreen(corner);
  const TRect work = m_host->WorkArea();
  if (!CallOut([&] { m_onPopupComponent(this, menu); })) return;
  if (menu == m_popupControl) {
    if (auto* control = dynamic_cast<platform::TControl*>(menu)) ShowPopupControl(*control, screen, work);
    return;
  }
  if (auto* popup = dynamic_cast<platform::TPopupMenu*>(menu)) {
    TPoint at = screen;
    if (!work.IsEmpty()) {
      at.X = std::clamp(at.X, work.Left, std::max(work.Left, work.Right - 1));
      at.Y = std::clamp(at.Y, work.Top, std::max(work.Top, work.Bottom - 1));
    }
    PopupMenuAt(*popup, at);
  }
}

void TZebrinCustomSkin::ShowPopupControl(platform::TControl& control, TPoint screen, const TRect& work) {
  TPoint at = screen;
  if (!work.IsEmpty()) {
    at.X = std::max(work.Left, std::min(at.X, work.Right - control.Width()));
    at.Y = std::max(work.Top, std::min(at.Y, work.Bottom - control.Height()));
  }
  // A child control is placed in its parent's client coordinates.
  if (platform::TWinControl* parent = control.Parent()) {
    const TPoint origin = parent->ClientToScreen(TPoint{0, 0});
    at = TPoint{at.X - origin.X, at.Y - origin.Y};
  }
  const platform::TWeakRef<platform::TControl> alive(&control);
  CallOut([&] {
    control.SetBounds(at.X, at.Y, control.Width(), control.Height());
    if (alive) control.Show();
    if (alive) control.BringToFront();
  });
}

bool TZebrinCustomSkin::PopupMenuAt(platform::TPopupMenu& menu, TPoint screen) {
  TSkinPopupFlagScope flag;
  SetHot(TSkinElement{});
  menu.SetPopupComponent(this);
  const platform::TWeakRef<platform::TPopupMenu> alive(&menu);
  return CallOut([&] {
    if (platform::TPopupMenu* still = alive.Get()) still->Popup(screen.X, screen.Y);
  });
}

// ---- Window buttons ----

std::string TZebrinCustomSkin::WindowButtonHint(TZebrinSkinButtonStyle style) {
  switch (style) {
    case btsClose: return "Close|Alt+F4";
    case btsMaximize: return "Maximize";
    case btsRestore: return "Restore";
    case btsMinimize: return "Minimize";
    case btsHelp: return "Help";
    case btsNext: return "Next";
    case btsPrevious: return "Previous";
    default: return "";
  }
}

void TZebrinCustomSkin::BuildSystemButtons() {
  if (IsLoading()) m_loadedButtons->Assign(*m_buttons);
  {
    platform::TCollection::TUpdateScope update(*m_buttons);
    m_buttons->Clear();
    if (HasWindow())
      for (TZebrinSkinButtonStyle style : DefaultButtons()) m_buttons->AddButton(style, WindowButtonHint(style));
  }
  UpdateButtons();
}

void TZebrinCustomSkin::UpdateButtons() { m_buttons->UpdateButtons(WindowState()); }

TSkinWindowButtonState TZebrinCustomSkin::WindowState() const {
  TSkinWindowButtonState state;
  state.hasControl = m_control && m_control->Align() != platform::alClient;
  state.maximized = IsMaximized();
  state.minimized = IsMinimized();
  state.contextHelp = m_saved.contextHelp;
  state.helpEnabled = m_saved.contextHelp;
  state.hasDropDown = m_popupMenu || m_popupControl;
  return state;
}

void TZebrinCustomSkin::UpdateButtonStates(int index) { m_buttons->UpdateButtonStates(index, WindowState()); }

ISkinBandButtons* TZebrinCustomSkin::WindowButtonsIn(const TZebrinSkinBand& band) {
  if (band.Collection() != BandsAt(m_buttons->BandsIndex()) || band.Index() != m_buttons->BandIndex()) return nullptr;
  return m_buttons.get();
}

ISkinBandButtons* TZebrinCustomSkin::ToolButtonsIn(const TZebrinSkinBand& band) {
  if (band.Collection() != BandsAt(m_toolButtons->BandsIndex()) || band.Index() != m_toolButtons->BandIndex()) return nullptr;
  return m_toolButtons.get();
}

TZebrinSkinCustomBands* TZebrinCustomSkin::BandsAt(int bandsIndex) {
  return static_cast<const TZebrinCustomSkin&>(*this).BandsAt(bandsIndex);
}

TZebrinSkinCustomBands* TZebrinCustomSkin::BandsAt(int bandsIndex) const {
  switch (bandsIndex) {
    case 0: return m_caption.get();
    case 1: return m_footer.get();
    default: return nullptr;
  }
}

ISkinPainter* TZebrinCustomSkin::Painter() {
  TZebrinSkinManager* manager = SkinManager();
  return manager ? manager->Theme() : nullptr;
}

platform::TCustomImageList* TZebrinCustomSkin::WindowButtonImages(bool smallCaption) {
  const TZebrinSkinManager* manager = SkinManager();
  if (!manager) return nullptr;
  return smallCaption ? manager->SmallButtonImages() : manager->ButtonImages();
}

TSize TZebrinCustomSkin::TextExtent(std::string_view utf8, const platform::TFont& font) {
  return m_host ? m_host->TextExtent(utf8, font) : EstimateTextExtent(utf8);
}

TPoint TZebrinCustomSkin::WindowOrigin() const { return m_host ? m_host->WindowToScreen(TPoint{}) : TPoint{}; }

bool TZebrinCustomSkin::ContainsScreenPoint(TPoint screen) const {
  if (!m_enabled || !m_host || !HasWindow()) return false;
  return m_frameBounds.Contains(m_host->ScreenToWindow(screen));
}

// ---- Items and buttons report to the skin ----

void TZebrinCustomSkin::ItemAdded(platform::TObject& item) {
  if (!Loading()) CallOut([&] { m_onAddItem(&item); });
}

void TZebrinCustomSkin::ItemDeleting(platform::TObject& item) {
  if (!Loading() && !Ending()) CallOut([&] { m_onDeleteItem(&item); });
}

void TZebrinCustomSkin::ItemPropertyUpdated(platform::TObject& item) {
  if (!Loading()) CallOut([&] { m_onUpdateItemProperty(&item); });
}

void TZebrinCustomSkin::ForgetItem(const platform::TObject& item) {
  if (TZebrinSkinManager* manager = SkinManager()) {
    manager->Mouse()->ForgetItem(item);
    if (TZebrinSkinHint& hint = *manager->Hint(); hint.CurrentItem() == &item) {
      hint.Hide();
      hint.Follow(nullptr);
    }
  }
  if (m_mouse.hot.Get() == &item) m_mouse.hot = TSkinElement{};
  if (m_mouse.pressed.Get() == &item) {
    m_mouse.pressed = TSkinElement{};
    m_mouse.pressPoint = TPoint{-1, -1};
  }
}

bool TZebrinCustomSkin::ButtonClick(TZebrinSkinWindowButton& button) {
  if (!m_onButtonClick.Assigned()) return false;
  CallOut([&] { m_onButtonClick(&button); });
  return true;
}

void TZebrinCustomSkin::SendWindowCommand(TWindowCommand command) { Execute(command); }

void TZebrinCustomSkin::RunWindowOperation(TWindowCommand command) {
  switch (command) {
    case TWindowCommand::Close: Close(); break;
    case TWindowCommand::Maximize: Maximize(); break;
    case TWindowCommand::Restore: Restore(); break;
    case TWindowCommand::Minimize: Minimize(); break;
    case TWindowCommand::ContextHelp: ContextHelp(); break;
    default: break;
  }
}

void TZebrinCustomSkin::OpenComboMenu(TZebrinSkinWindowButton& button) {
  const platform::TWeakRef<platform::TObject> alive(&button);
  DropDown(button.BoundsRect());
  if (!alive.Get() || Ending()) return;
  // The press ended inside the menu: the button lets go of it.
  button.SetStateBit(sbsPressed, false);
  ForgetItem(button);
}

// ---- Button drags between skins ----

bool TZebrinCustomSkin::ButtonDragOver(platform::TObject& source, TPoint screen, TDragState state) {
  THostEvent event(*this);
  if (!m_host) return false;
  const TPoint at = m_host->ScreenToWindow(screen);
  bool accept = false;
  TSkinDragOverEvent& handler = state == dsDragMove && m_onDragMove.Assigned() ? m_onDragMove : m_onDragOver;
  if (!CallOut([&] { handler(this, &source, at.X, at.Y, state, accept); })) return false;
  return accept;
}

void TZebrinCustomSkin::ButtonDragDrop(platform::TObject& source, TPoint screen) {
  THostEvent event(*this);
  if (!m_host) return;
  const TPoint at = m_host->ScreenToWindow(screen);
  CallOut([&] { m_onDragDrop(this, &source, at.X, at.Y); });
}

void TZebrinCustomSkin::ButtonDragEnd(IManagedSkin* target, TPoint screen) {
  THostEvent event(*this);
  const TPoint at = m_host ? m_host->ScreenToWindow(screen) : screen;
  auto* targetSkin = target ? dynamic_cast<TZebrinCustomSkin*>(target) : nullptr;
  CallOut([&] { m_onDragEnd(this, targetSkin, at.X, at.Y); });
}

using S = TZebrinCustomSkin;
HALBRIN_DEFINE_CLASS(TZebrinCustomSkin,
                     .Property("ActionList", &S::ActionList, &S::SetActionList)
                     .Property("ActiveTrack", &S::ActiveTrack, &S::SetActiveTrack)
                     .Default(true)
                     .Property("Buttons", &S::Buttons)
                     .Property("Caption", &S::Caption)
                     .Property("ContentEditable", &S::ContentEditable, &S::SetContentEditable)
                     .Default(false)
                     .Property("Enabled", &S::Enabled, &S::SetEnabled)
                     .Default(false)
                     .Property("Footer", &S::Footer)
                     .Property("HotTrack", &S::HotTrack, &S::SetHotTrack)
                     .Default(true)
                     .Property("Icon", &S::Icon)
                     .Property("Minimized", &S::Minimized, &S::SetMinimized)
                     .Default(false)
                     .Stored(false)
                     .Property("Moveable", &S::Moveable, &S::SetMoveable)
                     .Default(true)
                     .Property("ShowHint", &S::ShowHint, &S::SetShowHint)
                     .Default(true)
                     .Property("SubSkin", &S::SubSkin, &S::SetSubSkin)
                     .Property("Timers", &S::Timers)
                     .Property("ToolButtons", &S::ToolButtons)
                     .Event("OnAddItem", &S::m_onAddItem, "TNotifyEvent")
                     .Event("OnButtonClick", &S::m_onButtonClick, "TNotifyEvent")
                     .Event("OnClick", &S::m_onClick, "TMouseEvent")
                     .Event("OnControlEnabled", &S::m_onControlEnabled, "TNotifyEvent")
                     .Event("OnDblClick", &S::m_onDblClick, "TMouseEvent")
                     .Event("OnDeleteItem", &S::m_onDeleteItem, "TNotifyEvent")
                     .Event("OnDragDrop", &S::m_onDragDrop, "TSkinDragDropEvent")
                     .Event("OnDragEnd", &S::m_onDragEnd, "TSkinEndDragEvent")
                     .Event("OnDragMove", &S::m_onDragMove, "TSkinDragOverEvent")
                     .Event("OnDragOver", &S::m_onDragOver, "TSkinDragOverEvent")
                     .Event("OnEditItem", &S::m_onEditItem, "TSkinEditItemEvent")
                     .Event("OnGetItemHint", &S::m_onGetItemHint, "TSkinItemHintEvent")
                     .Event("OnGetMoveable", &S::m_onGetMoveable, "TSkinGetMoveableEvent")
                     .Event("OnMouseDown", &S::m_onMouseDown, "TMouseEvent")
                     .Event("OnMouseEnter", &S::m_onMouseEnter, "TNotifyEvent")
                     .Event("OnMouseLeave", &S::m_onMouseLeave, "TNotifyEvent")
                     .Event("OnMouseUp", &S::m_onMouseUp, "TMouseEvent")
                     .Event("OnPopupComponent", &S::m_onPopupComponent, "TSkinPopupComponentEvent")
                     .Event("OnUpdateItemProperty", &S::m_onUpdateItemProperty, "TNotifyEvent"))

}  // namespace halbrin::skins
