// The plug-in cache reset over the Win32 registry.
#include <windows.h>

#include "host/plugin_cache.h"

namespace {

constexpr DWORD kNameUnits = 512;

// Visits each key with its path; deletes a key named exactly like this library (letter case
// aside) on a path through a plug-in cache, with everything below it, and descends everywhere
// else. A name that merely holds ours (mytessgrain.aex, tessgrain.aex.old) is another
// plug-in's.
RegistryVisitor PluginCacheVisitor(const mlUtf8String& ownName) {
  return [ownName](RegistryKey parent, const mlUtf8String& path, const std::wstring& name) {
    if (path.Find(mlUtf8String("plugincache")) == mlUtf8String::npos) return true;
    mlUtf8String lowerName(name);
    lowerName.ToLower();
    if (lowerName != ownName) return true;
    RegDeleteTreeW(static_cast<HKEY>(parent), name.c_str());
    return false;
  };
}

// Whether the subkey at the index still has that name.
bool SubkeyAt(HKEY key, DWORD index, const std::wstring& expected) {
  wchar_t name[kNameUnits];
  DWORD units = kNameUnits;
  return RegEnumKeyExW(key, index, name, &units, nullptr, nullptr, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         expected == std::wstring(name, units);
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
  for (DWORD index = 0;;) {
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
    // A key the visitor deleted hands its index to the next one, which is read there next.
    if (SubkeyAt(key, index, childName)) ++index;
  }
  RegCloseKey(key);
}

void ResetPluginCache(ModuleHandle self) {
  mlUtf8String ownName = ModuleBaseName(self);
  ownName.ToLower();
  // Without a name every key would look like ours.
  if (ownName.Empty()) return;
  WalkRegistryKeys(HKEY_CURRENT_USER, mlUtf8String(), L"SOFTWARE\\Adobe",
                   PluginCacheVisitor(ownName));
}
