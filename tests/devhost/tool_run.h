// Runs tessgrain-render in a scratch folder of its own, natively or, in the Windows build, as a
// Windows program under Wine, and reads back what it printed.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace tool_run {

namespace fs = std::filesystem;

struct ToolRun {
  int exit_code = -1;
  std::string out, err;
};

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void Spill(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline size_t Lines(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = fs::temp_directory_path() / ("tg-render-" + std::to_string(tick));
    ASSERT_TRUE(fs::create_directories(dir_));
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Runs the tool in the scratch folder; redirections (< file) may follow the arguments.
  ToolRun Run(const std::string& args) {
    return Shell(std::string("\"") + TG_RENDER_TOOL + "\" " + args);
  }

  // Runs a command line in the scratch folder.
  ToolRun Shell(const std::string& command) {
    std::string cmd = command + " >stdout.txt 2>stderr.txt";
#ifdef _WIN32
    // cmd.exe takes off one pair of quotes around the whole line.
    cmd = "\"" + cmd + "\"";
#endif
    const int status = std::system(cmd.c_str());
    ToolRun r;
#ifdef _WIN32
    r.exit_code = status;
#else
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    r.out = Slurp(dir_ / "stdout.txt");
    r.err = Slurp(dir_ / "stderr.txt");
    fs::remove(dir_ / "stdout.txt");
    fs::remove(dir_ / "stderr.txt");
    return r;
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_, previous_;
};

}  // namespace tool_run
