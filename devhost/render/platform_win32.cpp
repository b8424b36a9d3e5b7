#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>
#include <windows.h>

#include <atomic>

#include "devhost/render/platform.h"

namespace devhost {

namespace {

std::atomic<int> g_status{0};

// Runs on a thread of its own that the console starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The second one goes on to the default handler, which ends the process.
  return g_status.exchange(130) == 0 ? TRUE : FALSE;
}

}  // namespace

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

void CatchInterrupts() { SetConsoleCtrlHandler(&OnConsoleEvent, TRUE); }

int InterruptStatus() { return g_status; }

bool FlushToDisk(const std::string& path, std::string* why) {
  // The name as fopen takes it, in the process's code page.
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool ok = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file) != 0;
  const DWORD code = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!ok) *why = "system error " + std::to_string(code);
  return ok;
}

}  // namespace devhost
