#include "core/framework/interpreter_ex.h"

#include <glib.h>

#include <filesystem>

#include "core/foundation/date_time_formatter.h"
#include "core/foundation/escapes.h"
#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/paths.h"
#include "core/foundation/text_files.h"
#include "core/foundation/text_helpers.h"
#include "core/framework/application_hooks.h"
#include "core/scripting/script_folders.h"
#include "core/scripting/variables.h"
#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"
#include "platform/variant/ole_date.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TInterpreterEx,
                     .Property("defaultValue", &TInterpreterEx::DefaultValue, &TInterpreterEx::SetDefaultValue)
                     .Property("text", &TInterpreterEx::Text, &TInterpreterEx::SetText)
                     .Owned()
                     .Property("contents", [](const TInterpreterEx& self) {
                       return const_cast<TInterpreterEx&>(self).Contents();
                     })
                     .Stored(false)
                     .Event("onGetContent", &TInterpreterEx::m_onGetContent, "TInterpreterContentEvent")
                     .Handler("HandleTag", &TInterpreterEx::HandleTag)
                     .Handler("getContentHandler", &TInterpreterEx::getContentHandler))

namespace {

struct TemplateTag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> parameters;

  const std::string* Find(std::string_view parameter) const {
    for (const auto& [name, value] : parameters)
      if (SameText(name, parameter)) return &value;
    return nullptr;
  }
  std::string Value(std::string_view parameter) const {
    const std::string* value = Find(parameter);
    return value ? *value : std::string();
  }
  std::string Unescaped(std::string_view parameter) const { return XmlUnescape(Value(parameter)); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads the tag that starts at text[at] ("<#"); on success `at` is past its ">".
std::optional<TemplateTag> ReadTag(std::string_view text, std::size_t& at) {
  std::size_t i = at + 2;
  TemplateTag tag;
  while (i < text.size() && !IsBlank(text[i]) && text[i] != '>') tag.name.push_back(text[i++]);
  if (tag.name.empty()) return std::nullopt;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) return std::nullopt;
    if (text[i] == '>') {
      at = i + 1;
      return tag;
    }
    std::string name;
    while (i < text.size() && !IsBlank(text[i]) && text[i] != '=' && text[i] != '>') name.push_back(text[i++]);
    std::string value;
    if (i < text.size() && text[i] == '=') {
      ++i;
      if (i < text.size() && text[i] == '"') {
        const std::size_t close = text.find('"', i + 1);
        if (close == std::string_view::npos) return std::nullopt;
        value = std::string(text.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        while (i < text.size() && !IsBlank(text[i]) && text[i] != '>') value.push_back(text[i++]);
      }
    }
    tag.parameters.emplace_back(std::move(name), std::move(value));
  }
  return std::nullopt;
}

Variant ParametersArray(const TemplateTag& tag) {
  std::vector<Variant> items;
  for (const auto& [name, value] : tag.parameters) items.emplace_back(name + "=" + value);
  return Variant(VariantArray(std::move(items)));
}

TemplateTag TagFrom(const std::string& name, const Variant& parameters) {
  TemplateTag tag{name, {}};
  if (!parameters.IsArray()) return tag;
  const VariantArray& items = parameters.AsArray();
  for (const Variant& item : items.Items()) {
    const std::string text = item.ToText();
    const auto equals = text.find('=');
    tag.parameters.emplace_back(text.substr(0, equals), equals == std::string::npos ? "" : text.substr(equals + 1));
  }
  return tag;
}

std::string Transform(std::string text, const TemplateTag& tag) {
  const std::string transform = FoldCase(tag.Value("transform"));
  if (transform.find("lowercase") != std::string::npos) {
    GCharPtr lower(g_utf8_strdown(text.c_str(), static_cast<gssize>(text.size())));
    text = lower.get();
  } else if (transform.find("uppercase") != std::string::npos) {
    text = UpperCaseText(text);
  }
  if (transform.find("xml") != std::string::npos) text = XmlEscape(text);
  return text;
}

bool Inside(const std::filesystem::path& path, const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
  if (error) return false;
  std::string prefix = root.string();
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  return path.string().rfind(prefix, 0) == 0;
}

}  // namespace

TInterpreterEx::TInterpreterEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner), m_text(std::make_unique<TStringList>()) {
  m_onGetContent.Bind(*this, &TInterpreterEx::HandleTag);
}

TInterpreterEx::~TInterpreterEx() = default;

void TInterpreterEx::SetText(TStringList* text) {
  if (text) m_text->Assign(*text);
}

std::string TInterpreterEx::Contents() { return Interpret(m_text->Text()); }

std::string TInterpreterEx::Interpret(std::string_view text) { return Expand(text, 0); }

std::string TInterpreterEx::Expand(std::string_view text, int depth) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find("<#", at);
    if (open == std::string_view::npos) break;
    out.append(text.substr(at, open - at));
    std::size_t end = open;
    std::optional<TemplateTag> tag = ReadTag(text, end);
    if (!tag) {
      // Not a tag after all: copied as text.
      out.append("<#");
      at = open + 2;
      continue;
    }
    std::string result = m_defaultValue;
    if (m_onGetContent.Assigned()) {
      const int outer = m_depth;
      m_depth = depth;
      m_onGetContent(this, tag->name, result, ParametersArray(*tag));
      m_depth = outer;
    }
    out.append(result);
    at = end;
  }
  if (at < text.size()) out.append(text.substr(at));
  return out;
}

std::optional<std::string> TInterpreterEx::TagFilePath(const std::string& name, std::string& why) const {
  const std::string relative = WithSlashes(name);
  const ScriptFolders folders = GetScriptFolders();
  std::filesystem::path path(relative);
  if (path.is_relative()) path = std::filesystem::path(folders.projectFolder) / path;
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(path, error);
  if (error) {
    why = "The file \"" + name + "\" does not exist";
    return std::nullopt;
  }
  if (!std::filesystem::is_regular_file(real, error)) {
    why = "\"" + name + "\" is not a file";
    return std::nullopt;
  }
  if (!Inside(real, folders.projectFolder) && !Inside(real, folders.applicationFolder)) {
    why = "The file \"" + name + "\" lies outside the project and application folders";
    return std::nullopt;
  }
  return real.string();
}

void TInterpreterEx::LogFallback(const std::string& tag, const std::string& why) const {
  ApplicationHooks().Log(ClassName(), "Template tag \"" + tag + "\" gives its default: " + why);
}

void TInterpreterEx::HandleTag(TObject*, const std::string& name, std::string& result, const Variant& parameters) {
  const TemplateTag tag = TagFrom(name, parameters);
  if (SameText(name, "variable")) {
    const std::string variable = tag.Unescaped("name");
    if (variable.empty()) return;
    RefPtr<TVariable> item = GetVariables().GetItemByName(variable, 0);
    if (!item) {
      result = Transform(tag.Unescaped("default"), tag);
      return;
    }
    const Variant& value = item->Value();
    if (value.IsEmpty())
      result = tag.Find("default") ? tag.Unescaped("default") : "undefined";
    else
      result = VariableValueText(value);
    result = Transform(result, tag);
  } else if (SameText(name, "appfolder")) {
    result = ParentFolder(GetApplicationFileName());
    if (result.empty() || result.back() != '/') result += '/';
  } else if (SameText(name, "project")) {
    const std::string attribute = tag.Value("attribute");
    if (attribute.empty()) return;
    const Variant value = ApplicationHooks().ProjectAttribute(attribute);
    result = Transform(value.IsNull() || value.IsEmpty() ? tag.Unescaped("default") : value.ToText(), tag);
  } else if (SameText(name, "include") || SameText(name, "import")) {
    const std::string file = tag.Value("name");
    if (file.empty()) return;
    std::string why;
    std::optional<std::string> text;
    if (SameText(name, "import") && m_depth >= kMaxImportDepth) {
      // A cycle of imports ends here instead of running away.
      why = "Templates import each other more than " + std::to_string(kMaxImportDepth) + " levels deep";
    } else if (std::optional<std::string> path = TagFilePath(file, why)) {
      try {
        text = LoadTextFromFile(*path);
      } catch (const Exception& error) {
        why = "\"" + file + "\" cannot be read: " + error.what();
      }
    }
    if (!text) {
      LogFallback(name, why);
      result = tag.Unescaped("default");
    } else if (SameText(name, "import")) {
      result = Expand(*text, m_depth + 1);
    } else {
      result = *text;
    }
  } else if (SameText(name, "xmlData")) {
    const std::string source = tag.Value("dataSrc");
    const std::string field = tag.Value("dataFld");
    if (source.empty() || field.empty()) return;
    Variant value = Variant::Null();
    std::string why;
    bool failed = true;
    if (std::optional<std::string> path = TagFilePath(source, why)) {
      try {
        TMSXMLDOMDocument document;
        document.Load(*path);
        value = document.GetNodeValue(field);
        failed = false;  // a selection that finds nothing is an answer, not a failure
      } catch (const Exception& error) {
        why = "\"" + source + "\" cannot be loaded: " + error.what();
      }
    }
    if (failed) LogFallback(name, why);
    if (value.IsNull())
      result = tag.Find("default") ? tag.Unescaped("default") : "null";
    else
      result = value.ToText();
    result = Transform(result, tag);
  } else if (SameText(name, "now")) {
    std::string format = tag.Unescaped("format");
    if (format.empty()) format = "dd.mm.yyyy hh:nn:ss";
    result = FormatDateTime(format, DecodeOleDate(NowOleDate()));
  }
}

void TInterpreterEx::getContentHandler(TObject*, const std::string& name, std::string& result,
                                       const Variant& parameters) {
  const Variant args[] = {Variant(Name()), Variant(name), parameters};
  const Variant answer = FireEvent("getcontent", args, nullptr);
  result = answer.IsNull() ? m_defaultValue : answer.ToText();
}

void TInterpreterEx::SetExec(const Variant& value) {
  ExecResult() = true;
  if (SameText(ExecVerbText(value), "content"))
    ExecResult() = Variant(Contents());
  else
    ExecResult() = false;
}

}  // namespace halbrin
