// export and extract: one resource to a file, as stored or converted to JPEG or WAV. Nothing here
// depends on the kind of provider; the archive side differs only in `default_export_name`.
#include <fmt/format.h>

#include <array>
#include <span>
#include <vector>

#include "commands.hpp"
#include "provider.hpp"
#include "tessary/common/cursor.hpp"
#include "tessary/common/io.hpp"
#include "tessary/common/text.hpp"

namespace tessary::app {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kModel = 0x01;
constexpr uint32_t kTexture = 0x06;
constexpr uint32_t kSound = 0x0A;

// Texture layout: format code at bytes 16 to 19; format 500 is JPEG data from byte 24 on.
constexpr size_t kTextureFormatAt = 16;
constexpr size_t kTextureHeader = 20;
constexpr uint32_t kJpegFormat = 500;
constexpr size_t kJpegDataAt = 24;
// Sound layout: the 16-byte wave format block at 12, samples from 30 on.
constexpr size_t kWaveFormatAt = 12;
constexpr size_t kWaveFormatSize = 16;
constexpr size_t kSampleDataAt = 30;

Status write_bytes(const Path& target, std::span<const uint8_t> bytes) {
  if (auto w = write_file(target, bytes); !w) return std::unexpected(AppError(w.error()));
  return {};
}

Path target_or(const std::optional<Path>& output, std::string_view ext, uint32_t id) {
  return output ? *output : Path(fmt::format("{:08X}.{}", id, ext));
}

// The 44-byte RIFF/WAVE header for a sound resource of n bytes (n >= 30, n + 6 fits in 32 bits).
std::array<uint8_t, 44> wav_header(std::span<const uint8_t> sound) {
  std::array<uint8_t, 44> h{};
  const auto n = static_cast<uint32_t>(sound.size());
  auto put = [&](size_t at, std::string_view text) { std::copy(text.begin(), text.end(), &h[at]); };
  put(0, "RIFF");
  store_le<uint32_t>(&h[4], n + 6);
  put(8, "WAVEfmt ");
  store_le<uint32_t>(&h[16], 16);
  std::copy_n(sound.data() + kWaveFormatAt, kWaveFormatSize, &h[20]);
  put(36, "data");
  store_le<uint32_t>(&h[40], n - static_cast<uint32_t>(kSampleDataAt));
  return h;
}

Status write_wav(const Path& target, std::span<const uint8_t> sound) {
  const std::array<uint8_t, 44> header = wav_header(sound);
  auto file = File::create(target);
  if (!file) return std::unexpected(AppError(file.error()));
  const auto samples = sound.subspan(kSampleDataAt);
  for (auto part : {std::span<const uint8_t>(header), samples})
    if (auto w = file->write_all(part); !w) return std::unexpected(AppError(w.error()));
  if (auto c = file->close(); !c) return std::unexpected(AppError(c.error()));
  return {};
}

// Resources too short for their layout are refused rather than written as a file that would
// look converted but hold garbage.
AppError too_short(std::string_view what, uint32_t id, size_t size, size_t need) {
  return AppError(fmt::format("{} {:08X} is too short to extract: {} bytes, at least {} needed",
                              what, id, size, need));
}

Status extract_texture(uint32_t id, const Bytes& bytes, const Provider& provider,
                       const std::optional<Path>& output, Output& out) {
  if (bytes.size() < kTextureHeader)
    return std::unexpected(too_short("Texture", id, bytes.size(), kTextureHeader));
  const uint32_t format = load_le<uint32_t>(bytes.data() + kTextureFormatAt);
  if (format != kJpegFormat) {
    const Path target = target_or(output, "bin", id);
    TRY(refuse_input_as_output(provider, target));
    out.line("Texture {:08X} is not a JPEG (Format {}), exporting as .bin", id, format);
    return write_bytes(target, bytes);
  }
  if (bytes.size() < kJpegDataAt)
    return std::unexpected(too_short("JPEG texture", id, bytes.size(), kJpegDataAt));
  const Path target = target_or(output, "jpg", id);
  TRY(refuse_input_as_output(provider, target));
  TRY(write_bytes(target, std::span(bytes).subspan(kJpegDataAt)));
  out.line("Extracted JPEG texture {:08X} to {}", id, debug_quoted(target));
  return {};
}

Status extract_sound(uint32_t id, const Bytes& bytes, const Provider& provider,
                     const std::optional<Path>& output, Output& out) {
  if (bytes.size() < kSampleDataAt)
    return std::unexpected(too_short("Sound", id, bytes.size(), kSampleDataAt));
  // The RIFF size field holds n + 6; a larger sound cannot be described by a WAV header.
  if (bytes.size() > UINT32_MAX - 6)
    return std::unexpected(AppError(
        fmt::format("Sound {:08X} is too large for a WAV file: {} bytes", id, bytes.size())));
  const Path target = target_or(output, "wav", id);
  TRY(refuse_input_as_output(provider, target));
  TRY(write_wav(target, bytes));
  out.line("Extracted WAV audio {:08X} to {}", id, debug_quoted(target));
  return {};
}

// Raw cases announce themselves before writing.
template <typename... Args>
Status extract_raw(uint32_t id, const Bytes& bytes, const Provider& provider,
                   const std::optional<Path>& output, Output& out,
                   fmt::format_string<Args...> announce, Args&&... args) {
  const Path target = target_or(output, "bin", id);
  TRY(refuse_input_as_output(provider, target));
  out.line(announce, std::forward<Args>(args)...);
  return write_bytes(target, bytes);
}

}  // namespace

Status run_export(const Export& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  const uint32_t id = TRY(parse_id_arg(cmd.id));
  const Bytes bytes = TRY(get_file_in_namespace(provider, cmd.ns, id));
  const Path target = cmd.output ? *cmd.output : Path(default_export_name(provider, cmd.ns, id));
  TRY(refuse_input_as_output(provider, target));
  TRY(write_bytes(target, bytes));
  out.line("Exported {:08X} to {}", id, debug_quoted(target));
  return {};
}

// The kind is the id's top byte alone; neither the directory nor an archive index is consulted.
Status run_extract(const Extract& cmd, Output& out) {
  const Provider provider = TRY(Provider::open(cmd.path));
  const uint32_t id = TRY(parse_id_arg(cmd.id));
  const Bytes bytes = TRY(get_file_in_namespace(provider, cmd.ns, id));
  const uint32_t kind = id >> 24;
  switch (kind) {
    case kModel:
      return extract_raw(id, bytes, provider, cmd.output, out,
                         "Model {:08X} (GraphicsObject) exported as .bin (client custom format)",
                         id);
    case kTexture:
      return extract_texture(id, bytes, provider, cmd.output, out);
    case kSound:
      return extract_sound(id, bytes, provider, cmd.output, out);
    default:
      return extract_raw(id, bytes, provider, cmd.output, out,
                         "No extraction specialist for type {:02X}, exporting raw .bin", kind);
  }
}

}  // namespace tessary::app
