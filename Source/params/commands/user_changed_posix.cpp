#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "Popup/maker_site.h"
#include "foundation/utf8_string.h"
#include "params/commands/user_changed.h"

extern char** environ;

void OpenUpdatePage() {
  // xdg-open may wait for the browser: a shell starts it in the background and returns at once,
  // so the host neither waits nor keeps a child to reap. Without xdg-open nothing happens.
  std::string url = WideToUtf8(kUpdatePageUrl);
  char shell[] = "/bin/sh";
  char dashC[] = "-c";
  char script[] = "xdg-open \"$1\" >/dev/null 2>&1 &";
  char name[] = "sh";
  char* argv[] = {shell, dashC, script, name, url.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, shell, nullptr, nullptr, argv, environ) != 0) return;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}
