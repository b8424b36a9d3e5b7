#include "popup_test_support.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "devhost/host/module.h"
#include "foundation/module_info.h"

namespace popup_test {

fs::path FromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path ModuleFolder() {
  mlUtf8String path;
  GetDynamicLibPath(path);
  return FromUtf8(path.Bytes()).parent_path();
}

fs::path CompanionBeside() { return ModuleFolder() / "Orbisk.exe"; }

void PlaceCompanion() {
  // Removed first: overwriting in place is not reliable with every runtime.
  fs::remove(CompanionBeside());
  fs::copy_file(FromUtf8(TG_COMPANION), CompanionBeside());
}

PF_EffectMainFunc EffectBesideCompanion() {
  static const std::unique_ptr<devhost::Module> module = [] {
    const fs::path built = FromUtf8(TESSGRAIN_MODULE_PATH);
    const fs::path copy = ModuleFolder() / built.filename();
    // Once per build of the module: a test run again in a process of its own finds the copy in
    // place, loaded by its parent, which Windows would not let it replace. (The library's
    // update_existing is not to be relied on with mingw.)
    if (!fs::exists(copy) || fs::last_write_time(copy) < fs::last_write_time(built)) {
      fs::remove(copy);
      fs::copy_file(built, copy);
    }
    PlaceCompanion();
    std::string error;
    std::unique_ptr<devhost::Module> loaded = devhost::Module::Load(Utf8(copy), &error);
    if (!loaded) ADD_FAILURE() << error;
    return loaded;
  }();
  return module ? module->EffectMain() : nullptr;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void CompanionTest::SetUp() {
  PlaceCompanion();
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = ModuleFolder() / "popup-test-files" /
            (std::string(test->test_suite_name()) + "." + test->name());
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  Plan({});
  SetEnvironment("ORBISK_TEST_PLAN", Utf8(File("plan.txt")));
}

void CompanionTest::TearDown() {
  SetEnvironment("ORBISK_TEST_PLAN", "");
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void CompanionTest::Plan(const std::vector<std::string>& directives) {
  std::ofstream plan(File("plan.txt"), std::ios::binary | std::ios::trunc);
  for (const std::string& line : directives) plan << line << '\n';
}

std::uint32_t CompanionTest::SpawnCompanion(mlUtf8String& output, SpawnParams& params) {
  if (params.onStarted == nullptr) {
    params.onStarted = [](SpawnParams& p) { WriteToChild(p, "\n", 1); };
  }
  const mlUtf8String program(Utf8(CompanionBeside()));
  return Spawn(program.ToWide(), (program + " -popup").ToWide(), SpawnEnvironment(), output,
               params);
}

}  // namespace popup_test
