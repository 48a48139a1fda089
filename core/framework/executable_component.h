#pragma once

// Components with the `exec` verb protocol: writing `exec` runs a word, reading
// it gives the result of the last write. Each class tries its own words first
// (letter case ignored) and hands any other word to its parent's SetExec; the
// base answers False.
//
//   void TMyComponent::SetExec(const Variant& value) {
//     ExecResult() = true;
//     const std::string word = ExecVerbText(value);
//     if (SameText(word, "refresh")) Refresh();
//     else Inherited::SetExec(value);
//   }

#include <string>

#include "core/framework/custom_component_ex.h"

namespace halbrin {

// The verb text of a written Variant: its text conversion, or "" when it has
// none (an object, an array), so an unusable value is simply an unknown word.
std::string ExecVerbText(const platform::Variant& value);

class TCustomExecutableComponentEx : public TCustomComponentEx, public IExecutable {
  HALBRIN_CLASS(TCustomExecutableComponentEx, TCustomComponentEx)

  explicit TCustomExecutableComponentEx(platform::TComponent* owner = nullptr);
  ~TCustomExecutableComponentEx() override;

  // A copy of the result of the last write.
  platform::Variant GetExec() const override;
  // The base knows no word: the result becomes False.
  void SetExec(const platform::Variant& value) override;

 protected:
  platform::Variant& ExecResult() noexcept { return m_execResult; }

 private:
  platform::Variant m_execResult;
};

}  // namespace halbrin
