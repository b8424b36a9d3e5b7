// Lower-casing through the ICU library linked into the build.
#include "foundation/case_mapping.h"

#include <unicode/uchar.h>

#include "foundation/loader_lock.h"

namespace {

thread_local bool tUnderLoaderLock = false;

}  // namespace

// ICU is linked in here: lower-casing loads nothing, so the scope changes nothing.
LoaderLockScope::LoaderLockScope() : previous_(tUnderLoaderLock) { tUnderLoaderLock = true; }
LoaderLockScope::~LoaderLockScope() { tUnderLoaderLock = previous_ != 0; }
bool UnderLoaderLock() { return tUnderLoaderLock; }

char32_t LowerCodePoint(char32_t c) {
  return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

const char* LowerCaseSource() { return "icu"; }
