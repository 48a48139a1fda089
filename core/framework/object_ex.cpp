#include "core/framework/object_ex.h"

#include <cmath>

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomObject, )

HALBRIN_DEFINE_CLASS(TObjectEx,
                     .Property("data", &TObjectEx::Data, &TObjectEx::SetData)
                     .Event("onChange", &TObjectEx::m_onChange, "TNotifyEvent")
                     .Event("onChanging", &TObjectEx::m_onChanging, "TObjectChangingEvent")
                     .Handler("changeHandler", &TObjectEx::changeHandler)
                     .Handler("changingHandler", &TObjectEx::changingHandler))

bool SameVariant(const Variant& a, const Variant& b) {
  if (a.Type() != b.Type()) return false;
  if (a.IsArray()) {
    const VariantArray& x = a.AsArray();
    const VariantArray& y = b.AsArray();
    if (x.Dimensions() != y.Dimensions() || x.Count(1) != y.Count(1) || x.Count(2) != y.Count(2)) return false;
    for (std::size_t i = 0; i < x.Size(); ++i)
      if (!SameVariant(x.Items()[i], y.Items()[i])) return false;
    return true;
  }
  if (a.Type() == VarType::R8 || a.Type() == VarType::R4 || a.Type() == VarType::Date) {
    if (std::isnan(a.AsDouble()) && std::isnan(b.AsDouble())) return true;
  }
  return a == b;
}

void TObjectEx::SetData(const Variant& value) {
  if (SameVariant(value, Data())) return;
  bool resume = true;
  if (m_onChanging.Assigned()) m_onChanging(this, value, resume);
  if (!resume) return;
  TCustomObject::SetData(value);
  if (m_onChange.Assigned()) m_onChange(this);
}

void TObjectEx::changeHandler(TObject*) {
  const Variant args[] = {Variant(Name()), Data()};
  FireEvent("change", args, nullptr);
}

void TObjectEx::changingHandler(TObject*, const Variant& value, bool& resume) {
  const Variant args[] = {Variant(Name()), value, Data()};
  const Variant answer = FireEvent("changing", args, nullptr);
  if (answer.IsBool()) resume = answer.AsBool();
}

}  // namespace halbrin
