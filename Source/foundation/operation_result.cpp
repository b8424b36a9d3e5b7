#include "foundation/operation_result.h"

#include <algorithm>
#include <cstring>

OperationResult OperationResult::Failure(const mlUtf8String& message) {
  OperationResult result;
  result.failed = true;
  std::memcpy(result.message, message.CStr(), std::min(message.ByteSize(), kMessageSize));
  return result;
}

mlUtf8String OperationResult::Message() const {
  const char* end = std::find(message, message + kMessageSize, '\0');
  return mlUtf8String(message, static_cast<std::size_t>(end - message));
}
