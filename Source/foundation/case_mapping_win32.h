// Windows only: finding u_tolower in an ICU library loaded at run time.
#pragma once

#include <cstdint>

using IcuToLower = std::int32_t (*)(std::int32_t);

/// u_tolower of the named library, or null when the library or the function is missing. With
/// systemOnly, the library is looked for in the system folder alone. A library that has the
/// function stays loaded.
IcuToLower LoadIcuToLower(const wchar_t* library, bool systemOnly);
