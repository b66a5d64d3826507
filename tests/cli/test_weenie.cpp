// `weenie` and `weenie-find` on a small portal DAT: found, undecodable, missing, and the scan.
#include <gtest/gtest.h>

#include "harness.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/record_builders.hpp"

namespace tessary::cli_test {
namespace {

using testsupport::DatWriter;
using testsupport::WeenieBuilder;
using testsupport::WeenieTableBuilder;

class WeenieCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    const WeenieBuilder apple{
        .class_id = 1, .weenie_type = 1, .strings = {{1, "Apple"}}, .data_ids = {{8, 0x06001234}}};
    const WeenieBuilder lantern{.class_id = 16, .weenie_type = 35, .strings = {{1, "Lantern"}}};
    const WeenieBuilder unnamed{.class_id = 0x10, .weenie_type = 2, .ints = {{1, 4}}};
    DatWriter w(1024, 1);
    w.add_file(0x0E000002, std::string(10, 'x'));  // in the range, not a table: skipped
    // Ids are added out of order; the scan visits them in ascending order.
    w.add_file(0x0E000008,
               WeenieTableBuilder{.table_id = 0x0E000008, .entries = {{16, unnamed}}}.bytes());
    w.add_file(
        0x0E000007,
        WeenieTableBuilder{.table_id = 0x0E000007, .entries = {{1, apple}, {16, lantern}}}.bytes());
    // A table outside the 0x0E range is never scanned.
    w.add_file(0x0D000001, WeenieTableBuilder{.entries = {{16, lantern}}}.bytes());
    w.add_file(0x0E001000, WeenieBuilder{.class_id = 0x4000,
                                         .weenie_type = 7,
                                         .ints = {{1, 16}, {5, 50}, {391, 1}},
                                         .floats = {{54, 2.5}},
                                         .strings = {{1, "Sturdy Crate"}, {14, "Use to open."}},
                                         .data_ids = {{1, 0x02000100}, {8, 0x06003000}}}
                               .bytes());
    w.add_file(
        0x0E001001,
        WeenieBuilder{
            .class_id = 0x4001, .weenie_type = 3, .int64s = {{1, 5}}, .bools = {{1, 1}, {2, 0}}}
            .bytes());
    dir_.write("portal.dat", w.finish());
    dir_.write("empty.dat", DatWriter(1024, 1).finish());
  }

  TempDir dir_;
};

TEST_F(WeenieCommands, Goldens) {
  struct Case {
    const char* golden;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"weenie_found", {"weenie", "portal.dat", "0x0E001000"}},
      {"weenie_no_name_or_icon", {"weenie", "portal.dat", "0E001001", "--namespace", ""}},
      {"weenie_too_short", {"weenie", "portal.dat", "0x0E000002"}},
      {"weenie_missing", {"weenie", "portal.dat", "26"}},
      {"weenie_bad_id", {"weenie", "portal.dat", "0x1G"}},
      {"weenie_find_hits", {"weenie-find", "portal.dat", "0x10"}},
      {"weenie_find_no_hits", {"weenie-find", "portal.dat", "99"}},
      {"weenie_find_empty_range", {"weenie-find", "empty.dat", "1"}},
  };
  for (const Case& c : cases)
    expect_golden(c.golden, transcript(c.args, run_tool(c.args, dir_.path())));
}

}  // namespace
}  // namespace tessary::cli_test
