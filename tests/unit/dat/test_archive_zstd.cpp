// Compressed entries are plain zstd frames: the stock zstd tool decodes what the writer stores,
// and the reader decodes what the zstd tool produces. Compressed bytes are never compared.
#define ZSTD_STATIC_LINKING_ONLY
#include <gtest/gtest.h>
#include <zstd.h>

#include <cstdlib>
#include <random>

#include "tessary/dat/archive_reader.hpp"
#include "tessary/dat/archive_writer.hpp"
#include "tessary/testsupport/tsy_builder.hpp"
#include "tsy_files.hpp"

namespace tessary {
namespace {

bool have_zstd_tool() {
  return std::system("zstd --version >/dev/null 2>&1") == 0;
}

int run(const std::string& command) {
  return std::system(command.c_str());
}

// Text-like data: compressible but not trivially.
std::vector<uint8_t> sample(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  const std::string words[] = {"portal ", "cell ", "landblock ", "weenie ", "spell ", "0x0E "};
  std::vector<uint8_t> out;
  while (out.size() < n) {
    const std::string& w = words[rng() % 6];
    out.insert(out.end(), w.begin(), w.end());
  }
  out.resize(n);
  return out;
}

class TsyZstd : public TsyFiles {
 protected:
  void SetUp() override {
    if (!have_zstd_tool()) GTEST_SKIP() << "the zstd command-line tool is not installed";
  }
};

TEST_F(TsyZstd, StoredFramesDecodeWithTheZstdToolAndCarryTheContentSize) {
  const std::vector<size_t> sizes = {300, 1000, 128 * 1024 + 7, 700 * 1024};
  TsyWriter w;
  for (uint32_t i = 0; i < sizes.size(); ++i)
    ASSERT_TRUE(w.add("eor/portal", i, 0, sample(sizes[i], i)));
  ASSERT_TRUE(TsyWriter::write(std::move(w), path("z.tsy")));
  TsyReader r = *TsyReader::open(path("z.tsy"));
  const auto image = read(path("z.tsy"));
  for (uint32_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE(sizes[i]);
    const TsyEntry e = *r.find_entry(i);
    ASSERT_TRUE(e.compressed());
    const std::span<const uint8_t> frame(image.data() + e.offset, e.comp_size);

    ZSTD_frameHeader fh;
    ASSERT_EQ(ZSTD_getFrameHeader(&fh, frame.data(), frame.size()), 0u);
    EXPECT_EQ(fh.frameType, ZSTD_frame);
    EXPECT_EQ(fh.frameContentSize, sizes[i]);
    EXPECT_EQ(fh.checksumFlag, 0u);
    EXPECT_EQ(fh.dictID, 0u);
    EXPECT_EQ(ZSTD_findFrameCompressedSize(frame.data(), frame.size()), frame.size());

    TsyFiles::write(frame, "frame.zst");
    ASSERT_EQ(
        run("zstd -q -d -f -o " + path("frame.out").string() + " " + path("frame.zst").string()),
        0);
    EXPECT_EQ(read(path("frame.out")), sample(sizes[i], i));
  }
}

TEST_F(TsyZstd, FramesOfTheZstdToolReadBack) {
  const auto data = sample(300 * 1024, 9);
  TsyFiles::write(data, "in.bin");
  const std::string in = path("in.bin").string();
  const struct {
    const char* name;
    std::string command;
  } encoders[] = {
      // Input from a pipe: the frame carries no content size.
      {"streamed", "zstd -q -3 -c < " + in + " > " + path("a.zst").string()},
      {"checksummed level 19", "zstd -q -19 --check -c " + in + " > " + path("b.zst").string()},
      {"level 1", "zstd -q -1 --no-check -c " + in + " > " + path("c.zst").string()},
  };
  testsupport::TsyBuilder b;
  uint32_t id = 0;
  for (const auto& enc : encoders) {
    ASSERT_EQ(run(enc.command), 0) << enc.name;
    const std::string file = std::string(1, char('a' + id)) + ".zst";
    b.add("eor/portal", id++, read(path(file)), TsyEntry::kCompressed,
          static_cast<uint32_t>(data.size()));
  }
  TsyReader r = *TsyReader::open(TsyFiles::write(b.build()));
  for (uint32_t i = 0; i < id; ++i) {
    auto got = r.read_entry_data(*r.find_entry(i));
    ASSERT_TRUE(got) << encoders[i].name << ": " << got.error().message();
    EXPECT_EQ(*got, data) << encoders[i].name;
  }
}

}  // namespace
}  // namespace tessary
