#include "tessary/dat/error.hpp"

#include <fmt/format.h>

#include "tessary/common/text.hpp"

namespace tessary {

DatError DatError::not_found(uint32_t file_id) {
  DatError e(Kind::NotFound);
  e.number_ = file_id;
  return e;
}

DatError DatError::duplicate_namespaced_id(std::string ns, uint32_t file_id) {
  DatError e(Kind::DuplicateNamespacedId);
  e.text_ = std::move(ns);
  e.number_ = file_id;
  return e;
}

DatError DatError::invalid_magic(std::string format) {
  DatError e(Kind::InvalidMagic);
  e.text_ = std::move(format);
  return e;
}

DatError DatError::unsupported_version(uint32_t version) {
  DatError e(Kind::UnsupportedVersion);
  e.number_ = version;
  return e;
}

DatError DatError::invalid_namespace(std::string text) {
  DatError e(Kind::InvalidNamespace);
  e.text_ = std::move(text);
  return e;
}

DatError DatError::corruption(std::string text) {
  DatError e(Kind::Corruption);
  e.text_ = std::move(text);
  return e;
}

DatError DatError::decompression_failed(uint32_t file_id) {
  DatError e(Kind::DecompressionFailed);
  e.number_ = file_id;
  return e;
}

DatError DatError::path_error(std::filesystem::path path, IoError io) {
  DatError e(Kind::PathError);
  e.path_ = std::move(path);
  e.io_ = std::move(io);
  return e;
}

DatError DatError::other(std::string text) {
  DatError e(Kind::Other);
  e.text_ = std::move(text);
  return e;
}

std::string DatError::message() const {
  switch (kind_) {
    case Kind::Io:
      return fmt::format("IO error: {}", io_->message);
    case Kind::BinRead:
      return fmt::format("Binary read error: {}", decode_->to_string());
    case Kind::NotFound:
      return fmt::format("File ID {:08X} not found in provider", number_);
    case Kind::DuplicateNamespacedId:
      return fmt::format("Duplicate namespaced file {}:{:08X} detected", text_, number_);
    case Kind::InvalidMagic:
      return fmt::format("Invalid magic for format: {}", text_);
    case Kind::UnsupportedVersion:
      return fmt::format("Unsupported version: {}", number_);
    case Kind::InvalidNamespace:
      return fmt::format("Invalid namespace: {}", text_);
    case Kind::Corruption:
      return fmt::format("Corruption detected: {}", text_);
    case Kind::DecompressionFailed:
      return fmt::format("Failed to recover compressed file {:08X}", number_);
    case Kind::PathError:
      return fmt::format("Failed to open file at {}: {}", display(path_), io_->message);
    case Kind::Other:
      return fmt::format("Other error: {}", text_);
  }
  return {};
}

std::vector<std::string> DatError::chain() const {
  std::vector<std::string> out{message()};
  if (io_) out.push_back(io_->message);
  if (decode_) out.push_back(decode_->to_string());
  return out;
}

}  // namespace tessary
