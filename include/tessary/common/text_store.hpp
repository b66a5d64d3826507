#pragma once
// One owner for many small decoded texts: bytes handed out stay where they are for the store's
// lifetime, moves of the store included, so views into them need no allocation of their own.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace tessary {

class TextStore {
 public:
  TextStore() = default;
  TextStore(TextStore&& other) noexcept { *this = std::move(other); }
  TextStore& operator=(TextStore&& other) noexcept {
    blocks_ = std::move(other.blocks_);
    next_ = std::exchange(other.next_, nullptr);
    left_ = std::exchange(other.left_, 0);
    return *this;
  }

  // Text of at most `max_size` bytes, written by `write(char* out)`, which returns how many it
  // wrote; only those stay taken.
  template <typename Write>
  std::string_view add(size_t max_size, Write&& write) {
    if (max_size > left_) add_block(max_size);
    const size_t size = write(next_);
    const std::string_view text(next_, size);
    next_ += size;
    left_ -= size;
    return text;
  }

 private:
  static constexpr size_t kBlockSize = 64 << 10;

  void add_block(size_t at_least) {
    left_ = std::max(at_least, kBlockSize);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(left_));
    next_ = blocks_.back().get();
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t left_ = 0;
};

}  // namespace tessary
