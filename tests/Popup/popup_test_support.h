// Shared pieces of the companion tests: the test companion placed where the plug-in looks for
// it, plans that steer it, per-test folders, and what differs between the platforms.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "HostSDK.h"
#include "Popup/process_spawn.h"

namespace popup_test {

namespace fs = std::filesystem;

/// The folder of the module this code runs in, where LocateCompanion looks.
fs::path ModuleFolder();
/// The companion's place beside the module.
fs::path CompanionBeside();
/// Copies the built test companion beside the module (again, when a test removed it).
void PlaceCompanion();
/// The effect of a copy of the built module lying beside the test companion, so that its buttons
/// run the test companion: beside the module built in place lies the shipped pop-up.
PF_EffectMainFunc EffectBesideCompanion();

std::string ReadBytes(const fs::path& path);
/// The path whose UTF-8 text is given.
fs::path FromUtf8(const std::string& text);
/// UTF-8 text of a path, as the plug-in's functions take it.
std::string Utf8(const fs::path& path);

/// Sets (or, with an empty value, removes) a variable of this process's environment, which the
/// companion inherits.
void SetEnvironment(const char* name, const std::string& value);

/// The system call that Spawn names when the child cannot be created.
extern const char* const kCreateProcessCall;
/// The system's error number for a missing file.
extern const std::uint32_t kFileNotFound;

/// The file-name ending of programs ("" or ".exe").
extern const char* const kProgramSuffix;
/// Waits until the process has ended, without reaping it; false after the time has passed.
bool WaitForProcessEnd(std::uint32_t processId, int milliseconds);

/// The child's output is decoded in the console's output code page, which the spawn switches:
/// tests of either need a console. True when this process has one (always on POSIX systems, where
/// there is no code page). Otherwise the current test runs again in a new process with a console of
/// its own, its result is reported here, and the caller returns at once.
bool InConsoleElseRerun();

/// Runs the action and returns what the user was shown as an error message box (caption, ": ",
/// text); on Windows a helper thread reads the box and closes it.
std::string ErrorBoxDuring(const std::function<void()>& action);

/// A test with the companion beside the module, its own folder and a plan for the companion.
class CompanionTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Writes the companion's plan, one directive a line.
  void Plan(const std::vector<std::string>& directives);
  /// A file in this test's folder.
  fs::path File(const std::string& name) const { return folder_ / name; }
  /// Spawns the companion directly with the flags; onStarted sends it one empty line.
  std::uint32_t SpawnCompanion(mlUtf8String& output, SpawnParams& params);

  fs::path folder_;
};

}  // namespace popup_test
