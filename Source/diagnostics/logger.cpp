#include "diagnostics/logger.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "diagnostics/debug_channel.h"

namespace {

const mlUtf8String kLevelNames[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERR", "DESACTIVATED"};

constexpr std::size_t kFileColumnWidth = 15;

std::string PadRight(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::int32_t SignedIndex(std::size_t index) {
  return index == mlUtf8String::npos ? -1 : static_cast<std::int32_t>(index);
}

// Built at load, after the level names above, and kept until unload.
Logger gLogger;

}  // namespace

Logger& TheLogger() { return gLogger; }

const mlUtf8String& LogLevelName(LogLevel level) {
  static const mlUtf8String none;
  const auto index = static_cast<std::int32_t>(level);
  return index >= 0 && index < 6 ? kLevelNames[index] : none;
}

mlUtf8String LogFileColumn(const mlUtf8String& file) {
  const std::int32_t separator =
      std::max(SignedIndex(file.FindLast('\\')), SignedIndex(file.FindLast('/')));
  mlUtf8String name = file.Substr(static_cast<std::size_t>(separator + 1));
  const std::size_t dot = name.FindLast('.');
  if (dot != mlUtf8String::npos) name = name.Substr(0, dot);
  const std::size_t length = name.Length();
  if (length > kFileColumnWidth) return name.Substr(0, kFileColumnWidth);
  return name + mlUtf8String::Repeat(' ', kFileColumnWidth - length);
}

mlUtf8String FormatLogLine(std::int64_t elapsedMicroseconds, LogLevel level, std::uint32_t thread,
                           std::uint32_t processor, const mlUtf8String& file,
                           const mlUtf8String& function, const mlUtf8String& message) {
  std::string prefix = std::to_string(elapsedMicroseconds);
  prefix += '|';
  prefix += LogLevelName(level).Bytes();
  prefix += '|';
  prefix += PadRight(std::to_string(thread), 5);
  prefix += "|~";
  prefix += std::to_string(processor);
  if (processor < 10) prefix += ' ';
  prefix += '|';
  return mlUtf8String(std::move(prefix)) + LogFileColumn(file) + "| " + function + "|" + message +
         "\n";
}

std::int64_t Logger::Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Logger::Configure(const LoggerSettings& settings) {
  filePath_ = settings.filePath;
  unsynchronized_ = settings.unsynchronized;
  threshold_ = settings.threshold;
  fileOutput_ = settings.fileOutput;
  fileSuspended_ = settings.fileSuspended;
  debuggerOutput_ = settings.debuggerOutput;
  startTime_ = settings.startTime;
}

LoggerSettings Logger::Settings() const {
  LoggerSettings settings;
  settings.filePath = filePath_;
  settings.unsynchronized = unsynchronized_;
  settings.threshold = threshold_;
  settings.fileOutput = fileOutput_;
  settings.fileSuspended = fileSuspended_;
  settings.debuggerOutput = debuggerOutput_;
  settings.startTime = startTime_;
  return settings;
}

void Logger::Log(const mlUtf8String& message, LogLevel level, const mlUtf8String& file,
                 const mlUtf8String& function) {
  if (!IsEnabled(level)) return;
  // Integer division truncates toward zero, also for a start time in the future.
  const std::int64_t elapsed = (Now() - startTime_) / 1000;
  const mlUtf8String line = FormatLogLine(elapsed, level, CurrentThreadNumber(),
                                          CurrentProcessorNumber(), file, function, message);
  if (fileOutput_ && !fileSuspended_) {
    if (unsynchronized_) {
      AppendToFile(line);
    } else {
      std::lock_guard<std::mutex> lock(mutex_);
      AppendToFile(line);
    }
  }
  if (debuggerOutput_) WriteToDebugger(line.ToWide().c_str());
}

void Logger::AppendToFile(const mlUtf8String& line) {
  // Opened and closed for every line, so the file can be read, moved or deleted in between.
  const std::u8string path(reinterpret_cast<const char8_t*>(filePath_.CStr()),
                           filePath_.ByteSize());
  std::ofstream out(std::filesystem::path(path), std::ios::out | std::ios::app | std::ios::binary);
  if (!out) return;
  out.write(line.CStr(), static_cast<std::streamsize>(line.ByteSize()));
}
