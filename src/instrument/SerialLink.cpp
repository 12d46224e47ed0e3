#include "instrument/SerialLink.h"

#include <chrono>

namespace korv {

std::int64_t SerialLink::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace korv
