// A TSY archive: open, then every index entry by walk and by lookup, and its data.
#include "fuzz_input.hpp"
#include "tessary/dat/archive_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  fuzz::MemoryFile input({data, size});
  auto reader = TsyReader::from_source(input.release());
  if (!reader) {
    fuzz::describe(reader.error());
    return 0;
  }
  // A small chunk makes the walker cross chunk borders and fall back on short indexes.
  TsyIndexWalker walker(*reader, 3);
  while (!walker.done()) {
    auto entry = walker.next();
    if (!entry) {
      fuzz::describe(entry.error());
      continue;
    }
    if (auto bytes = reader->read_entry_data(*entry); !bytes) fuzz::describe(bytes.error());
    if (auto found = reader->find_entry(entry->file_id); !found) fuzz::describe(found.error());
    for (const TsyNamespaceSpan& span : reader->spans())
      if (auto found = reader->find_entry_with_namespace_id(span.ns, entry->file_id); !found)
        fuzz::describe(found.error());
  }
  return 0;
}
