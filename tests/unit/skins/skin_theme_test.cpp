#include "skins/core/skin_theme.h"

#include <cairo.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/cairo/cairo_canvas.h"
#include "platform/graphics/recording_canvas.h"
#include "platform/services/desktop_service.h"
#include "skins/core/default_painter.h"
#include "skins/core/skin_log.h"
#include "skins/core/skin_manager.h"
#include "support/test_support.h"

namespace halbrin::skins {
namespace {

namespace fs = std::filesystem;
using platform::TRecordingCanvas;

const fs::path kThemes = HALBRIN_TEST_THEMES;
constexpr platform::TColor kMagenta = 0xFF00FF;

// A theme library held open by the test, so its counters outlive the theme's
// dlclose. Holding the same file gives the same copy the theme loads.
class HeldLibrary {
 public:
  explicit HeldLibrary(const fs::path& path) : m_handle(dlopen(fs::canonical(path).c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!m_handle) throw std::runtime_error(dlerror());
  }
  ~HeldLibrary() { dlclose(m_handle); }
  HeldLibrary(const HeldLibrary&) = delete;
  HeldLibrary& operator=(const HeldLibrary&) = delete;

  template <class T>
  T& Global(const char* name) const {
    void* symbol = dlsym(m_handle, name);
    if (!symbol) throw std::runtime_error(std::string("no ") + name);
    return *static_cast<T*>(symbol);
  }
  int InitCalls() const { return Global<int>("theme_init_calls"); }
  int DoneCalls() const { return Global<int>("theme_done_calls"); }

 private:
  void* m_handle;
};

// A project and an application folder, each with a skins folder holding
// copies of the test libraries, and a folder outside both.
class SkinThemeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"project/skins", "app/skins", "outside"}) fs::create_directories(Path(folder));
    for (const char* lib : {"libtheme_ok.so", "libtheme_invalid.so", "libtheme_noprops.so", "libtheme_initfail.so"})
      fs::copy_file(kThemes / lib, Path("project/skins") / lib);
    for (const char* folder : {"app/skins", "outside"})
      fs::copy_file(kThemes / "libtheme_ok.so", Path(folder) / "libtheme_ok.so");
    manager = std::make_unique<TZebrinSkinManager>();
    manager->SetSkinFolders(Path("project").string(), Path("app").string());
    manager->onLoadSkin = [this] {
      ++loadSkins;
      updatingAtLoadSkin = manager->UpdateCount() > 0;
    };
    manager->onUpdateSkins = [this] { ++updates; };
    TakeSkinLogMessages();
  }

  fs::path Path(const std::string& name) const { return m_temp.Path() / name; }
  TZebrinSkinTheme& Theme() const { return *manager->Theme(); }
  // Loads the project's libtheme_ok.so and forgets what that told.
  void LoadOk() {
    Theme().SetFileName("libtheme_ok.so");
    ASSERT_TRUE(Theme().Loaded());
    loadSkins = updates = 0;
  }

  halbrin::testing::TempFolder m_temp{"halbrin_theme"};
  std::unique_ptr<TZebrinSkinManager> manager;
  int loadSkins = 0;
  int updates = 0;
  bool updatingAtLoadSkin = false;
};

// The calls the default painter makes for `draw`, to compare with a dispatcher's.
template <class F>
std::vector<std::string> DefaultCalls(F draw) {
  TRecordingCanvas canvas;
  draw(canvas);
  return canvas.Calls();
}

TSkinFillParams Fill(platform::TRect rect, platform::TColor color) {
  TSkinFillParams rec;
  rec.Rect = rect;
  rec.Color = color;
  return rec;
}

TEST_F(SkinThemeTest, LoadsOnceAndUnloadsWithDone) {
  const HeldLibrary ok(Path("project/skins/libtheme_ok.so"));
  Theme().SetFileName("libtheme_ok.so");
  EXPECT_TRUE(Theme().Loaded());
  EXPECT_EQ(Theme().FileName(), "libtheme_ok.so");
  EXPECT_EQ(ok.InitCalls(), 1);
  EXPECT_EQ(ok.Global<void*>("theme_last_theme"), &Theme()) << "Init gets the theme";
  EXPECT_EQ(loadSkins, 1);
  EXPECT_EQ(updates, 1);
  EXPECT_TRUE(Theme().HookBound(TSkinThemeHook::FillButton));
  EXPECT_FALSE(Theme().HookBound(TSkinThemeHook::DrawMarginEdges));

  Theme().SetFileName("libtheme_ok.so");
  EXPECT_EQ(ok.InitCalls(), 1) << "the same name does not reload";
  EXPECT_EQ(ok.DoneCalls(), 0);
  EXPECT_EQ(loadSkins, 1);

  Theme().SetFileName("");
  EXPECT_FALSE(Theme().Loaded());
  EXPECT_EQ(Theme().FileName(), "");
  EXPECT_EQ(ok.DoneCalls(), 1);
  EXPECT_EQ(loadSkins, 2);
  EXPECT_FALSE(Theme().HookBound(TSkinThemeHook::FillButton));
  EXPECT_TRUE(TakeSkinLogMessages().empty());
}

TEST_F(SkinThemeTest, AnotherLibraryReplacesTheLoadedOne) {
  const HeldLibrary project(Path("project/skins/libtheme_ok.so"));
  const HeldLibrary app(Path("app/skins/libtheme_ok.so"));
  LoadOk();
  const std::string absolute = Path("app/skins/libtheme_ok.so").string();
  Theme().SetFileName(absolute);
  EXPECT_EQ(Theme().FileName(), absolute);
  EXPECT_EQ(project.DoneCalls(), 1);
  EXPECT_EQ(app.InitCalls(), 1);
  EXPECT_EQ(loadSkins, 1) << "one notification for the switch";
}

TEST_F(SkinThemeTest, DestroyingTheManagerCallsDoneWithoutTelling) {
  const HeldLibrary ok(Path("project/skins/libtheme_ok.so"));
  LoadOk();
  manager.reset();
  EXPECT_EQ(ok.DoneCalls(), 1);
  EXPECT_EQ(loadSkins, 0);
}

TEST_F(SkinThemeTest, LibrariesThatFailLeaveTheThemeUnloaded) {
  fs::copy_file(Path("project/skins/libtheme_ok.so"), Path("project/skins/libtheme_other.so"));
  halbrin::testing::WriteFile(Path("project/skins/not_a_library.so").string(), "plain text");
  struct Case {
    const char* name;
    const char* reason;  // the logged reason, or its start
    int initCalls, doneCalls;
  };
  const Case cases[] = {
      {"libtheme_invalid.so", "it does not mark itself valid", 0, 0},
      {"libtheme_noprops.so", "it has no GetSkinProperties", 0, 0},
      {"libtheme_missing.so", "No such file or directory", 0, 0},
      {"libtheme_initfail.so", "Init failed: init refused", 1, 1},
      {"not_a_library.so", "", 0, 0},
  };
  const HeldLibrary ok(Path("project/skins/libtheme_ok.so"));
  const HeldLibrary initfail(Path("project/skins/libtheme_initfail.so"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int doneBefore = ok.DoneCalls();
    const int initfailInit = initfail.InitCalls(), initfailDone = initfail.DoneCalls();
    LoadOk();
    Theme().SetFileName(c.name);
    EXPECT_FALSE(Theme().Loaded());
    EXPECT_EQ(Theme().FileName(), "");
    EXPECT_EQ(ok.DoneCalls(), doneBefore + 1) << "the library before is unloaded";
    EXPECT_EQ(loadSkins, 1);
    EXPECT_EQ(initfail.InitCalls() - initfailInit, std::string(c.name) == "libtheme_initfail.so" ? c.initCalls : 0);
    EXPECT_EQ(initfail.DoneCalls() - initfailDone, std::string(c.name) == "libtheme_initfail.so" ? c.doneCalls : 0);
    for (int i = 0; i < kSkinThemeHookCount; ++i) {
      const auto hook = static_cast<TSkinThemeHook>(i);
      EXPECT_FALSE(Theme().HookBound(hook)) << SkinThemeHookName(hook);
    }
    const std::vector<std::string> log = TakeSkinLogMessages();
    ASSERT_EQ(log.size(), 1u);
    const std::string start = std::string("Theme library \"") + c.name + "\" not loaded: " + c.reason;
    if (*c.reason) {
      EXPECT_EQ(log[0], start);
    } else {
      EXPECT_EQ(log[0].rfind(start, 0), 0u) << log[0];
      EXPECT_GT(log[0].size(), start.size()) << "the loader's reason is given";
    }
    // The default painter draws now.
    TRecordingCanvas canvas;
    Theme().FillButton(canvas, Fill({0, 0, 4, 4}, 0x0000FF));
    EXPECT_EQ(canvas.Calls(), DefaultCalls([](TRecordingCanvas& c) {
                TSkinDefaultPainter::FillButton(c, Fill({0, 0, 4, 4}, 0x0000FF));
              }));
  }
  // A working library loads again after a failure.
  Theme().SetFileName("libtheme_other.so");
  EXPECT_TRUE(Theme().Loaded());
}

TEST_F(SkinThemeTest, DisabledThemeDrawsWithTheDefaultPainter) {
  LoadOk();
  const auto fillButton = [&] {
    TRecordingCanvas canvas;
    Theme().FillButton(canvas, Fill({1, 2, 11, 12}, 0x00FF00));
    return canvas.Calls();
  };
  const std::vector<std::string> themed = {"Save()",
                                           "FillRect(1,2,11,12 " + TRecordingCanvas::ColorText(kMagenta) + ")",
                                           "Restore()"};
  const std::vector<std::string> plain =
      DefaultCalls([](TRecordingCanvas& c) { TSkinDefaultPainter::FillButton(c, Fill({1, 2, 11, 12}, 0x00FF00)); });
  EXPECT_EQ(fillButton(), themed);
  Theme().SetEnabled(false);
  EXPECT_EQ(updates, 1) << "the skins are repainted";
  EXPECT_TRUE(Theme().Loaded());
  EXPECT_EQ(fillButton(), plain);
  Theme().SetEnabled(false);
  EXPECT_EQ(updates, 1);
  Theme().SetEnabled(true);
  EXPECT_EQ(fillButton(), themed);
}

TEST_F(SkinThemeTest, CopiedRecordsKeepTheirValuesCallersRecordsSeeTheChange) {
  LoadOk();
  TRecordingCanvas canvas;
  platform::TFont font;
  platform::TCustomImageList images;

  // Copies: the hooks change their records, the caller never sees it.
  TSkinFillParams fill = Fill({0, 0, 10, 10}, 0x00FF00);
  Theme().FillMargin(canvas, fill);
  Theme().FillButton(canvas, fill);
  EXPECT_EQ(fill.Rect, (platform::TRect{0, 0, 10, 10}));
  EXPECT_EQ(fill.Color, 0x00FF00);
  TSkinWindowButtonParams button;
  button.X = 3;
  button.Images = &images;
  Theme().DrawWindowButton(canvas, button);
  EXPECT_EQ(button.X, 3);

  // The caller's records: changes reach the caller, but for the pointers.
  TSkinTextParams text;
  text.Text = "File";
  text.Font = &font;
  text.Color = 0x0000FF;
  EXPECT_EQ(Theme().DrawBandItemText(canvas, text), 7);
  EXPECT_EQ(text.Color, 0x123456);
  EXPECT_STREQ(text.Text, "File");
  EXPECT_EQ(text.Font, &font);

  TSkinProgressParams progress;
  progress.Rect = {10, 0, 110, 8};
  progress.Percent = 40;
  Theme().DrawBandItemProgress(canvas, progress);
  EXPECT_EQ(progress.Rect, (platform::TRect{10, 0, 50, 8})) << "the rectangle is written back";

  TSkinToolButtonParams tool;
  tool.Images = &images;
  Theme().DrawToolButton(canvas, tool);
  EXPECT_EQ(tool.Color, 0x654321);
  EXPECT_EQ(tool.Images, &images);
}

TEST_F(SkinThemeTest, HooksDrawThroughTheCanvasTheyAreGiven) {
  LoadOk();
  platform::TFont font;
  font.SetName("Serif");
  font.SetHeight(-15);
  font.SetStyle(platform::fsBold | platform::fsItalic);
  platform::TCustomImageList images;
  images.SetWidth(4);
  images.SetHeight(4);
  images.Add(platform::TArgbImage(4, 4, 0xFF000000));

  TRecordingCanvas canvas;
  TSkinTextParams text;
  text.Text = "Open";
  text.Rect = {0, 0, 60, 20};
  text.Font = &font;
  text.Color = platform::SystemColor(platform::COLOR_BTNTEXT);
  Theme().DrawToolButtonText(canvas, text);
  platform::TTextFormat format;
  format.align = platform::TTextAlign::Center;
  format.layout = platform::TTextLayout::Center;
  const std::string drawn = "DrawText(\"Open\" " + TRecordingCanvas::RectText(text.Rect) + " " +
                            TRecordingCanvas::FontText(font) + " " +
                            TRecordingCanvas::ColorText(platform::ColorToRGB(text.Color)) + " " +
                            TRecordingCanvas::FormatText(format) + ")";
  EXPECT_EQ(canvas.Calls(), std::vector<std::string>({"Save()", drawn, "Restore()"}))
      << "the record's own font, the colour resolved";

  canvas.ClearCalls();
  TSkinWindowButtonParams button;
  button.X = 5;
  button.Y = 6;
  button.Images = &images;
  button.ImageIndex = 0;
  Theme().DrawWindowButton(canvas, button);
  TSkinToolButtonParams tool;
  tool.Images = &images;
  Theme().DrawToolButton(canvas, tool);
  button.State = kButtonMasked;
  button.GlyphColor = 0x00FF00;
  Theme().DrawWindowButton(canvas, button);
  EXPECT_EQ(canvas.Calls(), std::vector<std::string>({"Save()", "DrawImage(0 5,6)", "Restore()", "Save()", "Restore()",
                                                      "Save()", "DrawImageMasked(0 5,6 " +
                                                          TRecordingCanvas::ColorText(0x00FF00) + ")",
                                                      "Restore()"}))
      << "only the record's image list is drawn";

  // Each canvas function reaches the canvas; answers come back.
  canvas.ClearCalls();
  Theme().FillSplitter(canvas, Fill({0, 0, 8, 8}, 0));
  const std::vector<std::string> calls = canvas.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front(), "Save()");
  EXPECT_EQ(calls.back(), "Restore()");
  const std::vector<std::string> inner(calls.begin() + 1, calls.end() - 1);
  TRecordingCanvas direct;
  direct.FrameRect({0, 0, 8, 8}, 1);
  direct.Line({0, 0}, {5, 0}, 2, 2);
  const platform::TPoint triangle[] = {{0, 0}, {4, 0}, {0, 4}};
  direct.FillPolygon(triangle, 3);
  direct.SetPixel(1, 1, 4);
  const platform::TColor pixel = direct.GetPixel(1, 1);
  const platform::TSize extent = direct.TextExtent("abc", platform::TFont());
  direct.FillRect({0, 0, extent.cx, extent.cy}, pixel);
  EXPECT_EQ(inner, direct.Calls());
  EXPECT_EQ(inner.back(), "FillRect(" + TRecordingCanvas::RectText({0, 0, extent.cx, extent.cy}) + " " +
                              TRecordingCanvas::ColorText(4) + ")");
}

TEST_F(SkinThemeTest, MissingHooksDrawWithTheDefaultPainter) {
  LoadOk();
  TSkinEdgeParams edges;
  edges.Rect = {0, 0, 20, 10};
  edges.Color = 0x0000FF;
  edges.Width = 2;
  edges.Edges = EdgeBit(sebTop) | EdgeBit(sebLeft);
  TRecordingCanvas canvas;
  Theme().DrawMarginEdges(canvas, edges);
  EXPECT_EQ(canvas.Calls(), DefaultCalls([&](TRecordingCanvas& c) { TSkinDefaultPainter::DrawMarginEdges(c, edges); }));
  EXPECT_FALSE(canvas.Calls().empty());
}

TEST_F(SkinThemeTest, AThrowingHookFallsBackAndIsLoggedOnce) {
  LoadOk();
  TSkinEdgeParams edges;
  edges.Rect = {0, 0, 20, 10};
  edges.Color = 0x00FF00;
  edges.Width = 1;
  edges.Edges = EdgeBit(sebBottom);
  const std::vector<std::string> plain =
      DefaultCalls([&](TRecordingCanvas& c) { TSkinDefaultPainter::DrawSplitterEdges(c, edges); });
  for (int i = 0; i < 3; ++i) {
    TRecordingCanvas canvas;
    Theme().DrawSplitterEdges(canvas, edges);
    std::vector<std::string> expected = {"Save()", "Restore()"};
    expected.insert(expected.end(), plain.begin(), plain.end());
    EXPECT_EQ(canvas.Calls(), expected) << "call " << i;
  }
  EXPECT_EQ(TakeSkinLogMessages(),
            std::vector<std::string>({"Theme library \"libtheme_ok.so\": DrawSplitterEdges failed: splitter edges "
                                      "failed; the default painter draws it"}));
  EXPECT_TRUE(Theme().Loaded()) << "the library stays";
}

TEST_F(SkinThemeTest, CanvasStateIsPutBackAndCairoIsOffered) {
  const HeldLibrary ok(Path("project/skins/libtheme_ok.so"));
  LoadOk();
  TRecordingCanvas recording;
  Theme().FillFooterBand(recording, Fill({0, 0, 5, 5}, 0));
  int saves = 0, restores = 0;
  for (const std::string& call : recording.Calls()) {
    saves += call == "Save()";
    restores += call == "Restore()";
  }
  EXPECT_EQ(saves, 3);
  EXPECT_EQ(restores, 3) << "the saves the hook left open are undone";
  EXPECT_EQ(ok.Global<void*>("theme_last_cairo"), nullptr);

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 10);
  cairo_t* cr = cairo_create(surface);
  {
    platform::TCairoCanvas canvas(cr);
    Theme().FillFooterBand(canvas, Fill({0, 0, 5, 5}, 0));
    EXPECT_EQ(ok.Global<void*>("theme_last_cairo"), cr);
    // The clip the hook excluded is gone again: the caption fill covers it.
    Theme().FillCaptionBands(canvas, Fill({0, 0, 20, 10}, 0x00FF00));
    EXPECT_EQ(canvas.GetPixel(2, 2), kMagenta);
    EXPECT_EQ(canvas.GetPixel(19, 9), kMagenta);
    Theme().SetFileName("");
    Theme().FillCaptionBands(canvas, Fill({0, 0, 20, 10}, 0x00FF00));
    EXPECT_EQ(canvas.GetPixel(2, 2), 0x00FF00) << "the default painter's fill once unloaded";
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

TEST_F(SkinThemeTest, NamesOutsideTheSkinFoldersRaiseAndChangeNothing) {
  fs::create_directory_symlink(Path("outside"), Path("project/skins/linked"));
  fs::create_symlink(Path("outside/libtheme_ok.so"), Path("project/skins/link.so"));
  fs::create_directories(Path("project/skins2"));
  fs::copy_file(kThemes / "libtheme_ok.so", Path("project/skins2/libtheme_ok.so"));
  const HeldLibrary ok(Path("project/skins/libtheme_ok.so"));
  const std::string names[] = {
      Path("outside/libtheme_ok.so").string(),
      "../../outside/libtheme_ok.so",
      "../libtheme_ok.so",
      "link.so",
      "linked/libtheme_ok.so",
      Path("project/skins2/libtheme_ok.so").string(),
      Path("project/skins/../../outside/missing.so").string(),
      "/usr/lib/libtheme_ok.so",
      ".",
  };
  LoadOk();
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    try {
      Theme().SetFileName(name);
      ADD_FAILURE() << "no error";
    } catch (const ESkinException& e) {
      EXPECT_EQ(e.Message(), "Theme library \"" + name + "\" lies outside the skin folders");
    }
    EXPECT_EQ(Theme().FileName(), "libtheme_ok.so");
    EXPECT_TRUE(Theme().Loaded());
    EXPECT_EQ(ok.InitCalls(), 1);
    EXPECT_EQ(ok.DoneCalls(), 0);
    EXPECT_EQ(loadSkins, 0);
  }
}

TEST_F(SkinThemeTest, NamesInsideTheSkinFoldersLoad) {
  fs::create_directories(Path("project/skins/dark"));
  fs::copy_file(kThemes / "libtheme_ok.so", Path("project/skins/dark/libtheme_ok.so"));
  fs::create_directory_symlink(Path("project/skins/dark"), Path("project/skins/current"));
  const std::string names[] = {
      "libtheme_ok.so",
      "dark/libtheme_ok.so",
      "current/libtheme_ok.so",  // a link that stays inside
      "dark/../libtheme_ok.so",
      Path("project/skins/libtheme_ok.so").string(),
      Path("app/skins/libtheme_ok.so").string(),
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    Theme().SetFileName(name);
    EXPECT_TRUE(Theme().Loaded());
    EXPECT_EQ(Theme().FileName(), name);
  }
  // Without a project folder a relative name has nowhere to come from.
  manager->SetSkinFolders("", Path("app").string());
  EXPECT_THROW(Theme().SetFileName("libtheme_other.so"), ESkinException);
  EXPECT_EQ(Theme().ResolveFileName(Path("app/skins/libtheme_ok.so").string()),
            fs::canonical(Path("app/skins/libtheme_ok.so")).string());
}

TEST_F(SkinThemeTest, ASkinFileLoadsALibraryBesideIt) {
  fs::create_directories(Path("project/skins/dark"));
  fs::copy_file(kThemes / "libtheme_ok.so", Path("project/skins/dark/libtheme_ok.so"));
  halbrin::testing::WriteFile(Path("project/skins/dark/dark.xml").string(),
                              "<skin><FlashDelay value=\"77\"/>"
                              "<Theme><FileName value=\"libtheme_ok.so\"/></Theme></skin>");
  const HeldLibrary beside(Path("project/skins/dark/libtheme_ok.so"));
  const HeldLibrary project(Path("project/skins/libtheme_ok.so"));
  manager->LoadFromFile("skins/dark/dark.xml");
  EXPECT_EQ(Theme().FileName(), "libtheme_ok.so");
  EXPECT_EQ(beside.InitCalls(), 1) << "taken from the skin file's folder";
  EXPECT_EQ(project.InitCalls(), 0);
  EXPECT_EQ(manager->FlashDelay(), 77);
  EXPECT_EQ(loadSkins, 1);
  EXPECT_FALSE(updatingAtLoadSkin) << "told after the file's update";
  EXPECT_EQ(manager->LoadingSkinFolder(), "");
  // Outside a skin file the same text is the project's library.
  Theme().SetFileName("");
  Theme().SetFileName("libtheme_ok.so");
  EXPECT_EQ(project.InitCalls(), 1);
}

TEST_F(SkinThemeTest, ASkinFileNamingALibraryOutsideChangesNothing) {
  halbrin::testing::WriteFile(Path("project/skins/bad.xml").string(),
                              "<skin>\n  <FlashDelay value=\"77\"/>\n"
                              "  <Theme><FileName value=\"../../outside/libtheme_ok.so\"/></Theme>\n</skin>");
  const HeldLibrary ok(Path("project/skins/libtheme_ok.so"));
  LoadOk();
  manager->SetFlashDelay(5);
  try {
    manager->LoadFromFile("skins/bad.xml");
    ADD_FAILURE() << "no error";
  } catch (const ESkinManagerException& e) {
    EXPECT_EQ(e.Message(), "Skin file \"skins/bad.xml\", line 3, <Theme><FileName>: Theme library "
                           "\"../../outside/libtheme_ok.so\" lies outside the skin folders");
  }
  EXPECT_EQ(manager->FlashDelay(), 5);
  EXPECT_EQ(Theme().FileName(), "libtheme_ok.so");
  EXPECT_EQ(ok.DoneCalls(), 0);
  EXPECT_EQ(loadSkins, 0);
  EXPECT_EQ(updates, 0);
  EXPECT_EQ(manager->UpdateCount(), 0);
  EXPECT_EQ(manager->LoadingSkinFolder(), "");
}

TEST(SkinThemeAbiTest, HookNamesFollowTheLookupOrder) {
  const char* expected[] = {"FillMargin",        "DrawMarginEdges",    "FillButton",           "FillSplitter",
                            "DrawButtonEdges",   "DrawSplitterEdges",  "FillCaptionBands",     "FillFooterBands",
                            "FillCaptionBand",   "FillFooterBand",     "DrawBandEdges",        "DrawBandItemText",
                            "DrawToolButtonText", "DrawBandItemProgress", "DrawWindowButton", "DrawWindowEdges",
                            "DrawToolButton",    "DrawToolButtonEdges"};
  static_assert(std::size(expected) == kSkinThemeHookCount);
  for (int i = 0; i < kSkinThemeHookCount; ++i)
    EXPECT_STREQ(SkinThemeHookName(static_cast<TSkinThemeHook>(i)), expected[i]);
}

TEST(SkinThemeAbiTest, AThemeWithoutAManagerHasNoFolders) {
  TZebrinSkinTheme theme;
  int changes = 0;
  theme.onChange = [&] { ++changes; };
  EXPECT_THROW(theme.SetFileName((kThemes / "libtheme_ok.so").string()), ESkinException);
  EXPECT_EQ(changes, 0);
  TRecordingCanvas canvas;
  theme.FillButton(canvas, Fill({0, 0, 2, 2}, 0x0000FF));
  EXPECT_EQ(canvas.Calls(), DefaultCalls([](TRecordingCanvas& c) {
              TSkinDefaultPainter::FillButton(c, Fill({0, 0, 2, 2}, 0x0000FF));
            }));
}

}  // namespace
}  // namespace halbrin::skins
