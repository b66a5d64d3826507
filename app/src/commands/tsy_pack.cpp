// tsy-pack: a flat directory of [ID].[TYPE] files (both hexadecimal) into one TSY archive.
#include <dirent.h>

#include <cerrno>
#include <memory>

#include "commands.hpp"
#include "tessary/common/text.hpp"
#include "tessary/dat/archive_writer.hpp"

namespace tessary::app {

namespace {

// "eor/cell" when OUTPUT's stem mentions cell in any letter case, else "eor/portal".
std::string_view namespace_for(const Path& output) {
  std::string stem = output.stem().native();
  if (validate_utf8(stem)) return "eor/portal";
  for (char& c : stem)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return stem.find("cell") != std::string::npos ? "eor/cell" : "eor/portal";
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// Reads one input file, refusing the file the archive is about to replace and, before reading
// it, a file too large for an archive entry.
AppResult<std::vector<uint8_t>> read_input(const Path& path, const Path& output,
                                           const File* existing_output, std::string_view label,
                                           uint32_t file_id, size_t entries_before) {
  auto file = File::open_read(path);
  if (!file) return std::unexpected(AppError(file.error()));
  if (existing_output && is_same_file(path, *existing_output))
    return std::unexpected(AppError(fmt::format(
        "Refusing to write to {}: it is one of the input files being read", debug_quoted(output))));
  auto len = file->len();
  if (!len) return std::unexpected(AppError(len.error()));
  TRY(check_tsy_capacity(label, file_id, *len, entries_before));
  std::vector<uint8_t> bytes(*len);
  if (auto r = file->read_exact_at(bytes, 0); !r) return std::unexpected(AppError(r.error()));
  return bytes;
}

// Adds every [ID].[TYPE] file of the input directory to the writer, in listing order, and
// returns how many there were.
AppResult<int32_t> collect(const TsyPack& cmd, std::string_view label, TsyWriter& writer,
                           Output& out) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(cmd.input.c_str()));
  if (!dir)
    return std::unexpected(
        AppError(IoError::from_errno(errno)).context("Failed to read input directory"));
  // Only an existing regular file can be among the inputs; opening anything else (a FIFO) could
  // block.
  std::error_code ec;
  auto output_file = std::filesystem::is_regular_file(cmd.output, ec) ? File::open_read(cmd.output)
                                                                      : std::unexpected(IoError{});
  const File* existing_output = output_file ? &*output_file : nullptr;

  int32_t count = 0;
  for (;;) {
    errno = 0;
    const dirent* ent = ::readdir(dir.get());
    if (!ent) {
      if (errno != 0) return std::unexpected(AppError(IoError::from_errno(errno)));
      break;
    }
    const std::string_view raw_name = ent->d_name;
    if (raw_name == "." || raw_name == "..") continue;
    const Path path = cmd.input / raw_name;
    if (!std::filesystem::is_regular_file(path, ec)) continue;
    const std::string name = validate_utf8(raw_name) ? std::string() : std::string(raw_name);

    const std::optional<PackName> parsed = TRY(parse_pack_name(name));
    if (!parsed) {
      out.line("Skipping {} (expected format: [ID].[TYPE] in hex)", name);
      continue;
    }
    std::vector<uint8_t> bytes =
        TRY(read_input(path, cmd.output, existing_output, label, parsed->file_id, writer.size()));
    TRY(writer.add(label, parsed->file_id, parsed->type_id, std::move(bytes)));
    ++count;
  }
  return count;
}

}  // namespace

Status run_tsy_pack(const TsyPack& cmd, Output& out) {
  TsyWriter writer;
  writer.compress = cmd.compress;
  const std::string_view label = namespace_for(cmd.output);
  out.line("Packing files from {} into {}", debug_quoted(cmd.input), debug_quoted(cmd.output));
  const int32_t count = TRY(collect(cmd, label, writer, out));
  TRY(with_context(TsyWriter::write(std::move(writer), cmd.output), "Failed to write TSY file"));
  out.line("Successfully packed {} files into {}", count, debug_quoted(cmd.output));
  return {};
}

}  // namespace tessary::app
