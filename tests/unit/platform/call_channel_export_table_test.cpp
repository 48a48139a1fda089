// The table of objects one side handed to its peer.

#include <gtest/gtest.h>

#include "platform/automation/export_table.h"
#include "unit/platform/call_channel_fixture.h"

namespace halbrin::platform {
namespace {

using channel_testing::TScriptObject;

class TPlain : public RefCounted {};

TEST(CallChannelExportTable, OneEntryPerObjectCountingHandOuts) {
  ExportTable table;
  auto a = MakeRef<TScriptObject>();
  auto b = MakeRef<TPlain>();
  const std::uint64_t ha = table.Export(*a);
  EXPECT_EQ(table.Export(*a), ha);
  const std::uint64_t hb = table.Export(*b);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(table.Size(), 2u);
  EXPECT_EQ(table.CountOf(ha), 2u);
  EXPECT_EQ(table.Find(ha)->dispatch, a.Get());
  EXPECT_EQ(table.Find(hb)->dispatch, nullptr);
  EXPECT_EQ(a->RefCount(), 2u);  // the table holds it
}

// A release counts down by what the peer received: an object handed out again
// while the peer's release was on its way stays.
TEST(CallChannelExportTable, ReleaseCountsDownThenDrops) {
  ExportTable table;
  auto destroyed = std::make_shared<std::atomic<bool>>(false);
  std::uint64_t handle;
  {
    auto object = MakeRef<TScriptObject>("x", destroyed);
    handle = table.Export(*object);
    table.Export(*object);
    table.Export(*object);
  }
  RefPtr<RefCounted> dropped;
  EXPECT_EQ(table.Release(handle, 2, dropped), ExportTable::ReleaseOutcome::Done);
  EXPECT_FALSE(dropped);
  EXPECT_EQ(table.State(handle), ExportTable::HandleState::Live);
  EXPECT_EQ(table.Release(handle, 2, dropped), ExportTable::ReleaseOutcome::CountTooLarge);
  EXPECT_EQ(table.Release(handle, 1, dropped), ExportTable::ReleaseOutcome::Done);
  EXPECT_TRUE(dropped);
  EXPECT_FALSE(*destroyed);  // the caller decides when it dies
  dropped.Reset();
  EXPECT_TRUE(*destroyed);
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_EQ(table.State(handle), ExportTable::HandleState::Released);
  EXPECT_EQ(table.Release(handle, 1, dropped), ExportTable::ReleaseOutcome::Stale);
  EXPECT_EQ(table.Release(handle + 1, 1, dropped), ExportTable::ReleaseOutcome::NeverGiven);
  EXPECT_EQ(table.Release(0, 1, dropped), ExportTable::ReleaseOutcome::NeverGiven);
}

TEST(CallChannelExportTable, HandlesAreNeverReused) {
  ExportTable table;
  auto object = MakeRef<TScriptObject>();
  const std::uint64_t first = table.Export(*object);
  RefPtr<RefCounted> dropped;
  ASSERT_EQ(table.Release(first, 1, dropped), ExportTable::ReleaseOutcome::Done);
  const std::uint64_t second = table.Export(*object);
  EXPECT_NE(second, first);
  EXPECT_EQ(table.State(first), ExportTable::HandleState::Released);
  EXPECT_EQ(table.State(second), ExportTable::HandleState::Live);
}

TEST(CallChannelExportTable, RevokeDropsWhateverTheCount) {
  ExportTable table;
  auto object = MakeRef<TScriptObject>();
  auto other = MakeRef<TScriptObject>();
  const std::uint64_t handle = table.Export(*object);
  table.Export(*object);
  RefPtr<RefCounted> dropped;
  EXPECT_FALSE(table.Revoke(*other, dropped));
  EXPECT_TRUE(table.Revoke(*object, dropped));
  EXPECT_EQ(dropped.Get(), object.Get());
  EXPECT_EQ(table.Find(handle), nullptr);
  EXPECT_EQ(table.State(handle), ExportTable::HandleState::Released);
  EXPECT_EQ(table.Release(handle, 2, dropped), ExportTable::ReleaseOutcome::Stale);
}

TEST(CallChannelExportTable, TakeAllEmptiesTheTable) {
  ExportTable table;
  auto a = MakeRef<TScriptObject>();
  auto b = MakeRef<TScriptObject>();
  const std::uint64_t ha = table.Export(*a);
  table.Export(*b);
  auto objects = table.TakeAll();
  EXPECT_EQ(objects.size(), 2u);
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_EQ(table.State(ha), ExportTable::HandleState::Released);
  EXPECT_NE(table.Export(*a), ha);
}

}  // namespace
}  // namespace halbrin::platform
