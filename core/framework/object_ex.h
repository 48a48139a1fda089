#pragma once

// The data object: a named holder of one Variant that scripts bind "change"
// and "changing" to, for shared state in the component tree.

#include "core/framework/custom_component_ex.h"
#include "platform/classes/method.h"

namespace halbrin {

// (Sender, proposed value, var resume)
using TObjectChangingEvent = platform::TEvent<platform::TObject*, const platform::Variant&, bool&>;

// The same Variant type and the same value: numbers of different kinds, or a
// number and its text, differ; objects are the same only as one object;
// arrays compare element by element; two NaNs are the same.
bool SameVariant(const platform::Variant& a, const platform::Variant& b);

class TCustomObject : public TCustomComponentEx {
  HALBRIN_CLASS(TCustomObject, TCustomComponentEx)
  using TCustomComponentEx::TCustomComponentEx;
};

class TObjectEx : public TCustomObject {
  HALBRIN_CLASS(TObjectEx, TCustomObject)

  explicit TObjectEx(platform::TComponent* owner = nullptr) : TCustomObject(owner) {}

  std::string GetTypeName() const override { return "object"; }

  // Nothing happens for the same value (SameVariant); otherwise onChanging may
  // refuse the value, and onChange follows a change.
  void SetData(const platform::Variant& value);

  platform::TNotifyEvent& OnChange() noexcept { return m_onChange; }
  TObjectChangingEvent& OnChanging() noexcept { return m_onChanging; }

  // "change" with [Name, data].
  virtual void changeHandler(platform::TObject* sender);
  // "changing" with [Name, proposed, current]; a Boolean answer sets resume.
  virtual void changingHandler(platform::TObject* sender, const platform::Variant& value, bool& resume);

  platform::TNotifyEvent m_onChange;
  TObjectChangingEvent m_onChanging;
};

}  // namespace halbrin
