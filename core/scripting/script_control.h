#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/scripting/script_code.h"
#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/jsc/jsc_engine.h"

namespace halbrin {

// The option word of an engine.
inline constexpr int kScriptSourceModeMask = 0x0F;
inline constexpr int kScriptSourceFileOrText = 0;  // a file when it exists, else source text
inline constexpr int kScriptSourceFile = 1;        // a file that must exist
inline constexpr int kScriptSourceText = 2;        // source text
inline constexpr int kScriptSourceNone = 15;       // nothing loaded (expressions)
inline constexpr int kScriptLanguageMask = 0xF0;
inline constexpr int kScriptLanguageVBScript = 0x10;
inline constexpr int kScriptTransient = 0x100;  // not cached, freed after one use

// The directive kinds; kinds 1-3 are the words "include", "require", "import".
enum TScriptIndent { siNone, siInclude, siRequire, siImport };

// An error reported by an engine. Engine errors carry their description,
// file, line, column and the script's call stack; the message is "%s in "%s"
// at line: %d, position: %d".
class EScriptControl : public platform::Exception {
 public:
  explicit EScriptControl(const std::string& message) : Exception(message) {}
  EScriptControl(std::string description, std::string fileName, int line, int column, std::string callStack = {});
  std::string_view ClassName() const noexcept override { return "EScriptControl"; }
  std::string CallStack() const override { return m_callStack; }

  const std::string& Description() const noexcept { return m_description; }
  const std::string& FileName() const noexcept { return m_fileName; }
  int Line() const noexcept { return m_line; }
  int Column() const noexcept { return m_column; }

 private:
  std::string m_description;
  std::string m_fileName;
  int m_line = 0;
  int m_column = 0;
  std::string m_callStack;
};

// What a source handler gives for a directive: nothing, a temporary source
// (freed once added) or a source its owner keeps (a cache item's).
struct TScriptSource {
  std::unique_ptr<TScriptCode> temporary;
  const TScriptCode* kept = nullptr;

  const TScriptCode* Code() const noexcept { return temporary ? temporary.get() : kept; }
};

class TScriptControl;
// Asked for the source of a directive: (Sender, kind, name - in: as written,
// out: the module name to use -, source).
using TGetSourceEvent = platform::TEvent<platform::TObject*, TScriptIndent, std::string&, TScriptSource&>;

// One script engine (JavaScript on JavaScriptCore) with the program's
// directives: before the code runs, every line "//include name",
// "//require name" and "//import name" (at column one, letter case ignored,
// up to a line "//end") asks OnGetSource for a module, added first (nested
// directives depth first) and reached from the code as `name.f()`.
class TScriptControl : public platform::TComponent {
  HALBRIN_CLASS(TScriptControl, platform::TComponent)

  // A VBScript option word raises EScriptControl "VBScript is not supported".
  TScriptControl(platform::TComponent* owner, platform::JscVirtualMachine& vm, int options);
  ~TScriptControl() override;

  int Options() const noexcept { return m_options; }
  int SourceMode() const noexcept { return m_options & kScriptSourceModeMask; }
  bool IsTransient() const noexcept { return (m_options & kScriptTransient) != 0; }

  // The file the code was loaded from; when there is none, the Source text of
  // the last error ("JavaScript compilation error"/"JavaScript runtime error").
  std::string FileName() const;
  void SetFileName(const std::string& fileName) { m_fileName = fileName; }

  const TScriptCode& Code() const noexcept { return m_code; }
  // Copies the lines (and the code's file name) and reloads the engine.
  void SetCode(const TScriptCode& code);
  // The source text; reloads the engine.
  void SetCodeText(std::string_view text);
  // Sets fileName, then the lines of the file (project code page), and reloads.
  void LoadFromFile(const std::string& fileName);

  // Named objects stay through Reset; adding a name again replaces it.
  void AddObject(const std::string& name, const platform::Variant& object, bool addMembers);
  // Drops code and modules: a fresh engine with the named objects.
  void Reset();
  // Runs the global procedure with positional arguments; its result. An empty
  // name runs nothing. Failures raise EScriptControl.
  platform::Variant Run(const std::string& procedure, std::span<const platform::Variant> args = {});
  // Evaluates an expression in the global scope.
  platform::Variant Eval(std::string_view expression);

  TGetSourceEvent& OnGetSource() noexcept { return m_onGetSource; }
  // Loaded module names, in load order.
  const std::vector<std::string>& Modules() const noexcept { return m_modules; }
  platform::JscEngine& Engine() { return *m_engine; }

  // The number of modules the directives of one kind added.
  virtual int ProcessDirective(const TScriptCode& source, TScriptIndent kind);
  // Include, require, import in this order, each over the whole text; the count.
  virtual int ProcessDirectives(const TScriptCode& source);
  // Runs the source as module "module_" + name and makes its code object the
  // global `name`.
  virtual void AddModule(const std::string& name, const TScriptCode& source);
  // True when OnGetSource is assigned (after calling it).
  virtual bool GetSource(TScriptIndent kind, std::string& name, TScriptSource& source);
  // Letter case ignored.
  virtual bool IsModuleLoaded(std::string_view name) const;
  virtual void RegisterModule(const std::string& name);
  // Whether a module was read from `file` (a resolved path, compared exactly:
  // names that differ in letter case are two files).
  bool IsModuleFileLoaded(std::string_view file) const;

 private:
  struct NamedObject {
    std::string name;
    platform::Variant object;
    bool addMembers;
  };

  // Marks a call into the engine; an engine replaced meanwhile dies when the outermost call ends.
  class CallScope {
   public:
    explicit CallScope(TScriptControl& control) : m_control(control) { ++m_control.m_calls; }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
    ~CallScope() {
      if (--m_control.m_calls == 0) m_control.m_retired.clear();
    }

   private:
    TScriptControl& m_control;
  };

  void LoadSource();
  [[noreturn]] void RaiseEngineError(const platform::EScriptError& error);

  platform::JscVirtualMachine* m_vm;
  int m_options;
  std::unique_ptr<platform::JscEngine> m_engine;
  // Engines replaced by Reset while a script of theirs still ran.
  std::vector<std::unique_ptr<platform::JscEngine>> m_retired;
  int m_calls = 0;
  // False once code or modules ran in the engine: loading new code needs a fresh one.
  bool m_pristine = true;
  TScriptCode m_code;
  std::string m_fileName;
  std::vector<std::string> m_modules;
  // The files the modules were read from (sources without a file have none).
  std::vector<std::string> m_moduleFiles;
  std::vector<NamedObject> m_objects;
  std::string m_lastErrorSource;
  TGetSourceEvent m_onGetSource;
};

}  // namespace halbrin
