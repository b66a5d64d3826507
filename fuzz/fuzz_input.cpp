#include "fuzz_input.hpp"

#include <sys/mman.h>

#include <cstdlib>
#include <string>

namespace tessary::fuzz {

MemoryFile::MemoryFile(std::span<const uint8_t> data) {
  const int fd = ::memfd_create("fuzz-input", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  file_ = File::adopt(fd);
  if (!file_.write_all(data) || !file_.seek(0)) std::abort();
}

std::filesystem::path MemoryFile::path() const {
  return "/proc/self/fd/" + std::to_string(file_.fd());
}

}  // namespace tessary::fuzz
