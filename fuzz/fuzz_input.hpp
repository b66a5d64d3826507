#pragma once
// Helpers shared by the fuzz targets: the readers that own a file get the input as an anonymous
// in-memory file, so no target touches the disk.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "tessary/common/io.hpp"
#include "tessary/dat/error.hpp"

namespace tessary::fuzz {

// The input as an open, rewound in-memory file. `path()` names it for readers that open by path.
class MemoryFile {
 public:
  explicit MemoryFile(std::span<const uint8_t> data);
  const File& file() const { return file_; }
  File release() { return std::move(file_); }
  std::filesystem::path path() const;

 private:
  File file_;
};

// Builds every message of an error, so faults in formatting them show up too.
inline void describe(const DatError& error) {
  for (const std::string& line : error.chain())
    (void)line.size();
}
inline void describe(const DecodeError& error) {
  (void)error.to_string();
}

}  // namespace tessary::fuzz
