#pragma once

// The browser control as the application hosts it: the options that become
// the view's settings, the host events a subclass (the browser component)
// answers, document commands, printing and the page-setup dialog. The view
// itself is an IBrowserEngine (a WebKitWebView, or a fake in tests).

#include <cstdint>
#include <memory>
#include <string>

#include "components/browser/browser_engine.h"
#include "components/browser/print_options.h"
#include "platform/automation/dispatch.h"
#include "platform/classes/method.h"
#include "platform/controls/win_control.h"
#include "platform/variant/variant.h"

namespace halbrin {

// Elements of DownloadOptions, in order; bit n of the set is element n.
enum TDownloadControlOption : std::uint8_t {
  DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS, DLCTL_NO_SCRIPTS, DLCTL_NO_JAVA, DLCTL_NO_RUNACTIVEXCTLS,
  DLCTL_NO_DLACTIVEXCTLS, DLCTL_DOWNLOADONLY, DLCTL_NO_FRAMEDOWNLOAD, DLCTL_RESYNCHRONIZE, DLCTL_PRAGMA_NO_CACHE,
  DLCTL_NO_BEHAVIORS, DLCTL_NO_METACHARSET, DLCTL_URL_ENCODING_DISABLE_UTF8, DLCTL_URL_ENCODING_ENABLE_UTF8,
  DLCTL_FORCEOFFLINE, DLCTL_NO_CLIENTPULL, DLCTL_SILENT, DLCTL_OFFLINE
};
// Elements of UserInterfaceOptions, in order.
enum TUserInterfaceOption : std::uint8_t {
  DIALOG, DISABLE_HELP_MENU, NO3DBORDER, SCROLL_NO, DISABLE_SCRIPT_INACTIVE, OPENNEWWIN, DISABLE_OFFSCREEN,
  FLAT_SCROLLBAR, DIV_BLOCKDEFAULT, ACTIVATE_CLIENTHIT_ONLY, OVERRIDEBEHAVIORFACTORY, CODEPAGELINKEDFONTS,
  URL_ENCODING_DISABLE_UTF8, URL_ENCODING_ENABLE_UTF8, ENABLE_FORMS_AUTOCOMPLETE, ENABLE_INPLACE_NAVIGATION,
  IME_ENABLE_RECONVERSION, THEME, NOTHEME, NOPICS, NO3DOUTERBORDER
};
using TDownloadControlOptions = std::uint32_t;
using TUserInterfaceOptions = std::uint32_t;

const platform::TEnumInfo& DownloadControlOptionInfo();
const platform::TEnumInfo& UserInterfaceOptionInfo();

// Set element → published flag.
std::uint32_t DownloadControlFlag(TDownloadControlOption element) noexcept;
std::uint32_t UserInterfaceFlag(TUserInterfaceOption element) noexcept;
// A set as its flag word: the flags of its members added up.
std::uint32_t DownloadFlagWord(TDownloadControlOptions options) noexcept;
std::uint32_t HostFlagWord(TUserInterfaceOptions options) noexcept;

// Published flag values the host acts on.
inline constexpr std::uint32_t kDlImages = 0x10, kDlVideos = 0x20, kDlBgSounds = 0x40, kDlNoScripts = 0x80,
                               kDlNoFrameDownload = 0x1000, kDlResynchronize = 0x2000, kDlPragmaNoCache = 0x4000,
                               kDlForceOffline = 0x10000000, kDlSilent = 0x40000000, kDlOffline = 0x80000000;
inline constexpr std::uint32_t kHostDialog = 0x1, kHostScrollNo = 0x8, kHostOpenNewWin = 0x20;

// The view settings of a download flag word and a host flag word.
TBrowserSettings BrowserSettingsFor(std::uint32_t downloadFlags, std::uint32_t hostFlags);

// Host answers: the host handled it, or the browser goes on as it would.
inline constexpr std::int32_t kHostHandled = 0;   // S_OK
inline constexpr std::int32_t kHostDefault = 1;   // S_FALSE

// Document commands of InvokeCommand without a group.
inline constexpr int kCmdOpen = 1, kCmdSaveAs = 4, kCmdPrint = 6, kCmdPrintPreview = 7, kCmdPageSetup = 8,
                     kCmdProperties = 10, kCmdCopy = 12, kCmdSelectAll = 17, kCmdZoom = 19, kCmdZoomRange = 20,
                     kCmdOpticalZoom = 63, kCmdOpticalZoomRange = 64;
// The document-view group and its commands.
inline constexpr const char* kDocViewGroup = "{ED016940-BD5B-11CF-BA4E-00C04FD70816}";
inline constexpr int kDocViewFind = 1, kDocViewSource = 2, kDocViewOptions = 3;
// Execution options of print and page setup.
inline constexpr int kExecPromptUser = 1, kExecDontPromptUser = 2;

// Text sizes (command 19) and optical zoom percentages (command 63).
inline constexpr int kTextSizeMin = 0, kTextSizeMax = 4, kTextSizeDefault = 2;
inline constexpr int kOpticalZoomMin = 10, kOpticalZoomMax = 1000;

// What a page's error event reported.
struct TScriptErrorInfo {
  std::string character;
  std::string code;
  std::string message;
  std::string url;
  std::string line;
};

using THostEvent = platform::TEvent<platform::TObject*, std::int32_t&>;
using TShowContextMenuEvent = platform::TEvent<platform::TObject*, int, platform::TPoint, std::int32_t&>;
using TGetHostInfoEvent = platform::TEvent<platform::TObject*, std::uint32_t&, std::int32_t&>;
using THostActivateEvent = platform::TEvent<platform::TObject*, bool, std::int32_t&>;
using TTranslateAcceleratorEvent = platform::TEvent<platform::TObject*, std::uint32_t, std::uint32_t, std::int32_t&>;
using TGetKeyPathEvent = platform::TEvent<platform::TObject*, std::string&, std::int32_t&>;
using TGetExternalEvent =
    platform::TEvent<platform::TObject*, platform::RefPtr<platform::IDispatchObject>&, std::int32_t&>;
using TTranslateUrlEvent = platform::TEvent<platform::TObject*, const std::string&, std::string&, std::int32_t&>;
using TShowMessageEvent = platform::TEvent<platform::TObject*, TScriptDialog&, const std::string&, std::int32_t&>;
using TShowHelpEvent = platform::TEvent<platform::TObject*, const std::string&, std::int32_t&>;
using TRefreshEvent = platform::TEvent<platform::TObject*, int, bool&>;
using TScriptErrorEvent = platform::TEvent<platform::TObject*, const TScriptErrorInfo&, bool&, bool&>;
using THostCloseQueryEvent = platform::TEvent<platform::TObject*, bool&>;
using TShowDialogEvent = platform::TEvent<platform::TObject*, const std::string&>;

class TBrowserHost : public platform::TWinControl, private IBrowserEngineListener {
  HALBRIN_CLASS(TBrowserHost, platform::TWinControl)

  explicit TBrowserHost(platform::TComponent* owner = nullptr);
  ~TBrowserHost() override;

  // The view behind the host; settings and the user agent are applied to it
  // at once (and GetHostInfo asked). Null takes it away.
  void SetEngine(std::unique_ptr<IBrowserEngine> engine);
  IBrowserEngine* Engine() const noexcept { return m_engine.get(); }

  // ---- Published ----
  // Added after the view's own user agent, for this view alone.
  const std::string& UserAgent() const noexcept { return m_userAgent; }
  void SetUserAgent(std::string value);
  // Script dialogs are the host's own, titled with the application title;
  // without it the view shows its own.
  bool ReplaceCaption() const noexcept { return m_replaceCaption; }
  void SetReplaceCaption(bool value) noexcept { m_replaceCaption = value; }
  TPrintOptions* PrintOptions() const noexcept { return m_printOptions.get(); }
  void SetPrintOptions(TPrintOptions* value);
  TDownloadControlOptions DownloadOptions() const noexcept { return m_downloadOptions; }
  void SetDownloadOptions(TDownloadControlOptions value);
  TUserInterfaceOptions UserInterfaceOptions() const noexcept { return m_userInterfaceOptions; }
  void SetUserInterfaceOptions(TUserInterfaceOptions value);
  // Kept; HTML Help is not available, so help is the ShowHelp event's.
  const std::string& HelpFile() const noexcept { return m_helpFile; }
  void SetHelpFile(std::string value) { m_helpFile = std::move(value); }
  // Kept; there is no DDE.
  bool EnableDDE() const noexcept { return m_enableDDE; }
  void SetEnableDDE(bool value) noexcept { m_enableDDE = value; }
  // True: the floating-point environment of start-up; false: every
  // floating-point exception masked.
  bool fpExceptions() const noexcept { return m_fpExceptions; }
  void SetfpExceptions(bool value);

  // The flag words of the sets.
  std::uint32_t DownloadFlags() const noexcept { return m_downloadFlags; }
  std::uint32_t HostFlags() const noexcept { return m_hostFlags; }
  // What the view was last given.
  const TBrowserSettings& Settings() const noexcept { return m_settings; }

  // Runs a document command (see the kCmd... constants); `group` "" for
  // none. False when the command is unknown or not available.
  bool InvokeCommand(const std::string& group, int command, int option, const platform::Variant& in,
                     platform::Variant& out);
  // InvokeCommand as scripts call it: the command's answer, True when it
  // gives none, False when the command is unknown or not available.
  // (`InvokeCommand('', 6, 2, '/full/path.pdf')` prints silently into the file.)
  platform::Variant ScriptInvokeCommand(const std::string& group, int command, int option,
                                        const platform::Variant& in);
  // Prints silently into a PDF file, or through the print dialog with an
  // empty `pdfFile`; `done` gets "" or the error.
  void Print(const std::string& pdfFile, std::function<void(const std::string&)> done = {});
  // The page-setup dialog filled from PrintOptions; what the user accepts
  // goes back into them. Empty fields are filled from the stored page setup.
  void PageSetup();
  void SetPageSetupReader(TPageSetupReader reader) { m_pageSetupReader = std::move(reader); }
  // Clears this program's cached website data.
  void ClearCache(std::function<void()> done = {});

  // The caption of the host's own script dialogs.
  std::string DialogCaption() const;

  // Host answers the browser component also asks for.
  std::int32_t TranslateUrl(const std::string& url, std::string& translated);
  std::int32_t GetExternal(platform::RefPtr<platform::IDispatchObject>& external);
  std::int32_t GetDropTarget();
  std::int32_t ShowHelp(const std::string& topic);
  // Returns whether the page's own error handling goes on.
  bool ScriptError(const TScriptErrorInfo& info, bool& showDialog);
  bool Refresh(int command);
  void Unload();
  bool CloseQuery();

  // ---- Events ----
  TShowContextMenuEvent OnShowContextMenu;
  TGetHostInfoEvent OnGetHostInfo;
  THostEvent OnShowUI;
  THostEvent OnHideUI;
  THostEvent OnUpdateUI;
  THostActivateEvent OnEnableModeless;
  THostActivateEvent OnOnDocWindowActivate;
  THostActivateEvent OnOnFrameWindowActivate;
  THostEvent OnResizeBorder;
  TTranslateAcceleratorEvent OnTranslateAccelerator;
  TGetKeyPathEvent OnGetOptionKeyPath;
  TGetKeyPathEvent OnGetOverrideKeyPath;
  THostEvent OnGetDropTarget;
  TGetExternalEvent OnGetExternal;
  TTranslateUrlEvent OnTranslateUrl;
  THostEvent OnFilterDataObject;
  TShowMessageEvent OnShowMessage;
  TShowHelpEvent OnShowHelp;
  THostEvent OnGetTypeInfoCount;
  THostEvent OnGetTypeInfo;
  THostEvent OnGetIDsOfNames;
  THostEvent OnInvoke;
  THostEvent OnQueryService;
  TRefreshEvent OnRefresh;
  platform::TNotifyEvent OnUnload;
  TScriptErrorEvent OnScriptError;
  THostCloseQueryEvent OnCloseQuery;
  TShowDialogEvent OnShowDialog;

 protected:
  // Computes both flag words, asks GetHostInfo and gives the view its settings.
  void ApplyOptions();

  // ---- IBrowserEngineListener ----
  bool EngineContextMenu(const TContextMenuRequest& request) override;
  bool EngineKeyPress(const TKeyRequest& request) override;
  bool EngineScriptDialog(TScriptDialog& dialog) override;
  void EngineDecidePolicy(TNavigationPolicy& policy) override;
  void EngineLoadChanged(TLoadEvent event, const std::string& uri) override;
  void EngineTitleChanged(const std::string&) override {}
  void EngineProgressChanged(double) override {}
  void EngineFocusChanged(bool focused) override;
  void EngineCloseRequested() override;

 private:
  void SetTextSize(int size);
  void SetOpticalZoom(int percent);

  std::unique_ptr<IBrowserEngine> m_engine;
  std::string m_userAgent;
  bool m_replaceCaption = false;
  std::unique_ptr<TPrintOptions> m_printOptions;
  TDownloadControlOptions m_downloadOptions;
  TUserInterfaceOptions m_userInterfaceOptions = 0;
  std::string m_helpFile;
  bool m_enableDDE = false;
  bool m_fpExceptions = true;
  std::uint32_t m_downloadFlags = 0;
  std::uint32_t m_hostFlags = 0;
  TBrowserSettings m_settings;
  int m_textSize = kTextSizeDefault;
  int m_opticalZoom = 100;
  bool m_hasDocument = false;
  TPageSetupReader m_pageSetupReader;
};

}  // namespace halbrin
