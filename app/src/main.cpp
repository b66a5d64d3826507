#include <unistd.h>

#include "cli.hpp"
#include "commands.hpp"

namespace tessary::app {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

Status dispatch(const Commands& cmd, Output& out) {
  return std::visit(Overloaded{
                        [&](const Meta& c) { return run_meta(c, out); },
                        [&](const List& c) { return run_list(c, out); },
                        [&](const Info& c) { return run_info(c, out); },
                        [&](const Export& c) { return run_export(c, out); },
                        [&](const SpellExport& c) { return run_spell_export(c, out); },
                        [&](const Extract& c) { return run_extract(c, out); },
                        [&](const Weenie& c) { return run_weenie(c, out); },
                        [&](const WeenieFind& c) { return run_weenie_find(c, out); },
                        [&](const Landblock& c) { return run_landblock(c, out); },
                        [&](const TsyPack& c) { return run_tsy_pack(c, out); },
                    },
                    cmd);
}

int run(int argc, const char* const* argv) {
  auto parsed = parse_command_line(argc, argv);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  Output out;
  Status result = dispatch(std::get<Commands>(parsed), out);
  out.flush();
  // Results that never reached standard output (a full disk) are a failed run, not a success.
  if (result && out.write_error() != 0)
    result = std::unexpected(
        AppError(IoError::from_errno(out.write_error())).context("failed printing to stdout"));
  if (result) return 0;
  Output err(2);
  err.write(result.error().report());
  return 1;
}

}  // namespace
}  // namespace tessary::app

int main(int argc, char** argv) {
  return tessary::app::run(argc, argv);
}
