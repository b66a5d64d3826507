// meta, list, info, export, extract and weenie-find on TSY archives, and how the provider finds
// them. Each case runs in a fresh directory holding the archives below; files a run writes are
// shown in its transcript.
#include <gtest/gtest.h>

#include "harness.hpp"
#include "tessary/dat/archive_writer.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/record_builders.hpp"
#include "tessary/testsupport/tsy_builder.hpp"

namespace tessary::cli_test {
namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::TsyBuilder;

Bytes counting(size_t n, uint8_t first = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i)
    b[i] = static_cast<uint8_t>(first + i);
  return b;
}

// Written by the archive writer itself: 3 entries in eor/portal, 2 in eor/cell, one of them
// compressed and pruned, one of a type code no resource kind has.
void write_mixed(const fs::path& p) {
  auto w = TsyStreamWriter::create(*File::create(p), true);
  EXPECT_TRUE(w->add("eor/portal", 0x0600127D, 6, counting(40)));
  EXPECT_TRUE(w->add("eor/portal", 0x0A000001, 10, counting(40, 0x10)));
  EXPECT_TRUE(w->add_pruned("eor/portal", 0x0E000002, 14, Bytes(3000, 'z')));
  EXPECT_TRUE(w->add("eor/cell", 0xA9B4FFFF, 7, counting(12)));
  EXPECT_TRUE(w->add("eor/cell", 0xA9B40100, 0xFE01, counting(5)));
  EXPECT_TRUE(TsyStreamWriter::finish(std::move(*w)));
}

void write_single(const fs::path& p, const char* ns) {
  auto w = TsyStreamWriter::create(*File::create(p), true);
  EXPECT_TRUE(w->add_pruned(ns, 0x0600127D, 6, Bytes(500, 'j')));
  EXPECT_TRUE(w->add(ns, 0x0A000001, 10, counting(40, 0x10)));
  EXPECT_TRUE(TsyStreamWriter::finish(std::move(*w)));
}

Bytes weenie_archive() {
  using testsupport::WeenieBuilder;
  using testsupport::WeenieTableBuilder;
  const WeenieBuilder lantern{.class_id = 16, .weenie_type = 1, .strings = {{1, "Lantern"}}};
  TsyBuilder b;
  b.add("eor/cell", 0x0E000007, WeenieTableBuilder{.entries = {{16, lantern}}}.bytes(), 0, {}, 14);
  b.add("eor/portal", 0x0E000001, "not a table", 0, {}, 14);
  b.add("eor/portal", 0x0E000007, WeenieTableBuilder{.entries = {{16, lantern}}}.bytes(), 0, {},
        14);
  b.add("eor/portal", 0x0E000008, WeenieTableBuilder{.entries = {{16, lantern}}}.bytes(), 0, {},
        6);  // not of the table type: never scanned
  return b.build();
}

// One entry per line of damage.
Bytes damaged() {
  TsyBuilder b;
  b.add("eor/portal", 1, "fine");
  b.add("eor/portal", 2, "x").entries().back().offset = 5000;
  b.add("eor/portal", 3, "short frame", TsyEntry::kCompressed, 100);
  b.add("eor/portal", 4, "y").entries().back().ns[31] = 'q';  // invalid namespace field
  b.add("eor/portal", 5, "after");
  b.records({{testsupport::ns_bytes("eor/portal"), 0, 5}});
  return b.build();
}

class Fixture : public FixtureDir {
 public:
  Fixture() {
    write_mixed(*this / "mixed.tsy");
    write_single(*this / "cell.tsy", "eor/cell");
    add("empty.tsy", TsyBuilder().build());
    add("weenies.tsy", weenie_archive());
    add("damaged.tsy", damaged());
    Bytes beyond = TsyBuilder().add("eor/portal", 1, "x").build();
    beyond.pop_back();
    add("beyond.tsy", beyond);
    testsupport::DatWriter dat;
    dat.add_file(0x0600127D, "from the DAT file");
    add("data/portal.dat", dat.finish());
    write_single(*this / "data/portal.tsy", "eor/portal");
    write_single(*this / "UPPER.TSY", "eor/portal");
    add("notes.txt", TsyBuilder().build());
    add("text.tsy", "a text file, not an archive\n");
    for (const char* name : {"mixed.tsy", "cell.tsy", "data/portal.tsy", "UPPER.TSY"})
      known(name);
  }
};

using Case = GoldenCase;
void run_cases(std::span<const Case> cases) {
  run_golden_cases<Fixture>(cases);
}

TEST(TsyCommands, Inspection) {
  const Case cases[] = {
      {"tsy_meta_mixed", {"meta", "mixed.tsy"}},
      {"tsy_meta_empty", {"meta", "empty.tsy"}},
      {"tsy_meta_damaged_entry", {"meta", "damaged.tsy"}},
      {"tsy_meta_index_beyond_file", {"meta", "beyond.tsy"}},
      {"tsy_list_mixed", {"list", "mixed.tsy"}},
      {"tsy_list_empty", {"list", "empty.tsy"}},
      {"tsy_list_damaged_entry", {"list", "damaged.tsy"}},
      {"tsy_info_single_namespace", {"info", "cell.tsy", "0x0600127D"}},
      {"tsy_info_plain_entry", {"info", "mixed.tsy", "0xA9B4FFFF", "--namespace", "eor/cell"}},
      {"tsy_info_multiple_namespaces", {"info", "mixed.tsy", "0x0600127D"}},
      {"tsy_info_namespace_absent", {"info", "mixed.tsy", "0x0600127D", "--namespace", "eor/x"}},
      {"tsy_info_id_absent", {"info", "mixed.tsy", "0x0600127E", "--namespace", "eor/portal"}},
      {"tsy_info_empty_namespace", {"info", "cell.tsy", "0x0600127D", "--namespace", ""}},
      {"tsy_info_empty_archive", {"info", "empty.tsy", "1"}},
  };
  run_cases(cases);
}

TEST(TsyCommands, ExportAndExtract) {
  const Case cases[] = {
      {"tsy_export_default_name", {"export", "cell.tsy", "0x0600127D"}},
      {"tsy_export_namespace", {"export", "mixed.tsy", "0x0E000002", "--namespace", "eor/portal"}},
      {"tsy_export_output",
       {"export", "mixed.tsy", "0xA9B40100", "--namespace", "eor/cell", "-o", "x.bin"}},
      {"tsy_export_multiple_namespaces", {"export", "mixed.tsy", "0x0600127D"}},
      {"tsy_export_onto_input", {"export", "cell.tsy", "0x0600127D", "-o", "cell.tsy"}},
      {"tsy_export_out_of_bounds", {"export", "damaged.tsy", "2"}},
      {"tsy_export_damaged_frame", {"export", "damaged.tsy", "3"}},
      {"tsy_extract_no_namespace_in_name", {"extract", "cell.tsy", "0x0A000001"}},
      {"tsy_extract_texture", {"extract", "cell.tsy", "0x0600127D"}},
  };
  run_cases(cases);
}

TEST(TsyCommands, ProviderFindsArchives) {
  const Case cases[] = {
      {"tsy_provider_archive_beside_name_wins", {"meta", "data/portal"}},
      {"tsy_provider_explicit_dat", {"export", "data/portal.dat", "0x0600127D"}},
      {"tsy_provider_upper_case_extension", {"meta", "UPPER.TSY"}},
      {"tsy_provider_not_an_archive", {"meta", "text.tsy"}},
      {"tsy_provider_missing_archive", {"list", "data/missing.tsy"}},
      {"tsy_provider_other_extension_never_opened", {"meta", "notes.txt"}},
  };
  run_cases(cases);
}

TEST(TsyCommands, WeenieFindScansTableEntriesOfEveryNamespace) {
  const Case cases[] = {
      {"tsy_weenie_find_hits", {"weenie-find", "weenies.tsy", "16"}},
      {"tsy_weenie_find_none", {"weenie-find", "weenies.tsy", "17"}},
  };
  run_cases(cases);
}

}  // namespace
}  // namespace tessary::cli_test
