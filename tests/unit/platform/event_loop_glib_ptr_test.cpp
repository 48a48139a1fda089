// The GLib RAII holders of platform/base/glib_ptr.h (kept with the event loop
// tests, whose owner maintains that header). Leaks and double frees are left
// to the sanitizer build; these tests pin down reference counts and errors.

#include <gtest/gtest.h>

#include <utility>

#include "platform/base/glib_ptr.h"

namespace halbrin::platform {
namespace {

class GObjectPtrTest : public ::testing::Test {
 protected:
  // A fresh GObject whose finalisation clears m_alive.
  GObject* NewWatched(GType type = G_TYPE_OBJECT) {
    auto* object = static_cast<GObject*>(g_object_new(type, nullptr));
    m_alive = object;
    g_object_add_weak_pointer(object, reinterpret_cast<gpointer*>(&m_alive));
    return object;
  }
  static guint RefCount(GObject* object) { return object->ref_count; }

  GObject* m_alive = nullptr;
};

TEST_F(GObjectPtrTest, CopiesShareMovesTransferResetFrees) {
  auto held = GObjectPtr<GObject>::Adopt(NewWatched());
  EXPECT_EQ(RefCount(held.Get()), 1u);
  {
    GObjectPtr<GObject> copy = held;
    EXPECT_EQ(RefCount(held.Get()), 2u);
    GObjectPtr<GObject> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(RefCount(held.Get()), 2u);
    EXPECT_TRUE(moved == held);
  }
  EXPECT_EQ(RefCount(held.Get()), 1u);
  held = held;  // self-assignment keeps the object
  ASSERT_NE(m_alive, nullptr);
  held.Reset();
  EXPECT_EQ(m_alive, nullptr);
  EXPECT_TRUE(held == nullptr);
}

TEST_F(GObjectPtrTest, RefAddsAReferenceAndReleaseHandsItBack) {
  GObject* raw = NewWatched();
  {
    auto extra = GObjectPtr<GObject>::Ref(raw);
    EXPECT_EQ(RefCount(raw), 2u);
  }
  EXPECT_EQ(RefCount(raw), 1u);
  auto held = GObjectPtr<GObject>::Adopt(raw);
  GObject* released = held.Release();
  EXPECT_FALSE(held);
  EXPECT_EQ(RefCount(released), 1u);
  g_object_unref(released);
  EXPECT_EQ(m_alive, nullptr);
}

TEST_F(GObjectPtrTest, AdoptFloatingSinksAFloatingReferenceOnly) {
  {
    auto sunk = GObjectPtr<GObject>::AdoptFloating(NewWatched(G_TYPE_INITIALLY_UNOWNED));
    EXPECT_FALSE(g_object_is_floating(sunk.Get()));
    EXPECT_EQ(RefCount(sunk.Get()), 1u);
  }
  EXPECT_EQ(m_alive, nullptr);

  GObject* plain = NewWatched();
  {
    auto second = GObjectPtr<GObject>::AdoptFloating(plain);  // not floating: a new reference
    EXPECT_EQ(RefCount(plain), 2u);
  }
  EXPECT_EQ(RefCount(plain), 1u);
  g_object_unref(plain);
  EXPECT_EQ(m_alive, nullptr);
}

TEST(GErrorTest, OutFillsTheHolderAndCheckThrowsWithContextDomainAndCode) {
  GKeyFilePtr file(g_key_file_new());
  GErrorPtr error;
  gboolean loaded = g_key_file_load_from_data(file.get(), "not a key file", -1, G_KEY_FILE_NONE, Out(error));
  ASSERT_FALSE(loaded);
  ASSERT_TRUE(error);
  const std::string glibMessage = error->message;
  try {
    CheckGError(error, "Reading settings");
    FAIL() << "no exception";
  } catch (const EGLibError& thrown) {
    EXPECT_EQ(thrown.Message(), "Reading settings: " + glibMessage);
    EXPECT_EQ(thrown.ClassName(), "EGLibError");
    EXPECT_TRUE(thrown.Matches(G_KEY_FILE_ERROR, error->code));
  }

  // A second call through Out() replaces the old error (the sanitizer sees a leak otherwise).
  GCharPtr contents;
  EXPECT_FALSE(g_file_get_contents("/nonexistent/halbrin/file", Out(contents), nullptr, Out(error)));
  ASSERT_TRUE(error);
  EXPECT_TRUE(g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_NOENT));
  EXPECT_FALSE(contents);
}

TEST(GErrorTest, NoErrorMeansNoThrowAndAMissingErrorStillThrows) {
  GErrorPtr none;
  EXPECT_NO_THROW(CheckGError(none, "Anything"));
  try {
    ThrowGError(nullptr, "");
  } catch (const EGLibError& thrown) {
    EXPECT_EQ(thrown.Message(), "unknown error");
    EXPECT_EQ(thrown.Domain(), 0u);
  }
  try {
    ThrowGError(nullptr, "Opening");
  } catch (const Exception& thrown) {
    EXPECT_EQ(thrown.Message(), "Opening: unknown error");
  }
}

TEST(GlibHoldersTest, StringArrayAndGStringAreFreedWhole) {
  GStrvPtr parts(g_strsplit("a,b,c", ",", -1));
  EXPECT_EQ(g_strv_length(parts.get()), 3u);
  GStringPtr text(g_string_new("abc"));
  g_string_append(text.get(), "def");
  EXPECT_STREQ(text->str, "abcdef");
  GVariantPtr variant(g_variant_ref_sink(g_variant_new_int32(5)));
  EXPECT_EQ(g_variant_get_int32(variant.get()), 5);
}

}  // namespace
}  // namespace halbrin::platform
