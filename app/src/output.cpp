#include "output.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tessary::app {

void Output::flush() {
  size_t done = 0;
  while (done < buf_.size()) {
    ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (write_error_ == 0) write_error_ = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<size_t>(n);
  }
  buf_.clear();
}

}  // namespace tessary::app
