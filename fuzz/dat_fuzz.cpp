// A DAT file: open (header and the whole directory walk), then retrieval of every entry.
#include "fuzz_input.hpp"
#include "tessary/dat/database.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  fuzz::MemoryFile input({data, size});
  auto db = DatDatabase::open(input.path());
  if (!db) {
    fuzz::describe(db.error());
    return 0;
  }
  for (const auto& [id, entry] : db->files())
    if (auto bytes = db->get_file(id); !bytes) fuzz::describe(bytes.error());
  return 0;
}
