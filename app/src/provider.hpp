#pragma once
// The opened input: a client DAT file or a TSY archive, chosen by the file name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app_error.hpp"
#include "cli.hpp"
#include "tessary/dat/archive_reader.hpp"
#include "tessary/dat/database.hpp"

namespace tessary::app {

class Provider {
 public:
  // An explicit .dat/.tsy extension (any case) decides; otherwise an archive beside the path wins
  // over a DAT file, and the path itself is never opened.
  static AppResult<Provider> open(const Path& path);

  std::string_view label() const;
  uint64_t file_count() const;

  const DatDatabase* dat() const { return std::get_if<DatDatabase>(&inner_); }
  const TsyReader* tsy() const { return std::get_if<TsyReader>(&inner_); }
  // The opened input file, whichever kind it is.
  const File& file() const;

 private:
  explicit Provider(DatDatabase db) : inner_(std::move(db)) {}
  explicit Provider(TsyReader reader) : inner_(std::move(reader)) {}
  std::variant<DatDatabase, TsyReader> inner_;
};

// The resource's complete bytes. A DAT file ignores the namespace.
DatResult<std::vector<uint8_t>> get_file_in_namespace(const Provider& provider,
                                                      const std::optional<std::string>& ns,
                                                      uint32_t id);

// The archive index entry behind an id; no entry (never an error) on a DAT file.
DatResult<std::optional<TsyEntry>> get_tsy_entry(const Provider& provider,
                                                 const std::optional<std::string>& ns, uint32_t id);

// An archive entry by optional namespace label and id. Without a label the archive must hold
// exactly one namespace.
DatResult<TsyEntry> find_tsy_entry(const TsyReader& reader, const std::optional<std::string>& ns,
                                   uint32_t id);

// Refuses an output path that is the input file itself (same device and inode), as cp does, so a
// mistyped output name cannot destroy the file being read.
Status refuse_input_as_output(const Provider& provider, const Path& target);

// The name `export` writes to when no output path is given.
std::string default_export_name(const Provider& provider, const std::optional<std::string>& ns,
                                uint32_t id);

// A resource `weenie-find` looks into, with the namespace label to fetch it by on an archive.
struct WeenieCandidate {
  uint32_t file_id;
  std::optional<std::string> ns;

  friend bool operator==(const WeenieCandidate&, const WeenieCandidate&) = default;
};

// The resources `weenie-find` scans. On a DAT file: every id whose top byte is 0x0E, in ascending
// id order so that every run prints the same, without a label. On an archive: every index entry
// of type 14 in index order with its label, leaving out entries that cannot be read or whose
// namespace is invalid.
std::vector<WeenieCandidate> weenie_candidates(const Provider& provider);

}  // namespace tessary::app
