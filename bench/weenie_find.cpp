// `weenie-find` over a portal DAT with 5,000 weenie tables of 20 templates each (about 20 MB):
// every candidate is fetched, decoded whole and released before the next.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "commands.hpp"
#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/record_builders.hpp"

namespace {

namespace fs = std::filesystem;
namespace ts = tessary::testsupport;

constexpr uint32_t kTables = 5000;
constexpr uint32_t kWeeniesPerTable = 20;

ts::WeenieBuilder typical_weenie(uint32_t wcid) {
  ts::WeenieBuilder w{.class_id = wcid, .weenie_type = wcid % 70};
  for (uint32_t k = 1; k <= 12; ++k)
    w.ints.emplace_back(k * 7, static_cast<int32_t>(wcid + k));
  w.int64s = {{1, 1000}};
  w.bools = {{1, 1}, {11, 0}, {13, 1}};
  w.floats = {{1, 0.5}, {39, 1.0}, {54, 2.5}};
  w.strings = {{1, "Template " + std::to_string(wcid)}, {16, "A long description of the thing."}};
  w.data_ids = {{1, 0x02000000 + wcid}, {8, 0x06000000 + wcid}, {22, 0x34000001}};
  w.instance_ids = {{2, 0x50000001}};
  return w;
}

fs::path write_portal() {
  ts::DatWriter w(1024, 1);
  for (uint32_t t = 0; t < kTables; ++t) {
    ts::WeenieTableBuilder table{.table_id = 0x0E010000 + t};
    for (uint32_t i = 0; i < kWeeniesPerTable; ++i) {
      const uint32_t wcid = t * kWeeniesPerTable + i + 1;
      table.entries.emplace_back(wcid, typical_weenie(wcid));
    }
    w.add_file(0x0E010000 + t, table.bytes());
  }
  const fs::path path = fs::temp_directory_path() / "bench_weenie_portal.dat";
  if (!tessary::write_file(path, w.finish())) std::abort();
  return path;
}

void BM_WeenieFind(benchmark::State& state) {
  static const fs::path portal = write_portal();
  const int devnull = ::open("/dev/null", O_WRONLY);
  // A class id in the last table: the whole range is scanned and one hit printed.
  const tessary::app::WeenieFind cmd{portal, std::to_string(kTables * kWeeniesPerTable)};
  for (auto _ : state) {
    tessary::app::Output out(devnull);
    if (!tessary::app::run_weenie_find(cmd, out)) state.SkipWithError("weenie-find failed");
  }
  ::close(devnull);
  state.counters["tables/s"] =
      benchmark::Counter(kTables, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_WeenieFind)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
