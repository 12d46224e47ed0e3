#include "instrument/SerialLink.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/stat.h>

#include "core/TextUtil.h"

namespace korv {

std::int64_t SerialLink::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {
// The name as it can be shown: control bytes as \xNN, cut to a sane length.
std::string Printable(const std::string &name) {
  std::string out;
  for (char c : name.substr(0, 200)) {
    const auto b = static_cast<unsigned char>(c);
    out += b < 0x20 || b == 0x7F ? Format("\\x%.2X", b) : std::string(1, c);
  }
  return name.size() > 200 ? out + "..." : out;
}
} // namespace

std::string SerialDeviceProblem(const std::string &device) {
  const std::string quoted = "\"" + Printable(device) + "\"";
  if (device.empty()) return "No serial device is named.";
  for (char c : device) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return "The serial device name " + quoted + " holds control characters.";
  }
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return "The serial device " + quoted + ": " + std::strerror(errno);
  if (!S_ISCHR(st.st_mode)) return "The serial device " + quoted + " is not a character device.";
  return {};
}

} // namespace korv
