// Simple (one code point to one code point) lower-case mapping, without locale.
#pragma once

/// The lower-case form of one code point; code points without one come back unchanged.
char32_t LowerCodePoint(char32_t c);

/// Where LowerCodePoint's mapping comes from: "icu" when ICU's u_tolower is used, "system" for the
/// operating system's own per-character lower-casing.
const char* LowerCaseSource();
