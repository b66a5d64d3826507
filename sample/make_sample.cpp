// Writes the bundled sample dataset: a portal-style and a cell-style DAT file built by the
// project's own writer, so `make run` needs no client files. Each kind of resource has its own
// function; add new kinds the same way.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tessary/common/cursor.hpp"
#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"

using tessary::store_le;
using tessary::testsupport::DatWriter;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes text_bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

// A texture resource: a 24-byte header whose format code sits at bytes 16 to 19, then the data.
Bytes texture(uint32_t width, uint32_t height, uint32_t format, const Bytes& data) {
  Bytes b(24, 0);
  store_le<uint32_t>(&b[4], width);
  store_le<uint32_t>(&b[8], height);
  store_le<uint32_t>(&b[16], format);
  store_le<uint32_t>(&b[20], static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

void add_portal_textures(DatWriter& w) {
  // Format 500: the data after the header is a JPEG stream (here just its start and end markers).
  w.add_file(0x0600127D, texture(1, 1, 500, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0xFF, 0xD9}));
  // Any other format stays in the client's own layout.
  w.add_file(0x06001280, texture(2, 2, 21, Bytes(16, 0x7F)));
}

// A sound resource: 12 bytes of its own, the 16-byte wave format block, 2 unused bytes, samples.
void add_portal_sounds(DatWriter& w) {
  constexpr uint32_t kRate = 8000;
  Bytes b(30, 0);
  store_le<uint16_t>(&b[12], 1);  // PCM
  store_le<uint16_t>(&b[14], 1);  // mono
  store_le<uint32_t>(&b[16], kRate);
  store_le<uint32_t>(&b[20], kRate);  // bytes per second at 8 bits
  store_le<uint16_t>(&b[24], 1);
  store_le<uint16_t>(&b[26], 8);
  for (int i = 0; i < 400; ++i)  // a short 440 Hz beep
    b.push_back(static_cast<uint8_t>(128 + 100 * std::sin(i * 2 * M_PI * 440 / kRate)));
  w.add_file(0x0A000001, b);
}

// Stored LRS-compressed (flag bit 0); every reader gets it back expanded.
void add_portal_compressed_table(DatWriter& w) {
  std::string text;
  for (int i = 0; i < 20; ++i)
    text += "sample table row " + std::to_string(i % 4) + "\n";
  w.add_file(0x0E000002, tessary::testsupport::compress_lrs(text_bytes(text)), 1);
}

void add_portal_models_and_others(DatWriter& w) {
  w.add_file(0x0100002A, Bytes(300, 0x4D));                     // model
  w.add_file(0x0200013B, Bytes(120, 0x53));                     // setup model
  w.add_file(0x04000F01, Bytes(2048, 0x50));                    // palette, two blocks long
  w.add_file(0x0D000107, Bytes(64, 0x45));                      // environment cell
  w.add_file(0x220000A0, text_bytes("enum mapper"));            // enum mapper
  w.add_file(0x5A000001, text_bytes("prefix without a type"));  // unknown kind
}

std::vector<uint8_t> portal() {
  DatWriter w(1024, 1);
  add_portal_models_and_others(w);
  add_portal_textures(w);
  add_portal_sounds(w);
  add_portal_compressed_table(w);
  return w.finish();
}

void add_cell_landblock_records(DatWriter& w) {
  w.add_file(0xA9B4FFFF, Bytes(252, 0));  // terrain
  w.add_file(0xA9B4FFFE, Bytes(12, 0));   // static objects
}

void add_cell_indoor_cells(DatWriter& w) {
  w.add_file(0xA9B40100, Bytes(90, 0x63));
  w.add_file(0xA9B40101, Bytes(90, 0x64));
}

std::vector<uint8_t> cell() {
  DatWriter w(256, 2);
  add_cell_landblock_records(w);
  add_cell_indoor_cells(w);
  return w.finish();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (auto [name, bytes] : {std::pair{"portal.dat", portal()}, std::pair{"cell.dat", cell()}}) {
    if (auto w = tessary::write_file(dir / name, bytes); !w) {
      std::fprintf(stderr, "make-sample: %s: %s\n", name, w.error().message.c_str());
      return 1;
    }
  }
  return 0;
}
