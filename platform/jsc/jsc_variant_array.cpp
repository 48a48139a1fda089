#include "platform/jsc/jsc_variant_array.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

namespace halbrin::platform {

namespace {

const char kSubscriptOutOfRange[] = "Subscript out of range";

[[noreturn]] void ThrowSubscript() { throw EOleError(SCRIPT_E_SUBSCRIPT, kSubscriptOutOfRange); }

JSCValue* Arg(GPtrArray* args, guint position) {
  return position < args->len ? static_cast<JSCValue*>(args->pdata[position]) : nullptr;
}

}  // namespace

template <class Body>
JSCValue* JscVariantArray::Guarded(gpointer instance, Body&& body) {
  auto* self = static_cast<JscVariantArray*>(instance);
  JSCContext* context = jsc_context_get_current();
  JscEngine* engine = self ? self->Engine() : nullptr;
  if (!engine) {
    jsc_context_throw(context, kFreedScriptMessage);
    return nullptr;
  }
  try {
    return body(*self, *engine).Release();
  } catch (...) {
    engine->ThrowCurrentExceptionToScript(context);
    return nullptr;
  }
}

JscVariantArray::JscVariantArray(JscEngine& engine, VariantArray array)
    : JscAnchor(engine), m_array(std::move(array)) {}

JscVariantArray::~JscVariantArray() {
  // The elements may hold objects; they are let go outside the collector's sweep.
  if (Engine() && m_array.Size() > 0) Engine()->DeferRelease(Variant(std::move(m_array)));
}

void JscVariantArray::Detach(std::vector<RefPtr<IDispatchObject>>& releases) noexcept {
  for (Variant& item : m_array.Items())
    if (item.IsDispatch() && item.AsDispatch()) releases.push_back(item.ToDispatch());
  m_array = VariantArray();
  JscAnchor::Detach(releases);
}

JSCClass* JscVariantArray::RegisterClass(JscEngine& engine) {
  static JSCClassVTable vtable = {
      &JscVariantArray::GetProperty, nullptr, &JscVariantArray::HasProperty, nullptr, nullptr,
      nullptr, nullptr, nullptr, nullptr,
  };
  JSCContext* context = engine.Context();
  JSCClass* cls = jsc_context_register_class(context, "VBArray", nullptr, &vtable, &JscAnchor::Destroy);
  std::unique_ptr<JscVariantArray> pin(new JscVariantArray(engine, VariantArray()));
  engine.PinPrototype(JscValuePtr::Adopt(jsc_value_new_object(context, pin.release(), cls)));
  jsc_class_add_method_variadic(cls, "toArray", G_CALLBACK(&JscVariantArray::ToArray), nullptr, nullptr, JSC_TYPE_VALUE);
  jsc_class_add_method_variadic(cls, "getItem", G_CALLBACK(&JscVariantArray::GetItem), nullptr, nullptr, JSC_TYPE_VALUE);
  jsc_class_add_method_variadic(cls, "lbound", G_CALLBACK(&JscVariantArray::LBound), nullptr, nullptr, JSC_TYPE_VALUE);
  jsc_class_add_method_variadic(cls, "ubound", G_CALLBACK(&JscVariantArray::UBound), nullptr, nullptr, JSC_TYPE_VALUE);
  jsc_class_add_method_variadic(cls, "dimensions", G_CALLBACK(&JscVariantArray::Dimensions), nullptr, nullptr,
                                JSC_TYPE_VALUE);
  // The constructor reaches its engine through an anchor of its own, detached on close.
  auto link = std::make_unique<JscAnchor>(engine);
  JscValuePtr constructor = JscValuePtr::Adopt(jsc_class_add_constructor_variadic(
      cls, nullptr, G_CALLBACK(&JscVariantArray::Construct), link.release(), &JscAnchor::Destroy, G_TYPE_POINTER));
  jsc_context_set_value(context, "VBArray", constructor.Get());
  return cls;
}

JscValuePtr JscVariantArray::Create(JscEngine& engine, VariantArray array) {
  std::unique_ptr<JscVariantArray> anchor(new JscVariantArray(engine, std::move(array)));
  return JscValuePtr::Adopt(jsc_value_new_object(engine.Context(), anchor.release(), engine.m_arrayClass));
}

std::size_t JscVariantArray::Index(JscEngine& engine, GPtrArray* args, guint position, int dimension) const {
  Variant index = engine.ToVariant(Arg(args, position));
  double value;
  try {
    value = index.ToDouble();
  } catch (const Exception&) {
    ThrowSubscript();
  }
  if (!std::isfinite(value)) ThrowSubscript();
  double whole = std::trunc(value);
  if (whole < 0 || whole > static_cast<double>(m_array.HighBound(dimension))) ThrowSubscript();
  return static_cast<std::size_t>(whole);
}

int JscVariantArray::Dimension(JscEngine& engine, GPtrArray* args) const {
  JSCValue* arg = Arg(args, 0);
  if (!arg || jsc_value_is_undefined(arg)) return 1;
  Variant value = engine.ToVariant(arg);
  int dimension = 0;
  try {
    dimension = value.ToInt();
  } catch (const Exception&) {
    ThrowSubscript();
  }
  if (dimension < 1 || dimension > m_array.Dimensions()) ThrowSubscript();
  return dimension;
}

JSCValue* JscVariantArray::ToArray(gpointer instance, GPtrArray*, gpointer) {
  return Guarded(instance, [](JscVariantArray& self, JscEngine& engine) {
    const VariantArray& array = self.m_array;
    std::vector<JscValuePtr> items;
    items.reserve(array.Size());
    if (array.Dimensions() == 1) {
      for (const Variant& item : array.Items()) items.push_back(engine.ToJs(item));
    } else {
      for (std::size_t column = 0; column < array.Count(2); ++column)
        for (std::size_t row = 0; row < array.Count(1); ++row) items.push_back(engine.ToJs(array.At(row, column)));
    }
    GPtrArrayPtr list(g_ptr_array_sized_new(static_cast<guint>(items.size())));
    for (const JscValuePtr& item : items) g_ptr_array_add(list.get(), item.Get());
    return JscValuePtr::Adopt(jsc_value_new_array_from_garray(engine.Context(), list.get()));
  });
}

JSCValue* JscVariantArray::GetItem(gpointer instance, GPtrArray* args, gpointer) {
  return Guarded(instance, [args](JscVariantArray& self, JscEngine& engine) {
    const VariantArray& array = self.m_array;
    if (args->len != static_cast<guint>(array.Dimensions())) ThrowSubscript();
    if (array.Dimensions() == 1) return engine.ToJs(array.At(self.Index(engine, args, 0, 1)));
    return engine.ToJs(array.At(self.Index(engine, args, 0, 1), self.Index(engine, args, 1, 2)));
  });
}

JSCValue* JscVariantArray::LBound(gpointer instance, GPtrArray* args, gpointer) {
  return Guarded(instance, [args](JscVariantArray& self, JscEngine& engine) {
    return engine.ToJs(Variant(self.m_array.LowBound(self.Dimension(engine, args))));
  });
}

JSCValue* JscVariantArray::UBound(gpointer instance, GPtrArray* args, gpointer) {
  return Guarded(instance, [args](JscVariantArray& self, JscEngine& engine) {
    return engine.ToJs(Variant(self.m_array.HighBound(self.Dimension(engine, args))));
  });
}

JSCValue* JscVariantArray::Dimensions(gpointer instance, GPtrArray*, gpointer) {
  return Guarded(instance, [](JscVariantArray& self, JscEngine& engine) {
    return engine.ToJs(Variant(self.m_array.Dimensions()));
  });
}

gpointer JscVariantArray::Construct(GPtrArray* args, gpointer link) {
  JSCContext* context = jsc_context_get_current();
  JscEngine* engine = static_cast<JscAnchor*>(link)->Engine();
  if (!engine) {
    jsc_context_throw(context, kFreedScriptMessage);
    return nullptr;
  }
  try {
    JSCValue* source = Arg(args, 0);
    VariantArray array;
    bool accepted = false;
    if (source && jsc_value_is_object(source)) {
      if (auto* other = dynamic_cast<JscVariantArray*>(engine->ProbeAnchor(source))) {
        array = other->m_array;
        accepted = true;
      } else if (jsc_value_is_array(source)) {
        JscValuePtr length = JscValuePtr::Adopt(jsc_value_object_get_property(source, "length"));
        const auto count = static_cast<guint>(jsc_value_to_double(length.Get()));
        for (guint i = 0; i < count; ++i) {
          JscValuePtr item = JscValuePtr::Adopt(jsc_value_object_get_property_at_index(source, i));
          array.Append(engine->ToVariant(item.Get()));
        }
        accepted = true;
      }
    }
    if (!accepted) throw EOleError(SCRIPT_E_VBARRAYEXPECTED, "VBArray expected");
    std::unique_ptr<JscVariantArray> made(new JscVariantArray(*engine, std::move(array)));
    return made.release();
  } catch (...) {
    engine->ThrowCurrentExceptionToScript(context);
    return nullptr;
  }
}

std::optional<std::size_t> JscVariantArray::Position(const char* name) const {
  if (name[0] < '0' || name[0] > '9' || (name[0] == '0' && name[1] != '\0')) return std::nullopt;
  std::size_t position = 0;
  for (const char* c = name; *c; ++c) {
    if (*c < '0' || *c > '9' || position > m_array.Size()) return std::nullopt;
    position = position * 10 + static_cast<std::size_t>(*c - '0');
  }
  if (position >= m_array.Size()) return std::nullopt;
  return position;
}

const Variant& JscVariantArray::Element(std::size_t position) const {
  if (m_array.Dimensions() == 1) return m_array.Items()[position];
  const std::size_t rows = m_array.Count(1);
  return m_array.At(position % rows, position / rows);
}

JSCValue* JscVariantArray::GetProperty(JSCClass*, JSCContext* context, gpointer instance, const char* name) {
  auto* self = static_cast<JscVariantArray*>(instance);
  JscEngine* engine = self->Engine();
  if (!engine) return nullptr;
  if (JscEngine::IsProbe(name)) {
    engine->m_probed = self;
    return jsc_value_new_null(context);
  }
  // Read as toArray() would give it: eventData[2], eventData.length.
  try {
    if (std::strcmp(name, "length") == 0) return engine->ToJs(Variant(static_cast<int>(self->m_array.Size()))).Release();
    if (const auto position = self->Position(name)) return engine->ToJs(self->Element(*position)).Release();
  } catch (...) {
    engine->ThrowCurrentExceptionToScript(context);
  }
  return nullptr;
}

gboolean JscVariantArray::HasProperty(JSCClass*, JSCContext*, gpointer instance, const char* name) {
  auto* self = static_cast<JscVariantArray*>(instance);
  if (!self->Engine()) return false;
  return JscEngine::IsProbe(name) || std::strcmp(name, "length") == 0 || self->Position(name).has_value();
}

}  // namespace halbrin::platform
