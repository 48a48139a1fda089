#pragma once

#include <cstddef>
#include <optional>

#include "platform/jsc/jsc_engine.h"

namespace halbrin::platform {

// A Variant array as a JS object of one engine, read the way scripts written
// for the original engine read safe arrays: toArray() (a JS array, the first
// index running fastest), getItem(i[, j]), lbound([dim]), ubound([dim]),
// dimensions(). `new VBArray(x)` makes one from another or from a JS array.
// Its elements also read by index and it has a length, in toArray()'s order,
// so `eventData[2]` and Array.prototype methods work on it. It comes back to native code as the array it holds.
class JscVariantArray : public JscAnchor {
 public:
  // The VBArray class of the engine's context, and its global constructor.
  static JSCClass* RegisterClass(JscEngine& engine);
  static JscValuePtr Create(JscEngine& engine, VariantArray array);

  ~JscVariantArray() override;

  const VariantArray& Array() const noexcept { return m_array; }

 private:
  JscVariantArray(JscEngine& engine, VariantArray array);
  void Detach(std::vector<RefPtr<IDispatchObject>>& releases) noexcept override;

  // The index argument `position` as an array index of dimension `dimension`;
  // raises "Subscript out of range".
  std::size_t Index(JscEngine& engine, GPtrArray* args, guint position, int dimension) const;
  int Dimension(JscEngine& engine, GPtrArray* args) const;
  // The element position a property name reads ("0", "1"...), within the array.
  std::optional<std::size_t> Position(const char* name) const;
  // The element at `position` of toArray()'s order.
  const Variant& Element(std::size_t position) const;

  // Runs a method body for the array behind `instance`, turning C++
  // exceptions into script errors at the calling line.
  template <class Body>
  static JSCValue* Guarded(gpointer instance, Body&& body);

  static JSCValue* ToArray(gpointer instance, GPtrArray* args, gpointer);
  static JSCValue* GetItem(gpointer instance, GPtrArray* args, gpointer);
  static JSCValue* LBound(gpointer instance, GPtrArray* args, gpointer);
  static JSCValue* UBound(gpointer instance, GPtrArray* args, gpointer);
  static JSCValue* Dimensions(gpointer instance, GPtrArray* args, gpointer);
  static gpointer Construct(GPtrArray* args, gpointer link);
  static JSCValue* GetProperty(JSCClass* cls, JSCContext* context, gpointer instance, const char* name);
  static gboolean HasProperty(JSCClass* cls, JSCContext* context, gpointer instance, const char* name);

  VariantArray m_array;
};

}  // namespace halbrin::platform
