// tsy-pack: a flat directory of [ID].[TYPE] files (both hexadecimal) into one TSY archive. The
// directory is listed and checked first; the files are then read one at a time in the archive's
// order and streamed out, so memory holds one file, not the whole input.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "commands.hpp"
#include "tessary/common/pending_file.hpp"
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

// A file the scan accepted; its bytes are read only when the archive is written.
struct InputFile {
  uint32_t file_id = 0;
  uint32_t type_id = 0;
  uint64_t size = 0;
  size_t name_at = 0;  // start of its NUL-terminated name in Scan::names
};

struct Scan {
  std::vector<InputFile> files;
  std::string names;
};

// The existing OUTPUT when it is a regular file, the only kind that can be among the inputs.
std::optional<struct stat> existing_output(const Path& output) {
  struct stat st;
  if (::stat(output.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return st;
}

// A file that cannot be opened fails the run at its place in the listing, as reading it there
// would. The access check is cheap and keeps the open itself for the write pass; only when it
// fails is the file opened, to report the system's own error.
AppResult<void> check_readable(int dir_fd, const char* name) {
  if (::faccessat(dir_fd, name, R_OK, AT_EACCESS) == 0) return {};
  auto file = File::open_read_at(dir_fd, name);
  if (!file) return std::unexpected(AppError(std::move(file).error()));
  return {};
}

// Checks one accepted file as adding it to the archive would, before any byte is read: that it
// can be opened, the file the archive is about to replace, the format's capacity, a file id met
// before.
AppResult<void> check_input(int dir_fd, const char* name, const struct stat& st, uint32_t file_id,
                            const Path& output, const std::optional<struct stat>& output_st,
                            std::string_view label, const Scan& scan,
                            absl::flat_hash_set<uint32_t>& ids) {
  TRY(check_readable(dir_fd, name));
  if (output_st && st.st_dev == output_st->st_dev && st.st_ino == output_st->st_ino)
    return std::unexpected(AppError(fmt::format(
        "Refusing to write to {}: it is one of the input files being read", debug_quoted(output))));
  TRY(check_tsy_capacity(label, file_id, static_cast<uint64_t>(st.st_size), scan.files.size()));
  if (!ids.insert(file_id).second)
    return std::unexpected(
        AppError(DatError::duplicate_namespaced_id(std::string(label), file_id)));
  return {};
}

// Lists the input directory in listing order: skip lines, name errors and every check that needs
// no file content, so that the first bad file in listing order stops the run. Returns the
// accepted files sorted by file id, the order their bytes take in the archive.
AppResult<Scan> scan_input(const TsyPack& cmd, DIR* dir, std::string_view label, Output& out) {
  const int dir_fd = ::dirfd(dir);
  const std::optional<struct stat> output_st = existing_output(cmd.output);
  Scan scan;
  absl::flat_hash_set<uint32_t> ids;
  for (;;) {
    errno = 0;
    const dirent* ent = ::readdir(dir);
    if (!ent) {
      if (errno != 0) return std::unexpected(AppError(IoError::from_errno(errno)));
      break;
    }
    const std::string_view raw_name = ent->d_name;
    if (raw_name == "." || raw_name == "..") continue;
    // Symbolic links are followed; anything that is not a regular file is passed over.
    struct stat st;
    if (::fstatat(dir_fd, ent->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    const std::string_view name = validate_utf8(raw_name) ? std::string_view() : raw_name;

    const std::optional<PackName> parsed = TRY(parse_pack_name(name));
    if (!parsed) {
      out.line("Skipping {} (expected format: [ID].[TYPE] in hex)", name);
      continue;
    }
    TRY(check_input(dir_fd, ent->d_name, st, parsed->file_id, cmd.output, output_st, label, scan,
                    ids));
    scan.files.push_back(
        {parsed->file_id, parsed->type_id, static_cast<uint64_t>(st.st_size), scan.names.size()});
    scan.names.append(raw_name);
    scan.names.push_back('\0');
  }
  std::sort(scan.files.begin(), scan.files.end(),
            [](const InputFile& a, const InputFile& b) { return a.file_id < b.file_id; });
  return scan;
}

// Failures of the archive file are reported as the archive writer reports its own.
template <typename T>
DatResult<T> as_dat(IoResult<T>&& r) {
  if (!r) return std::unexpected(DatError(std::move(r).error()));
  if constexpr (std::is_void_v<T>)
    return {};
  else
    return std::move(r).value();
}

// Streams the accepted files into the archive in their final order through one reused buffer. A
// file that cannot be read fails the run with its I/O error alone; anything else here is a
// failure to write the archive.
AppResult<void> write_archive(const TsyPack& cmd, DIR* dir, std::string_view label,
                              const Scan& scan) {
  constexpr std::string_view kWriteFailed = "Failed to write TSY file";
  auto pending =
      TRY(with_context(as_dat(PendingFile::create_beside(cmd.output)), std::string(kWriteFailed)));
  auto stream = TRY(with_context(TsyStreamWriter::create(pending.take_file(), cmd.compress),
                                 std::string(kWriteFailed)));
  std::vector<uint8_t> buffer;
  for (const InputFile& f : scan.files) {
    // Grown only, so its bytes are not cleared again for every file.
    if (buffer.size() < f.size) buffer.resize(f.size);
    const std::span<uint8_t> bytes(buffer.data(), f.size);
    auto file = File::open_read_at(::dirfd(dir), scan.names.c_str() + f.name_at);
    if (!file) return std::unexpected(AppError(std::move(file).error()));
    if (auto r = file->read_exact_at(bytes, 0); !r) return std::unexpected(AppError(r.error()));
    TRY(with_context(stream.add(label, f.file_id, f.type_id, bytes), std::string(kWriteFailed)));
  }
  TRY(with_context(TsyStreamWriter::finish(std::move(stream)), std::string(kWriteFailed)));
  TRY(with_context(as_dat(pending.commit()), std::string(kWriteFailed)));
  return {};
}

}  // namespace

Status run_tsy_pack(const TsyPack& cmd, Output& out) {
  const std::string_view label = namespace_for(cmd.output);
  out.line("Packing files from {} into {}", debug_quoted(cmd.input), debug_quoted(cmd.output));
  std::unique_ptr<DIR, DirCloser> dir(::opendir(cmd.input.c_str()));
  if (!dir)
    return std::unexpected(
        AppError(IoError::from_errno(errno)).context("Failed to read input directory"));
  const Scan scan = TRY(scan_input(cmd, dir.get(), label, out));
  TRY(write_archive(cmd, dir.get(), label, scan));
  out.line("Successfully packed {} files into {}", scan.files.size(), debug_quoted(cmd.output));
  return {};
}

}  // namespace tessary::app
