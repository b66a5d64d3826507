#pragma once
// The archive side of meta, list and info: what each prints after the lines both providers share.

#include "app_error.hpp"
#include "output.hpp"
#include "tessary/dat/archive_reader.hpp"

namespace tessary::app {

// Version, index offset, metadata size, then the entries per namespace label, counted over every
// index entry (not taken from the namespace spans).
Status print_tsy_meta(const TsyReader& reader, Output& out);
// One line per index entry, in index order.
Status print_tsy_list(const TsyReader& reader, Output& out);
// The index entry that get_tsy_entry found.
Status print_tsy_info(const TsyEntry& entry, Output& out);

}  // namespace tessary::app
