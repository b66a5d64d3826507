#pragma once
// The vector and rotation types shared by client records.

#include <string>

#include "tessary/common/cursor.hpp"

namespace tessary {

struct Vector3 {
  float x = 0, y = 0, z = 0;

  static Decoded<Vector3> read(Cursor& c);
  // "Vector3 { x: 84.0, y: -0.5, z: 0.0 }"
  std::string debug() const;
};

// Stored w first.
struct Quaternion {
  float w = 0, x = 0, y = 0, z = 0;

  static Decoded<Quaternion> read(Cursor& c);
};

}  // namespace tessary
