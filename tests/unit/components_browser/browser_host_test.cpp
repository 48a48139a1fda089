#include "components/browser/browser_host.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdlib>
#include <memory>
#include <optional>

#include "core/app/application_ex.h"
#include "fake_browser_engine.h"

namespace halbrin {
namespace {

using platform::Variant;
using test::FakeBrowserEngine;
using test::FakeBrowserEngineLog;

// A host with a fake view behind it.
struct HostFixture {
  FakeBrowserEngineLog log;
  std::unique_ptr<TBrowserHost> host = std::make_unique<TBrowserHost>();
  FakeBrowserEngine* engine = nullptr;

  HostFixture() {
    host->SetPageSetupReader({});
    auto fake = std::make_unique<FakeBrowserEngine>(log);
    engine = fake.get();
    host->SetEngine(std::move(fake));
  }
  IBrowserEngineListener& View() const { return *engine->Listener(); }
};

// Event handlers a test points the host's events at.
class Handlers : public platform::TComponent {
 public:
  std::int32_t answer = kHostHandled;
  std::uint32_t addHostFlags = 0;
  int menuId = -1;
  std::string caption;
  std::string translation;
  bool cancelRefresh = false;
  bool hideErrorDialog = false;
  std::vector<std::string> dialogs;

  void ContextMenu(platform::TObject*, int id, platform::TPoint, std::int32_t& result) {
    menuId = id;
    result = answer;
  }
  void HostInfo(platform::TObject*, std::uint32_t& flags, std::int32_t&) { flags |= addHostFlags; }
  void Message(platform::TObject*, TScriptDialog&, const std::string& dialogCaption, std::int32_t& result) {
    caption = dialogCaption;
    result = answer;
  }
  void Translate(platform::TObject*, const std::string&, std::string& translated, std::int32_t& result) {
    translated = translation;
    result = answer;
  }
  void Refresh(platform::TObject*, int, bool& cancel) { cancel = cancelRefresh; }
  void Error(platform::TObject*, const TScriptErrorInfo&, bool&, bool& showDialog) {
    if (hideErrorDialog) showDialog = false;
  }
  void ShowDialog(platform::TObject*, const std::string& which) { dialogs.push_back(which); }
};

// ---- Flag words ----

struct FlagRow {
  int element;
  std::uint32_t flag;
};

class DownloadFlagTest : public ::testing::TestWithParam<FlagRow> {};

TEST_P(DownloadFlagTest, EachElementIsItsPublishedFlag) {
  const FlagRow row = GetParam();
  EXPECT_EQ(DownloadFlagWord(1u << row.element), row.flag) << DownloadControlOptionInfo().Name(row.element);
  // Setting the element alone gives exactly its flag.
  TBrowserHost host;
  host.SetDownloadOptions(1u << row.element);
  EXPECT_EQ(host.DownloadFlags(), row.flag);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, DownloadFlagTest,
    ::testing::Values(FlagRow{DLCTL_DLIMAGES, 0x10}, FlagRow{DLCTL_VIDEOS, 0x20}, FlagRow{DLCTL_BGSOUNDS, 0x40},
                      FlagRow{DLCTL_NO_SCRIPTS, 0x80}, FlagRow{DLCTL_NO_JAVA, 0x100},
                      FlagRow{DLCTL_NO_RUNACTIVEXCTLS, 0x200}, FlagRow{DLCTL_NO_DLACTIVEXCTLS, 0x400},
                      FlagRow{DLCTL_DOWNLOADONLY, 0x800}, FlagRow{DLCTL_NO_FRAMEDOWNLOAD, 0x1000},
                      FlagRow{DLCTL_RESYNCHRONIZE, 0x2000}, FlagRow{DLCTL_PRAGMA_NO_CACHE, 0x4000},
                      FlagRow{DLCTL_NO_BEHAVIORS, 0x8000}, FlagRow{DLCTL_NO_METACHARSET, 0x10000},
                      FlagRow{DLCTL_URL_ENCODING_DISABLE_UTF8, 0x20000},
                      FlagRow{DLCTL_URL_ENCODING_ENABLE_UTF8, 0x40000}, FlagRow{DLCTL_FORCEOFFLINE, 0x10000000},
                      FlagRow{DLCTL_NO_CLIENTPULL, 0x20000000}, FlagRow{DLCTL_SILENT, 0x40000000},
                      FlagRow{DLCTL_OFFLINE, 0x80000000}));

class HostFlagTest : public ::testing::TestWithParam<FlagRow> {};

TEST_P(HostFlagTest, EachElementIsItsPublishedFlag) {
  const FlagRow row = GetParam();
  EXPECT_EQ(HostFlagWord(1u << row.element), row.flag) << UserInterfaceOptionInfo().Name(row.element);
  TBrowserHost host;
  host.SetUserInterfaceOptions(1u << row.element);
  EXPECT_EQ(host.HostFlags(), row.flag);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, HostFlagTest,
    ::testing::Values(FlagRow{DIALOG, 0x1}, FlagRow{DISABLE_HELP_MENU, 0x2}, FlagRow{NO3DBORDER, 0x4},
                      FlagRow{SCROLL_NO, 0x8}, FlagRow{DISABLE_SCRIPT_INACTIVE, 0x10}, FlagRow{OPENNEWWIN, 0x20},
                      FlagRow{DISABLE_OFFSCREEN, 0x40}, FlagRow{FLAT_SCROLLBAR, 0x80},
                      FlagRow{DIV_BLOCKDEFAULT, 0x100}, FlagRow{ACTIVATE_CLIENTHIT_ONLY, 0x200},
                      FlagRow{OVERRIDEBEHAVIORFACTORY, 0x400}, FlagRow{CODEPAGELINKEDFONTS, 0x800},
                      FlagRow{URL_ENCODING_DISABLE_UTF8, 0x1000}, FlagRow{URL_ENCODING_ENABLE_UTF8, 0x2000},
                      FlagRow{ENABLE_FORMS_AUTOCOMPLETE, 0x4000}, FlagRow{ENABLE_INPLACE_NAVIGATION, 0x10000},
                      FlagRow{IME_ENABLE_RECONVERSION, 0x20000}, FlagRow{THEME, 0x40000},
                      FlagRow{NOTHEME, 0x80000}, FlagRow{NOPICS, 0x100000}, FlagRow{NO3DOUTERBORDER, 0x200000}));

TEST(BrowserHostFlags, DefaultsAndTheComponentsInterfaceDefault) {
  TBrowserHost host;
  EXPECT_EQ(host.DownloadFlags(), 0x70u);
  EXPECT_EQ(host.HostFlags(), 0u);
  EXPECT_FALSE(host.EnableDDE());
  EXPECT_TRUE(host.fpExceptions());
  EXPECT_FALSE(host.ReplaceCaption());
  // The browser component's interface default: no 3D borders, themed, form autocomplete.
  host.SetUserInterfaceOptions((1u << NO3DBORDER) | (1u << ENABLE_FORMS_AUTOCOMPLETE) | (1u << THEME) |
                               (1u << NO3DOUTERBORDER));
  EXPECT_EQ(host.HostFlags(), 0x244004u);
  // Bits beyond the last element are not members.
  host.SetDownloadOptions(0xFFFFFFFFu);
  EXPECT_EQ(host.DownloadOptions(), (1u << 19) - 1);
}

// ---- Flag words → view settings ----

struct SettingsRow {
  const char* name;
  std::uint32_t download;
  std::uint32_t host;
  bool images, media, markup, bypassCache, newWindows;
  const char* styleSheet;
};

class SettingsTest : public ::testing::TestWithParam<SettingsRow> {};

TEST_P(SettingsTest, FlagsBecomeViewSettings) {
  const SettingsRow& row = GetParam();
  const TBrowserSettings s = BrowserSettingsFor(row.download, row.host);
  EXPECT_EQ(s.autoLoadImages, row.images) << row.name;
  EXPECT_EQ(s.enableMedia, row.media) << row.name;
  EXPECT_EQ(s.javascriptMarkup, row.markup) << row.name;
  EXPECT_EQ(s.bypassCache, row.bypassCache) << row.name;
  EXPECT_EQ(s.openNewWindows, row.newWindows) << row.name;
  EXPECT_EQ(s.userStyleSheet, row.styleSheet) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsTest,
    ::testing::Values(
        SettingsRow{"default", 0x70, 0, true, true, true, false, false, ""},
        SettingsRow{"nothing", 0, 0, false, false, true, false, false, ""},
        SettingsRow{"images only", 0x10, 0, true, false, true, false, false, ""},
        SettingsRow{"videos only", 0x20, 0, false, true, true, false, false, ""},
        SettingsRow{"sounds only", 0x40, 0, false, true, true, false, false, ""},
        SettingsRow{"no scripts", 0x70 | 0x80, 0, true, true, false, false, false, ""},
        SettingsRow{"pragma no cache", 0x4000, 0, false, false, true, true, false, ""},
        SettingsRow{"resynchronize", 0x2000, 0, false, false, true, true, false, ""},
        SettingsRow{"silent is the host's", 0x40000000, 0, false, false, true, false, false, ""},
        SettingsRow{"no java is a no-op", 0x100, 0, false, false, true, false, false, ""},
        SettingsRow{"scroll no", 0, 0x8, false, false, true, false, false, "html{overflow:hidden}"},
        SettingsRow{"dialog", 0, 0x1, false, false, true, false, false,
                    "html{-webkit-user-select:none;user-select:none}"},
        SettingsRow{"open new windows", 0, 0x20, false, false, true, false, true, ""},
        SettingsRow{"theme is a no-op", 0, 0x40000 | 0x4, false, false, true, false, false, ""}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(BrowserHostSettings, ChangingASetGivesTheViewItsSettingsAgain) {
  HostFixture f;
  ASSERT_FALSE(f.log.settings.empty());
  EXPECT_EQ(f.log.settings.back(), BrowserSettingsFor(0x70, 0));

  f.host->SetDownloadOptions(f.host->DownloadOptions() | (1u << DLCTL_NO_SCRIPTS));
  EXPECT_FALSE(f.log.settings.back().javascriptMarkup);
  f.host->SetUserInterfaceOptions(1u << SCROLL_NO);
  EXPECT_EQ(f.log.settings.back().userStyleSheet, "html{overflow:hidden}");
  EXPECT_FALSE(f.log.settings.back().javascriptMarkup) << "the other set's settings are kept";
  f.host->SetDownloadOptions(1u << DLCTL_DLIMAGES);
  EXPECT_TRUE(f.log.settings.back().javascriptMarkup);
  EXPECT_FALSE(f.log.settings.back().enableMedia);
  EXPECT_EQ(f.log.settings.back(), f.host->Settings());
}

TEST(BrowserHostSettings, GetHostInfoChangesTheFlagsTheViewGets) {
  HostFixture f;
  Handlers handlers;
  handlers.addHostFlags = kHostOpenNewWin;
  f.host->OnGetHostInfo.Bind(handlers, &Handlers::HostInfo);
  f.host->SetUserInterfaceOptions(1u << SCROLL_NO);
  EXPECT_TRUE(f.log.settings.back().openNewWindows);
  EXPECT_EQ(f.log.settings.back().userStyleSheet, "html{overflow:hidden}");
  // The host's own word stays the set's.
  EXPECT_EQ(f.host->HostFlags(), 0x8u);
}

TEST(BrowserHostSettings, AViewGivenLaterGetsTheCurrentSettingsAndAgent) {
  TBrowserHost host;
  host.SetDownloadOptions(1u << DLCTL_NO_SCRIPTS);
  host.SetUserAgent("Zebrin/2.5");
  Variant out;
  host.InvokeCommand("", kCmdOpticalZoom, 0, Variant(150), out);
  FakeBrowserEngineLog log;
  host.SetEngine(std::make_unique<FakeBrowserEngine>(log));
  ASSERT_FALSE(log.settings.empty());
  EXPECT_FALSE(log.settings.back().javascriptMarkup);
  EXPECT_FALSE(log.settings.back().autoLoadImages);
  EXPECT_EQ(log.userAgentToken, "Zebrin/2.5");
  EXPECT_DOUBLE_EQ(log.zoom, 1.5);
  host.SetUserAgent("");
  EXPECT_EQ(log.userAgentToken, "");
}

// ---- Zoom ----

struct ZoomRow {
  int command;
  int asked;
  int kept;
};

class ZoomTest : public ::testing::TestWithParam<ZoomRow> {};

TEST_P(ZoomTest, ClampedIntoTheReportedRange) {
  const ZoomRow row = GetParam();
  HostFixture f;
  Variant out;
  ASSERT_TRUE(f.host->InvokeCommand("", row.command == kCmdZoom ? kCmdZoomRange : kCmdOpticalZoomRange, 0,
                                    Variant(), out));
  const int range = out.ToInt();
  ASSERT_TRUE(f.host->InvokeCommand("", row.command, 0, Variant(row.asked), out));
  EXPECT_EQ(out.ToInt(), row.kept);
  EXPECT_GE(row.kept, range & 0xFFFF);
  EXPECT_LE(row.kept, range >> 16);
  // Read back with an empty input.
  ASSERT_TRUE(f.host->InvokeCommand("", row.command, 0, Variant(), out));
  EXPECT_EQ(out.ToInt(), row.kept);
  EXPECT_EQ(f.log.textOnly, row.command == kCmdZoom);
  if (row.command == kCmdOpticalZoom) {
    EXPECT_DOUBLE_EQ(f.log.zoom, row.kept / 100.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ZoomTest,
                         ::testing::Values(ZoomRow{kCmdZoom, -3, 0}, ZoomRow{kCmdZoom, 0, 0}, ZoomRow{kCmdZoom, 3, 3},
                                           ZoomRow{kCmdZoom, 4, 4}, ZoomRow{kCmdZoom, 9, 4},
                                           ZoomRow{kCmdOpticalZoom, 5, 10}, ZoomRow{kCmdOpticalZoom, 10, 10},
                                           ZoomRow{kCmdOpticalZoom, 250, 250},
                                           ZoomRow{kCmdOpticalZoom, 1000, 1000},
                                           ZoomRow{kCmdOpticalZoom, 5000, 1000}));

TEST(BrowserHostCommands, EditingFindAndUnknownCommands) {
  HostFixture f;
  Variant out;
  EXPECT_TRUE(f.host->InvokeCommand("", kCmdCopy, 0, Variant(), out));
  EXPECT_TRUE(f.host->InvokeCommand("", kCmdSelectAll, 0, Variant(), out));
  EXPECT_EQ(f.log.editingCommands, (std::vector<std::string>{"Copy", "SelectAll"}));
  // The group's name matches without regard to case.
  EXPECT_TRUE(f.host->InvokeCommand("{ed016940-bd5b-11cf-ba4e-00c04fd70816}", kDocViewFind, 0, Variant("needle"), out));
  EXPECT_EQ(f.log.finds, (std::vector<std::string>{"needle"}));
  EXPECT_FALSE(f.host->InvokeCommand("{00000000-0000-0000-0000-000000000000}", kDocViewFind, 0, Variant(), out));
  EXPECT_FALSE(f.host->InvokeCommand("", 9999, 0, Variant(), out));

  TBrowserHost bare;  // no view: nothing to run the command on
  EXPECT_FALSE(bare.InvokeCommand("", kCmdCopy, 0, Variant(), out));
}

TEST(BrowserHostCommands, PrintSilentlyToAFileOrThroughTheDialog) {
  HostFixture f;
  Handlers handlers;
  f.host->OnShowDialog.Bind(handlers, &Handlers::ShowDialog);
  f.host->PrintOptions()->SetOrientation(poLandscape);
  f.host->PrintOptions()->SetInches(true);
  f.host->PrintOptions()->Margins()->SetLeft(1);
  Variant out;
  ASSERT_TRUE(f.host->InvokeCommand("", kCmdPrint, kExecDontPromptUser, Variant("/tmp/out.pdf"), out));
  ASSERT_TRUE(f.host->InvokeCommand("", kCmdPrint, kExecPromptUser, Variant(), out));
  ASSERT_EQ(f.log.prints.size(), 2u);
  EXPECT_EQ(f.log.prints[0].outputFile, "/tmp/out.pdf");
  EXPECT_EQ(f.log.prints[0].layout.orientation, kLandscape);
  EXPECT_DOUBLE_EQ(f.log.prints[0].layout.left, 25.4) << "the print operation gets millimetres";
  EXPECT_EQ(f.log.prints[1].outputFile, "");
  EXPECT_EQ(handlers.dialogs, (std::vector<std::string>{"print"})) << "only the dialog form shows a dialog";
}

// ---- Page setup ----

struct UnitRow {
  bool optionsInInches;
  double margin;
  bool wantInches;
  double expected;
};

class MarginUnitTest : public ::testing::TestWithParam<UnitRow> {};

TEST_P(MarginUnitTest, ConvertedWhenTheUnitsDiffer) {
  const UnitRow row = GetParam();
  TPrintOptions options;
  options.SetInches(row.optionsInInches);
  options.Margins()->SetLeft(row.margin);
  options.Margins()->SetBottom(row.margin);
  const TMargins converted = options.MarginsIn(row.wantInches);
  EXPECT_DOUBLE_EQ(converted.Left(), row.expected);
  EXPECT_DOUBLE_EQ(converted.Bottom(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, MarginUnitTest,
                         ::testing::Values(UnitRow{false, 25.4, true, 1},   // millimetre options, U.S. locale
                                           UnitRow{true, 1, false, 25.4},   // inch options, metric locale
                                           UnitRow{false, 12.5, false, 12.5}, UnitRow{true, 0.75, true, 0.75},
                                           UnitRow{false, 0, true, 0}));

struct MarginTextRow {
  const char* text;
  char separator;
  double expected;
};

class MarginTextTest : public ::testing::TestWithParam<MarginTextRow> {};

TEST_P(MarginTextTest, BlanksGoAndEitherSeparatorReads) {
  const MarginTextRow row = GetParam();
  EXPECT_DOUBLE_EQ(ParsePageSetupMargin(row.text, row.separator), row.expected) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Rows, MarginTextTest,
                         ::testing::Values(MarginTextRow{"0.75", '.', 0.75}, MarginTextRow{"0.75", ',', 0.75},
                                           MarginTextRow{"0,75", ',', 0.75}, MarginTextRow{" 1 . 5 ", ',', 1.5},
                                           MarginTextRow{"2", '.', 2}, MarginTextRow{"", '.', 0},
                                           MarginTextRow{"0,75", '.', 0},  // a comma is no separator here
                                           MarginTextRow{"abc", '.', 0}, MarginTextRow{"1.2.3", ',', 0}));

std::optional<std::string> StoredPageSetup(std::string_view name) {
  if (name == "header") return "&w&bPage &p";
  if (name == "margin_left") return "0.75";
  if (name == "margin_top") return "0,5";
  if (name == "margin_right") return " 1 ";
  return std::nullopt;  // footer, margin_bottom missing
}

TEST(PageSetupRead, InchesAsStoredOrMillimetres) {
  TPrintOptions inches;
  inches.SetInches(true);
  inches.SetFooter("kept");
  inches.Margins()->SetBottom(3);
  ReadPageSetup(inches, &StoredPageSetup, ',');
  EXPECT_EQ(inches.Header(), "&w&bPage &p");
  EXPECT_EQ(inches.Footer(), "kept") << "a missing value leaves the field";
  EXPECT_DOUBLE_EQ(inches.Margins()->Left(), 0.75);
  EXPECT_DOUBLE_EQ(inches.Margins()->Top(), 0.5);
  EXPECT_DOUBLE_EQ(inches.Margins()->Right(), 1);
  EXPECT_DOUBLE_EQ(inches.Margins()->Bottom(), 3);

  TPrintOptions mm;
  ReadPageSetup(mm, &StoredPageSetup, ',');
  EXPECT_DOUBLE_EQ(mm.Margins()->Left(), 0.75 * 25.4);
  EXPECT_DOUBLE_EQ(mm.Margins()->Top(), 0.5 * 25.4);
}

TEST(PageSetupRead, OnlyEmptyFieldsKeepWhatIsSet) {
  TPrintOptions options;
  options.SetInches(true);
  options.SetHeader("mine");
  options.Margins()->SetLeft(2);
  ReadPageSetup(options, &StoredPageSetup, '.', true);
  EXPECT_EQ(options.Header(), "mine");
  EXPECT_DOUBLE_EQ(options.Margins()->Left(), 2);
  EXPECT_DOUBLE_EQ(options.Margins()->Right(), 1) << "an empty field is filled";
}

TEST(PageSetupRead, TheDialogIsFilledFromTheOptionsAndItsAnswerKept) {
  HostFixture f;
  Handlers handlers;
  f.host->OnShowDialog.Bind(handlers, &Handlers::ShowDialog);
  f.host->SetPageSetupReader(&StoredPageSetup);
  TPrintOptions& options = *f.host->PrintOptions();
  options.SetInches(true);
  options.Margins()->SetLeft(2);
  f.engine->pageSetupAnswer = [](const TPageLayout& given) {
    TPageLayout answer = given;
    answer.orientation = kLandscape;
    answer.bottom = 12.7;
    return answer;
  };
  f.host->PageSetup();
  ASSERT_EQ(f.log.pageSetups.size(), 1u);
  EXPECT_DOUBLE_EQ(f.log.pageSetups[0].left, 50.8) << "set fields are kept, in millimetres";
  EXPECT_DOUBLE_EQ(f.log.pageSetups[0].right, 25.4) << "empty fields come from the stored setup";
  EXPECT_EQ(options.Orientation(), poLandscape);
  EXPECT_DOUBLE_EQ(options.Margins()->Bottom(), 0.5) << "the answer returns in the options' unit";
  EXPECT_EQ(handlers.dialogs, (std::vector<std::string>{"pagesetup"}));
}

// ---- Default answers ----

TEST(BrowserHostAnswers, WithoutEventsTheBrowserDoesWhatItWould) {
  HostFixture f;
  EXPECT_FALSE(f.View().EngineContextMenu(TContextMenuRequest{10, 20, false, true})) << "own menu";
  EXPECT_FALSE(f.View().EngineKeyPress(TKeyRequest{'a', 0}));
  TScriptDialog dialog{TScriptDialogKind::Confirm, "sure?", "", false};
  EXPECT_FALSE(f.View().EngineScriptDialog(dialog)) << "the view's own dialog";
  TNavigationPolicy navigation{"file:///a.html", false, false, false};
  f.View().EngineDecidePolicy(navigation);
  EXPECT_FALSE(navigation.ignore);
  TNavigationPolicy reload{"file:///a.html", true, false, false};
  f.View().EngineDecidePolicy(reload);
  EXPECT_FALSE(reload.ignore);

  std::string translated = "stale";
  EXPECT_EQ(f.host->TranslateUrl("file:///a.html", translated), kHostDefault);
  EXPECT_EQ(translated, "");
  platform::RefPtr<platform::IDispatchObject> external;
  EXPECT_EQ(f.host->GetExternal(external), kHostDefault);
  EXPECT_EQ(f.host->GetDropTarget(), kHostHandled) << "S_OK with no object";
  EXPECT_EQ(f.host->ShowHelp("topic"), kHostDefault);
  bool showDialog = false;
  EXPECT_TRUE(f.host->ScriptError(TScriptErrorInfo{}, showDialog));
  EXPECT_TRUE(showDialog);
  EXPECT_TRUE(f.host->Refresh(6041));
  EXPECT_TRUE(f.host->CloseQuery());
  EXPECT_TRUE(f.log.loads.empty());
}

TEST(BrowserHostAnswers, EventsDecide) {
  HostFixture f;
  Handlers handlers;
  f.host->OnShowContextMenu.Bind(handlers, &Handlers::ContextMenu);
  f.host->OnTranslateUrl.Bind(handlers, &Handlers::Translate);
  f.host->OnRefresh.Bind(handlers, &Handlers::Refresh);
  f.host->OnScriptError.Bind(handlers, &Handlers::Error);

  EXPECT_TRUE(f.View().EngineContextMenu(TContextMenuRequest{1, 2, false, true}));
  EXPECT_EQ(handlers.menuId, 2) << "an editable node is the control menu";
  EXPECT_TRUE(f.View().EngineContextMenu(TContextMenuRequest{1, 2, false, false}));
  EXPECT_EQ(handlers.menuId, 0);
  handlers.answer = kHostDefault;
  EXPECT_FALSE(f.View().EngineContextMenu(TContextMenuRequest{}));

  // Translation: the navigation is replaced by one to the new URL.
  handlers.answer = kHostHandled;
  handlers.translation = "file:///b.html";
  TNavigationPolicy navigation{"file:///a.html", false, false, false};
  f.View().EngineDecidePolicy(navigation);
  EXPECT_TRUE(navigation.ignore);
  EXPECT_EQ(f.log.loads, (std::vector<std::string>{"file:///b.html"}));
  // The same URL, or none, is no translation.
  for (const char* same : {"file:///b.html", ""}) {
    handlers.translation = same;
    TNavigationPolicy again{"file:///b.html", false, false, false};
    f.View().EngineDecidePolicy(again);
    EXPECT_FALSE(again.ignore) << same;
  }
  EXPECT_EQ(f.log.loads.size(), 1u);

  handlers.translation.clear();
  handlers.cancelRefresh = true;
  TNavigationPolicy reload{"file:///b.html", true, false, false};
  f.View().EngineDecidePolicy(reload);
  EXPECT_TRUE(reload.ignore) << "a cancelled refresh does not happen";

  handlers.hideErrorDialog = true;
  bool showDialog = true;
  EXPECT_TRUE(f.host->ScriptError(TScriptErrorInfo{"1", "0", "boom", "file:///b.html", "3"}, showDialog));
  EXPECT_FALSE(showDialog);
}

TEST(BrowserHostAnswers, KeysTheHostNeverSeesFirst) {
  struct Keys : platform::TComponent {
    std::vector<std::uint32_t> seen;
    void Key(platform::TObject*, std::uint32_t key, std::uint32_t, std::int32_t& result) {
      seen.push_back(key);
      result = kHostHandled;
    }
  } keys;
  HostFixture f;
  f.host->OnTranslateAccelerator.Bind(keys, &Keys::Key);
  for (unsigned passed : {0xff08u, 0xff0du, 0xff8du, 0xff51u, 0xff53u})
    EXPECT_FALSE(f.View().EngineKeyPress(TKeyRequest{passed, 0})) << std::hex << passed;
  EXPECT_TRUE(keys.seen.empty());
  EXPECT_TRUE(f.View().EngineKeyPress(TKeyRequest{0xffc2u /* F5 */, 0}));
  EXPECT_TRUE(f.View().EngineKeyPress(TKeyRequest{0xff52u /* Up */, 0}));
  EXPECT_EQ(keys.seen, (std::vector<std::uint32_t>{0xffc2u, 0xff52u}));
}

// ---- Script dialogs ----

TEST(BrowserHostDialogs, TitledWithTheApplicationTitle) {
  GetApplicationEx()->SetTitle("Order Desk");
  HostFixture f;
  f.host->SetReplaceCaption(true);
  TScriptDialog alert{TScriptDialogKind::Alert, "hello", "", false};
  EXPECT_TRUE(f.View().EngineScriptDialog(alert));
  EXPECT_EQ(f.log.dialogCaptions, (std::vector<std::string>{"Order Desk"}));

  Handlers handlers;
  f.host->OnShowMessage.Bind(handlers, &Handlers::Message);
  TScriptDialog confirm{TScriptDialogKind::Confirm, "sure?", "", false};
  EXPECT_TRUE(f.View().EngineScriptDialog(confirm));
  EXPECT_EQ(handlers.caption, "Order Desk");
  EXPECT_EQ(f.log.dialogCaptions.size(), 1u) << "the event answered it";
  handlers.answer = kHostDefault;
  EXPECT_TRUE(f.View().EngineScriptDialog(confirm));
  EXPECT_EQ(f.log.dialogCaptions.size(), 2u) << "the event left it to the host";
}

TEST(BrowserHostDialogs, SilentSwallowsThem) {
  HostFixture f;
  f.host->SetReplaceCaption(true);
  f.host->SetDownloadOptions(f.host->DownloadOptions() | (1u << DLCTL_SILENT));
  Handlers handlers;
  f.host->OnShowMessage.Bind(handlers, &Handlers::Message);
  handlers.caption = "untouched";
  TScriptDialog confirm{TScriptDialogKind::Confirm, "sure?", "", true};
  EXPECT_TRUE(f.View().EngineScriptDialog(confirm));
  EXPECT_FALSE(confirm.confirmed);
  EXPECT_TRUE(f.log.dialogCaptions.empty());
  EXPECT_EQ(handlers.caption, "untouched");
}

// ---- Load steps ----

TEST(BrowserHostLoads, UnloadWhenAShownDocumentGoes) {
  int unloads = 0;
  struct Counter : platform::TComponent {
    int* count;
    void Unload(platform::TObject*) { ++*count; }
  } counter;
  counter.count = &unloads;
  HostFixture f;
  f.host->OnUnload.Bind(counter, &Counter::Unload);
  f.View().EngineLoadChanged(TLoadEvent::Started, "file:///a.html");
  EXPECT_EQ(unloads, 0) << "nothing was shown yet";
  f.View().EngineLoadChanged(TLoadEvent::Committed, "file:///a.html");
  f.View().EngineLoadChanged(TLoadEvent::Finished, "file:///a.html");
  f.View().EngineLoadChanged(TLoadEvent::Started, "file:///b.html");
  EXPECT_EQ(unloads, 1);
}

// ---- Floating point ----

// The environment is saved by the process's first host, so the case runs in a
// fresh process of its own (the threadsafe style re-runs just this test).
TEST(BrowserHostFloatingPoint, FalseMasksAllTrueRestoresStartUp) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        fedisableexcept(FE_ALL_EXCEPT);
        feenableexcept(FE_DIVBYZERO | FE_INVALID);
        int failures = 0;
        {
          TBrowserHost host;
          host.SetfpExceptions(false);
          if (host.fpExceptions() || fegetexcept() != 0) failures |= 1;
          host.SetfpExceptions(true);
          if (fegetexcept() != (FE_DIVBYZERO | FE_INVALID)) failures |= 2;
        }
        fedisableexcept(FE_ALL_EXCEPT);
        std::exit(failures);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace halbrin
