#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/exception.h"
#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/controls/win_control.h"
#include "platform/eventloop/timer_source.h"
#include "platform/graphics/font.h"
#include "platform/graphics/image_list.h"
#include "platform/services/desktop_service.h"
#include "skins/core/adapters.h"
#include "skins/core/skin_hint.h"
#include "skins/core/skin_mouse.h"
#include "skins/core/skin_theme.h"

namespace halbrin::skins {

HALBRIN_EXCEPTION(ESkinException, platform::Exception);
HALBRIN_EXCEPTION(ESkinManagerException, ESkinException);
HALBRIN_EXCEPTION(ESubSkinException, ESkinException);
HALBRIN_EXCEPTION(ESkinAbort, platform::EAbort);

enum TDragState : std::uint8_t { dsDragEnter, dsDragLeave, dsDragMove };

// What the manager needs of a skin in its list.
class IManagedSkin {
 public:
  virtual ~IManagedSkin() = default;
  // The skin as a component (its name and owner name it in messages).
  virtual const platform::TComponent& SkinComponent() const = 0;
  // The control the skin is on, or null.
  virtual const platform::TComponent* SkinControl() const = 0;
  // The skins' shared settings changed: re-read them and repaint.
  virtual void SkinChanged() = 0;

  // Button drags between skins. The screen point lies on this skin's window.
  virtual bool ContainsScreenPoint(platform::TPoint screen) const {
    (void)screen;
    return false;
  }
  // A button dragged from another skin (or this one) is over the point: may it drop?
  virtual bool ButtonDragOver(platform::TObject& button, platform::TPoint screen, TDragState state) {
    (void)button, (void)screen, (void)state;
    return false;
  }
  // It was dropped there, after ButtonDragOver accepted it.
  virtual void ButtonDragDrop(platform::TObject& button, platform::TPoint screen) { (void)button, (void)screen; }
  // The drag of a button of this skin ended; `target` is the skin that took it, or null.
  virtual void ButtonDragEnd(IManagedSkin* target, platform::TPoint screen) { (void)target, (void)screen; }
};

class ISkinDragIndicator;
class TZebrinFormSkin;

// Raises ESkinAbort "Skin operation aborted".
[[noreturn]] void SkinAbort();

// Window-part sizes after adjustment, in pixels.
struct TSkinMetrics {
  int captionHeight = 0;
  int smallCaptionHeight = 0;
  int frameWidth = 0;
  int frameInset = 0;
  int edgeX = 0;
  int edgeY = 0;
  int edgeMetric = 0;
  int scrollWidth = 0;
};

// The process's skin manager: the system metrics and element fonts read from
// the desktop service, the default values of every adapter, the manager's
// own adapters and the update bracket all skins are repainted through.
class TZebrinSkinManager : public platform::TComponent, public ISkinDefaults {
  HALBRIN_CLASS(TZebrinSkinManager, platform::TComponent)

  // Raises ESkinManagerException when another manager exists.
  explicit TZebrinSkinManager(platform::TComponent* owner = nullptr);
  ~TZebrinSkinManager() override;

  // Defaults of the manager's own adapters: the row of the table, the desktop's fonts.
  int DefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam param) const override;
  const platform::TFont& DefaultFont(TSkinDefaultRow row) const override;
  // Defaults of the skins' adapters: the manager's adapter of the row, so a
  // value set there (by a skin file, a script) reaches every band, item and
  // button that leaves it unset; onDefaultParam has the last word either way.
  int ElementDefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam param) const override;
  const platform::TFont& ElementDefaultFont(TSkinDefaultRow row) const override;
  void BeginUpdate() override { ++m_updateCount; }
  void EndUpdate() override;
  void ApplySettings() override { UpdateSkins(); }
  // Overrides of single defaults: (row, param, value).
  std::function<void(TSkinDefaultRow, TZebrinSkinDefinedParam, int&)> onDefaultParam;

  const platform::TFont& ElementFont(platform::TDesktopFont element) const;
  const TSkinMetrics& Metrics() const noexcept { return m_metrics; }

  // Re-read from the desktop service; a system-colour or setting change calls these.
  void UpdateSystemFonts();
  void UpdateSystemBounds();
  void UpdateSystemColors();
  // The desktop's colours or settings changed: everything is read again and the skins updated.
  void SystemSettingsChanged();
  // Told after the desktop's colours changed and the manager re-read them.
  std::function<void()> onSystemColorsChanged;

  // Application timers by number, one at a time per number; each tick runs
  // the handler set for its number (the hint engine's, the tracker's...).
  // Nothing is armed while isTerminating answers true.
  void SetAppTimer(int id, std::uint32_t intervalMs);
  void KillAppTimer(int id);
  bool AppTimerActive(int id) const;
  // The period an active timer runs with; 0 when not active.
  std::uint32_t AppTimerInterval(int id) const;
  void SetAppTimerHandler(int id, std::function<void()> handler);
  std::function<bool()> isTerminating;

  // The live skins in registration order.
  void AddSkin(IManagedSkin& skin);
  void RemoveSkin(IManagedSkin& skin);
  int SkinCount() const noexcept { return static_cast<int>(m_skins.size()); }
  IManagedSkin& Skins(int index) const { return *m_skins.at(static_cast<std::size_t>(index)); }
  // The first skin on the control; null for null or none.
  IManagedSkin* FindSkin(const platform::TComponent* control) const;
  // Raises ESkinException "<control> already skinned by <skin>" when a skin is on the control.
  void CheckNotSkinned(const platform::TComponent& control) const;

  // Button drags between skins. StartButtonDrag makes the drag picture for a
  // skin button of `source` (false, and no drag, for any other item); DropButton shows it at the
  // point, and from then on the source passes the pointer on: MoveDrag asks
  // the skin under the point (ButtonDragOver), EndButtonDrag drops the
  // button on the skin that accepted it (ButtonDragDrop, then the button
  // leaves its collection) and tells the source (ButtonDragEnd).
  bool StartButtonDrag(platform::TCollectionItem& button, IManagedSkin& source);
  void DropButton(platform::TPoint screen);
  void MoveDrag(platform::TPoint screen);
  void EndButtonDrag(platform::TPoint screen);
  // A drag started and has not ended.
  bool IsDragging() const noexcept { return m_drag.source != nullptr; }
  // The skin a drag started from; null when none.
  IManagedSkin* DragSource() const noexcept { return m_drag.source; }
  // Frees the drag picture and forgets the drag.
  void EndDrag();
  ISkinDragIndicator* DragIndicator() const noexcept { return m_drag.indicator.get(); }
  // While set, skins ignore activation changes (a window switch in progress).
  bool ActivationFrozen() const noexcept { return m_activationFrozen; }
  void SetActivationFrozen(bool value) noexcept { m_activationFrozen = value; }
  // Set while a system menu, a popup menu of a skin or a button drag holds
  // the mouse (see TSkinPopupFlagScope).
  bool DragFlag() const noexcept { return m_dragFlag; }
  void SetDragFlag(bool value) noexcept { m_dragFlag = value; }

  // Tells every skin in list order, or waits for the outermost EndUpdate.
  void UpdateSkins();
  // Told whenever the skins are updated.
  std::function<void()> onUpdateSkins;
  int UpdateCount() const noexcept { return m_updateCount; }

  // The application's colour: the margins' and the window buttons' background, in one update.
  void ApplyApplicationColor(TColor color);
  // The application became active or inactive; its main form was minimised or restored.
  void ApplicationActivated(bool active);
  void MainFormMinimized(bool minimized);
  bool ApplicationActive() const noexcept { return m_applicationActive; }
  bool MainFormIsMinimized() const noexcept { return m_mainFormMinimized; }

  // Skin files: relative names are taken from the project folder; files must
  // lie in the project or the application folder. Theme libraries come from
  // the `skins` folders of both (and from the folder of the skin file read).
  void SetSkinFolders(std::string projectFolder, std::string applicationFolder);
  const std::string& ProjectFolder() const noexcept { return m_projectFolder; }
  const std::string& ApplicationFolder() const noexcept { return m_applicationFolder; }
  void LoadFromFile(const std::string& fileName);
  // Where a load reports the elements it skipped; the skin log when unset.
  std::function<void(const std::string&)> onLog;

  // The folder of the skin file being read; empty outside a load.
  const std::string& LoadingSkinFolder() const noexcept { return m_loadingSkinFolder; }
  // Holds the folder of the skin file being read for its lifetime.
  class TLoadingSkinFolder {
   public:
    TLoadingSkinFolder(TZebrinSkinManager& manager, std::string folder)
        : m_manager(manager), m_previous(std::exchange(manager.m_loadingSkinFolder, std::move(folder))) {}
    ~TLoadingSkinFolder() { m_manager.m_loadingSkinFolder = std::move(m_previous); }
    TLoadingSkinFolder(const TLoadingSkinFolder&) = delete;
    TLoadingSkinFolder& operator=(const TLoadingSkinFolder&) = delete;

   private:
    TZebrinSkinManager& m_manager;
    std::string m_previous;
  };

  // The theme loaded or unloaded a library: the skins are repainted and,
  // after the current update, onLoadSkin is told once.
  void ThemeChanged();
  std::function<void()> onLoadSkin;

  // Published values.
  bool AutoAdjust() const noexcept { return m_autoAdjust; }
  void SetAutoAdjust(bool value);
  int DropDownSize() const noexcept;
  void SetDropDownSize(int value);
  int FlashDelay() const noexcept { return m_flashDelay; }
  void SetFlashDelay(int value);
  TColor SizerColor() const noexcept { return m_sizerColor == platform::clDefault ? m_computedSizer : m_sizerColor; }
  void SetSizerColor(TColor value);
  bool StretchForms() const noexcept { return m_stretchForms; }
  void SetStretchForms(bool value) { m_stretchForms = value; }
  const std::string& StretchClasses() const noexcept { return m_stretchClasses; }
  void SetStretchClasses(const std::string& value) { m_stretchClasses = value; }
  bool Default() const;
  void SetDefault(bool value);

  // Our own forms whose class name occurs (letter case kept) in
  // StretchClasses and that have no skin get a form skin owned by the form,
  // its caption's DefaultText on with one band; onStretchSkin may refuse it
  // (the skin is freed). StretchSkin enables it at once; StretchSkinTracked
  // answers a skin already on the form, and enables a new one when the form
  // is first activated (FormActivated). Null when no skin results.
  TZebrinFormSkin* StretchSkin(platform::TWinControl& form);
  TZebrinFormSkin* StretchSkinTracked(platform::TWinControl& form);
  void FormActivated(TZebrinFormSkin& skin);
  // (Skin, var Accept): Accept starts true.
  std::function<void(TZebrinFormSkin&, bool&)> onStretchSkin;

  TZebrinSkinManagerFontAdapter* CaptionFont() const { return m_captionFont.get(); }
  TZebrinSkinManagerFontAdapter* SmallCaptionFont() const { return m_smallCaptionFont.get(); }
  TZebrinSkinManagerFontAdapter* FooterFont() const { return m_footerFont.get(); }
  TZebrinSkinManagerToolButtonFontAdapter* ToolButtonFont() const { return m_toolButtonFont.get(); }
  TZebrinSkinManagerButtonAdapter* ButtonBrush() const { return m_buttonBrush.get(); }
  TZebrinSkinManagerButtonAdapter* Button() const { return m_button.get(); }
  TZebrinSkinManagerButtonAdapter* SmallButton() const { return m_smallButton.get(); }
  TZebrinSkinManagerButtonAdapter* ToolButton() const { return m_toolButton.get(); }
  TZebrinSkinManagerAdapter* Caption() const { return m_caption.get(); }
  TZebrinSkinManagerAdapter* SmallCaption() const { return m_smallCaption.get(); }
  TZebrinSkinManagerAdapter* Footer() const { return m_footer.get(); }
  TZebrinSkinManagerAdapter* Margin() const { return m_margin.get(); }
  TZebrinSkinManagerSplitterAdapter* Splitter() const { return m_splitter.get(); }
  TZebrinSkinTheme* Theme() const { return m_theme.get(); }
  TZebrinSkinHint* Hint() const { return m_hint.get(); }
  TZebrinSkinMouse* Mouse() const { return m_mouse.get(); }
  // (Item, var Text): the last word on a skin element's hint text.
  std::function<void(platform::TObject*, std::string&)> onGetItemHint;
  // The screen cursor is the default one (the application set none of its
  // own); elements set their cursors only then. Unset: true.
  std::function<bool()> isScreenCursorDefault;
  bool ScreenCursorIsDefault() const { return !isScreenCursorDefault || isScreenCursorDefault(); }

  // The window-button glyphs (TZebrinSkinButtonStyle order) at the Button and
  // SmallButton sizes, and the four drop-down arrows; owned sub-components.
  platform::TCustomImageList* ButtonImages() const noexcept { return m_buttonImages; }
  platform::TCustomImageList* SmallButtonImages() const noexcept { return m_smallButtonImages; }
  platform::TCustomImageList* ArrowButtonImages() const noexcept { return m_arrowButtonImages; }
  // Draws the glyphs again at the adapters' sizes; arrows at DropDownSize, or
  // at ScrollWidth when DropDownSize is below 8.
  void UpdateButtonImages(bool small);
  void UpdateArrowImages();
  // The check box, option and expand box masks, made once per process.
  static const platform::TCustomImageList& OptionImages();
  // The images items name by index when they have no list of their own (the
  // application's `images`); not owned, and nullptr once that list is freed.
  platform::TCustomImageList* ImageList() const { return m_imageList.Get(); }
  void SetImageList(platform::TCustomImageList* images) { m_imageList.Reset(images); }

 private:
  TZebrinSkinCustomAdapter& AdapterOf(TSkinDefaultRow row) const;

  TSkinMetrics m_metrics;
  std::array<platform::TFont, 4> m_fonts;
  bool m_autoAdjust = true;
  int m_dropDownSize = 0;
  int m_flashDelay = 0;
  bool m_flashDelayStored = false;
  TColor m_sizerColor = platform::clDefault;
  TColor m_computedSizer = platform::clDefault;
  bool m_stretchForms = true;
  std::string m_stretchClasses = "TMessageForm";
  int m_updateCount = 0;
  std::map<int, std::unique_ptr<platform::TimerSource>> m_timers;
  std::map<int, std::function<void()>> m_timerHandlers;
  std::vector<IManagedSkin*> m_skins;
  struct TButtonDrag {
    IManagedSkin* source = nullptr;
    platform::TWeakRef<platform::TCollectionItem> button;
    IManagedSkin* target = nullptr;
    bool accepted = false;
    bool following = false;
    platform::TSize size;  // of the picture
    std::unique_ptr<ISkinDragIndicator> indicator;
  };
  // The target under the point: the last registered skin whose window holds it.
  IManagedSkin* SkinAtScreenPoint(platform::TPoint screen) const;
  TButtonDrag m_drag;
  bool m_dragFlag = false;
  bool m_activationFrozen = false;
  platform::TDesktopSubscription m_desktopChanges;
  std::string m_projectFolder;
  std::string m_applicationFolder;
  std::string m_loadingSkinFolder;
  bool m_themeChangePending = false;
  bool m_applicationActive = true;
  bool m_mainFormMinimized = false;

  std::unique_ptr<TZebrinSkinManagerFontAdapter> m_captionFont, m_smallCaptionFont, m_footerFont;
  std::unique_ptr<TZebrinSkinManagerToolButtonFontAdapter> m_toolButtonFont;
  std::unique_ptr<TZebrinSkinManagerButtonAdapter> m_buttonBrush, m_button, m_smallButton, m_toolButton;
  std::unique_ptr<TZebrinSkinManagerAdapter> m_caption, m_smallCaption, m_footer, m_margin;
  std::unique_ptr<TZebrinSkinManagerSplitterAdapter> m_splitter;
  std::unique_ptr<TZebrinSkinTheme> m_theme;
  std::unique_ptr<TZebrinSkinHint> m_hint;
  std::unique_ptr<TZebrinSkinMouse> m_mouse;
  // Owned through the component list.
  platform::TCustomImageList* m_buttonImages = nullptr;
  platform::TCustomImageList* m_smallButtonImages = nullptr;
  platform::TCustomImageList* m_arrowButtonImages = nullptr;
  platform::TWeakRef<platform::TCustomImageList> m_imageList;
};

// The process's manager, or null.
TZebrinSkinManager* SkinManager() noexcept;
// How CreateSkinManager makes the manager (the program has the application
// own it); a creator answering null, or none, makes an unowned one.
using TSkinManagerCreator = std::function<TZebrinSkinManager*()>;
void SetSkinManagerCreator(TSkinManagerCreator creator);
// Makes the process's manager when there is none; answers it.
TZebrinSkinManager& CreateSkinManager();
void FreeSkinManager();

// Raises the process manager's drag flag for its life (while a skin's menu is
// open) and then puts back the value it found, unless that manager went.
class TSkinPopupFlagScope {
 public:
  TSkinPopupFlagScope();
  ~TSkinPopupFlagScope();
  TSkinPopupFlagScope(const TSkinPopupFlagScope&) = delete;
  TSkinPopupFlagScope& operator=(const TSkinPopupFlagScope&) = delete;

 private:
  platform::TWeakRef<TZebrinSkinManager> m_manager;
  bool m_previous = false;
};

}  // namespace halbrin::skins
