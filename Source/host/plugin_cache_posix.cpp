// No registry and no host plug-in cache to reset on POSIX systems.
#include "host/plugin_cache.h"

void WalkRegistryKeys(RegistryKey, const mlUtf8String&, const std::wstring&, RegistryVisitor) {}

void ResetPluginCache(ModuleHandle) {}
