// Subcommands whose decoders are not part of this build yet answer with an honest error.
#include "commands.hpp"

namespace tessary::app {

namespace {
Status pending(const char* name) {
  return std::unexpected(
      AppError(std::string("the '") + name + "' command is not available in this build yet"));
}
}  // namespace

Status run_meta(const Meta&, Output&) {
  return pending("meta");
}
Status run_list(const List&, Output&) {
  return pending("list");
}
Status run_info(const Info&, Output&) {
  return pending("info");
}
Status run_export(const Export&, Output&) {
  return pending("export");
}
Status run_extract(const Extract&, Output&) {
  return pending("extract");
}

}  // namespace tessary::app
