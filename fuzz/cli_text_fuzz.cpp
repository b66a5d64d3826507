// Texts users type or name files with: id arguments, namespace labels, tsy-pack input names.
#include <cstdlib>
#include <string_view>

#include "cli.hpp"
#include "commands.hpp"
#include "fuzz_input.hpp"
#include "tessary/dat/namespace.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessary;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)app::parse_id_auto(text);
  if (auto ns = ResourceNamespace::create(text); !ns) {
    fuzz::describe(ns.error());
  } else {
    // A label accepted from a caller is stored in archives and must read back as itself.
    auto stored = ResourceNamespace::from_bytes(ns->bytes());
    if (!stored || stored->as_str() != text) std::abort();
  }
  if (auto name = app::parse_pack_name(text); !name) (void)name.error().report();
  return 0;
}
