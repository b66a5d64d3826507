#include "output.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tessary::app {

Output::LineBuilder Output::build_line(size_t max_size) {
  const size_t used = buf_.size();
  buf_.resize(used + max_size + kSlack);
  return LineBuilder(*this, buf_.data() + used, buf_.data() + used + max_size);
}

void Output::LineBuilder::end() {
  text("\n");
  out_.buf_.resize(static_cast<size_t>(p_ - out_.buf_.data()));
  out_.maybe_flush();
}

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
