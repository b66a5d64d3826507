// tsy-pack as a user runs it: directory in, archive out, messages and failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <functional>

#include "harness.hpp"
#include "tessary/dat/archive_reader.hpp"

namespace tessary::cli_test {
namespace {

// The archive as the reader sees it: header, then one line per index entry.
std::string describe_archive(const fs::path& p) {
  if (!fs::exists(p)) return "--- no archive\n";
  auto r = TsyReader::open(p);
  if (!r) return "--- unreadable archive: " + r.error().message() + "\n";
  const TsyHeader& h = r->header();
  std::string s = fmt::format("--- archive: {} bytes, entries {}, index at {}, metadata {}\n",
                              fs::file_size(p), h.entry_count, h.index_offset, h.metadata_size);
  for (uint32_t i = 0; i < h.entry_count; ++i) {
    const TsyEntry e = *r->read_entry_at(i);
    const auto data = r->read_entry_data(e);
    s += fmt::format(
        "{}:{:08X} type {} size {} stored {} at {} flags {:02X} data {}",
        e.namespace_id()->as_str(), e.file_id, e.type_id, e.size, e.comp_size, e.offset, e.flags,
        data ? hex_summary(
                   std::string_view(reinterpret_cast<const char*>(data->data()), data->size()), 8)
             : data.error().message() + "\n");
  }
  return s;
}

struct PackCase {
  const char* golden;
  std::function<void(TempDir&)> setup;
  std::vector<std::string> args;
  const char* archive;  // relative to the run directory; null when it is not an archive
};

TEST(TsyPack, Cases) {
  auto files = [](std::vector<std::pair<std::string, std::string>> named) {
    return [named](TempDir& d) {
      fs::create_directories(d / "in");
      for (const auto& [name, content] : named)
        d.write("in/" + name, content);
    };
  };
  const std::string compressible(4000, 'a');
  const PackCase cases[] = {
      {"tsy_pack_basic",
       [&](TempDir& d) {
         files({{"0600001A.6", "first"}, {"0600001B.6", "second"}, {"readme", "text"}})(d);
         fs::create_directories(d / "in/0600001C.6");
       },
       {"tsy-pack", "in", "portal.tsy"},
       "portal.tsy"},
      {"tsy_pack_empty", files({}), {"tsy-pack", "in", "out.tsy"}, "out.tsy"},
      {"tsy_pack_two_dots_skipped",
       files({{"a.b.c", "x"}, {"1.6", "y"}}),
       {"tsy-pack", "in", "out.tsy"},
       "out.tsy"},
      {"tsy_pack_leading_plus_and_zeros",
       files({{"+1F.6", "x"}, {"000000002F.0000000E", "y"}}),
       {"tsy-pack", "in", "out.tsy"},
       "out.tsy"},
      {"tsy_pack_cell_label_from_stem",
       files({{"A9B4FFFF.1", "land"}}),
       {"tsy-pack", "in", "Client_Cell.tsy"},
       "Client_Cell.tsy"},
      {"tsy_pack_cell_inside_stem",
       files({{"1.1", "x"}}),
       {"tsy-pack", "in", "precell.tsy"},
       "precell.tsy"},
      {"tsy_pack_cell_only_in_directory",
       [&](TempDir& d) {
         files({{"1.1", "x"}})(d);
         fs::create_directories(d / "cell");
       },
       {"tsy-pack", "in", "cell/data.tsy"},
       "cell/data.tsy"},
      {"tsy_pack_uncompressed_by_default",
       files({{"1.6", compressible}}),
       {"tsy-pack", "in", "out.tsy"},
       "out.tsy"},
      {"tsy_pack_compressed",
       files({{"1.6", compressible}, {"2.6", "tiny"}, {"3.6", ""}}),
       {"tsy-pack", "in", "out.tsy", "--compress"},
       "out.tsy"},
      {"tsy_pack_bad_id", files({{"notes.txt", "x"}}), {"tsy-pack", "in", "out.tsy"}, "out.tsy"},
      {"tsy_pack_hidden_file", files({{".hidden", "x"}}), {"tsy-pack", "in", "out.tsy"}, "out.tsy"},
      {"tsy_pack_prefixed_id", files({{"0x1F.6", "x"}}), {"tsy-pack", "in", "out.tsy"}, "out.tsy"},
      {"tsy_pack_id_too_large",
       files({{"100000000.6", "x"}}),
       {"tsy-pack", "in", "out.tsy"},
       "out.tsy"},
      {"tsy_pack_bad_type", files({{"1F.zz", "x"}}), {"tsy-pack", "in", "out.tsy"}, "out.tsy"},
      {"tsy_pack_empty_type", files({{"1F.", "x"}}), {"tsy-pack", "in", "out.tsy"}, "out.tsy"},
      {"tsy_pack_duplicate_id",
       files({{"1A.6", "x"}, {"001a.2", "y"}}),
       {"tsy-pack", "in", "out.tsy"},
       "out.tsy"},
      {"tsy_pack_resource_too_large",
       [&](TempDir& d) {
         files({{"1.6", ""}})(d);
         fs::resize_file(d / "in/1.6", uint64_t{1} << 32);  // sparse: nothing is stored
       },
       {"tsy-pack", "in", "out.tsy"},
       "out.tsy"},
      {"tsy_pack_missing_input", [](TempDir&) {}, {"tsy-pack", "in", "out.tsy"}, "out.tsy"},
      {"tsy_pack_output_directory_missing",
       files({{"1.6", "x"}}),
       {"tsy-pack", "in", "no/such/dir/out.tsy"},
       "no/such/dir/out.tsy"},
      {"tsy_pack_output_is_an_input",
       files({{"1.6", "x"}, {"2.6", "y"}}),
       {"tsy-pack", "in", "in/2.6"},
       "in/2.6"},
      {"tsy_pack_quoted_paths",
       files({{"1.6", "x"}}),
       {"tsy-pack", "in", "we\"ird.tsy"},
       "we\"ird.tsy"},
  };
  for (const PackCase& c : cases) {
    TempDir dir;
    c.setup(dir);
    const RunResult r = run_tool(c.args, dir.path());
    std::string shown = transcript(c.args, r);
    if (c.archive) shown += describe_archive(dir / c.archive);
    expect_golden(c.golden, shown);
  }
}

TEST(TsyPack, AFailedPackLeavesTheExistingArchiveAsItWas) {
  for (const char* second : {"001a.2", "notes.txt"}) {
    TempDir dir;
    dir.write("in/1A.6", "x");
    dir.write(std::string("in/") + second, "y");
    dir.write("out.tsy", "previous");
    const RunResult r = run_tool({"tsy-pack", "in", "out.tsy"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(dir.read("out.tsy"), "previous");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
      ++entries;
    EXPECT_EQ(entries, 2u) << "a temporary file was left behind";
  }
}

TEST(TsyPack, OutputThroughALinkLandsInTheLinkedFileAndADeviceStaysADevice) {
  TempDir dir;
  dir.write("in/1.6", "x");
  fs::create_directories(dir / "store");
  fs::create_symlink("store/real.tsy", dir / "link.tsy");
  for (const char* run : {"names a file not there yet", "names the archive just written"}) {
    EXPECT_EQ(run_tool({"tsy-pack", "in", "link.tsy"}, dir.path()).status, 0) << run;
    EXPECT_TRUE(fs::is_symlink(dir / "link.tsy")) << run;
    EXPECT_TRUE(TsyReader::open(dir / "store/real.tsy")) << run;
  }

  // The null device under another name: writing it must not put a regular file in its place.
  if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "cannot create a device node here";
  EXPECT_EQ(run_tool({"tsy-pack", "in", "null"}, dir.path()).status, 0);
  EXPECT_TRUE(fs::is_character_file(dir / "null"));
}

// The first bad file in listing order stops the run, whether its fault is in its name or in its
// content: an unreadable file listed before a badly named one is the error reported.
TEST(TsyPack, AnUnreadableFileFailsTheRunAtItsPlaceInTheListing) {
  if (::geteuid() == 0) GTEST_SKIP() << "every file is readable to root";
  TempDir dir;
  dir.write("in/1.6", "x");
  dir.write("in/zz.6", "y");
  fs::permissions(dir / "in/1.6", fs::perms::none);
  std::string first;
  for (const auto& e : fs::directory_iterator(dir / "in"))
    if (first.empty()) first = e.path().filename();
  const RunResult r = run_tool({"tsy-pack", "in", "out.tsy"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(first == "1.6" ? "Permission denied" : "Invalid hex ID in filename: zz.6"),
            std::string::npos)
      << r.err;
}

TEST(TsyPack, OutputIsTheSameWhateverTheDirectoryOrder) {
  std::vector<std::pair<std::string, std::string>> named;
  for (int i = 0; i < 40; ++i)
    named.emplace_back(fmt::format("{:X}.{:X}", i * 7919 % 1000, i % 3), std::string(i * 13, 'r'));
  TempDir dir;
  for (const auto& [name, content] : named)
    dir.write("a/" + name, content);
  for (auto it = named.rbegin(); it != named.rend(); ++it)
    dir.write("b/" + it->first, it->second);
  for (const char* in : {"a", "b"})
    for (const char* flag : {"", "-c"}) {
      std::vector<std::string> args = {"tsy-pack", in, fmt::format("{}{}.tsy", in, flag)};
      if (*flag) args.push_back(flag);
      ASSERT_EQ(run_tool(args, dir.path()).status, 0);
    }
  EXPECT_EQ(dir.read("a.tsy"), dir.read("b.tsy"));
  EXPECT_EQ(dir.read("a-c.tsy"), dir.read("b-c.tsy"));
  EXPECT_NE(dir.read("a.tsy"), dir.read("a-c.tsy"));
}

}  // namespace
}  // namespace tessary::cli_test
