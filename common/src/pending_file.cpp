#include "tessary/common/pending_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <cerrno>
#include <cstdio>

namespace tessary {

namespace {

// Stays well inside the 255-byte name limit whatever the target's name.
constexpr size_t kMaxNameStem = 200;

}  // namespace

IoResult<PendingFile> PendingFile::create_beside(const std::filesystem::path& target) {
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
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);
    return pending;
  }
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : temp_(std::move(other.temp_)),
      target_(std::move(other.target_)),
      file_(std::move(other.file_)),
      settled_(std::exchange(other.settled_, true)) {}

PendingFile::~PendingFile() {
  if (settled_) return;
  file_ = File();
  ::unlink(temp_.c_str());
}

IoResult<void> PendingFile::commit() {
  if (auto closed = file_.close(); !closed) return closed;
  if (::rename(temp_.c_str(), target_.c_str()) != 0)
    return std::unexpected(IoError::from_errno(errno));
  settled_ = true;
  return {};
}

}  // namespace tessary
