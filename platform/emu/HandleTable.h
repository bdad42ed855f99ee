#pragma once
// The process's table of open key handles, and the predefined roots.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/emu/StoreSchema.h"
#include "platform/modAPI.h"

namespace emu {

// One open handle: its key, the access it was opened with, and the sorted
// listings it has enumerated, kept while the key's generation holds.
struct KeyHandle {
  int64_t keyId = 0;
  REGSAM access = 0;
  size_t depth = 0;  // levels below the root: keys never move, so it holds
  int64_t subKeyGeneration = -1;
  std::vector<int64_t> subKeyIds;  // in case-insensitive name order
  int64_t valueGeneration = -1;
  std::vector<int64_t> valueIds;  // in creation order
};

// The index of a predefined key (HKEY_CLASSES_ROOT 0 ... HKEY_DYN_DATA 6),
// or -1 for any other handle value.
int PredefinedIndex(HKEY key);
inline bool IsPredefinedKey(HKEY key) { return PredefinedIndex(key) >= 0; }

class HandleTable {
 public:
  // The handle of an open key; nullptr for one that is not (or no longer) open.
  KeyHandle* Find(HKEY key);
  // The predefined root of that index: on key `keyId` of the store just
  // opened, with every right.
  void SetRoot(size_t index, int64_t keyId);
  KeyHandle* Root(size_t index) { return &roots_[index]; }
  HKEY Add(int64_t keyId, REGSAM access, size_t depth);
  bool Remove(HKEY key);
  size_t size() const { return handles_.size(); }
  // Forgets every handle and what the roots kept.
  void Clear();
  // The store's file was replaced: every open handle names a key of the
  // file that is gone (key id 0, which no key has: each call on it answers
  // ERROR_KEY_DELETED until it is closed), and the roots forget what they kept.
  void Orphan();

 private:
  // Handle values are multiples of 4 below the predefined roots, handed out
  // in turn and not reused until the counter wraps, so that a closed handle
  // stays invalid rather than naming someone else's key.
  static constexpr uint32_t kFirstHandle = 0x100;
  static constexpr uint32_t kLastHandle = 0x7FFFFFFC;
  std::unordered_map<uint32_t, KeyHandle> handles_;  // nodes: a handle never moves
  uint32_t next_ = kFirstHandle;
  KeyHandle roots_[kRootCount];
};

}  // namespace emu
