#include "platform/emu/PathCache.h"

#include "platform/Strings.h"

namespace emu {

const std::string& PathCache::KeyOf(int64_t startId, const std::vector<std::string_view>& names) {
  key_.assign(reinterpret_cast<const char*>(&startId), sizeof startId);
  for (std::string_view name : names) {
    key_ += '\\';
    for (char c : name) key_ += AsciiUpper(c);
  }
  return key_;
}

int64_t PathCache::Find(int64_t startId, const std::vector<std::string_view>& names) {
  const auto found = entries_.find(KeyOf(startId, names));
  return found == entries_.end() ? 0 : found->second;
}

void PathCache::Remember(int64_t startId, const std::vector<std::string_view>& names, int64_t keyId) {
  if (entries_.size() >= kCapacity) entries_.clear();
  entries_[KeyOf(startId, names)] = keyId;
}

void PathCache::Forget(int64_t startId, const std::vector<std::string_view>& names) {
  entries_.erase(KeyOf(startId, names));
}

}  // namespace emu
