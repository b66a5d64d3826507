// Writes the bundled sample dataset: a portal-style and a cell-style DAT file built by the
// project's own writer, so `make run` needs no client files.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tessary/common/io.hpp"
#include "tessary/testsupport/dat_writer.hpp"

using tessary::testsupport::DatWriter;

namespace {

std::vector<uint8_t> portal() {
  DatWriter w(1024, 1);
  w.add_file(0x0100002A, std::string(300, 'm'));
  w.add_file(0x0600127D, std::string(2500, 't'));
  w.add_file(0x0A000001, std::string(64, 's'));
  w.add_file(0x0E000002, std::string(40, 'x'));
  return w.finish();
}

std::vector<uint8_t> cell() {
  DatWriter w(256, 2);
  w.add_file(0xA9B4FFFF, std::string(251, '\0'));
  w.add_file(0xA9B40100, std::string(90, 'c'));
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
