// Archive records and writers: byte layout, ordering, compression choice, limits and failures.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <random>

#include "tessary/dat/archive_reader.hpp"
#include "tessary/dat/archive_writer.hpp"
#include "tessary/testsupport/tsy_builder.hpp"
#include "tsy_files.hpp"

namespace tessary {
namespace {

using testsupport::ns_bytes;

// Little-endian image assembled by hand, independent of the record encoders.
struct Image {
  std::vector<uint8_t> b;
  Image& bytes(std::string_view s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Image& ns(std::string_view label) {
    bytes(label);
    b.resize(b.size() + 32 - label.size());
    return *this;
  }
  template <typename T>
  Image& le(T v) {
    for (size_t i = 0; i < sizeof(T); ++i)
      b.push_back(static_cast<uint8_t>(uint64_t{v} >> (8 * i)));
    return *this;
  }
};

class TsyWriterTest : public TsyFiles {
 protected:
  std::vector<uint8_t> write(TsyWriter w) {
    const auto p = path("w.tsy");
    auto r = TsyWriter::write(std::move(w), p);
    EXPECT_TRUE(r) << r.error().message();
    return read(p);
  }
  TsyReader open(std::span<const uint8_t> image) {
    auto r = TsyReader::open(TsyFiles::write(image, "r.tsy"));
    EXPECT_TRUE(r) << r.error().message();
    return std::move(*r);
  }
  std::vector<TsyEntry> index_of(const TsyReader& r) {
    std::vector<TsyEntry> out;
    for (uint32_t i = 0; i < r.header().entry_count; ++i)
      out.push_back(*r.read_entry_at(i));
    return out;
  }
};

TEST_F(TsyWriterTest, TwoResourcesGiveThe203ByteLayout) {
  TsyWriter w;
  w.compress = false;
  ASSERT_TRUE(w.add("eor/portal", 2, 6, bytes_of("abcde")));
  ASSERT_TRUE(w.add("eor/portal", 1, 6, bytes_of("0123456789")));
  Image expected;
  expected.bytes(std::string_view("TSY\0", 4)).le<uint32_t>(2).le<uint32_t>(2).le<uint64_t>(83);
  expected.le<uint32_t>(44).bytes("0123456789abcde");
  expected.le<uint32_t>(1).ns("eor/portal").le<uint32_t>(0).le<uint32_t>(2);
  for (auto [id, offset, size] : {std::tuple{1u, 24u, 10u}, std::tuple{2u, 34u, 5u}}) {
    expected.ns("eor/portal").le<uint32_t>(id).le<uint32_t>(6).le<uint64_t>(offset);
    expected.le<uint32_t>(size).le<uint32_t>(size).le<uint8_t>(0).le<uint8_t>(0).le<uint16_t>(0);
  }
  ASSERT_EQ(expected.b.size(), 203u);
  EXPECT_EQ(write(std::move(w)), expected.b);
}

TEST_F(TsyWriterTest, NothingAddedGivesThe28ByteArchive) {
  TsyWriter w;
  EXPECT_TRUE(w.compress);
  Image expected;
  expected.bytes(std::string_view("TSY\0", 4)).le<uint32_t>(2).le<uint32_t>(0).le<uint64_t>(28);
  expected.le<uint32_t>(4).le<uint32_t>(0);
  EXPECT_EQ(write(std::move(w)), expected.b);
}

TEST_F(TsyWriterTest, RecordsRoundTripAndNameTheFieldThatRunsOut) {
  TsyEntry e{ns_bytes("eor/cell"), 0xA9B4FFFF, 14, 0x1122334455, 1000, 77, 5, 9, 0xBEEF};
  const auto raw = e.encode();
  Cursor cursor(raw);
  auto back = TsyEntry::read(cursor);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->encode(), raw);
  EXPECT_EQ(back->reserved, 0xBEEF);

  auto field_at = [](auto read, size_t len) {
    std::vector<uint8_t> bytes(len);
    Cursor cur(bytes);
    auto r = read(cur);
    return r ? std::string("ok") : r.error().context().front();
  };
  const struct {
    std::string record;
    std::vector<std::pair<size_t, std::string>> cuts;
  } cases[] = {
      {"TsyHeader",
       {{0, "magic"},
        {4, "version"},
        {8, "entry_count"},
        {12, "index_offset"},
        {20, "metadata_size"}}},
      {"TsyEntry",
       {{0, "namespace"},
        {32, "file_id"},
        {36, "type_id"},
        {40, "offset"},
        {48, "size"},
        {52, "comp_size"},
        {56, "flags"},
        {57, "storage_id"},
        {58, "reserved"}}},
      {"TsyNamespaceIndexEntry", {{0, "namespace"}, {32, "start_index"}, {36, "entry_count"}}},
  };
  for (const auto& c : cases) {
    for (const auto& [len, field] : c.cuts) {
      const std::string expected = "While parsing field '" + field + "' in " + c.record;
      if (c.record == "TsyHeader")
        EXPECT_EQ(field_at([](Cursor& in) { return TsyHeader::read(in); }, len), expected);
      else if (c.record == "TsyEntry")
        EXPECT_EQ(field_at([](Cursor& in) { return TsyEntry::read(in); }, len), expected);
      else
        EXPECT_EQ(field_at([](Cursor& in) { return TsyNamespaceIndexEntry::read(in); }, len),
                  expected);
    }
  }
}

TEST_F(TsyWriterTest, CollectedResourcesAreWrittenSortedWhateverTheOrderAdded) {
  auto build = [](std::vector<std::tuple<const char*, uint32_t, const char*>> order) {
    TsyWriter w;
    for (auto [ns, id, data] : order)
      EXPECT_TRUE(w.add(ns, id, 0, bytes_of(data)));
    return w;
  };
  const auto image =
      write(build({{"eor/portal", 2, "P2"}, {"eor/cell", 9, "C9"}, {"eor/portal", 1, "P1"}}));
  EXPECT_EQ(write(build({{"eor/portal", 1, "P1"}, {"eor/cell", 9, "C9"}, {"eor/portal", 2, "P2"}})),
            image);
  EXPECT_EQ(std::string(image.begin() + 24, image.begin() + 30), "C9P1P2");
  TsyReader r = open(image);
  ASSERT_EQ(r.spans().size(), 2u);
  EXPECT_EQ(r.spans()[0].ns.as_str(), "eor/cell");
  EXPECT_EQ(std::pair(r.spans()[0].start_index, r.spans()[0].entry_count), std::pair(0u, 1u));
  EXPECT_EQ(r.spans()[1].ns.as_str(), "eor/portal");
  EXPECT_EQ(std::pair(r.spans()[1].start_index, r.spans()[1].entry_count), std::pair(1u, 2u));
}

TEST_F(TsyWriterTest, StreamWriterKeepsDataInArrivalOrderAndSortsTheIndex) {
  auto s = TsyStreamWriter::create(*File::create(path("s.tsy")), false);
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->add("eor/portal", 2, 0, bytes_of("two")));
  ASSERT_TRUE(s->add("eor/portal", 1, 0, bytes_of("one")));
  ASSERT_TRUE(TsyStreamWriter::finish(std::move(*s)));
  const auto image = read(path("s.tsy"));
  EXPECT_EQ(std::string(image.begin() + 24, image.begin() + 30), "twoone");
  const auto index = index_of(open(image));
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(std::pair(index[0].file_id, index[0].offset), std::pair(1u, uint64_t{27}));
  EXPECT_EQ(std::pair(index[1].file_id, index[1].offset), std::pair(2u, uint64_t{24}));
}

TEST_F(TsyWriterTest, StreamWriterPlacesSmallAndLargeResourcesBackToBack) {
  // Small resources are gathered before they are written, large ones go out at once; either
  // way each lands right after the one before.
  std::vector<std::vector<uint8_t>> data;
  for (size_t size : {size_t{3}, size_t{3} << 20, size_t{5}, (size_t{1} << 20) - 4, size_t{7}})
    data.emplace_back(size, static_cast<uint8_t>('a' + data.size()));
  auto s = TsyStreamWriter::create(*File::create(path("big.tsy")), false);
  ASSERT_TRUE(s);
  for (uint32_t id = 0; id < data.size(); ++id)
    ASSERT_TRUE(s->add("eor/portal", id, 0, data[id]));
  ASSERT_TRUE(TsyStreamWriter::finish(std::move(*s)));
  TsyReader r = *TsyReader::open(path("big.tsy"));
  uint64_t expected_offset = 24;
  for (uint32_t id = 0; id < data.size(); ++id) {
    SCOPED_TRACE(id);
    const TsyEntry e = *r.read_entry_at(id);
    EXPECT_EQ(e.offset, expected_offset);
    EXPECT_EQ(*r.read_entry_data(e), data[id]);
    expected_offset += data[id].size();
  }
  EXPECT_EQ(r.header().index_offset - r.header().metadata_size, expected_offset);
}

TEST_F(TsyWriterTest, CompressesOnlyWhenTheFrameIsStrictlySmaller) {
  std::mt19937 rng(7);
  std::vector<uint8_t> random(16);
  for (auto& b : random)
    b = static_cast<uint8_t>(rng());
  for (bool compress : {true, false}) {
    auto s = TsyStreamWriter::create(*File::create(path("c.tsy")), compress);
    ASSERT_TRUE(s);
    ASSERT_TRUE(s->add("eor/portal", 1, 0, std::vector<uint8_t>(1000, 0)));
    ASSERT_TRUE(s->add("eor/portal", 2, 0, random));
    ASSERT_TRUE(s->add("eor/portal", 3, 0, {}));
    ASSERT_TRUE(s->add_pruned("eor/portal", 4, 0, std::vector<uint8_t>(1000, 0)));
    ASSERT_TRUE(s->add_pruned("eor/portal", 5, 0, random));
    ASSERT_TRUE(TsyStreamWriter::finish(std::move(*s)));
    TsyReader r = open(read(path("c.tsy")));
    const auto index = index_of(r);
    ASSERT_EQ(index.size(), 5u);
    const uint8_t z = compress ? 1 : 0;
    const std::vector<uint8_t> flags = {z, 0, 0, uint8_t(4 | z), 4};
    for (size_t i = 0; i < index.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(index[i].flags, flags[i]);
      if (index[i].compressed())
        EXPECT_LT(index[i].comp_size, index[i].size);
      else
        EXPECT_EQ(index[i].comp_size, index[i].size);
    }
    EXPECT_EQ(index[0].size, 1000u);
    // The empty resource points where its bytes would have started.
    EXPECT_EQ(index[2].offset, index[1].offset + index[1].comp_size);
    EXPECT_EQ(*r.read_entry_data(index[0]), std::vector<uint8_t>(1000, 0));
    EXPECT_EQ(*r.read_entry_data(index[1]), random);
    EXPECT_TRUE(r.read_entry_data(index[2])->empty());
  }
}

TEST_F(TsyWriterTest, RefusedResourcesLeaveTheWriterAsItWas) {
  const std::string long_label(33, 'x');
  const struct {
    std::string label;
    uint32_t id;
    std::string expected;
  } cases[] = {
      {"eor/portal", 5, "Duplicate namespaced file eor/portal:00000005 detected"},
      {"", 6, "Invalid namespace: namespace label cannot be empty"},
      {long_label, 6, "Invalid namespace: namespace label '" + long_label + "' exceeds 32 bytes"},
      {std::string("a\0b", 3), 6,
       "Invalid namespace: namespace label '" + std::string("a\0b", 3) + "' contains a NUL byte"},
  };
  TsyWriter w;
  ASSERT_TRUE(w.add("eor/portal", 5, 0, bytes_of("first")));
  auto s = TsyStreamWriter::create(*File::create(path("s.tsy")), true);
  ASSERT_TRUE(s->add("eor/portal", 5, 0, bytes_of("first")));
  for (const auto& c : cases) {
    auto collected = w.add(c.label, c.id, 0, bytes_of("second"));
    ASSERT_FALSE(collected);
    EXPECT_EQ(collected.error().message(), c.expected);
    auto streamed = s->add(c.label, c.id, 0, bytes_of("second"));
    ASSERT_FALSE(streamed);
    EXPECT_EQ(streamed.error().message(), c.expected);
  }
  EXPECT_EQ(w.size(), 1u);
  EXPECT_TRUE(w.add("eor/cell", 5, 0, bytes_of("other")));
  ASSERT_TRUE(s->add("eor/cell", 5, 0, bytes_of("other")));
  ASSERT_TRUE(TsyStreamWriter::finish(std::move(*s)));
  TsyReader r = open(read(path("s.tsy")));
  EXPECT_EQ(r.header().entry_count, 2u);
  auto first = r.find_entry_with_namespace_id(*ResourceNamespace::create("eor/portal"), 5);
  EXPECT_EQ(*r.read_entry_data(*first), bytes_of("first"));
}

TEST_F(TsyWriterTest, ResourcesTheFormatCannotHoldAreRefusedBeforeAnythingIsWritten) {
  EXPECT_TRUE(check_tsy_capacity("eor/portal", 1, UINT32_MAX, kTsyMaxEntries - 1));
  const struct {
    uint64_t size;
    size_t before;
    std::string expected;
  } cases[] = {
      {uint64_t{1} << 32, 0,
       "Other error: Resource eor/portal:0x00000001 is 4294967296 bytes; a TSY archive holds at "
       "most 4294967295 bytes per resource"},
      {0, 71582788,
       "Other error: Resource eor/portal:0x00000001 does not fit: a TSY archive holds at most "
       "71582788 entries"},
  };
  for (const auto& c : cases) {
    auto r = check_tsy_capacity("eor/portal", 1, c.size, c.before);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message(), c.expected);
  }

  // A real 4 GiB resource: untouched zero pages, never committed.
  const size_t four_gib = size_t{1} << 32;
  void* big =
      ::mmap(nullptr, four_gib, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(big, MAP_FAILED);
  auto s = TsyStreamWriter::create(*File::create(path("big.tsy")), false);
  auto added = s->add("eor/portal", 1, 0, std::span(static_cast<const uint8_t*>(big), four_gib));
  ::munmap(big, four_gib);
  ASSERT_FALSE(added);
  EXPECT_EQ(std::filesystem::file_size(path("big.tsy")), TsyHeader::kSize);
}

TEST_F(TsyWriterTest, AFailedWriteLeavesTheExistingArchiveAndNoTemporaryFile) {
  const auto target = path("keep.tsy");
  TsyFiles::write(bytes_of("previous archive"), "keep.tsy");
  TsyWriter w;
  w.compress = false;
  ASSERT_TRUE(w.add("eor/portal", 1, 0, std::vector<uint8_t>(1 << 20, 7)));

  // Writes past 64 KiB fail with EFBIG instead of raising SIGXFSZ.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &old);
  rlimit saved;
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &small);
  auto r = TsyWriter::write(std::move(w), target);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &old, nullptr);

  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().message(), "IO error: File too large (os error 27)");
  EXPECT_EQ(read(target), bytes_of("previous archive"));
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(target.parent_path()))
    ++files;
  EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace tessary
