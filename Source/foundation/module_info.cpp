#include "foundation/module_info.h"

#include <algorithm>

mlUtf8String ModuleBaseName(ModuleHandle module) { return PathBaseName(ModuleFileName(module)); }

mlUtf8String PathBaseName(const mlUtf8String& path) {
  const auto signedIndex = [](std::size_t index) {
    return index == mlUtf8String::npos ? std::int32_t{-1} : static_cast<std::int32_t>(index);
  };
  const std::int32_t start =
      std::max(signedIndex(path.FindLast('/')), signedIndex(path.FindLast('\\'))) + 1;
  return path.Substr(static_cast<std::size_t>(start));
}

OperationResult DynamicLibPathFailure(std::int32_t error) {
  const std::wstring message =
      L"GetDynamicLibPath - GetModuleHandle failed, error = " + std::to_wstring(error);
  return OperationResult::Failure(mlUtf8String(message));
}
