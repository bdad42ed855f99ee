#include "tools/vtrreg/RegKey.h"

#include "platform/RegPath.h"
#include "platform/Strings.h"
#include "registry/clsEasyRegistry.h"

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

LONG RegKey::Open(HKEY parent, const std::string& subKey, REGSAM access) {
  Close();
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(parent, subKey.c_str(), 0, access, &opened);
  if (result == ERROR_SUCCESS) handle_ = opened;
  return result;
}

LONG RegKey::Create(HKEY parent, const std::string& subKey, REGSAM access) {
  // Creating "" would hand back the parent itself; opening says the same
  // without asking for a key to be made.
  if (subKey.empty()) return Open(parent, subKey, access);
  Close();
  char keyClass[1] = {'\0'};
  HKEY created = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(parent, subKey.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE,
                                      access, nullptr, &created, &disposition);
  if (result == ERROR_SUCCESS) handle_ = created;
  return result;
}

void RegKey::Close() {
  if (handle_ != nullptr) {
    RegCloseKey(handle_);
    handle_ = nullptr;
  }
}

HKEY RootKeyNamed(std::string_view name) { return clsEasyRegistry::RootKey(UCaseAscii(std::string(name))); }

std::optional<KeyPath> ResolveKeyPath(std::string_view path) {
  path = TrimBlanksRight(TrimBlanksLeft(path));
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  const RegPathParts parts = SplitRootPath(path);
  const HKEY root = RootKeyNamed(parts.root);
  if (root == nullptr) return std::nullopt;
  return KeyPath{root, std::string(parts.root), std::string(parts.subKey)};
}
