#include "platform/emu/HandleTable.h"

namespace emu {
namespace {

constexpr uint32_t kRootBase = 0x80000000u;

uint32_t ValueOf(HKEY key) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key)); }

}  // namespace

int PredefinedIndex(HKEY key) {
  const uint32_t value = ValueOf(key);
  return value >= kRootBase && value < kRootBase + kRootCount ? static_cast<int>(value - kRootBase) : -1;
}

KeyHandle* HandleTable::Find(HKEY key) {
  const auto found = handles_.find(ValueOf(key));
  return found == handles_.end() ? nullptr : &found->second;
}

void HandleTable::SetRoot(size_t index, int64_t keyId) {
  roots_[index].keyId = keyId;
  roots_[index].access = KEY_ALL_ACCESS;
}

HKEY HandleTable::Add(int64_t keyId, REGSAM access, size_t depth) {
  const auto advance = [this] { next_ = next_ >= kLastHandle ? kFirstHandle : next_ + 4; };
  while (handles_.count(next_) != 0) advance();
  const uint32_t value = next_;
  advance();
  KeyHandle& handle = handles_[value];
  handle.keyId = keyId;
  handle.access = access;
  handle.depth = depth;
  return reinterpret_cast<HKEY>(static_cast<uintptr_t>(value));
}

bool HandleTable::Remove(HKEY key) { return handles_.erase(ValueOf(key)) != 0; }

void HandleTable::Clear() {
  handles_.clear();
  for (KeyHandle& root : roots_) root = KeyHandle();
}

void HandleTable::Orphan() {
  for (auto& [value, handle] : handles_) {
    const REGSAM access = handle.access;
    const size_t depth = handle.depth;
    handle = KeyHandle();
    handle.access = access;
    handle.depth = depth;
  }
  for (KeyHandle& root : roots_) root = KeyHandle();
}

}  // namespace emu
