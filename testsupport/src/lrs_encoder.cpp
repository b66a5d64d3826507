#include "tessary/testsupport/lrs_encoder.hpp"

#include <algorithm>
#include <utility>

#include "tessary/common/cursor.hpp"

namespace tessary::testsupport {

namespace {

constexpr size_t kMaxDistance = 4095;
constexpr size_t kMinLength = 2;
constexpr size_t kMaxLength = 17;
constexpr size_t kNone = SIZE_MAX;
constexpr size_t kMaxChain = 256;  // candidates tried per position; keeps long runs fast

// Earlier positions that start with the same two bytes, newest first, so the greedy search only
// looks at real candidates instead of every distance.
class MatchFinder {
 public:
  explicit MatchFinder(std::span<const uint8_t> data)
      : data_(data), head_(1 << 16, kNone), prev_(data.size(), kNone) {}

  // Longest match for data[pos..] within kMaxDistance back; a match may overlap the bytes it
  // produces, as the decoder copies byte by byte. Returns {length, distance}.
  std::pair<size_t, size_t> longest(size_t pos) const {
    if (data_.size() - pos < kMinLength) return {0, 0};
    const size_t max_len = std::min(kMaxLength, data_.size() - pos);
    size_t best_len = 0, best_dist = 0;
    size_t steps = 0;
    for (size_t cand = head_[key(pos)];
         cand != kNone && pos - cand <= kMaxDistance && steps < kMaxChain;
         cand = prev_[cand], ++steps) {
      size_t len = 0;
      while (len < max_len && data_[cand + len] == data_[pos + len])
        ++len;
      if (len > best_len) {
        best_len = len;
        best_dist = pos - cand;
        if (len == max_len) break;
      }
    }
    return {best_len, best_dist};
  }

  void insert(size_t pos) {
    if (data_.size() - pos < kMinLength) return;
    prev_[pos] = head_[key(pos)];
    head_[key(pos)] = pos;
  }

 private:
  size_t key(size_t pos) const { return data_[pos] | (size_t{data_[pos + 1]} << 8); }

  std::span<const uint8_t> data_;
  std::vector<size_t> head_;
  std::vector<size_t> prev_;
};

}  // namespace

std::vector<uint8_t> compress_lrs(std::span<const uint8_t> data) {
  std::vector<uint8_t> out(4);
  store_le<uint32_t>(out.data(), static_cast<uint32_t>(data.size()));
  MatchFinder finder(data);
  size_t flag_at = 0;
  uint8_t mask = 0;
  for (size_t pos = 0; pos < data.size();) {
    if (mask == 0) {
      flag_at = out.size();
      out.push_back(0);
      mask = 0x80;
    }
    auto [len, dist] = finder.longest(pos);
    if (len >= kMinLength) {
      out[flag_at] |= mask;
      out.push_back(static_cast<uint8_t>(dist & 0xFF));
      out.push_back(static_cast<uint8_t>(((dist >> 8) << 4) | (len - kMinLength)));
    } else {
      len = 1;
      out.push_back(data[pos]);
    }
    for (size_t k = 0; k < len; ++k)
      finder.insert(pos + k);
    pos += len;
    mask >>= 1;
  }
  return out;
}

}  // namespace tessary::testsupport
