#include "components/browser/web_browser_ex.h"

#include <gio/gio.h>

#include <algorithm>
#include <regex>
#include <utility>
#include <vector>

#include "components/forms/action_ex.h"
#include "components/forms/control_skin_ex.h"
#include "components/forms/skin_tool_buttons.h"
#include "core/app/application_ex.h"
#include "core/app/client.h"
#include "core/foundation/text_files.h"
#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "core/scripting/script_defaults.h"
#include "platform/automation/auto_object.h"
#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"
#include "platform/eventloop/main_event_loop.h"
#include "skins/core/placement_sub_skin.h"

namespace halbrin {

using namespace halbrin::platform;
using skins::TZebrinPlacementSubSkin;

namespace {

constexpr TColor kWindowColor = SystemColor(5);  // clWindow
constexpr int kMenuControl = 2;

// ---- The view's automation object ----

enum : DispId { kControlDocument = 1, kControlLocationUrl, kControlLocationName, kControlReadyState, kControlBusy };

const TypeInfo& BrowserControlTypeInfo() {
  static const TypeInfo info("IWebBrowserControl", "{5B0A33C1-7E2D-4C59-9F3E-2B1D6C8A4E10}",
                             {
                                 {"Document", kControlDocument, DISPATCH_PROPERTYGET, {}, VarType::Variant},
                                 {"LocationURL", kControlLocationUrl, DISPATCH_PROPERTYGET, {}, VarType::String},
                                 {"LocationName", kControlLocationName, DISPATCH_PROPERTYGET, {}, VarType::String},
                                 {"ReadyState", kControlReadyState, DISPATCH_PROPERTYGET, {}, VarType::I4},
                                 {"Busy", kControlBusy, DISPATCH_PROPERTYGET, {}, VarType::Boolean},
                             });
  return info;
}

class TBrowserControlObject final : public TAutoObject {
 public:
  explicit TBrowserControlObject(std::weak_ptr<TWebBrowserEx*> browser)
      : TAutoObject(BrowserControlTypeInfo()), m_browser(std::move(browser)) {}

 protected:
  Variant InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant>) override {
    const auto held = m_browser.lock();
    TWebBrowserEx* browser = held ? *held : nullptr;
    if (!browser) return Variant();
    IBrowserEngine* engine = browser->Engine();
    switch (member.id) {
      case kControlDocument:
        return browser->Document() ? Variant(RefPtr<IDispatchObject>(browser->Document())) : Variant::Null();
      case kControlLocationUrl: return Variant(engine ? engine->Uri() : std::string());
      case kControlLocationName: return Variant(engine ? engine->Title() : std::string());
      case kControlReadyState: return Variant(browser->DocumentComplete() ? kReadyStateComplete : 0);
      case kControlBusy: return Variant(browser->Busy());
      default: return Variant();
    }
  }

 private:
  std::weak_ptr<TWebBrowserEx*> m_browser;
};

// A member of the document read or written late-bound; Empty when it fails.
Variant DocumentGet(IDispatchObject* document, const std::string& name) {
  if (!document) return Variant();
  try {
    return GetProperty(*document, name);
  } catch (const std::exception&) {
    return Variant();
  }
}

// The object a member read answered; null for anything else (Empty included).
IDispatchObject* ObjectOf(const Variant& value) { return value.IsDispatch() ? value.AsDispatch() : nullptr; }

void DocumentPut(IDispatchObject* document, const std::string& name, Variant value) {
  if (!document) return;
  try {
    PutProperty(*document, name, std::move(value));
  } catch (const std::exception&) {
  }
}

// A script's answer as a host answer (an integer); `fallback` without one.
std::int32_t HostAnswer(const Variant& answer, std::int32_t fallback) {
  if (answer.IsEmptyOrNull()) return fallback;
  try {
    return static_cast<std::int32_t>(answer.ToInt());
  } catch (const std::exception&) {
    return fallback;
  }
}

bool Truthy(const Variant& value, bool fallback) { return ActionHandledResult(value, fallback); }

std::vector<std::pair<std::string, RefPtr<IDispatchObject>>> ScriptableBrowserDocuments();

}  // namespace

std::string ResolvePageAddress(const std::string& url, const std::string& projectFolder) {
  static const std::regex scheme("^[A-Za-z][A-Za-z0-9+.-]+:");
  if (url.empty() || std::regex_search(url, scheme)) return url;
  std::string path = url;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.front() != '/') {
    if (projectFolder.empty()) return url;
    path = projectFolder + (projectFolder.back() == '/' ? "" : "/") + path;
  }
  const std::size_t suffix = path.find_first_of("?#");
  const std::string file = path.substr(0, suffix);
  GCharPtr uri(g_filename_to_uri(file.c_str(), nullptr, nullptr));
  if (!uri) return url;
  return uri.get() + (suffix == std::string::npos ? std::string() : path.substr(suffix));
}

TBrowserViewFactory& BrowserViewFactory() {
  static TBrowserViewFactory factory;
  return factory;
}

RefPtr<IDispatchObject> NewBrowserControlObject(TWebBrowserEx& browser) {
  return RefPtr<IDispatchObject>(MakeRef<TBrowserControlObject>(browser.m_self));
}

using W = TWebBrowserEx;
HALBRIN_DEFINE_CLASS(TWebBrowserEx,
                     .Property("asObject", &W::AsObject, &W::SetAsObject)
                     .Default(true)
                     .Property("autoTitle", &W::AutoTitle, &W::SetAutoTitle)
                     .Default(true)
                     .Property("charSet", &W::CharSet, &W::SetCharSet)
                     .Stored(false)
                     .Property("control", [](const W& self) { return const_cast<W&>(self).Control(); })
                     .Stored(false)
                     .Property("currentViewMode", [](const W&) { return 0; }, [](W&, int) {})
                     .Stored(false)
                     .Property("data", &W::Data, &W::SetData)
                     .Stored(false)
                     .Property("designMode", &W::DesignMode, &W::SetDesignMode)
                     .Stored(false)
                     .Property("eventData", &W::GetEventData, &W::SetEventData)
                     .Stored(false)
                     .Property(
                         "events", [](const W& self) { return const_cast<W&>(self).GetEvents(); },
                         [](W& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &W::GetExec, &W::SetExec)
                     .Stored(false)
                     .Property("fileName", &W::FileName, &W::SetFileName)
                     .Property("firstShow", &W::FirstShow)
                     .Stored(false)
                     .Property(
                         "flash", [](const W&) { return 0; }, [](W& self, int count) { self.SetFlash(count); })
                     .Stored(false)
                     .Property(
                         "folder", [](const W&) { return 0; }, [](W&, int) {})
                     .Stored(false)
                     .Property("headers", &W::Headers, &W::SetHeaders)
                     .Property("modified", &W::Modified, &W::SetModified)
                     .Stored(false)
                     .Property("opticalZoom", &W::OpticalZoom, &W::SetOpticalZoom)
                     .Default(100)
                     .Property("placement", [](const W& self) { return const_cast<W&>(self).Placement(); })
                     .Stored(false)
                     .Property("postData", &W::PostData, &W::SetPostData)
                     .Property("printTemplate", &W::PrintTemplate, &W::SetPrintTemplate)
                     .Property("registerAsBrowser", &W::RegisterAsBrowser, &W::SetRegisterAsBrowser)
                     .Default(false)
                     .Property("registerAsDropTarget", &W::RegisterAsDropTarget, &W::SetRegisterAsDropTarget)
                     .Default(true)
                     .Property("skin", [](const W& self) { return const_cast<W&>(self).Skin(); })
                     .Stored(false)
                     .Property("skinButtons", [](const W& self) { return const_cast<W&>(self).SkinButtons(); })
                     .Stored(false)
                     .Property("title", &W::Title)
                     .Stored(false)
                     .Property("url", &W::Url, &W::SetUrl)
                     .Stored(false)
                     .Property(
                         "url_", [](const W& self) { return self.Url(); },
                         [](W& self, const std::string& url) { self.SetUrlWhenShown(url); })
                     .Stored(false)
                     .Property(
                         "userAgent", [](const W& self) { return self.UserAgent(); },
                         [](W& self, const std::string& value) { self.SetUserAgent(value); })
                     .Stored(false)
                     .Property("zoom", [](const W& self) { return const_cast<W&>(self).Zoom(); }, &W::SetZoom)
                     .Stored(false)
                     .Property(
                         "zOrder", [](const W&) { return false; }, [](W& self, bool front) { self.SetZOrder(front); })
                     .Stored(false)
                     .Event("onBeforeNavigate2", &W::OnBeforeNavigate2, "TBeforeNavigateEvent")
                     .Event("onCreateComponent", &W::OnCreateComponent, "TCreateComponentEvent")
                     .Event("onDestroy", &W::OnDestroy, "TNotifyEvent")
                     .Event("onDocumentComplete", &W::OnDocumentComplete, "TDocumentCompleteEvent")
                     .Event("onEnter", &W::OnEnter, "TNotifyEvent")
                     .Event("onExit", &W::OnExit, "TNotifyEvent")
                     .Event("onHide", &W::OnHide, "TNotifyEvent")
                     .Event("onNavigateComplete2", &W::OnNavigateComplete2, "TDocumentCompleteEvent")
                     .Event("onProgressChange", &W::OnProgressChange, "TProgressChangeEvent")
                     .Event("onShow", &W::OnShow, "TNotifyEvent")
                     .Event("onStatusTextChange", &W::OnStatusTextChange, "TTitleChangeEvent")
                     .Event("onTitleChange", &W::OnTitleChange, "TTitleChangeEvent")
                     .Handler("beforeNavigate2Handler", &W::beforeNavigate2Handler)
                     .Handler("destroyHandler", &W::destroyHandler)
                     .Handler("documentCompleteHandler", &W::documentCompleteHandler)
                     .Handler("enterHandler", &W::enterHandler)
                     .Handler("exitHandler", &W::exitHandler)
                     .Handler("getDropTargetHandler", &W::getDropTargetHandler)
                     .Handler("hideHandler", &W::hideHandler)
                     .Handler("navigateComplete2Handler", &W::navigateComplete2Handler)
                     .Handler("onDocWindowActivateHandler", &W::onDocWindowActivateHandler)
                     .Handler("progressChangeHandler", &W::progressChangeHandler)
                     .Handler("refreshHandler", &W::refreshHandler)
                     .Handler("showContextMenuHandler", &W::showContextMenuHandler)
                     .Handler("showHandler", &W::showHandler)
                     .Handler("statusTextChangeHandler", &W::statusTextChangeHandler)
                     .Handler("titleChangeHandler", &W::titleChangeHandler)
                     .Handler("translateUrlHandler", &W::translateUrlHandler)
                     .Handler("unloadHandler", &W::unloadHandler))

TWebBrowserEx::TWebBrowserEx(TComponent* owner) : TBrowserHost(owner) {
  OnGetExternal.Bind(*this, &W::DefaultExternal);
  OnShowContextMenu.Bind(*this, &W::DefaultContextMenu);
  OnTranslateAccelerator.Bind(*this, &W::DefaultAccelerator);
  OnBeforeNavigate2.Bind(*this, &W::DefaultBeforeNavigate);
  OnDocumentComplete.Bind(*this, &W::DefaultDocumentComplete);
  OnTitleChange.Bind(*this, &W::DefaultTitle);
  SetUserInterfaceOptions((1u << NO3DBORDER) | (1u << ENABLE_FORMS_AUTOCOMPLETE) | (1u << THEME) |
                          (1u << NO3DOUTERBORDER));
  SetColor(kWindowColor);
  SetBounds(0, 0, 0, 0);
  SetVisible(false);
  ApplicationHooks().RegisterComponent(*this);
  if (ApplicationExExists()) {
    GetApplicationEx()->RegisterBrowser(*this);
    // Scripts find the documents of the application's scriptable browsers by name.
    GetScriptControlDefaultImplementation().NamedObjectSources().browserDocuments = ScriptableBrowserDocuments;
  }
}

TWebBrowserEx::~TWebBrowserEx() {
  OnDestroy(this);
  *m_self = nullptr;
  m_release.reset();
  SetState(csDestroying, true);
  DestroyComponents();
  m_container.ResetResults();
  m_data = Variant::Null();
  SetEngine(nullptr);
  if (m_view) SetContentWidget(nullptr);
  m_view.reset();
}

// ---- Companions ----

TZebrinControlSkinEx* TWebBrowserEx::Skin() {
  return m_container.Skin<TZebrinControlSkinEx>([this](TZebrinControlSkinEx& skin) { skin.SetControl(this); });
}

TZebrinControlSkinEx* TWebBrowserEx::PeekSkin() const noexcept {
  return static_cast<TZebrinControlSkinEx*>(m_container.PeekSkin());
}

TZebrinPlacementSubSkin* TWebBrowserEx::Placement() {
  return m_container.Placement(Skin(), {false, skins::pshVisible}, [this](TZebrinPlacementSubSkin& placement) {
    placement.OnGetRegistryPath().Bind(*this, &W::GetPlacementPath);
  });
}

TSkinToolButtons* TWebBrowserEx::SkinButtons() {
  return m_container.SkinButtons([this] { return Skin(); });
}

void TWebBrowserEx::GetPlacementPath(TObject*, std::string& path) { path = GetRegistryKeyPath(Name()); }

void TWebBrowserEx::ComponentCreated(TComponent& component) {
  if (OnCreateComponent.Assigned()) OnCreateComponent(this, &component);
}

void TWebBrowserEx::Notification(TComponent* component, TOperation operation) {
  TBrowserHost::Notification(component, operation);
  m_container.Notification(component, operation);
}

// ---- Published ----

void TWebBrowserEx::Navigate(const std::string& url) {
  m_pendingUrl = false;
  IBrowserEngine* engine = Engine();
  if (!engine || url.empty()) return;
  const Variant folder = ApplicationHooks().ProjectAttribute("folder");
  engine->LoadUri(ResolvePageAddress(url, folder.IsString() ? folder.AsString() : std::string()));
}

void TWebBrowserEx::SetUrl(const std::string& url) {
  m_url = url;
  Navigate(url);
}

void TWebBrowserEx::SetUrlWhenShown(const std::string& url) {
  m_url = url;
  if (HandleAllocated() && Showing())
    Navigate(url);
  else
    m_pendingUrl = true;
}

void TWebBrowserEx::SetHeaders(std::string value) {
  m_headers = std::move(value);
  UpdatePageOptions();
}

PageOptions TWebBrowserEx::RequestOptions() const { return PageOptions{DownloadFlags(), m_headers}; }

void TWebBrowserEx::UpdatePageOptions() {
  if (m_view) m_view->SetPageOptions(RequestOptions());
}

void TWebBrowserEx::WindowCreated() {
  TBrowserHost::WindowCreated();
  if (m_view || Engine() || !BrowserViewFactory()) return;
  m_view = BrowserViewFactory()(*this);
  UpdatePageOptions();
}

void TWebBrowserEx::SetOpticalZoom(int value) {
  Variant range;
  if (!InvokeCommand("", kCmdOpticalZoomRange, kExecDontPromptUser, Variant(), range)) return;
  const int bounds = range.ToInt();
  value = std::clamp(value, bounds & 0xffff, (bounds >> 16) & 0xffff);
  if (value == m_opticalZoom) return;
  m_opticalZoom = value;
  Variant out;
  InvokeCommand("", kCmdOpticalZoom, kExecDontPromptUser, Variant(value), out);
}

int TWebBrowserEx::Zoom() {
  Variant out;
  return InvokeCommand("", kCmdZoom, kExecDontPromptUser, Variant(), out) ? out.ToInt() : 0;
}

void TWebBrowserEx::SetZoom(int value) {
  Variant range, out;
  if (!InvokeCommand("", kCmdZoomRange, kExecDontPromptUser, Variant(), range)) return;
  const int bounds = range.ToInt();
  InvokeCommand("", kCmdZoom, kExecDontPromptUser, Variant(std::clamp(value, bounds & 0xffff, bounds >> 16)), out);
}

std::string TWebBrowserEx::CharSet() const {
  const Variant value = DocumentGet(Document(), "characterSet");
  return value.IsString() ? value.AsString() : std::string();
}

void TWebBrowserEx::SetCharSet(const std::string& value) { DocumentPut(Document(), "charset", Variant(value)); }

bool TWebBrowserEx::DesignMode() const {
  const Variant value = DocumentGet(Document(), "designMode");
  return value.IsString() && SameText(value.AsString(), "on");
}

void TWebBrowserEx::SetDesignMode(bool value) {
  DocumentPut(Document(), "designMode", Variant(value ? "On" : "Off"));
}

void TWebBrowserEx::DocumentEdited() { m_modified = true; }

std::string TWebBrowserEx::Title() const {
  const Variant value = DocumentGet(Document(), "title");
  return value.IsString() ? value.AsString() : std::string();
}

void TWebBrowserEx::SetFlash(int count) {
  if (TZebrinControlSkinEx* skin = PeekSkin(); skin && skin->GetActive()) skin->Flash(count);
}

void TWebBrowserEx::SetZOrder(bool toFront) {
  if (toFront)
    BringToFront();
  else
    SendToBack();
}

RefPtr<IDispatchObject> TWebBrowserEx::Control() {
  if (!m_control) m_control = NewBrowserControlObject(*this);
  return m_control;
}

// ---- Exec ----

void TWebBrowserEx::SetExec(const Variant& value) {
  const std::string word = ExecVerbText(value);
  Variant& result = m_container.ExecResult();
  result = true;
  IBrowserEngine* engine = Engine();
  TZebrinControlSkinEx* skin = PeekSkin();
  Variant out;
  const auto is = [&](const char* name) { return SameText(word, name); };
  if (is("printpreview")) {
    InvokeCommand("", kCmdPrintPreview, kExecPromptUser, Variant(m_printTemplate), out);
    result = out;
  } else if (is("print") || is("printsetup")) {
    if (engine) Print("");
  } else if (is("focus") || is("blur")) {
    if (HandleAllocated() && CanFocus()) SetFocus();
  } else if (is("refresh")) {
    if (engine) engine->Reload(Settings().bypassCache);
  } else if (is("back")) {
    if (engine) engine->GoBack();
  } else if (is("forward")) {
    if (engine) engine->GoForward();
  } else if (is("stop")) {
    if (engine) engine->StopLoading();
  } else if (is("new")) {
    // The load completes from the loop; a caller inside a page's call would wait for ever.
    Navigate("about:blank");
  } else if (is("show")) {
    SetVisible(true);
  } else if (is("hide")) {
    SetVisible(false);
  } else if (is("find")) {
    InvokeCommand(kDocViewGroup, kDocViewFind, kExecPromptUser, Variant(), out);
  } else if (is("viewsource")) {
    InvokeCommand(kDocViewGroup, kDocViewSource, kExecPromptUser, Variant(), out);
  } else if (is("options")) {
    InvokeCommand(kDocViewGroup, kDocViewOptions, kExecPromptUser, Variant(), out);
  } else if (is("scrolltobottom") || is("scrolltotop")) {
    const Variant window = DocumentGet(Document(), "defaultView");
    if (IDispatchObject* view = ObjectOf(window)) {
      try {
        CallMethod(*view, "scrollTo", {Variant(0), Variant(is("scrolltotop") ? 0 : 2147483647)});
      } catch (const std::exception&) {
      }
    }
  } else if (is("pagesetup")) {
    PageSetup();
  } else if (is("open")) {
    InvokeCommand("", kCmdOpen, kExecPromptUser, Variant(), out);
  } else if (is("saveas")) {
    InvokeCommand("", kCmdSaveAs, kExecPromptUser, Variant(), out);
  } else if (is("copy")) {
    InvokeCommand("", kCmdCopy, kExecDontPromptUser, Variant(), out);
  } else if (is("selectall")) {
    InvokeCommand("", kCmdSelectAll, kExecDontPromptUser, Variant(), out);
  } else if (is("properties")) {
    InvokeCommand("", kCmdProperties, kExecPromptUser, Variant(), out);
  } else if (is("save")) {
    const Variant element = DocumentGet(Document(), "documentElement");
    if (IDispatchObject* root = ObjectOf(element); root && !m_fileName.empty()) {
      const Variant html = DocumentGet(root, "outerHTML");
      if (html.IsString()) SaveTextToFile(html.AsString(), m_fileName);
    }
  } else if (is("mail")) {
    GAppInfo* mail = g_app_info_get_default_for_uri_scheme("mailto");
    result = mail != nullptr;
    if (mail) {
      g_app_info_launch(mail, nullptr, nullptr, nullptr);
      g_object_unref(mail);
    }
  } else if (is("clearhistory")) {
    // The view keeps no history of its own beyond its back/forward list.
  } else if (is("clearcache")) {
    ClearCache();
  } else if (is("release")) {
    Release();
  } else if (is("minimize") && skin) {
    skin->Minimize();
  } else if (is("restore") && skin) {
    skin->Restore();
  } else if (is("close") && skin) {
    skin->Close();
  } else if (is("kill")) {
    Kill();
  } else {
    result = false;
  }
}

void TWebBrowserEx::Release() {
  if (!m_release)
    m_release = std::make_unique<IdleSource>(MainEventLoop(), [this] {
      // A browser nobody owns belongs to the code that made it.
      if (Owner()) TComponent::Free(*this);
    });
  m_release->Schedule();
}

void TWebBrowserEx::Kill() {
  if (m_killing) return;
  m_killing = true;
  TZebrinControlSkinEx* skin = PeekSkin();
  if (skin) skin->SetControl(nullptr);
  if (IBrowserEngine* engine = Engine()) engine->Reload(true);
  if (skin) skin->SetControl(this);
  m_killing = false;
}

// ---- Showing ----

void TWebBrowserEx::ParentChanged() {
  TBrowserHost::ParentChanged();
  m_showingWatch.Reparented();
}

void TWebBrowserEx::ShowingChanged(bool showing) {
  if (showing) {
    OnShow(this);
    if (m_pendingUrl) Navigate(m_url);
    m_container.SetFirstShow(false);
  } else {
    OnHide(this);
  }
}

// ---- What the view reports ----

void TWebBrowserEx::EngineDecidePolicy(TNavigationPolicy& policy) {
  // The options may have changed since the last request.
  UpdatePageOptions();
  if (!policy.reload) {
    bool cancel = false;
    std::string postData, headers;
    OnBeforeNavigate2(this, Variant(Control()), policy.uri, 0, std::string(), postData, headers, cancel);
    if (cancel) {
      policy.ignore = true;
      return;
    }
  }
  TBrowserHost::EngineDecidePolicy(policy);
}

void TWebBrowserEx::Report(std::function<void()> report) {
  m_reports.push_back(std::move(report));
  if (m_reporting) return;
  const std::weak_ptr<TWebBrowserEx*> alive = m_self;
  m_reporting = true;
  while (!m_reports.empty()) {
    std::function<void()> next = std::move(m_reports.front());
    m_reports.pop_front();
    try {
      next();
    } catch (...) {
      const auto held = alive.lock();
      if (held && *held) {
        m_reports.clear();
        m_reporting = false;
      }
      throw;
    }
    // A handler may have freed the browser.
    const auto held = alive.lock();
    if (!held || !*held) return;
  }
  m_reporting = false;
}

void TWebBrowserEx::EngineLoadChanged(TLoadEvent event, const std::string& uri) {
  Report([this, event, uri] {
    TBrowserHost::EngineLoadChanged(event, uri);
    switch (event) {
      case TLoadEvent::Started:
        m_complete = false;
        m_busy = true;
        m_modified = false;
        break;
      case TLoadEvent::Committed:
        // Edits of the document being left do not count for the new one.
        m_modified = false;
        OnNavigateComplete2(this, Variant(Control()), uri);
        break;
      case TLoadEvent::Finished:
        m_busy = false;
        if (m_complete) break;
        m_complete = true;
        OnDocumentComplete(this, m_document ? Variant(m_document) : Variant::Null(), uri);
        break;
      default:
        break;
    }
  });
}

void TWebBrowserEx::EngineLoadFailed(const std::string& uri, const std::string& message) {
  ApplicationHooks().Log("TWebBrowserEx", "Page \"" + uri + "\" not loaded: " + message);
}

void TWebBrowserEx::EngineTitleChanged(const std::string& title) {
  Report([this, title] { OnTitleChange(this, title); });
}

void TWebBrowserEx::EngineProgressChanged(double progress) {
  Report([this, progress] { OnProgressChange(this, static_cast<int>(progress * 100 + 0.5), 100); });
}

void TWebBrowserEx::EngineFocusChanged(bool focused) {
  TBrowserHost::EngineFocusChanged(focused);
  if (focused)
    OnEnter(this);
  else
    OnExit(this);
}

// ---- Default behaviours ----

void TWebBrowserEx::DefaultExternal(TObject*, RefPtr<IDispatchObject>& external, std::int32_t& result) {
  external = RefPtr<IDispatchObject>(GetClient());
  result = kHostHandled;
}

void TWebBrowserEx::DefaultContextMenu(TObject*, int menuId, TPoint pos, std::int32_t& result) {
  // The view's own menu only with Ctrl held or in a text field.
  result = (m_controlHeld || menuId == kMenuControl) ? kHostDefault : kHostHandled;
  if (result == kHostDefault) return;
  // Otherwise the control's context menu ("contextpopup", then the PopupMenu
  // of the browser or a parent), once the view's signal is over.
  const platform::TWeakRef<TWebBrowserEx> self(this);
  platform::MainEventLoop().Post([self, pos] {
    if (self) self->WindowContextMenuInput(pos);
  });
}

void TWebBrowserEx::DefaultAccelerator(TObject*, std::uint32_t, std::uint32_t, std::int32_t& result) {
  // No form here takes shortcuts from a key of the view.
  result = kHostDefault;
}

void TWebBrowserEx::ApplyRequestOptions(std::string& postData, std::string& headers) const {
  if (!m_postData.empty()) postData = m_postData;
  if (!m_headers.empty()) headers = m_headers;
}

void TWebBrowserEx::DefaultBeforeNavigate(TObject*, const Variant&, const std::string&, int, const std::string&,
                                          std::string& postData, std::string& headers, bool&) {
  ApplyRequestOptions(postData, headers);
}

void TWebBrowserEx::NameWindow() {
  const Variant window = DocumentGet(Document(), "defaultView");
  DocumentPut(ObjectOf(window), "name", Variant(Name()));
}

void TWebBrowserEx::DefaultDocumentComplete(TObject*, const Variant&, const std::string&) { NameWindow(); }

void TWebBrowserEx::DefaultTitle(TObject*, const std::string& title) {
  if (m_autoTitle && Document()) SetText(title);
}

bool TWebBrowserEx::EngineContextMenu(const TContextMenuRequest& request) {
  m_controlHeld = request.control;
  return TBrowserHost::EngineContextMenu(request);
}

// ---- Script events ----

Variant TWebBrowserEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

Variant TWebBrowserEx::FireNamed(std::string_view name, std::vector<Variant> args) {
  args.insert(args.begin(), Variant(Name()));
  return m_container.Fire(name, args);
}

void TWebBrowserEx::beforeNavigate2Handler(TObject*, const Variant& frame, const std::string& url, int flags,
                                           const std::string& target, std::string& postData, std::string& headers,
                                           bool& cancel) {
  ApplyRequestOptions(postData, headers);
  // The request's body is not available to the view's navigation decision.
  const Variant answer = FireNamed("beforenavigate2", {frame, Variant(url), Variant(flags), Variant(target), Variant(),
                                              Variant(headers)});
  if (!answer.IsEmpty()) cancel = Truthy(answer, cancel);
  ApplyRequestOptions(postData, headers);
}

void TWebBrowserEx::documentCompleteHandler(TObject*, const Variant& frame, const std::string& url) {
  NameWindow();
  FireNamed("documentcomplete", {frame, Variant(url)});
}

void TWebBrowserEx::navigateComplete2Handler(TObject*, const Variant& frame, const std::string& url) {
  FireNamed("navigatecomplete2", {frame, Variant(url)});
}

void TWebBrowserEx::enterHandler(TObject*) { m_container.Fire("enter"); }
void TWebBrowserEx::exitHandler(TObject*) { m_container.Fire("exit"); }
void TWebBrowserEx::unloadHandler(TObject*) { m_container.Fire("unload"); }
void TWebBrowserEx::hideHandler(TObject*) { m_container.Fire("hide"); }
void TWebBrowserEx::showHandler(TObject*) { m_container.FireShow(); }
void TWebBrowserEx::destroyHandler(TObject*) { m_container.Fire("destroy"); }

void TWebBrowserEx::onDocWindowActivateHandler(TObject*, bool activate, std::int32_t& result) {
  result = HostAnswer(FireNamed("ondocwindowactivate", {Variant(activate)}),
                      kHostHandled);
}

void TWebBrowserEx::refreshHandler(TObject*, int command, bool& cancel) {
  const Variant answer = FireNamed("refresh", {Variant(command)});
  if (!answer.IsEmpty()) cancel = Truthy(answer, cancel);
}

void TWebBrowserEx::showContextMenuHandler(TObject*, int menuId, TPoint pos, std::int32_t& result) {
  // No command target or object under the mouse reaches the host.
  const Variant answer = FireNamed("showcontextmenu", {Variant(menuId), Variant(static_cast<int>(pos.X)),
                                                       Variant(static_cast<int>(pos.Y)), Variant::Null(),
                                                       Variant::Null()});
  // 0 keeps the view's menu away, 1 lets it show.
  result = HostAnswer(answer, kHostHandled);
}

void TWebBrowserEx::titleChangeHandler(TObject*, const std::string& text) {
  const std::string title = Document() ? Title() : text;
  FireNamed("titlechange", {Variant(title), Variant(text)});
}

void TWebBrowserEx::translateUrlHandler(TObject*, const std::string& url, std::string& translated,
                                        std::int32_t& result) {
  const Variant answer = FireNamed("translateurl", {Variant(0), Variant(url)});
  if (answer.IsString() && !answer.AsString().empty() && answer.AsString() != url) {
    translated = answer.AsString();
    result = kHostHandled;
  } else {
    translated.clear();
    result = kHostDefault;
  }
}

void TWebBrowserEx::getDropTargetHandler(TObject*, std::int32_t& result) {
  result = HostAnswer(FireNamed("getdroptarget", {Variant::Null()}), kHostHandled);
}

void TWebBrowserEx::progressChangeHandler(TObject*, int progress, int maximum) {
  FireNamed("progresschange", {Variant(progress), Variant(maximum)});
}

void TWebBrowserEx::statusTextChangeHandler(TObject*, const std::string& text) {
  FireNamed("statustextchange", {Variant(text)});
}

// ---- Registration ----

namespace {

std::unique_ptr<TComponent> NewDeclaredBrowser(TComponent& owner) {
  auto browser = std::make_unique<TWebBrowserEx>(&owner);
  if (auto* parent = dynamic_cast<TWinControl*>(&owner)) browser->SetParent(parent);
  return browser;
}

std::vector<std::pair<std::string, RefPtr<IDispatchObject>>> ScriptableBrowserDocuments() {
  std::vector<std::pair<std::string, RefPtr<IDispatchObject>>> documents;
  if (!ApplicationExExists()) return documents;
  TApplicationComponents& browsers = GetApplicationEx()->Browsers();
  for (int i = 0; i < browsers.GetLength(); ++i) {
    auto* browser = dynamic_cast<TWebBrowserEx*>(browsers.GetItem(i));
    if (browser && browser->AsObject() && browser->Document() && !browser->Name().empty())
      documents.emplace_back(browser->Name(), RefPtr<IDispatchObject>(browser->Document()));
  }
  return documents;
}

}  // namespace

void RegisterBrowserComponentTypes() { RegisterComponentType("webbrowser", NewDeclaredBrowser); }

}  // namespace halbrin
