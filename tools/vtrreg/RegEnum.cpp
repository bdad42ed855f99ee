#include "tools/vtrreg/RegEnum.h"

#include <algorithm>

namespace {

// Key names are at most 255 characters; their ANSI form may take more bytes.
constexpr size_t kFirstNameBuffer = 256 + 1;
constexpr size_t kLargestNameBuffer = 65536;

}  // namespace

LONG SubKeyNameAt(HKEY key, DWORD index, std::vector<char>& buffer, std::string& name) {
  if (buffer.size() < kFirstNameBuffer) buffer.resize(kFirstNameBuffer);
  while (true) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LONG result = RegEnumKeyExA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA && buffer.size() < kLargestNameBuffer) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (result == ERROR_SUCCESS) name.assign(buffer.data(), length);
    return result;
  }
}

LONG EnumSubKeys(HKEY key, std::vector<std::string>& names) {
  names.clear();
  std::vector<char> buffer;
  std::string name;
  for (DWORD index = 0;; ++index) {
    const LONG result = SubKeyNameAt(key, index, buffer, name);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) return result;
    names.push_back(name);
  }
}

LONG EnumValues(HKEY key, std::vector<RawValue>& values) {
  values.clear();
  DWORD maxName = 0, maxData = 0;
  LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                                 &maxData, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  // Windows counts the longest name in UTF-16 units; its ANSI form may take
  // up to two bytes a unit.
  std::vector<char> name(std::max<size_t>(256, 2 * static_cast<size_t>(maxName) + 2));
  std::vector<uint8_t> data(std::max<size_t>(1, maxData));
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataLength = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    result = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result == ERROR_MORE_DATA) {
      // Grown meanwhile: make room and ask for the same index again.
      if (name.size() >= kLargestNameBuffer && dataLength <= data.size()) return result;
      if (name.size() < kLargestNameBuffer) name.resize(name.size() * 2);
      data.resize(std::max<size_t>(data.size() * 2, dataLength));
      continue;
    }
    if (result != ERROR_SUCCESS) return result;
    values.push_back({std::string(name.data(), nameLength), type,
                      std::vector<uint8_t>(data.begin(), data.begin() + std::min<size_t>(dataLength, data.size()))});
    ++index;
  }
}
