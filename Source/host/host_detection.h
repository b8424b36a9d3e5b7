// Which host application has loaded the plug-in, and which version of it.
#pragma once

#include <cstdint>

#include "foundation/host_app.h"
#include "foundation/utf8_string.h"

struct HostVersion {
  std::int32_t major = 0;
  std::int32_t minor = 0;
};

/// The host from the name it gives at registration ("After Effects", "Premiere Pro (Beta)", ...);
/// the whole name must match, letter case aside.
HostApp HostFromName(const char* name);
/// The host from the file name of the process's executable ("AfterFX.exe", ...).
HostApp HostFromExecutable();
/// The host from an executable's file name, matched as HostFromExecutable does.
HostApp HostFromExecutableName(const mlUtf8String& fileName);

/// Reads "major.minor" with up to two more parts, each led by '.' or 'x' ("24.0x52",
/// "14.3.1x2"). False, with version untouched, when the text does not have that form.
bool ParseHostVersion(const char* text, HostVersion& version);

/// The product version of the process's executable (major and minor words of its version
/// resource). False when it cannot be read, always on POSIX systems.
bool HostExecutableVersion(HostVersion& version);

/// The operating system's version as major in the high byte and minor in the low byte; 0x0A00
/// (Windows 10) when it cannot be learned, and on POSIX systems.
std::uint16_t WindowsVersionWord();
