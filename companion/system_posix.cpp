#include <unistd.h>

#include <cstdlib>

#include "companion/system.h"

bool ReadInputByte(char& byte) { return read(STDIN_FILENO, &byte, 1) == 1; }

bool WriteOutput(const std::string& bytes, bool toErrorOutput) {
  const int fd = toErrorOutput ? STDERR_FILENO : STDOUT_FILENO;
  return write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void SleepMs(unsigned milliseconds) { usleep(milliseconds * 1000u); }

std::string CommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    line += argv[i];
  }
  return line;
}

std::string ProgramPath() {
  char path[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

std::string EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}
