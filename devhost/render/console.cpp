#include "devhost/render/console.h"

#include <cstdio>

namespace devhost {

Console& Console::Get() {
  static Console console;
  return console;
}

void Console::ShowProgress(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_on_ = on;
}

void Console::Clear() {
  if (!progress_shown_) return;
  // Back to the start of the line and erase it.
  std::fputs("\r\x1b[K", stderr);
  progress_shown_ = false;
}

void Console::Message(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Clear();
  std::fprintf(stderr, "tessgrain-render: %s\n", text.c_str());
  std::fflush(stderr);
}

void Console::Progress(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!progress_on_) return;
  // A line that wrapped could not be rewritten in place.
  std::string line = text;
  if (line.size() > 79) line = line.substr(0, 76) + "...";
  std::fprintf(stderr, "\r\x1b[K%s", line.c_str());
  std::fflush(stderr);
  progress_shown_ = true;
}

void Console::EndProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  Clear();
  std::fflush(stderr);
}

}  // namespace devhost
