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
  // The opened input file, whichever kind it is.
  const File& file() const;

 private:
  explicit Provider(DatDatabase db) : inner_(std::move(db)) {}
  std::variant<DatDatabase> inner_;
};

// The resource's complete bytes. A DAT file ignores the namespace.
DatResult<std::vector<uint8_t>> get_file_in_namespace(const Provider& provider,
                                                      const std::optional<std::string>& ns,
                                                      uint32_t id);

// A resource `weenie-find` looks into, with the namespace label to fetch it by on an archive.
struct WeenieCandidate {
  uint32_t file_id;
  std::optional<std::string> ns;
};

// The resources of the 0x0E (table) range. On a DAT file: every id whose top byte is 0x0E, in
// ascending id order so that every run prints the same, without a label.
std::vector<WeenieCandidate> weenie_candidates(const Provider& provider);

// Refuses an output path that is the input file itself (same device and inode), as cp does, so a
// mistyped output name cannot destroy the file being read.
Status refuse_input_as_output(const Provider& provider, const Path& target);

// The name `export` writes to when no output path is given.
std::string default_export_name(const Provider& provider, const std::optional<std::string>& ns,
                                uint32_t id);

}  // namespace tessary::app
