#pragma once
// RegKey: one open registry key handle, the program's one owner of a key.
// The owner closes it exactly once: through Close, which gives back the
// registry's result for a caller that checks it, by moving another key in,
// or silently when the owner goes.
#include <string>

#include "platform/modAPI.h"

class RegKey {
 public:
  // What a walk over keys and their values asks for.
  static constexpr REGSAM ReadAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

  RegKey() = default;
  ~RegKey() { Close(); }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  // Closes the key held before, without looking at the result.
  RegKey& operator=(RegKey&& other) noexcept;

  // Each closes the key held before, then returns the registry's result
  // code; on failure no key is held. A null or empty subKey opens a new
  // handle to parent itself.
  LONG Open(HKEY parent, const char* subKey, REGSAM access);
  LONG Open(HKEY parent, const std::string& subKey, REGSAM access) { return Open(parent, subKey.c_str(), access); }
  // A key of no class, kept over a restart; security may be null.
  LONG Create(HKEY parent, const std::string& subKey, REGSAM access, SECURITY_ATTRIBUTES* security = nullptr);

  HKEY Handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // RegCloseKey's result; ERROR_SUCCESS when no key was held. Either way no
  // key is held after it.
  LONG Close();

 private:
  HKEY handle_ = nullptr;
};
