// The companion run for real: located beside the module, started on pipes, given the request
// line, its output collected until it exits.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>

#include "Popup/PopupClient.h"
#include "Popup/process_spawn.h"
#include "popup_test_support.h"

namespace {

using popup_test::CompanionBeside;
using popup_test::CompanionTest;
using popup_test::ReadBytes;
using popup_test::Utf8;
namespace fs = std::filesystem;

constexpr char kRequestLine[] =
    "{\"popup\":\"HostSettings\",\"host\":0,\"plugin\":10,\"tab\":3,\"owner\":0}\n";

OperationResult RunSettingsPopup(JsonDocument& answer) {
  return RunPopup(kCompanionCaption, LocateCompanion(kCompanionFileName, kCompanionDefaultPath),
                  BuildHostSettingsJson(0, 10, 3), answer);
}

using PopupRun = CompanionTest;

TEST_F(PopupRun, CompanionReceivesTheRequestLineAndAnswers) {
  Plan({"record " + Utf8(File("request.txt")), "out starting\\n",
        "err a warning on the error output\\n", "out json:{\"saved\":true}\\r\\n", "out done\\n"});
  JsonDocument answer;
  const OperationResult result = RunSettingsPopup(answer);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_TRUE(answer.Get()["saved"].GetBool());
  EXPECT_EQ(ReadBytes(File("request.txt")), kRequestLine);
}

// The answer's own failures are the parser's tests; here, that the run reports them.
TEST_F(PopupRun, CompanionOutputWithoutAGoodAnswerFails) {
  Plan({"out nothing to say\\n", "exit 3"});
  JsonDocument answer;
  const OperationResult result = RunSettingsPopup(answer);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(result.Message(), mlUtf8String("Json prefix not found in stdOut"));
}

TEST_F(PopupRun, MissingCompanionTellsTheUserAndFailsWithTheDefaultPath) {
  fs::remove(CompanionBeside());
  const std::string path = LocateCompanion(kCompanionFileName, kCompanionDefaultPath);
  EXPECT_EQ(path, kCompanionDefaultPath);
  OperationResult result;
  const std::string shown = popup_test::ErrorBoxDuring([&] {
    JsonDocument answer;
    result = RunPopup(kCompanionCaption, path, BuildHostSettingsJson(0, 10, 3), answer);
  });
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(result.Message(),
            mlUtf8String(std::string("Application or Plugin impossible to locate at : ") +
                         kCompanionDefaultPath));
  EXPECT_EQ(shown.rfind("Orbisk: Error : unable to locate our application. Please reinstall our "
                        "software to make the plugins work properly. You can redownload our "
                        "plugins from our website https://",
                        0),
            0u)
      << shown;
}

// The companion copied into a folder below this test's own; the plan records what ran and with
// which command line.
class InstallFolder : public CompanionTest {
 protected:
  std::string Install(const fs::path& folder) {
    fs::create_directories(folder);
    fs::copy_file(CompanionBeside(), folder / "Orbisk.exe");
    Plan({"record-program " + Utf8(File("program.txt")),
          "record-command " + Utf8(File("command.txt")), "out json:{}\\n"});
    return Utf8(folder / "Orbisk.exe");
  }
  OperationResult Run(const std::string& exePath, mlUtf8String& output) {
    SpawnParams params;
    params.onStarted = [](SpawnParams& p) { WriteToChild(p, "{}\n", 3); };
    OperationResult result;
    shown_ = popup_test::ErrorBoxDuring(
        [&] { result = RunCompanion(kCompanionCaption, exePath, "-popup", output, params); });
    return result;
  }
  fs::path Ran() const { return popup_test::FromUtf8(ReadBytes(File("program.txt"))); }
  std::string shown_;
};

TEST_F(InstallFolder, DecoysAtThePrefixesOfAPathWithSpacesNeverRun) {
  // Unquoted, every word boundary of the path could name a program; only the companion may run,
  // and it still sees the unquoted command line.
  const fs::path folder = File("install dir with spaces");
  const std::string exePath = Install(folder);
  for (const std::string prefix : {"install", "install dir", "install dir with"}) {
    fs::copy_file(CompanionBeside(), File(prefix + popup_test::kProgramSuffix));
  }
  mlUtf8String output;
  const OperationResult result = Run(exePath, output);
  EXPECT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_EQ(output, mlUtf8String("json:{}\n"));
  EXPECT_EQ(Ran(), folder / "Orbisk.exe");
  EXPECT_EQ(ReadBytes(File("command.txt")), exePath + " -popup");
}

TEST_F(InstallFolder, FolderNamedInCyrillicAndCjkIsFound) {
  const fs::path folder = folder_ / fs::path(u8"\u041F\u043B\u0430\u0433\u0438\u043D \u63D2\u4EF6");
  const std::string exePath = Install(folder);
  mlUtf8String output;
  const OperationResult result = Run(exePath, output);
  EXPECT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_EQ(shown_, "");
  EXPECT_EQ(output, mlUtf8String("json:{}\n"));
  EXPECT_EQ(Ran(), folder / "Orbisk.exe");
}

using Spawning = CompanionTest;

struct Calls {
  int started = 0;
  int idle = 0;
  std::string errors;
};

void RecordError(void* user, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  static_cast<Calls*>(user)->errors += text;
}

TEST_F(Spawning, ReturnsTheExitCodeAndCallsBackWhileWaiting) {
  Plan({"out partial", "sleep 300", "out \\n", "exit 7"});
  Calls calls;
  SpawnParams params;
  params.errorUser = &calls;
  params.errorCallback = &RecordError;
  // The request line goes through context-free callbacks here: the user pointer carries the count.
  params.onStarted = [](SpawnParams& p) {
    ++static_cast<Calls*>(p.errorUser)->started;
    EXPECT_NE(p.processId, 0u);
    EXPECT_NE(p.stdinWrite, kNoSpawnHandle);
    EXPECT_EQ(WriteToChild(p, "\n", 1), 0u);
  };
  params.onIdle = [](SpawnParams& p) { ++static_cast<Calls*>(p.errorUser)->idle; };
  mlUtf8String output;
  EXPECT_EQ(SpawnCompanion(output, params), 7u);
  EXPECT_EQ(output, mlUtf8String("partial\n"));
  EXPECT_EQ(calls.started, 1);
  // 300 ms of waiting in 50 ms steps.
  EXPECT_GE(calls.idle, 3);
  EXPECT_EQ(calls.errors, "");
}

TEST_F(Spawning, ProgramThatCannotStartGivesTheSystemError) {
  Calls calls;
  SpawnParams params;
  params.errorUser = &calls;
  params.errorCallback = &RecordError;
  params.onStarted = [](SpawnParams& p) { ++static_cast<Calls*>(p.errorUser)->started; };
  mlUtf8String output("stale");
  const std::string missing = Utf8(File("missing") / "NoSuchProgram.exe");
  EXPECT_EQ(
      ::Run(mlUtf8String(), mlUtf8String(missing + " -popup"), SpawnEnvironment(), output, params),
      popup_test::kFileNotFound);
  EXPECT_EQ(output, mlUtf8String(""));
  EXPECT_EQ(calls.started, 0);
  EXPECT_EQ(calls.errors.rfind(std::string("Spawn(): ") + popup_test::kCreateProcessCall +
                                   " failed. Error " + std::to_string(popup_test::kFileNotFound) +
                                   ". Current directory: ",
                               0),
            0u)
      << calls.errors;
}

TEST_F(Spawning, CharacterSplitBetweenTwoReadsArrivesBroken) {
  // U+20AC is E2 82 AC in UTF-8: its first two bytes are read on their own.
  Plan({"out A\\xE2\\x82", "sleep 300", "out \\xACB\\n", "out whole: \\xE2\\x82\\xAC\\n"});
  if (!popup_test::InConsoleElseRerun()) return;
  SpawnParams params;
  mlUtf8String output;
  EXPECT_EQ(SpawnCompanion(output, params), 0u);
  const std::string& text = output.Bytes();
  const std::string euro = "\xE2\x82\xAC", replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(text.rfind("A" + replacement, 0), 0u) << text;
  EXPECT_EQ(text.find(euro), text.find("whole: ") + 7) << text;
  EXPECT_NE(text.find(replacement + "B\n"), std::string::npos) << text;
}

}  // namespace
