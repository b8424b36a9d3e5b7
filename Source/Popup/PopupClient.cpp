#include "Popup/PopupClient.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Popup/process_spawn.h"
#include "Popup/window_handling.h"
#include "diagnostics/logger.h"

namespace {

std::string WriteCompact(const JsonDocument::Document& document) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

void WritePayload(SpawnParams& params) {
  const std::string& payload = params.context->payload;
  WriteToChild(params, payload.data(), static_cast<std::uint32_t>(payload.size()));
}

}  // namespace

JsonDocument::JsonDocument()
    : allocator_(kPoolChunkSize), document_(&allocator_, kParseStackSize) {}

bool JsonDocument::Parse(const mlUtf8String& text) {
  text_ = text;
  text_.RemoveAll('\n');
  text_.RemoveAll('\r');
  text_.RemoveAll('\t');
  if (text_.ByteSize() > kMaxTextBytes) {
    document_.SetNull();
    return false;
  }
  // Iterative: the same result as the default recursive parse on every valid document, but the
  // nesting depth of the companion's answer costs heap, not the host thread's stack.
  document_.Parse<rapidjson::kParseIterativeFlag>(text_.CStr(), text_.ByteSize());
  return !document_.HasParseError();
}

std::string BuildHostSettingsJson(std::int32_t host, std::int32_t plugin, std::int32_t tab) {
  JsonDocument json;
  JsonDocument::Document& document = json.Get();
  auto& allocator = document.GetAllocator();
  document.SetObject();
  document.AddMember("popup", "HostSettings", allocator);
  document.AddMember("host", host, allocator);
  document.AddMember("plugin", plugin, allocator);
  document.AddMember("tab", tab, allocator);
  return WriteCompact(document);
}

std::string PreparePopupInput(const std::string& jsonText) {
  JsonDocument json;
  JsonDocument::Document& document = json.Get();
  document.Parse(jsonText.c_str(), jsonText.size());
  const auto owner =
      static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(FindHostMainWindow()));
  document.AddMember("owner", owner, document.GetAllocator());
  // The companion reads up to the line feed: its input stays open while it runs.
  return WriteCompact(document) + "\n";
}

OperationResult RunPopup(const std::string& caption, const std::string& exePath,
                         const std::string& jsonText, JsonDocument& answer) {
  SpawnContext context;
  context.payload = PreparePopupInput(jsonText);
  SpawnParams params;
  params.context = &context;
  params.flags = kPopupSpawnFlags;
  params.x = params.y = -32768;
  params.onStarted = &WritePayload;
  params.onMessages = &PumpPopupMessages;
  params.onIdle = &KeepCompanionInFront;

  mlUtf8String stdOut;
  OperationResult result = RunCompanion(caption, exePath, "-popup", stdOut, params);
  if (!result.failed) result = ParseStdOutResult(stdOut, answer);
  CloseCompanionProcess(context);
  return result;
}

OperationResult ParseStdOutResult(const mlUtf8String& stdOut, JsonDocument& answer) {
  const std::string& text = stdOut.Bytes();
  std::string line;
  bool found = false;
  for (std::size_t start = 0; start <= text.size() && !found;) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    line = text.substr(start, end - start);
    start = end + 1;
    // A line shorter than the prefix is skipped; so is one that holds it further in.
    found = mlUtf8String(line).Length() >= 5 && line.find("json:") == 0;
    if (end == text.size()) break;
  }
  if (!found) return OperationResult::Failure("Json prefix not found in stdOut");

  mlUtf8String answerLine(line);
  answerLine.RemoveAll('\r');
  answerLine.RemoveAll('\n');
  const mlUtf8String answerText = answerLine.Substr(5);
  if (!answer.Parse(answerText)) {
    Logger& logger = TheLogger();
    if (logger.IsEnabled(LogLevel::ERR)) {
      logger.Log("Json StdOut Impossible to parse : " + answerText, LogLevel::ERR, __FILE__,
                 "ParseStdOutResult");
    }
    return OperationResult::Failure("Json StdOut Impossible to Parse !");
  }
  return OperationResult::Success();
}

void ShowSettingsPopup(std::int32_t host, std::int32_t plugin, std::int32_t tab) {
  const std::string json = BuildHostSettingsJson(host, plugin, tab);
  const std::string exePath = LocateCompanion(kCompanionFileName, kCompanionDefaultPath);
  JsonDocument answer;
  RunPopup(kCompanionCaption, exePath, json, answer);
}
