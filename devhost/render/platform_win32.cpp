#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>
#include <windows.h>

#include "devhost/render/platform.h"

namespace devhost {

bool IsTerminal(std::FILE* stream) {
  // _isatty also holds for other character devices (NUL among them); only a console takes a mode.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void UseBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

long ProcessId() { return static_cast<long>(_getpid()); }

void SetEnvironment(const char* name, const char* value) {
  // An empty value removes the variable.
  _putenv_s(name, value != nullptr ? value : "");
}

}  // namespace devhost
