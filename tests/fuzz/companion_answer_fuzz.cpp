// The companion's standard output as the plug-in reads it: any bytes, any nesting, any length.
#include "Popup/PopupClient.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  JsonDocument answer;
  const OperationResult result = ParseStdOutResult(mlUtf8String{in.Rest()}, answer);
  // An answer read is a document; a failure says why.
  FUZZ_CHECK(result.failed == (result.message[0] != '\0'));
  if (!result.failed) FUZZ_CHECK(!answer.Get().HasParseError());
  return 0;
}
