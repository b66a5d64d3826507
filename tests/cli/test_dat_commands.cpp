// meta, list, info, export and extract on DAT files, and how the provider picks the file to open.
// Each case runs in a fresh directory holding the fixtures below; files a run writes are shown in
// its transcript.
#include <gtest/gtest.h>

#include "harness.hpp"
#include "tessary/common/cursor.hpp"
#include "tessary/testsupport/dat_writer.hpp"
#include "tessary/testsupport/lrs_encoder.hpp"

namespace tessary::cli_test {
namespace {

using testsupport::DatWriter;
using Bytes = std::vector<uint8_t>;

Bytes counting(size_t n, uint8_t first = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i)
    b[i] = static_cast<uint8_t>(first + i);
  return b;
}

// A texture: 16 bytes of dimensions and such, the format code, then the data.
Bytes texture(uint32_t format, size_t size) {
  Bytes b = counting(size, 0xA0);
  if (size >= 20) store_le<uint32_t>(b.data() + 16, format);
  return b;
}

Bytes portal_dat() {
  DatWriter w(1024, 1);
  w.add_file(0x0100002A, counting(300));
  w.add_file(0x0600127D, texture(500, 40));  // JPEG: 16 bytes of data after the 24-byte header
  w.add_file(0x06000010, texture(21, 32));
  w.add_file(0x06000011, texture(0, 19));
  w.add_file(0x06000012, texture(500, 23));
  w.add_file(0x06000013, texture(500, 24));
  w.add_file(0x0A000001, counting(40, 0x10));
  w.add_file(0x0A000002, counting(30, 0x10));
  w.add_file(0x0A000003, counting(29, 0x10));
  w.add_file(0x0D000001, counting(10));
  const std::string text = "table table table table table!";
  w.add_file(0x0E000001,
             testsupport::compress_lrs(
                 std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())),
             1);
  w.add_file(0x005B9276, counting(5));  // 6001270 in decimal
  w.add_file(0x11000000, Bytes{}, 0x00010002);
  return w.finish();
}

Bytes cell_dat() {
  DatWriter w(256, 2);
  for (uint32_t id : {0xA9B4FFFFu, 0xA9B4FFFEu, 0xA9B40100u, 0xA9B40000u, 0xFFFF0001u})
    w.add_file(id, counting(id & 0xFF));
  return w.finish();
}

Bytes foreign_dat() {
  DatWriter w(256, 2, 0x4C4C);
  for (uint32_t id : {0x0100002Au, 0x0B000001u, 0x0B000000u, 0xA9B4FFFFu})
    w.add_file(id, counting(4));
  return w.finish();
}

Bytes other_retail_dat() {
  DatWriter w(1024, 2);
  w.add_file(0xA9B4FFFF, counting(4));
  return w.finish();
}

class Fixture : public FixtureDir {
 public:
  Fixture() {
    add("portal.dat", portal_dat());
    add("cell.dat", cell_dat());
    add("foreign.dat", foreign_dat());
    add("other.dat", other_retail_dat());
    add("empty.dat", DatWriter().finish());
    add("UPPER.DAT", cell_dat());
    add("Mixed.Dat", cell_dat());
    add("data/portal.dat", portal_dat());
    add("data/portal.txt", "not a DAT file");
    add("data/notes.txt", portal_dat());  // a DAT image under another name is never opened
    add("short.dat", Bytes(0x150, 0));
    fs::create_hard_link(*this / "portal.dat", *this / "alias.dat");
    known("alias.dat");
  }
};

using Case = GoldenCase;
void run_cases(std::span<const Case> cases) {
  run_golden_cases<Fixture>(cases);
}

TEST(DatCommands, Inspection) {
  const Case cases[] = {
      {"dat_meta_portal", {"meta", "portal.dat"}},
      {"dat_meta_cell", {"meta", "cell.dat"}},
      {"dat_meta_other_retail", {"meta", "other.dat"}},
      {"dat_meta_foreign", {"meta", "foreign.dat"}},
      {"dat_meta_truncated", {"meta", "short.dat"}},
      {"dat_list_portal", {"list", "portal.dat"}},
      {"dat_list_cell", {"list", "cell.dat"}},
      {"dat_list_foreign", {"list", "foreign.dat"}},
      {"dat_list_empty", {"list", "empty.dat"}},
      {"dat_info_hex_prefix", {"info", "portal.dat", "0x0600127D"}},
      {"dat_info_hex_digits", {"info", "portal.dat", "0600127D"}},
      {"dat_info_decimal_digits", {"info", "portal.dat", "06001270"}},
      {"dat_info_flags", {"info", "portal.dat", "0x11000000", "--namespace", ""}},
      {"dat_info_cell", {"info", "cell.dat", "0xA9B40100"}},
      {"dat_info_not_found", {"info", "portal.dat", "0x06001270"}},
      {"dat_info_bad_id", {"info", "portal.dat", "0x1G"}},
  };
  run_cases(cases);
}

TEST(DatCommands, Export) {
  const Case cases[] = {
      {"dat_export_default_name", {"export", "portal.dat", "0x600127d"}},
      {"dat_export_output", {"export", "portal.dat", "0x0100002A", "-o", "model.raw"}},
      {"dat_export_compressed", {"export", "portal.dat", "0x0E000001", "--namespace", ""}},
      {"dat_export_empty", {"export", "portal.dat", "0x11000000"}},
      {"dat_export_missing_directory", {"export", "portal.dat", "0x0100002A", "-o", "out/x.bin"}},
      {"dat_export_not_found", {"export", "portal.dat", "0x0100002B"}},
      {"dat_export_onto_input", {"export", "portal.dat", "0x0100002A", "-o", "portal.dat"}},
      {"dat_export_onto_hard_link",
       {"export", "portal.dat", "0x0100002A", "--output", "alias.dat"}},
  };
  run_cases(cases);
}

TEST(DatCommands, Extract) {
  const Case cases[] = {
      {"dat_extract_model", {"extract", "portal.dat", "0x0100002A"}},
      {"dat_extract_jpeg", {"extract", "portal.dat", "0x0600127D"}},
      {"dat_extract_jpeg_output", {"extract", "portal.dat", "0x0600127D", "-o", "pic.png"}},
      {"dat_extract_jpeg_header_only", {"extract", "portal.dat", "0x06000013"}},
      {"dat_extract_texture_not_jpeg", {"extract", "portal.dat", "0x06000010"}},
      {"dat_extract_texture_short", {"extract", "portal.dat", "0x06000011"}},
      {"dat_extract_jpeg_short", {"extract", "portal.dat", "0x06000012"}},
      {"dat_extract_sound", {"extract", "portal.dat", "0x0A000001"}},
      {"dat_extract_sound_no_samples", {"extract", "portal.dat", "0x0A000002", "-o", "s.raw"}},
      {"dat_extract_sound_short", {"extract", "portal.dat", "0x0A000003"}},
      {"dat_extract_other_kind", {"extract", "portal.dat", "0x0D000001"}},
      {"dat_extract_compressed", {"extract", "portal.dat", "0x0E000001"}},
      {"dat_extract_not_found", {"extract", "portal.dat", "0x0A000009"}},
      {"dat_extract_onto_input", {"extract", "portal.dat", "0x0A000001", "-o", "alias.dat"}},
      {"dat_extract_raw_onto_input", {"extract", "portal.dat", "0x0D000001", "-o", "portal.dat"}},
  };
  run_cases(cases);
}

TEST(DatCommands, ProviderChoosesTheFileByItsName) {
  const Case cases[] = {
      {"provider_upper_case_extension", {"meta", "UPPER.DAT"}},
      {"provider_mixed_case_extension", {"meta", "Mixed.Dat"}},
      {"provider_no_extension_finds_dat", {"meta", "data/portal"}},
      {"provider_other_extension_finds_dat", {"meta", "data/portal.txt"}},
      {"provider_other_extension_never_opened", {"meta", "data/notes.txt"}},
      {"provider_quoted_path", {"meta", "we\"ird\\name.txt"}},
      {"provider_missing_dat", {"info", "data/missing.dat", "1"}},
  };
  run_cases(cases);
}

}  // namespace
}  // namespace tessary::cli_test
