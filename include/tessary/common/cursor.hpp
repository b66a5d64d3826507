#pragma once
// Bounds-checked little-endian reader over one in-memory resource. Position 0 is the first byte of
// the resource, so alignment steps are relative to the resource, not to the record being read.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "tessary/common/decode_error.hpp"

namespace tessary {

class Cursor {
 public:
  explicit Cursor(std::span<const uint8_t> data, uint64_t pos = 0) : data_(data), pos_(pos) {}

  uint64_t pos() const { return pos_; }
  void seek(uint64_t pos) { pos_ = pos; }
  size_t size() const { return data_.size(); }
  uint64_t remaining() const { return pos_ >= data_.size() ? 0 : data_.size() - pos_; }

  // Moves to the next multiple of 4 without reading or checking the skipped bytes.
  void align4() { pos_ = (pos_ + 3) & ~uint64_t{3}; }

  // The most items of at least `min_item_size` bytes that a declared `count` can really have here:
  // what a reader may set aside before reading them, so a corrupt count cannot exhaust memory.
  uint64_t fit_count(uint64_t count, uint64_t min_item_size) const {
    return std::min(count, remaining() / min_item_size);
  }

  // Takes n bytes. On a short read the position moves to the end and nothing is returned.
  Decoded<std::span<const uint8_t>> bytes(uint64_t n,
                                          const char* eof_text = DecodeError::kFillBuffer) {
    if (n > remaining()) {
      pos_ = std::max<uint64_t>(pos_, data_.size());
      return std::unexpected(DecodeError::end_of_data(eof_text));
    }
    auto out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }

  template <size_t N>
  Decoded<std::array<uint8_t, N>> array() {
    auto b = TRY(bytes(N));
    std::array<uint8_t, N> out;
    std::memcpy(out.data(), b.data(), N);
    return out;
  }

  Decoded<uint8_t> u8() { return scalar<uint8_t>(); }
  Decoded<uint16_t> u16() { return scalar<uint16_t>(); }
  Decoded<uint32_t> u32() { return scalar<uint32_t>(); }
  Decoded<uint64_t> u64() { return scalar<uint64_t>(); }
  Decoded<int32_t> i32() { return scalar<int32_t>(); }
  Decoded<int64_t> i64() { return scalar<int64_t>(); }
  Decoded<float> f32() { return scalar<float>(); }
  Decoded<double> f64() { return scalar<double>(); }

 private:
  template <typename T>
  Decoded<T> scalar() {
    static_assert(std::endian::native == std::endian::little);
    auto b = TRY(bytes(sizeof(T)));
    T v;
    std::memcpy(&v, b.data(), sizeof(T));
    return v;
  }

  std::span<const uint8_t> data_;
  uint64_t pos_;
};

// Reads a little-endian scalar from a buffer already known to be long enough.
template <typename T>
T load_le(const uint8_t* p) {
  static_assert(std::endian::native == std::endian::little);
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <typename T>
void store_le(uint8_t* p, T v) {
  static_assert(std::endian::native == std::endian::little);
  std::memcpy(p, &v, sizeof(T));
}

}  // namespace tessary
