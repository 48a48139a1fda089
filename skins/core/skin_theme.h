#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/classes/class_builder.h"
#include "platform/classes/persistent.h"
#include "skins/core/skin_file.h"
#include "skins/core/skin_painter.h"
#include "skins/core/skin_theme_abi.h"

namespace halbrin::skins {

class TZebrinSkinManager;
class TSkinThemeCanvas;

// The drawing exports a theme library may have, in the order they are looked up.
enum class TSkinThemeHook {
  FillMargin,
  DrawMarginEdges,
  FillButton,
  FillSplitter,
  DrawButtonEdges,
  DrawSplitterEdges,
  FillCaptionBands,
  FillFooterBands,
  FillCaptionBand,
  FillFooterBand,
  DrawBandEdges,
  DrawBandItemText,
  DrawToolButtonText,
  DrawBandItemProgress,
  DrawWindowButton,
  DrawWindowEdges,
  DrawToolButton,
  DrawToolButtonEdges,
};
inline constexpr int kSkinThemeHookCount = 18;
// The export's name ("FillMargin"...).
const char* SkinThemeHookName(TSkinThemeHook hook) noexcept;

// The manager's theme: an optional shared object (skins/core/skin_theme_abi.h)
// whose exports replace draw operations, and the painter every skin draws
// through. Each operation calls the library's hook when the theme is enabled
// and the library has it, else the default painter. A hook that throws is
// logged (once per operation and library) and that call falls back to the
// default painter; a crash inside a library is not caught.
//
// Libraries come only from the skin folders: the folder of the skin file the
// manager is reading, and the `skins` folders of the project and of the
// application. A relative name is taken from the skin file's folder while a
// skin file is read, otherwise from the project's `skins` folder. The real
// path (symbolic links and ".." resolved) must lie inside one of them; that
// path is what gets loaded, never a searched name.
class TZebrinSkinTheme : public platform::TPersistent, public ISkinPainter, public ISkinFileValueCheck {
  HALBRIN_CLASS(TZebrinSkinTheme, platform::TPersistent)

  explicit TZebrinSkinTheme(TZebrinSkinManager* owner = nullptr);
  // Unloads (with Done) without telling anyone.
  ~TZebrinSkinTheme() override;
  TZebrinSkinTheme(const TZebrinSkinTheme&) = delete;
  TZebrinSkinTheme& operator=(const TZebrinSkinTheme&) = delete;

  bool Enabled() const noexcept { return m_enabled; }
  // A change makes the owner repaint every skin.
  void SetEnabled(bool value);

  // The name the loaded library was given; empty while none is loaded.
  const std::string& FileName() const noexcept { return m_fileName; }
  // The same text again does nothing; an empty one unloads; another loads
  // that library in place of the current one. A name outside the skin
  // folders raises ESkinException ("Theme library "x.so" lies outside the
  // skin folders") and changes nothing. A library that does not load is
  // logged and leaves the theme unloaded (FileName empty). Either way, once
  // anything changed, onChange is told once.
  void SetFileName(const std::string& value);

  bool Loaded() const noexcept { return m_module != nullptr; }
  bool HookBound(TSkinThemeHook hook) const noexcept { return m_hooks[static_cast<int>(hook)] != nullptr; }

  // The real path `name` stands for (it need not exist); raises as
  // SetFileName does when it lies outside the skin folders.
  std::string ResolveFileName(const std::string& name) const;

  // Told after every load attempt and after an unload that freed a library.
  std::function<void()> onChange;

  // ISkinPainter: the dispatchers.
  int FillMargin(ICanvas& canvas, TSkinFillParams rec) override;
  int DrawMarginEdges(ICanvas& canvas, TSkinEdgeParams rec) override;
  int FillButton(ICanvas& canvas, TSkinFillParams rec) override;
  int FillSplitter(ICanvas& canvas, TSkinFillParams rec) override;
  int DrawButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) override;
  int DrawSplitterEdges(ICanvas& canvas, TSkinEdgeParams rec) override;
  int FillCaptionBands(ICanvas& canvas, TSkinFillParams rec) override;
  int FillFooterBands(ICanvas& canvas, TSkinFillParams rec) override;
  int FillCaptionBand(ICanvas& canvas, TSkinFillParams rec) override;
  int FillFooterBand(ICanvas& canvas, TSkinFillParams rec) override;
  int DrawBandEdges(ICanvas& canvas, TSkinEdgeParams rec) override;
  int DrawBandItemText(ICanvas& canvas, TSkinTextParams& rec) override;
  int DrawToolButtonText(ICanvas& canvas, TSkinTextParams& rec) override;
  int DrawBandItemProgress(ICanvas& canvas, TSkinProgressParams& rec) override;
  int DrawWindowButton(ICanvas& canvas, TSkinWindowButtonParams rec) override;
  int DrawWindowEdges(ICanvas& canvas, TSkinEdgeParams rec) override;
  int DrawToolButton(ICanvas& canvas, TSkinToolButtonParams& rec) override;
  int DrawToolButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) override;

  // A skin file's FileName is checked against the skin folders before the
  // file changes anything.
  void CheckSkinFileValue(const platform::TPropInfo& prop, const platform::Variant& value) const override;

 private:
  struct TModuleCloser {
    void operator()(void* module) const noexcept;
  };
  using TModule = std::unique_ptr<void, TModuleCloser>;

  void Load(const std::string& name, const std::string& path);
  // Opens and binds the library and calls its Init; why it cannot be used,
  // empty when it can.
  std::string Open(const std::string& name, const std::string& path);
  // Done (when Init was called), the library freed, every binding cleared.
  void Unload(bool notify);
  void Failed(const std::string& name, const std::string& reason);
  void Notify();
  // Calls the bound hook; false, logged the first time, when it threw or a
  // canvas function failed under it.
  bool CallHook(TSkinThemeHook hook, TSkinThemeCanvas& canvas, void* record, int& result);

  // The one dispatcher: the hook on a C copy of `rec` when enabled and bound
  // (for the caller's records its changes are copied back, but for the
  // pointers), else, or when the hook failed, `draw` on `rec`.
  template <class CRec, class Rec, class Default>
  int Dispatch(TSkinThemeHook hook, ICanvas& canvas, Rec& rec, bool callersRecord, Default draw);

  TZebrinSkinManager* m_owner;
  bool m_enabled = true;
  std::string m_fileName;
  TModule m_module;
  bool m_initCalled = false;
  SkinThemeProperties m_properties{};
  SkinThemeFunction m_init = nullptr;
  SkinThemeFunction m_done = nullptr;
  std::array<SkinDrawFunction, kSkinThemeHookCount> m_hooks{};
  // Operations whose failure was logged for the loaded library.
  std::array<bool, kSkinThemeHookCount> m_failureLogged{};
};

}  // namespace halbrin::skins
