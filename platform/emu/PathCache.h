#pragma once
// The subkey paths this process has walked, and the keys they led to. Keys
// never move and a key with subkeys cannot be deleted, so as long as the key
// found still exists, the path still leads to it: a remembered path is
// checked by one lookup of that key's id instead of a lookup per name.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace emu {

class PathCache {
 public:
  // The key `names` led to from `startId` when last walked; 0 when unknown.
  int64_t Find(int64_t startId, const std::vector<std::string_view>& names);
  void Remember(int64_t startId, const std::vector<std::string_view>& names, int64_t keyId);
  void Forget(int64_t startId, const std::vector<std::string_view>& names);
  void Clear() { entries_.clear(); }

 private:
  // The entry's name, built in a buffer kept from call to call: the start
  // key's id, then the names case-folded, each after a backslash (a name
  // holds none).
  const std::string& KeyOf(int64_t startId, const std::vector<std::string_view>& names);

  static constexpr size_t kCapacity = 1024;  // then forgotten all at once
  std::string key_;
  std::unordered_map<std::string, int64_t> entries_;
};

}  // namespace emu
