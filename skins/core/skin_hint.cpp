#include "skins/core/skin_hint.h"

#include <algorithm>

#include "platform/base/case_fold.h"
#include "platform/classes/class_builder.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/services/desktop_service.h"
#include "skins/core/band_items.h"
#include "skins/core/control_skin_parts.h"
#include "skins/core/custom_skin.h"
#include "skins/core/skin_buttons.h"
#include "skins/core/skin_icon.h"
#include "skins/core/skin_manager.h"
#include "skins/core/skin_windows.h"

namespace halbrin::skins {

namespace {

std::uint32_t Period(int ms) noexcept { return static_cast<std::uint32_t>(std::max(ms, 0)); }

}  // namespace

TZebrinSkinHint::TZebrinSkinHint(TZebrinSkinManager* manager) : m_manager(manager) {
  SetDefault(true);
  m_lastChange = Now();
}

TZebrinSkinHint::~TZebrinSkinHint() = default;

bool TZebrinSkinHint::Default() const noexcept {
  return !m_alphaBlend && m_alphaValue == 255 && m_autoHide && m_autoHideDelay == 60000 && m_delay == 500 &&
         m_dropShadow && m_shortDelay == 50 && !m_colorKey && m_keyColor == 0;
}

void TZebrinSkinHint::SetDefault(bool value) {
  if (!value) return;
  m_alphaBlend = false;
  m_alphaValue = 255;
  m_autoHide = true;
  m_autoHideDelay = 60000;
  m_delay = 500;
  m_dropShadow = true;
  m_shortDelay = 50;
  m_colorKey = false;
  m_keyColor = 0;
}

void TZebrinSkinHint::SetEnabled(bool value) {
  m_enabled = value;
  if (!value) Hide();
}

TZebrinCustomSkin* TZebrinSkinHint::CurrentSkin() const { return dynamic_cast<TZebrinCustomSkin*>(m_skin.Get()); }

std::uint64_t TZebrinSkinHint::Now() const { return platform::MainEventLoop().NowMs(); }

int TZebrinSkinHint::QuickMs() const noexcept { return std::min(std::max(m_delay, 0) / 2, kHintQuickMax); }

bool TZebrinSkinHint::Showing() const { return m_window && m_window->Showing(); }

void TZebrinSkinHint::Follow(platform::TObject* item, TZebrinCustomSkin* skin) {
  if (!m_enabled) return;
  platform::TObject* current = m_item.Get();
  if (item == current) {
    if (skin) m_skin.Reset(skin);
    return;
  }
  Hide();
  m_itemEnabled = true;
  int wait = m_delay;
  const std::uint64_t now = Now();
  if (current && item) {
    const auto quick = static_cast<std::uint64_t>(QuickMs());
    if (now - m_lastChange > quick && platform::SameText(item->ClassName(), current->ClassName())) wait = m_shortDelay;
  }
  m_lastChange = now;
  m_item.Reset(item);
  if (skin) m_skin.Reset(skin);
  if (item && m_manager) m_manager->SetAppTimer(kHintTimerDelay, Period(wait));
}

std::string TZebrinSkinHint::GetHintText() {
  platform::TObject* item = m_item.Get();
  if (!item) return {};
  std::string text;
  if (auto* button = dynamic_cast<TZebrinSkinCustomButton*>(item)) {
    const TZebrinSkinCustomButtons* buttons = button->Buttons();
    if (buttons && buttons->ShowHint() && buttons->UpdateCount() == 0) {
      text = button->GetHintText();
      m_itemEnabled = button->Enabled();
    }
  } else if (auto* bandItem = dynamic_cast<TZebrinSkinCustomBandItem*>(item)) {
    if (bandItem->UpdateCount() == 0) text = bandItem->GetHintText();
  } else if (auto* splitter = dynamic_cast<TZebrinSkinSplitter*>(item)) {
    text = splitter->Hint();
    m_itemEnabled = splitter->Enabled();
  } else if (auto* icon = dynamic_cast<TZebrinSkinIcon*>(item)) {
    text = icon->Hint();
    m_itemEnabled = icon->Enabled();
  } else if (auto* collection = dynamic_cast<TZebrinSkinCustomButtons*>(item)) {
    text = collection->GetHintText();
  }
  // The skin's handler first, then the manager's; either may free the item.
  platform::TWeakRef<platform::TObject> alive(item);
  if (TZebrinCustomSkin* skin = CurrentSkin()) skin->GetItemHint(*item, text);
  if (!alive) return {};
  if (m_manager && m_manager->onGetItemHint) m_manager->onGetItemHint(item, text);
  return alive ? text : std::string();
}

bool TZebrinSkinHint::Show(const std::string& text) {
  if (text.empty()) return false;
  if (!m_window) m_window = CurrentSkinPopupFactory().CreateHintWindow();
  const platform::IDesktopService& desktop = platform::CurrentDesktopService();
  const platform::TPoint cursor = platform::GetCursorPoint();
  const platform::TRect workArea = desktop.WorkArea(platform::TRect{cursor.X, cursor.Y, cursor.X + 1, cursor.Y + 1});
  platform::TRect rect = m_window->HintRect(text, std::max(workArea.Width() / 2, 1));
  const int top = cursor.Y + desktop.CursorHeightBelowHotSpot();
  rect = platform::TRect{cursor.X, top, cursor.X + rect.Width(), top + rect.Height()};
  TSkinHintOptions options;
  options.shadow = m_dropShadow;
  options.opacity = m_alphaBlend ? m_alphaValue : 255;
  m_window->ShowAt(rect, text, m_itemEnabled, options);
  return true;
}

void TZebrinSkinHint::KillTimers() {
  if (!m_manager) return;
  m_manager->KillAppTimer(kHintTimerDelay);
  m_manager->KillAppTimer(kHintTimerWatch);
  m_manager->KillAppTimer(kHintTimerAutoHide);
}

void TZebrinSkinHint::Hide() {
  KillTimers();
  if (m_window) m_window->Hide();
}

void TZebrinSkinHint::Release() {
  KillTimers();
  if (m_window) m_window->Release();
}

void TZebrinSkinHint::Refresh(const platform::TObject* item) {
  if (!item || !Showing() || item != m_item.Get()) return;
  const std::string text = GetHintText();
  if (text.empty())
    Hide();
  else
    Show(text);
}

void TZebrinSkinHint::DelayElapsed() {
  if (!m_manager) return;
  m_manager->KillAppTimer(kHintTimerDelay);
  if (platform::CurrentDesktopService().ModalState()) return;
  if (!Show(GetHintText())) return;
  m_manager->SetAppTimer(kHintTimerWatch, kHintWatchMs);
  if (m_autoHide) m_manager->SetAppTimer(kHintTimerAutoHide, Period(m_autoHideDelay));
}

void TZebrinSkinHint::Watch() {
  if (!m_item.Get()) Hide();
}

using H = TZebrinSkinHint;

HALBRIN_DEFINE_CLASS(TZebrinSkinHint,
                     .Property("AutoHide", &H::AutoHide, &H::SetAutoHide)
                     .Property("AutoHideDelay", &H::AutoHideDelay, &H::SetAutoHideDelay)
                     .Property("Delay", &H::Delay, &H::SetDelay)
                     .Property("ShortDelay", &H::ShortDelay, &H::SetShortDelay)
                     .Property("DropShadow", &H::DropShadow, &H::SetDropShadow)
                     .Property("Enabled", &H::Enabled, &H::SetEnabled)
                     .Property("Default", &H::Default, &H::SetDefault)
                     .Stored(false))

}  // namespace halbrin::skins
