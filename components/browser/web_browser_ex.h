#pragma once

// TWebBrowserEx ("webbrowser"): the browser host as a script component,
// declared inside a form or a frame. It fires script events for what the
// view reports, answers window.external with the client, keeps the context
// menu and shortcuts for itself, can be skinned and registers with the
// application as a component and a browser.
//
//   <webbrowser id="browser1" align:TAlign="alClient" url_="start.html"/>
//   browser1.getElementById("x");          // the document, by the Name
//   Main.browser1.control.LocationURL;     // the view's automation object

#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "components/browser/browser_host.h"
#include "components/forms/script_container.h"
#include "core/app/application_ex.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/std_events_component.h"
#include "platform/controls/showing_watch.h"
#include "web/browser/page_gate.h"
#include "platform/eventloop/idle_source.h"
#include "platform/variant/variant.h"

namespace halbrin::skins {
class TZebrinPlacementSubSkin;
}  // namespace halbrin::skins

namespace halbrin {

class TSkinToolButtons;
class TZebrinControlSkinEx;
class TWebBrowserEx;

// The ready state "control" reports once a document has completed.
inline constexpr int kReadyStateComplete = 4;

// `control`: the view's automation object (Document, LocationURL,
// LocationName, ReadyState, Busy). It holds the browser weakly: once the
// browser is gone it answers Empty.
platform::RefPtr<platform::IDispatchObject> NewBrowserControlObject(TWebBrowserEx& browser);

// A page address as the view loads it: one with a scheme (about:, file:,
// http:...) as it is; a path, absolute or relative to `projectFolder` ("\\"
// read as "/"), as a file URI, its query and fragment kept. A relative path
// without a project folder stays as it is.
std::string ResolvePageAddress(const std::string& url, const std::string& projectFolder);

// What a browser keeps of its real view besides the engine: where the page
// process reads the options of its requests.
class IBrowserView {
 public:
  virtual ~IBrowserView() = default;
  virtual void SetPageOptions(const PageOptions& options) = 0;
};

// Makes the view of a browser whose window was just made: gives the browser
// its engine, document and content widget and answers what it keeps. Unset
// (tests, headless), browsers get no view of their own.
using TBrowserViewFactory = std::function<std::unique_ptr<IBrowserView>(TWebBrowserEx& browser)>;
TBrowserViewFactory& BrowserViewFactory();

using TBeforeNavigateEvent = platform::TEvent<platform::TObject*, const platform::Variant&, const std::string&, int,
                                              const std::string&, std::string&, std::string&, bool&>;
using TDocumentCompleteEvent = platform::TEvent<platform::TObject*, const platform::Variant&, const std::string&>;
using TTitleChangeEvent = platform::TEvent<platform::TObject*, const std::string&>;
using TProgressChangeEvent = platform::TEvent<platform::TObject*, int, int>;

class TWebBrowserEx : public TBrowserHost, public IComponentType, public IScriptEventSource, public IExecutable {
  HALBRIN_CLASS(TWebBrowserEx, TBrowserHost)

  // Hidden, zero-sized, window-coloured; registers with the application as
  // a component and a browser.
  explicit TWebBrowserEx(platform::TComponent* owner = nullptr);
  // Runs onDestroy first.
  ~TWebBrowserEx() override;

  std::string GetTypeName() const override { return "webbrowser"; }

  // IScriptEventSource.
  TScriptEvents* GetEvents() override { return m_container.GetEvents(); }
  void SetEvents(TScriptEvents* events) override { m_container.SetEvents(events); }
  platform::Variant GetEventData() const override { return m_container.EventData(); }
  void SetEventData(const platform::Variant& value) override { m_container.SetEventData(value); }
  bool HasEvents() const override { return m_container.EventsSlot().Peek() != nullptr; }
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: the words of the browser's table without regard to case;
  // a word not in it (and "minimize", "restore", "close" unskinned) reads False.
  platform::Variant GetExec() const override { return m_container.ExecResult(); }
  void SetExec(const platform::Variant& value) override;

  // The view's document (the page channel's TPageDocument); null: none.
  void SetDocument(platform::RefPtr<platform::IDispatchObject> document) { m_document = std::move(document); }
  platform::IDispatchObject* Document() const noexcept { return m_document.Get(); }
  // True from a main-frame load's completion until the next load starts.
  bool DocumentComplete() const noexcept { return m_complete; }
  bool Busy() const noexcept { return m_busy; }
  // What the page process gets for this browser's requests: the download
  // flags and the headers.
  PageOptions RequestOptions() const;

  // --- Published ---
  bool AsObject() const noexcept { return m_asObject; }
  void SetAsObject(bool value) noexcept { m_asObject = value; }
  bool FirstShow() const noexcept { return m_container.FirstShow(); }
  const std::string& Url() const noexcept { return m_url; }
  // Navigates at once.
  void SetUrl(const std::string& url);
  // Navigates when the control has a window and shows; otherwise when it first does.
  void SetUrlWhenShown(const std::string& url);
  const std::string& PostData() const noexcept { return m_postData; }
  void SetPostData(std::string value) { m_postData = std::move(value); }
  const std::string& Headers() const noexcept { return m_headers; }
  void SetHeaders(std::string value);
  bool AutoTitle() const noexcept { return m_autoTitle; }
  void SetAutoTitle(bool value) noexcept { m_autoTitle = value; }
  int OpticalZoom() const noexcept { return m_opticalZoom; }
  // Clamped into the range the optical zoom range command reports.
  void SetOpticalZoom(int value);
  const platform::Variant& Data() const noexcept { return m_data; }
  void SetData(const platform::Variant& value) { m_data = value; }
  const std::string& PrintTemplate() const noexcept { return m_printTemplate; }
  void SetPrintTemplate(std::string value) { m_printTemplate = std::move(value); }
  const std::string& FileName() const noexcept { return m_fileName; }
  void SetFileName(std::string value) { m_fileName = std::move(value); }
  bool RegisterAsBrowser() const noexcept { return m_registerAsBrowser; }
  void SetRegisterAsBrowser(bool value) noexcept { m_registerAsBrowser = value; }
  bool RegisterAsDropTarget() const noexcept { return m_registerAsDropTarget; }
  void SetRegisterAsDropTarget(bool value) noexcept { m_registerAsDropTarget = value; }
  // Read through the document; empty or False without one, writes ignored.
  std::string CharSet() const;
  void SetCharSet(const std::string& value);
  bool DesignMode() const;
  void SetDesignMode(bool value);
  // True once the document was edited ("input" or "change" in the page, as
  // the page reports it); false again at each new main-frame load and when
  // written false.
  bool Modified() const noexcept { return m_modified; }
  void SetModified(bool value) noexcept { m_modified = value; }
  // The view's page reported an edit of its document.
  void DocumentEdited();
  std::string Title() const;
  // The document zoom: the text size, set clamped to its range.
  int Zoom();
  void SetZoom(int value);
  void SetFlash(int count);
  void SetZOrder(bool toFront);
  platform::RefPtr<platform::IDispatchObject> Control();
  // Made on first read, owned by the browser, announced through onCreateComponent.
  TZebrinControlSkinEx* Skin();
  skins::TZebrinPlacementSubSkin* Placement();
  TSkinToolButtons* SkinButtons();
  TZebrinControlSkinEx* PeekSkin() const noexcept;

  TCreateComponentEvent OnCreateComponent;
  platform::TNotifyEvent OnShow;
  platform::TNotifyEvent OnHide;
  platform::TNotifyEvent OnDestroy;
  TBeforeNavigateEvent OnBeforeNavigate2;
  TDocumentCompleteEvent OnDocumentComplete;
  TDocumentCompleteEvent OnNavigateComplete2;
  TTitleChangeEvent OnTitleChange;
  TProgressChangeEvent OnProgressChange;
  TTitleChangeEvent OnStatusTextChange;
  platform::TNotifyEvent OnEnter;
  platform::TNotifyEvent OnExit;

  // --- The script events; bindings attach them by name ---
  void beforeNavigate2Handler(platform::TObject*, const platform::Variant& frame, const std::string& url, int flags,
                              const std::string& target, std::string& postData, std::string& headers, bool& cancel);
  void documentCompleteHandler(platform::TObject*, const platform::Variant& frame, const std::string& url);
  void navigateComplete2Handler(platform::TObject*, const platform::Variant& frame, const std::string& url);
  void enterHandler(platform::TObject*);
  void exitHandler(platform::TObject*);
  void unloadHandler(platform::TObject*);
  void hideHandler(platform::TObject*);
  void showHandler(platform::TObject*);
  void destroyHandler(platform::TObject*);
  void onDocWindowActivateHandler(platform::TObject*, bool activate, std::int32_t& result);
  void refreshHandler(platform::TObject*, int command, bool& cancel);
  void showContextMenuHandler(platform::TObject*, int menuId, platform::TPoint pos, std::int32_t& result);
  void titleChangeHandler(platform::TObject*, const std::string& text);
  void translateUrlHandler(platform::TObject*, const std::string& url, std::string& translated, std::int32_t& result);
  void getDropTargetHandler(platform::TObject*, std::int32_t& result);
  void progressChangeHandler(platform::TObject*, int progress, int maximum);
  void statusTextChangeHandler(platform::TObject*, const std::string& text);

 protected:
  virtual void ComponentCreated(platform::TComponent& component);
  void Notification(platform::TComponent* component, platform::TOperation operation) override;
  void ParentChanged() override;
  // The view is made with the window.
  void WindowCreated() override;

  bool EngineContextMenu(const TContextMenuRequest& request) override;
  void EngineDecidePolicy(TNavigationPolicy& policy) override;
  void EngineLoadChanged(TLoadEvent event, const std::string& uri) override;
  void EngineTitleChanged(const std::string& title) override;
  void EngineProgressChanged(double progress) override;
  void EngineFocusChanged(bool focused) override;
  void EngineLoadFailed(const std::string& uri, const std::string& message) override;

 private:
  friend platform::RefPtr<platform::IDispatchObject> NewBrowserControlObject(TWebBrowserEx& browser);

  // The default behaviours the constructor plugs into the host's events.
  void DefaultExternal(platform::TObject*, platform::RefPtr<platform::IDispatchObject>& external,
                       std::int32_t& result);
  void DefaultContextMenu(platform::TObject*, int menuId, platform::TPoint, std::int32_t& result);
  void DefaultAccelerator(platform::TObject*, std::uint32_t key, std::uint32_t modifiers, std::int32_t& result);
  void DefaultBeforeNavigate(platform::TObject*, const platform::Variant&, const std::string&, int,
                             const std::string&, std::string& postData, std::string& headers, bool&);
  void DefaultDocumentComplete(platform::TObject*, const platform::Variant&, const std::string&);
  void DefaultTitle(platform::TObject*, const std::string& title);
  // A script event with [Name, args...].
  platform::Variant FireNamed(std::string_view name, std::vector<platform::Variant> args);
  void ApplyRequestOptions(std::string& postData, std::string& headers) const;
  // The window's name for pages to target: the Name.
  void NameWindow();
  void ShowingChanged(bool showing);
  // Handles what the view reported in the order it reported it: a report
  // that comes while an earlier one is still with its handlers (a script
  // waiting for the page lets the main loop run) waits for it.
  void Report(std::function<void()> report);
  void Navigate(const std::string& url);
  void UpdatePageOptions();
  void Release();
  void Kill();
  void GetPlacementPath(platform::TObject*, std::string& path);

  TScriptContainer m_container{*this, *this, [this](platform::TComponent& c) { ComponentCreated(c); }};
  bool m_asObject = true;
  std::string m_url;
  bool m_pendingUrl = false;
  std::string m_printTemplate;
  std::string m_fileName;
  std::string m_postData;
  std::string m_headers;
  bool m_autoTitle = true;
  platform::Variant m_data = platform::Variant::Null();
  int m_opticalZoom = 100;
  bool m_killing = false;
  bool m_registerAsBrowser = false;
  bool m_registerAsDropTarget = true;
  bool m_complete = false;
  bool m_busy = false;
  bool m_modified = false;
  bool m_controlHeld = false;
  bool m_reporting = false;
  std::deque<std::function<void()>> m_reports;
  platform::RefPtr<platform::IDispatchObject> m_document;
  platform::RefPtr<platform::IDispatchObject> m_control;
  std::unique_ptr<platform::IdleSource> m_release;
  std::unique_ptr<IBrowserView> m_view;
  platform::TShowingWatch m_showingWatch{*this, [this](bool showing) { ShowingChanged(showing); }};
  // Lets the control object outlive the browser.
  std::shared_ptr<TWebBrowserEx*> m_self = std::make_shared<TWebBrowserEx*>(this);
};


// Registers the "webbrowser" type word and makes the scriptable browsers'
// documents named objects of every script engine.
void RegisterBrowserComponentTypes();

}  // namespace halbrin
