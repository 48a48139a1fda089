#include "web/pages/page_binding.h"

#include <gio/gio.h>

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/glib_ptr.h"

namespace halbrin::pages {

using namespace halbrin::platform;

const char* const PageBinding::kModuleFiles[] = {"dom",     "islands", "rendering", "binder",
                                                 "unbinder", "print",  "links",     "entry"};

namespace {

constexpr std::string_view kResourceFolder = "/halbrin/binding/";

// A node's document against the frame's: true when they are the same object.
constexpr const char kOwnsScript[] = R"((function (doc) {
  return function (node) {
    try {
      return !!node && (node.nodeType === 9 ? node : node.ownerDocument) === doc;
    } catch (e) {
      return false;
    }
  };
}))";

// The message of the context's pending exception with its place, cleared.
std::string TakeException(JSCContext* context) {
  JSCException* exception = jsc_context_get_exception(context);
  if (!exception) return {};
  GCharPtr report(jsc_exception_report(exception));
  std::string text = report ? report.get() : "script error";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  jsc_context_clear_exception(context);
  return text;
}

JscValuePtr Property(JSCValue* object, const char* name) {
  return JscValuePtr::Adopt(jsc_value_object_get_property(object, name));
}

// A job's answer: strings as text ("" as Empty), arrays element by element.
Variant AnswerOf(JSCValue* value) {
  if (!value || jsc_value_is_undefined(value) || jsc_value_is_null(value)) return Variant();
  if (jsc_value_is_array(value)) {
    JscValuePtr length = Property(value, "length");
    const int count = length ? jsc_value_to_int32(length.Get()) : 0;
    std::vector<Variant> items;
    items.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      JscValuePtr item = JscValuePtr::Adopt(jsc_value_object_get_property_at_index(value, static_cast<guint>(i)));
      items.push_back(AnswerOf(item.Get()));
    }
    return Variant(VariantArray(std::move(items)));
  }
  GCharPtr text(jsc_value_to_string(value));
  if (!text || !*text) return Variant();
  return Variant(std::string(text.get()));
}

// The module file's text from the extension's resources; nothing for a file
// the build did not compile in.
std::optional<std::string> ModuleSource(const char* file) {
  const std::string path = std::string(kResourceFolder) + file + ".js";
  GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (!bytes) return std::nullopt;
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::string text(data ? data : "", size);
  g_bytes_unref(bytes);
  return text;
}

// lib.host.readSource(uri, charset) -> text or null, through the frame's reader.
JscValuePtr ReadSourceFunction(JSCContext* context, PageBinding::ReadFile readFile) {
  auto reader = std::make_unique<PageBinding::ReadFile>(std::move(readFile));
  JscValuePtr function = JscValuePtr::Adopt(jsc_value_new_function(
      context, "readSource", G_CALLBACK(+[](const char* uri, const char* charset, gpointer data) -> JSCValue* {
        JSCContext* current = jsc_context_get_current();
        try {
          const Variant text = (*static_cast<PageBinding::ReadFile*>(data))(uri ? uri : "", charset ? charset : "");
          if (text.IsString()) return jsc_value_new_string(current, text.AsString().c_str());
        } catch (const std::exception& error) {
          g_warning("halbrinlite-pages: a page's source was not read: %s", error.what());
        }
        return jsc_value_new_null(current);
      }),
      reader.get(), +[](gpointer data) { delete static_cast<PageBinding::ReadFile*>(data); }, JSC_TYPE_VALUE, 2,
      G_TYPE_STRING, G_TYPE_STRING));
  reader.release();  // the function owns it now
  return function;
}

}  // namespace

void PageBinding::Install(std::uint64_t pageId, std::uint64_t frameId, JscEngine& engine, ReadFile readFile) {
  m_frames.erase(frameId);
  JSCContext* context = engine.Context();
  if (!context) return;
  JscValuePtr lib = JscValuePtr::Adopt(jsc_value_new_object(context, nullptr, nullptr));
  JscValuePtr host = JscValuePtr::Adopt(jsc_value_new_object(context, nullptr, nullptr));
  JscValuePtr reader = ReadSourceFunction(context, std::move(readFile));
  jsc_value_object_set_property(host.Get(), "readSource", reader.Get());
  jsc_value_object_set_property(lib.Get(), "host", host.Get());
  for (const char* file : kModuleFiles) {
    const std::optional<std::string> source = ModuleSource(file);
    if (!source) continue;
    const std::string& code = *source;
    const std::string uri = "resource://" + std::string(kResourceFolder) + file + ".js";
    JscValuePtr function = JscValuePtr::Adopt(
        jsc_context_evaluate_with_source_uri(context, code.data(), static_cast<gssize>(code.size()), uri.c_str(), 1));
    std::string failure = TakeException(context);
    if (failure.empty() && (!function || !jsc_value_is_function(function.Get())))
      failure = uri + ": the file is no function";
    if (failure.empty()) {
      JscValuePtr done =
          JscValuePtr::Adopt(jsc_value_function_call(function.Get(), JSC_TYPE_VALUE, lib.Get(), G_TYPE_NONE));
      failure = TakeException(context);
    }
    if (!failure.empty()) {
      g_warning("halbrinlite-pages: frame %" G_GUINT64_FORMAT " gets no binding module: %s", frameId, failure.c_str());
      return;
    }
  }
  Frame frame;
  frame.pageId = pageId;
  frame.engine = &engine;
  frame.entry = Property(lib.Get(), "entry");
  frame.document = engine.GlobalValue("document");
  JscValuePtr makeOwns = JscValuePtr::Adopt(jsc_context_evaluate(context, kOwnsScript, -1));
  if (makeOwns && jsc_value_is_function(makeOwns.Get()))
    frame.owns = JscValuePtr::Adopt(
        jsc_value_function_call(makeOwns.Get(), JSC_TYPE_VALUE, frame.document.Get(), G_TYPE_NONE));
  TakeException(context);
  if (!frame.entry || !jsc_value_is_function(frame.entry.Get()) || !frame.owns ||
      !jsc_value_is_function(frame.owns.Get())) {
    g_warning("halbrinlite-pages: frame %" G_GUINT64_FORMAT " gets no binding module: it has no entry", frameId);
    return;
  }
  m_frames[frameId] = std::move(frame);
}

void PageBinding::ForgetPage(std::uint64_t pageId) {
  std::erase_if(m_frames, [pageId](const auto& entry) { return entry.second.pageId == pageId; });
}

std::optional<Variant> PageBinding::RunJob(JSCValue* object, const Variant& job, JSCValue* target,
                                           const Variant& settings) {
  JSCValue* node = target ? target : object;
  if (!node) return std::nullopt;
  Frame* found = nullptr;
  for (auto& [frameId, frame] : m_frames) {
    JSCContext* context = jsc_value_get_context(frame.owns.Get());
    JscValuePtr owns = JscValuePtr::Adopt(jsc_value_function_call(frame.owns.Get(), JSC_TYPE_VALUE, node, G_TYPE_NONE));
    TakeException(context);
    if (owns && jsc_value_to_boolean(owns.Get())) {
      found = &frame;
      break;
    }
  }
  if (!found) return std::nullopt;
  JSCContext* context = jsc_value_get_context(found->entry.Get());
  // The settings as a plain object of the frame: {name: value}.
  JscValuePtr pairs = JscValuePtr::Adopt(jsc_value_new_object(context, nullptr, nullptr));
  if (settings.IsArray()) {
    for (const Variant& pair : settings.AsArray().Items()) {
      if (!pair.IsArray() || pair.AsArray().Items().size() != 2) continue;
      const auto& items = pair.AsArray().Items();
      JscValuePtr value = found->engine->ToJs(items[1]);
      jsc_value_object_set_property(pairs.Get(), items[0].ToText().c_str(), value.Get());
    }
  }
  JscValuePtr name = JscValuePtr::Adopt(jsc_value_new_string(context, job.ToText().c_str()));
  JscValuePtr none = JscValuePtr::Adopt(jsc_value_new_null(context));
  JscValuePtr answer = JscValuePtr::Adopt(jsc_value_function_call(found->entry.Get(), JSC_TYPE_VALUE, name.Get(),
                                                                  JSC_TYPE_VALUE, target ? target : none.Get(),
                                                                  JSC_TYPE_VALUE, pairs.Get(), G_TYPE_NONE));
  if (std::string failure = TakeException(context); !failure.empty()) return Variant(failure);
  return AnswerOf(answer.Get());
}

}  // namespace halbrin::pages
