#include "components/browser/browser_host.h"

#include <cfenv>

#include <algorithm>
#include <array>

#include "core/app/application_ex.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using platform::TObject;
using platform::Variant;

namespace {

constexpr std::array<std::uint32_t, 19> kDownloadFlags = {
    0x10,     0x20,     0x40,     0x80,      0x100,     0x200,      0x400,      0x800,      0x1000,    0x2000,
    0x4000,   0x8000,   0x10000,  0x20000,   0x40000,   0x10000000, 0x20000000, 0x40000000, 0x80000000};
constexpr std::array<std::uint32_t, 21> kHostFlagValues = {
    0x1,    0x2,    0x4,     0x8,     0x10,    0x20,    0x40,     0x80,     0x100,    0x200,   0x400,
    0x800,  0x1000, 0x2000,  0x4000,  0x10000, 0x20000, 0x40000,  0x80000,  0x100000, 0x200000};

template <std::size_t N>
std::uint32_t FlagWord(std::uint32_t set, const std::array<std::uint32_t, N>& flags) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < N; ++i)
    if (set & (1u << i)) word |= flags[i];
  return word;
}

// The floating-point environment in force when the first host was made.
const std::fenv_t& StartupFloatEnvironment() {
  static const std::fenv_t saved = [] {
    std::fenv_t env;
    std::fegetenv(&env);
    return env;
  }();
  return saved;
}

// Keys the page always gets first: editing and caret movement.
bool PassesToPage(unsigned keyval) {
  constexpr unsigned kBackSpace = 0xff08, kReturn = 0xff0d, kKpEnter = 0xff8d, kLeft = 0xff51, kRight = 0xff53;
  return keyval == kBackSpace || keyval == kReturn || keyval == kKpEnter || keyval == kLeft || keyval == kRight;
}

// Text sizes 0..4 as zoom levels of text alone.
constexpr std::array<double, 5> kTextSizeZoom = {0.7, 0.85, 1.0, 1.15, 1.3};

constexpr int kMenuDefault = 0, kMenuControl = 2;
// The refresh command the view's own reload reports.
constexpr int kRefreshReload = 6041;

}  // namespace

const platform::TEnumInfo& DownloadControlOptionInfo() {
  static const platform::TEnumInfo info(
      "TDownloadControlOption",
      {"DLCTL_DLIMAGES", "DLCTL_VIDEOS", "DLCTL_BGSOUNDS", "DLCTL_NO_SCRIPTS", "DLCTL_NO_JAVA",
       "DLCTL_NO_RUNACTIVEXCTLS", "DLCTL_NO_DLACTIVEXCTLS", "DLCTL_DOWNLOADONLY", "DLCTL_NO_FRAMEDOWNLOAD",
       "DLCTL_RESYNCHRONIZE", "DLCTL_PRAGMA_NO_CACHE", "DLCTL_NO_BEHAVIORS", "DLCTL_NO_METACHARSET",
       "DLCTL_URL_ENCODING_DISABLE_UTF8", "DLCTL_URL_ENCODING_ENABLE_UTF8", "DLCTL_FORCEOFFLINE",
       "DLCTL_NO_CLIENTPULL", "DLCTL_SILENT", "DLCTL_OFFLINE"});
  return info;
}

const platform::TEnumInfo& UserInterfaceOptionInfo() {
  static const platform::TEnumInfo info(
      "TUserInterfaceOption",
      {"DIALOG", "DISABLE_HELP_MENU", "NO3DBORDER", "SCROLL_NO", "DISABLE_SCRIPT_INACTIVE", "OPENNEWWIN",
       "DISABLE_OFFSCREEN", "FLAT_SCROLLBAR", "DIV_BLOCKDEFAULT", "ACTIVATE_CLIENTHIT_ONLY",
       "OVERRIDEBEHAVIORFACTORY", "CODEPAGELINKEDFONTS", "URL_ENCODING_DISABLE_UTF8", "URL_ENCODING_ENABLE_UTF8",
       "ENABLE_FORMS_AUTOCOMPLETE", "ENABLE_INPLACE_NAVIGATION", "IME_ENABLE_RECONVERSION", "THEME", "NOTHEME",
       "NOPICS", "NO3DOUTERBORDER"});
  return info;
}

std::uint32_t DownloadControlFlag(TDownloadControlOption element) noexcept {
  return element < kDownloadFlags.size() ? kDownloadFlags[element] : 0;
}
std::uint32_t UserInterfaceFlag(TUserInterfaceOption element) noexcept {
  return element < kHostFlagValues.size() ? kHostFlagValues[element] : 0;
}
std::uint32_t DownloadFlagWord(TDownloadControlOptions options) noexcept { return FlagWord(options, kDownloadFlags); }
std::uint32_t HostFlagWord(TUserInterfaceOptions options) noexcept { return FlagWord(options, kHostFlagValues); }

TBrowserSettings BrowserSettingsFor(std::uint32_t downloadFlags, std::uint32_t hostFlags) {
  TBrowserSettings settings;
  settings.autoLoadImages = (downloadFlags & kDlImages) != 0;
  settings.enableMedia = (downloadFlags & (kDlVideos | kDlBgSounds)) != 0;
  settings.javascriptMarkup = (downloadFlags & kDlNoScripts) == 0;
  settings.bypassCache = (downloadFlags & (kDlPragmaNoCache | kDlResynchronize)) != 0;
  settings.openNewWindows = (hostFlags & kHostOpenNewWin) != 0;
  if (hostFlags & kHostScrollNo) settings.userStyleSheet += "html{overflow:hidden}";
  if (hostFlags & kHostDialog) settings.userStyleSheet += "html{-webkit-user-select:none;user-select:none}";
  return settings;
}

using B = TBrowserHost;
HALBRIN_DEFINE_CLASS(TBrowserHost,
                     .Property("UserAgent", &B::UserAgent, &B::SetUserAgent)
                     .Property("ReplaceCaption", &B::ReplaceCaption, &B::SetReplaceCaption)
                     .Default(false)
                     .Property("PrintOptions", &B::PrintOptions, &B::SetPrintOptions)
                     .Owned()
                     .Set("DownloadOptions", &B::DownloadOptions, &B::SetDownloadOptions,
                          DownloadControlOptionInfo(), "TDownloadControlOptions")
                     .Default(0x7)
                     .Set("UserInterfaceOptions", &B::UserInterfaceOptions, &B::SetUserInterfaceOptions,
                          UserInterfaceOptionInfo(), "TUserInterfaceOptions")
                     .Default(0)
                     .Property("HelpFile", &B::HelpFile, &B::SetHelpFile)
                     .Property("EnableDDE", &B::EnableDDE, &B::SetEnableDDE)
                     .Default(false)
                     .Property("fpExceptions", &B::fpExceptions, &B::SetfpExceptions)
                     .Default(true)
                     .Event("OnShowContextMenu", &B::OnShowContextMenu, "TShowContextMenuEvent")
                     .Event("OnGetHostInfo", &B::OnGetHostInfo, "TGetHostInfoEvent")
                     .Event("OnShowUI", &B::OnShowUI, "THostEvent")
                     .Event("OnHideUI", &B::OnHideUI, "THostEvent")
                     .Event("OnUpdateUI", &B::OnUpdateUI, "THostEvent")
                     .Event("OnEnableModeless", &B::OnEnableModeless, "THostActivateEvent")
                     .Event("OnOnDocWindowActivate", &B::OnOnDocWindowActivate, "THostActivateEvent")
                     .Event("OnOnFrameWindowActivate", &B::OnOnFrameWindowActivate, "THostActivateEvent")
                     .Event("OnResizeBorder", &B::OnResizeBorder, "THostEvent")
                     .Event("OnTranslateAccelerator", &B::OnTranslateAccelerator, "TTranslateAcceleratorEvent")
                     .Event("OnGetOptionKeyPath", &B::OnGetOptionKeyPath, "TGetKeyPathEvent")
                     .Event("OnGetOverrideKeyPath", &B::OnGetOverrideKeyPath, "TGetKeyPathEvent")
                     .Event("OnGetDropTarget", &B::OnGetDropTarget, "THostEvent")
                     .Event("OnGetExternal", &B::OnGetExternal, "TGetExternalEvent")
                     .Event("OnTranslateUrl", &B::OnTranslateUrl, "TTranslateUrlEvent")
                     .Event("OnFilterDataObject", &B::OnFilterDataObject, "THostEvent")
                     .Event("OnShowMessage", &B::OnShowMessage, "TShowMessageEvent")
                     .Event("OnShowHelp", &B::OnShowHelp, "TShowHelpEvent")
                     .Event("OnGetTypeInfoCount", &B::OnGetTypeInfoCount, "THostEvent")
                     .Event("OnGetTypeInfo", &B::OnGetTypeInfo, "THostEvent")
                     .Event("OnGetIDsOfNames", &B::OnGetIDsOfNames, "THostEvent")
                     .Event("OnInvoke", &B::OnInvoke, "THostEvent")
                     .Event("OnQueryService", &B::OnQueryService, "THostEvent")
                     .Event("OnRefresh", &B::OnRefresh, "TRefreshEvent")
                     .Event("OnUnload", &B::OnUnload, "TNotifyEvent")
                     .Event("OnScriptError", &B::OnScriptError, "TScriptErrorEvent")
                     .Event("OnCloseQuery", &B::OnCloseQuery, "THostCloseQueryEvent")
                     .Event("OnShowDialog", &B::OnShowDialog, "TShowDialogEvent")
                     .Method("InvokeCommand", &B::ScriptInvokeCommand, {"group", "command", "option", "input"}))

TBrowserHost::TBrowserHost(platform::TComponent* owner)
    : TWinControl(owner),
      m_printOptions(std::make_unique<TPrintOptions>()),
      m_downloadOptions((1u << DLCTL_DLIMAGES) | (1u << DLCTL_VIDEOS) | (1u << DLCTL_BGSOUNDS)),
      m_pageSetupReader(RegistryPageSetupReader()) {
  StartupFloatEnvironment();
  ApplyOptions();
}

TBrowserHost::~TBrowserHost() {
  if (m_engine) m_engine->SetListener(nullptr);
}

void TBrowserHost::SetEngine(std::unique_ptr<IBrowserEngine> engine) {
  if (m_engine) m_engine->SetListener(nullptr);
  m_engine = std::move(engine);
  if (!m_engine) return;
  m_engine->SetListener(this);
  m_engine->SetUserAgentToken(m_userAgent);
  if (m_textSize != kTextSizeDefault) SetTextSize(m_textSize);
  else if (m_opticalZoom != 100) SetOpticalZoom(m_opticalZoom);
  ApplyOptions();
}

void TBrowserHost::SetUserAgent(std::string value) {
  m_userAgent = std::move(value);
  if (m_engine) m_engine->SetUserAgentToken(m_userAgent);
}

void TBrowserHost::SetPrintOptions(TPrintOptions* value) {
  if (value) m_printOptions->Assign(*value);
}

void TBrowserHost::SetDownloadOptions(TDownloadControlOptions value) {
  m_downloadOptions = value & ((1u << kDownloadFlags.size()) - 1);
  ApplyOptions();
}

void TBrowserHost::SetUserInterfaceOptions(TUserInterfaceOptions value) {
  m_userInterfaceOptions = value & ((1u << kHostFlagValues.size()) - 1);
  ApplyOptions();
}

void TBrowserHost::SetfpExceptions(bool value) {
  m_fpExceptions = value;
  if (value) std::fesetenv(&StartupFloatEnvironment());
  else fedisableexcept(FE_ALL_EXCEPT);
}

void TBrowserHost::ApplyOptions() {
  m_downloadFlags = DownloadFlagWord(m_downloadOptions);
  m_hostFlags = HostFlagWord(m_userInterfaceOptions);
  std::uint32_t hostFlags = m_hostFlags;
  if (m_engine && OnGetHostInfo.Assigned()) {
    std::int32_t result = kHostHandled;
    OnGetHostInfo(this, hostFlags, result);
  }
  m_settings = BrowserSettingsFor(m_downloadFlags, hostFlags);
  if (m_engine) m_engine->ApplySettings(m_settings);
}

std::string TBrowserHost::DialogCaption() const {
  return ApplicationExExists() ? GetApplicationEx()->Title() : std::string();
}

// ---- Document commands ----

void TBrowserHost::SetTextSize(int size) {
  m_textSize = std::clamp(size, kTextSizeMin, kTextSizeMax);
  if (m_engine) m_engine->SetZoom(kTextSizeZoom[m_textSize], true);
}

void TBrowserHost::SetOpticalZoom(int percent) {
  m_opticalZoom = std::clamp(percent, kOpticalZoomMin, kOpticalZoomMax);
  if (m_engine) m_engine->SetZoom(m_opticalZoom / 100.0, false);
}

bool TBrowserHost::InvokeCommand(const std::string& group, int command, int option, const Variant& in,
                                 Variant& out) {
  if (!group.empty()) {
    if (!platform::SameText(group, kDocViewGroup) || !m_engine) return false;
    if (command != kDocViewFind) return false;
    m_engine->Find(in.IsEmptyOrNull() ? std::string() : in.ToText());
    return true;
  }
  switch (command) {
    case kCmdZoomRange:
      out = Variant(kTextSizeMin | (kTextSizeMax << 16));
      return true;
    case kCmdOpticalZoomRange:
      out = Variant(kOpticalZoomMin | (kOpticalZoomMax << 16));
      return true;
    case kCmdZoom:
      if (!in.IsEmptyOrNull()) SetTextSize(in.ToInt());
      out = Variant(m_textSize);
      return true;
    case kCmdOpticalZoom:
      if (!in.IsEmptyOrNull()) SetOpticalZoom(in.ToInt());
      out = Variant(m_opticalZoom);
      return true;
    case kCmdCopy:
    case kCmdSelectAll:
      if (!m_engine) return false;
      m_engine->ExecuteEditingCommand(command == kCmdCopy ? kEditCopy : kEditSelectAll);
      return true;
    case kCmdPrint:
      if (!m_engine) return false;
      Print(option == kExecDontPromptUser && !in.IsEmptyOrNull() ? in.ToText() : std::string());
      return true;
    case kCmdPageSetup:
      if (!m_engine) return false;
      PageSetup();
      return true;
    default:
      return false;
  }
}

Variant TBrowserHost::ScriptInvokeCommand(const std::string& group, int command, int option, const Variant& in) {
  Variant out;
  if (!InvokeCommand(group, command, option, in, out)) return Variant(false);
  return out.IsEmpty() ? Variant(true) : out;
}

void TBrowserHost::Print(const std::string& pdfFile, std::function<void(const std::string&)> done) {
  if (!m_engine) {
    if (done) done("No view to print");
    return;
  }
  if (pdfFile.empty()) OnShowDialog(this, "print");
  m_engine->Print(TPrintJob{m_printOptions->Layout(), pdfFile},
                  [done = std::move(done)](const std::string& error) {
                    if (done) done(error);
                  });
}

void TBrowserHost::PageSetup() {
  if (!m_engine) return;
  if (m_pageSetupReader) ReadPageSetup(*m_printOptions, m_pageSetupReader, LocaleDecimalSeparator(), true);
  OnShowDialog(this, "pagesetup");
  const TPageLayout accepted = m_engine->RunPageSetup(m_printOptions->Layout());
  m_printOptions->SetOrientation(accepted.orientation == kLandscape ? poLandscape : poPortrait);
  const double factor = m_printOptions->Inches() ? 1 / kMillimetresPerInch : 1;
  TMargins& margins = *m_printOptions->Margins();
  margins.SetLeft(accepted.left * factor);
  margins.SetTop(accepted.top * factor);
  margins.SetRight(accepted.right * factor);
  margins.SetBottom(accepted.bottom * factor);
}

void TBrowserHost::ClearCache(std::function<void()> done) {
  if (!m_engine) {
    if (done) done();
    return;
  }
  m_engine->ClearCache([done = std::move(done)] {
    if (done) done();
  });
}

// ---- Host answers ----

std::int32_t TBrowserHost::TranslateUrl(const std::string& url, std::string& translated) {
  std::int32_t result = kHostDefault;
  translated.clear();
  OnTranslateUrl(this, url, translated, result);
  return result;
}

std::int32_t TBrowserHost::GetExternal(platform::RefPtr<platform::IDispatchObject>& external) {
  std::int32_t result = kHostDefault;
  OnGetExternal(this, external, result);
  return result;
}

std::int32_t TBrowserHost::GetDropTarget() {
  std::int32_t result = kHostHandled;
  OnGetDropTarget(this, result);
  return result;
}

std::int32_t TBrowserHost::ShowHelp(const std::string& topic) {
  // HTML Help is not available: only the event answers.
  std::int32_t result = kHostDefault;
  OnShowHelp(this, topic, result);
  return result;
}

bool TBrowserHost::ScriptError(const TScriptErrorInfo& info, bool& showDialog) {
  bool continueScripts = true;
  showDialog = true;
  OnScriptError(this, info, continueScripts, showDialog);
  return continueScripts;
}

bool TBrowserHost::Refresh(int command) {
  bool cancel = false;
  OnRefresh(this, command, cancel);
  return !cancel;
}

void TBrowserHost::Unload() { OnUnload(this); }

bool TBrowserHost::CloseQuery() {
  bool canClose = true;
  OnCloseQuery(this, canClose);
  return canClose;
}

// ---- What the view reports ----

bool TBrowserHost::EngineContextMenu(const TContextMenuRequest& request) {
  if (!OnShowContextMenu.Assigned()) return false;
  std::int32_t result = kHostDefault;
  OnShowContextMenu(this, request.editable ? kMenuControl : kMenuDefault, platform::TPoint{request.x, request.y},
                    result);
  return result == kHostHandled;
}

bool TBrowserHost::EngineKeyPress(const TKeyRequest& request) {
  if (PassesToPage(request.keyval) || !OnTranslateAccelerator.Assigned()) return false;
  std::int32_t result = kHostDefault;
  OnTranslateAccelerator(this, request.keyval, request.modifiers, result);
  return result == kHostHandled;
}

bool TBrowserHost::EngineScriptDialog(TScriptDialog& dialog) {
  if (m_downloadFlags & kDlSilent) {
    // Swallowed: nothing is shown and nothing is confirmed.
    dialog.confirmed = false;
    return true;
  }
  const std::string caption = DialogCaption();
  if (OnShowMessage.Assigned()) {
    std::int32_t result = kHostDefault;
    OnShowMessage(this, dialog, caption, result);
    if (result == kHostHandled) return true;
  }
  if (!m_replaceCaption || !m_engine) return false;
  m_engine->RunScriptDialog(dialog, caption);
  return true;
}

void TBrowserHost::EngineDecidePolicy(TNavigationPolicy& policy) {
  if (policy.reload && !Refresh(kRefreshReload)) {
    policy.ignore = true;
    return;
  }
  std::string translated;
  if (TranslateUrl(policy.uri, translated) == kHostHandled && !translated.empty() && translated != policy.uri) {
    policy.ignore = true;
    if (m_engine) m_engine->LoadUri(translated);
  }
}

void TBrowserHost::EngineLoadChanged(TLoadEvent event, const std::string&) {
  // The document shown goes when another load starts.
  if (event == TLoadEvent::Started && m_hasDocument) Unload();
  if (event == TLoadEvent::Committed) m_hasDocument = true;
}

void TBrowserHost::EngineFocusChanged(bool focused) {
  std::int32_t result = kHostDefault;
  OnOnDocWindowActivate(this, focused, result);
}

void TBrowserHost::EngineCloseRequested() { CloseQuery(); }

}  // namespace halbrin
