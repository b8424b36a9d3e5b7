// tessgrain-render as a process: what only the whole program shows. Signals, pipes whose reader
// is gone, a full disk, memory that runs out, and the exit statuses that scripts rely on.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "image_files.h"
#include "tool_run.h"

namespace {

using namespace tool_run;
using RenderProcess = ToolTest;

// How a child is started: its arguments after the tool's path, where its streams go, its limits.
struct Launch {
  std::vector<std::string> args;
  std::string program = TG_RENDER_TOOL;
  std::string in = "/dev/null";
  std::string out = "out.txt";
  int out_fd = -1;    // instead of out: an open descriptor (a pipe's end)
  rlim_t memory = 0;  // address space limit in bytes; 0: none
  bool ignore_sigpipe = false;
};

pid_t Start(const Launch& l) {
  std::vector<std::string> words{l.program};
  words.insert(words.end(), l.args.begin(), l.args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: only calls that are safe after fork.
  const int in = open(l.in.c_str(), O_RDONLY);
  const int out =
      l.out_fd >= 0 ? l.out_fd : open(l.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0) _exit(126);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  if (l.memory != 0) {
    const rlimit limit{l.memory, l.memory};
    setrlimit(RLIMIT_AS, &limit);
  }
  if (l.ignore_sigpipe) signal(SIGPIPE, SIG_IGN);
  execv(argv[0], argv.data());
  _exit(127);
}

// The child's exit status, 1000 and the number of a signal that ended it, or -1 when it had not
// ended after `seconds` (it is then killed). usage: what it used.
int WaitFor(pid_t pid, double seconds, rusage* usage = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  rusage ignored{};
  while (wait4(pid, &status, WNOHANG, usage ? usage : &ignored) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

std::string Frame(int width, int height, int seed) {
  std::string bytes(size_t(width) * height * 4, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + seed * 13) % 251);
  return bytes;
}

// Files in a folder: the hidden (partial) ones, or the others.
size_t Count(const fs::path& folder, bool hidden) {
  size_t n = 0;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    n += (e.path().filename().string()[0] == '.') == hidden;
  return n;
}

// The names of the files in a folder that are not hidden.
std::vector<std::string> Finals(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    if (e.path().filename().string()[0] != '.') names.push_back(e.path().filename());
  }
  return names;
}

// Out of memory on a worker thread is one frame's failure, named; the other frames render.
TEST_F(RenderProcess, OutOfMemoryFailsTheFrameByNameNotTheRun) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit leaves";
#endif
  fs::create_directories("in");
  WriteFile(Path("in/a.png"), 4, 4, 4, OIIO::TypeDesc::UINT8, Pixels(4, 4, 1));
  WriteFile(Path("in/b.png"), 200, 200, 4, OIIO::TypeDesc::UINT8, Pixels(200, 200, 2));
  WriteFile(Path("in/c.png"), 4, 4, 4, OIIO::TypeDesc::UINT8, Pixels(4, 4, 3));
  // b at x64 in float asks for 2.6 GB.
  pid_t pid = Start({.args = {"in", "--scale", "64", "--depth", "32", "--jobs", "1", "-o", "up/"},
                     .memory = rlim_t(2000) << 20});
  EXPECT_EQ(WaitFor(pid, 120), 1);
  std::string err = Slurp("err.txt");
  EXPECT_NE(err.find("in/b.png: out of memory"), std::string::npos) << err;
  EXPECT_NE(Slurp("out.txt").find("2 frames written to up/, 1 failed"), std::string::npos)
      << Slurp("out.txt");
  EXPECT_TRUE(fs::exists("up/a_x64.exr") && fs::exists("up/c_x64.exr"));

  // A raw frame too large to hold: the stream ends there, by name.
  Spill("head.raw", std::string(100, '\0'));
  pid = Start({.args = {"--raw", "32768x32768", "--pix-fmt", "rgbaf32le"},
               .in = "head.raw",
               .memory = rlim_t(3000) << 20});
  EXPECT_EQ(WaitFor(pid, 120), 1);
  err = Slurp("err.txt");
  EXPECT_NE(err.find("frame 1 of standard input: out of memory"), std::string::npos) << err;
}

// A reader that goes away ends the run at the first frame it cannot take, even where SIGPIPE is
// ignored (always so on Windows): an endless stream would otherwise render for ever.
TEST_F(RenderProcess, AStreamEndsWhenItsReaderIsGone) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  const pid_t pid =
      Start({.args = {"--raw", "64x64", "/dev/zero"}, .out_fd = ends[1], .ignore_sigpipe = true});
  close(ends[1]);
  EXPECT_EQ(WaitFor(pid, 30), 1) << "-1: still running after 30 s";
  EXPECT_NE(Slurp("err.txt").find("cannot write frame 1 of /dev/zero to standard output"),
            std::string::npos)
      << Slurp("err.txt");
}

// A frame counts as written once its bytes are: a full disk is named, and nothing is claimed.
TEST_F(RenderProcess, AFullDiskIsNamedAndNoFrameIsClaimed) {
  Spill("one.raw", Frame(7, 5, 1));
  const pid_t pid = Start({.args = {"--raw", "7x5", "one.raw"}, .out = "/dev/full"});
  EXPECT_EQ(WaitFor(pid, 60), 1);
  const std::string err = Slurp("err.txt");
  EXPECT_NE(err.find("cannot write frame 1 of one.raw to standard output: "), std::string::npos)
      << err;
  EXPECT_NE(err.find("0 frames written to standard output"), std::string::npos) << err;
}

// An interrupt stops new work, removes what was half written and keeps every finished frame; the
// status says which signal ended the run. Even a kill leaves no truncated file under a final name,
// and --skip-existing completes the run.
TEST_F(RenderProcess, InterruptsLeaveFinishedFramesAndNoDebris) {
  fs::create_directories("in");
  for (int n = 1; n <= 24; ++n) {
    WriteFile(Path("in/f_" + std::to_string(100 + n) + ".png"), 96, 96, 4, OIIO::TypeDesc::UINT8,
              Pixels(96, 96, n));
  }
  const struct {
    int signal_number, status;
    bool cleans_up;
  } cases[] = {{SIGINT, 130, true}, {SIGTERM, 143, true}, {SIGKILL, 1000 + SIGKILL, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signal_number);
    fs::remove_all("up");
    const pid_t pid = Start({.args = {"in", "-o", "up/", "--scale", "8", "--jobs", "2"}});
    // Sent while a frame is being written, once one is complete.
    bool writing = false;
    for (int i = 0; i < 20000 && !(writing && Count("up", false) >= 1); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      writing = Count("up", true) > 0;
    }
    kill(pid, c.signal_number);
    ASSERT_EQ(WaitFor(pid, 60), c.status) << Slurp("err.txt");
    if (c.cleans_up) {
      EXPECT_EQ(Count("up", true), 0u) << "a partial file is left";
    }
    const size_t finals = Count("up", false);
    EXPECT_GE(finals, 1u);
    ASSERT_LT(finals, 24u) << "the run ended before it could be interrupted";
    for (const std::string& name : Finals("up")) {
      EXPECT_EQ(ReadFile<uint8_t>(Path("up/" + name), OIIO::TypeDesc::UINT8).spec.width, 776)
          << name << " is not complete";
    }
    if (c.cleans_up) continue;
    const ToolRun r = Run("in -o up/ --scale 8 --skip-existing");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find(std::to_string(finals) + " skipped"), std::string::npos) << r.out;
    EXPECT_EQ(Finals("up").size(), 24u);
  }
}

// On a terminal: a progress line rewritten in place, naming a frame that takes long; a frame's
// rows go to the file in bands, so the run needs about one output frame of memory beyond the
// tool's own.
TEST_F(RenderProcess, LongFramesShowProgressAndAreWrittenARowBandAtATime) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "memory use means nothing under the address sanitizer";
#endif
  WriteFile(Path("small.png"), 300, 168, 4, OIIO::TypeDesc::UINT8, Pixels(300, 168, 4));
  // The tool on a terminal of its own: what it showed there, and its peak memory.
  const auto run_on_terminal = [&](const std::string& args, std::string* shown) {
    const pid_t pid = Start({.args = {"-qec", "\"" TG_RENDER_TOOL "\" " + args, "/dev/null"},
                             .program = "/usr/bin/script",
                             .out = "terminal.txt"});
    rusage usage{};
    EXPECT_EQ(WaitFor(pid, 120, &usage), 0) << args;
    *shown = Slurp(dir_ / "terminal.txt");
    return static_cast<double>(usage.ru_maxrss) * 1024;
  };
  std::string shown;
  const double baseline = run_on_terminal("small.png --scale 1 -o one.png", &shown);
  EXPECT_NE(shown.find("\r\x1b[K"), std::string::npos) << shown;
  const double peak = run_on_terminal("small.png --scale 16 --shape square -o big.png", &shown);
  // Which stage the ticks catch depends on the machine's speed; writing the PNG outlasts one.
  EXPECT_TRUE(shown.find("small.png: rendering, 0:00") != std::string::npos ||
              shown.find("small.png: writing ") != std::string::npos)
      << shown;
  EXPECT_NE(shown.find("wrote big.png (4800x2688"), std::string::npos) << shown;
  const double frame = 4800.0 * 2688 * 4;
  EXPECT_LT(peak - baseline, 1.5 * frame)
      << "peak " << peak / 1e6 << " MB, baseline " << baseline / 1e6 << " MB";
  run_on_terminal("small.png --quiet -o q.png", &shown);
  EXPECT_EQ(shown, "");
}

}  // namespace
