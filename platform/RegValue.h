#pragma once
// Writing a registry value so that exactly the given bytes are stored.
#include <cstdint>
#include <vector>

#include "platform/modAPI.h"

// RegSetValueExA for exactly size bytes of data. For string types Windows
// (and the emulation, as Windows does) reads the byte after the data and,
// when it is a zero, stores it too: a string without its NUL would gain one.
// The data is handed over with a non-zero byte of ours behind it.
LONG RegSetValueBytes(HKEY hKey, const char* lpValueName, DWORD dwType, const uint8_t* lpData, DWORD cbData);
