#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/base/ref_counted.h"

namespace halbrin::platform {

class Variant;
struct DispParams;
struct ExcepInfo;
class TypeInfo;

using DispId = std::int32_t;
using HResult = std::int32_t;

// Invoke kinds; a script call of a member may send Method | PropertyGet together.
enum InvokeKind : std::uint16_t {
  DISPATCH_METHOD = 1,
  DISPATCH_PROPERTYGET = 2,
  DISPATCH_PROPERTYPUT = 4,
  DISPATCH_PROPERTYPUTREF = 8,
};

// The late-bound automation interface every script-visible object implements.
// Arguments are in natural order; the last namedIds.size() arguments are named
// (a property put carries one value named DISPID_PROPERTYPUT).
class IDispatchObject : public RefCounted {
 public:
  // Fills ids[i] for names[i]; names[0] is the member, further names are its
  // parameter names. Unknown names give DISPID_UNKNOWN and DISP_E_UNKNOWNNAME.
  virtual HResult GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) = 0;
  virtual HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result,
                         ExcepInfo* excep) = 0;
  // The static member table, when the object has one.
  virtual const TypeInfo* GetTypeInfo() const { return nullptr; }
};

}  // namespace halbrin::platform
