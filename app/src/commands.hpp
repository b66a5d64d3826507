#pragma once
// One handler per subcommand. Handlers print their results to `out` as they go and return
// success or the error the run reports.

#include <optional>
#include <string_view>

#include "app_error.hpp"
#include "cli.hpp"
#include "output.hpp"

namespace tessary::app {

Status run_meta(const Meta& cmd, Output& out);
Status run_list(const List& cmd, Output& out);
Status run_info(const Info& cmd, Output& out);
Status run_export(const Export& cmd, Output& out);
Status run_extract(const Extract& cmd, Output& out);
Status run_spell_export(const SpellExport& cmd, Output& out);
Status run_weenie(const Weenie& cmd, Output& out);
Status run_weenie_find(const WeenieFind& cmd, Output& out);
Status run_landblock(const Landblock& cmd, Output& out);
Status run_tsy_pack(const TsyPack& cmd, Output& out);

// Converts an id argument; a failure carries the conversion message alone.
AppResult<uint32_t> parse_id_arg(const std::string& text);

// The two hexadecimal parts of a tsy-pack input named [ID].[TYPE]. Nothing for a name without
// exactly one dot (the caller skips it); an error for a part that is not a 32-bit hex number.
struct PackName {
  uint32_t file_id = 0;
  uint32_t type_id = 0;
};
AppResult<std::optional<PackName>> parse_pack_name(std::string_view name);

}  // namespace tessary::app
