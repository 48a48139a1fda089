#include "core/app/application_forms.h"

#include <unordered_set>

#include "core/app/application_component_hooks.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {
TComponent* ActiveFormGetter(const TApplicationForms& self) { return self.ActiveForm(); }
TComponent* ActiveMDIChildGetter(const TApplicationForms& self) { return self.ActiveMDIChild(); }
}  // namespace

HALBRIN_DEFINE_CLASS(TApplicationForms,
                     .Property("keepMain", &TApplicationForms::KeepMain, &TApplicationForms::SetKeepMain)
                     .Default(Variant(true))
                     .Property("activeForm", &ActiveFormGetter)
                     .Stored(false)
                     .Property("activeMDIChild", &ActiveMDIChildGetter)
                     .Stored(false))

TApplicationForms::TApplicationForms(TComponent* owner, const TApplicationComponents& screenForms,
                                     MainFormSource mainForm)
    : TCustomApplicationComponents(owner), m_screenForms(screenForms), m_mainForm(std::move(mainForm)) {}

TApplicationForms::~TApplicationForms() = default;

int TApplicationForms::GetLength() const { return m_screenForms.GetLength(); }

TComponent* TApplicationForms::GetItem(int index) const { return m_screenForms.GetItem(index); }

int TApplicationForms::IndexOfScreenForm(std::string_view name) const { return m_screenForms.IndexOfName(name); }

TComponent* TApplicationForms::FindScreenForm(std::string_view name) const { return m_screenForms.ItemByName(name); }

void TApplicationForms::Clear() {
  FreeFormsLastFirst(m_screenForms, m_keepMain && m_mainForm ? m_mainForm() : nullptr);
}

TComponent* TApplicationForms::ActiveForm() const { return ApplicationComponentHooks().ActiveForm(); }

TComponent* TApplicationForms::ActiveMDIChild() const {
  TComponent* main = m_mainForm ? m_mainForm() : nullptr;
  return main ? ApplicationComponentHooks().ActiveMDIChild(*main) : nullptr;
}

void FreeFormsLastFirst(const TApplicationComponents& forms, const TComponent* except) {
  // Each form is asked once: one that cannot go now (no owner, or a handler
  // of it runs) stays listed, and the walk goes on below it.
  std::unordered_set<const TComponent*> asked;
  for (;;) {
    TComponent* doomed = nullptr;
    for (int i = forms.GetLength() - 1; i >= 0 && !doomed; --i) {
      TComponent* form = forms.GetItem(i);
      if (form != except && !asked.count(form)) doomed = form;
    }
    if (!doomed) return;
    asked.insert(doomed);
    FreeListedComponent(*doomed);
  }
}

}  // namespace halbrin
