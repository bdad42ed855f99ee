#pragma once
// Direct registry access for the tests, the one copy: set up values and
// check what the product stored, without going through the product itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/modAPI.h"
#include "tests/RegistryTestSupport.h"

namespace rawreg {

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> bytes;
};

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A REG_SZ value's bytes: the text and its terminating zero.
inline std::vector<uint8_t> Sz(const std::string& text) { return Bytes(text + '\0'); }

inline bool KeyExists(HKEY root, const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The key, made with every level that is missing (the last of the class given).
inline HKEY Created(HKEY root, const std::string& subKey, const std::string& className = "",
                    DWORD* disposition = nullptr) {
  HKEY key = nullptr;
  LPSTR keyClass = className.empty() ? nullptr : const_cast<LPSTR>(className.c_str());
  EXPECT_EQ(RegCreateKeyExA(root, subKey.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key, disposition),
            ERROR_SUCCESS)
      << subKey;
  return key;
}

inline void CreateKey(HKEY root, const std::string& subKey, const std::string& className = "") {
  RegCloseKey(Created(root, subKey, className));
}

// The registry's own answer, for tests that check it and for child
// processes, where no assertion may stop the test. The key is made as needed.
inline LONG WriteValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                       const std::vector<uint8_t>& bytes) {
  // For string types Windows looks at the byte after the data and counts a
  // terminating zero there as part of the value: put a non-zero byte there so
  // that exactly the bytes given are stored.
  std::vector<uint8_t> guarded(bytes);
  guarded.push_back(0x5A);
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExA(key, name.c_str(), 0, type, guarded.data(), static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return result;
}

inline void SetValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                     const std::vector<uint8_t>& bytes) {
  EXPECT_EQ(WriteValue(root, subKey, name, type, bytes), ERROR_SUCCESS) << subKey << " " << name;
}

// The registry's answer, and the value when it is 0.
inline LONG QueryValue(HKEY root, const std::string& subKey, const std::string& name, RawValue& value) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) return result;
  DWORD size = 0;
  result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    value.bytes.resize(size);
    result = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(size);
  }
  RegCloseKey(key);
  return result;
}

inline std::optional<RawValue> GetValue(HKEY root, const std::string& subKey, const std::string& name) {
  RawValue value;
  if (QueryValue(root, subKey, name, value) != ERROR_SUCCESS) return std::nullopt;
  return value;
}

// A string value as a program reading it as a C string sees it: up to its first zero.
inline std::string Text(const RawValue& value) {
  return std::string(value.bytes.begin(), std::find(value.bytes.begin(), value.bytes.end(), 0));
}

inline std::optional<std::string> GetString(HKEY root, const std::string& subKey, const std::string& name) {
  const std::optional<RawValue> value = GetValue(root, subKey, name);
  return value ? std::optional(Text(*value)) : std::nullopt;
}

inline void SetString(HKEY root, const std::string& subKey, const std::string& name, const std::string& text) {
  SetValue(root, subKey, name, REG_SZ, Sz(text));
}

// A missing key or value is no error.
inline void DeleteValue(HKEY root, const std::string& subKey, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

}  // namespace rawreg
