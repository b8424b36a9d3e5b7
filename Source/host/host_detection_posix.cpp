// POSIX executables carry no version resource, and there is no Windows version to ask.
#include "host/host_detection.h"

bool HostExecutableVersion(HostVersion&) { return false; }

std::uint16_t WindowsVersionWord() { return 0x0A00; }
