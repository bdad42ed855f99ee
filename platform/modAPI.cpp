// Compile-time checks that the declarations in modAPI.h have the layout of
// Windows' own, on every platform the program is built for.
#include "platform/modAPI.h"

#include <cstdint>

static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4, "registry result codes and sizes are 32 bits");
static_assert(sizeof(OSVERSIONINFOA) == 148, "GetVersionExA is given a 148-byte record");
static_assert(sizeof(FILETIME) == 8, "RegQueryInfoKeyA and RegEnumKeyExA write an 8-byte time");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12, "RegCreateKeyExA reads a 12-byte record in the 32-bit program");
#endif
