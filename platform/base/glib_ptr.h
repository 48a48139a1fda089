#pragma once

// Small RAII holders for GLib C types. Everything that touches GLib keeps its
// values in these, so no path (early return, exception) leaks or double-frees.

#include <glib-object.h>
#include <glib.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/exception.h"

namespace halbrin::platform {

// Deleter calling a GLib free/unref function. unique_ptr never calls it with null.
template <auto FreeFn>
struct GDeleter {
  template <class T>
  void operator()(T* value) const noexcept {
    FreeFn(value);
  }
};

namespace glib_ptr_detail {
inline void FreeGString(GString* value) noexcept { g_string_free(value, TRUE); }
inline void FreeGList(GList* value) noexcept { g_list_free(value); }
inline void FreeGSList(GSList* value) noexcept { g_slist_free(value); }
}  // namespace glib_ptr_detail

template <class T>
using GFreePtr = std::unique_ptr<T, GDeleter<&g_free>>;
using GCharPtr = GFreePtr<char>;
// A NULL-terminated string array (g_strsplit, g_key_file_get_keys...).
using GStrvPtr = std::unique_ptr<char*, GDeleter<&g_strfreev>>;
using GStringPtr = std::unique_ptr<GString, GDeleter<&glib_ptr_detail::FreeGString>>;

using GErrorPtr = std::unique_ptr<GError, GDeleter<&g_error_free>>;
using GKeyFilePtr = std::unique_ptr<GKeyFile, GDeleter<&g_key_file_unref>>;
using GSourcePtr = std::unique_ptr<GSource, GDeleter<&g_source_unref>>;
using GMainContextPtr = std::unique_ptr<GMainContext, GDeleter<&g_main_context_unref>>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, GDeleter<&g_main_loop_unref>>;
using GBytesPtr = std::unique_ptr<GBytes, GDeleter<&g_bytes_unref>>;
using GByteArrayPtr = std::unique_ptr<GByteArray, GDeleter<&g_byte_array_unref>>;
using GArrayPtr = std::unique_ptr<GArray, GDeleter<&g_array_unref>>;
using GPtrArrayPtr = std::unique_ptr<GPtrArray, GDeleter<&g_ptr_array_unref>>;
using GHashTablePtr = std::unique_ptr<GHashTable, GDeleter<&g_hash_table_unref>>;
// Holds a full reference; sink floating variants first (g_variant_ref_sink).
using GVariantPtr = std::unique_ptr<GVariant, GDeleter<&g_variant_unref>>;
using GVariantTypePtr = std::unique_ptr<GVariantType, GDeleter<&g_variant_type_free>>;
using GVariantIterPtr = std::unique_ptr<GVariantIter, GDeleter<&g_variant_iter_free>>;
using GVariantBuilderPtr = std::unique_ptr<GVariantBuilder, GDeleter<&g_variant_builder_unref>>;
using GRegexPtr = std::unique_ptr<GRegex, GDeleter<&g_regex_unref>>;
using GMatchInfoPtr = std::unique_ptr<GMatchInfo, GDeleter<&g_match_info_unref>>;
using GDateTimePtr = std::unique_ptr<GDateTime, GDeleter<&g_date_time_unref>>;
using GTimeZonePtr = std::unique_ptr<GTimeZone, GDeleter<&g_time_zone_unref>>;
using GDirPtr = std::unique_ptr<GDir, GDeleter<&g_dir_close>>;
using GMappedFilePtr = std::unique_ptr<GMappedFile, GDeleter<&g_mapped_file_unref>>;
using GChecksumPtr = std::unique_ptr<GChecksum, GDeleter<&g_checksum_free>>;
using GTimerPtr = std::unique_ptr<GTimer, GDeleter<&g_timer_destroy>>;
// Frees the list cells only, not the elements.
using GListPtr = std::unique_ptr<GList, GDeleter<&glib_ptr_detail::FreeGList>>;
using GSListPtr = std::unique_ptr<GSList, GDeleter<&glib_ptr_detail::FreeGSList>>;

// Out-parameter adapter for the holders above:
//   GErrorPtr error;  g_key_file_load_from_file(file, path, flags, Out(error));
// The value the callee writes is adopted when the full expression ends; an old
// value of the holder is released then.
template <class Holder>
class OutParam {
 public:
  using Pointer = typename Holder::pointer;

  explicit OutParam(Holder& holder) noexcept : m_holder(holder) {}
  OutParam(const OutParam&) = delete;
  OutParam& operator=(const OutParam&) = delete;
  ~OutParam() { m_holder.reset(m_raw); }

  operator Pointer*() noexcept { return &m_raw; }

 private:
  Holder& m_holder;
  Pointer m_raw = nullptr;
};

template <class Holder>
[[nodiscard]] OutParam<Holder> Out(Holder& holder) noexcept {
  return OutParam<Holder>(holder);
}

// Holds one reference to a GObject-derived C struct (GFile, GtkWidget...).
template <class T>
class GObjectPtr {
 public:
  GObjectPtr() noexcept = default;
  GObjectPtr(std::nullptr_t) noexcept {}

  // Takes over a full reference, e.g. the one g_object_new or g_file_new_for_path returns.
  [[nodiscard]] static GObjectPtr Adopt(T* object) noexcept {
    GObjectPtr result;
    result.m_ptr = object;
    return result;
  }
  // Adds a reference of its own; the caller keeps its reference.
  [[nodiscard]] static GObjectPtr Ref(T* object) noexcept {
    if (object) g_object_ref(static_cast<gpointer>(object));
    return Adopt(object);
  }
  // For constructors returning a floating reference (GtkWidget, GInitiallyUnowned):
  // sinks it, or adds a reference when the object is not floating.
  [[nodiscard]] static GObjectPtr AdoptFloating(T* object) noexcept {
    if (object) g_object_ref_sink(static_cast<gpointer>(object));
    return Adopt(object);
  }

  GObjectPtr(const GObjectPtr& other) noexcept : m_ptr(other.m_ptr) {
    if (m_ptr) g_object_ref(static_cast<gpointer>(m_ptr));
  }
  GObjectPtr(GObjectPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
  ~GObjectPtr() {
    if (m_ptr) g_object_unref(static_cast<gpointer>(m_ptr));
  }

  GObjectPtr& operator=(GObjectPtr other) noexcept {
    std::swap(m_ptr, other.m_ptr);
    return *this;
  }

  T* Get() const noexcept { return m_ptr; }
  T* operator->() const noexcept { return m_ptr; }
  explicit operator bool() const noexcept { return m_ptr != nullptr; }

  // Hands the reference to the caller.
  [[nodiscard]] T* Release() noexcept { return std::exchange(m_ptr, nullptr); }
  void Reset() noexcept { *this = GObjectPtr(); }

  friend bool operator==(const GObjectPtr& a, const GObjectPtr& b) noexcept { return a.m_ptr == b.m_ptr; }
  friend bool operator==(const GObjectPtr& a, std::nullptr_t) noexcept { return a.m_ptr == nullptr; }

 private:
  T* m_ptr = nullptr;
};

// A failure reported by GLib through a GError; keeps its domain and code so
// callers can tell "not found" from other failures.
class EGLibError : public Exception {
 public:
  EGLibError(const std::string& message, GQuark domain, int code)
      : Exception(message), m_domain(domain), m_code(code) {}
  std::string_view ClassName() const noexcept override { return "EGLibError"; }

  GQuark Domain() const noexcept { return m_domain; }
  int Code() const noexcept { return m_code; }
  bool Matches(GQuark domain, int code) const noexcept { return m_domain == domain && m_code == code; }

 private:
  GQuark m_domain;
  int m_code;
};

// Throws EGLibError "<context>: <GLib message>" (just the GLib message when
// context is empty). Does not free the error: keep it in a GErrorPtr.
[[noreturn]] inline void ThrowGError(const GError* error, std::string_view context) {
  std::string message(context);
  std::string_view detail = (error && error->message) ? std::string_view(error->message) : "unknown error";
  if (!message.empty()) message += ": ";
  message += detail;
  throw EGLibError(message, error ? error->domain : 0, error ? error->code : 0);
}

// Throws when the call that filled `error` failed.
inline void CheckGError(const GErrorPtr& error, std::string_view context) {
  if (error) ThrowGError(error.get(), context);
}

}  // namespace halbrin::platform
