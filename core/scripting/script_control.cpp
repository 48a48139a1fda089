#include "core/scripting/script_control.h"

#include <utility>

#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::string_view kErrorFormat = "%s in \"%s\" at line: %d, position: %d";

const char* DirectiveWord(TScriptIndent kind) {
  switch (kind) {
    case siInclude: return "include";
    case siRequire: return "require";
    case siImport: return "import";
    default: return "";
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// The last blank-separated item after the directive word; empty when there is none.
std::string DirectiveName(std::string_view line, std::size_t wordLength) {
  std::string_view rest = TrimRight(line.substr(wordLength));
  std::size_t start = rest.size();
  while (start > 0 && !IsBlank(rest[start - 1])) --start;
  // An item glued to the word ("//includex") is no name of its own.
  if (start == 0) return {};
  return std::string(rest.substr(start));
}

}  // namespace

EScriptControl::EScriptControl(std::string description, std::string fileName, int line, int column,
                               std::string callStack)
    : Exception(Format(kErrorFormat, {description, fileName, line, column})),
      m_description(std::move(description)),
      m_fileName(std::move(fileName)),
      m_line(line),
      m_column(column),
      m_callStack(std::move(callStack)) {}

HALBRIN_DEFINE_CLASS(TScriptControl,
                     .Property("fileName", &TScriptControl::FileName, &TScriptControl::SetFileName)
                     .Event("OnGetSource", &TScriptControl::m_onGetSource, "TGetSourceEvent"))

TScriptControl::TScriptControl(TComponent* owner, JscVirtualMachine& vm, int options)
    : TComponent(owner), m_vm(&vm), m_options(options), m_code(this) {
  if ((options & kScriptLanguageMask) == kScriptLanguageVBScript) throw EScriptControl("VBScript is not supported");
  // No time-out, user interface allowed, no site window: JavaScriptCore has none of them.
  m_engine = std::make_unique<JscEngine>(vm);
}

TScriptControl::~TScriptControl() = default;

std::string TScriptControl::FileName() const { return m_fileName.empty() ? m_lastErrorSource : m_fileName; }

void TScriptControl::SetCode(const TScriptCode& code) {
  m_code.Assign(code);
  m_code.SetOwner(this);
  if (!code.FileName().empty()) m_fileName = code.FileName();
  LoadSource();
}

void TScriptControl::SetCodeText(std::string_view text) {
  m_code.SetText(text);
  m_code.SetFileName({});
  LoadSource();
}

void TScriptControl::LoadFromFile(const std::string& fileName) {
  m_fileName = fileName;
  m_code.LoadFromFile(fileName);
  LoadSource();
}

void TScriptControl::AddObject(const std::string& name, const Variant& object, bool addMembers) {
  bool known = false;
  for (NamedObject& entry : m_objects)
    if (entry.name == name) {
      entry.object = object;
      entry.addMembers = addMembers;
      known = true;
    }
  if (!known) m_objects.push_back({name, object, addMembers});
  m_engine->AddNamedObject(name, object, addMembers);
}

void TScriptControl::Reset() {
  m_modules.clear();
  m_moduleFiles.clear();
  if (m_pristine) return;
  auto engine = std::make_unique<JscEngine>(*m_vm);
  for (const NamedObject& entry : m_objects) engine->AddNamedObject(entry.name, entry.object, entry.addMembers);
  // A script of the old engine may be what asked for the reset: it finishes first.
  if (m_calls > 0) m_retired.push_back(std::move(m_engine));
  m_engine = std::move(engine);
  m_pristine = true;
}

void TScriptControl::LoadSource() {
  CallScope scope(*this);
  Reset();
  m_pristine = false;
  ProcessDirectives(m_code);
  try {
    m_engine->Evaluate(m_code.Text(), m_fileName);
  } catch (const EScriptError& e) {
    RaiseEngineError(e);
  }
}

void TScriptControl::RaiseEngineError(const EScriptError& error) {
  const ScriptErrorInfo& info = error.Info();
  m_lastErrorSource = info.Source();
  // The file the error arose in: a module's own file, or the engine's.
  std::string file = info.sourceUri.empty() ? FileName() : info.sourceUri;
  throw EScriptControl(info.message, std::move(file), info.line, info.column, info.backtrace);
}

Variant TScriptControl::Run(const std::string& procedure, std::span<const Variant> args) {
  if (procedure.empty()) return Variant();
  CallScope scope(*this);
  try {
    JscValuePtr function = m_engine->GlobalValue(procedure);
    if (!jsc_value_is_function(function.Get())) {
      m_lastErrorSource = kRuntimeErrorSource;
      throw EScriptControl(Format("Procedure '%s' not defined", {procedure}), FileName(), 0, 0);
    }
    return m_engine->Call(function.Get(), args);
  } catch (const EScriptError& e) {
    RaiseEngineError(e);
  }
}

Variant TScriptControl::Eval(std::string_view expression) {
  m_pristine = false;
  CallScope scope(*this);
  try {
    return m_engine->Evaluate(expression);
  } catch (const EScriptError& e) {
    RaiseEngineError(e);
  }
}

int TScriptControl::ProcessDirectives(const TScriptCode& source) {
  int count = 0;
  for (TScriptIndent kind : {siInclude, siRequire, siImport}) count += ProcessDirective(source, kind);
  return count;
}

int TScriptControl::ProcessDirective(const TScriptCode& source, TScriptIndent kind) {
  const std::string prefix = std::string("//") + DirectiveWord(kind);
  int count = 0;
  for (int index = 0; index < source.Count(); ++index) {
    const std::string line = source.Strings(index);
    if (SameText(TrimRight(line), "//end")) break;
    if (line.size() < prefix.size() || !SameText(std::string_view(line).substr(0, prefix.size()), prefix)) continue;
    std::string name = DirectiveName(line, prefix.size());
    if (name.empty()) continue;
    TScriptSource found;
    if (!GetSource(kind, name, found)) continue;
    const TScriptCode* code = found.Code();
    if (!code || code->Count() == 0) continue;
    RegisterModule(name);
    // Before the nested directives, so a cycle back to this file ends.
    if (!code->FileName().empty()) m_moduleFiles.push_back(code->FileName());
    count += ProcessDirectives(*code);
    AddModule(name, *code);
    ++count;
  }
  return count;
}

void TScriptControl::AddModule(const std::string& name, const TScriptCode& source) {
  m_pristine = false;
  try {
    JscValuePtr module = m_engine->EvaluateModule(source.Text(), source.FileName());
    m_engine->SetGlobalValue(name, module.Get());
  } catch (const EScriptError& e) {
    RaiseEngineError(e);
  }
}

bool TScriptControl::GetSource(TScriptIndent kind, std::string& name, TScriptSource& source) {
  if (!m_onGetSource.Assigned()) return false;
  m_onGetSource(this, kind, name, source);
  return true;
}

bool TScriptControl::IsModuleLoaded(std::string_view name) const {
  for (const std::string& module : m_modules)
    if (SameText(module, name)) return true;
  return false;
}

void TScriptControl::RegisterModule(const std::string& name) { m_modules.push_back(name); }

bool TScriptControl::IsModuleFileLoaded(std::string_view file) const {
  for (const std::string& loaded : m_moduleFiles)
    if (loaded == file) return true;
  return false;
}

}  // namespace halbrin
