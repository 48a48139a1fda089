#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/automation/dispatch.h"
#include "platform/jsc/jsc_ptr.h"
#include "platform/jsc/jsc_virtual_machine.h"
#include "platform/jsc/script_error.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {

class JscEngine;
class JscHostObject;
class TJsObjectDispatch;

// Native data that a JS object of an engine owns: a host object's instance, a
// bound member's function data. The collector frees it whenever it likes,
// possibly long after the engine closed, so the engine detaches every anchor
// as it closes: a detached anchor holds nothing and reaches nothing.
class JscAnchor {
 public:
  explicit JscAnchor(JscEngine& engine);
  JscAnchor(const JscAnchor&) = delete;
  JscAnchor& operator=(const JscAnchor&) = delete;
  virtual ~JscAnchor();

  // Null once the engine has closed.
  JscEngine* Engine() const noexcept { return m_engine; }

  // The destroy notifier handed to JavaScriptCore with an anchor.
  static void Destroy(void* anchor) noexcept;

 protected:
  friend class JscEngine;
  // Drops what refers to the engine or its context; objects go to `releases`,
  // which the engine lets go once nothing of it runs any more.
  virtual void Detach(std::vector<RefPtr<IDispatchObject>>& releases) noexcept;
  // Hands an object to the engine to be let go at a safe point: anchors die in
  // the collector's sweep, where no script and no other object's destructor may run.
  void Defer(RefPtr<IDispatchObject> object) noexcept;

 private:
  JscEngine* m_engine;
};

// One script engine: a JavaScriptCore context on a thread's virtual machine,
// and the bridge between its values and Variants.
//
// Values: an integral number within 32 bits is I4, any other number R8;
// undefined is Empty, null Null; Date is Date (local time both ways); a Variant
// array arrives as a VBArray object (toArray, getItem, lbound, ubound,
// dimensions); a dispatch object as a host object whose members are matched
// without regard to letter case; any other JS object (arrays and functions
// too) leaves as a TJsObjectDispatch. Each side's objects come back as
// themselves.
//
// Errors: a script exception in a call from native code raises EScriptError; a
// failing host member raises a JS Error (message = description, `number` = the
// HRESULT) at the calling script line. Once closed, every call raises
// EOleError SCRIPT_E_FREEDSCRIPT, and so does every JS object the program kept.
//
// Never destroy an engine from inside one of its own calls.
class JscEngine {
 public:
  explicit JscEngine(JscVirtualMachine& vm);
  JscEngine(const JscEngine&) = delete;
  JscEngine& operator=(const JscEngine&) = delete;
  ~JscEngine();

  // Null once closed.
  JSCContext* Context() const noexcept { return m_context.Get(); }
  bool IsClosed() const noexcept { return !m_context; }
  // Lets the context go: the host objects scripts held are released, and the JS
  // objects the program still holds fail from now on.
  void Close() noexcept;

  // Runs code in the global scope; the completion value. `sourceUri` (a file
  // path) names the code in errors.
  Variant Evaluate(std::string_view code, std::string_view sourceUri = {}, unsigned firstLine = 1);
  JscValuePtr EvaluateValue(std::string_view code, std::string_view sourceUri = {}, unsigned firstLine = 1);
  // Runs code in a global scope of its own that sees this engine's global names
  // behind its own names; what it declares are members of the module object returned.
  JscValuePtr EvaluateModule(std::string_view code, std::string_view sourceUri);

  void SetGlobal(std::string_view name, const Variant& value);
  void SetGlobalValue(std::string_view name, JSCValue* value);
  // Undefined for a name that is not defined.
  JscValuePtr GlobalValue(std::string_view name);
  // Sets the global `name` to the object; with addMembers the object's members
  // (as its member table or IScriptMemberInfo lists them) become global names
  // reaching it, except names a global already has: the objects added first
  // win. Adding a name again replaces the object behind it, and its members.
  void AddNamedObject(std::string_view name, const Variant& object, bool addMembers);

  // Calls a function (with no `this`), or an object's method.
  Variant Call(JSCValue* function, std::span<const Variant> args);
  Variant CallMethod(JSCValue* object, std::string_view name, std::span<const Variant> args);

  Variant ToVariant(JSCValue* value);
  JscValuePtr ToJs(const Variant& value);

  // The JS object that a value of this engine is, when it is one (a
  // TJsObjectDispatch of this engine, still open); null otherwise.
  JSCValue* UnwrapJsObject(const Variant& value) const;

 private:
  friend class JscAnchor;
  friend class JscHostObject;
  friend class JscBoundMember;
  friend class JscVariantArray;
  friend class TJsObjectDispatch;

  // The property name only the bridge's own objects answer: reading it tells
  // the engine which anchor stands behind a JS object.
  static constexpr const char* kProbeName = "\x01halbrin.anchor";
  static bool IsProbe(const char* name) noexcept;

  // Counts native entries into the engine; the outermost one lets deferred
  // objects go as it ends.
  class EntryScope {
   public:
    explicit EntryScope(JscEngine& engine);
    EntryScope(const EntryScope&) = delete;
    EntryScope& operator=(const EntryScope&) = delete;
    ~EntryScope();

   private:
    JscEngine& m_engine;
  };

  void RequireOpen() const;
  // Raises EScriptError for the exception pending on `context`, and clears it.
  void CheckException(JSCContext* context);
  // CheckException after evaluating `code`; a syntax error gets the column
  // the engine does not report.
  void CheckEvaluation(std::string_view code, const std::string& uri, unsigned firstLine);
  ScriptErrorInfo ReadException(JSCException* exception);
  // The thrown JS value behind an exception (to read its `number`).
  JscValuePtr ExceptionValue(JSCException* exception);

  // Inside a callback from JS: makes the script see an Error with this message
  // and number, thrown where the script called. `context` is the callback's.
  void ThrowToScript(JSCContext* context, std::string_view message, HResult number) noexcept;
  // The same for the C++ exception being handled (call inside a catch block).
  void ThrowCurrentExceptionToScript(JSCContext* context) noexcept;
  // The same for a failed Invoke.
  void ThrowInvokeFailure(JSCContext* context, HResult hr, const ExcepInfo& excep) noexcept;

  JscValuePtr Helper(std::string_view name, std::span<JSCValue* const> args);
  JscValuePtr WrapDispatch(const RefPtr<IDispatchObject>& object);
  JscValuePtr NewString(std::string_view text);
  JscValuePtr NewDate(double oleDate);
  // The anchor behind a host object or VBArray of this engine, found by asking
  // the object itself (only our own callbacks answer).
  JscAnchor* ProbeAnchor(JSCValue* object);

  // JavaScriptCore holds a class's prototype only weakly until something refers
  // to it: the collector may take it (and with it every method, and the
  // prototype of every later instance) before the first instance exists. Each
  // class registers one instance, made before anything else can allocate, and
  // the engine keeps it.
  void PinPrototype(JscValuePtr instance);

  void Register(JscAnchor& anchor);
  void Forget(JscAnchor& anchor) noexcept;
  void Register(TJsObjectDispatch& object);
  void Forget(TJsObjectDispatch& object) noexcept;
  void ForgetHost(const IDispatchObject* object, JscHostObject& host) noexcept;
  // Values and objects that died inside the collector's sweep are let go
  // when the outermost native entry ends (or the engine closes).
  void DeferRelease(Variant value) noexcept;
  template <class T>
  void DeferUnref(GObjectPtr<T> object) noexcept {
    if (object) m_pendingObjects.push_back(GObjectPtr<GObject>::Adopt(G_OBJECT(object.Release())));
  }
  void DrainReleases() noexcept;

  JscVirtualMachinePtr m_vm;
  std::shared_ptr<int> m_liveEngines;
  JscContextPtr m_context;
  JSCClass* m_hostClass = nullptr;   // owned by the context
  JSCClass* m_arrayClass = nullptr;  // owned by the context
  std::vector<JscValuePtr> m_pinnedPrototypes;
  JscValuePtr m_helpers;
  JscValuePtr m_errorConstructor;
  JscValuePtr m_rethrower;
  JscExceptionPtr m_rethrowing;
  JscAnchor* m_probed = nullptr;
  int m_depth = 0;

  std::unordered_set<JscAnchor*> m_anchors;
  std::unordered_set<TJsObjectDispatch*> m_jsObjects;
  // One host object per dispatch object, so `a.parent === a.parent` holds.
  std::unordered_map<const IDispatchObject*, JscHostObject*> m_hosts;
  std::vector<Variant> m_pendingRelease;
  std::vector<GObjectPtr<GObject>> m_pendingObjects;
};

}  // namespace halbrin::platform
