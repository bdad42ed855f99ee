#pragma once
// clsRegKey: one open registry key handle, closed exactly once by its owner.
// import and export use it for the raw typed registry calls that the
// registry class does not offer (types other than its four kinds).
#include <string>

#include "platform/modAPI.h"

class clsRegKey {
 public:
  clsRegKey() = default;
  ~clsRegKey() { Close(); }
  clsRegKey(const clsRegKey&) = delete;
  clsRegKey& operator=(const clsRegKey&) = delete;
  clsRegKey(clsRegKey&& other) noexcept : hKey(other.hKey) { other.hKey = nullptr; }
  clsRegKey& operator=(clsRegKey&& other) noexcept;

  // Each returns the registry's result code; on failure no key is held.
  // An empty strSubKey opens a new handle to hParent itself.
  LONG Open(HKEY hParent, const std::string& strSubKey, REGSAM lngAccess);
  LONG Create(HKEY hParent, const std::string& strSubKey, REGSAM lngAccess);

  HKEY Handle() const { return hKey; }
  bool IsOpen() const { return hKey != nullptr; }
  void Close();

 private:
  HKEY hKey = nullptr;
};
