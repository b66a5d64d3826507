// The provider's archive side: opening by name, namespace-aware lookups, export names and the
// candidates weenie-find scans.
#include <gtest/gtest.h>
#include <unistd.h>

#include "provider.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/tsy_builder.hpp"

namespace tessary::app {
namespace {

using testsupport::TsyBuilder;

class ProviderTsy : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "provider-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  Path put(const std::string& name, const std::vector<uint8_t>& bytes) {
    EXPECT_TRUE(write_file(dir_ / name, bytes));
    return dir_ / name;
  }
  Provider open(const Path& p) {
    auto r = Provider::open(p);
    EXPECT_TRUE(r) << r.error().report();
    return std::move(*r);
  }
  static std::vector<uint8_t> portal_dat() {
    testsupport::DatWriter w;
    w.add_file(0x0600127D, "dat bytes");
    w.add_file(0x0E000003, "t3");
    w.add_file(0x0E000001, "t1");
    return w.finish();
  }
  static std::vector<uint8_t> two_namespaces() {
    TsyBuilder b;
    b.add("eor/cell", 0x0600127D, "cell bytes", 0, {}, 14);
    b.add("eor/portal", 0x0600127D, "portal bytes", 0, {}, 6);
    b.add("eor/portal", 0x0E000002, "table", 0, {}, 14);
    return b.build();
  }
  Path dir_;
};

std::string text(const DatResult<std::vector<uint8_t>>& r) {
  return r ? std::string(r->begin(), r->end()) : r.error().message();
}

TEST_F(ProviderTsy, AnArchiveBesideTheNameWinsAndAnyCaseOfTsyOpensOne) {
  put("data.dat", portal_dat());
  put("data.tsy", two_namespaces());
  put("upper.TSY", two_namespaces());
  for (const char* name : {"data", "upper.TSY", "data.tsy"}) {
    Provider p = open(dir_ / name);
    EXPECT_EQ(p.label(), "TSY") << name;
    EXPECT_EQ(p.file_count(), 3u);
  }
  EXPECT_EQ(open(dir_ / "data.dat").label(), "DAT");
  EXPECT_EQ(Provider::open(dir_ / "missing.tsy").error().chain().front(),
            "Failed to open file at " + (dir_ / "missing.tsy").string() +
                ": No such file or directory (os error 2)");
}

TEST_F(ProviderTsy, LookupsFollowTheNamespaceRules) {
  Provider tsy = open(put("two.tsy", two_namespaces()));
  Provider dat = open(put("p.dat", portal_dat()));
  TsyBuilder single_builder;
  single_builder.add("eor/cell", 7, "seven");
  Provider single = open(put("one.tsy", single_builder.build()));
  using Ns = std::optional<std::string>;
  const struct {
    const Provider* provider;
    Ns ns;
    uint32_t id;
    std::string expected;
  } cases[] = {
      {&tsy, "eor/cell", 0x0600127D, "cell bytes"},
      {&tsy, "eor/portal", 0x0600127D, "portal bytes"},
      {&tsy, std::nullopt, 0x0600127D,
       "Other error: TSY v2 archive contains multiple namespaces; explicit namespace lookup is "
       "required"},
      {&tsy, "eor/other", 0x0600127D, "File ID 0600127D not found in provider"},
      {&tsy, "eor/cell", 0x0E000002, "File ID 0E000002 not found in provider"},
      {&tsy, "", 1, "Invalid namespace: namespace label cannot be empty"},
      {&single, std::nullopt, 7, "seven"},
      {&single, "", 7, "Invalid namespace: namespace label cannot be empty"},
      {&dat, "", 0x0600127D, "dat bytes"},
      {&dat, "eor/cell", 0x0600127D, "dat bytes"},
      {&dat, std::nullopt, 0x06000000, "File ID 06000000 not found in provider"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(text(get_file_in_namespace(*c.provider, c.ns, c.id)), c.expected)
        << c.ns.value_or("<none>") << " " << c.id;

  auto entry = get_tsy_entry(tsy, "eor/portal", 0x0E000002);
  ASSERT_TRUE(entry && *entry);
  EXPECT_EQ((*entry)->type_id, 14u);
  EXPECT_FALSE(get_tsy_entry(tsy, std::nullopt, 0x0E000002));
  for (uint32_t id : {0x0600127Du, 0x12345678u}) {
    auto none = get_tsy_entry(dat, std::nullopt, id);
    ASSERT_TRUE(none);
    EXPECT_FALSE(*none);
  }
}

TEST_F(ProviderTsy, ExportNamesCarryTheNamespaceOnlyWhenTheLookupSucceeds) {
  Provider tsy = open(put("two.tsy", two_namespaces()));
  Provider dat = open(put("p.dat", portal_dat()));
  TsyBuilder odd;
  odd.add("a:b\\c/d", 1, "x");
  odd.add("a:b\\c/d", 2, "x").entries().back().ns = testsupport::ns_bytes(std::string("\0z", 2));
  odd.records({{testsupport::ns_bytes("a:b\\c/d"), 0, 2}});
  Provider odd_labels = open(put("odd.tsy", odd.build()));
  EXPECT_EQ(default_export_name(tsy, "eor/portal", 0x0600127D), "eor_portal_0600127D.bin");
  EXPECT_EQ(default_export_name(tsy, "eor/cell", 0x0600127D), "eor_cell_0600127D.bin");
  EXPECT_EQ(default_export_name(tsy, std::nullopt, 0x0600127D), "0600127D.bin");
  EXPECT_EQ(default_export_name(tsy, "eor/cell", 0x0E000002), "0E000002.bin");
  EXPECT_EQ(default_export_name(dat, "eor/portal", 0x0600127D), "0600127D.bin");
  EXPECT_EQ(default_export_name(odd_labels, std::nullopt, 1), "a_b_c_d_00000001.bin");
  // The entry's own namespace field is not a valid label.
  EXPECT_EQ(default_export_name(odd_labels, std::nullopt, 2), "00000002.bin");
}

TEST_F(ProviderTsy, WeenieCandidatesAreTableEntriesWithTheirLabels) {
  using Candidates = std::vector<WeenieCandidate>;
  EXPECT_EQ(weenie_candidates(open(put("p.dat", portal_dat()))),
            (Candidates{{0x0E000001, std::nullopt}, {0x0E000003, std::nullopt}}));
  TsyBuilder b;
  b.add("eor/cell", 0x0E000009, "x", 0, {}, 14);
  b.add("eor/portal", 0x06000001, "x", 0, {}, 6);
  b.add("eor/portal", 0x0E000001, "x", 0, {}, 14);
  b.add("eor/portal", 0x0E000002, "x", 0, {}, 14).entries().back().ns[20] = 'q';  // invalid
  b.add("eor/portal", 0x0E000003, "x", 0, {}, 14);
  b.records(
      {{testsupport::ns_bytes("eor/cell"), 0, 1}, {testsupport::ns_bytes("eor/portal"), 1, 4}});
  EXPECT_EQ(weenie_candidates(open(put("t.tsy", b.build()))),
            (Candidates{
                {0x0E000009, "eor/cell"}, {0x0E000001, "eor/portal"}, {0x0E000003, "eor/portal"}}));
}

}  // namespace
}  // namespace tessary::app
