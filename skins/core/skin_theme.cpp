#include "skins/core/skin_theme.h"

#include <dlfcn.h>

#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>
#include <type_traits>
#include <vector>

#include "platform/base/case_fold.h"
#include "platform/classes/class_info.h"
#include "platform/variant/variant.h"
#include "skins/core/default_painter.h"
#include "skins/core/skin_log.h"
#include "skins/core/skin_manager.h"
#include "skins/core/skin_theme_canvas.h"

namespace halbrin::skins {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSource = "TZebrinSkinTheme";

constexpr const char* kHookNames[kSkinThemeHookCount] = {
    "FillMargin",         "DrawMarginEdges",   "FillButton",       "FillSplitter",       "DrawButtonEdges",
    "DrawSplitterEdges",  "FillCaptionBands",  "FillFooterBands",  "FillCaptionBand",    "FillFooterBand",
    "DrawBandEdges",      "DrawBandItemText",  "DrawToolButtonText", "DrawBandItemProgress", "DrawWindowButton",
    "DrawWindowEdges",    "DrawToolButton",    "DrawToolButtonEdges",
};

// The C records share the draw records' bytes.
template <class Rec, class CRec>
constexpr bool kSameLayout = sizeof(Rec) == sizeof(CRec) && std::is_trivially_copyable_v<Rec> &&
                             std::is_trivially_copyable_v<CRec>;
static_assert(kSameLayout<TSkinFillParams, SkinFillParams>);
static_assert(kSameLayout<TSkinEdgeParams, SkinEdgeParams>);
static_assert(kSameLayout<TSkinTextParams, SkinTextParams>);
static_assert(kSameLayout<TSkinProgressParams, SkinProgressParams>);
static_assert(kSameLayout<TSkinWindowButtonParams, SkinWindowButtonParams>);
static_assert(kSameLayout<TSkinToolButtonParams, SkinToolButtonParams>);
static_assert(offsetof(TSkinTextParams, Font) == offsetof(SkinTextParams, font));
static_assert(offsetof(TSkinWindowButtonParams, Images) == offsetof(SkinWindowButtonParams, images));
static_assert(offsetof(TSkinToolButtonParams, Images) == offsetof(SkinToolButtonParams, images));

// What the library sees besides the record's bytes: the font described for
// it, the one image list it may draw from.
void Prepare(TSkinThemeCanvas&, const TSkinFillParams&, SkinFillParams&) {}
void Prepare(TSkinThemeCanvas&, const TSkinEdgeParams&, SkinEdgeParams&) {}
void Prepare(TSkinThemeCanvas&, const TSkinProgressParams&, SkinProgressParams&) {}
void Prepare(TSkinThemeCanvas& canvas, const TSkinTextParams& rec, SkinTextParams& c) {
  c.font = canvas.Describe(rec.Font);
}
void Prepare(TSkinThemeCanvas& canvas, const TSkinWindowButtonParams& rec, SkinWindowButtonParams&) {
  canvas.AllowImages(rec.Images);
}
void Prepare(TSkinThemeCanvas& canvas, const TSkinToolButtonParams& rec, SkinToolButtonParams&) {
  canvas.AllowImages(rec.Images);
}

// The library's changes to a caller's record, its pointers kept.
template <class Rec, class CRec>
void WriteBack(Rec& rec, const CRec& c) {
  std::memcpy(static_cast<void*>(&rec), &c, sizeof rec);
}
void WriteBack(TSkinTextParams& rec, const SkinTextParams& c) {
  const char* text = rec.Text;
  const platform::TFont* font = rec.Font;
  std::memcpy(static_cast<void*>(&rec), &c, sizeof rec);
  rec.Text = text;
  rec.Font = font;
}
void WriteBack(TSkinToolButtonParams& rec, const SkinToolButtonParams& c) {
  const platform::TCustomImageList* images = rec.Images;
  std::memcpy(static_cast<void*>(&rec), &c, sizeof rec);
  rec.Images = images;
}

// Save and Restore around a hook, so clip changes stay inside it.
class TCanvasState {
 public:
  explicit TCanvasState(ICanvas& canvas) : m_canvas(canvas) { m_canvas.Save(); }
  ~TCanvasState() { m_canvas.Restore(); }
  TCanvasState(const TCanvasState&) = delete;
  TCanvasState& operator=(const TCanvasState&) = delete;

 private:
  ICanvas& m_canvas;
};

std::string ExceptionText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return *e.what() ? e.what() : "an exception";
  } catch (...) {
    return "an exception";
  }
}

// `path` lies below `folder` (both canonical).
bool IsBelow(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f) {
    if (f->empty()) continue;  // a trailing separator
    if (p == path.end() || *p != *f) return false;
    ++p;
  }
  return p != path.end();
}

[[noreturn]] void RaiseOutside(const std::string& name) {
  throw ESkinException("Theme library \"" + name + "\" lies outside the skin folders");
}

}  // namespace

const char* SkinThemeHookName(TSkinThemeHook hook) noexcept {
  const int index = static_cast<int>(hook);
  return index >= 0 && index < kSkinThemeHookCount ? kHookNames[index] : "";
}

void TZebrinSkinTheme::TModuleCloser::operator()(void* module) const noexcept {
  // What dlclose answers changes nothing: the bindings are gone already.
  dlclose(module);
}

TZebrinSkinTheme::TZebrinSkinTheme(TZebrinSkinManager* owner) : m_owner(owner) {}

TZebrinSkinTheme::~TZebrinSkinTheme() { Unload(false); }

void TZebrinSkinTheme::SetEnabled(bool value) {
  if (m_enabled == value) return;
  m_enabled = value;
  if (m_owner) m_owner->ApplySettings();
}

std::string TZebrinSkinTheme::ResolveFileName(const std::string& name) const {
  fs::path path(name);
  if (path.is_relative()) {
    fs::path base;
    if (m_owner && !m_owner->LoadingSkinFolder().empty())
      base = m_owner->LoadingSkinFolder();
    else if (m_owner && !m_owner->ProjectFolder().empty())
      base = fs::path(m_owner->ProjectFolder()) / "skins";
    if (base.empty() || name.empty()) RaiseOutside(name);
    path = base / path;
  }
  std::error_code error;
  fs::path real = fs::canonical(path, error);
  // A missing file is judged by where it would be; it does not load anyway.
  if (error) real = fs::weakly_canonical(path, error);
  if (error) RaiseOutside(name);

  std::vector<fs::path> folders;
  if (m_owner) {
    if (!m_owner->LoadingSkinFolder().empty()) folders.emplace_back(m_owner->LoadingSkinFolder());
    if (!m_owner->ProjectFolder().empty()) folders.push_back(fs::path(m_owner->ProjectFolder()) / "skins");
    if (!m_owner->ApplicationFolder().empty()) folders.push_back(fs::path(m_owner->ApplicationFolder()) / "skins");
  }
  for (const fs::path& folder : folders) {
    const fs::path root = fs::canonical(folder, error);
    if (!error && IsBelow(real, root)) return real.string();
  }
  RaiseOutside(name);
}

void TZebrinSkinTheme::SetFileName(const std::string& value) {
  if (value == m_fileName) return;
  const std::string path = value.empty() ? std::string() : ResolveFileName(value);
  Load(value, path);
}

void TZebrinSkinTheme::CheckSkinFileValue(const platform::TPropInfo& prop, const platform::Variant& value) const {
  if (!platform::SameText(prop.Name(), "FileName")) return;
  const std::string name = value.ToText();
  if (!name.empty() && name != m_fileName) ResolveFileName(name);
}

void TZebrinSkinTheme::Failed(const std::string& name, const std::string& reason) {
  SkinLog(kSource, "Theme library \"" + name + "\" not loaded: " + reason);
}

void TZebrinSkinTheme::Load(const std::string& name, const std::string& path) {
  Unload(false);
  if (!name.empty()) {
    const std::string reason = Open(name, path);
    if (!reason.empty()) {
      Failed(name, reason);
      Unload(false);
    }
  }
  Notify();
}

std::string TZebrinSkinTheme::Open(const std::string& name, const std::string& path) {
  std::error_code error;
  if (!fs::exists(path, error)) return std::make_error_code(std::errc::no_such_file_or_directory).message();
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    return reason ? reason : "dlopen failed";
  }
  m_module.reset(handle);
  const auto getProperties = reinterpret_cast<SkinGetPropertiesFunction>(dlsym(handle, "GetSkinProperties"));
  if (!getProperties) return "it has no GetSkinProperties";
  m_properties = {SKIN_THEME_PROPERTIES_SIZE, SKIN_THEME_ABI_VERSION, 0, {}};
  try {
    getProperties(&m_properties);
  } catch (...) {
    return "GetSkinProperties failed: " + ExceptionText(std::current_exception());
  }
  if (!m_properties.valid) return "it does not mark itself valid";

  m_init = reinterpret_cast<SkinThemeFunction>(dlsym(handle, "Init"));
  m_done = reinterpret_cast<SkinThemeFunction>(dlsym(handle, "Done"));
  for (int i = 0; i < kSkinThemeHookCount; ++i)
    m_hooks[i] = reinterpret_cast<SkinDrawFunction>(dlsym(handle, kHookNames[i]));
  m_failureLogged.fill(false);
  m_fileName = name;
  // From here on Done belongs to an unload, whatever Init does.
  m_initCalled = true;
  try {
    if (m_init) m_init(this);
  } catch (...) {
    return "Init failed: " + ExceptionText(std::current_exception());
  }
  return {};
}

void TZebrinSkinTheme::Unload(bool notify) {
  if (!m_module) return;
  if (m_initCalled && m_done) {
    try {
      m_done(this);
    } catch (...) {
      SkinLog(kSource, "Theme library \"" + m_fileName + "\": Done failed: " + ExceptionText(std::current_exception()));
    }
  }
  m_init = nullptr;
  m_done = nullptr;
  m_hooks.fill(nullptr);
  m_initCalled = false;
  m_properties = {};
  m_fileName.clear();
  m_module.reset();
  if (notify) Notify();
}

void TZebrinSkinTheme::Notify() {
  if (onChange) onChange();
}

bool TZebrinSkinTheme::CallHook(TSkinThemeHook hook, TSkinThemeCanvas& canvas, void* record, int& result) {
  const int index = static_cast<int>(hook);
  std::string failure;
  try {
    result = m_hooks[index](canvas.Get(), record);
  } catch (...) {
    failure = ExceptionText(std::current_exception());
  }
  if (failure.empty()) failure = canvas.Failure();
  if (failure.empty()) return true;
  if (!m_failureLogged[index]) {
    m_failureLogged[index] = true;
    SkinLog(kSource, "Theme library \"" + m_fileName + "\": " + kHookNames[index] + " failed: " + failure +
                         "; the default painter draws it");
  }
  return false;
}

template <class CRec, class Rec, class Default>
int TZebrinSkinTheme::Dispatch(TSkinThemeHook hook, ICanvas& canvas, Rec& rec, bool callersRecord, Default draw) {
  static_assert(kSameLayout<Rec, CRec>);
  if (m_enabled && m_hooks[static_cast<int>(hook)]) {
    CRec c;
    std::memcpy(&c, &rec, sizeof c);
    int result = 0;
    bool drawn = false;
    {
      const TCanvasState state(canvas);
      TSkinThemeCanvas themeCanvas(canvas);
      Prepare(themeCanvas, rec, c);
      drawn = CallHook(hook, themeCanvas, &c, result);
    }
    if (drawn) {
      if (callersRecord) WriteBack(rec, c);
      return result;
    }
  }
  return draw(canvas, rec);
}

using P = TSkinDefaultPainter;
using H = TSkinThemeHook;

int TZebrinSkinTheme::FillMargin(ICanvas& canvas, TSkinFillParams rec) {
  return Dispatch<SkinFillParams>(H::FillMargin, canvas, rec, false, &P::FillMargin);
}
int TZebrinSkinTheme::DrawMarginEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  return Dispatch<SkinEdgeParams>(H::DrawMarginEdges, canvas, rec, false, &P::DrawMarginEdges);
}
int TZebrinSkinTheme::FillButton(ICanvas& canvas, TSkinFillParams rec) {
  return Dispatch<SkinFillParams>(H::FillButton, canvas, rec, false, &P::FillButton);
}
int TZebrinSkinTheme::FillSplitter(ICanvas& canvas, TSkinFillParams rec) {
  return Dispatch<SkinFillParams>(H::FillSplitter, canvas, rec, false, &P::FillSplitter);
}
int TZebrinSkinTheme::DrawButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  return Dispatch<SkinEdgeParams>(H::DrawButtonEdges, canvas, rec, false, &P::DrawButtonEdges);
}
int TZebrinSkinTheme::DrawSplitterEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  return Dispatch<SkinEdgeParams>(H::DrawSplitterEdges, canvas, rec, false, &P::DrawSplitterEdges);
}
int TZebrinSkinTheme::FillCaptionBands(ICanvas& canvas, TSkinFillParams rec) {
  return Dispatch<SkinFillParams>(H::FillCaptionBands, canvas, rec, false, &P::FillCaptionBands);
}
int TZebrinSkinTheme::FillFooterBands(ICanvas& canvas, TSkinFillParams rec) {
  return Dispatch<SkinFillParams>(H::FillFooterBands, canvas, rec, false, &P::FillFooterBands);
}
int TZebrinSkinTheme::FillCaptionBand(ICanvas& canvas, TSkinFillParams rec) {
  return Dispatch<SkinFillParams>(H::FillCaptionBand, canvas, rec, false, &P::FillCaptionBand);
}
int TZebrinSkinTheme::FillFooterBand(ICanvas& canvas, TSkinFillParams rec) {
  return Dispatch<SkinFillParams>(H::FillFooterBand, canvas, rec, false, &P::FillFooterBand);
}
int TZebrinSkinTheme::DrawBandEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  return Dispatch<SkinEdgeParams>(H::DrawBandEdges, canvas, rec, false, &P::DrawBandEdges);
}
int TZebrinSkinTheme::DrawBandItemText(ICanvas& canvas, TSkinTextParams& rec) {
  return Dispatch<SkinTextParams>(H::DrawBandItemText, canvas, rec, true, &P::DrawBandItemText);
}
int TZebrinSkinTheme::DrawToolButtonText(ICanvas& canvas, TSkinTextParams& rec) {
  return Dispatch<SkinTextParams>(H::DrawToolButtonText, canvas, rec, true, &P::DrawToolButtonText);
}
int TZebrinSkinTheme::DrawBandItemProgress(ICanvas& canvas, TSkinProgressParams& rec) {
  return Dispatch<SkinProgressParams>(H::DrawBandItemProgress, canvas, rec, true, &P::DrawBandItemProgress);
}
int TZebrinSkinTheme::DrawWindowButton(ICanvas& canvas, TSkinWindowButtonParams rec) {
  return Dispatch<SkinWindowButtonParams>(H::DrawWindowButton, canvas, rec, false, &P::DrawWindowButton);
}
int TZebrinSkinTheme::DrawWindowEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  return Dispatch<SkinEdgeParams>(H::DrawWindowEdges, canvas, rec, false, &P::DrawWindowEdges);
}
int TZebrinSkinTheme::DrawToolButton(ICanvas& canvas, TSkinToolButtonParams& rec) {
  return Dispatch<SkinToolButtonParams>(H::DrawToolButton, canvas, rec, true, &P::DrawToolButton);
}
int TZebrinSkinTheme::DrawToolButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  return Dispatch<SkinEdgeParams>(H::DrawToolButtonEdges, canvas, rec, false, &P::DrawToolButtonEdges);
}

using T = TZebrinSkinTheme;
HALBRIN_DEFINE_CLASS(TZebrinSkinTheme, .Property("Enabled", &T::Enabled, &T::SetEnabled)
                                           .Default(true)
                                           .Property("FileName", &T::FileName, &T::SetFileName))

}  // namespace halbrin::skins
