#pragma once
// RegKey: one open registry key handle, closed exactly once by its owner.
// import and export use it for the raw typed registry calls that the
// registry class does not offer (types other than its four kinds). Below
// it: the root key and subkey that a registry class path names.
#include <optional>
#include <string>
#include <string_view>

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
  RegKey& operator=(RegKey&& other) noexcept;

  // Each returns the registry's result code; on failure no key is held.
  // An empty subKey opens a new handle to parent itself.
  LONG Open(HKEY parent, const std::string& subKey, REGSAM access);
  LONG Create(HKEY parent, const std::string& subKey, REGSAM access);

  HKEY Handle() const { return handle_; }
  void Close();

 private:
  HKEY handle_ = nullptr;
};

// The root key of a name as the registry class spells it, in any letter
// case ("hkey_current_user"); nullptr for any other name.
HKEY RootKeyNamed(std::string_view name);

// An absolute key path in the registry class's syntax
// ("\HKEY_CURRENT_USER\Software"), split for the registry functions.
struct KeyPath {
  HKEY root = nullptr;
  std::string rootName;  // as the path spells it
  std::string subKey;    // "" for the root itself
};

// Blanks around the path and one backslash at either end are left out.
// Nothing when the path does not begin with one of the roots.
std::optional<KeyPath> ResolveKeyPath(std::string_view path);
