// The process-wide levelled line logger. It starts with every sink off and the threshold at
// DESACTIVATED, so it writes nothing until a developer configures it.
#pragma once

#include <cstdint>
#include <mutex>

#include "foundation/utf8_string.h"

/// Ordered from most to least verbose; DESACTIVATED as a threshold disables every level.
enum class LogLevel : std::int32_t {
  TRACE = 0,
  DEBUG = 1,
  INFO = 2,
  WARN = 3,
  ERR = 4,
  DESACTIVATED = 5,  // a threshold that disables every level
};

/// The name written into log lines: "TRACE", "DEBUG", "INFO", "WARN", "ERR", "DESACTIVATED";
/// empty for a value outside the table.
const mlUtf8String& LogLevelName(LogLevel level);

/// Everything that decides what the logger writes and where.
struct LoggerSettings {
  mlUtf8String filePath;        // the log file, UTF-8
  bool unsynchronized = false;  // file writes without the mutex
  LogLevel threshold = LogLevel::DESACTIVATED;
  bool fileOutput = false;
  bool fileSuspended = false;   // skips the file sink even with fileOutput
  bool debuggerOutput = false;  // the debugger output stream (Windows only)
  std::int64_t startTime = 0;   // steady-clock nanoseconds; origin of the time column
};

class Logger {
 public:
  Logger() = default;
  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  /// Cheap enough to ask before building a message.
  bool IsEnabled(LogLevel level) const { return threshold_ <= level; }

  /// Writes one line to the enabled sinks. file is the caller's source path (its base name is
  /// logged), function the caller's name. A file that cannot be opened loses the line quietly.
  void Log(const mlUtf8String& message, LogLevel level, const mlUtf8String& file,
           const mlUtf8String& function);

  /// The developer's switch. Settings are read without a lock, so configure before logging
  /// starts, not while other threads log.
  void Configure(const LoggerSettings& settings);
  LoggerSettings Settings() const;

  /// The steady clock in nanoseconds, as startTime counts it.
  static std::int64_t Now();

 private:
  void AppendToFile(const mlUtf8String& line);

  mlUtf8String filePath_;
  bool unsynchronized_ = false;
  std::mutex mutex_;
  LogLevel threshold_ = LogLevel::DESACTIVATED;
  bool fileOutput_ = false;
  bool fileSuspended_ = false;
  bool debuggerOutput_ = false;
  std::int64_t startTime_ = 0;
};

/// The logger of the whole process.
Logger& TheLogger();

/// One log line: elapsed microseconds, level name, thread (padded to 5), "~" and processor
/// (padded to 3), the file column, each followed by '|' (the last by "| "), then function, '|',
/// message and a line feed.
mlUtf8String FormatLogLine(std::int64_t elapsedMicroseconds, LogLevel level, std::uint32_t thread,
                           std::uint32_t processor, const mlUtf8String& file,
                           const mlUtf8String& function, const mlUtf8String& message);

/// The file column: the base name after the last '\\' or '/' without its last extension, cut or
/// padded with spaces to 15 code points.
mlUtf8String LogFileColumn(const mlUtf8String& file);
