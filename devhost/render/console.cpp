#include "devhost/render/console.h"

#include <cstdio>
#include <set>
#include <vector>

#include "foundation/utf8_string.h"

namespace devhost {

namespace {

std::string Utf8(const std::u16string& text) {
  return WideToUtf8(std::wstring(text.begin(), text.end()));
}

// Each report stays on one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

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

std::string ErrorText(PF_Err err) {
  std::string name;
  switch (err) {
    case PF_Err_OUT_OF_MEMORY:
      name = "out of memory (the output may be too large)";
      break;
    case A_Err_MISSING_SUITE:
      name = "a host suite is missing";
      break;
    case PF_Err_INTERNAL_STRUCT_DAMAGED:
      name = "internal structure damaged";
      break;
    case PF_Err_UNRECOGNIZED_PARAM_TYPE:
      name = "unrecognised pixel format";
      break;
    case PF_Err_BAD_CALLBACK_PARAM:
      name = "bad callback parameter";
      break;
    default:
      name = "host error";
      break;
  }
  return name + " (code " + std::to_string(err) + ")";
}

void ReportHostMessages(Host& host) {
  // A sequence renders the same notice on every frame; once is enough.
  static std::mutex mutex;
  static std::set<std::string> shown;
  std::vector<std::string> lines;
  for (const Notice& n : host.notices) {
    lines.push_back("notice: " + OneLine(Utf8(n.title)) + ": " + OneLine(Utf8(n.text)));
  }
  for (const std::string& msg : host.shown_messages)
    lines.push_back("effect message: " + OneLine(msg));
  host.shown_messages.clear();
  host.notices.clear();
  for (const std::string& line : lines) {
    bool first;
    {
      std::lock_guard<std::mutex> lock(mutex);
      first = shown.insert(line).second;
    }
    if (first) Console::Get().Message(line);
  }
}

}  // namespace devhost
