#include "tessary/common/math.hpp"

#include <fmt/format.h>

#include "tessary/common/number_text.hpp"

namespace tessary {

Decoded<Vector3> Vector3::read(Cursor& c) {
  Vector3 v;
  v.x = TRY_FIELD(c.f32(), "x", "Vector3");
  v.y = TRY_FIELD(c.f32(), "y", "Vector3");
  v.z = TRY_FIELD(c.f32(), "z", "Vector3");
  return v;
}

std::string Vector3::debug() const {
  return fmt::format("Vector3 {{ x: {}, y: {}, z: {} }}", float_debug(x), float_debug(y),
                     float_debug(z));
}

Decoded<Quaternion> Quaternion::read(Cursor& c) {
  Quaternion q;
  q.w = TRY_FIELD(c.f32(), "w", "Quaternion");
  q.x = TRY_FIELD(c.f32(), "x", "Quaternion");
  q.y = TRY_FIELD(c.f32(), "y", "Quaternion");
  q.z = TRY_FIELD(c.f32(), "z", "Quaternion");
  return q;
}

}  // namespace tessary
