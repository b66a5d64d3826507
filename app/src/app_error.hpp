#pragma once
// The front end's error: a chain of messages, outermost first, as the run's report prints them.

#include <expected>
#include <string>
#include <vector>

#include "tessary/common/decode_error.hpp"
#include "tessary/common/io.hpp"
#include "tessary/dat/error.hpp"

namespace tessary::app {

class AppError {
 public:
  explicit AppError(std::string message) : chain_{std::move(message)} {}
  AppError(const DatError& e) : chain_(e.chain()) {}
  AppError(const DecodeError& e) : chain_{e.to_string()} {}
  AppError(const IoError& e) : chain_{e.message} {}

  // Puts a context sentence in front as the new outermost message.
  AppError context(std::string message) && {
    chain_.insert(chain_.begin(), std::move(message));
    return std::move(*this);
  }

  const std::vector<std::string>& chain() const { return chain_; }

  // "Error: …", and when there are causes a blank line, "Caused by:" and one line per cause.
  std::string report() const;

 private:
  std::vector<std::string> chain_;
};

using Status = std::expected<void, AppError>;
template <typename T>
using AppResult = std::expected<T, AppError>;

// Wraps an error in a context sentence; passes success through.
template <typename T, typename E>
AppResult<T> with_context(std::expected<T, E>&& r, std::string message) {
  if (r) {
    if constexpr (std::is_void_v<T>)
      return {};
    else
      return std::move(r).value();
  }
  return std::unexpected(AppError(std::move(r).error()).context(std::move(message)));
}

}  // namespace tessary::app
