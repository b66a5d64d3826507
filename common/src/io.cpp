#include "tessary/common/io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <fmt/format.h>
#include <cerrno>
#include <cstring>

namespace tessary {

IoError IoError::from_errno(int code) {
  return {fmt::format("{} (os error {})", std::strerror(code), code), code};
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

IoResult<File> File::open_read(const std::filesystem::path& path) {
  return open_read_at(AT_FDCWD, path.c_str());
}

IoResult<File> File::open_read_at(int dir_fd, const char* name) {
  int fd;
  do
    fd = ::openat(dir_fd, name, O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(IoError::from_errno(errno));
  return File(fd);
}

IoResult<File> File::create(const std::filesystem::path& path) {
  int fd;
  do
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(IoError::from_errno(errno));
  return File(fd);
}

IoResult<uint64_t> File::len() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return std::unexpected(IoError::from_errno(errno));
  return static_cast<uint64_t>(st.st_size);
}

IoResult<void> File::read_exact_at(std::span<uint8_t> head, std::span<uint8_t> tail,
                                   uint64_t offset) const {
  iovec iov[2] = {{head.data(), head.size()}, {tail.data(), tail.size()}};
  int first = head.empty() ? 1 : 0;
  while (first < 2 && iov[first].iov_len > 0) {
    ssize_t n = ::preadv(fd_, iov + first, 2 - first, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(IoError::from_errno(errno));
    }
    if (n == 0) return std::unexpected(IoError::unexpected_eof());
    offset += static_cast<uint64_t>(n);
    size_t done = static_cast<size_t>(n);
    while (first < 2 && done >= iov[first].iov_len) {
      done -= iov[first].iov_len;
      iov[first].iov_len = 0;
      ++first;
    }
    if (first < 2) {
      iov[first].iov_base = static_cast<uint8_t*>(iov[first].iov_base) + done;
      iov[first].iov_len -= done;
    }
  }
  return {};
}

IoResult<void> File::write_all(std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(IoError::from_errno(errno));
    }
    if (n == 0) return std::unexpected(IoError::write_zero());
    done += static_cast<size_t>(n);
  }
  return {};
}

IoResult<uint64_t> File::position() const {
  off_t p = ::lseek(fd_, 0, SEEK_CUR);
  if (p < 0) return std::unexpected(IoError::from_errno(errno));
  return static_cast<uint64_t>(p);
}

IoResult<void> File::seek(uint64_t offset) {
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
    return std::unexpected(IoError::from_errno(errno));
  return {};
}

IoResult<void> File::close() {
  int fd = std::exchange(fd_, -1);
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
    return std::unexpected(IoError::from_errno(errno));
  return {};
}

IoResult<void> write_file(const std::filesystem::path& path, std::span<const uint8_t> data) {
  auto file = File::create(path);
  if (!file) return std::unexpected(file.error());
  if (auto w = file->write_all(data); !w) return w;
  return file->close();
}

IoResult<std::vector<uint8_t>> read_file(const std::filesystem::path& path) {
  auto file = File::open_read(path);
  if (!file) return std::unexpected(file.error());
  auto len = file->len();
  if (!len) return std::unexpected(len.error());
  std::vector<uint8_t> out(*len);
  if (auto r = file->read_exact_at(out, 0); !r) return std::unexpected(r.error());
  return out;
}

bool is_same_file(const std::filesystem::path& path, const File& file) {
  struct stat a, b;
  if (::stat(path.c_str(), &a) != 0 || ::fstat(file.fd(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace tessary
