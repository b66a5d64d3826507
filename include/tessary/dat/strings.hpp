#pragma once
// The two length-prefixed string forms of client records. Neither reads padding after the text.

#include <string>

#include "tessary/common/cursor.hpp"

namespace tessary {

// A `width`-byte length (1, 2 or 4), then that many bytes of client text.
Decoded<std::string> read_pstring(Cursor& c, unsigned width);

// A 16-bit length, then text whose bytes have their two 4-bit halves swapped.
Decoded<std::string> read_obfuscated_string(Cursor& c);

}  // namespace tessary
