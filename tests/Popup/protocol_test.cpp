// The pop-up's JSON: the request line and the search for the answer in the companion's output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Popup/PopupClient.h"
#include "diagnostics/logger.h"

namespace {

OperationResult Parse(const std::string& stdOut, JsonDocument& answer) {
  return ParseStdOutResult(mlUtf8String(stdOut), answer);
}

// The line as the companion receives it is checked in the spawn tests; here, the number forms.
TEST(PopupRequest, CompactObjectInMemberOrder) {
  EXPECT_EQ(BuildHostSettingsJson(-1, 2147483647, -2147483647 - 1),
            R"({"popup":"HostSettings","host":-1,"plugin":2147483647,"tab":-2147483648})");
}

TEST(PopupAnswer, FirstLineStartingWithThePrefixIsTheAnswer) {
  JsonDocument answer;
  // Short lines, lines with the prefix further in and blank lines are passed over.
  const OperationResult result = Parse(
      "starting up\njson\n\n xjson:{\"skipped\":1}\njson:{\"saved\":true}\njson:[2]\n", answer);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  ASSERT_TRUE(answer.Get().IsObject());
  EXPECT_TRUE(answer.Get()["saved"].GetBool());
}

TEST(PopupAnswer, WindowsLineEndingsAndTabsAreRemovedBeforeParsing) {
  JsonDocument answer;
  const OperationResult result = Parse("json:{\t\"a\":\t1, \"b\": [1, 2]}\r\nafter\r\n", answer);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_EQ(answer.Get()["a"].GetInt(), 1);
  EXPECT_EQ(answer.Text(), mlUtf8String("{\"a\":1, \"b\": [1, 2]}"));
  // The last line needs no line feed.
  EXPECT_FALSE(Parse("other\njson:42", answer).failed);
  EXPECT_EQ(answer.Get().GetInt(), 42);
}

TEST(PopupAnswer, Failures) {
  const struct {
    const char* stdOut;
    const char* message;
  } cases[] = {
      {"", "Json prefix not found in stdOut"},
      {"no answer here\nat all\n", "Json prefix not found in stdOut"},
      {"xjson:{\"a\":1}\n", "Json prefix not found in stdOut"},
      {"JSON:{}\n", "Json prefix not found in stdOut"},
      {"json:\n", "Json StdOut Impossible to Parse !"},
      {"json:{}{}\n", "Json StdOut Impossible to Parse !"},
      {"json:{\"a\":\n", "Json StdOut Impossible to Parse !"},
      // Only the first answer line counts, even when a later one would parse.
      {"json:{broken\njson:{}\n", "Json StdOut Impossible to Parse !"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stdOut);
    JsonDocument answer;
    const OperationResult result = Parse(c.stdOut, answer);
    EXPECT_TRUE(result.failed);
    EXPECT_FALSE(result.warning);
    EXPECT_EQ(result.Message(), mlUtf8String(c.message));
  }
}

TEST(PopupAnswer, DeepNestingParsesWithoutExhaustingTheStackAndHugeAnswersFail) {
  constexpr std::size_t kDepth = 200000;
  JsonDocument answer;
  const OperationResult deep =
      Parse("json:" + std::string(kDepth, '[') + std::string(kDepth, ']') + "\n", answer);
  ASSERT_FALSE(deep.failed) << deep.Message().CStr();
  ASSERT_TRUE(answer.Get().IsArray());
  EXPECT_EQ(answer.Get().Size(), 1u);
  EXPECT_EQ(Parse("json:" + std::string(kDepth, '{') + "\n", answer).Message(),
            mlUtf8String("Json StdOut Impossible to Parse !"));

  // A well-formed answer of several megabytes is refused unparsed.
  const std::string huge = "json:[\"" + std::string(4 << 20, 'x') + "\"]\n";
  EXPECT_EQ(Parse(huge, answer).Message(), mlUtf8String("Json StdOut Impossible to Parse !"));
}

// Only an answer line that does not parse is logged, once, at error level.
TEST(PopupAnswerLog, OnlyAnUnparsableAnswerIsLogged) {
  const LoggerSettings saved = TheLogger().Settings();  // the logger is process-wide
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("tessgrain-popup-log-" + std::to_string(Logger::Now()) + ".txt");
  LoggerSettings settings;
  const std::u8string utf8 = path.u8string();
  settings.filePath = mlUtf8String(std::string(utf8.begin(), utf8.end()));
  settings.fileOutput = true;
  settings.threshold = LogLevel::ERR;
  TheLogger().Configure(settings);
  JsonDocument answer;
  Parse("json:{}\n", answer);
  Parse("nothing\n", answer);
  Parse("json:{\"a\":\t}\r\n", answer);
  TheLogger().Configure(saved);
  std::ostringstream logged;
  logged << std::ifstream(path, std::ios::binary).rdbuf();
  std::filesystem::remove(path);
  const std::string text = logged.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  EXPECT_NE(text.find("|ERR|"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with(
      "|PopupClient    | ParseStdOutResult|Json StdOut Impossible to parse : {\"a\":\t}\n"))
      << text;
}

}  // namespace
