#include "output.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tessary::app {

void Output::flush() {
  write_out(std::string_view(buf_.data(), buf_.size()));
  buf_.clear();
}

void Output::write_out(std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (write_error_ == 0) write_error_ = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace tessary::app
