#pragma once
// Memory for tables of tens of megabytes that are filled right after they are made (a
// million-entry directory map): backed by huge pages where the system allows it, so filling one
// costs a few dozen page faults and TLB entries instead of one per 4 KiB page.

#include <cstddef>
#include <cstdint>
#include <new>

namespace tessary {

// Returns nullptr when the memory cannot be had. Free with deallocate_large.
void* allocate_large(size_t bytes) noexcept;
void deallocate_large(void* p) noexcept;

template <typename T>
struct LargeAllocator {
  using value_type = T;

  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}

  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    void* p = allocate_large(n * sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t) noexcept { deallocate_large(p); }

  friend bool operator==(const LargeAllocator&, const LargeAllocator&) { return true; }
};

}  // namespace tessary
