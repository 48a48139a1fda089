#include "platform/jsc/jsc_engine.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "platform/jsc/jsc_host_object.h"
#include "platform/jsc/jsc_object_dispatch.h"
#include "platform/jsc/jsc_prelude.h"
#include "platform/jsc/jsc_variant_array.h"

namespace halbrin::platform {

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;
// Days from the OLE epoch (30.12.1899) to the Unix epoch.
constexpr double kUnixEpochOleDays = 25569.0;

// OLE dates count the time of day forward from a negative day; the engine's
// clock runs straight through.
double OleDateToWallMilliseconds(double oleDate) {
  double days = oleDate;
  if (oleDate < 0) {
    const double day = std::trunc(oleDate);
    days = day + (day - oleDate);
  }
  return std::round((days - kUnixEpochOleDays) * kMillisecondsPerDay);
}

double WallMillisecondsToOleDate(double wall) {
  const double days = wall / kMillisecondsPerDay + kUnixEpochOleDays;
  if (days >= 0) return days;
  const double day = std::floor(days);
  const double time = days - day;
  return time == 0 ? day : day - time;
}

std::string Text(const char* text) { return text ? text : ""; }

// The call stack without the native frames above the innermost script
// frame: they are the host function that raised the error, not the script.
std::string ScriptBacktrace(const char* backtrace) {
  std::string_view rest = backtrace ? backtrace : "";
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view frame = rest.substr(0, end);
    if (!frame.ends_with("@[native code]")) break;
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return std::string(rest);
}

std::size_t Utf8Length(unsigned char lead) noexcept {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// A character that continues an identifier, a keyword or a number (any
// character beyond ASCII counts, as identifiers may hold them).
bool IsWordByte(unsigned char c) noexcept { return c >= 0x80 || g_ascii_isalnum(c) || c == '_' || c == '$'; }

// The 1-based column (in UTF-16 units, as the engine counts) of the token a
// syntax error stopped at, or 0 when it cannot be told. The engine reports
// only the line of a syntax error, so the shortest prefix of that line that
// fails with the same error is looked for; its last character is in the
// token, whose first character is the column.
int SyntaxErrorColumn(JSCContext* context, std::string_view code, const std::string& uri, unsigned firstLine,
                      const ScriptErrorInfo& error) {
  if (error.line < static_cast<int>(firstLine)) return 0;
  std::size_t start = 0;
  for (int line = static_cast<int>(firstLine); line < error.line; ++line) {
    const std::size_t end = code.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return 0;
    start = end + (code[end] == '\r' && end + 1 < code.size() && code[end + 1] == '\n' ? 2 : 1);
  }
  std::size_t stop = code.find_first_of("\r\n", start);
  if (stop == std::string_view::npos) stop = code.size();
  std::vector<std::size_t> starts;  // where each character of the line begins
  for (std::size_t i = start; i < stop; i += Utf8Length(static_cast<unsigned char>(code[i]))) starts.push_back(i);
  if (starts.empty()) return 0;
  auto endOf = [&](std::size_t index) { return index + 1 < starts.size() ? starts[index + 1] : stop; };
  auto fails = [&](std::size_t index) {
    JSCException* raw = nullptr;
    const JSCCheckSyntaxResult result =
        jsc_context_check_syntax(context, code.data(), static_cast<gssize>(endOf(index)), JSC_CHECK_SYNTAX_MODE_SCRIPT,
                                 uri.empty() ? nullptr : uri.c_str(), firstLine, &raw);
    JscExceptionPtr exception = JscExceptionPtr::Adopt(raw);
    return result == JSC_CHECK_SYNTAX_RESULT_IRRECOVERABLE_ERROR && exception &&
           Text(jsc_exception_get_message(exception.Get())) == error.message &&
           static_cast<int>(jsc_exception_get_line_number(exception.Get())) == error.line;
  };
  // An error the line alone does not make (one found later, or at run time) has no column here.
  if (!fails(starts.size() - 1)) return 0;
  std::size_t low = 0;
  std::size_t high = starts.size() - 1;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (fails(middle))
      high = middle;
    else
      low = middle + 1;
  }
  const auto at = [&](std::size_t index) { return static_cast<unsigned char>(code[starts[index]]); };
  while (low > 0 && IsWordByte(at(low)) && IsWordByte(at(low - 1))) --low;
  int column = 1;
  for (std::size_t index = 0; index < low; ++index) column += Utf8Length(at(index)) == 4 ? 2 : 1;
  return column;
}

// JavaScriptCore takes global names as NUL-ended UTF-8 and crashes on bytes
// that are not; a name from a file may be anything.
std::string GlobalKey(std::string_view name) {
  const std::string key(name);
  if (key.find('\0') == std::string::npos && g_utf8_validate(key.c_str(), static_cast<gssize>(key.size()), nullptr))
    return key;
  const GCharPtr shown(g_utf8_make_valid(key.c_str(), static_cast<gssize>(key.size())));
  ScriptErrorInfo info;
  info.name = "TypeError";
  info.message = std::string("The name \"") + shown.get() + "\" is no valid global name";
  throw EScriptError(std::move(info));
}

// Code must be UTF-8 as well (it reads past bytes that are not); a source URI
// only names the file in messages, so one that is not is shown as best it can.
void CheckCode(std::string_view code) {
  const char* end = nullptr;
  if (code.empty() || g_utf8_validate(code.data(), static_cast<gssize>(code.size()), &end)) return;
  ScriptErrorInfo info;
  info.name = "SyntaxError";
  info.message = "The script text is not valid UTF-8 (at byte " + std::to_string(end - code.data()) + ")";
  throw EScriptError(std::move(info));
}

std::string SourceUriText(std::string_view uri) {
  if (uri.empty()) return {};
  const GCharPtr valid(g_utf8_make_valid(uri.data(), static_cast<gssize>(uri.size())));
  return valid.get();
}

}  // namespace

// --- JscAnchor

JscAnchor::JscAnchor(JscEngine& engine) : m_engine(&engine) { engine.Register(*this); }

JscAnchor::~JscAnchor() {
  if (m_engine) m_engine->Forget(*this);
}

void JscAnchor::Destroy(void* anchor) noexcept { delete static_cast<JscAnchor*>(anchor); }

void JscAnchor::Detach(std::vector<RefPtr<IDispatchObject>>&) noexcept { m_engine = nullptr; }

void JscAnchor::Defer(RefPtr<IDispatchObject> object) noexcept {
  if (m_engine && object) m_engine->m_pendingRelease.push_back(Variant(std::move(object)));
}

// --- JscEngine

JscEngine::EntryScope::EntryScope(JscEngine& engine) : m_engine(engine) { ++m_engine.m_depth; }

JscEngine::EntryScope::~EntryScope() {
  if (--m_engine.m_depth == 0) m_engine.DrainReleases();
}

bool JscEngine::IsProbe(const char* name) noexcept { return name && std::strcmp(name, kProbeName) == 0; }

JscEngine::JscEngine(JscVirtualMachine& vm)
    : m_vm(JscVirtualMachinePtr::Ref(vm.Get())),
      m_liveEngines(vm.m_liveEngines),
      m_context(JscContextPtr::Adopt(jsc_context_new_with_virtual_machine(vm.Get()))) {
  ++*m_liveEngines;
  try {
    EntryScope scope(*this);
    JSCContext* context = m_context.Get();
    // Taken before any script can replace the global.
    m_errorConstructor = JscValuePtr::Adopt(jsc_context_get_value(context, "Error"));
    m_hostClass = JscHostObject::RegisterClass(*this);
    m_arrayClass = JscVariantArray::RegisterClass(*this);
    const std::string_view prelude = JscPreludeSource();
    m_helpers = JscValuePtr::Adopt(
        jsc_context_evaluate_with_source_uri(context, prelude.data(), static_cast<gssize>(prelude.size()), nullptr, 1));
    CheckException(context);
  } catch (...) {
    Close();
    throw;
  }
}

JscEngine::~JscEngine() { Close(); }

void JscEngine::Close() noexcept {
  if (!m_context) return;
  std::vector<RefPtr<IDispatchObject>> releases;
  std::unordered_set<JscAnchor*> anchors = std::move(m_anchors);
  std::unordered_set<TJsObjectDispatch*> jsObjects = std::move(m_jsObjects);
  m_anchors.clear();
  m_jsObjects.clear();
  m_hosts.clear();
  for (JscAnchor* anchor : anchors) anchor->Detach(releases);
  for (TJsObjectDispatch* object : jsObjects) object->Detach();
  std::vector<Variant> pending = std::move(m_pendingRelease);
  std::vector<GObjectPtr<GObject>> pendingObjects = std::move(m_pendingObjects);
  m_pendingRelease.clear();
  m_pendingObjects.clear();
  m_pinnedPrototypes.clear();
  m_helpers.Reset();
  m_errorConstructor.Reset();
  m_rethrower.Reset();
  m_rethrowing.Reset();
  m_hostClass = nullptr;
  m_arrayClass = nullptr;
  m_probed = nullptr;
  jsc_context_clear_exception(m_context.Get());
  pendingObjects.clear();
  m_context.Reset();
  --*m_liveEngines;
  // Last: the objects' destructors may run anything, but this engine is done.
  releases.clear();
  pending.clear();
}

void JscEngine::RequireOpen() const {
  if (!m_context) throw EOleError(SCRIPT_E_FREEDSCRIPT, kFreedScriptMessage, kRuntimeErrorSource);
}

void JscEngine::PinPrototype(JscValuePtr instance) { m_pinnedPrototypes.push_back(std::move(instance)); }

void JscEngine::Register(JscAnchor& anchor) { m_anchors.insert(&anchor); }

void JscEngine::Forget(JscAnchor& anchor) noexcept { m_anchors.erase(&anchor); }

void JscEngine::Register(TJsObjectDispatch& object) { m_jsObjects.insert(&object); }

void JscEngine::Forget(TJsObjectDispatch& object) noexcept { m_jsObjects.erase(&object); }

void JscEngine::ForgetHost(const IDispatchObject* object, JscHostObject& host) noexcept {
  auto found = m_hosts.find(object);
  if (found != m_hosts.end() && found->second == &host) m_hosts.erase(found);
}

void JscEngine::DeferRelease(Variant value) noexcept { m_pendingRelease.push_back(std::move(value)); }

void JscEngine::DrainReleases() noexcept {
  while (!m_pendingRelease.empty() || !m_pendingObjects.empty()) {
    std::vector<GObjectPtr<GObject>> objects = std::move(m_pendingObjects);
    std::vector<Variant> values = std::move(m_pendingRelease);
    m_pendingObjects.clear();
    m_pendingRelease.clear();
  }
}

// --- errors

void JscEngine::CheckException(JSCContext* context) {
  JSCContext* contexts[] = {context, m_context.Get()};
  for (JSCContext* candidate : contexts) {
    if (!candidate) continue;
    JSCException* pending = jsc_context_get_exception(candidate);
    if (!pending) continue;
    JscExceptionPtr exception = JscExceptionPtr::Ref(pending);
    jsc_context_clear_exception(candidate);
    throw EScriptError(ReadException(exception.Get()));
  }
}

void JscEngine::CheckEvaluation(std::string_view code, const std::string& uri, unsigned firstLine) {
  try {
    CheckException(m_context.Get());
  } catch (const EScriptError& error) {
    const ScriptErrorInfo& raised = error.Info();
    if (!raised.IsCompileError() || raised.column != 0 || raised.line <= 0) throw;
    ScriptErrorInfo info = raised;
    info.column = SyntaxErrorColumn(m_context.Get(), code, uri, firstLine, info);
    if (info.column == 0) throw;
    throw EScriptError(std::move(info));
  }
}

ScriptErrorInfo JscEngine::ReadException(JSCException* exception) {
  ScriptErrorInfo info;
  const char* name = jsc_exception_get_name(exception);
  info.name = Text(name);
  info.message = Text(jsc_exception_get_message(exception));
  info.sourceUri = Text(jsc_exception_get_source_uri(exception));
  info.line = static_cast<int>(jsc_exception_get_line_number(exception));
  info.column = static_cast<int>(jsc_exception_get_column_number(exception));
  info.backtrace = ScriptBacktrace(jsc_exception_get_backtrace_string(exception));
  if (info.message.empty()) {
    // A thrown value that is no error object (throw "x", throw 42) is its text.
    GCharPtr text(jsc_exception_to_string(exception));
    info.message = Text(text.get());
  }
  if (name) {
    JscValuePtr value = ExceptionValue(exception);
    if (value && jsc_value_is_object(value.Get())) {
      JscValuePtr number = JscValuePtr::Adopt(jsc_value_object_get_property(value.Get(), "number"));
      if (number && jsc_value_is_number(number.Get())) info.number = jsc_value_to_int32(number.Get());
    }
    jsc_context_clear_exception(m_context.Get());
  }
  return info;
}

JscValuePtr JscEngine::ExceptionValue(JSCException* exception) {
  if (!m_context || !m_helpers) return {};
  if (!m_rethrower) {
    auto link = std::make_unique<JscAnchor>(*this);
    m_rethrower = JscValuePtr::Adopt(jsc_value_new_function_variadic(
        m_context.Get(), nullptr, G_CALLBACK(+[](GPtrArray*, gpointer data) -> JSCValue* {
          JscEngine* engine = static_cast<JscAnchor*>(data)->Engine();
          if (engine && engine->m_rethrowing)
            jsc_context_throw_exception(jsc_context_get_current(), engine->m_rethrowing.Get());
          return nullptr;
        }),
        link.release(), &JscAnchor::Destroy, JSC_TYPE_VALUE));
  }
  // The exception object has no accessor for its value: throw it again inside a
  // catch of our own, which hands the value back.
  m_rethrowing = JscExceptionPtr::Ref(exception);
  JSCValue* args[] = {m_rethrower.Get()};
  JscValuePtr value = Helper("catchFrom", args);
  m_rethrowing.Reset();
  jsc_context_clear_exception(m_context.Get());
  return value;
}

void JscEngine::ThrowToScript(JSCContext* context, std::string_view message, HResult number) noexcept {
  try {
    JscValuePtr text = NewString(message);
    JSCValue* args[] = {text.Get()};
    // Made here, inside the call from the script, the error takes the position
    // of the calling line.
    JscValuePtr error = JscValuePtr::Adopt(jsc_value_constructor_callv(m_errorConstructor.Get(), 1, args));
    JscValuePtr code = JscValuePtr::Adopt(jsc_value_new_number(m_context.Get(), number));
    jsc_value_object_set_property(error.Get(), "number", code.Get());
    jsc_value_object_set_property(error.Get(), "description", text.Get());
    JSCValue* thrown[] = {error.Get()};
    JscValuePtr ignored = Helper("rethrow", thrown);
    if (context && context != m_context.Get()) {
      // The script runs in another realm of this engine (a module): its
      // context is the one that must see the exception.
      if (JSCException* pending = jsc_context_get_exception(m_context.Get())) {
        JscExceptionPtr exception = JscExceptionPtr::Ref(pending);
        jsc_context_clear_exception(m_context.Get());
        jsc_context_throw_exception(context, exception.Get());
      }
    }
  } catch (...) {
    jsc_context_throw(context ? context : m_context.Get(), std::string(message).c_str());
  }
}

void JscEngine::ThrowCurrentExceptionToScript(JSCContext* context) noexcept {
  try {
    throw;
  } catch (const EOleError& e) {
    ThrowToScript(context, e.Message(), e.Code());
  } catch (const std::exception& e) {
    ThrowToScript(context, e.what(), DISP_E_EXCEPTION);
  } catch (...) {
    ThrowToScript(context, "Unknown exception", DISP_E_EXCEPTION);
  }
}

void JscEngine::ThrowInvokeFailure(JSCContext* context, HResult hr, const ExcepInfo& excep) noexcept {
  if (hr == DISP_E_EXCEPTION) {
    ThrowToScript(context, excep.description, excep.code ? excep.code : hr);
    return;
  }
  std::string text = excep.description.empty() ? HResultText(hr) : excep.description;
  ThrowToScript(context, text, hr);
}

// --- evaluation

JscValuePtr JscEngine::Helper(std::string_view name, std::span<JSCValue* const> args) {
  const std::string key(name);
  return JscValuePtr::Adopt(jsc_value_object_invoke_methodv(m_helpers.Get(), key.c_str(),
                                                            static_cast<guint>(args.size()),
                                                            const_cast<JSCValue**>(args.data())));
}

JscValuePtr JscEngine::EvaluateValue(std::string_view code, std::string_view sourceUri, unsigned firstLine) {
  RequireOpen();
  CheckCode(code);
  EntryScope scope(*this);
  const std::string uri = SourceUriText(sourceUri);
  JscValuePtr result = JscValuePtr::Adopt(jsc_context_evaluate_with_source_uri(
      m_context.Get(), code.data(), static_cast<gssize>(code.size()), uri.empty() ? nullptr : uri.c_str(), firstLine));
  CheckEvaluation(code, uri, firstLine);
  return result;
}

Variant JscEngine::Evaluate(std::string_view code, std::string_view sourceUri, unsigned firstLine) {
  EntryScope scope(*this);
  JscValuePtr result = EvaluateValue(code, sourceUri, firstLine);
  return ToVariant(result.Get());
}

JscValuePtr JscEngine::EvaluateModule(std::string_view code, std::string_view sourceUri) {
  RequireOpen();
  CheckCode(code);
  EntryScope scope(*this);
  const std::string uri = SourceUriText(sourceUri);
  JSCValue* module = nullptr;
  JscValuePtr result = JscValuePtr::Adopt(jsc_context_evaluate_in_object(
      m_context.Get(), code.data(), static_cast<gssize>(code.size()), nullptr, nullptr,
      uri.empty() ? nullptr : uri.c_str(), 1, &module));
  JscValuePtr moduleValue = JscValuePtr::Adopt(module);
  CheckEvaluation(code, uri, 1);
  return moduleValue;
}

void JscEngine::SetGlobal(std::string_view name, const Variant& value) {
  RequireOpen();
  EntryScope scope(*this);
  JscValuePtr converted = ToJs(value);
  SetGlobalValue(name, converted.Get());
}

void JscEngine::SetGlobalValue(std::string_view name, JSCValue* value) {
  RequireOpen();
  const std::string key = GlobalKey(name);
  jsc_context_set_value(m_context.Get(), key.c_str(), value);
  CheckException(m_context.Get());
}

JscValuePtr JscEngine::GlobalValue(std::string_view name) {
  RequireOpen();
  const std::string key = GlobalKey(name);
  JscValuePtr value = JscValuePtr::Adopt(jsc_context_get_value(m_context.Get(), key.c_str()));
  CheckException(m_context.Get());
  return value;
}

void JscEngine::AddNamedObject(std::string_view name, const Variant& object, bool addMembers) {
  RequireOpen();
  EntryScope scope(*this);
  JscValuePtr value = ToJs(object);
  SetGlobalValue(name, value.Get());
  JscValuePtr names = JscValuePtr::Adopt(jsc_value_new_null(m_context.Get()));
  if (addMembers && object.IsDispatch() && object.AsDispatch()) {
    std::vector<std::string> members = ScriptMemberNamesOf(*object.AsDispatch());
    std::vector<const char*> list;
    list.reserve(members.size() + 1);
    for (const std::string& member : members) list.push_back(member.c_str());
    list.push_back(nullptr);
    names = JscValuePtr::Adopt(jsc_value_new_array_from_strv(m_context.Get(), list.data()));
  }
  JscValuePtr slot = NewString(name);
  JSCValue* args[] = {slot.Get(), value.Get(), names.Get()};
  JscValuePtr ignored = Helper("named", args);
  CheckException(m_context.Get());
}

Variant JscEngine::Call(JSCValue* function, std::span<const Variant> args) {
  RequireOpen();
  EntryScope scope(*this);
  std::vector<JscValuePtr> holders;
  std::vector<JSCValue*> values;
  holders.reserve(args.size());
  for (const Variant& arg : args) {
    holders.push_back(ToJs(arg));
    values.push_back(holders.back().Get());
  }
  JscValuePtr result = JscValuePtr::Adopt(
      jsc_value_function_callv(function, static_cast<guint>(values.size()), values.data()));
  CheckException(jsc_value_get_context(function));
  return ToVariant(result.Get());
}

Variant JscEngine::CallMethod(JSCValue* object, std::string_view name, std::span<const Variant> args) {
  RequireOpen();
  EntryScope scope(*this);
  std::vector<JscValuePtr> holders;
  std::vector<JSCValue*> values;
  holders.reserve(args.size());
  for (const Variant& arg : args) {
    holders.push_back(ToJs(arg));
    values.push_back(holders.back().Get());
  }
  const std::string key(name);
  JscValuePtr result = JscValuePtr::Adopt(
      jsc_value_object_invoke_methodv(object, key.c_str(), static_cast<guint>(values.size()), values.data()));
  CheckException(jsc_value_get_context(object));
  return ToVariant(result.Get());
}

// --- conversion

JscAnchor* JscEngine::ProbeAnchor(JSCValue* object) {
  m_probed = nullptr;
  JscValuePtr answer = JscValuePtr::Adopt(jsc_value_object_get_property(object, kProbeName));
  // A script's own getter may throw; such an object is simply not ours.
  jsc_context_clear_exception(jsc_value_get_context(object));
  JscAnchor* found = std::exchange(m_probed, nullptr);
  return found && m_anchors.contains(found) ? found : nullptr;
}

Variant JscEngine::ToVariant(JSCValue* value) {
  if (!value || jsc_value_is_undefined(value)) return Variant();
  if (jsc_value_is_null(value)) return Variant::Null();
  if (jsc_value_is_boolean(value)) return Variant(static_cast<bool>(jsc_value_to_boolean(value)));
  if (jsc_value_is_number(value)) {
    const double number = jsc_value_to_double(value);
    if (std::trunc(number) == number && number >= std::numeric_limits<std::int32_t>::min() &&
        number <= std::numeric_limits<std::int32_t>::max())
      return Variant(static_cast<int>(number));
    return Variant(number);
  }
  if (jsc_value_is_string(value)) {
    GBytesPtr bytes(jsc_value_to_string_as_bytes(value));
    gsize size = 0;
    const auto* data = static_cast<const char*>(bytes ? g_bytes_get_data(bytes.get(), &size) : nullptr);
    return Variant(std::string(data ? data : "", size));
  }
  RequireOpen();
  if (!jsc_value_is_object(value)) {
    // Symbols and the like leave as their text.
    JSCValue* args[] = {value};
    JscValuePtr text = Helper("text", args);
    jsc_context_clear_exception(m_context.Get());
    return text && jsc_value_is_string(text.Get()) ? ToVariant(text.Get()) : Variant();
  }
  EntryScope scope(*this);
  if (JscAnchor* anchor = ProbeAnchor(value)) {
    if (auto* host = dynamic_cast<JscHostObject*>(anchor); host && host->Object())
      return Variant(RefPtr<IDispatchObject>(host->Object()));
    if (auto* array = dynamic_cast<JscVariantArray*>(anchor)) return Variant(array->Array());
  }
  if (!jsc_value_is_function(value) && !jsc_value_is_array(value)) {
    JSCValue* args[] = {value};
    JscValuePtr wall = Helper("dateToWall", args);
    jsc_context_clear_exception(m_context.Get());
    if (wall && jsc_value_is_number(wall.Get())) {
      const double milliseconds = jsc_value_to_double(wall.Get());
      if (std::isnan(milliseconds)) return Variant::Null();
      return Variant::Date(WallMillisecondsToOleDate(milliseconds));
    }
  }
  return Variant(MakeRef<TJsObjectDispatch>(*this, JscValuePtr::Ref(value)));
}

JscValuePtr JscEngine::NewString(std::string_view text) {
  if (text.find('\0') == std::string_view::npos) {
    const std::string copy(text);
    return JscValuePtr::Adopt(jsc_value_new_string(m_context.Get(), copy.c_str()));
  }
  GBytesPtr bytes(g_bytes_new(text.data(), text.size()));
  return JscValuePtr::Adopt(jsc_value_new_string_from_bytes(m_context.Get(), bytes.get()));
}

JscValuePtr JscEngine::NewDate(double oleDate) {
  JscValuePtr wall = JscValuePtr::Adopt(jsc_value_new_number(m_context.Get(), OleDateToWallMilliseconds(oleDate)));
  JSCValue* args[] = {wall.Get()};
  JscValuePtr date = Helper("wallToDate", args);
  CheckException(m_context.Get());
  return date;
}

JSCValue* JscEngine::UnwrapJsObject(const Variant& value) const {
  if (!value.IsDispatch()) return nullptr;
  auto* object = dynamic_cast<TJsObjectDispatch*>(value.AsDispatch());
  return object && object->Engine() == this ? object->Value() : nullptr;
}

JscValuePtr JscEngine::WrapDispatch(const RefPtr<IDispatchObject>& object) {
  if (!object) return JscValuePtr::Adopt(jsc_value_new_null(m_context.Get()));
  if (auto* js = dynamic_cast<TJsObjectDispatch*>(object.Get()); js && js->Engine() == this && js->Value())
    return JscValuePtr::Ref(js->Value());
  if (auto found = m_hosts.find(object.Get()); found != m_hosts.end()) {
    if (JscValuePtr alive = found->second->Value()) return alive;
    m_hosts.erase(found);
  }
  return JscHostObject::Create(*this, object);
}

JscValuePtr JscEngine::ToJs(const Variant& value) {
  RequireOpen();
  JSCContext* context = m_context.Get();
  switch (value.Type()) {
    case VarType::Empty: return JscValuePtr::Adopt(jsc_value_new_undefined(context));
    case VarType::Null: return JscValuePtr::Adopt(jsc_value_new_null(context));
    case VarType::Boolean: return JscValuePtr::Adopt(jsc_value_new_boolean(context, value.AsBool()));
    case VarType::R4:
    case VarType::R8: return JscValuePtr::Adopt(jsc_value_new_number(context, value.AsDouble()));
    case VarType::Currency:
      return JscValuePtr::Adopt(jsc_value_new_number(context, static_cast<double>(value.AsInt64()) / 10000.0));
    case VarType::Date: return NewDate(value.AsDouble());
    case VarType::String: return NewString(value.AsString());
    case VarType::Error:
      // A missing optional argument reads as undefined, as scripts expect.
      if (value.AsError() == DISP_E_PARAMNOTFOUND) return JscValuePtr::Adopt(jsc_value_new_undefined(context));
      return JscValuePtr::Adopt(jsc_value_new_number(context, value.AsError()));
    case VarType::Dispatch: {
      EntryScope scope(*this);
      return WrapDispatch(value.ToDispatch());
    }
    case VarType::Unknown: {
      EntryScope scope(*this);
      return WrapDispatch(RefPtr<IDispatchObject>(dynamic_cast<IDispatchObject*>(value.AsUnknown())));
    }
    case VarType::Array: {
      EntryScope scope(*this);
      return JscVariantArray::Create(*this, value.AsArray());
    }
    default:
      if (value.IsInteger())
        return JscValuePtr::Adopt(jsc_value_new_number(context, static_cast<double>(value.AsInt64())));
      return JscValuePtr::Adopt(jsc_value_new_undefined(context));
  }
}

}  // namespace halbrin::platform
