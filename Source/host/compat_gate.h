// The compatibility gate: whether the plug-in may run in the host that loaded it. Asked when the
// library is mapped, when the host registers the effect and at parameter set-up; the first
// refusal pins the library, hides its resources from the host and arms the plug-in cache reset.
#pragma once

#include <cstdint>

#include "foundation/module_info.h"
#include "host/host_detection.h"

// Process-wide; set together by the first refusal. Written only under the loader lock or on the
// host's main thread, so plain bytes suffice.
extern bool gateRefused;
extern bool cacheResetPending;  // cleared once the cache reset has run

/// The rule alone, for a system of the given version word (see WindowsVersionWord).
bool HostSupported(std::uint16_t windowsVersion, HostApp host, HostVersion version);

/// Allows (true) or refuses. The first refusal in the process, with a module handle, also keeps
/// that module mapped and hides its resources; with or without one it sets both flags.
bool IsHostCompatible(ModuleHandle module, HostApp host, HostVersion version);

/// At registration, from the host's own name and version text. An unknown host or a version that
/// does not parse is allowed.
bool CheckHostAtRegistration(const char* hostName, const char* hostVersion);
/// When the library is mapped, from the executable's name and version resource. An unknown host
/// or an unreadable version is allowed.
bool CheckHostAtLoad(ModuleHandle self);
/// At parameter set-up, for the executable's host and the given version.
bool CheckHostVersion(std::int32_t major, std::int32_t minor);
