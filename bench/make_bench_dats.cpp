// Writes large synthetic DAT files for the benchmarks: 100k and 1M directory entries, cell-style
// (block size 256) and portal-style (block size 1024). Entries share a few small data chains, so
// the files are mostly directory. Existing files are kept.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"

using tessary::DatFileEntry;
using tessary::testsupport::DatWriter;

namespace {

// Portal ids: a type prefix and a running number. Cell ids: landblock, then terrain, statics and
// a run of indoor cells.
uint32_t portal_id(uint32_t i) {
  static constexpr uint8_t kPrefixes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08, 0x0A,
                                          0x0D, 0x0E, 0x10, 0x20, 0x23, 0x31, 0x32, 0x33};
  return uint32_t{kPrefixes[i % std::size(kPrefixes)]} << 24 | (i / std::size(kPrefixes));
}

uint32_t cell_id(uint32_t i) {
  const uint32_t landblock = i / 64, slot = i % 64;
  const uint32_t low = slot == 0 ? 0xFFFF : slot == 1 ? 0xFFFE : 0x0100 + slot;
  return landblock << 16 | low;
}

std::vector<uint8_t> build(uint32_t entries, bool cell) {
  DatWriter w(cell ? 256 : 1024, cell ? 2 : 1);
  std::vector<DatFileEntry> shared;
  for (uint32_t size : {60u, 700u, 3000u}) {
    const std::string data(size, 'd');
    DatFileEntry e;
    e.offset = w.add_chain(std::span(reinterpret_cast<const uint8_t*>(data.data()), size));
    e.size = size;
    shared.push_back(e);
  }
  for (uint32_t i = 0; i < entries; ++i) {
    DatFileEntry e = shared[i % shared.size()];
    e.id = cell ? cell_id(i) : portal_id(i);
    e.bit_flags = i % 7 == 0 ? 0x00010000 : 0;
    w.add_entry(e);
  }
  return w.finish();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-bench-dats DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (bool cell : {false, true}) {
    for (uint32_t n : {100'000u, 1'000'000u}) {
      const std::string name =
          std::string(cell ? "cell" : "portal") + (n == 100'000 ? "_100k" : "_1m") + ".dat";
      if (std::filesystem::exists(dir / name)) continue;
      if (auto r = tessary::write_file(dir / name, build(n, cell)); !r) {
        std::fprintf(stderr, "make-bench-dats: %s: %s\n", name.c_str(), r.error().message.c_str());
        return 1;
      }
    }
  }
  return 0;
}
