// Subcommands whose decoders are not part of this build yet answer with an honest error.
#include "commands.hpp"

namespace tessary::app {

namespace {
Status pending(const char* name) {
  return std::unexpected(
      AppError(std::string("the '") + name + "' command is not available in this build yet"));
}
}  // namespace

Status run_spell_export(const SpellExport&, Output&) {
  return pending("spell-export");
}
Status run_weenie(const Weenie&, Output&) {
  return pending("weenie");
}
Status run_weenie_find(const WeenieFind&, Output&) {
  return pending("weenie-find");
}
Status run_landblock(const Landblock&, Output&) {
  return pending("landblock");
}
Status run_tsy_pack(const TsyPack&, Output&) {
  return pending("tsy-pack");
}

}  // namespace tessary::app
