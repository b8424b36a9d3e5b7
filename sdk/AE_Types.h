// Basic types of the host SDK, with fixed widths so that the native build has the same layouts
// as the 64-bit Windows hosts (LLP64: long is 32 bits).
#pragma once
#include <cstddef>
#include <cstdint>

typedef char A_char;
typedef unsigned char A_u_char;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int64_t A_longlong;
typedef uint64_t A_u_longlong;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;
typedef A_long A_Err;
typedef uint16_t A_UTF16Char;
typedef A_u_longlong A_HandleSize;
typedef void* A_Handle;

struct A_Time {
  A_long value;
  A_u_long scale;
};

struct A_Ratio {
  A_long num;
  A_u_long den;
};

struct A_FloatRect {
  A_FpLong left, top, right, bottom;
};

struct A_Matrix4 {
  A_FpLong mat[4][4];
};

enum : A_Err {
  A_Err_NONE = 0,
  A_Err_GENERIC = 1,
  A_Err_STRUCT = 2,
  A_Err_PARAMETER = 3,
  A_Err_ALLOC = 4,
  A_Err_WRONG_THREAD = 5,
  A_Err_CONST_PROJECT_MODIFICATION = 6,
  A_Err_MISSING_SUITE = 13,
};

// The basic suite through which every other suite is acquired by name and version.
typedef int32_t SPErr;
typedef int32_t SPBoolean;
typedef int32_t int32;

struct SPBasicSuite {
  SPErr (*AcquireSuite)(const char* name, int32 version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32 version);
  SPBoolean (*IsEqual)(const char* token1, const char* token2);
  SPErr (*AllocateBlock)(size_t size, void** block);
  SPErr (*FreeBlock)(void* block);
  SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
  SPErr (*Undefined)(void);
};

#define kSPNoError 0
