// make-bench-data DIR: writes the inputs of the end-to-end benchmarks (scripts/bench.sh) into DIR,
// each data set once: a set is rebuilt only when its stamp is missing or names an older generator
// version. Everything is deterministic: the same version always gives the same bytes.
//
//   portal.dat      block size 1024, 80,000 resources of mixed types and sizes (~500 MB), some
//                   stored LRS-compressed
//   cell_1m.dat     block size 256, 1,000,000 landblock, landblock-info and cell resources
//   pack/           100,000 loose files [ID].[TYPE], 32 bytes to 64 KiB, compressible or not
//   tsy_1m.tsy      1,000,000 small resources in two namespaces, written by the library writer
//   spells.dat      a spell table of 10,000 spells
//
// Next to each file set, NAME.check names one resource ("ID" or "ID NAMESPACE", hexadecimal) and
// NAME.check.bin holds its exported bytes, so a timed export can be verified.
#include <fmt/format.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "spell_fixture.hpp"
#include "tessary/common/io.hpp"
#include "tessary/dat/archive_writer.hpp"
#include "tessary/dat/spell_table.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"

namespace {

namespace fs = std::filesystem;
using tessary::DatFileEntry;
using tessary::testsupport::DatWriter;

// Bump when any data set would come out different; every set is then rebuilt.
constexpr int kGeneratorVersion = 1;

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "make-bench-data: %s\n", what.c_str());
  std::exit(1);
}

template <typename R>
void check(const R& result, std::string_view what) {
  if (!result) {
    if constexpr (requires { result.error().message(); })
      die(fmt::format("{}: {}", what, result.error().message()));
    else
      die(fmt::format("{}: {}", what, result.error().message));
  }
}

// Resource contents: text-like runs that compress well, random bytes that do not, or a mix.
class Content {
 public:
  explicit Content(uint64_t seed) : rng_(seed) {}

  uint64_t next() { return rng_(); }
  // Log-uniform in [lo, hi]: many small resources, a long tail of large ones.
  size_t size(size_t lo, size_t hi) {
    std::uniform_real_distribution<double> d(std::log(double(lo)), std::log(double(hi)));
    return std::clamp(static_cast<size_t>(std::exp(d(rng_))), lo, hi);
  }
  // `text_percent` of the bytes text-like, the rest random.
  std::vector<uint8_t> bytes(size_t n, int text_percent) {
    std::vector<uint8_t> out;
    out.reserve(n);
    text(out, n * static_cast<size_t>(text_percent) / 100);
    noise(out, n);
    return out;
  }

 private:
  void text(std::vector<uint8_t>& out, size_t n) {
    static constexpr std::string_view kWords[] = {
        "portal ", "cell ",   "landblock ",  "weenie ",  "spell ",  "texture ", "sound ",
        "mana ",   "school ", "0x0E000003 ", "surface ", "vertex ", "polygon ", "palette "};
    while (out.size() < n) {
      const std::string_view w = kWords[rng_() % std::size(kWords)];
      out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(n);
  }
  void noise(std::vector<uint8_t>& out, size_t n) {
    while (out.size() < n) {
      const uint64_t r = rng_();
      for (int i = 0; i < 8 && out.size() < n; ++i)
        out.push_back(static_cast<uint8_t>(r >> (8 * i)));
    }
  }

  std::mt19937_64 rng_;
};

void write_bytes(const fs::path& path, std::span<const uint8_t> bytes) {
  check(tessary::write_file(path, bytes), path.string());
}

void write_check(const fs::path& dir, std::string_view name, std::string_view key,
                 std::span<const uint8_t> bytes) {
  std::ofstream(dir / fmt::format("{}.check", name)) << key << '\n';
  write_bytes(dir / fmt::format("{}.check.bin", name), bytes);
}

// Writes to a temporary name and renames, so an interrupted run never leaves a complete-looking
// file behind.
void write_dat(const fs::path& dir, std::string_view name, DatWriter& w) {
  const fs::path tmp = dir / fmt::format("{}.tmp", name);
  write_bytes(tmp, w.finish());
  fs::rename(tmp, dir / name);
}

struct PortalType {
  uint8_t prefix;
  int weight;  // per 1000 resources
  size_t min_size, max_size;
  int text_percent;
  int lrs_percent;  // share stored LRS-compressed
};

// Roughly a retail portal file: many small surfaces and models, fewer large textures and sounds.
constexpr PortalType kPortalTypes[] = {
    {0x01, 300, 128, 16 << 10, 70, 10},
    {0x02, 80, 64, 4 << 10, 70, 10},
    {0x03, 80, 512, 32 << 10, 50, 10},
    {0x04, 30, 1 << 10, 8 << 10, 0, 0},
    {0x05, 110, 24, 64, 70, 0},
    {0x06, 100, 1 << 10, 96 << 10, 20, 40},
    {0x08, 110, 20, 120, 70, 0},
    {0x0A, 30, 4 << 10, 128 << 10, 0, 0},
    {0x0D, 30, 1 << 10, 64 << 10, 60, 10},
    {0x0E, 5, 1 << 10, 1 << 20, 90, 30},
    {0x10, 20, 256, 16 << 10, 70, 10},
    {0x20, 10, 128, 4 << 10, 70, 0},
    {0x23, 5, 1 << 10, 64 << 10, 95, 30},
    {0x31, 40, 32, 1 << 10, 80, 0},
    {0x32, 30, 128, 512, 50, 0},
    {0x33, 20, 64, 2 << 10, 60, 0},
};
static_assert([] {
  int sum = 0;
  for (const PortalType& t : kPortalTypes)
    sum += t.weight;
  return sum == 1000;
}());

void make_portal(const fs::path& dir) {
  constexpr uint32_t kResources = 80'000;
  Content c(1);
  // LRS-compressed resources draw from a pool of pre-compressed contents: the encoder is slow,
  // and the reader does the same work whichever bytes it expands.
  struct Packed {
    std::vector<uint8_t> original, stored;
  };
  std::vector<Packed> pool;
  for (int i = 0; i < 48; ++i) {
    Packed p{c.bytes(c.size(1 << 10, 256 << 10), 80), {}};
    p.stored = tessary::testsupport::compress_lrs(p.original);
    pool.push_back(std::move(p));
  }
  DatWriter w(1024, 1);
  uint32_t next_index[256] = {};
  const Packed* check_pick = nullptr;
  uint32_t check_id = 0;
  uint64_t total = 0;
  for (uint32_t i = 0; i < kResources; ++i) {
    int pick = static_cast<int>(c.next() % 1000);
    const PortalType* t = kPortalTypes;
    while (pick >= t->weight)
      pick -= (t++)->weight;
    const uint32_t id = uint32_t{t->prefix} << 24 | ++next_index[t->prefix];
    if (static_cast<int>(c.next() % 100) < t->lrs_percent) {
      const Packed& p = pool[c.next() % pool.size()];
      total += w.add_file(id, p.stored, 1).size;
      if (!check_pick || p.original.size() > check_pick->original.size()) {
        check_pick = &p;
        check_id = id;
      }
    } else {
      total += w.add_file(id, c.bytes(c.size(t->min_size, t->max_size), t->text_percent)).size;
    }
  }
  std::fprintf(stderr, "  %u resources, %llu stored bytes\n", kResources,
               static_cast<unsigned long long>(total));
  write_dat(dir, "portal.dat", w);
  write_check(dir, "portal", fmt::format("{:08X}", check_id), check_pick->original);
}

// 255 x 255 landblocks, each with its terrain (FFFF), its info (FFFE) and up to 28 indoor cells,
// until a million resources.
void make_cell(const fs::path& dir) {
  constexpr uint32_t kResources = 1'000'000;
  Content c(2);
  DatWriter w(256, 2);
  uint32_t count = 0, last_id = 0;
  std::vector<uint8_t> last;
  auto add = [&](uint32_t id, std::vector<uint8_t> bytes) {
    w.add_file(id, bytes);
    last_id = id;
    last = std::move(bytes);
    ++count;
  };
  for (uint32_t block = 0; count < kResources && block < 255 * 255; ++block) {
    const uint32_t landblock = (block / 255) << 24 | (block % 255) << 16;
    add(landblock | 0xFFFF, c.bytes(252, 0));
    add(landblock | 0xFFFE, c.bytes(c.size(8, 300), 50));
    const uint32_t cells = static_cast<uint32_t>(c.next() % 29);
    for (uint32_t i = 0; i < cells && count < kResources; ++i)
      add(landblock | (0x0100 + i), c.bytes(c.size(40, 600), 60));
  }
  if (count != kResources) die("cell_1m.dat: the landblock grid is too small");
  write_dat(dir, "cell_1m.dat", w);
  write_check(dir, "cell_1m", fmt::format("{:08X}", last_id), last);
}

// Named [ID].[TYPE]; half text-like, a quarter random, a quarter half of each.
void make_pack_dir(const fs::path& dir) {
  constexpr uint32_t kFiles = 100'000;
  constexpr uint32_t kTypes[] = {0x1, 0x6, 0xA, 0xE, 0x22};
  constexpr int kTextPercent[] = {100, 100, 0, 50};
  Content c(3);
  const fs::path tmp = dir / "pack.tmp";
  fs::remove_all(tmp);
  fs::create_directories(tmp);
  uint64_t total = 0;
  for (uint32_t i = 0; i < kFiles; ++i) {
    const std::vector<uint8_t> bytes = c.bytes(c.size(32, 64 << 10), kTextPercent[i % 4]);
    const uint32_t type = kTypes[i % std::size(kTypes)];
    write_bytes(tmp / fmt::format("{:08X}.{:X}", type << 24 | i, type), bytes);
    total += bytes.size();
  }
  std::fprintf(stderr, "  %u files, %llu bytes\n", kFiles, static_cast<unsigned long long>(total));
  fs::remove_all(dir / "pack");
  fs::rename(tmp, dir / "pack");
}

// 600,000 cell resources and 400,000 portal resources of 16 to 512 bytes, compressed where
// that helps.
void make_tsy(const fs::path& dir) {
  constexpr uint32_t kCell = 600'000, kPortal = 400'000;
  Content c(4);
  const fs::path tmp = dir / "tsy_1m.tsy.tmp";
  auto file = tessary::File::create(tmp);
  check(file, tmp.string());
  auto w = tessary::TsyStreamWriter::create(std::move(*file), true);
  check(w, tmp.string());
  for (uint32_t i = 0; i < kCell + kPortal; ++i) {
    const bool cell = i < kCell;
    const uint32_t id =
        cell ? (i / 16) << 16 | (i % 16 == 0 ? 0xFFFF : 0x0100 + i % 16) : (0x01 + i % 4) << 24 | i;
    const std::vector<uint8_t> bytes = c.bytes(c.size(16, 512), i % 2 ? 70 : 20);
    check(w->add(cell ? "eor/cell" : "eor/portal", id, cell ? 0 : id >> 24, bytes), "add");
    if (i == kCell + kPortal / 2)
      write_check(dir, "tsy_1m", fmt::format("{:08X} eor/portal", id), bytes);
  }
  check(tessary::TsyStreamWriter::finish(std::move(*w)), tmp.string());
  fs::rename(tmp, dir / "tsy_1m.tsy");
}

void make_spells(const fs::path& dir) {
  DatWriter w(1024, 1);
  w.add_file(tessary::SpellTable::kFileId, tessary::bench::build_spell_table());
  write_dat(dir, "spells.dat", w);
}

struct DataSet {
  const char* name;
  const char* output;  // a set whose output is gone is rebuilt, whatever its stamp says
  void (*make)(const fs::path& dir);
};

constexpr DataSet kDataSets[] = {{"portal", "portal.dat", make_portal},
                                 {"cell_1m", "cell_1m.dat", make_cell},
                                 {"pack", "pack", make_pack_dir},
                                 {"tsy_1m", "tsy_1m.tsy", make_tsy},
                                 {"spells", "spells.dat", make_spells}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-bench-data DIR\n");
    return 2;
  }
  const fs::path dir = argv[1];
  fs::create_directories(dir);
  const std::string version = std::to_string(kGeneratorVersion);
  for (const DataSet& set : kDataSets) {
    const fs::path stamp = dir / fmt::format(".{}.stamp", set.name);
    std::string have;
    std::ifstream(stamp) >> have;
    if (have == version && fs::exists(dir / set.output)) continue;
    std::fprintf(stderr, "make-bench-data: generating %s\n", set.name);
    set.make(dir);
    std::ofstream(stamp) << version << '\n';
  }
  return 0;
}
