#pragma once
// The archive side of meta, list and info: what each prints after the lines both providers share.

#include <cstdint>
#include <optional>
#include <string>

#include "../app_error.hpp"
#include "../output.hpp"
#include "../provider.hpp"

namespace tessary::app {

// Version, index offset, metadata size, then the entries per namespace label, counted over every
// index entry (not taken from the namespace spans).
Status print_tsy_meta(const TsyReader& reader, Output& out);
// One line per index entry, in index order.
Status print_tsy_list(const TsyReader& reader, Output& out);
// The entry behind (namespace, id); an absent id is an error here, unlike on a DAT file.
Status print_tsy_info(const Provider& provider, const std::optional<std::string>& ns, uint32_t id,
                      Output& out);

}  // namespace tessary::app
