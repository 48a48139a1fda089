#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/controls/win_control.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

class IdleSource;
class TModalLoop;

enum TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle : std::uint8_t { fsNormal, fsStayOnTop };
enum TPosition : std::uint8_t { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TCloseAction : std::uint8_t { caNone, caHide, caFree, caMinimize };

const TEnumInfo& FormBorderStyleInfo();
const TEnumInfo& FormStyleInfo();
const TEnumInfo& PositionInfo();
const TEnumInfo& WindowStateInfo();

// Modal results.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;

// (Sender, var action)
using TCloseEvent = TEvent<TObject*, TCloseAction&>;
// (Sender, var canClose)
using TCloseQueryEvent = TEvent<TObject*, bool&>;
// (command, data, var callHelp, var result): the help asked for, as the
// class library's help event has it (no Sender).
using THelpEvent = TEvent<std::uint16_t, std::int32_t, bool&, bool&>;

// The help command F1 asks with (the data is the form's HelpContext).
inline constexpr std::uint16_t kHelpContext = 1;

// The class library's form, display-free: a top-level TWinControl with a
// border style, stay-on-top style, first-show position, window state,
// close protocol (OnCloseQuery, then OnClose with its action), a modal loop,
// deferred release, key preview, help, icon and alpha blending. Every form
// is in the screen's list (Screen()) from construction to destruction.
class TForm : public TWinControl {
  HALBRIN_CLASS(TForm, TWinControl)

  explicit TForm(TComponent* owner = nullptr);
  // A form whose handlers know the most derived class calls DoDestroy first
  // in its own destructor; otherwise OnDestroy fires here.
  ~TForm() override;

  const std::string& Caption() const noexcept { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  void SetClientWidth(int width);
  void SetClientHeight(int height);

  TFormBorderStyle BorderStyle() const noexcept { return m_borderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  TFormStyle FormStyle() const noexcept { return m_formStyle; }
  void SetFormStyle(TFormStyle style);
  // poScreenCenter centres the form on its first show (see ShowingChanged).
  TPosition Position() const noexcept { return m_position; }
  void SetPosition(TPosition position) { m_position = position; }
  TWindowState WindowState() const noexcept { return m_windowState; }
  void SetWindowState(TWindowState state);

  bool KeyPreview() const noexcept { return m_keyPreview; }
  void SetKeyPreview(bool value) noexcept { m_keyPreview = value; }
  std::int32_t HelpContext() const noexcept { return m_helpContext; }
  void SetHelpContext(std::int32_t value) noexcept { m_helpContext = value; }

  // The window's icon; none by default.
  const TArgbImage* Icon() const noexcept { return m_icon ? &*m_icon : nullptr; }
  void SetIcon(const TArgbImage* icon);

  // The window's opacity is AlphaBlendValue while AlphaBlend is on, else 255.
  bool AlphaBlend() const noexcept { return m_alphaBlend; }
  void SetAlphaBlend(bool value);
  std::uint8_t AlphaBlendValue() const noexcept { return m_alphaBlendValue; }
  void SetAlphaBlendValue(int value);

  // Another top-level this one stays above (a floating form's main form);
  // null for none. Forgotten when that one goes.
  TWinControl* TransientFor() const noexcept { return m_transientFor.Get(); }
  void SetTransientFor(TWinControl* owner);
  // Never takes the activation (a floating tool window).
  bool NeverActivate() const noexcept { return m_neverActivate; }
  void SetNeverActivate(bool value);
  // Off the screen without changing Visible, and back (see IControlBackend::SetWithdrawn).
  bool Withdrawn() const noexcept { return m_withdrawn; }
  void SetWithdrawn(bool withdrawn);
  // Top of the stacking order without taking the activation.
  void RaiseWithoutActivating();
  // Raises the window and gives it the activation.
  void Present();
  // The window system's id of the window; 0 without one.
  std::uint64_t NativeWindowId() const;

  // Makes the form visible and brings it to the front.
  void ShowForm();

  // --- Closing ---
  // OnCloseQuery; then, when it may close, OnClose with caHide (the handler
  // may change it), and the action: hide, minimise, release, or nothing.
  // During ShowModal it only sets ModalResult to mrCancel (the modal loop
  // closes the form). A close of the screen's main form with an action other
  // than caNone tells TScreen's main-form hook.
  void Close();
  // OnCloseQuery's answer (true without a handler).
  virtual bool CloseQuery();
  // Frees the form at the next idle moment, through TComponent::Free (which
  // waits while a handler of it runs). Asking again changes nothing.
  void Release();
  bool ReleasePending() const noexcept { return m_release != nullptr; }

  // --- Modal ---
  // Shows the form and runs a modal loop until ModalResult is set to a
  // value other than mrNone (then the close protocol runs; caNone keeps the
  // loop going) or the application ends every modal loop (EndModalLoops:
  // the result becomes that loop's, mrCancel when the application
  // terminates). Then hides the form and returns ModalResult. Raises
  // EInvalidOperation "Cannot make a visible window modal" for a visible form.
  TModalResult ShowModal();
  bool Modal() const noexcept { return m_modalDepth > 0; }
  TModalResult ModalResult() const noexcept { return m_modalResult; }
  void SetModalResult(TModalResult result);

  // --- Notifications ---
  // Fires OnCreate; whoever makes the form calls it once its declaration is applied.
  void DoCreate();
  // Fires OnDestroy once.
  void DoDestroy();
  // The activation notification: makes the form the screen's active one and fires OnActivate.
  virtual void Activate();
  virtual void Deactivate();

  TNotifyEvent& OnShow() noexcept { return m_onShow; }
  TNotifyEvent& OnHide() noexcept { return m_onHide; }
  TNotifyEvent& OnActivate() noexcept { return m_onActivate; }
  TNotifyEvent& OnDeactivate() noexcept { return m_onDeactivate; }
  TNotifyEvent& OnCreate() noexcept { return m_onCreate; }
  TNotifyEvent& OnDestroy() noexcept { return m_onDestroy; }
  TNotifyEvent& OnResize() noexcept { return m_onResize; }
  TCloseEvent& OnClose() noexcept { return m_onClose; }
  TCloseQueryEvent& OnCloseQuery() noexcept { return m_onCloseQuery; }
  THelpEvent& OnHelp() noexcept { return m_onHelp; }

  // Asks for help: OnHelp with the command and data; true when a handler
  // said it handled it.
  bool DoHelp(std::uint16_t command, std::int32_t data);

  // --- Told by the backend ---
  void WindowCloseRequested() override;
  void WindowStateChanged(TWindowState state) override;

 protected:
  // The showing state changed (Visible of a top-level): the default places
  // a poScreenCenter form on its first show, fires OnShow and then shows the
  // window, or fires OnHide and then hides it. ApplyShowing does the window part.
  virtual void ShowingChanged(bool showing);
  void ApplyShowing();
  // The centre of the work area around the form, as a top-left corner.
  TPoint ScreenCenterFor(int width, int height) const;

  void DoShow();
  void DoHide();
  virtual void DoClose(TCloseAction& action);

  bool KeyPreviewEnabled() const override { return m_keyPreview; }
  void HelpRequested() override;
  void ApplyVisible() override;
  void WindowCreated() override;
  void Notification(TComponent* component, TOperation operation) override;

  TNotifyEvent m_onShow;
  TNotifyEvent m_onHide;
  TNotifyEvent m_onActivate;
  TNotifyEvent m_onDeactivate;
  TNotifyEvent m_onCreate;
  TNotifyEvent m_onDestroy;
  TNotifyEvent m_onResize;
  TCloseEvent m_onClose;
  TCloseQueryEvent m_onCloseQuery;
  THelpEvent m_onHelp;

 private:
  void ApplyTraits();
  void ApplyOpacity();
  void Observe(ControlEvent event);
  void CloseModal(TModalLoop& loop);

  TFormBorderStyle m_borderStyle = bsSizeable;
  TFormStyle m_formStyle = fsNormal;
  TPosition m_position = poDesigned;
  TWindowState m_windowState = wsNormal;
  bool m_keyPreview = false;
  std::int32_t m_helpContext = 0;
  std::optional<TArgbImage> m_icon;
  bool m_alphaBlend = false;
  std::uint8_t m_alphaBlendValue = 255;
  TWeakRef<TWinControl> m_transientFor;
  bool m_neverActivate = false;
  bool m_withdrawn = false;
  bool m_showing = false;
  bool m_positioned = false;
  bool m_destroyFired = false;
  int m_modalDepth = 0;
  TModalResult m_modalResult = mrNone;
  TModalLoop* m_modalLoop = nullptr;  // the innermost loop of ShowModal, on its stack
  std::unique_ptr<IdleSource> m_release;
};

// The screen: every form in creation order, the active form and the main
// form (which the application sets). One per process (Screen()).
class TScreen {
 public:
  int FormCount() const noexcept { return static_cast<int>(m_forms.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TForm* Forms(int index) const;
  const std::vector<TForm*>& FormList() const noexcept { return m_forms; }
  // The form that has the activation; null when none of ours has it.
  TForm* ActiveForm() const noexcept { return m_activeForm; }

  // The application's main form; cleared when it goes.
  TForm* MainForm() const noexcept { return m_mainForm; }
  void SetMainForm(TForm* form) noexcept { m_mainForm = form; }
  // Told when the main form closes with an action other than caNone, and
  // when it is destroyed: the application ends its message loop.
  void SetOnMainFormClosed(std::function<void()> hook) { m_onMainFormClosed = std::move(hook); }

 private:
  friend class TForm;
  void Add(TForm& form);
  void Remove(TForm& form) noexcept;
  void SetActiveForm(TForm* form) noexcept { m_activeForm = form; }
  void MainFormClosed();

  std::vector<TForm*> m_forms;
  TForm* m_activeForm = nullptr;
  TForm* m_mainForm = nullptr;
  std::function<void()> m_onMainFormClosed;
};

TScreen& Screen();

}  // namespace halbrin::platform
