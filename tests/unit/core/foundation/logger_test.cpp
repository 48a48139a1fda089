#include "core/foundation/logger.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/exception.h"
#include "platform/variant/ole_date.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempFolder;
using testing::WriteFile;

// A private folder for the log files, with the XDG folders moved into it.
class LoggerTest : public ::testing::Test {
 protected:
  LoggerTest()
      : m_temp("logger_test"),
        m_data("XDG_DATA_HOME", m_temp.Path("data")),
        m_config("XDG_CONFIG_HOME", m_temp.Path("config")),
        m_runtime("XDG_RUNTIME_DIR", m_temp.Path("runtime")) {}

  std::string Folder() const { return m_temp.Path().string() + "/"; }
  fs::path File(const std::string& name) const { return m_temp.Path() / name; }

  TempFolder m_temp;
  ScopedEnv m_data;
  ScopedEnv m_config;
  ScopedEnv m_runtime;
};

// --- Opening ---------------------------------------------------------------

TEST_F(LoggerTest, CreateNewEmptiesTheFileAndOpenAlwaysAppends) {
  WriteFile(File("a.log"), "old line\r\n");
  {
    TLogger logger("a.log", Folder(), false, 0, false);
    ASSERT_TRUE(logger.Active());
    logger.Write("new\r\n");
  }
  EXPECT_EQ(ReadFile(File("a.log")), "old line\r\nnew\r\n");

  TLogger fresh((m_temp.Path() / "a.log").string(), 1000);
  ASSERT_TRUE(fresh.Active());
  EXPECT_EQ(ReadFile(File("a.log")), "");
  fresh.Write("x");
  EXPECT_EQ(ReadFile(File("a.log")), "x");
}

TEST_F(LoggerTest, PathJoinsFolderAndNameWithOneSeparator) {
  EXPECT_EQ(TLogger("a.log", m_temp.Path().string(), true, 0, false).Path(), (m_temp.Path() / "a.log").string());
  EXPECT_EQ(TLogger("a.log", Folder(), true, 0, false).Path(), (m_temp.Path() / "a.log").string());
  EXPECT_EQ(TLogger((m_temp.Path() / "b.log").string(), 0).Path(), (m_temp.Path() / "b.log").string());
}

TEST_F(LoggerTest, EmptyFolderMeansTheProgramFolder) {
  fs::path expected = fs::read_symlink("/proc/self/exe").parent_path() / "logger_test_probe.log";
  {
    TLogger logger("logger_test_probe.log", "", true, 0, false);
    EXPECT_EQ(logger.Path(), expected.string());
  }
  fs::remove(expected);
}

TEST_F(LoggerTest, FolderThatCannotHoldTheFileLeavesAnInactiveSilentLogger) {
  WriteFile(File("plain"), "not a folder");
  const std::string folders[] = {Folder() + "missing/", Folder() + "plain/"};
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    TLogger logger("x.log", folder, true, 100, true);
    EXPECT_FALSE(logger.Active());
    EXPECT_NO_THROW(logger.Write("text"));
    EXPECT_NO_THROW(logger.WriteEntry("Exception", "text"));
    EXPECT_NO_THROW(logger.WriteException(std::runtime_error("text")));
    EXPECT_FALSE(fs::exists(folder + "x.log"));
  }
}

// --- Lines -----------------------------------------------------------------

TEST_F(LoggerTest, WriteAddsNothingAndIgnoresEmptyText) {
  TLogger logger("a.log", Folder(), true, 0, false);
  logger.Write("one");
  logger.Write("");
  logger.Write("two");
  EXPECT_EQ(ReadFile(File("a.log")), "onetwo");
}

TEST_F(LoggerTest, EntriesCarryTheClockTimeClassAndMessage) {
  TLogger logger("a.log", Folder(), true, 0, false);
  logger.SetClock([] { return platform::EncodeOleDate(2024, 3, 5, 7, 8, 9); });
  logger.WriteEntry("EListError", "List index out of bounds (5)");
  logger.WriteException(platform::EConvertError("'x' is not a valid integer value"));
  logger.WriteException(std::runtime_error("plain"));
  logger.WriteEntry("Exception", "Ошибка: файл не найден");
  EXPECT_EQ(ReadFile(File("a.log")),
            "05.03.2024 07:08:09 [EListError]: List index out of bounds (5)\r\n"
            "05.03.2024 07:08:09 [EConvertError]: 'x' is not a valid integer value\r\n"
            "05.03.2024 07:08:09 [std::runtime_error]: plain\r\n"
            "05.03.2024 07:08:09 [Exception]: Ошибка: файл не найден\r\n");
}

// An exception that knows the script call stack it arose in.
class EStacked : public platform::Exception {
 public:
  EStacked(const std::string& message, std::string stack) : Exception(message), m_stack(std::move(stack)) {}
  std::string_view ClassName() const noexcept override { return "EStacked"; }
  std::string CallStack() const override { return m_stack; }

 private:
  std::string m_stack;
};

TEST_F(LoggerTest, AScriptsCallStackFollowsTheMessageInTheSameLine) {
  struct Row {
    const char* stack;
    const char* line;
  } const rows[] = {
      {"", "[EStacked]: failed\r\n"},
      {"g@/p/a.js:4:30\nf@/p/a.js:2:11\nglobal code@/p/a.js:5:2",
       "[EStacked]: failed (call stack: g@/p/a.js:4:30, f@/p/a.js:2:11, global code@/p/a.js:5:2)\r\n"},
      {"  g@/p/a.js:4:30\r\n\n", "[EStacked]: failed (call stack: g@/p/a.js:4:30)\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stack);
    TLogger logger("a.log", Folder(), true, 0, false);
    logger.SetClock([] { return platform::EncodeOleDate(2024, 3, 5, 7, 8, 9); });
    logger.WriteException(EStacked("failed", row.stack));
    EXPECT_EQ(ReadFile(File("a.log")), std::string("05.03.2024 07:08:09 ") + row.line);
  }
}

TEST_F(LoggerTest, BrokenClockStillWritesTheEntry) {
  TLogger logger("a.log", Folder(), true, 0, false);
  logger.SetClock([]() -> double { throw std::runtime_error("no clock"); });
  EXPECT_NO_THROW(logger.WriteEntry("Exception", "kept"));
  EXPECT_EQ(ReadFile(File("a.log")), " [Exception]: kept\r\n");
}

TEST(FormatLogEntryTest, FormatsTheLine) {
  EXPECT_EQ(FormatLogEntry(platform::EncodeOleDate(1999, 12, 31, 23, 59, 58), "EOSError", "m"),
            "31.12.1999 23:59:58 [EOSError]: m\r\n");
}

// --- The size cap ----------------------------------------------------------

struct CapCase {
  const char* name;
  std::uint32_t maxSize;
  std::size_t before;  // bytes in the file when the logger opens it
  std::size_t write;   // bytes of the one write
  bool backup;
  std::size_t after;                 // bytes in the log afterwards
  std::optional<std::size_t> saved;  // bytes in ".bak", none when it must not exist
};

class LoggerCapTest : public LoggerTest, public ::testing::WithParamInterface<CapCase> {};

TEST_P(LoggerCapTest, CutsBackBeforeAWriteThatWouldPassTheCap) {
  const CapCase& c = GetParam();
  std::string old(c.before, 'o');
  std::string text(c.write, 'n');
  WriteFile(File("a.log"), old);

  TLogger logger("a.log", Folder(), false, c.maxSize, c.backup);
  ASSERT_TRUE(logger.Active());
  logger.Write(text);

  std::string log = ReadFile(File("a.log"));
  ASSERT_EQ(log.size(), c.after);
  EXPECT_EQ(log, c.after == c.before + c.write ? old + text : text);
  if (c.saved) {
    ASSERT_TRUE(fs::exists(File("a.bak")));
    EXPECT_EQ(ReadFile(File("a.bak")), std::string(*c.saved, 'o'));
  } else {
    EXPECT_FALSE(fs::exists(File("a.bak")));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoggerCapTest,
    ::testing::Values(CapCase{"NoCapNeverCuts", 0, 90, 20, false, 110, std::nullopt},
                      CapCase{"NoCapIgnoresBackup", 0, 90, 20, true, 110, std::nullopt},
                      CapCase{"PastTheCapCuts", 100, 90, 20, false, 20, std::nullopt},
                      CapCase{"PastTheCapCopiesAside", 100, 90, 20, true, 20, 90},
                      CapCase{"ReachingTheCapExactlyKeeps", 100, 80, 20, true, 100, std::nullopt},
                      CapCase{"LongTextWrittenWholeAfterCut", 100, 50, 150, true, 150, 50},
                      CapCase{"LongTextIntoEmptyFileNoBackup", 100, 0, 150, true, 150, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoggerTest, CapIsTestedBeforeEachWrite) {
  TLogger logger("a.log", Folder(), true, 10, true);
  logger.Write("aaaa");
  logger.Write("bbbb");
  logger.Write("cccc");  // 8 + 4 > 10
  EXPECT_EQ(ReadFile(File("a.log")), "cccc");
  EXPECT_EQ(ReadFile(File("a.bak")), "aaaabbbb");
  logger.Write("dddddddddddd");  // longer than the cap: written whole
  EXPECT_EQ(ReadFile(File("a.log")), "dddddddddddd");
  EXPECT_EQ(ReadFile(File("a.bak")), "cccc");
  logger.Write("e");
  EXPECT_EQ(ReadFile(File("a.log")), "e");
  EXPECT_EQ(ReadFile(File("a.bak")), "dddddddddddd");
}

TEST_F(LoggerTest, FailedCopyStillCutsAndKeepsTheOlderBackup) {
  TLogger logger("a.log", Folder(), true, 10, true);
  WriteFile(File("a.bak"), "older backup");
  logger.Write("12345678");
  // A folder in the way of the temporary copy makes the copy fail.
  fs::create_directory(File("a.bak.part"));
  fs::create_directory(File("a.bak.part") / "child");
  logger.Write("abcdef");
  EXPECT_EQ(ReadFile(File("a.log")), "abcdef");
  EXPECT_EQ(ReadFile(File("a.bak")), "older backup");
}

// --- The ".bak" twin -------------------------------------------------------

struct BackupAtOpenCase {
  const char* name;
  bool createNew;
  bool backup;
  std::uint32_t maxSize;
  bool oldBackupStays;
};

class LoggerBackupAtOpenTest : public LoggerTest, public ::testing::WithParamInterface<BackupAtOpenCase> {};

TEST_P(LoggerBackupAtOpenTest, OldBackupIsDeletedOnlyByCreateNewWithBackup) {
  const BackupAtOpenCase& c = GetParam();
  WriteFile(File("a.bak"), "previous run");
  TLogger logger("a.log", Folder(), c.createNew, c.maxSize, c.backup);
  ASSERT_TRUE(logger.Active());
  EXPECT_EQ(fs::exists(File("a.bak")), c.oldBackupStays);
}

INSTANTIATE_TEST_SUITE_P(Cases, LoggerBackupAtOpenTest,
                         ::testing::Values(BackupAtOpenCase{"CreateNewWithBackup", true, true, 100, false},
                                           BackupAtOpenCase{"CreateNewAlone", true, false, 100, true},
                                           BackupAtOpenCase{"AppendWithBackup", false, true, 100, true},
                                           BackupAtOpenCase{"BackupWithoutCap", true, true, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoggerTest, BackupPathReplacesTheFileExtensionOnly) {
  fs::create_directory(File("dot.ted"));
  EXPECT_EQ(TLogger("a.log", Folder(), true, 10, true).BackupPath(), (m_temp.Path() / "a.bak").string());
  EXPECT_EQ(TLogger("noext", Folder() + "dot.ted/", true, 10, true).BackupPath(),
            (m_temp.Path() / "dot.ted" / "noext.bak").string());
}

TEST_F(LoggerTest, LogNamedLikeItsBackupIsNeverCopiedOntoItself) {
  TLogger logger("a.bak", Folder(), true, 10, true);
  ASSERT_TRUE(logger.Active());
  EXPECT_FALSE(logger.Backup());
  logger.Write("12345678");
  logger.Write("abcdef");
  EXPECT_EQ(ReadFile(File("a.bak")), "abcdef");
}

// --- Threads ---------------------------------------------------------------

std::string ThreadLine(int thread, int index) {
  // Long enough that a torn write would show inside a line.
  return "thread " + std::to_string(thread) + " line " + std::to_string(index) + " " +
         std::string(40 + index % 23, static_cast<char>('a' + thread)) + "\r\n";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end + 2 - start));
  EXPECT_EQ(start, text.size()) << "the text ends inside a line";
  return lines;
}

TEST_F(LoggerTest, ConcurrentWritersLoseNoLineAndNeverInterleave) {
  constexpr int kThreads = 4;
  constexpr int kLines = 2000;
  {
    TLogger logger("a.log", Folder(), true, 0, false);
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
      writers.emplace_back([&logger, t] {
        for (int i = 0; i < kLines; ++i) logger.Write(ThreadLine(t, i));
      });
    for (std::thread& writer : writers) writer.join();
  }

  std::vector<std::string> lines = SplitLines(ReadFile(File("a.log")));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
  std::set<std::string> expected;
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kLines; ++i) expected.insert(ThreadLine(t, i));
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);

  // Each thread's own lines keep their order.
  std::vector<int> next(kThreads, 0);
  for (const std::string& line : lines) {
    int t = line[7] - '0';
    EXPECT_EQ(line, ThreadLine(t, next[t]++));
  }
}

TEST_F(LoggerTest, ConcurrentWritersUnderTheCapKeepWholeLines) {
  constexpr int kThreads = 4;
  constexpr int kLines = 1000;
  constexpr std::uint32_t kCap = 4096;
  {
    TLogger logger("a.log", Folder(), true, kCap, true);
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
      writers.emplace_back([&logger, t] {
        for (int i = 0; i < kLines; ++i) logger.Write(ThreadLine(t, i));
      });
    for (std::thread& writer : writers) writer.join();
  }
  for (const char* name : {"a.log", "a.bak"}) {
    SCOPED_TRACE(name);
    std::string text = ReadFile(File(name));
    EXPECT_LE(text.size(), kCap);
    for (const std::string& line : SplitLines(text)) {
      int t = line[7] - '0';
      ASSERT_GE(t, 0);
      ASSERT_LT(t, kThreads);
      int index = std::stoi(line.substr(14));
      EXPECT_EQ(line, ThreadLine(t, index));
    }
  }
}

// --- Writes that fail ------------------------------------------------------

TEST_F(LoggerTest, WriteToAFullDeviceDoesNotThrow) {
  TLogger logger("full", "/dev/", false, 100, false);
  ASSERT_TRUE(logger.Active());
  EXPECT_NO_THROW(logger.Write("text"));
  EXPECT_NO_THROW(logger.WriteEntry("Exception", "text"));
}

// Lowers the process's file size limit and lets a write past it fail with
// EFBIG instead of SIGXFSZ; both are put back afterwards.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &m_old);
    m_oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = m_old;
    lowered.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    signal(SIGXFSZ, m_oldHandler);
  }

 private:
  rlimit m_old{};
  sighandler_t m_oldHandler;
};

TEST_F(LoggerTest, WriteThatFailsHalfwayLeavesNoBrokenLine) {
  TLogger logger("a.log", Folder(), true, 0, false);
  logger.Write(std::string(90, 'o') + "\r\n");
  {
    ScopedFileSizeLimit limit(100);
    EXPECT_NO_THROW(logger.Write(std::string(20, 'n') + "\r\n"));
  }
  EXPECT_EQ(ReadFile(File("a.log")), std::string(90, 'o') + "\r\n");
  logger.Write("after\r\n");
  EXPECT_EQ(ReadFile(File("a.log")), std::string(90, 'o') + "\r\nafter\r\n");
}

// --- The application's log -------------------------------------------------

TEST_F(LoggerTest, ApplicationLogLivesUnderTheCommonDataFolder) {
  const std::string logs = (m_temp.Path() / "data" / "Zebrin" / "HalbrinLite" / "logs").string() + "/";
  struct Case {
    std::string id;
    std::string prefix;
  };
  const Case cases[] = {{"{0CC175B9-C0F1-B6A8-31C3-99E269772661}", "{0CC175B9-C0F1-B6A8-31C3-99E269772661}_"},
                        {"", "application_"},
                        {"../up", ".._up_"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    std::string path = ApplicationLogPath(c.id);
    ASSERT_EQ(path.substr(0, logs.size()), logs);
    std::string name = path.substr(logs.size());
    EXPECT_EQ(name.substr(0, c.prefix.size()), c.prefix);
    EXPECT_GT(name.size(), c.prefix.size() + 4) << "the user name is missing";
    EXPECT_EQ(name.substr(name.size() - 4), ".log");
    EXPECT_EQ(name.find('/'), std::string::npos);
  }
}

TEST_F(LoggerTest, ApplicationLogStartsEmptyAndIsCutWithoutBackup) {
  std::string path = ApplicationLogPath("");
  {
    std::unique_ptr<TLogger> log = OpenApplicationLog("");
    ASSERT_TRUE(log->Active());
    EXPECT_EQ(log->Path(), path);
    EXPECT_EQ(log->MaxSize(), 524288u);
    EXPECT_FALSE(log->Backup());
    log->Write("first run\r\n");
  }
  EXPECT_EQ(ReadFile(path), "first run\r\n");

  std::unique_ptr<TLogger> log = OpenApplicationLog("");
  EXPECT_EQ(ReadFile(path), "");
  log->Write(std::string(524288 - 10, 'x'));
  log->Write("0123456789");  // reaches the cap exactly
  EXPECT_EQ(fs::file_size(path), 524288u);
  log->Write("!");
  EXPECT_EQ(ReadFile(path), "!");
  EXPECT_FALSE(fs::exists(fs::path(path).replace_extension(".bak")));
}

}  // namespace
}  // namespace halbrin
