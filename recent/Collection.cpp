#include "recent/Collection.h"

#include <algorithm>
#include <limits>

#include "platform/Strings.h"
#include "registry/ErrObject.h"

namespace {
const char kSource[] = "VtrSysTray";
}

size_t Collection::Position(int16_t Index) const {
  if (Index < 1 || static_cast<size_t>(Index) > entries_.size())
    throw ErrObject(SubscriptError, kSource, "Subscript out of range");
  return static_cast<size_t>(Index) - 1;
}

void Collection::Add(const std::string& Item, const std::optional<std::string>& Key,
                     std::optional<int16_t> Before) {
  // Positions are 16-bit: the list cannot grow past the largest one.
  if (entries_.size() >= static_cast<size_t>(std::numeric_limits<int16_t>::max()))
    throw ErrObject(SubscriptError, kSource, "Subscript out of range");
  Entry entry{Item, std::nullopt};
  if (Key) {
    entry.Key = LCase(*Key);
    const bool taken = std::any_of(entries_.begin(), entries_.end(),
                                   [&](const Entry& e) { return e.Key == entry.Key; });
    if (taken)
      throw ErrObject(DuplicateKeyError, kSource,
                      "This key is already associated with an element of this collection.");
  }
  const size_t at = Before ? Position(*Before) : entries_.size();
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

void Collection::Remove(int16_t Index) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Position(Index)));
}

const std::string& Collection::Item(int16_t Index) const { return entries_[Position(Index)].Item; }
