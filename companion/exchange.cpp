#include <fstream>

#include "companion/system.h"

namespace {

// The transcript's file, read with the request; empty: none.
std::string g_transcript;

void Transcribe(const std::string& label, const std::string& bytes) {
  if (g_transcript.empty()) return;
  std::ofstream file(g_transcript, std::ios::binary | std::ios::app);
  file << label << bytes;
}

}  // namespace

std::string ReadRequest() {
  std::string request;
  char byte = 0;
  while (ReadInputByte(byte)) {
    request += byte;
    if (byte == '\n') break;
  }
  g_transcript = EnvironmentVariable("ORBISK_TRANSCRIPT");
  Transcribe("received: ", request);
  return request;
}

void Say(const std::string& bytes) {
  WriteOutput(bytes);
  Transcribe("sent: ", bytes);
}
