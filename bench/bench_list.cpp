// The output path of `list` and `meta` through the command handlers, on a 100k-entry cell DAT and
// a 100k-entry archive written to the temporary directory: `list` less `meta` of the same file is
// the cost of formatting and writing the lines.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "commands.hpp"
#include "tessary/common/io.hpp"
#include "tessary/dat/archive_writer.hpp"
#include "tessary/testsupport/dat_writer.hpp"

namespace {

namespace fs = std::filesystem;
namespace app = tessary::app;

constexpr uint32_t kEntries = 100'000;
const fs::path kDatPath = fs::temp_directory_path() / "bench_list_cell.dat";
const fs::path kTsyPath = fs::temp_directory_path() / "bench_list.tsy";

const fs::path& dat_path() {
  static const fs::path path = [] {
    tessary::testsupport::DatWriter w(256, 2);
    const uint8_t data[40] = {};
    const uint32_t shared = w.add_chain(data);
    for (uint32_t i = 0; i < kEntries; ++i)
      w.add_entry(
          {.bit_flags = 0, .id = (i / 32) << 16 | (0x0100 + i % 32), .offset = shared, .size = 40});
    if (!tessary::write_file(kDatPath, w.finish())) std::abort();
    return kDatPath;
  }();
  return path;
}

const fs::path& tsy_path() {
  static const fs::path path = [] {
    auto w = tessary::TsyStreamWriter::create(tessary::File::create(kTsyPath).value(), false);
    const uint8_t data[40] = {};
    for (uint32_t i = 0; i < kEntries; ++i)
      if (!w->add(i % 2 ? "eor/cell" : "eor/portal", i, 6, data)) std::abort();
    if (!tessary::TsyStreamWriter::finish(std::move(*w))) std::abort();
    return kTsyPath;
  }();
  return path;
}

template <typename Command, typename Run>
void run_to_devnull(benchmark::State& state, const fs::path& path, Run run) {
  const int devnull = ::open("/dev/null", O_WRONLY);
  for (auto _ : state) {
    app::Output out(devnull);
    if (!run(Command{path}, out)) state.SkipWithError("the command failed");
  }
  ::close(devnull);
  state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_DatMeta(benchmark::State& state) {
  run_to_devnull<app::Meta>(state, dat_path(), app::run_meta);
}
void BM_DatList(benchmark::State& state) {
  run_to_devnull<app::List>(state, dat_path(), app::run_list);
}
void BM_TsyMeta(benchmark::State& state) {
  run_to_devnull<app::Meta>(state, tsy_path(), app::run_meta);
}
void BM_TsyList(benchmark::State& state) {
  run_to_devnull<app::List>(state, tsy_path(), app::run_list);
}
BENCHMARK(BM_DatMeta)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TsyMeta)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TsyList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove(kDatPath, ignored);
  fs::remove(kTsyPath, ignored);
  return 0;
}
