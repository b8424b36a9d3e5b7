// Removing this library's entries from the hosts' per-user plug-in caches in the registry, so that
// a refused host scans the library afresh the next time it starts. Nothing to do on POSIX systems.
#pragma once

#include <functional>
#include <string>

#include "foundation/module_info.h"
#include "foundation/utf8_string.h"

/// An open registry key (an HKEY on Windows).
using RegistryKey = void*;

/// Called for each subkey: (open parent key, the subkey's lower-case path below
/// HKEY_CURRENT_USER\SOFTWARE\Adobe, its name). Answers whether the walk descends into it.
using RegistryVisitor =
    std::function<bool(RegistryKey parent, const mlUtf8String& path, const std::wstring& name)>;

/// Opens (creating it when missing) the subkey of parent and asks the visitor about each of its
/// subkeys in turn, descending where it says so; a subkey the visitor deleted does not make the
/// walk pass over the one after it. Registry failures end the level silently.
void WalkRegistryKeys(RegistryKey parent, const mlUtf8String& parentPath,
                      const std::wstring& subkey, RegistryVisitor visitor);

/// Deletes, under HKEY_CURRENT_USER\SOFTWARE\Adobe, every key named like the module's file whose
/// path holds "plugincache", letter case aside. Nothing when the file name cannot be read.
void ResetPluginCache(ModuleHandle self);
