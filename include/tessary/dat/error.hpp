#pragma once
// The one error type of the resource library. Plain data: owns its texts and nested errors.

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tessary/common/decode_error.hpp"
#include "tessary/common/io.hpp"

namespace tessary {

class DatError {
 public:
  enum class Kind {
    Io,
    BinRead,
    NotFound,
    DuplicateNamespacedId,
    InvalidMagic,
    UnsupportedVersion,
    InvalidNamespace,
    Corruption,
    DecompressionFailed,
    PathError,
    Other,
  };

  // I/O and record errors become Io and BinRead wherever they cross a library operation.
  DatError(IoError e) : kind_(Kind::Io), io_(std::move(e)) {}
  DatError(DecodeError e) : kind_(Kind::BinRead), decode_(std::move(e)) {}

  static DatError not_found(uint32_t file_id);
  static DatError duplicate_namespaced_id(std::string ns, uint32_t file_id);
  static DatError invalid_magic(std::string format);
  static DatError unsupported_version(uint32_t version);
  static DatError invalid_namespace(std::string text);
  static DatError corruption(std::string text);
  static DatError decompression_failed(uint32_t file_id);
  static DatError path_error(std::filesystem::path path, IoError e);
  static DatError other(std::string text);

  Kind kind() const { return kind_; }
  uint32_t number() const { return number_; }  // file id or version
  const std::string& text() const { return text_; }
  const std::optional<IoError>& io_error() const { return io_; }
  const std::optional<DecodeError>& decode_error() const { return decode_; }

  std::string message() const;
  // The message, then its causes, outermost first.
  std::vector<std::string> chain() const;

 private:
  explicit DatError(Kind k) : kind_(k) {}

  Kind kind_;
  uint32_t number_ = 0;
  std::string text_;
  std::filesystem::path path_;
  std::optional<IoError> io_;
  std::optional<DecodeError> decode_;
};

template <typename T>
using DatResult = std::expected<T, DatError>;

}  // namespace tessary
