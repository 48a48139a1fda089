#pragma once

// The application's `forms`: a live view of the screen's form list, which the
// application keeps (every form registers itself when made, in the order
// made, and leaves the list when destroyed).

#include <functional>
#include <string_view>

#include "core/framework/application_components.h"

namespace halbrin {

class TApplicationForms : public TCustomApplicationComponents {
  HALBRIN_CLASS(TApplicationForms, TCustomApplicationComponents)

  using MainFormSource = std::function<platform::TComponent*()>;

  // A view of `screenForms`, which must outlive it; `mainForm` names the
  // application's main form.
  TApplicationForms(platform::TComponent* owner, const TApplicationComponents& screenForms, MainFormSource mainForm);
  ~TApplicationForms() override;

  int GetLength() const override;
  platform::TComponent* GetItem(int index) const override;
  int IndexOfName(std::string_view name) const override { return IndexOfScreenForm(name); }

  // The index of the form of that name, letter case ignored; -1 when none.
  int IndexOfScreenForm(std::string_view name) const;
  // Null when none.
  platform::TComponent* FindScreenForm(std::string_view name) const;

  // Frees every form from the last to the first, skipping the main form while
  // keepMain is true.
  void Clear() override;

  bool KeepMain() const noexcept { return m_keepMain; }
  void SetKeepMain(bool keepMain) noexcept { m_keepMain = keepMain; }
  // The screen's active form (ApplicationComponentHooks), and the main form's
  // active MDI child; null when none.
  platform::TComponent* ActiveForm() const;
  platform::TComponent* ActiveMDIChild() const;

 private:
  const TApplicationComponents& m_screenForms;
  MainFormSource m_mainForm;
  bool m_keepMain = true;
};

// Frees the listed forms from the last to the first, `except` excepted (when
// not null). A form freed with another one (a form it owns) is not freed
// twice; a form without owner is left to whoever made it.
void FreeFormsLastFirst(const TApplicationComponents& forms, const platform::TComponent* except);

}  // namespace halbrin
