// The plug-in's side of the settings pop-up: one JSON line to the companion application on its
// standard input, one "json:" line back on its standard output.
#pragma once

#include <cstdint>
#include <string>

#include <rapidjson/document.h>

#include "foundation/operation_result.h"
#include "foundation/utf8_string.h"

/// A parsed JSON document with its own pooled allocator and the text it was last parsed from.
class JsonDocument {
 public:
  static constexpr std::size_t kPoolChunkSize = 64 * 1024;
  static constexpr std::size_t kParseStackSize = 1024;
  /// Longer texts are refused unparsed: an answer is a few hundred bytes.
  static constexpr std::size_t kMaxTextBytes = 1 << 20;
  using Document = rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<>>;

  JsonDocument();
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  /// Keeps a copy of the text without line feeds, carriage returns and tabs, and parses it in
  /// place of the former content. False on a parse error or a text over kMaxTextBytes.
  bool Parse(const mlUtf8String& text);

  Document& Get() { return document_; }
  const Document& Get() const { return document_; }
  const mlUtf8String& Text() const { return text_; }

 private:
  rapidjson::MemoryPoolAllocator<> allocator_;
  Document document_;
  mlUtf8String text_;
};

/// Runs the companion's settings pop-up and waits until it closes; failures stay inside.
void ShowSettingsPopup(std::int32_t host, std::int32_t plugin, std::int32_t tab);

/// {"popup":"HostSettings","host":..,"plugin":..,"tab":..}, compact, without a line feed.
std::string BuildHostSettingsJson(std::int32_t host, std::int32_t plugin, std::int32_t tab);

/// The request with the "owner" member (the host's main window as a number, 0 for none) and the
/// closing line feed: the line written to the companion's standard input.
std::string PreparePopupInput(const std::string& jsonText);

/// Starts the companion at exePath with "-popup", hands it the request and parses its answer.
OperationResult RunPopup(const std::string& caption, const std::string& exePath,
                         const std::string& jsonText, JsonDocument& answer);

/// Finds the first line starting with "json:" and parses the rest of it into answer.
OperationResult ParseStdOutResult(const mlUtf8String& stdOut, JsonDocument& answer);

/// Where the pop-up looks for the companion when it is not beside the plug-in.
inline constexpr char kCompanionFileName[] = "Orbisk.exe";
inline constexpr char kCompanionDefaultPath[] =
    "c:\\Program Files\\Adobe\\Common\\Plug-ins\\7.0\\MediaCore\\Mirelune Orbisk\\Orbisk.exe";
inline constexpr char kCompanionCaption[] = "Orbisk";
/// The flag word of the pop-up's spawn: pump messages, wake on any input (QS_ALLINPUT), place the
/// window (off-screen; the companion positions its dialog itself).
inline constexpr std::uint64_t kPopupSpawnFlags = 0x473FE;
