#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <thread>

#include "app/base/log.h"
#include "support/tempdir.h"

namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFileName = dir_ / "Quirefeed.log";
    ErrorFileName = dir_ / "Quirefeed.err";
  }
  qftest::TempDir dir_;
};

// The tests run in US English: the short date is M/d/yyyy and the long
// time h:mm:ss AM/PM.
TEST_F(LogTest, StampIsShortDateTabLongTimeTab) {
  SYSTEMTIME before{}, after{};
  std::string stamp;
  // Read the clock on both sides, again if a second turned in between.
  for (int i = 0; i < 5; ++i) {
    GetLocalTime(&before);
    stamp = LogStamp();
    GetLocalTime(&after);
    if (before.wSecond == after.wSecond) break;
  }
  const int hour = before.wHour % 12 == 0 ? 12 : before.wHour % 12;
  char expected[64];
  std::snprintf(expected, sizeof expected, "%u/%u/%u\t%d:%02u:%02u %s\t", before.wMonth, before.wDay, before.wYear,
                hour, before.wMinute, before.wSecond, before.wHour < 12 ? "AM" : "PM");
  EXPECT_EQ(stamp, expected);
}

TEST_F(LogTest, StampedLineKeepsTheMessageTabs) {
  const std::string message = "Print \tC:\\docs\\a.doc\tSuccessed!";
  const std::string stamp = LogStamp();
  WriteLog(stamp + message);
  const std::string file = qftest::ReadFileBytes(LogFileName);
  ASSERT_GE(file.size(), message.size());
  EXPECT_EQ(std::count(file.begin(), file.end(), '\t'), 4);
  EXPECT_EQ(file.substr(file.size() - message.size() - 2), message + "\r\n");
}

struct TextModeCase {
  const char* text;
  const char* bytes;
};

TEST_F(LogTest, LineIsWrittenInTextMode) {
  const TextModeCase cases[] = {
      {"plain", "plain\r\n"},       {"a\nb", "a\r\nb\r\n"}, {"ends CR LF\r\n", "ends CR LF\r\r\n\r\n"},
      {"lone\rCR", "lone\rCR\r\n"}, {"", "\r\n"},           {"tab\there", "tab\there\r\n"},
  };
  for (const auto& c : cases) {
    ClearLog();
    WriteLog(c.text);
    EXPECT_EQ(qftest::ReadFileBytes(LogFileName), c.bytes) << "text: " << c.text;
  }
}

TEST_F(LogTest, LinesAreAppendedAndTheErrorLogIsSeparate) {
  WriteLog("one");
  WriteLog("two");
  WriteErrorLog("bad");
  EXPECT_EQ(qftest::ReadFileBytes(LogFileName), "one\r\ntwo\r\n");
  EXPECT_EQ(qftest::ReadFileBytes(ErrorFileName), "bad\r\n");
}

TEST_F(LogTest, SystemErrorZeroWritesNothing) {
  LogSystemError(0);
  EXPECT_FALSE(qftest::FileExists(ErrorFileName));
  EXPECT_EQ(SystemErrorText(0), "");
}

TEST_F(LogTest, SystemErrorLineEndsWithTheSystemTextsOwnBreak) {
  const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  const std::string system = SystemMessage(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(system.empty());
  EXPECT_NE(text.find("\tError Message:" + system), std::string::npos) << text;
  LogSystemError(ERROR_FILE_NOT_FOUND);
  const std::string file = qftest::ReadFileBytes(ErrorFileName);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\t'), 2);
  EXPECT_NE(file.find("Error Message:"), std::string::npos);
  // The system's text ends in CR LF: its LF becomes CR LF, then the line's
  // own break follows.
  ASSERT_EQ(system.substr(system.size() - 2), "\r\n");
  EXPECT_EQ(file.substr(file.size() - 5), "\r\r\n\r\n");
}

TEST_F(LogTest, UnwritableLogLosesTheLineQuietly) {
  LogFileName = dir_ / "no such folder\\Quirefeed.log";
  WriteLog("lost");
  EXPECT_FALSE(qftest::FileExists(LogFileName));
  EXPECT_FALSE(AppendLogLine(LogFileName, "lost"));
}

TEST_F(LogTest, ClearLogDeletesAndTheNextLineStartsAFreshFile) {
  WriteLog("old");
  ClearLog();
  EXPECT_FALSE(qftest::FileExists(LogFileName));
  ClearLog();  // nothing to delete: no effect
  WriteLog("new");
  EXPECT_EQ(qftest::ReadFileBytes(LogFileName), "new\r\n");
}

TEST_F(LogTest, ConcurrentAppendsKeepEveryLineWhole) {
  constexpr int kLines = 3000;
  auto writer = [](char id) {
    for (int i = 0; i < kLines; ++i)
      WriteLog(std::string(1, id) + " line " + std::to_string(i) + " " + std::string(40, id));
  };
  std::thread a(writer, 'A'), b(writer, 'B');
  a.join();
  b.join();
  std::istringstream in(qftest::ReadFileBytes(LogFileName));
  std::string line;
  int next[2] = {0, 0};
  while (std::getline(in, line)) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r');
    line.pop_back();
    const char id = line[0];
    ASSERT_TRUE(id == 'A' || id == 'B') << line;
    int& n = next[id - 'A'];
    ASSERT_EQ(line, std::string(1, id) + " line " + std::to_string(n) + " " + std::string(40, id));
    ++n;
  }
  EXPECT_EQ(next[0], kLines);
  EXPECT_EQ(next[1], kLines);
}

}  // namespace
