#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "devhost/render/platform.h"

namespace devhost {

namespace {

std::atomic<int> g_signal{0};  // lock-free, so a signal handler may store to it

extern "C" void OnInterrupt(int number) { g_signal = number; }

}  // namespace

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

void UseBinaryMode(std::FILE*) {}

long ProcessId() { return static_cast<long>(getpid()); }

void SetEnvironment(const char* name, const char* value) {
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  action.sa_flags = SA_RESETHAND;  // the second one is not caught
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int InterruptStatus() {
  const int number = g_signal;
  return number == 0 ? 0 : 128 + number;
}

bool FlushToDisk(const std::string& path, std::string* why) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool ok = fd >= 0 && fsync(fd) == 0;
  const int code = errno;
  if (fd >= 0) close(fd);
  if (!ok) *why = std::strerror(code);
  return ok;
}

}  // namespace devhost
