// The outcome of an operation that runs outside the host's commands and can fail: a flag pair and
// a fixed-size message, so it can be passed by value and kept without owning memory.
#pragma once

#include "foundation/utf8_string.h"

struct OperationResult {
  static constexpr std::size_t kMessageSize = 256;

  bool failed = false;
  bool warning = false;
  char message[kMessageSize] = {};  // NUL-filled; a message of 256 bytes or more has no NUL

  static OperationResult Success() { return {}; }
  /// Failed, with the first 256 bytes of the message.
  static OperationResult Failure(const mlUtf8String& message);

  /// The message text, up to its first NUL or the 256 bytes.
  mlUtf8String Message() const;
};
