#pragma once

// TFloatFormEx ("float"): a tool window that stays above the application,
// never takes the activation, can fade in and out, closes itself when it
// loses the activation (autoHide), and is hidden and shown again with the
// application. Exec words and events are the form's, plus "showatcursor".
//
//   <float id="Tip" width="200" height="80" animated="true" autoHide="true"/>
//   Tip.exec = "showatcursor";

#include <cstdint>
#include <functional>
#include <memory>

#include "components/forms/form_ex.h"

namespace halbrin::platform {
class TimerSource;
}  // namespace halbrin::platform

namespace halbrin {

// How a float form comes and goes.
enum class TFloatAnimationEffect : std::uint8_t { None, Fade, Slide };
struct TFloatAnimation {
  TFloatAnimationEffect effect = TFloatAnimationEffect::None;
  bool hiding = false;
  std::uint32_t durationMs = 0;

  friend bool operator==(const TFloatAnimation&, const TFloatAnimation&) = default;
};
inline constexpr std::uint32_t kFloatAnimationMs = 150;

// The desktop's answers the choice rests on.
struct TFloatAnimationSettings {
  bool animationsOn = false;  // the desktop animates at all
  bool fadeOn = false;        // and fades rather than slides
};
// None unless `animated` and the desktop animates; then a fade when it
// fades, else a downward slide, for kFloatAnimationMs.
TFloatAnimation ChooseFloatAnimation(bool animated, const TFloatAnimationSettings& settings, bool hiding) noexcept;

// Where the settings come from: the toolkit layer installs a query
// ("gtk-enable-animations"); without one nothing animates.
using TFloatAnimationQuery = std::function<TFloatAnimationSettings()>;
void SetFloatAnimationQuery(TFloatAnimationQuery query);
TFloatAnimationSettings FloatAnimationSettings();

// A fade runs in this many opacity steps, one per tick.
inline constexpr int kFadeSteps = 10;

class TFloatFormEx : public TFormEx {
  HALBRIN_CLASS(TFloatFormEx, TFormEx)

  // A sizeable tool window that stays on top, never takes the activation
  // and stays above the main form (when there is one).
  explicit TFloatFormEx(platform::TComponent* owner = nullptr);
  ~TFloatFormEx() override;

  std::string GetTypeName() const override { return "float"; }

  // The form's words, then "showatcursor": the top-left corner goes to the
  // pointer (when its position is known) and the form becomes visible.
  void SetExec(const platform::Variant& value) override;

  // --- Published ---
  bool Animated() const noexcept { return m_animated; }
  void SetAnimated(bool value) noexcept { m_animated = value; }
  bool AutoHide() const noexcept { return m_autoHide; }
  void SetAutoHide(bool value) noexcept { m_autoHide = value; }
  // Stored for scripts; nothing reads it.
  bool AutoFocus() const noexcept { return m_autoFocus; }
  void SetAutoFocus(bool value) noexcept { m_autoFocus = value; }
  // True on a visible float raises it above the application without
  // activating it; otherwise the visibility is set.
  void SetFloatVisible(bool value);

  // Puts the window at the top without activating it.
  void RaiseFloat();
  // A fade is running.
  bool Fading() const noexcept { return m_fadeStep >= 0; }

  // Losing the activation closes the form while autoHide is on.
  void Deactivate() override;

 protected:
  // Replaces the form's: on the first showing a poScreenCenter form is
  // centred on the screen; then the window comes or goes (fading when
  // chosen), is raised, and "show" (with firstShow still as it was, then
  // false) or "hide" fires.
  void ShowingChanged(bool showing) override;
  // A press raises the form first.
  void MouseDown(platform::TMouseButton button, platform::TShiftState shift, int x, int y) override;

 private:
  void StartFade(bool hiding);
  void FadeTick();
  void ApplyFadeOpacity();
  void StopFade();
  void RestoreOpacity();

  bool m_animated = false;
  bool m_autoHide = false;
  bool m_autoFocus = false;
  bool m_fadeHiding = false;
  int m_fadeStep = -1;  // -1 while no fade runs
  std::unique_ptr<platform::TimerSource> m_fade;
};

// The "float" type word's form: its window is made at once (nothing is
// shown, firstShow stays true, no event fires).
std::unique_ptr<platform::TComponent> NewDeclaredFloatForm(platform::TComponent& owner);

}  // namespace halbrin
