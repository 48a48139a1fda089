#pragma once

#include <any>
#include <functional>
#include <string>

#include "platform/base/exception.h"
#include "platform/classes/object.h"

namespace halbrin::platform {

class TMethodInfo;

// An event value: a target object and one of its published handler methods.
// Nullable and comparable; it never keeps the target alive.
struct TMethod {
  TWeakRef<TObject> data;
  const TMethodInfo* code = nullptr;

  bool IsNull() const { return code == nullptr || data.Get() == nullptr; }
  friend bool operator==(const TMethod& a, const TMethod& b) {
    return a.code == b.code && a.data.Address() == b.data.Address();
  }
};

// The type-erased form of a handler method with arguments A...: what a
// TMethodInfo of a handler holds and what TEvent<A...> calls.
template <class... A>
using THandlerFunction = std::function<void(TObject&, A...)>;

[[noreturn]] void ThrowIncompatibleHandler(const TMethodInfo& method);
const std::any& HandlerOf(const TMethodInfo& method);

// An event property's storage: TEvent<TObject*> is the notify event (Sender).
// Assigning a TMethod checks that the handler has exactly this signature.
template <class... A>
class TEvent {
 public:
  bool Assigned() const { return m_invoke && m_method.data.Get() != nullptr; }
  const TMethod& Method() const { return m_method; }

  void Assign(const TMethod& method) {
    if (method.IsNull()) {
      Clear();
      return;
    }
    const auto* handler = std::any_cast<THandlerFunction<A...>>(&HandlerOf(*method.code));
    if (!handler) ThrowIncompatibleHandler(*method.code);
    m_method = method;
    m_invoke = *handler;
  }

  // Binds a member function directly, for wiring inside native code.
  template <class C>
  void Bind(C& target, void (C::*member)(A...)) {
    m_method = TMethod{TWeakRef<TObject>(&target), nullptr};
    m_invoke = [member](TObject& self, A... args) { (static_cast<C&>(self).*member)(args...); };
  }

  void Clear() {
    m_method = TMethod{};
    m_invoke = nullptr;
  }

  // Calls the handler when its target still lives.
  void operator()(A... args) const {
    if (!m_invoke) return;
    if (TObject* target = m_method.data.Get()) m_invoke(*target, args...);
  }

 private:
  TMethod m_method;
  THandlerFunction<A...> m_invoke;
};

// (Sender)
using TNotifyEvent = TEvent<TObject*>;

}  // namespace halbrin::platform
