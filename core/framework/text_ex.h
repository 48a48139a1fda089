#pragma once

// The text component: a list of lines with load, save, sort and change events.

#include <memory>
#include <string>

#include "core/foundation/string_object_list.h"
#include "core/framework/executable_component.h"
#include "platform/classes/method.h"

namespace halbrin {

class TTextEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TTextEx, TCustomExecutableComponentEx)

  explicit TTextEx(platform::TComponent* owner = nullptr);
  ~TTextEx() override;

  std::string GetTypeName() const override { return "text"; }

  TStringObjectListEx& Strings() const noexcept { return *m_strings; }
  const std::string& FileName() const noexcept { return m_fileName; }
  // A "\" is read as "/".
  void SetFileName(const std::string& fileName);

  void Add(const std::string& line);
  // EListError "List index out of bounds (%d)" outside the lines.
  void Delete(int index);
  // The line becomes the first.
  void Insert(const std::string& line);
  std::string Text() const;
  void SetText(const std::string& text);

  // Words: "clear", "load", "save" (in the project's code page), "beginUpdate",
  // "endUpdate", "sort"; the result is True unless the word is unknown.
  void SetExec(const platform::Variant& value) override;

  // From another TTextEx: fileName and the lines.
  void Assign(const platform::TPersistent& source) override;

  // "change" and "changing", eventData the Name.
  virtual void changeHandler(platform::TObject* sender);
  virtual void changingHandler(platform::TObject* sender);

  platform::TNotifyEvent m_onChange;
  platform::TNotifyEvent m_onChanging;

 private:
  void StringsChanged(platform::TObject* sender);
  void StringsChanging(platform::TObject* sender);

  std::unique_ptr<TStringObjectListEx> m_strings;
  std::string m_fileName;
};

}  // namespace halbrin
