#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>

#include "devhost/render_platform.h"

namespace devhost {

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void UseBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

long ProcessId() { return static_cast<long>(_getpid()); }

void SetEnvironment(const char* name, const char* value) {
  // An empty value removes the variable.
  _putenv_s(name, value != nullptr ? value : "");
}

}  // namespace devhost
