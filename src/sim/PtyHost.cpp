#include "sim/PtyHost.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "core/Excption.h"

namespace korv {

TSimFault ParseSimFault(const std::string &name) {
  if (name == "none") return TSimFault::None;
  if (name == "slow") return TSimFault::Slow;
  if (name == "drop") return TSimFault::Drop;
  if (name == "garbage") return TSimFault::Garbage;
  if (name == "silence") return TSimFault::Silence;
  if (name == "cutoff") return TSimFault::Cutoff;
  if (name == "sync-once") return TSimFault::SyncOnce;
  throw Exception("Unknown fault: " + name);
}

std::string ApplyFault(TSimFault fault, const std::string &bytes) {
  constexpr std::size_t kEvery = 97;
  std::string out;
  switch (fault) {
  case TSimFault::Drop:
    for (std::size_t i = 0; i < bytes.size(); ++i)
      if (i % kEvery != kEvery / 2) out.push_back(bytes[i]);
    return out;
  case TSimFault::Garbage:
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      out.push_back(bytes[i]);
      if (i % kEvery == kEvery / 2) out.push_back('#');
    }
    return out;
  case TSimFault::Cutoff: return bytes.substr(0, bytes.size() / 2);
  case TSimFault::Silence: return {};
  default: return bytes;
  }
}

TPtyHost::TPtyHost(TSimulator &sim, TPtyHostOptions options) : m_sim(sim), m_options(options) {}

TPtyHost::~TPtyHost() {
  if (m_slave >= 0) ::close(m_slave);
  if (m_master >= 0) ::close(m_master);
}

double TPtyHost::Now() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string TPtyHost::Open() {
  m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
    throw Exception(std::string("Unable to create a pseudo-terminal: ") + std::strerror(errno));
  const char *name = ::ptsname(m_master);
  if (name == nullptr) throw Exception("Unable to name the pseudo-terminal.");
  std::string path = name;
  // Holding the other side open keeps the terminal alive between the
  // program's sessions; raw mode stops the terminal from echoing our output.
  m_slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (m_slave < 0) throw Exception("Unable to open " + path + ": " + std::strerror(errno));
  termios tio{};
  ::tcgetattr(m_slave, &tio);
  ::cfmakeraw(&tio);
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  ::tcsetattr(m_slave, TCSANOW, &tio);
  ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
  return path;
}

void TPtyHost::Enqueue(const TSimSegment &segment, double arrival) {
  if (m_options.Fault == TSimFault::Silence) return;
  TPending p;
  p.Bytes = segment.Trace ? ApplyFault(m_options.Fault, segment.Bytes) : segment.Bytes;
  if (p.Bytes.empty()) return;
  const double lineByte = m_options.Pace ? 10.0 / m_options.Baud : 0.0;
  p.ByteTime = segment.Trace && m_options.Fault == TSimFault::Slow ? 1.0 / 40.0 : lineByte;
  p.Next = std::max(arrival, m_txEnd);
  m_txEnd = p.Next + p.ByteTime * static_cast<double>(p.Bytes.size());
  m_queue.push_back(std::move(p));
}

void TPtyHost::WriteDue(double now) {
  while (!m_queue.empty()) {
    TPending &p = m_queue.front();
    if (now < p.Next) return;
    std::size_t n = p.Bytes.size() - p.Pos;
    if (p.ByteTime > 0.0) n = std::min(n, static_cast<std::size_t>((now - p.Next) / p.ByteTime) + 1);
    const ssize_t w = ::write(m_master, p.Bytes.data() + p.Pos, n);
    if (w <= 0) return; // the terminal's buffer is full: try again later
    p.Pos += static_cast<std::size_t>(w);
    p.Next += p.ByteTime * static_cast<double>(w);
    m_bytesOut += w;
    if (p.Pos < p.Bytes.size()) return;
    m_queue.pop_front();
  }
}

void TPtyHost::Serve(const std::atomic<bool> &stop) {
  std::array<char, 4096> buf{};
  const double lineByte = m_options.Pace ? 10.0 / m_options.Baud : 0.0;
  while (!stop.load()) {
    double now = Now();
    WriteDue(now);
    int timeoutMs = 100;
    if (!m_queue.empty()) {
      const double wait = m_queue.front().Next - now;
      timeoutMs = std::clamp(static_cast<int>(std::ceil(wait * 1000.0)), 2, 100);
    }
    pollfd pfd{m_master, POLLIN, 0};
    const int r = ::poll(&pfd, 1, timeoutMs);
    if (r < 0 && errno != EINTR) throw Exception(std::string("poll failed: ") + std::strerror(errno));
    if (r <= 0 || (pfd.revents & POLLIN) == 0) continue;
    const ssize_t n = ::read(m_master, buf.data(), buf.size());
    if (n <= 0) continue;
    m_bytesIn += n;
    now = Now();
    // The command is complete only once its last byte has crossed the line.
    const double arrival = std::max(now, m_rxFree) + lineByte * static_cast<double>(n);
    m_rxFree = arrival;
    for (const TSimSegment &s : m_sim.Receive(std::string_view(buf.data(), static_cast<std::size_t>(n))))
      Enqueue(s, arrival);
  }
}

} // namespace korv
