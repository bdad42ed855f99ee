#pragma once
// An ordered list of texts with optional unique keys, positions counted from
// 1. Keys are compared without regard to case and are only ever used to
// refuse a second entry with the same key.
//
// Errors are raised as ErrObject: 457 when a key is taken already, 9 for a
// position outside the list.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Collection {
 public:
  static constexpr int32_t DuplicateKeyError = 457;
  static constexpr int32_t SubscriptError = 9;

  // Appends Item, or inserts it in front of position Before (1 to Count)
  // when Before is given.
  void Add(const std::string& Item, const std::optional<std::string>& Key = std::nullopt,
           std::optional<int16_t> Before = std::nullopt);
  // Removes the entry at Index; the entries behind it move up one position.
  void Remove(int16_t Index);
  int16_t Count() const { return static_cast<int16_t>(entries_.size()); }
  // The text at Index (1 to Count).
  const std::string& Item(int16_t Index) const;

 private:
  struct Entry {
    std::string Item;
    std::optional<std::string> Key;  // lower case
  };
  size_t Position(int16_t Index) const;

  std::vector<Entry> entries_;
};
