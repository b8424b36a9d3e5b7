// Child processes on pipes through posix_spawn, waited for in 50 ms steps. There is no window
// message queue to pump and no console code page: the child's output is taken as UTF-8.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "Popup/process_spawn.h"
#include "Popup/spawn_platform.h"

extern char** environ;

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr int kWaitMs = 50;

struct Pipes {
  int ends[6] = {-1, -1, -1, -1, -1, -1};  // stdin, stdout, stderr: read end, then write end
  ~Pipes() {
    for (int& end : ends) {
      if (end >= 0) close(end);
      end = -1;
    }
  }
};

void Report(const SpawnParams& params, const char* format, int error) {
  if (params.errorCallback) params.errorCallback(params.errorUser, format, error);
}

bool IsRunnableFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> SplitAtSpaces(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// The command line is not quoted, as on Windows: the program is the shortest run of words that
// names a runnable file, the rest are its arguments.
std::vector<std::string> CommandArguments(const std::string& commandLine) {
  const std::vector<std::string> words = SplitAtSpaces(commandLine);
  if (words.empty()) return {};
  std::string program;
  for (std::size_t count = 1; count <= words.size(); ++count) {
    program = count == 1 ? words[0] : program + " " + words[count - 1];
    if (IsRunnableFile(program)) {
      std::vector<std::string> arguments{program};
      arguments.insert(arguments.end(), words.begin() + static_cast<std::ptrdiff_t>(count),
                       words.end());
      return arguments;
    }
  }
  return words;  // nothing runnable: spawning the first word reports why
}

// With the program named apart, the command line's words after the program's own text (or after
// its first word, when it does not start with that text) are the arguments.
std::vector<std::string> ProgramArguments(const std::string& program,
                                          const std::string& commandLine) {
  std::string rest;
  if (commandLine.rfind(program, 0) == 0 &&
      (commandLine.size() == program.size() || commandLine[program.size()] == ' ')) {
    rest = commandLine.substr(program.size());
  } else {
    const std::vector<std::string> words = SplitAtSpaces(commandLine);
    for (std::size_t i = 1; i < words.size(); ++i) rest += " " + words[i];
  }
  std::vector<std::string> arguments{program};
  for (std::string& word : SplitAtSpaces(rest)) arguments.push_back(std::move(word));
  return arguments;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// "name=value" strings from a UTF-16 block of NUL-ended entries.
std::vector<std::string> EnvironmentEntries(const std::wstring& block) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start < block.size() && block[start] != L'\0') {
    const std::size_t end = block.find(L'\0', start);
    const std::size_t stop = end == std::wstring::npos ? block.size() : end;
    entries.push_back(WideToUtf8(block.substr(start, stop - start)));
    start = stop + 1;
  }
  return entries;
}

void ReadAvailable(int pipe, mlUtf8String& output, const SpawnParams& params) {
  int available = 0;
  if (ioctl(pipe, FIONREAD, &available) != 0 || available <= 0) return;
  char buffer[kReadChunk] = {};
  const std::size_t wanted = static_cast<std::size_t>(available) < kReadChunk
                                 ? static_cast<std::size_t>(available)
                                 : kReadChunk;
  ssize_t count = read(pipe, buffer, wanted);
  if (count < 0) {
    Report(params, "ReadPipe(): read failed. Error %i", errno);
    count = 0;
  }
  output += DecodeChildOutput(buffer, static_cast<std::size_t>(count));
}

// Whether the child has ended, leaving it to be reaped for its exit status.
bool ChildEnded(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

}  // namespace

mlUtf8String DecodeChildOutput(const char* bytes, std::size_t count) {
  // Malformed sequences become U+FFFD, one for each maximal broken part, as the Windows decoder
  // of code page 65001 does.
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  std::string out;
  std::size_t i = 0;
  while (i < count) {
    const unsigned char lead = in[i];
    std::size_t length = 0;
    char32_t c = 0, minimum = 0;
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead < 0xE0) {
      length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      length = 4, c = lead & 0x07, minimum = 0x10000;
    }
    std::size_t used = 1;
    while (length != 0 && used < length && i + used < count && (in[i + used] & 0xC0) == 0x80) {
      c = (c << 6) | (in[i + used] & 0x3F);
      ++used;
    }
    if (length != 0 && used == length && c >= minimum && c <= 0x10FFFF &&
        !(c >= 0xD800 && c < 0xE000)) {
      out.append(reinterpret_cast<const char*>(in + i), used);
    } else {
      out += "\xEF\xBF\xBD";  // U+FFFD, as the code-page conversion substitutes
    }
    i += used;
  }
  return mlUtf8String(std::move(out));
}

std::uint32_t Spawn(const std::wstring& program, const std::wstring& commandLine,
                    const SpawnEnvironment& environment, mlUtf8String& output,
                    SpawnParams& params) {
  Pipes pipes;
  static const char* const kPipeFailures[3] = {"Spawn(): pipe(stdin) failed. Error %i",
                                               "Spawn(): pipe(stdout) failed. Error %i",
                                               "Spawn(): pipe(stderr) failed. Error %i"};
  for (int p = 0; p < 3; ++p) {
    // Close-on-exec everywhere: the child gets only the ends duplicated onto 0, 1 and 2.
    if (pipe2(&pipes.ends[2 * p], O_CLOEXEC) != 0) {
      const int error = errno;
      Report(params, kPipeFailures[p], error);
      return static_cast<std::uint32_t>(error);
    }
  }
  const int stdinRead = pipes.ends[0], stdinWrite = pipes.ends[1];
  const int stdoutRead = pipes.ends[2], stdoutWrite = pipes.ends[3];

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, stdinRead, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, stdoutWrite, STDOUT_FILENO);
  // The child's error text is collected mixed into its output.
  posix_spawn_file_actions_adddup2(&actions, stdoutWrite, STDERR_FILENO);

  std::vector<std::string> arguments =
      program.empty() ? CommandArguments(WideToUtf8(commandLine))
                      : ProgramArguments(WideToUtf8(program), WideToUtf8(commandLine));
  std::vector<char*> argv = Pointers(arguments);
  std::vector<std::string> entries;
  std::vector<char*> envp;
  if (environment) {
    entries = EnvironmentEntries(*environment);
    envp = Pointers(entries);
  }
  pid_t pid = 0;
  const int error = arguments.empty() ? ENOENT
                                      : posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(),
                                                    environment ? envp.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    std::vector<char> directory(PATH_MAX + 1, '\0');
    if (getcwd(directory.data(), PATH_MAX) == nullptr) directory[0] = '\0';
    if (params.errorCallback) {
      params.errorCallback(params.errorUser,
                           "Spawn(): posix_spawn failed. Error %i. Current directory: %s", error,
                           directory.data());
    }
    return static_cast<std::uint32_t>(error);
  }

  params.processId = static_cast<std::uint32_t>(pid);
  params.threadId = static_cast<std::uint32_t>(pid);
  params.stdinWrite = stdinWrite;
  if (params.onStarted) params.onStarted(params);
  ReadPipe(pid, stdoutRead, output, params);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  params.stdinWrite = kNoSpawnHandle;
  if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  return 0;
}

void ReadPipe(SpawnHandle process, SpawnHandle stdoutRead, mlUtf8String& output,
              SpawnParams& params) {
  const auto pid = static_cast<pid_t>(process);
  const int pipe = static_cast<int>(stdoutRead);
  // A pidfd becomes readable when the child ends, so the wait ends at once; without one (an
  // older kernel) each wait is a plain 50 ms.
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  for (;;) {
    ReadAvailable(pipe, output, params);
    pollfd watch{pidfd, POLLIN, 0};
    const int ready = poll(pidfd >= 0 ? &watch : nullptr, pidfd >= 0 ? 1 : 0, kWaitMs);
    if (ChildEnded(pid)) break;
    if (ready == 0 && params.onIdle) params.onIdle(params);
  }
  if (pidfd >= 0) close(pidfd);
  // What the child wrote just before it exited; only one more chunk of it is taken.
  ReadAvailable(pipe, output, params);
}

std::uint32_t WriteToChild(SpawnParams& params, const void* bytes, std::uint32_t count) {
  // A child that already closed its input must not take the host down with SIGPIPE: the signal
  // is blocked for this thread during the write and a pending one is consumed.
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  const ssize_t written = write(static_cast<int>(params.stdinWrite), bytes, count);
  const int error = written < 0 ? errno : 0;
  if (error == EPIPE) {
    const timespec none{0, 0};
    sigtimedwait(&pipeSignal, nullptr, &none);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return static_cast<std::uint32_t>(error);
}

bool WideFileExists(const mlUtf8String& path) { return access(path.CStr(), F_OK) == 0; }

void ShowErrorBox(WindowHandle, const std::string& caption, const std::string& text) {
  // No message box here: the user reads the host's error output.
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
