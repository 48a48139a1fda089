#include "components/forms/float_form_ex.h"

#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "platform/base/case_fold.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/eventloop/timer_source.h"
#include "platform/services/desktop_service.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

TFloatAnimationQuery& QuerySlot() {
  static TFloatAnimationQuery query;
  return query;
}

}  // namespace

TFloatAnimation ChooseFloatAnimation(bool animated, const TFloatAnimationSettings& settings, bool hiding) noexcept {
  if (!animated || !settings.animationsOn) return {TFloatAnimationEffect::None, hiding, 0};
  return {settings.fadeOn ? TFloatAnimationEffect::Fade : TFloatAnimationEffect::Slide, hiding, kFloatAnimationMs};
}

void SetFloatAnimationQuery(TFloatAnimationQuery query) { QuerySlot() = std::move(query); }

TFloatAnimationSettings FloatAnimationSettings() {
  const TFloatAnimationQuery& query = QuerySlot();
  return query ? query() : TFloatAnimationSettings{};
}

HALBRIN_DEFINE_CLASS(TFloatFormEx,
                     .Property("animated", &TFloatFormEx::Animated, &TFloatFormEx::SetAnimated)
                     .Property("autoFocus", &TFloatFormEx::AutoFocus, &TFloatFormEx::SetAutoFocus)
                     .Property("autoHide", &TFloatFormEx::AutoHide, &TFloatFormEx::SetAutoHide)
                     .Property(
                         "visible", [](const TFloatFormEx& self) { return self.Visible(); },
                         [](TFloatFormEx& self, bool value) { self.SetFloatVisible(value); }))

TFloatFormEx::TFloatFormEx(TComponent* owner) : TFormEx(owner) {
  SetBorderStyle(bsSizeToolWin);
  SetFormStyle(fsStayOnTop);
  SetNeverActivate(true);
  if (auto* mainForm = dynamic_cast<TWinControl*>(ApplicationHooks().MainForm()); mainForm && mainForm != this)
    SetTransientFor(mainForm);
}

TFloatFormEx::~TFloatFormEx() {
  // "destroy" while the float is whole; the form's destructor does not fire it again.
  DoDestroy();
  m_fade.reset();
}

void TFloatFormEx::SetExec(const Variant& value) {
  const TWeakRef<TFloatFormEx> alive(this);
  TFormEx::SetExec(value);
  if (!alive || GetExec() != Variant(false)) return;
  ExecResult() = true;
  if (!SameText(ExecVerbText(value), "showatcursor")) {
    ExecResult() = false;
    return;
  }
  TPoint cursor;
  if (TryGetCursorPos(cursor)) SetBounds(cursor.X, cursor.Y, Width(), Height());
  if (alive) SetFloatVisible(true);
}

void TFloatFormEx::SetFloatVisible(bool value) {
  if (value && Visible())
    RaiseFloat();
  else
    SetVisible(value);
}

void TFloatFormEx::RaiseFloat() { RaiseWithoutActivating(); }

void TFloatFormEx::Deactivate() {
  const TWeakRef<TFloatFormEx> alive(this);
  TFormEx::Deactivate();
  if (alive && m_autoHide) Close();
}

void TFloatFormEx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  RaiseFloat();
  TFormEx::MouseDown(button, shift, x, y);
}

void TFloatFormEx::ShowingChanged(bool showing) {
  if (IsDestroying()) return;
  const TWeakRef<TFloatFormEx> alive(this);
  if (showing && FirstShow() && Position() == poScreenCenter) {
    const TPoint at = ScreenCenterFor(Width(), Height());
    SetBounds(at.X, at.Y, Width(), Height());
    if (!alive) return;
  }
  const TFloatAnimation animation = ChooseFloatAnimation(m_animated, FloatAnimationSettings(), !showing);
  // A slide would need the window clipped as it grows; it shows at once.
  if (animation.effect == TFloatAnimationEffect::Fade && (showing || HandleAllocated())) {
    StartFade(!showing);
    if (showing) ApplyShowing();
  } else {
    StopFade();
    ApplyShowing();
  }
  if (!alive) return;
  if (showing) {
    RaiseFloat();
    DoShow();
    if (alive) SetFirstShow(false);
  } else {
    DoHide();
  }
}

// --- Fading ------------------------------------------------------------------------

void TFloatFormEx::StartFade(bool hiding) {
  HandleNeeded();
  // A fade turning round starts from where the other one was; a fade out
  // starts from the window as it is.
  const bool turning = Fading() && hiding != m_fadeHiding;
  m_fadeStep = turning ? kFadeSteps - m_fadeStep : 0;
  m_fadeHiding = hiding;
  if (!m_fade)
    m_fade = std::make_unique<TimerSource>(MainEventLoop(), kFloatAnimationMs / kFadeSteps, [this] { FadeTick(); });
  if (!hiding || turning) ApplyFadeOpacity();
  m_fade->Start();
}

void TFloatFormEx::ApplyFadeOpacity() {
  const int target = AlphaBlend() ? AlphaBlendValue() : 255;
  const int shown = m_fadeHiding ? kFadeSteps - m_fadeStep : m_fadeStep;
  if (HandleAllocated()) Backend()->SetOpacity(Window(), static_cast<std::uint8_t>(target * shown / kFadeSteps));
}

void TFloatFormEx::FadeTick() {
  if (!Fading()) return;
  ++m_fadeStep;
  if (m_fadeStep < kFadeSteps) {
    ApplyFadeOpacity();
    return;
  }
  m_fadeStep = -1;
  m_fade->Stop();
  if (m_fadeHiding && !Visible()) {
    // Gone from sight before the window is hidden, and opaque again only then.
    if (HandleAllocated()) Backend()->SetOpacity(Window(), 0);
    ApplyShowing();
  }
  RestoreOpacity();
}

void TFloatFormEx::StopFade() {
  if (!Fading()) return;
  m_fadeStep = -1;
  if (m_fade) m_fade->Stop();
  RestoreOpacity();
}

void TFloatFormEx::RestoreOpacity() {
  if (HandleAllocated()) Backend()->SetOpacity(Window(), AlphaBlend() ? AlphaBlendValue() : 255);
}

std::unique_ptr<TComponent> NewDeclaredFloatForm(TComponent& owner) {
  auto form = std::make_unique<TFloatFormEx>(&owner);
  form->HandleNeeded();
  return form;
}

}  // namespace halbrin
