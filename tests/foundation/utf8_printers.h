// Readable test failure messages for the UTF-8 types: their bytes as text.
#pragma once

#include <ostream>

#include "foundation/utf8_string.h"

inline void PrintTo(const mlUtf8String& text, std::ostream* out) {
  *out << '"' << text.Bytes() << '"';
}

inline void PrintTo(const mlUtf8Char& c, std::ostream* out) { *out << '\'' << c.Bytes() << '\''; }
