#include "core/framework/text_ex.h"

#include <algorithm>

#include "core/foundation/paths.h"
#include "core/foundation/text_files.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TTextEx,
                     .Property("fileName", &TTextEx::FileName, &TTextEx::SetFileName)
                     .Property("add", [](const TTextEx&) { return std::string(); }, &TTextEx::Add)
                     .Stored(false)
                     .Property("delete", [](const TTextEx&) { return -1; }, &TTextEx::Delete)
                     .Stored(false)
                     .Property("insert", [](const TTextEx&) { return std::string(); }, &TTextEx::Insert)
                     .Stored(false)
                     .Property("text", &TTextEx::Text, &TTextEx::SetText)
                     .Property("strings", [](const TTextEx& self) { return &self.Strings(); })
                     .Stored(false)
                     .Event("onChange", &TTextEx::m_onChange, "TNotifyEvent")
                     .Event("onChanging", &TTextEx::m_onChanging, "TNotifyEvent")
                     .Handler("changeHandler", &TTextEx::changeHandler)
                     .Handler("changingHandler", &TTextEx::changingHandler))

TTextEx::TTextEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner), m_strings(std::make_unique<TStringObjectListEx>()) {
  m_strings->OnChange().Bind(*this, &TTextEx::StringsChanged);
  m_strings->OnChanging().Bind(*this, &TTextEx::StringsChanging);
}

TTextEx::~TTextEx() {
  m_strings->OnChange().Clear();
  m_strings->OnChanging().Clear();
}

void TTextEx::SetFileName(const std::string& fileName) {
  m_fileName = WithSlashes(fileName);
}

void TTextEx::Add(const std::string& line) { m_strings->Add(line); }

void TTextEx::Delete(int index) { m_strings->Delete(index); }

void TTextEx::Insert(const std::string& line) { m_strings->Insert(0, line); }

std::string TTextEx::Text() const { return m_strings->Text(); }

void TTextEx::SetText(const std::string& text) { m_strings->SetText(text); }

void TTextEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "clear")) {
    m_strings->Clear();
  } else if (SameText(word, "load")) {
    // Read whole first, so a failure leaves the lines as they were.
    const std::string text = LoadTextFromFile(m_fileName);
    m_strings->SetText(text);
  } else if (SameText(word, "save")) {
    SaveTextToFile(m_strings->Text(), m_fileName);
  } else if (SameText(word, "beginUpdate")) {
    m_strings->BeginUpdate();
  } else if (SameText(word, "endUpdate")) {
    m_strings->EndUpdate();
  } else if (SameText(word, "sort")) {
    m_strings->Sort();
  } else {
    Inherited::SetExec(value);
  }
}

void TTextEx::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TTextEx*>(&source)) {
    m_fileName = other->m_fileName;
    m_strings->Assign(*other->m_strings);
    return;
  }
  Inherited::Assign(source);
}

void TTextEx::changeHandler(TObject*) { FireEvent("change"); }

void TTextEx::changingHandler(TObject*) { FireEvent("changing"); }

void TTextEx::StringsChanged(TObject*) { m_onChange(this); }

void TTextEx::StringsChanging(TObject*) { m_onChanging(this); }

}  // namespace halbrin
