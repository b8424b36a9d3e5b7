#include "diagnostics/logger.h"

#include <gtest/gtest.h>

#include "../foundation/utf8_printers.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The seven '|'-separated columns of a written line; the column widths are FormatLogLine's test.
std::vector<std::string> Columns(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0, bar = 0;
  while (fields.size() < 6 && (bar = line.find('|', start)) != std::string::npos) {
    fields.push_back(line.substr(start, bar - start));
    start = bar + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

TEST(Logger, StartsSwitchedOffAndLogsFromTheThresholdUp) {
  const LoggerSettings settings = TheLogger().Settings();
  EXPECT_FALSE(TheLogger().IsEnabled(LogLevel::ERR));
  EXPECT_FALSE(settings.fileOutput);
  EXPECT_FALSE(settings.debuggerOutput);
  EXPECT_TRUE(LogLevelName(static_cast<LogLevel>(6)).Empty());

  Logger logger;
  LoggerSettings warn;
  warn.threshold = LogLevel::WARN;
  logger.Configure(warn);
  EXPECT_FALSE(logger.IsEnabled(LogLevel::INFO));
  EXPECT_TRUE(logger.IsEnabled(LogLevel::WARN));
  EXPECT_TRUE(logger.IsEnabled(LogLevel::ERR));
}

TEST(LogLine, ColumnLayout) {
  EXPECT_EQ(FormatLogLine(1234, LogLevel::ERR, 4321, 7, "C:\\dev\\Source\\Popup\\PopupClient.cpp",
                          "ParseStdOutResult", "Json StdOut Impossible to parse : {x")
                .Bytes(),
            "1234|ERR|4321 |~7 |PopupClient    | ParseStdOutResult|"
            "Json StdOut Impossible to parse : {x\n");
  // A six-digit thread and a two-digit processor widen nothing but their own columns.
  EXPECT_EQ(FormatLogLine(0, LogLevel::TRACE, 123456, 12, "a.cpp", "F", "m").Bytes(),
            "0|TRACE|123456|~12|a              | F|m\n");
  EXPECT_EQ(FormatLogLine(-5, LogLevel::INFO, 1, 100, "a", "", "").Bytes(),
            "-5|INFO|1    |~100|a              | |\n");
}

TEST(LogLine, FileColumnIsTheBaseNameIn15CodePoints) {
  EXPECT_EQ(LogFileColumn("PopupClient.cpp"), mlUtf8String("PopupClient    "));
  EXPECT_EQ(LogFileColumn("archive.tar.gz"), mlUtf8String("archive.tar    "));
  EXPECT_EQ(LogFileColumn("C:\\x.y\\Makefile"), mlUtf8String("Makefile       "));
  EXPECT_EQ(LogFileColumn("/src/no_extension_here"), mlUtf8String("no_extension_he"));
  EXPECT_EQ(LogFileColumn("D:\\fifteen_chars_x.cpp"), mlUtf8String("fifteen_chars_x"));
  EXPECT_EQ(LogFileColumn("D:\\sixteen_chars_xy.cpp"), mlUtf8String("sixteen_chars_x"));
  // Code points, not bytes: é and € count one each.
  EXPECT_EQ(LogFileColumn("\xC3\xA9t\xC3\xA9.cpp"), mlUtf8String("\xC3\xA9t\xC3\xA9            "));
  EXPECT_EQ(LogFileColumn(mlUtf8String::Repeat(mlUtf8Char(mlUtf8String("\xE2\x82\xAC")), 20)),
            mlUtf8String::Repeat(mlUtf8Char(mlUtf8String("\xE2\x82\xAC")), 15));
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    // Apart from the other builds' runs of the same test, which may share the folder.
    std::ostringstream name;
    name << "tessgrain-log-" << std::random_device{}() << '-'
         << ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = fs::temp_directory_path() / name.str();
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = folder_ / "tessgrain.log";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  LoggerSettings FileSettings() const {
    LoggerSettings settings;
    const std::u8string utf8 = path_.u8string();
    settings.filePath = mlUtf8String(std::string(utf8.begin(), utf8.end()));
    settings.threshold = LogLevel::TRACE;
    settings.fileOutput = true;
    settings.startTime = Logger::Now();
    return settings;
  }

  std::vector<std::string> Lines() const {
    std::ifstream in(path_, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  fs::path folder_;
  fs::path path_;
};

TEST_F(LogFile, WritesNothingUnlessEnabled) {
  Logger logger;
  LoggerSettings settings = FileSettings();
  settings.threshold = LogLevel::DESACTIVATED;
  logger.Configure(settings);
  logger.Log("dropped", LogLevel::ERR, __FILE__, "Test");

  settings.threshold = LogLevel::TRACE;
  settings.fileSuspended = true;
  logger.Configure(settings);
  logger.Log("suspended", LogLevel::ERR, __FILE__, "Test");
  EXPECT_FALSE(fs::exists(path_));

  settings.fileSuspended = false;
  settings.fileOutput = false;
  settings.debuggerOutput = true;
  logger.Configure(settings);
  logger.Log("debugger only", LogLevel::ERR, __FILE__, "Test");
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(LogFile, AppendsWholeLinesAndClosesTheFileBetweenThem) {
  Logger logger;
  logger.Configure(FileSettings());
  logger.Log("first \xC3\xA9", LogLevel::INFO, "C:\\src\\logger_test.cpp", "Fn");
  ASSERT_EQ(Lines().size(), 1u);
  const std::vector<std::string> first = Columns(Lines()[0]);
  ASSERT_EQ(first.size(), 7u) << Lines()[0];
  EXPECT_EQ(first[1], "INFO");
  EXPECT_EQ(first[4], "logger_test    ");
  EXPECT_EQ(first[5], " Fn");
  EXPECT_EQ(first[6], "first \xC3\xA9");
  const long long elapsed = std::stoll(first[0]);
  EXPECT_GE(elapsed, 0);
  EXPECT_LT(elapsed, 60'000'000) << "microseconds since the start time";

  // Not held open: the file can go away between lines and comes back with the next one.
  fs::remove(path_);
  logger.Log("second", LogLevel::WARN, "x.cpp", "Fn");
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("|WARN|"), std::string::npos);
}

TEST_F(LogFile, LinesFromManyThreadsNeverInterleave) {
  Logger logger;
  logger.Configure(FileSettings());
  constexpr int kThreads = 8;
  constexpr int kLines = 150;
  const std::string padding(400, '.');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&logger, &padding, t] {
      for (int i = 0; i < kLines; ++i) {
        std::ostringstream message;
        message << 't' << t << '-' << i << padding;
        logger.Log(mlUtf8String(message.str()), LogLevel::DEBUG, __FILE__, "Worker");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
  std::set<std::string> seen;
  for (const std::string& line : lines) {
    const std::vector<std::string> columns = Columns(line);
    ASSERT_EQ(columns.size(), 7u) << line;
    ASSERT_EQ(columns[1], "DEBUG");
    ASSERT_EQ(columns[4], "logger_test    ");
    ASSERT_EQ(columns[5], " Worker");
    const std::string& message = columns[6];
    ASSERT_GT(message.size(), padding.size());
    ASSERT_EQ(message.substr(message.size() - padding.size()), padding) << line;
    seen.insert(message.substr(0, message.size() - padding.size()));
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
}

}  // namespace
