// The plug-in cache reset over the Win32 registry.
#include <windows.h>

#include "host/plugin_cache.h"

namespace {

constexpr DWORD kNameUnits = 512;

// Visits each key with its path; deletes the first key on a path holding both texts, with
// everything below it, and descends everywhere else.
RegistryVisitor PluginCacheVisitor(const mlUtf8String& ownName) {
  return [ownName](RegistryKey parent, const mlUtf8String& path, const std::wstring& name) {
    if (path.Find(mlUtf8String("plugincache")) == mlUtf8String::npos) return true;
    if (path.Find(ownName) == mlUtf8String::npos) return true;
    RegDeleteTreeW(static_cast<HKEY>(parent), name.c_str());
    return false;
  };
}

}  // namespace

void WalkRegistryKeys(RegistryKey parent, const mlUtf8String& parentPath,
                      const std::wstring& subkey, RegistryVisitor visitor) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(static_cast<HKEY>(parent), subkey.c_str(), 0, nullptr, 0, MAXIMUM_ALLOWED,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  wchar_t name[kNameUnits];
  // The index moves on after a deleted key too, so the key that takes its place is not visited
  // in this pass.
  for (DWORD index = 0;; ++index) {
    DWORD units = kNameUnits;
    if (RegEnumKeyExW(key, index, name, &units, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::wstring childName(name, units);
    mlUtf8String childPath = parentPath + "\\" + childName;
    childPath.ToLower();
    if (visitor(key, childPath, childName)) {
      WalkRegistryKeys(key, childPath, childName, visitor);
    }
  }
  RegCloseKey(key);
}

void ResetPluginCache(ModuleHandle self) {
  mlUtf8String ownName = ModuleBaseName(self);
  ownName.ToLower();
  WalkRegistryKeys(HKEY_CURRENT_USER, mlUtf8String(), L"SOFTWARE\\Adobe",
                   PluginCacheVisitor(ownName));
}
