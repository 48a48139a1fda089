#include "skins/core/skin_windows.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace halbrin::skins {

TRect HintTextRect(TSize textSize) noexcept { return {0, 0, textSize.cx + 8, textSize.cy + 6}; }

TRect PlaceHintRect(const TRect& rect, const TRect& workArea, bool shadow) noexcept {
  TRect r = rect;
  r.Bottom += 7;
  const auto shift = [&r](std::int32_t dx, std::int32_t dy) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
  };
  if (r.Right > workArea.Right) shift(workArea.Right - r.Right, 0);
  if (r.Bottom > workArea.Bottom) shift(0, workArea.Bottom - r.Bottom);
  if (r.Left < workArea.Left) shift(workArea.Left - r.Left, 0);
  if (r.Top < workArea.Top) shift(0, workArea.Top - r.Top);
  // The shadow falls right of the window and would be cut off at the edge.
  if (shadow && r.Right >= workArea.Right) shift(-4, 0);
  return r;
}

// --- TSkinPopupWindowBase ------------------------------------------------------

void TSkinPopupWindowBase::ShowAt(const TRect& rect) {
  const bool moved = !(rect == m_bounds);
  m_bounds = rect;
  m_shown = true;
  if (moved) m_nativeShown = false;
  Apply();
}

void TSkinPopupWindowBase::Hide() {
  m_shown = false;
  Apply();
}

void TSkinPopupWindowBase::SetParked(bool parked) {
  if (parked == m_parked) return;
  m_parked = parked;
  Apply();
}

void TSkinPopupWindowBase::SetOpacity(std::uint8_t opacity) {
  if (opacity == m_opacity) return;
  m_opacity = opacity;
  ApplyOpacity(opacity);
}

void TSkinPopupWindowBase::Apply() {
  const bool wanted = Visible();
  if (wanted && !m_nativeShown) {
    ShowNative(m_bounds);
    m_nativeShown = true;
  } else if (!wanted && m_nativeShown) {
    HideNative();
    m_nativeShown = false;
  }
}

// --- TItemEditSession ----------------------------------------------------------

void TItemEditSession::Begin(std::weak_ptr<const void> target, std::string startText, EndHandler onEnd) {
  End(false, m_startText);
  m_target = std::move(target);
  m_startText = std::move(startText);
  m_onEnd = std::move(onEnd);
  m_active = true;
}

bool TItemEditSession::End(bool accept, const std::string& text) {
  if (!m_active) return false;
  m_active = false;
  TItemEditResult result;
  result.accepted = accept && !m_target.expired();
  if (result.accepted) {
    result.text = text;
    result.changed = text != m_startText;
  } else {
    result.text = m_startText;
  }
  // The handler may start the next edit on this session.
  EndHandler onEnd = std::exchange(m_onEnd, nullptr);
  m_target.reset();
  if (onEnd) onEnd(result);
  return true;
}

// --- Headless windows ----------------------------------------------------------

namespace {

class HeadlessHintWindow : public ISkinHintWindow {
 public:
  void ShowAt(const TRect&, std::string_view, bool, const TSkinHintOptions&) override { m_showing = true; }
  void Hide() override { m_showing = false; }
  void Release() override { m_showing = false; }
  TRect HintRect(std::string_view, int) const override { return HintTextRect({}); }
  bool Showing() const override { return m_showing; }

 private:
  bool m_showing = false;
};

class HeadlessPopupWindow : public TSkinPopupWindowBase {};

class HeadlessDockIndicator : public TSkinPopupWindowBase, public ISkinDockIndicator {
 public:
  HeadlessDockIndicator() : TSkinPopupWindowBase(kDockIndicatorOpacity) {}
  void SetCaption(std::string) override {}
  void SetColor(TColor) override {}
  void SetFont(const TFontSpec&, TColor) override {}
};

class HeadlessDragIndicator : public TSkinPopupWindowBase, public ISkinDragIndicator {
 public:
  HeadlessDragIndicator() : TSkinPopupWindowBase(kDragIndicatorOpacity) {}
  void SetImage(platform::TArgbImage) override {}
};

class HeadlessItemEditor : public ISkinItemEditor {
 public:
  void Edit(const TRect&, std::string text, const TFontSpec&, std::weak_ptr<const void> target,
            TItemEditSession::EndHandler onEnd) override {
    m_session.Begin(std::move(target), std::move(text), std::move(onEnd));
  }
  void Cancel() override { m_session.End(false, m_session.StartText()); }
  bool Editing() const override { return m_session.Active(); }

 private:
  TItemEditSession m_session;
};

std::atomic<ISkinPopupFactory*>& InstalledFactory() {
  static std::atomic<ISkinPopupFactory*> factory{nullptr};
  return factory;
}

ISkinPopupFactory& DefaultFactory() {
  static HeadlessSkinPopupFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<ISkinHintWindow> HeadlessSkinPopupFactory::CreateHintWindow() {
  return std::make_unique<HeadlessHintWindow>();
}
std::unique_ptr<ISkinPopupWindow> HeadlessSkinPopupFactory::CreatePopupWindow() {
  return std::make_unique<HeadlessPopupWindow>();
}
std::unique_ptr<ISkinDockIndicator> HeadlessSkinPopupFactory::CreateDockIndicator() {
  return std::make_unique<HeadlessDockIndicator>();
}
std::unique_ptr<ISkinDragIndicator> HeadlessSkinPopupFactory::CreateDragIndicator() {
  return std::make_unique<HeadlessDragIndicator>();
}
std::unique_ptr<ISkinItemEditor> HeadlessSkinPopupFactory::CreateItemEditor() {
  return std::make_unique<HeadlessItemEditor>();
}

ISkinPopupFactory& CurrentSkinPopupFactory() {
  ISkinPopupFactory* factory = InstalledFactory().load();
  return factory ? *factory : DefaultFactory();
}

ScopedSkinPopupFactory::ScopedSkinPopupFactory(ISkinPopupFactory& factory) noexcept
    : m_previous(InstalledFactory().exchange(&factory)) {}

ScopedSkinPopupFactory::~ScopedSkinPopupFactory() { InstalledFactory().store(m_previous); }

}  // namespace halbrin::skins
