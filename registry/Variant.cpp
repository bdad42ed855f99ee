#include "registry/Variant.h"

#include <stdexcept>

ByteArray::ByteArray(std::vector<uint8_t> bytes, int32_t lowerBound)
    : bounds_{Bound{lowerBound, static_cast<int32_t>(bytes.size())}}, data_(std::move(bytes)) {}

ByteArray ByteArray::WithBounds(std::vector<Bound> bounds) {
  if (bounds.empty()) throw std::invalid_argument("a byte array has at least one dimension");
  size_t total = 1;
  for (const Bound& b : bounds) {
    if (b.elementCount < 0) throw std::invalid_argument("negative element count");
    total *= static_cast<size_t>(b.elementCount);
  }
  ByteArray result;
  result.bounds_ = std::move(bounds);
  result.data_.assign(total, 0);
  return result;
}

std::optional<int32_t> ByteArray::UBound(int dimension) const {
  if (dimension < 1 || dimension > Dimensions()) return std::nullopt;
  const Bound& b = bounds_[static_cast<size_t>(dimension - 1)];
  return static_cast<int32_t>(static_cast<int64_t>(b.lowerBound) + b.elementCount - 1);
}
