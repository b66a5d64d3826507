#include "tessary/dat/log.hpp"

namespace tessary::log {

namespace {
Sink g_sink = nullptr;
}  // namespace

void set_sink(Sink sink) {
  g_sink = sink;
}

Sink sink() {
  return g_sink;
}

}  // namespace tessary::log
