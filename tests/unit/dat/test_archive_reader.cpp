// Archive reader: every structural check with its message, lookups and their probes, entry reads.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zstd.h>

#include <fstream>
#include <functional>
#include <optional>

#include "tessary/dat/archive_reader.hpp"
#include "tessary/dat/archive_writer.hpp"
#include "tessary/testsupport/tsy_builder.hpp"
#include "tsy_files.hpp"

namespace tessary {
namespace {

using testsupport::ns_bytes;
using testsupport::TsyBuilder;

std::vector<uint8_t> zstd_frame(std::span<const uint8_t> data) {
  std::vector<uint8_t> out(ZSTD_compressBound(data.size()));
  out.resize(ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 3));
  return out;
}

// Positioned reads this process made, from the kernel's own count.
uint64_t read_calls() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "syscr:") return value;
  return 0;
}

class TsyReaderTest : public TsyFiles {
 protected:
  DatResult<TsyReader> open(const TsyBuilder& b) { return TsyReader::open(write(b.build())); }
  TsyReader open_ok(const TsyBuilder& b) {
    auto r = open(b);
    EXPECT_TRUE(r) << r.error().message();
    return std::move(*r);
  }
  // Read calls made by `f`, net of those that reading the counter itself costs.
  uint64_t count_reads(const std::function<void()>& f) {
    const uint64_t a = read_calls();
    const uint64_t b = read_calls();
    f();
    const uint64_t c = read_calls();
    return (c - b) - (b - a);
  }
};

TsyNamespaceIndexEntry rec(std::string_view ns, uint32_t start, uint32_t count) {
  return {ns_bytes(ns), start, count};
}

TEST_F(TsyReaderTest, OpeningChecksTheStructureInOrder) {
  const std::string eof = "IO error: failed to fill whole buffer";
  auto with = [](std::function<void(TsyBuilder&)> f) {
    TsyBuilder b;
    f(b);
    return b;
  };
  auto five_entries = [](TsyBuilder& b) {
    for (uint32_t id = 1; id <= 5; ++id)
      b.add("eor/portal", id, "x");
  };
  std::vector<uint8_t> count_only(4);
  store_le<uint32_t>(count_only.data(), 107374183);
  const struct {
    const char* name;
    TsyBuilder builder;
    std::string expected;
  } cases[] = {
      {"magic", with([](TsyBuilder& b) {
         b.header().magic = {'T', 'S', 'Y', '1'};
       }),
       "Invalid magic for format: TSY"},
      {"version 1", with([](TsyBuilder& b) { b.header().version = 1; }), "Unsupported version: 1"},
      {"version 3", with([](TsyBuilder& b) { b.header().version = 3; }), "Unsupported version: 3"},
      {"index size", with([](TsyBuilder& b) { b.header().entry_count = 71582789; }),
       "Corruption detected: TSY index size overflow"},
      {"largest count", with([](TsyBuilder& b) { b.header().entry_count = 71582788; }),
       "Corruption detected: TSY index extends beyond file size (4294967308 > 28)"},
      {"index range", with([](TsyBuilder& b) {
         b.header().index_offset = UINT64_MAX - 10;
         b.add("n", 1, "x");
       }),
       "Corruption detected: TSY index range overflow"},
      {"index one byte past the end", with([](TsyBuilder& b) {
         b.add("eor/portal", 1, "x");
         b.header().index_offset = 70;
       }),
       "Corruption detected: TSY index extends beyond file size (130 > 129)"},
      {"metadata underflow", with([](TsyBuilder& b) {
         b.header().index_offset = 5;
         b.header().metadata_size = 10;
       }),
       "Corruption detected: TSY metadata offset underflow"},
      {"metadata in header", with([](TsyBuilder& b) {
         b.trailing("pad");
         b.header().index_offset = 30;
         b.header().metadata_size = 10;
       }),
       "Corruption detected: TSY metadata offset 20 is within header area"},
      {"entries without metadata", with([&](TsyBuilder& b) {
         five_entries(b);
         b.header().metadata_size = 0;
       }),
       "Corruption detected: TSY v2 archives with entries must include namespace metadata"},
      {"short metadata", with([](TsyBuilder& b) {
         b.metadata({1, 0});
       }),
       "Binary read error: failed to fill whole buffer"},
      {"metadata size", with([](TsyBuilder& b) {
         std::vector<uint8_t> m(50);
         m[0] = 1;
         b.metadata(m);
       }),
       "Corruption detected: TSY metadata size mismatch: header says 50, metadata contents "
       "require 44"},
      {"huge namespace count", with([&](TsyBuilder& b) {
         auto m = count_only;
         m.resize(28);
         b.metadata(m);
       }),
       "Corruption detected: TSY metadata size mismatch: header says 28, metadata contents "
       "require 4294967324"},
      {"empty namespace", with([](TsyBuilder& b) {
         b.add("eor/portal", 1, "x");
         b.records({rec("", 0, 1)});
       }),
       "Invalid namespace: namespace label cannot be empty"},
      {"unsorted", with([](TsyBuilder& b) {
         b.add("eor/portal", 1, "x").add("eor/portal", 2, "x").add("eor/cell", 1, "x");
         b.records({rec("eor/portal", 0, 2), rec("eor/cell", 2, 1)});
       }),
       "Corruption detected: TSY namespace metadata is not strictly sorted"},
      {"repeated", with([](TsyBuilder& b) {
         b.add("eor/portal", 1, "x").add("eor/portal", 2, "x");
         b.records({rec("eor/portal", 0, 1), rec("eor/portal", 1, 1)});
       }),
       "Corruption detected: TSY namespace metadata is not strictly sorted"},
      {"gap", with([&](TsyBuilder& b) {
         five_entries(b);
         b.records({rec("eor/portal", 1, 4)});
       }),
       "Corruption detected: TSY namespace metadata is not contiguous: expected start 0, found 1"},
      {"span overflow", with([&](TsyBuilder& b) {
         five_entries(b);
         b.records({rec("a", 0, 5), rec("b", 5, UINT32_MAX)});
       }),
       "Corruption detected: TSY namespace span overflow"},
      {"span past count", with([&](TsyBuilder& b) {
         five_entries(b);
         b.records({rec("eor/portal", 0, 6)});
       }),
       "Corruption detected: TSY namespace span exceeds total entry count (6 > 5)"},
      {"partial cover", with([&](TsyBuilder& b) {
         five_entries(b);
         b.records({rec("eor/portal", 0, 3)});
       }),
       "Corruption detected: TSY namespace metadata covered 3 entries but header declares 5"},
      {"no records", with([&](TsyBuilder& b) {
         five_entries(b);
         b.records({});
       }),
       "Corruption detected: TSY namespace metadata covered 0 entries but header declares 5"},
  };
  for (const auto& c : cases) {
    auto r = open(c.builder);
    ASSERT_FALSE(r) << c.name;
    EXPECT_EQ(r.error().message(), c.expected) << c.name;
  }

  auto tiny = TsyReader::open(write(std::vector<uint8_t>(23, 0)));
  ASSERT_FALSE(tiny);
  EXPECT_EQ(tiny.error().chain(), (std::vector<std::string>{eof, "failed to fill whole buffer"}));
  auto missing = TsyReader::open(path("missing.tsy"));
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message(), "Failed to open file at " + path("missing.tsy").string() +
                                           ": No such file or directory (os error 2)");
}

TEST_F(TsyReaderTest, AcceptsTrailingBytesEmptySpansAndBothEmptyForms) {
  TsyBuilder trailing;
  trailing.add("eor/portal", 1, "x").trailing("extra");
  EXPECT_TRUE(open(trailing));

  TsyBuilder empty_span;
  empty_span.add("b", 1, "x").records({rec("a", 0, 0), rec("b", 0, 1)});
  TsyReader r = open_ok(empty_span);
  EXPECT_EQ(r.find_entry_with_namespace_id(*ResourceNamespace::create("a"), 1).error().message(),
            "File ID 00000001 not found in provider");

  TsyBuilder no_metadata;
  no_metadata.metadata({});
  TsyBuilder plain;
  for (const TsyBuilder* b : {&no_metadata, &plain}) {
    TsyReader empty = open_ok(*b);
    EXPECT_TRUE(empty.spans().empty());
    EXPECT_EQ(empty.find_entry(7).error().message(), "File ID 00000007 not found in provider");
    EXPECT_EQ(empty.find_entry_with_namespace_id(*ResourceNamespace::create("eor/portal"), 7)
                  .error()
                  .kind(),
              DatError::Kind::NotFound);
  }
}

TEST_F(TsyReaderTest, LookupsNeedANamespaceOnlyWhenThereAreSeveral) {
  TsyBuilder b;
  b.add("eor/cell", 1, "c1").add("eor/cell", 2, "c2").add("eor/portal", 1, "p1");
  TsyReader two = open_ok(b);
  EXPECT_EQ(two.find_entry(1).error().message(),
            "Other error: TSY v2 archive contains multiple namespaces; explicit namespace lookup "
            "is required");
  for (auto [ns, id, data] :
       {std::tuple{"eor/cell", 2u, "c2"}, std::tuple{"eor/portal", 1u, "p1"}}) {
    auto e = two.find_entry_with_namespace_id(*ResourceNamespace::create(ns), id);
    ASSERT_TRUE(e);
    EXPECT_EQ(*two.read_entry_data(*e), bytes_of(data));
  }
  EXPECT_EQ(two.find_entry_with_namespace_id(*ResourceNamespace::create("eor/other"), 1)
                .error()
                .message(),
            "File ID 00000001 not found in provider");
  EXPECT_EQ(two.find_entry_with_namespace_id(*ResourceNamespace::create("eor/portal"), 2)
                .error()
                .message(),
            "File ID 00000002 not found in provider");

  TsyBuilder single;
  single.add("eor/cell", 0x10, "a").add("eor/cell", 0x20, "b");
  EXPECT_EQ(open_ok(single).find_entry(0x20)->file_id, 0x20u);
}

TEST_F(TsyReaderTest, BinarySearchReadsOneRecordPerProbeAndStaysInsideTheSpan) {
  // The span of "a" starts the index and the span of "b" ends the file, so a probe outside
  // either span would fail with an I/O error or find the neighbour.
  TsyBuilder b;
  for (uint32_t id : {5, 9, 12})
    b.add("a", id, "x");
  for (uint32_t id : {5, 9, 12})
    b.add("b", id, "y");
  TsyReader r = open_ok(b);
  const auto a = *ResourceNamespace::create("a");
  const auto bns = *ResourceNamespace::create("b");
  const struct {
    const ResourceNamespace* ns;
    uint32_t id;
    bool found;
    uint64_t probes;
  } cases[] = {
      {&a, 4, false, 2},   {&a, 12, true, 2},    {&a, 9, true, 1},   {&a, 13, false, 2},
      {&bns, 4, false, 2}, {&bns, 13, false, 2}, {&bns, 5, true, 2},
  };
  for (const auto& c : cases) {
    DatResult<TsyEntry> e = std::unexpected(DatError::other(""));
    EXPECT_EQ(count_reads([&] { e = r.find_entry_with_namespace_id(*c.ns, c.id); }), c.probes)
        << c.ns->as_str() << " " << c.id;
    EXPECT_EQ(e.has_value(), c.found);
    if (c.found) {
      EXPECT_EQ(e->file_id, c.id);
      EXPECT_EQ(e->ns, c.ns->bytes());
    } else {
      EXPECT_EQ(e.error().kind(), DatError::Kind::NotFound);
    }
  }
}

TEST_F(TsyReaderTest, EntryDataIsRangeCheckedAndDecompressedToItsExactSize) {
  const std::vector<uint8_t> text(3000, 'q');
  const auto frame = zstd_frame(text);
  TsyBuilder b;
  b.add("n", 1, "stored");
  b.add("n", 2, frame, 1, 3000);
  b.add("n", 3, frame, 1, 3001);
  b.add("n", 4, frame, 1, 2999);
  b.add("n", 5, "not a zstd frame", 1, 100);
  b.add("n", 6, "", 0);
  TsyReader r = open_ok(b);
  auto entry = [&](uint32_t id) { return *r.find_entry(id); };
  EXPECT_EQ(*r.read_entry_data(entry(1)), bytes_of("stored"));
  EXPECT_EQ(*r.read_entry_data(entry(2)), text);
  EXPECT_EQ(r.read_entry_data(entry(3)).error().message(),
            "Corruption detected: Decompressed size mismatch for 0x00000003: expected 3001, got "
            "3000");
  EXPECT_EQ(r.read_entry_data(entry(4)).error().message(),
            "Failed to recover compressed file 00000004");
  EXPECT_EQ(r.read_entry_data(entry(5)).error().message(),
            "Failed to recover compressed file 00000005");
  EXPECT_TRUE(r.read_entry_data(entry(6))->empty());

  TsyEntry e = entry(1);
  e.file_id = 42;
  e.offset = r.file_length() - e.comp_size;
  EXPECT_TRUE(r.read_entry_data(e));
  e.offset += 1;
  EXPECT_EQ(
      r.read_entry_data(e).error().message(),
      fmt::format("Corruption detected: Entry range out of bounds for 0x0000002A: offset {} + "
                  "comp_size 6 > file_len {}",
                  e.offset, r.file_length()));
  e.offset = UINT64_MAX - 2;
  EXPECT_EQ(r.read_entry_data(e).error().message(),
            "Corruption detected: Entry offset overflow for 0x0000002A: offset "
            "18446744073709551613 + comp_size 6");
}

TEST_F(TsyReaderTest, AHostileSizeClaimNeverAllocatesMoreThanTheFrameCanProduce) {
  // A frame without a content size (as a streaming encoder makes) that yields 100 bytes, and a
  // frame whose header claims 4 GiB. Both sit in 4 GiB entries.
  const std::vector<uint8_t> data(100, 'h');
  std::vector<uint8_t> streamed(ZSTD_compressBound(data.size()));
  {
    ZSTD_CCtx* cctx = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_contentSizeFlag, 0);
    streamed.resize(
        ZSTD_compress2(cctx, streamed.data(), streamed.size(), data.data(), data.size()));
    ZSTD_freeCCtx(cctx);
  }
  ASSERT_EQ(ZSTD_getFrameContentSize(streamed.data(), streamed.size()), ZSTD_CONTENTSIZE_UNKNOWN);
  // 20 bytes: magic; single-segment descriptor with an 8-byte content size of 4294967295; an RLE
  // block of 100 'h' bytes; a last, empty raw block.
  const std::vector<uint8_t> claiming = {0x28, 0xB5, 0x2F, 0xFD, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0,
                                         0,    0,    0,    0x22, 0x03, 0,    'h',  0x01, 0,    0};

  TsyBuilder b;
  b.add("n", 1, streamed, 1, UINT32_MAX);
  b.add("n", 2, claiming, 1, UINT32_MAX);
  TsyReader r = open_ok(b);
  rusage before;
  ::getrusage(RUSAGE_SELF, &before);
  EXPECT_EQ(r.read_entry_data(*r.find_entry(1)).error().message(),
            "Corruption detected: Decompressed size mismatch for 0x00000001: expected 4294967295, "
            "got 100");
  EXPECT_EQ(r.read_entry_data(*r.find_entry(2)).error().message(),
            "Failed to recover compressed file 00000002");
  rusage after;
  ::getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024);  // KiB

  // A header that claims more than the entry holds fails before anything is decoded.
  EXPECT_FALSE(r.decompress_zstd(claiming, 99));
}

TEST_F(TsyReaderTest, MemoryFollowsWhatAFrameProducesNotWhatItsEntryClaims) {
  // A 64 KB frame could in principle yield 2.8 GB, so a buffer sized by the entry's claim (or the
  // frame's own) would take that much for a frame that yields 16 KB.
  std::vector<uint8_t> cut = testsupport::zstd_rle_frame(40, 100000);
  cut.resize(cut.size() - 2);
  struct Case {
    const char* name;
    std::vector<uint8_t> frame;
    uint32_t size;
    std::optional<std::string> error;  // none: reads back `size` bytes 'r'
  };
  const Case cases[] = {
      {"16 KB from a 64 KB frame under a 4 GiB claim", testsupport::zstd_rle_frame(16000, 1),
       UINT32_MAX,
       "Corruption detected: Decompressed size mismatch for 0x00000001: expected 4294967295, "
       "got 16000"},
      {"4 MB from 166 bytes: the buffer grows to the size",
       testsupport::zstd_rle_frame(40, 100000),
       4000000,
       {}},
      {"frame cut short while growing", cut, 4000000, "Failed to recover compressed file 00000003"},
      {"frame yields more than the entry holds", testsupport::zstd_rle_frame(40, 100000), 3000000,
       "Failed to recover compressed file 00000004"},
  };
  TsyBuilder b;
  uint32_t id = 0;
  for (const Case& c : cases)
    b.add("n", ++id, c.frame, TsyEntry::kCompressed, c.size);
  TsyReader r = open_ok(b);
  id = 0;
  for (const Case& c : cases) {
    rusage before;
    ::getrusage(RUSAGE_SELF, &before);
    auto data = r.read_entry_data(*r.find_entry(++id));
    rusage after;
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << c.name;  // KiB
    if (c.error) {
      ASSERT_FALSE(data) << c.name;
      EXPECT_EQ(data.error().message(), *c.error) << c.name;
    } else {
      ASSERT_TRUE(data) << c.name << ": " << data.error().message();
      EXPECT_EQ(*data, std::vector<uint8_t>(c.size, 'r')) << c.name;
    }
  }
}

TEST_F(TsyReaderTest, IndexWalkerMatchesPerEntryReadsAcrossChunksAndFailures) {
  TsyBuilder b;
  for (uint32_t id = 0; id < 10; ++id)
    b.add(id < 4 ? "a" : "b", id, std::string(id, 'd'), 0, std::nullopt, id * 3);
  const auto p = write(b.build());
  TsyReader r = *TsyReader::open(p);
  TsyIndexWalker walker(r, 3);
  for (uint32_t i = 0; i < 10; ++i) {
    ASSERT_FALSE(walker.done());
    auto e = walker.next();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->encode(), r.read_entry_at(i)->encode());
  }
  EXPECT_TRUE(walker.done());

  // The file shrinks after opening: the readable head of a failed chunk still comes through.
  std::filesystem::resize_file(p, std::filesystem::file_size(p) - 3 * 60 - 10);
  TsyIndexWalker cut(r, 4);
  for (uint32_t i = 0; i < 10; ++i) {
    auto e = cut.next();
    auto direct = r.read_entry_at(i);
    ASSERT_EQ(e.has_value(), direct.has_value()) << i;
    EXPECT_EQ(e.has_value(), i < 6) << i;
    if (!e) {
      EXPECT_EQ(e.error().message(), "IO error: failed to fill whole buffer");
    }
  }
}

TEST_F(TsyReaderTest, IndexWalkerHandsOutRawRecordsUpToEachChunkEnd) {
  TsyBuilder b;
  for (uint32_t id = 0; id < 10; ++id)
    b.add("a", id, std::string(id, 'd'));
  const auto p = write(b.build());
  TsyReader r = *TsyReader::open(p);
  // One entry taken alone, then raw runs: the rest of the first chunk, then whole chunks.
  TsyIndexWalker walker(r, 4);
  ASSERT_TRUE(walker.next());
  std::vector<uint32_t> run_lengths;
  std::vector<uint32_t> ids;
  while (!walker.done()) {
    const auto records = walker.next_records();
    ASSERT_EQ(records.size() % 60, 0u);
    ASSERT_FALSE(records.empty());
    run_lengths.push_back(static_cast<uint32_t>(records.size() / 60));
    for (size_t at = 0; at < records.size(); at += 60)
      ids.push_back(load_le<uint32_t>(records.data() + at + 32));
  }
  EXPECT_EQ(run_lengths, (std::vector<uint32_t>{3, 4, 2}));
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

  // A chunk that cannot be read gives no raw run; its entries still come one by one from next().
  std::filesystem::resize_file(p, std::filesystem::file_size(p) - 3 * 60 - 10);
  TsyIndexWalker cut(r, 4);
  EXPECT_EQ(cut.next_records().size(), 4u * 60);
  EXPECT_TRUE(cut.next_records().empty());
  EXPECT_EQ(cut.position(), 4u);
  EXPECT_EQ(cut.next()->file_id, 4u);
}

}  // namespace
}  // namespace tessary
