#pragma once
// A file that replaces its target only once it is complete: it is created beside the target under
// a unique hidden name, renamed over the target by commit(), and removed when dropped uncommitted,
// so a failed write never leaves the target truncated or half-written. A symbolic link is followed
// to the file it names; a target that exists but is not a regular file (a device) is written in
// place, since renaming would replace the device node itself.

#include <filesystem>

#include "tessary/common/io.hpp"

namespace tessary {

class PendingFile {
 public:
  // The new file gets 0666 before the umask, or the mode of an existing target.
  static IoResult<PendingFile> create_beside(const std::filesystem::path& given);

  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&&) = delete;
  PendingFile(const PendingFile&) = delete;
  ~PendingFile();

  // The open file, handed to whoever writes it (and closes it) before commit().
  File take_file() { return std::move(file_); }
  const std::filesystem::path& temp_path() const { return temp_; }
  // Renames the written file over the target (nothing to rename for a target written in place).
  IoResult<void> commit();

 private:
  PendingFile(std::filesystem::path temp, std::filesystem::path target, File file)
      : temp_(std::move(temp)), target_(std::move(target)), file_(std::move(file)) {}

  std::filesystem::path temp_;
  std::filesystem::path target_;
  File file_;
  bool settled_ = false;
};

}  // namespace tessary
