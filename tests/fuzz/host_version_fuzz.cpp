// Host names and version texts as hosts pass them at registration, and the rule applied to them.
#include "fuzz_input.h"
#include "host/compat_gate.h"
#include "host/host_detection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint16_t windows = in.Take<uint16_t>();
  const std::string text = in.Rest();
  const size_t split = text.find('\0');
  const std::string name = text.substr(0, split);
  const std::string version = split == std::string::npos ? "" : text.substr(split + 1);

  const HostApp host = HostFromName(name.c_str());
  HostVersion parsed{-7, -7};
  if (ParseHostVersion(version.c_str(), parsed)) {
    // What was read reads back the same from its plain form.
    const std::string plain = std::to_string(parsed.major) + "." + std::to_string(parsed.minor);
    HostVersion again{};
    FUZZ_CHECK(ParseHostVersion(plain.c_str(), again));
    FUZZ_CHECK(again.major == parsed.major && again.minor == parsed.minor);
  } else {
    FUZZ_CHECK(parsed.major == -7 && parsed.minor == -7);  // untouched
  }
  HostSupported(windows, host, parsed);
  return 0;
}
