// Stands in for the system's icu.dll: a u_tolower whose results cannot be mistaken for real ones.
#include <cstdint>

extern "C" std::int32_t u_tolower(std::int32_t c) { return c + ('a' - 'A') + 1000; }
