#pragma once
// The least any DAT reader must do to know its directory: one pread per directory block (link
// and payload together), the node's entry count added up, its child branches followed. No map,
// no entry decoding, no checks beyond what keeps the walk inside its buffers. This is the
// baseline the tool's open, meta, list and export are measured against.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace tessary::bench {

inline uint32_t floor_u32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;  // little-endian hosts only, as the benchmarks run on
}

// The number of directory entries of the DAT at `path`, or nothing when a read fails.
inline std::optional<uint64_t> floor_count_entries(const char* path) {
  constexpr size_t kNode = 1716, kHeaderAt = 0x140, kCountAt = 248, kMaxEntries = 61;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  uint8_t header[80] = {};
  bool ok = ::pread(fd, header, sizeof header, kHeaderAt) == sizeof header;
  uint64_t entries = 0;
  const uint32_t block_size = std::max<uint32_t>(floor_u32(header + 4), 8);
  std::vector<uint8_t> block(block_size);
  std::vector<uint32_t> stack{floor_u32(header + 32)};
  uint8_t node[kNode];
  while (ok && !stack.empty()) {
    uint32_t offset = stack.back();
    stack.pop_back();
    if (offset == 0) continue;
    for (size_t have = 0; ok && have < kNode;) {
      ok = ::pread(fd, block.data(), block_size, offset) == static_cast<ssize_t>(block_size);
      const size_t chunk = std::min<size_t>(block_size - 4, kNode - have);
      std::memcpy(node + have, block.data() + 4, chunk);
      have += chunk;
      offset = floor_u32(block.data());
    }
    const uint32_t count = floor_u32(node + kCountAt);
    entries += count;
    if (floor_u32(node) != 0)
      for (uint32_t i = 0; i <= std::min<uint32_t>(count, kMaxEntries); ++i)
        stack.push_back(floor_u32(node + 4 * i));
  }
  ::close(fd);
  if (!ok) return {};
  return entries;
}

}  // namespace tessary::bench
