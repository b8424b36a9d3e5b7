#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "popup_test_support.h"

namespace popup_test {

const char* const kCreateProcessCall = "posix_spawn";
const std::uint32_t kFileNotFound = ENOENT;

const char* const kProgramSuffix = "";

bool WaitForProcessEnd(std::uint32_t processId, int milliseconds) {
  for (int waited = 0; waited <= milliseconds; waited += 10) {
    siginfo_t info{};
    if (waitid(P_PID, processId, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == static_cast<pid_t>(processId)) {
      return true;
    }
    usleep(10000);
  }
  return false;
}

bool InConsoleElseRerun() { return true; }

void SetEnvironment(const char* name, const std::string& value) {
  if (value.empty()) {
    unsetenv(name);
  } else {
    setenv(name, value.c_str(), 1);
  }
}

std::string ErrorBoxDuring(const std::function<void()>& action) {
  // Without message boxes the text goes to the error output, one line.
  ::testing::internal::CaptureStderr();
  action();
  std::string shown = ::testing::internal::GetCapturedStderr();
  if (!shown.empty() && shown.back() == '\n') shown.pop_back();
  return shown;
}

}  // namespace popup_test
