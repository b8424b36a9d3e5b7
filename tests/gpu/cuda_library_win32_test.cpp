// The CUDA driver comes from the system folder only. This run's program lies in a folder beside a
// planted nvcuda.dll (install_cuda_standin.cmake puts one there), which the ordinary search
// order would take before the system folder's.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwctype>
#include <string>

#include "devhost/host/host.h"
#include "tests/support/loaded_module.h"

namespace {

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

TEST(CudaStandIn, TheDriverIsTheSystemFoldersNotAPlantedCopy) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring planted = Folder(program) + L"\\nvcuda.dll";
  ASSERT_NE(GetFileAttributesW(planted.c_str()), INVALID_FILE_ATTRIBUTES)
      << "this run needs a planted nvcuda.dll beside the program";

  devhost::Host host(Effect(), devhost::HostApp::AfterEffects);
  host.params = {2, 1, 1, true, 1};
  host.gpu = devhost::GpuChoice::Cuda;
  devhost::Image layer(3, 3, devhost::Depth::F32);
  ASSERT_EQ(host.RenderSmart(layer).err, PF_Err_NONE);
  EXPECT_TRUE(host.Gpu().accepted);

  const HMODULE driver = GetModuleHandleW(L"nvcuda.dll");
  ASSERT_NE(driver, nullptr);
  wchar_t loaded[MAX_PATH] = {};
  GetModuleFileNameW(driver, loaded, MAX_PATH);
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(Lower(Folder(loaded)), Lower(system));
}

}  // namespace
