// Subcommands whose code is not part of this build yet answer with an honest error.
#include "commands.hpp"

namespace tessary::app {

Status run_tsy_pack(const TsyPack&, Output&) {
  return std::unexpected(AppError("the 'tsy-pack' command is not available in this build yet"));
}

}  // namespace tessary::app
