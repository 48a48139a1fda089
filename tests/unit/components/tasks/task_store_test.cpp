// The task store's files: what a save keeps of the runner's group and what
// the runner's write keeps of the task, the folder listing, and the file
// text of the keys.

#include "components/tasks/task_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace halbrin {
namespace {

class TaskStoreTest : public ::testing::Test {
 protected:
  testing::TempFolder m_root{"halbrin_store"};
  TaskStore m_store{(m_root.Path() / "tasks").string()};
};

TEST_F(TaskStoreTest, SaveKeepsTheRunnersGroupAndTheRunnerKeepsTheTask) {
  TaskRecord record;
  record.comment = "first";
  record.AddTrigger({});
  m_store.Save("t", record);
  TaskRunState run;
  run.mostRecentRunTime = 1'735'689'600;
  run.exitCode = 7;
  run.status = SCHED_S_TASK_TERMINATED;
  run.pid = 0;
  run.scheduled = false;
  m_store.SaveRun("t", run);
  record.comment = "second";
  m_store.Save("t", record);
  const TaskRunState read = m_store.LoadRun("t");
  EXPECT_EQ(read.mostRecentRunTime, run.mostRecentRunTime);
  EXPECT_EQ(read.exitCode, 7u);
  EXPECT_EQ(read.status, SCHED_S_TASK_TERMINATED);
  EXPECT_FALSE(read.scheduled);
  run.exitCode = 3;
  m_store.SaveRun("t", run);
  const TaskRecord loaded = m_store.Load("t");
  EXPECT_EQ(loaded.comment, "second");
  ASSERT_EQ(loaded.triggers.size(), 1u);
  EXPECT_EQ(loaded.triggers[0].id, 1);
  EXPECT_EQ(loaded.nextTriggerId, 2);
}

TEST_F(TaskStoreTest, TheRunnerNeverWritesIntoAMissingOrDamagedFile) {
  m_store.SaveRun("missing", {});
  EXPECT_FALSE(m_store.Exists("missing"));
  const std::filesystem::path damaged = m_root.Path() / "tasks/damaged.job";
  testing::WriteFile(damaged, "[Other]\nx=1\n", testing::MakeFolders::Yes);
  m_store.SaveRun("damaged", {});
  EXPECT_EQ(testing::ReadFile(damaged), "[Other]\nx=1\n");
}

TEST_F(TaskStoreTest, ListingNamesOnlyTaskFiles) {
  m_store.Save("b", {});
  m_store.Save("a", {});
  const std::filesystem::path folder = m_root.Path() / "tasks";
  for (const char* other : {"a.job.lock", "a.job.wlock", "a.job.AbC123", ".job", "notes.txt"})
    testing::WriteFile(folder / other, "");
  EXPECT_EQ(m_store.Names(), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(m_store.Remove("a"));
  EXPECT_FALSE(std::filesystem::exists(folder / "a.job.lock"));
  EXPECT_FALSE(std::filesystem::exists(folder / "a.job.wlock"));
  EXPECT_FALSE(m_store.Remove("a"));
}

TEST_F(TaskStoreTest, TriggerKeysAreNamedByTheirKind) {
  TaskRecord record;
  TaskTriggerFields weekly;
  weekly.type = TASK_TIME_TRIGGER_WEEKLY;
  weekly.unionFirst = 2;
  weekly.daysOfTheWeek = 0x22;
  TaskTriggerFields byWeekday;
  byWeekday.type = TASK_TIME_TRIGGER_MONTHLYDOW;
  byWeekday.unionFirst = TASK_LAST_WEEK;
  byWeekday.daysOfTheWeek = 0x20;
  byWeekday.months = 0x3;
  record.AddTrigger(weekly);
  record.AddTrigger(byWeekday);
  record.triggers.erase(record.triggers.begin());
  record.AddTrigger({});
  m_store.Save("kinds", record);
  const std::string text = testing::ReadFile(m_store.PathOf("kinds"));
  EXPECT_EQ(text.find("[Trigger 1]"), std::string::npos) << "a deleted trigger's group is gone";
  EXPECT_NE(text.find("[Trigger 2]\nBeginYear="), std::string::npos) << text;
  EXPECT_NE(text.find("WhichWeek=5"), std::string::npos) << text;
  EXPECT_NE(text.find("[Trigger 3]"), std::string::npos) << "ids are never reused";
  EXPECT_NE(text.find("DaysInterval=1"), std::string::npos) << text;
  EXPECT_EQ(text.find("Password"), std::string::npos);
  const TaskRecord loaded = m_store.Load("kinds");
  ASSERT_EQ(loaded.triggers.size(), 2u);
  EXPECT_EQ(loaded.triggers[0].id, 2);
  EXPECT_EQ(loaded.triggers[0].fields, byWeekday);
  EXPECT_EQ(loaded.nextTriggerId, 4);
}

}  // namespace
}  // namespace halbrin
