// Paths of loaded modules, this library's own path, and the host executable's version.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/operation_result.h"
#include "foundation/utf8_string.h"
#include "foundation/version.h"

/// A loaded module: an HMODULE on Windows, a handle from dlopen elsewhere. Null stands for the
/// executable of the process.
using ModuleHandle = void*;

/// Full path of the module's file; empty when it cannot be learned.
mlUtf8String ModuleFileName(ModuleHandle module);
/// The file-name part of ModuleFileName.
mlUtf8String ModuleBaseName(ModuleHandle module);
/// What follows the last '/' or '\\' of a path; the whole path when it holds neither.
mlUtf8String PathBaseName(const mlUtf8String& path);
/// ModuleFileName in the active ANSI code page; empty on failure.
std::string ModuleFileNameAnsi(ModuleHandle module);

/// Sets path to the full path of the module this code is linked into. On failure, path is left
/// as it was and the result carries the system's error number.
OperationResult GetDynamicLibPath(mlUtf8String& path);
/// The failure GetDynamicLibPath reports for a system error number.
OperationResult DynamicLibPathFailure(std::int32_t error);

/// The product version of the process's executable from its version resource, with only the low
/// byte of each part and build 0; 0.0.0.0 without a resource (always, on POSIX systems).
mlVersion GetHostAppVersion();
