#include "core/framework/executable_component.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomExecutableComponentEx,
                     .Property("exec", &TCustomExecutableComponentEx::GetExec,
                               &TCustomExecutableComponentEx::SetExec)
                     .Stored(false))

std::string ExecVerbText(const Variant& value) {
  if (value.IsDispatch() || value.IsArray() || value.Type() == VarType::Unknown) return {};
  try {
    return value.ToText();
  } catch (const EVariantError&) {
    return {};
  }
}

TCustomExecutableComponentEx::TCustomExecutableComponentEx(TComponent* owner) : TCustomComponentEx(owner) {}

TCustomExecutableComponentEx::~TCustomExecutableComponentEx() { m_execResult = Variant(); }

Variant TCustomExecutableComponentEx::GetExec() const { return m_execResult; }

void TCustomExecutableComponentEx::SetExec(const Variant&) { m_execResult = false; }

}  // namespace halbrin
