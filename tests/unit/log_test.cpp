#include <filesystem>
#include <set>
#include <thread>

#include "diag/log.h"
#include "fake_os.h"

namespace qir {
namespace {

using testing::FakeOsTest;

class LogTest : public FakeOsTest {};

TEST_F(LogTest, WritesThreeOrFourFieldsWithLocalTimestamp) {
  Log("INFO", "skip_assist");
  Log("WARN", "db_query", "result=no_row hash8=abcdefgh");
  EXPECT_EQ(LogText(),
            "2026-03-04 05:06:07 | INFO | skip_assist\n"
            "2026-03-04 05:06:07 | WARN | db_query | result=no_row hash8=abcdefgh\n");
}

TEST_F(LogTest, TimestampFieldsArePaddedToTheirWidths) {
  now = 946'684'799;  // 1999-12-31 23:59:59
  EXPECT_EQ(LogTimestamp(), "1999-12-31 23:59:59");
  now = 978'310'861;  // 2001-01-01 01:01:01
  EXPECT_EQ(LogTimestamp(), "2001-01-01 01:01:01");
}

TEST_F(LogTest, FieldsAreWrittenUnchanged) {
  Log("ERROR", "odd", "a | b\nc");
  EXPECT_EQ(LogText(), "2026-03-04 05:06:07 | ERROR | odd | a | b\nc\n");
}

TEST_F(LogTest, RotatesOnlyAboveTwoMebibytes) {
  const auto log = dir() / "debug.log";
  const auto old = dir() / "debug.log.old";

  WriteFile(log, std::string(kLogRotateAboveBytes, 'x'));
  Log("INFO", "at_limit");
  EXPECT_FALSE(std::filesystem::exists(old));
  EXPECT_EQ(std::filesystem::file_size(log),
            kLogRotateAboveBytes + FormatLogLine("2026-03-04 05:06:07", "INFO", "at_limit", "").size());

  WriteFile(log, std::string(kLogRotateAboveBytes + 1, 'y'));
  WriteFile(old, "previous generation");
  Log("INFO", "above_limit");
  ASSERT_TRUE(std::filesystem::exists(old));
  EXPECT_EQ(std::filesystem::file_size(old), kLogRotateAboveBytes + 1);
  EXPECT_EQ(ReadFile(old).find("previous generation"), std::string::npos);
  EXPECT_EQ(LogText(), "2026-03-04 05:06:07 | INFO | above_limit\n");
}

TEST_F(LogTest, StartLogTruncatesOncePerProcess) {
  WriteFile(dir() / "debug.log", "left from an earlier run\n");
  StartLog();
  Log("INFO", "first");
  StartLog();
  Log("INFO", "second");
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"INFO | session_start", "INFO | first",
                                                   "INFO | second"}));
}

TEST_F(LogTest, FailedOpenDropsTheLineAndTheNextLineTriesAgain) {
  fail_log_open = true;
  Log("INFO", "lost");
  EXPECT_FALSE(std::filesystem::exists(dir() / "debug.log"));
  fail_log_open = false;
  Log("INFO", "kept");
  EXPECT_EQ(LogLines(), std::vector<std::string>{"INFO | kept"});
}

TEST_F(LogTest, Win32ErrorLineTakesTheLastErrorOnlyForCodeZero) {
  last_error = 12029;
  LogWin32Error("winhttp_open_fail", 0);
  LogWin32Error("winhttp_open_fail", 5);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"ERROR | winhttp_open_fail | win32=12029",
                                                   "ERROR | winhttp_open_fail | win32=5"}));
}

TEST_F(LogTest, WithoutPluginDirectoryTheLogIsRelative) {
  module_lookup_fails = true;
  EXPECT_EQ(LogFilePath(), std::filesystem::path("debug.log"));
}

TEST_F(LogTest, ConcurrentWritersNeverInterleave) {
  constexpr int kThreads = 8;
  constexpr int kLines = 150;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string detail = "writer=" + std::to_string(t) + " " + std::string(200, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) Log("INFO", "concurrent", detail);
    });
  }
  for (auto& thread : threads) thread.join();

  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
  std::set<std::string> distinct(lines.begin(), lines.end());
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads));
  for (const auto& line : distinct) {
    const int t = line[std::string("INFO | concurrent | writer=").size()] - '0';
    EXPECT_EQ(line, "INFO | concurrent | writer=" + std::to_string(t) + " " +
                        std::string(200, static_cast<char>('a' + t)));
  }
}

TEST(Hash8, CutsToEightCharacters) {
  EXPECT_EQ(Hash8(std::string(56, 'b').insert(0, "0123abcd")), "0123abcd");
  EXPECT_EQ(Hash8("abc"), "abc");
  EXPECT_EQ(Hash8(""), "");
}

}  // namespace
}  // namespace qir
