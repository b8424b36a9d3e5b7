// Child processes on anonymous pipes, waited for with the calling thread's messages pumped.
#include <windows.h>

#include <io.h>

#include <cstring>
#include <vector>

#include "Popup/process_spawn.h"
#include "Popup/spawn_platform.h"

namespace {

constexpr DWORD kReadChunk = 4096;
constexpr DWORD kWaitMs = 50;

HANDLE AsHandle(SpawnHandle h) { return reinterpret_cast<HANDLE>(h); }
SpawnHandle FromHandle(HANDLE h) { return reinterpret_cast<SpawnHandle>(h); }

// The six pipe ends; the host keeps its own ends open until the child exits, so the child never
// sees the end of its input.
struct Pipes {
  HANDLE ends[6] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE,
                    INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
  HANDLE& stdinRead() { return ends[0]; }
  HANDLE& stdinWrite() { return ends[1]; }
  HANDLE& stdoutRead() { return ends[2]; }
  HANDLE& stdoutWrite() { return ends[3]; }
  HANDLE& stderrRead() { return ends[4]; }
  HANDLE& stderrWrite() { return ends[5]; }

  ~Pipes() {
    for (HANDLE& end : ends) {
      if (end != INVALID_HANDLE_VALUE) CloseHandle(end);
      end = INVALID_HANDLE_VALUE;
    }
  }
};

// The console output code page is UTF-8 while the child runs, then back to what it was.
class OutputCodePage {
 public:
  explicit OutputCodePage(bool keep) : keep_(keep) {
    if (keep_) return;
    saved_ = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
  }
  ~OutputCodePage() { Restore(); }
  void Restore() {
    if (keep_ || restored_) return;
    restored_ = true;
    SetConsoleOutputCP(saved_);
  }

 private:
  bool keep_;
  bool restored_ = false;
  UINT saved_ = 0;
};

void Report(const SpawnParams& params, const char* format, DWORD error) {
  if (params.errorCallback) params.errorCallback(params.errorUser, format, static_cast<int>(error));
}

// One pass of reading: whatever waits in the pipe, at most one chunk.
void ReadAvailable(HANDLE pipe, mlUtf8String& output, const SpawnParams& params) {
  DWORD available = 0;
  if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
  char buffer[kReadChunk] = {};
  DWORD read = 0;
  if (!ReadFile(pipe, buffer, available < kReadChunk ? available : kReadChunk, &read, nullptr)) {
    Report(params, "ReadPipe(): ReadFile failed. Error %i", GetLastError());
    read = 0;
  }
  output += DecodeChildOutput(buffer, read);
}

}  // namespace

mlUtf8String DecodeChildOutput(const char* bytes, std::size_t count) {
  if (count == 0) return {};
  // The child writes in the console's output code page of that moment.
  const UINT codePage = GetConsoleOutputCP();
  const int length = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), wide.data(), length) <= 0) {
    return {};
  }
  return mlUtf8String(wide);
}

std::uint32_t Spawn(const std::wstring& program, const std::wstring& commandLine,
                    const SpawnEnvironment& environment, mlUtf8String& output,
                    SpawnParams& params) {
  Pipes pipes;
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(&pipes.stdinRead(), &pipes.stdinWrite(), &security, 0)) {
    const DWORD error = GetLastError();
    Report(params, "Spawn(): CreatePipe(stdin) failed. Error %i", error);
    return error;
  }
  if (!CreatePipe(&pipes.stdoutRead(), &pipes.stdoutWrite(), &security, 0)) {
    const DWORD error = GetLastError();
    Report(params, "Spawn(): CreatePipe(stdout) failed. Error %i", error);
    return error;
  }
  if (!CreatePipe(&pipes.stderrRead(), &pipes.stderrWrite(), &security, 0)) {
    const DWORD error = GetLastError();
    Report(params, "Spawn(): CreatePipe(stderr) failed. Error %i", error);
    return error;
  }

  STARTUPINFOW startup;
  std::memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = pipes.stdinRead();
  // The child's error text is collected mixed into its output.
  startup.hStdOutput = pipes.stdoutWrite();
  startup.hStdError = pipes.stdoutWrite();
  if (params.flags & kSpawnHidden) {
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  if (params.flags & kSpawnUseSize) {
    startup.dwFlags |= STARTF_USESIZE;
    startup.dwXSize = static_cast<DWORD>(params.width);
    startup.dwYSize = static_cast<DWORD>(params.height);
  }
  if (params.flags & kSpawnUsePosition) {
    startup.dwFlags |= STARTF_USEPOSITION;
    startup.dwX = static_cast<DWORD>(params.x);  // sign-extended: -32768 is 0xFFFF8000
    startup.dwY = static_cast<DWORD>(params.y);
  }

  OutputCodePage codePage((params.flags & kSpawnKeepCodePage) != 0);

  std::vector<wchar_t> writableCommand(commandLine.begin(), commandLine.end());
  writableCommand.push_back(L'\0');
  PROCESS_INFORMATION process{};
  void* block = environment ? const_cast<wchar_t*>(environment->c_str()) : nullptr;
  if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), writableCommand.data(), nullptr,
                      nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS, block,
                      nullptr, &startup, &process)) {
    const DWORD error = GetLastError();
    codePage.Restore();
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    const std::string directoryUtf8 = mlUtf8String::FromAnsi(directory).Bytes();
    if (params.errorCallback) {
      params.errorCallback(params.errorUser,
                           "Spawn(): CreateProcessW failed. Error %i. Current directory: %s",
                           static_cast<int>(error), directoryUtf8.c_str());
    }
    return error;
  }

  params.processId = process.dwProcessId;
  params.threadId = process.dwThreadId;
  params.stdinWrite = FromHandle(pipes.stdinWrite());
  if (params.onStarted) params.onStarted(params);
  CloseHandle(process.hThread);
  ReadPipe(FromHandle(process.hProcess), FromHandle(pipes.stdoutRead()), output, params);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  codePage.Restore();
  params.stdinWrite = kNoSpawnHandle;
  return exitCode;
}

void ReadPipe(SpawnHandle process, SpawnHandle stdoutRead, mlUtf8String& output,
              SpawnParams& params) {
  const HANDLE child = AsHandle(process);
  const HANDLE pipe = AsHandle(stdoutRead);
  const bool pump = (params.flags & kSpawnPumpMessages) != 0;
  const DWORD wakeMask = static_cast<DWORD>((params.flags >> kSpawnWakeMaskShift) & 0xFFFF);
  for (;;) {
    ReadAvailable(pipe, output, params);
    if (pump) {
      const DWORD wait = MsgWaitForMultipleObjects(1, &child, FALSE, kWaitMs, wakeMask);
      if (wait == WAIT_OBJECT_0) break;
      if (wait == WAIT_OBJECT_0 + 1) {
        if (WaitForSingleObject(child, 0) == WAIT_OBJECT_0) break;
        if (params.onMessages) params.onMessages(params);
        if (params.onIdle) params.onIdle(params);
      } else if (wait == WAIT_TIMEOUT) {
        if (params.onIdle) params.onIdle(params);
      }
    } else {
      const DWORD wait = WaitForSingleObject(child, kWaitMs);
      if (wait == WAIT_OBJECT_0) break;
      if (wait == WAIT_TIMEOUT && params.onIdle) params.onIdle(params);
    }
  }
  // What the child wrote just before it exited; only one more chunk of it is taken.
  ReadAvailable(pipe, output, params);
}

std::uint32_t WriteToChild(SpawnParams& params, const void* bytes, std::uint32_t count) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(params.stdinWrite), bytes, count, &written, nullptr)) {
    return GetLastError();
  }
  return 0;
}

bool WideFileExists(const mlUtf8String& path) { return _waccess_s(path.ToWide().c_str(), 0) == 0; }

void ShowErrorBox(WindowHandle owner, const std::string& caption, const std::string& text) {
  MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_ICONERROR);
}
