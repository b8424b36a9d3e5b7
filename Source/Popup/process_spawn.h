// Finding and running the companion application: a child process with its standard input and
// output on pipes, its output collected until it exits, the caller's callbacks run while waiting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/operation_result.h"
#include "foundation/utf8_string.h"

struct SpawnContext;
struct SpawnParams;

/// A process or pipe end of the platform (a HANDLE on Windows, a process id or file descriptor
/// elsewhere). kNoSpawnHandle marks an end that was not created.
using SpawnHandle = std::intptr_t;
inline constexpr SpawnHandle kNoSpawnHandle = -1;

using SpawnErrorCallback = void (*)(void* user, const char* format, ...);
using SpawnCallback = void (*)(SpawnParams& params);

/// Bits of SpawnParams::flags.
inline constexpr std::uint64_t kSpawnHidden = 1u << 0;         // the child's window starts hidden
inline constexpr std::uint64_t kSpawnPumpMessages = 1u << 1;   // wake for window messages too
inline constexpr int kSpawnWakeMaskShift = 2;                  // bits 2 to 17: the wake mask
inline constexpr std::uint64_t kSpawnUsePosition = 1u << 18;   // x and y place the child's window
inline constexpr std::uint64_t kSpawnUseSize = 1u << 19;       // width and height size it
inline constexpr std::uint64_t kSpawnKeepCodePage = 1u << 20;  // console output code page alone

struct SpawnParams {
  SpawnContext* context = nullptr;  // for the callbacks only
  void* errorUser = nullptr;
  SpawnErrorCallback errorCallback = nullptr;
  std::uint64_t flags = 0;
  std::int16_t x = 0, y = 0;
  std::int16_t width = 0, height = 0;
  SpawnCallback onStarted = nullptr;   // once, right after the child was created
  SpawnCallback onMessages = nullptr;  // window messages wait in the calling thread's queue
  SpawnCallback onIdle = nullptr;      // after each wait that ended without the child's exit
  // Filled by Spawn before onStarted runs.
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
  SpawnHandle stdinWrite = kNoSpawnHandle;
};

/// An environment block for the child, shared by reference count; empty means the host's own.
/// On Windows the block is UTF-16 "name=value" strings, each NUL-ended, with a final NUL.
using SpawnEnvironment = std::shared_ptr<const std::wstring>;

/// The companion's file beside this module's own file when it exists, else defaultPath unchecked.
std::string LocateCompanion(const std::string& fileName, const std::string& defaultPath);

/// Runs exePath with the arguments until it exits and collects its output (UTF-8) into outText;
/// then releases the host windows the callbacks took over. Fails only when exePath is missing,
/// after telling the user. The child's command line is exePath, a space and the arguments, not
/// quoted, but the program that runs is exePath itself, never a file named by a part of it.
OperationResult RunCompanion(const std::string& caption, const std::string& exePath,
                             const std::string& arguments, mlUtf8String& outText,
                             SpawnParams& params);

/// Spawn with a UTF-8 program path and command line; the collected output is moved into outText.
std::uint32_t Run(const mlUtf8String& program, const mlUtf8String& commandLine,
                  const SpawnEnvironment& environment, mlUtf8String& outText, SpawnParams& params);

/// Starts the program with the command line and three pipes (the child's error output merged
/// into its output) and waits for its exit while collecting the output. An empty program leaves
/// the system to find it from the command line's first words. Returns the child's exit code, or
/// the system error of the step that failed (reported through params.errorCallback).
std::uint32_t Spawn(const std::wstring& program, const std::wstring& commandLine,
                    const SpawnEnvironment& environment, mlUtf8String& output, SpawnParams& params);

/// The wait loop of Spawn: reads at most 4096 bytes a pass, waits 50 ms for the child, runs the
/// callbacks, and after the child's exit reads once more.
void ReadPipe(SpawnHandle process, SpawnHandle stdoutRead, mlUtf8String& output,
              SpawnParams& params);

/// One write of the bytes to the child's standard input; 0 or the system error.
std::uint32_t WriteToChild(SpawnParams& params, const void* bytes, std::uint32_t count);

/// Bytes of one chunk of the child's output become UTF-8. Each chunk is decoded on its own, so a
/// character split between two chunks arrives as two broken halves.
mlUtf8String DecodeChildOutput(const char* bytes, std::size_t count);
