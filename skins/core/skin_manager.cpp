#include "skins/core/skin_manager.h"

#include <algorithm>
#include <utility>

#include "core/foundation/colors.h"
#include "platform/eventloop/main_event_loop.h"
#include "skins/core/form_skin.h"
#include "skins/core/glyph_images.h"
#include "skins/core/skin_buttons.h"
#include "skins/core/skin_file.h"
#include "skins/core/skin_windows.h"

namespace halbrin::skins {

using platform::clDefault;
using platform::TDesktopFont;
using platform::TFont;

namespace {

// The process's manager; set by the constructor, cleared by the destructor.
TZebrinSkinManager* g_current = nullptr;
// The manager CreateSkinManager made.
std::unique_ptr<TZebrinSkinManager>& Created() {
  static std::unique_ptr<TZebrinSkinManager> created;
  return created;
}

// Cell markers of the defaults table beside system colour numbers.
constexpr int E = -100;        // EdgeMetric
constexpr int S = -101;        // SizerColor
constexpr int CAP = -102;      // CaptionHeight
constexpr int SMALL = -103;    // SmallCaptionHeight
constexpr int CAP_1 = -104;    // CaptionHeight - 1
constexpr int FRAME = -105;    // FrameWidth
constexpr int FACE = platform::COLOR_BTNFACE;
constexpr int SHADOW = platform::COLOR_BTNSHADOW;
constexpr int BTEXT = platform::COLOR_BTNTEXT;
constexpr int GRAY = platform::COLOR_GRAYTEXT;
constexpr int HOT = platform::COLOR_HOTLIGHT;
constexpr int CTEXT = platform::COLOR_CAPTIONTEXT;
constexpr int ICTEXT = platform::COLOR_INACTIVECAPTIONTEXT;
constexpr int ACAP = platform::COLOR_ACTIVECAPTION;
constexpr int ICAP = platform::COLOR_INACTIVECAPTION;
constexpr int MTEXT = platform::COLOR_MENUTEXT;
constexpr int WIN = platform::COLOR_WINDOW;

// Per row, parameters 0..12. Colour columns hold system colour numbers; the
// EdgeWidth, Size, Style and Name columns hold plain values or markers.
constexpr int kDefaults[kSkinDefaultRowCount][13] = {
    /* Caption */ {FACE, ACAP, FACE, FACE, FACE, E, HOT, ICAP, FACE, HOT, CAP, 1, -1},
    /* SmallCaption */ {FACE, ACAP, FACE, FACE, FACE, E, HOT, ICAP, FACE, HOT, SMALL, 0, -1},
    /* Footer */ {FACE, FACE, FACE, FACE, SHADOW, E, HOT, FACE, SHADOW, HOT, SMALL, 0, -1},
    /* Margin */ {FACE, WIN, FACE, WIN, FACE, E, WIN, WIN, FACE, WIN, FRAME, 0, -1},
    /* Splitter */ {S, S, S, S, FACE, E, S, S, FACE, S, FRAME, 0, -1},
    /* Button */ {FACE, CTEXT, FACE, FACE, FACE, E, HOT, ICTEXT, FACE, HOT, CAP_1, 1, -1},
    /* SmallButton */ {FACE, CTEXT, FACE, FACE, FACE, E, HOT, ICTEXT, FACE, HOT, SMALL, 0, -1},
    /* ToolButton */ {FACE, FACE, FACE, FACE, SHADOW, E, S, FACE, SHADOW, S, 24, 0, -1},
    /* ButtonBrush */ {FACE, FACE, FACE, FACE, SHADOW, E, S, FACE, SHADOW, S, -1, 1, -1},
    /* CaptionFont */ {FACE, CTEXT, GRAY, BTEXT, ACAP, 1, HOT, ICTEXT, ICAP, HOT, 8, 1, -1},
    /* SmallCaptionFont */ {FACE, CTEXT, GRAY, BTEXT, ACAP, 1, HOT, ICTEXT, ICAP, HOT, 8, 0, -1},
    /* FooterFont */ {FACE, BTEXT, GRAY, BTEXT, FACE, 1, HOT, BTEXT, FACE, HOT, 8, 0, -1},
    /* ToolButtonFont */ {FACE, MTEXT, GRAY, MTEXT, FACE, 1, HOT, GRAY, FACE, HOT, 8, 0, -1},
};

constexpr bool IsColorColumn(int param) noexcept { return param <= sdpInactiveHotColor && param != sdpEdgeWidth; }

int FontIndex(TDesktopFont element) noexcept { return static_cast<int>(element); }

}  // namespace

// --- TZebrinSkinManager ---

TZebrinSkinManager::TZebrinSkinManager(platform::TComponent* owner) : TComponent(owner) {
  if (g_current) throw ESkinManagerException("Another instance of ZebrinSkinManager component already exists");
  const auto imageList = [this](const char* name) {
    platform::TCustomImageList& list = platform::MakeComponent<platform::TCustomImageList>(*this);
    list.SetName(name);
    return &list;
  };
  m_buttonImages = imageList("ButtonImages");
  m_smallButtonImages = imageList("SmallButtonImages");
  m_arrowButtonImages = imageList("ArrowButtonImages");
  m_captionFont = std::make_unique<TZebrinSkinManagerFontAdapter>(this, this, TSkinDefaultRow::CaptionFont);
  m_smallCaptionFont = std::make_unique<TZebrinSkinManagerFontAdapter>(this, this, TSkinDefaultRow::SmallCaptionFont);
  m_footerFont = std::make_unique<TZebrinSkinManagerFontAdapter>(this, this, TSkinDefaultRow::FooterFont);
  m_toolButtonFont = std::make_unique<TZebrinSkinManagerToolButtonFontAdapter>(this, this);
  m_buttonBrush = std::make_unique<TZebrinSkinManagerButtonAdapter>(this, this, TSkinDefaultRow::ButtonBrush);
  m_button = std::make_unique<TZebrinSkinManagerButtonAdapter>(this, this, TSkinDefaultRow::Button);
  m_smallButton = std::make_unique<TZebrinSkinManagerButtonAdapter>(this, this, TSkinDefaultRow::SmallButton);
  m_toolButton = std::make_unique<TZebrinSkinManagerButtonAdapter>(this, this, TSkinDefaultRow::ToolButton);
  m_button->onChanged = [this] { UpdateButtonImages(false); };
  m_smallButton->onChanged = [this] { UpdateButtonImages(true); };
  m_caption = std::make_unique<TZebrinSkinManagerAdapter>(this, this, TSkinDefaultRow::Caption);
  m_smallCaption = std::make_unique<TZebrinSkinManagerAdapter>(this, this, TSkinDefaultRow::SmallCaption);
  m_footer = std::make_unique<TZebrinSkinManagerAdapter>(this, this, TSkinDefaultRow::Footer);
  m_margin = std::make_unique<TZebrinSkinManagerAdapter>(this, this, TSkinDefaultRow::Margin);
  m_splitter = std::make_unique<TZebrinSkinManagerSplitterAdapter>(this, this);
  m_theme = std::make_unique<TZebrinSkinTheme>(this);
  m_theme->onChange = [this] { ThemeChanged(); };
  m_hint = std::make_unique<TZebrinSkinHint>(this);
  m_mouse = std::make_unique<TZebrinSkinMouse>(this);
  SetAppTimerHandler(kHintTimerDelay, [this] { m_hint->DelayElapsed(); });
  SetAppTimerHandler(kHintTimerWatch, [this] { m_hint->Watch(); });
  SetAppTimerHandler(kHintTimerAutoHide, [this] { m_hint->AutoHideElapsed(); });
  SetAppTimerHandler(kMouseTimerHot, [this] { m_mouse->CheckHot(); });
  SetAppTimerHandler(kMouseTimerPressed, [this] { m_mouse->CheckPressed(); });
  UpdateSystemFonts();
  UpdateSystemBounds();
  UpdateSystemColors();
  m_desktopChanges = platform::CurrentDesktopService().Subscribe([this](platform::TDesktopChange change) {
    if (change == platform::TDesktopChange::Monitors) return;
    SystemSettingsChanged();
    if (change == platform::TDesktopChange::Colors && onSystemColorsChanged) onSystemColorsChanged();
  });
  g_current = this;
}

TZebrinSkinManager::~TZebrinSkinManager() {
  if (g_current == this) g_current = nullptr;
}

TZebrinSkinCustomAdapter& TZebrinSkinManager::AdapterOf(TSkinDefaultRow row) const {
  switch (row) {
    case TSkinDefaultRow::Caption: return *m_caption;
    case TSkinDefaultRow::SmallCaption: return *m_smallCaption;
    case TSkinDefaultRow::Footer: return *m_footer;
    case TSkinDefaultRow::Margin: return *m_margin;
    case TSkinDefaultRow::Splitter: return *m_splitter;
    case TSkinDefaultRow::Button: return *m_button;
    case TSkinDefaultRow::SmallButton: return *m_smallButton;
    case TSkinDefaultRow::ToolButton: return *m_toolButton;
    case TSkinDefaultRow::ButtonBrush: return *m_buttonBrush;
    case TSkinDefaultRow::CaptionFont: return *m_captionFont;
    case TSkinDefaultRow::SmallCaptionFont: return *m_smallCaptionFont;
    case TSkinDefaultRow::FooterFont: return *m_footerFont;
    case TSkinDefaultRow::ToolButtonFont: return *m_toolButtonFont;
  }
  return *m_caption;
}

int TZebrinSkinManager::DefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam param) const {
  if (param > sdpName) return -1;
  const int cell = kDefaults[static_cast<int>(row)][param];
  int value = cell;
  switch (cell) {
    case E: value = m_metrics.edgeMetric; break;
    case S: value = SizerColor(); break;
    case CAP: value = m_metrics.captionHeight; break;
    case SMALL: value = m_metrics.smallCaptionHeight; break;
    case CAP_1: value = m_metrics.captionHeight - 1; break;
    case FRAME: value = m_metrics.frameWidth; break;
    default:
      if (IsColorColumn(param)) value = platform::SystemColor(cell);
      break;
  }
  if (onDefaultParam) onDefaultParam(row, param, value);
  return value;
}

int TZebrinSkinManager::ElementDefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam param) const {
  const TZebrinSkinCustomAdapter& adapter = AdapterOf(row);
  if (param > sdpSize || !adapter.IsSet(param)) return DefaultParam(row, param);
  int value = adapter.GetParam(param);
  if (onDefaultParam) onDefaultParam(row, param, value);
  return value;
}

const TFont& TZebrinSkinManager::ElementDefaultFont(TSkinDefaultRow row) const {
  if (auto* font = dynamic_cast<TZebrinSkinCustomFontAdapter*>(&AdapterOf(row))) return font->Font();
  return DefaultFont(row);
}

const TFont& TZebrinSkinManager::ElementFont(TDesktopFont element) const { return m_fonts[FontIndex(element)]; }

const TFont& TZebrinSkinManager::DefaultFont(TSkinDefaultRow row) const {
  switch (row) {
    case TSkinDefaultRow::Caption:
    case TSkinDefaultRow::Button:
    case TSkinDefaultRow::CaptionFont: return ElementFont(TDesktopFont::Caption);
    case TSkinDefaultRow::SmallCaption:
    case TSkinDefaultRow::SmallButton:
    case TSkinDefaultRow::SmallCaptionFont: return ElementFont(TDesktopFont::SmallCaption);
    case TSkinDefaultRow::Footer:
    case TSkinDefaultRow::FooterFont: return ElementFont(TDesktopFont::Status);
    default: return ElementFont(TDesktopFont::Menu);
  }
}

void TZebrinSkinManager::UpdateSystemFonts() {
  const platform::IDesktopService& desktop = platform::CurrentDesktopService();
  const TDesktopFont elements[] = {TDesktopFont::Caption, TDesktopFont::SmallCaption, TDesktopFont::Status,
                                   TDesktopFont::Menu};
  const int colors[] = {platform::COLOR_CAPTIONTEXT, platform::COLOR_CAPTIONTEXT, platform::COLOR_BTNTEXT,
                        platform::COLOR_MENUTEXT};
  for (int i = 0; i < 4; ++i) {
    platform::TFontSpec spec = desktop.ElementFont(elements[i]);
    spec.name = platform::FontFamilyFor(spec.name, desktop.ElementFont(TDesktopFont::Menu).name);
    m_fonts[i].SetSpec(spec);
    m_fonts[i].SetColor(platform::SystemColor(colors[i]));
  }
  if (m_autoAdjust) {
    TFont& caption = m_fonts[0];
    TFont& small = m_fonts[1];
    if (small.Spec() == caption.Spec() && (small.Style() & platform::fsBold))
      small.SetStyle(small.Style() & ~platform::fsBold);
    m_fonts[2].SetStyle(m_fonts[2].Style() & ~platform::fsBold);
  }
}

void TZebrinSkinManager::UpdateSystemBounds() {
  const platform::IDesktopService& desktop = platform::CurrentDesktopService();
  const platform::TDesktopMetrics d = desktop.Metrics();
  TSkinMetrics m;
  m.captionHeight = d.captionHeight;
  m.smallCaptionHeight = d.smallCaptionHeight;
  m.frameWidth = d.frameWidth;
  m.edgeX = d.edge;
  m.edgeY = d.edge;
  m.frameInset = d.frameWidth - d.edge + 1;
  m.edgeMetric = d.frameWidth - d.dialogFrame;
  m.scrollWidth = d.scrollWidth;
  if (m_autoAdjust) {
    m.captionHeight = std::max(m.captionHeight, 18);
    if (m.captionHeight <= m.smallCaptionHeight) m.smallCaptionHeight = (m.captionHeight * 8 + 9) / 10;
    m.smallCaptionHeight = std::max(m.smallCaptionHeight, 15);
    m.edgeMetric = std::min(m.edgeMetric, 4);
    m.frameWidth = std::clamp(m.frameWidth, 4, 8);
    m.scrollWidth = std::max(m.scrollWidth, 13);
    if (m.scrollWidth >= 16) m.scrollWidth = (m.scrollWidth * 8 + 9) / 10;
  }
  m_metrics = m;
  // A delay set explicitly survives setting changes.
  if (!m_flashDelayStored) m_flashDelay = desktop.CaretBlinkTime() / 2;
  UpdateButtonImages(false);
  UpdateButtonImages(true);
  UpdateArrowImages();
}

void TZebrinSkinManager::UpdateButtonImages(bool small) {
  if (small)
    BuildButtonImages(*m_smallButtonImages, m_smallButton->Size());
  else
    BuildButtonImages(*m_buttonImages, m_button->Size());
}

void TZebrinSkinManager::UpdateArrowImages() {
  const int size = DropDownSize();
  BuildArrowImages(*m_arrowButtonImages, size < 8 ? m_metrics.scrollWidth : size);
}

const platform::TCustomImageList& TZebrinSkinManager::OptionImages() {
  static const std::unique_ptr<platform::TCustomImageList> images = [] {
    auto list = std::make_unique<platform::TCustomImageList>();
    BuildOptionImages(*list);
    return list;
  }();
  return *images;
}

void TZebrinSkinManager::UpdateSystemColors() {
  m_computedSizer = BlendColor(platform::ColorToRGB(platform::SystemColor(platform::COLOR_BTNFACE)),
                               platform::ColorToRGB(platform::SystemColor(platform::COLOR_BTNHIGHLIGHT)), 2, 5);
}

void TZebrinSkinManager::SystemSettingsChanged() {
  BeginUpdate();
  UpdateSystemFonts();
  UpdateSystemBounds();
  UpdateSystemColors();
  EndUpdate();
}

void TZebrinSkinManager::SetAppTimer(int id, std::uint32_t intervalMs) {
  if (isTerminating && isTerminating()) return;
  std::unique_ptr<platform::TimerSource>& timer = m_timers[id];
  if (!timer)
    timer = std::make_unique<platform::TimerSource>(platform::MainEventLoop(), intervalMs, [this, id] {
      const auto handler = m_timerHandlers.find(id);
      if (handler != m_timerHandlers.end() && handler->second) handler->second();
    });
  else
    timer->SetInterval(intervalMs);
  timer->Start();
}

void TZebrinSkinManager::KillAppTimer(int id) { m_timers.erase(id); }

bool TZebrinSkinManager::AppTimerActive(int id) const {
  const auto it = m_timers.find(id);
  return it != m_timers.end() && it->second->Active();
}

std::uint32_t TZebrinSkinManager::AppTimerInterval(int id) const {
  const auto it = m_timers.find(id);
  return it != m_timers.end() && it->second->Active() ? it->second->Interval() : 0;
}

void TZebrinSkinManager::SetAppTimerHandler(int id, std::function<void()> handler) {
  m_timerHandlers[id] = std::move(handler);
}

void TZebrinSkinManager::AddSkin(IManagedSkin& skin) {
  if (std::find(m_skins.begin(), m_skins.end(), &skin) == m_skins.end()) m_skins.push_back(&skin);
}

void TZebrinSkinManager::RemoveSkin(IManagedSkin& skin) {
  std::erase(m_skins, &skin);
  if (m_drag.target == &skin) m_drag.target = nullptr;
  if (m_drag.source == &skin) EndDrag();
}

// ---- Button drags between skins ----

bool TZebrinSkinManager::StartButtonDrag(platform::TCollectionItem& item, IManagedSkin& source) {
  EndDrag();
  auto* button = dynamic_cast<TZebrinSkinCustomButton*>(&item);
  TZebrinSkinCustomButtons* buttons = button ? button->Buttons() : nullptr;
  if (!buttons) return false;
  m_drag.source = &source;
  m_drag.button.Reset(&item);
  // The button painted on white (colour keys are not used), one pixel back
  // along the band when pressed buttons are drawn shifted.
  const TRect bounds = button->BoundsRect();
  m_drag.size = platform::TSize{std::max(1, bounds.Width()), std::max(1, bounds.Height())};
  TRect at{0, 0, m_drag.size.cx, m_drag.size.cy};
  if (buttons->DownShift()) {
    const int dx = buttons->Horizontal() ? 0 : -1, dy = buttons->Horizontal() ? -1 : 0;
    at = TRect{at.Left + dx, at.Top + dy, at.Right + dx, at.Bottom + dy};
  }
  platform::TArgbImage picture =
      RenderImage(m_drag.size.cx, m_drag.size.cy, platform::RGBColor(0xFF, 0xFF, 0xFF),
                  [&](platform::ICanvas& canvas) { buttons->PaintButton(canvas, button->Index(), at); });
  m_drag.indicator = CurrentSkinPopupFactory().CreateDragIndicator();
  m_drag.indicator->SetImage(std::move(picture));
  m_dragFlag = true;
  return true;
}

void TZebrinSkinManager::DropButton(platform::TPoint screen) {
  if (!IsDragging()) return;
  m_drag.following = true;
  MoveDrag(screen);
}

IManagedSkin* TZebrinSkinManager::SkinAtScreenPoint(platform::TPoint screen) const {
  for (auto it = m_skins.rbegin(); it != m_skins.rend(); ++it)
    if ((*it)->ContainsScreenPoint(screen)) return *it;
  return nullptr;
}

void TZebrinSkinManager::MoveDrag(platform::TPoint screen) {
  if (!IsDragging() || !m_drag.following) return;
  platform::TCollectionItem* button = m_drag.button.Get();
  if (!button) {
    EndDrag();
    return;
  }
  if (m_drag.indicator) {
    const TRect at{screen.X, screen.Y, screen.X + m_drag.size.cx, screen.Y + m_drag.size.cy};
    if (!m_drag.indicator->Visible() || m_drag.indicator->Bounds() != at) m_drag.indicator->ShowAt(at);
  }
  IManagedSkin* target = SkinAtScreenPoint(screen);
  if (target != m_drag.target) {
    if (IManagedSkin* old = m_drag.target) {
      m_drag.target = nullptr;
      old->ButtonDragOver(*button, screen, dsDragLeave);
      if (!IsDragging() || !m_drag.button.Get()) return;
    }
    m_drag.target = target;
    m_drag.accepted = target && target->ButtonDragOver(*button, screen, dsDragEnter);
  } else if (target) {
    m_drag.accepted = target->ButtonDragOver(*button, screen, dsDragMove);
  }
}

void TZebrinSkinManager::EndButtonDrag(platform::TPoint screen) {
  if (!IsDragging()) return;
  MoveDrag(screen);
  if (!IsDragging()) return;
  // A skin that goes in a handler leaves the drag (RemoveSkin): the source
  // ends it, the target is forgotten.
  if (m_drag.accepted && m_drag.target) {
    if (platform::TCollectionItem* button = m_drag.button.Get()) {
      m_drag.target->ButtonDragDrop(*button, screen);
      if (!IsDragging()) return;
      // The dropped button leaves its old collection.
      if (platform::TCollectionItem* still = m_drag.button.Get())
        if (platform::TCollection* old = still->Collection()) old->Delete(still->Index());
      if (!IsDragging()) return;
    }
  } else {
    m_drag.target = nullptr;
  }
  IManagedSkin* source = m_drag.source;
  IManagedSkin* target = m_drag.target;
  EndDrag();
  source->ButtonDragEnd(target, screen);
}

void TZebrinSkinManager::EndDrag() {
  m_drag.source = nullptr;
  m_drag.target = nullptr;
  m_drag.button.Reset();
  m_drag.accepted = false;
  m_drag.following = false;
  m_drag.indicator.reset();
  m_dragFlag = false;
}

IManagedSkin* TZebrinSkinManager::FindSkin(const platform::TComponent* control) const {
  if (!control) return nullptr;
  for (IManagedSkin* skin : m_skins)
    if (skin->SkinControl() == control) return skin;
  return nullptr;
}

void TZebrinSkinManager::CheckNotSkinned(const platform::TComponent& control) const {
  const IManagedSkin* skin = FindSkin(&control);
  if (!skin) return;
  const platform::TComponent& component = skin->SkinComponent();
  std::string name = component.Name();
  if (const platform::TComponent* owner = component.Owner()) name = owner->Name() + "." + name;
  throw ESkinException(control.Name() + " already skinned by " + name);
}

void TZebrinSkinManager::EndUpdate() {
  if (m_updateCount == 0) return;
  if (--m_updateCount > 0) return;
  UpdateSkins();
  if (std::exchange(m_themeChangePending, false) && onLoadSkin) onLoadSkin();
}

void TZebrinSkinManager::ThemeChanged() {
  if (m_updateCount > 0) {
    m_themeChangePending = true;
    return;
  }
  UpdateSkins();
  if (onLoadSkin) onLoadSkin();
}

void TZebrinSkinManager::UpdateSkins() {
  if (m_updateCount > 0) return;
  // A skin may leave the list while others are told; it is then skipped.
  const std::vector<IManagedSkin*> skins = m_skins;
  for (IManagedSkin* skin : skins)
    if (std::find(m_skins.begin(), m_skins.end(), skin) != m_skins.end()) skin->SkinChanged();
  if (onUpdateSkins) onUpdateSkins();
}

void TZebrinSkinManager::SetSkinFolders(std::string projectFolder, std::string applicationFolder) {
  m_projectFolder = std::move(projectFolder);
  m_applicationFolder = std::move(applicationFolder);
}

void TZebrinSkinManager::LoadFromFile(const std::string& fileName) {
  LoadSkinFile(*this, fileName, {m_projectFolder, m_applicationFolder, onLog});
}

void TZebrinSkinManager::ApplyApplicationColor(TColor color) {
  BeginUpdate();
  m_margin->SetColor(color);
  m_buttonBrush->SetColor(color);
  EndUpdate();
}

void TZebrinSkinManager::ApplicationActivated(bool active) {
  if (m_applicationActive == active) return;
  m_applicationActive = active;
  UpdateSkins();
}

void TZebrinSkinManager::MainFormMinimized(bool minimized) {
  if (m_mainFormMinimized == minimized) return;
  m_mainFormMinimized = minimized;
  UpdateSkins();
}

void TZebrinSkinManager::SetAutoAdjust(bool value) {
  if (m_autoAdjust == value) return;
  m_autoAdjust = value;
  SystemSettingsChanged();
}

int TZebrinSkinManager::DropDownSize() const noexcept {
  if (m_dropDownSize >= 8) return m_dropDownSize;
  const int t = (m_metrics.scrollWidth - 1) * 2 / 3;
  return std::max(t, 6);
}

void TZebrinSkinManager::SetDropDownSize(int value) {
  value = std::clamp(value, 0, 32);
  if (m_dropDownSize == value) return;
  m_dropDownSize = value;
  UpdateArrowImages();
  UpdateSkins();
}

void TZebrinSkinManager::SetFlashDelay(int value) {
  m_flashDelay = value;
  m_flashDelayStored = true;
}

void TZebrinSkinManager::SetSizerColor(TColor value) {
  if (m_sizerColor == value) return;
  m_sizerColor = value;
  UpdateSkins();
}

bool TZebrinSkinManager::Default() const {
  for (int r = 0; r < kSkinDefaultRowCount; ++r)
    if (!AdapterOf(static_cast<TSkinDefaultRow>(r)).Default()) return false;
  return m_hint->Default();
}

void TZebrinSkinManager::SetDefault(bool value) {
  if (!value) return;
  BeginUpdate();
  for (int r = 0; r < kSkinDefaultRowCount; ++r) AdapterOf(static_cast<TSkinDefaultRow>(r)).SetDefault(true);
  m_hint->SetDefault(true);
  EndUpdate();
}

TZebrinSkinManager* SkinManager() noexcept { return g_current; }

void SkinAbort() { throw ESkinAbort("Skin operation aborted"); }

namespace {
TSkinManagerCreator& Creator() {
  static TSkinManagerCreator creator;
  return creator;
}
}  // namespace

void SetSkinManagerCreator(TSkinManagerCreator creator) { Creator() = std::move(creator); }

TZebrinSkinManager& CreateSkinManager() {
  if (g_current) return *g_current;
  if (Creator())
    if (TZebrinSkinManager* made = Creator()()) return *made;
  Created() = std::make_unique<TZebrinSkinManager>();
  return *g_current;
}

void FreeSkinManager() { Created().reset(); }

TSkinPopupFlagScope::TSkinPopupFlagScope() : m_manager(SkinManager()) {
  if (TZebrinSkinManager* manager = m_manager.Get()) {
    m_previous = manager->DragFlag();
    manager->SetDragFlag(true);
  }
}

TSkinPopupFlagScope::~TSkinPopupFlagScope() {
  if (TZebrinSkinManager* manager = m_manager.Get()) manager->SetDragFlag(m_previous);
}

// --- published members ---

using M = TZebrinSkinManager;

HALBRIN_DEFINE_CLASS(TZebrinSkinManager,
                     .Property("CaptionFont", &M::CaptionFont)
                     .Property("SmallCaptionFont", &M::SmallCaptionFont)
                     .Property("FooterFont", &M::FooterFont)
                     .Property("ToolButtonFont", &M::ToolButtonFont)
                     .Property("ButtonBrush", &M::ButtonBrush)
                     .Property("Caption", &M::Caption)
                     .Property("SmallCaption", &M::SmallCaption)
                     .Property("Footer", &M::Footer)
                     .Property("Splitter", &M::Splitter)
                     .Property("Margin", &M::Margin)
                     .Property("Button", &M::Button)
                     .Property("SmallButton", &M::SmallButton)
                     .Property("ToolButton", &M::ToolButton)
                     .Property("Theme", &M::Theme)
                     .Property("Hint", &M::Hint)
                     .Property("AutoAdjust", &M::AutoAdjust, &M::SetAutoAdjust)
                     .Default(true)
                     .Property("DropDownSize", &M::DropDownSize, &M::SetDropDownSize)
                     .Property("FlashDelay", &M::FlashDelay, &M::SetFlashDelay)
                     .Property("SizerColor", &M::SizerColor, &M::SetSizerColor)
                     .TypeName("TColor")
                     .Property("StretchForms", &M::StretchForms, &M::SetStretchForms)
                     .Default(true)
                     .Property("StretchClasses", &M::StretchClasses, &M::SetStretchClasses)
                     .Property("Default", &M::Default, &M::SetDefault)
                     .Stored(false)
                     .Method("loadFromFile", &M::LoadFromFile, {"fileName"}))

// ---- Stretching our own dialogs ----

namespace {

// A new form skin on `form` when its class is one of StretchClasses and it has none.
TZebrinFormSkin* MakeStretchedSkin(TZebrinSkinManager& manager, platform::TWinControl& form) {
  if (form.IsDestroying() || form.IsFreePending() || manager.FindSkin(&form)) return nullptr;
  const std::string_view className = form.ClassName();
  if (className.empty() || manager.StretchClasses().find(className) == std::string::npos) return nullptr;
  auto& skin = platform::MakeComponent<TZebrinFormSkin>(form);
  skin.SetStretched(true);
  skin.Caption()->SetDefaultText(true);
  skin.Caption()->Add();
  skin.SetForm(&form);
  bool accept = true;
  if (manager.onStretchSkin) manager.onStretchSkin(skin, accept);
  if (accept) return &skin;
  platform::TComponent::Free(skin);
  return nullptr;
}

}  // namespace

TZebrinFormSkin* TZebrinSkinManager::StretchSkin(platform::TWinControl& form) {
  TZebrinFormSkin* skin = MakeStretchedSkin(*this, form);
  if (skin) skin->SetEnabled(true);
  return skin;
}

TZebrinFormSkin* TZebrinSkinManager::StretchSkinTracked(platform::TWinControl& form) {
  if (auto* existing = dynamic_cast<TZebrinFormSkin*>(FindSkin(&form))) return existing;
  TZebrinFormSkin* skin = MakeStretchedSkin(*this, form);
  if (!skin) return nullptr;
  // Enabled when the form is first activated; the observer then leaves.
  auto token = std::make_shared<platform::ObserverToken>(0);
  platform::TWeakRef<TZebrinFormSkin> weak(skin);
  platform::TWeakRef<TZebrinSkinManager> self(this);
  *token = form.AddObserver([token, weak, self](platform::TControl& control, platform::ControlEvent event) {
    if (event != platform::ControlEvent::Activated) return;
    control.RemoveObserver(*token);
    if (TZebrinFormSkin* still = weak.Get(); still && self) self->FormActivated(*still);
  });
  return skin;
}

void TZebrinSkinManager::FormActivated(TZebrinFormSkin& skin) {
  if (!skin.Enabled()) skin.SetEnabled(true);
  // Enabled while the form is already active: the skin draws it active.
  if (skin.Control() && skin.Control()->Active()) skin.SetActive(true);
}

}  // namespace halbrin::skins
