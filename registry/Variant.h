#pragma once
// The value handed to a registry write: a text, a number or a byte array,
// the three run-time types that fit a registry value kind ("String",
// "Double", "Byte()"). The registry class checks that the type fits the kind
// the caller names and raises its type error when it doesn't.
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// A byte array, indices from 0. A default-constructed array was never
// allocated: it has no dimension at all, which the registry class refuses.
class ByteArray {
 public:
  ByteArray() = default;
  explicit ByteArray(std::vector<uint8_t> bytes) : data_(std::move(bytes)), allocated_(true) {}

  // The upper bound of a dimension counted from 1 (-1 for an empty array);
  // nothing when there is no such dimension.
  std::optional<int32_t> UBound(int dimension) const {
    if (dimension != 1 || !allocated_) return std::nullopt;
    return static_cast<int32_t>(data_.size()) - 1;
  }
  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  bool allocated_ = false;
};

class Variant {
 public:
  Variant(double number) : value_(number) {}
  Variant(std::string text) : value_(std::move(text)) {}
  Variant(const char* text) : value_(std::string(text == nullptr ? "" : text)) {}
  Variant(ByteArray bytes) : value_(std::move(bytes)) {}
  // An integer or a bool fits no kind: refused here rather than silently
  // turned into a Double.
  template <std::integral T>
  Variant(T) = delete;

  bool IsString() const { return std::holds_alternative<std::string>(value_); }
  bool IsDouble() const { return std::holds_alternative<double>(value_); }
  bool IsByteArray() const { return std::holds_alternative<ByteArray>(value_); }
  const std::string& AsString() const { return std::get<std::string>(value_); }
  double AsDouble() const { return std::get<double>(value_); }
  const ByteArray& AsByteArray() const { return std::get<ByteArray>(value_); }

 private:
  std::variant<double, std::string, ByteArray> value_;
};
