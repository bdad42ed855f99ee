#pragma once
// The subkeys and values of an open key, listed through the registry
// functions with the registry's own spelling and every value type.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/modAPI.h"

// The name of the subkey at `index` into `name`, with `buffer` grown as a
// long name needs (and kept for the next call). The registry's result code.
LONG SubKeyNameAt(HKEY key, DWORD index, std::vector<char>& buffer, std::string& name);

// Subkey names in the registry's order and spelling.
LONG EnumSubKeys(HKEY key, std::vector<std::string>& names);

struct RawValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// Every value of a key with its type and all its bytes, in the registry's order.
LONG EnumValues(HKEY key, std::vector<RawValue>& values);
