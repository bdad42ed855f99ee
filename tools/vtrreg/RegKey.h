#pragma once
// RegKey: one open registry key handle, closed exactly once by its owner.
// import and export use it for the raw typed registry calls that the
// registry class does not offer (types other than its four kinds).
#include <string>

#include "platform/modAPI.h"

class RegKey {
 public:
  RegKey() = default;
  ~RegKey() { Close(); }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  RegKey& operator=(RegKey&& other) noexcept;

  // Each returns the registry's result code; on failure no key is held.
  // An empty subKey opens a new handle to parent itself.
  LONG Open(HKEY parent, const std::string& subKey, REGSAM access);
  LONG Create(HKEY parent, const std::string& subKey, REGSAM access);

  HKEY Handle() const { return handle_; }
  bool IsOpen() const { return handle_ != nullptr; }
  void Close();

 private:
  HKEY handle_ = nullptr;
};
