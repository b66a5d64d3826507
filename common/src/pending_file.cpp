#include "tessary/common/pending_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <cerrno>
#include <cstdio>

#include "tessary/common/decode_error.hpp"

namespace tessary {

namespace {

// Stays well inside the 255-byte name limit whatever the target's name.
constexpr size_t kMaxNameStem = 200;
// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// The path a write through `path` lands on: symbolic links followed, also one that points to a
// file not created yet, so that renaming replaces the file the link names, not the link.
IoResult<std::filesystem::path> follow_links(std::filesystem::path path) {
  for (int hops = 0;; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    if (hops == kMaxLinks) return std::unexpected(IoError::from_errno(ELOOP));
    std::filesystem::path next = std::filesystem::read_symlink(path, ec);
    if (ec) return std::unexpected(IoError::from_errno(ec.value()));
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
}

}  // namespace

IoResult<PendingFile> PendingFile::create_beside(const std::filesystem::path& given) {
  const std::filesystem::path target = TRY(follow_links(given));
  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  // A device or pipe is written where it is; only a regular file may be replaced by renaming.
  if (exists && !S_ISREG(st.st_mode)) {
    auto file = File::create(target);
    if (!file) return std::unexpected(file.error());
    return PendingFile({}, target, std::move(*file));
  }
  const std::string name = target.filename().native().substr(0, kMaxNameStem);
  for (unsigned attempt = 0;; ++attempt) {
    std::filesystem::path temp =
        target.parent_path() / fmt::format(".{}.{}-{}.tmp", name, ::getpid(), attempt);
    int fd;
    do
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == EEXIST && attempt < 100) continue;
    if (fd < 0) return std::unexpected(IoError::from_errno(errno));
    PendingFile pending(std::move(temp), target, File::adopt(fd));
    if (exists) ::fchmod(fd, st.st_mode & 07777);
    return pending;
  }
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : temp_(std::move(other.temp_)),
      target_(std::move(other.target_)),
      file_(std::move(other.file_)),
      settled_(std::exchange(other.settled_, true)) {}

PendingFile::~PendingFile() {
  if (settled_ || temp_.empty()) return;
  file_ = File();
  ::unlink(temp_.c_str());
}

IoResult<void> PendingFile::commit() {
  if (auto closed = file_.close(); !closed) return closed;
  if (temp_.empty()) {
    settled_ = true;
    return {};
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0)
    return std::unexpected(IoError::from_errno(errno));
  settled_ = true;
  return {};
}

}  // namespace tessary
