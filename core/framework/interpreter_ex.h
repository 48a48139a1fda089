#pragma once

// Tag templates: "<#name param=value param="a value">" tags in a text are
// replaced by values of the project (variables, project attributes, files,
// XML data, the clock); text outside tags is copied as it is.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/framework/executable_component.h"
#include "platform/classes/method.h"
#include "platform/classes/string_list.h"

namespace halbrin {

// Nested "import" tags go this deep at most.
inline constexpr int kMaxImportDepth = 16;

// (Sender, tag name, var result, parameters as an array of "name=value" texts)
using TInterpreterContentEvent =
    platform::TEvent<platform::TObject*, const std::string&, std::string&, const platform::Variant&>;

class TInterpreterEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TInterpreterEx, TCustomExecutableComponentEx)

  // onGetContent starts as the built-in tags (HandleTag).
  explicit TInterpreterEx(platform::TComponent* owner = nullptr);
  ~TInterpreterEx() override;

  std::string GetTypeName() const override { return "interpreter"; }

  const std::string& DefaultValue() const noexcept { return m_defaultValue; }
  void SetDefaultValue(const std::string& value) { m_defaultValue = value; }
  platform::TStringList* Text() const noexcept { return m_text.get(); }
  void SetText(platform::TStringList* text);
  // `text` expanded.
  std::string Contents();
  // Expands the tags of `text`.
  std::string Interpret(std::string_view text);

  // "content": the result is `contents`.
  void SetExec(const platform::Variant& value) override;

  TInterpreterContentEvent& OnGetContent() noexcept { return m_onGetContent; }

  // The built-in tags: variable, appfolder, project, include, import, xmlData, now.
  void HandleTag(platform::TObject* sender, const std::string& tag, std::string& result,
                 const platform::Variant& parameters);
  // Fires "getcontent" with [Name, tag, parameters]; an answer that is not
  // Null is the tag's text.
  void getContentHandler(platform::TObject* sender, const std::string& tag, std::string& result,
                         const platform::Variant& parameters);

 private:
  std::string Expand(std::string_view text, int depth);
  // The real path of an existing file a tag names (relative to the project
  // folder), or nothing when it lies outside the project and application
  // folders; `why` then says what is wrong.
  std::optional<std::string> TagFilePath(const std::string& name, std::string& why) const;
  // A tag that gives its default because of a failure says why in the log.
  void LogFallback(const std::string& tag, const std::string& why) const;

  std::string m_defaultValue;
  std::unique_ptr<platform::TStringList> m_text;
  TInterpreterContentEvent m_onGetContent;
  int m_depth = 0;
};

}  // namespace halbrin
