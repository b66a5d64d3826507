#include "tessary/common/large_alloc.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>

namespace tessary {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}

void* allocate_large(size_t bytes) noexcept {
  if (bytes < kHugePage) return std::malloc(std::max<size_t>(bytes, 1));
  if (bytes > SIZE_MAX - kHugePage) return nullptr;
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
  // Advice only: where huge pages are off or scarce the memory works the same in small pages.
  if (p) ::madvise(p, rounded, MADV_HUGEPAGE);
  return p;
}

void deallocate_large(void* p) noexcept {
  std::free(p);
}

}  // namespace tessary
