#pragma once
// The value handed to a registry write: one of a few run-time types, of
// which only "String", "Double" and "Byte()" fit a registry value kind. The
// others exist so that a caller can hand over a value of the wrong type and
// get the class's type error rather than a silent conversion.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// A byte array with bounds per dimension, as an array-typed value carries
// them. A default-constructed array was never allocated: it has 0 dimensions.
class ByteArray {
 public:
  struct Bound {
    int32_t lowerBound;
    int32_t elementCount;
  };

  ByteArray() = default;
  // One dimension holding the bytes, indices from lowerBound upward.
  explicit ByteArray(std::vector<uint8_t> bytes, int32_t lowerBound = 0);
  // Any number of dimensions (at least one), filled with zero bytes.
  static ByteArray WithBounds(std::vector<Bound> bounds);

  int16_t Dimensions() const { return static_cast<int16_t>(bounds_.size()); }
  // The upper bound of a dimension counted from 1; nothing when there is no
  // such dimension.
  std::optional<int32_t> UBound(int dimension) const;
  // Every element, the first dimension varying fastest.
  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  std::vector<Bound> bounds_;
  std::vector<uint8_t> data_;
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(int16_t integer) : value_(integer) {}
  Variant(int32_t longValue) : value_(longValue) {}
  Variant(double number) : value_(number) {}
  Variant(std::string text) : value_(std::move(text)) {}
  Variant(const char* text) : value_(std::string(text == nullptr ? "" : text)) {}
  Variant(ByteArray bytes) : value_(std::move(bytes)) {}
  Variant(bool) = delete;  // no Boolean type: keep a bool from turning into a Long

  bool IsString() const { return std::holds_alternative<std::string>(value_); }
  bool IsDouble() const { return std::holds_alternative<double>(value_); }
  bool IsByteArray() const { return std::holds_alternative<ByteArray>(value_); }
  const std::string& AsString() const { return std::get<std::string>(value_); }
  double AsDouble() const { return std::get<double>(value_); }
  const ByteArray& AsByteArray() const { return std::get<ByteArray>(value_); }

 private:
  std::variant<std::monostate, int16_t, int32_t, double, std::string, ByteArray> value_;
};
