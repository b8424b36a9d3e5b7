#include <stdlib.h>
#include <unistd.h>

#include "devhost/render/platform.h"

namespace devhost {

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

}  // namespace devhost
