// Lower-casing through the ICU library linked into the build.
#include "foundation/case_mapping.h"

#include <unicode/uchar.h>

char32_t LowerCodePoint(char32_t c) {
  return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

const char* LowerCaseSource() { return "icu"; }
