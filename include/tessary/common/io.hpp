#pragma once
// Operating-system file access: open, positioned exact reads (EINTR retried), whole writes.
// Errors read like the system's: "No such file or directory (os error 2)".

#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tessary {

struct IoError {
  std::string message;
  int os_code = 0;  // 0 for errors the system did not raise (end of file, short write)

  static IoError from_errno(int code);
  static IoError unexpected_eof() { return {"failed to fill whole buffer", 0}; }
  static IoError write_zero() { return {"failed to write whole buffer", 0}; }
};

template <typename T>
using IoResult = std::expected<T, IoError>;

class File {
 public:
  File() = default;
  File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  static IoResult<File> open_read(const std::filesystem::path& path);
  // `name` relative to the open directory `dir_fd`, which spares a path lookup per file.
  static IoResult<File> open_read_at(int dir_fd, const char* name);
  // Creates or truncates; new files get 0666 before the umask.
  static IoResult<File> create(const std::filesystem::path& path);
  // Takes ownership of an open descriptor.
  static File adopt(int fd) { return File(fd); }

  int fd() const { return fd_; }
  IoResult<uint64_t> len() const;
  // Fills the whole buffer from `offset` without moving the file position.
  IoResult<void> read_exact_at(std::span<uint8_t> buf, uint64_t offset) const {
    return read_exact_at(buf, {}, offset);
  }
  // One positioned read that fills `head`, then `tail`, from consecutive file bytes.
  IoResult<void> read_exact_at(std::span<uint8_t> head, std::span<uint8_t> tail,
                               uint64_t offset) const;
  IoResult<void> write_all(std::span<const uint8_t> data);
  IoResult<uint64_t> position() const;
  IoResult<void> seek(uint64_t offset);
  // Reports the error of the final close, which is where some file systems report lost writes.
  IoResult<void> close();

 private:
  explicit File(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Creates or truncates `path` and writes `data` to it.
IoResult<void> write_file(const std::filesystem::path& path, std::span<const uint8_t> data);
IoResult<std::vector<uint8_t>> read_file(const std::filesystem::path& path);

// True when `path` names the same file (device and inode) as the open `file`.
bool is_same_file(const std::filesystem::path& path, const File& file);

}  // namespace tessary
