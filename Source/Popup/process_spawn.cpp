#include "Popup/process_spawn.h"

#include <utility>

#include "Popup/maker_site.h"
#include "Popup/spawn_platform.h"
#include "Popup/window_handling.h"
#include "foundation/module_info.h"
#include "foundation/path.h"

std::string LocateCompanion(const std::string& fileName, const std::string& defaultPath) {
  mlUtf8String libPath;
  GetDynamicLibPath(libPath);
  mlPath path(libPath);
  mlUtf8String candidate = path.ParentDirectory();
  candidate += mlPath::NativeSeparator();
  candidate += fileName.c_str();
  if (WideFileExists(candidate)) return candidate.Bytes();
  return defaultPath;
}

OperationResult RunCompanion(const std::string& caption, const std::string& exePath,
                             const std::string& arguments, mlUtf8String& outText,
                             SpawnParams& params) {
  // Asked with the UTF-16 form: the narrow call reads the bytes in the code page, so a folder
  // named in other scripts would count as missing.
  const mlUtf8String program(exePath);
  if (!WideFileExists(program)) {
    ShowErrorBox(FindHostMainWindow(), caption,
                 std::string("Error : unable to locate our application. Please reinstall our "
                             "software to make the plugins work properly. You can redownload our "
                             "plugins from our website ") +
                     kMakerSite);
    return OperationResult::Failure(
        mlUtf8String("Application or Plugin impossible to locate at : " + exePath));
  }
  // The command line stays unquoted, as the companion expects it; naming the program apart keeps
  // the system from trying each prefix of a path with spaces as a program of its own.
  const mlUtf8String commandLine(exePath + " " + arguments);
  Run(program, commandLine, SpawnEnvironment(), outText, params);
  RestoreHostWindow(DetachFromHost(params));
  return OperationResult::Success();
}

std::uint32_t Run(const mlUtf8String& program, const mlUtf8String& commandLine,
                  const SpawnEnvironment& environment, mlUtf8String& outText, SpawnParams& params) {
  mlUtf8String output;
  const std::uint32_t result =
      Spawn(program.ToWide(), commandLine.ToWide(), environment, output, params);
  outText = std::move(output);
  return result;
}
