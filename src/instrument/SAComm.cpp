#include "instrument/SAComm.h"

#include <algorithm>

#include "core/DateTime.h"
#include "core/DocFromReply.h"
#include "core/Excption.h"
#include "core/TextUtil.h"

namespace korv {

namespace {

bool IsTerminator(std::uint8_t b) { return b == '\r' || b == '\n'; }

bool Contains(const std::string &s, std::string_view part) { return s.find(part) != std::string::npos; }

bool EndsWith(const std::string &s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Command(std::string_view text) { return std::string(text) + kLxCommandEnd; }

bool IsAnalyzerModel(const std::string &line) {
  for (const char *m : {"LX-3200", "LX-3250", "LX-3400", "LX-3100", "LX-3600", "Site"})
    if (Contains(line, m)) return true;
  return false;
}

} // namespace

TSAComm::TSAComm(SerialLink &link) : m_link(link), m_ring(std::make_unique<TBuffer>()) {}

void TSAComm::Open() {
  if (m_link.IsOpen()) return;
  m_link.Open();
  m_ring->Clear();
  try {
    DrainLeftovers();
  } catch (...) {
    // The caller's guard never took the port: close it here.
    m_link.Close();
    throw;
  }
}

void TSAComm::DrainLeftovers() {
  const std::int64_t start = m_link.NowMs();
  std::array<std::uint8_t, 4096> chunk{};
  bool told = false;
  while (m_link.Read(chunk.data(), chunk.size(), kQuietMs) > 0) {
    if (!told && m_busyNotice) m_busyNotice();
    told = true;
    if (m_readCancel != nullptr && m_readCancel->load()) throw EmoxIOCancelled(kMsgCancelled);
    if (m_link.NowMs() - start > kDrainLimitMs)
      throw EmoxIODeviceErr(Format(kMsgKeepsSending, m_link.Name().c_str(), kDrainLimitMs / 1000));
  }
}

void TSAComm::Close() {
  if (m_link.IsOpen()) m_link.Close();
}

void TSAComm::ClearReply() {
  ReplyBytes.fill(0);
  ReplyLength = 0;
}

void TSAComm::SendCommand(std::string_view text) {
  // Written only when it fits; otherwise the read that follows times out.
  if (m_link.OutputRoom() >= text.size()) m_link.Write(text);
}

std::uint8_t TSAComm::TakeByte(TSilence &deadline) {
  for (;;) {
    if (m_readCancel != nullptr && m_readCancel->load()) throw EmoxIOCancelled(kMsgCancelled);
    // Bytes already here arrived in time, however slowly they are taken.
    if (m_ring->Count() > 0) return m_ring->Get();
    const std::int64_t now = m_link.NowMs();
    if (now >= deadline.Until) throw EmoxIOTimeOutErr(kMsgTimeOut);
    std::array<std::uint8_t, 4096> chunk{};
    const std::size_t room = static_cast<std::size_t>(TBuffer::kSize - m_ring->Count());
    const std::size_t n = m_link.Read(chunk.data(), std::min(room, chunk.size()),
                                      static_cast<int>(std::min<std::int64_t>(deadline.Until - now, 1000)));
    if (n > 0) deadline.Until = m_link.NowMs() + deadline.Window;
    for (std::size_t i = 0; i < n; ++i)
      m_ring->Put(chunk[i]);
  }
}

namespace {
// Appends b to text; a reply that grows past its limit without its end is no reply.
void Grow(std::string &text, std::uint8_t b, int limit) {
  if (static_cast<int>(text.size()) >= limit) throw EmoxIOTraceFormatErr(Format(kMsgReplyRunsOn, limit));
  text.push_back(static_cast<char>(b));
}
} // namespace

void TSAComm::DiscardInput() {
  m_ring->Clear();
  std::array<std::uint8_t, 4096> chunk{};
  while (m_link.Read(chunk.data(), chunk.size(), 0) > 0) {
  }
}

void TSAComm::ReadBytes(int count, int deadlineMs) {
  if (count < 0 || ReplyLength + count > kReplyBytesSize) throw EmoxIOSizeErr("Reply too long.");
  TSilence deadline = Deadline(deadlineMs);
  for (int i = 0; i < count; ++i)
    ReplyBytes[static_cast<std::size_t>(ReplyLength++)] = TakeByte(deadline);
}

void TSAComm::ReadLines(int count, int deadlineMs) {
  TSilence deadline = Deadline(deadlineMs + 1000);
  std::string line;
  bool remembered = false;
  int added = 0;
  while (added < count) {
    const std::uint8_t b = TakeByte(deadline);
    if (!IsTerminator(b)) {
      Grow(line, b, kMaxReplyLine);
    } else if (remembered) {
      ReplyLines.push_back(std::move(line));
      line.clear();
      remembered = false;
      ++added;
      if (m_lineProgress) m_lineProgress(static_cast<int>(ReplyLines.size()));
    } else {
      remembered = true;
    }
  }
}

void TSAComm::ReadToPrompt(bool keep) {
  TSilence deadline = Deadline(3000);
  std::string text;
  while (!EndsWith(text, kLxPrompt))
    Grow(text, TakeByte(deadline), kMaxReplyText);
  if (keep) ReplyLines.push_back(std::move(text));
}

void TSAComm::ReadListing(int deadlineMs) {
  TSilence deadline = Deadline(deadlineMs);
  char w0 = ' ';
  char w1 = ' ';
  std::string current;
  std::size_t total = 0;
  while (!EndsWith(current, kLxPrompt)) {
    const std::uint8_t byte = TakeByte(deadline);
    const char b = static_cast<char>(byte);
    if (++total > static_cast<std::size_t>(kMaxReplyText))
      throw EmoxIOTraceFormatErr(Format(kMsgReplyRunsOn, kMaxReplyText));
    w0 = w1;
    w1 = b;
    const bool pair = (w0 == '\r' && w1 == '\n') || (w0 == '\n' && w1 == '\r');
    if (!pair) {
      Grow(current, byte, kMaxReplyLine);
    } else {
      if (!current.empty()) current.pop_back();
      ReplyLines.push_back(std::move(current));
      current.clear();
    }
  }
  if (!ReplyLines.empty() && ReplyLines.front().compare(0, kLxDirectory.size(), kLxDirectory) == 0)
    ReplyLines.erase(ReplyLines.begin());
}

std::string TSAComm::WaitForTail(std::string_view tail, int deadlineMs) {
  TSilence deadline = Deadline(deadlineMs);
  std::string text;
  while (!EndsWith(text, tail))
    Grow(text, TakeByte(deadline), kMaxReplyText);
  return text;
}

std::string TSAComm::WaitForAny(std::string_view any, int deadlineMs) {
  TSilence deadline = Deadline(deadlineMs);
  std::string text;
  do {
    Grow(text, TakeByte(deadline), kMaxReplyText);
  } while (any.find(text.back()) == std::string_view::npos);
  return text;
}

void TSAComm::WakeAnalyzer() {
  TSilence deadline = Deadline(3000);
  SendCommand(Command(""));
  while (TakeByte(deadline) != kLxPrompt.front()) {
  }
  // An unknown command is answered by "?" and the prompt: the analyzer listens.
  SendCommand(Command(kLxWake));
  const std::string refused = "?" + std::string(kLxLineEnd) + std::string(kLxPrompt);
  std::string text;
  while (!Contains(text, refused))
    Grow(text, TakeByte(deadline), kMaxReplyText);
}

std::string TSAComm::ReadStatus() {
  ReplyLines.clear();
  SendCommand(Command(kLxStatus));
  ReadLines(1, 1000);
  if (!Contains(ReplyLines.back(), "ST")) return {};
  ReplyLines.pop_back();
  ReadLines(1, 1000);
  std::string model = ReplyLines.back();
  if (!IsAnalyzerModel(model)) return {};
  QEModel = Contains(model, "QE");
  ReadToPrompt(false);
  return model;
}

std::string TSAComm::ReadStatusWithDate() {
  std::string date = kDefaultFirmwareDate;
  const std::string model = ReadStatus();
  if (model.empty()) return date;
  const std::size_t c1 = model.find(',');
  const std::string rest = c1 == std::string::npos ? std::string() : model.substr(c1 + 1);
  ReplyLines.back() = rest;
  const std::size_t c2 = rest.find(',');
  if (c2 != std::string::npos) date = rest.substr(c2 + 1, 7);
  return date;
}

void TSAComm::ProbeStatus() {
  ReplyLines.clear();
  SendCommand(Command(kLxStatus));
  ReadLines(1, 1000);
  if (!Contains(ReplyLines.back(), "RT")) {
    ReplyLines.clear();
    ReadLines(1, 1000);
  }
}

void TSAComm::ReadTraceDirectory() {
  ReplyLines.clear();
  SendCommand(Command(kLxDirectory));
  try {
    ReadListing(15000);
  } catch (const EmoxIOTimeOutErr &) {
    // What arrived before the deadline is the directory.
    if (!ReplyLines.empty() && ReplyLines.front().compare(0, kLxDirectory.size(), kLxDirectory) == 0)
      ReplyLines.erase(ReplyLines.begin());
  }
}

void TSAComm::ReadTrace(int location, double firmwareDate) {
  const std::string where =
      location == kLxCurrentTraceLocation ? std::string(kLxCurrentTraceName) : std::to_string(location);
  SendCommand(Command(std::string(kLxUpload) + where));
  const std::size_t first = ReplyLines.size();
  m_expectedLines = 0;
  ReadLines(2, 1000);
  if (ReplyLines[first + 1] == "?") throw EmoxIONoTraceErr(kMsgNoTraceStored);
  switch (FirmwareGeneration(firmwareDate)) {
  case 1:
    m_expectedLines = 257;
    ReadLines(255, 7000);
    break;
  case 2:
    m_expectedLines = 253;
    ReadLines(251, 7000);
    break;
  default:
    if (QEModel) {
      // The point count comes with the header; until then the header is all we know.
      m_expectedLines = 18;
      ReadLines(16, 7000);
      long long n = 0;
      if (!ParseInt(Trim(ReplyLines[first + 17]), n) || n < 2 || n > kLxMaxReplyPoints)
        throw EmoxIOInvalidTraceError(kMsgInvalidTrace);
      m_expectedLines = 18 + static_cast<int>(n);
      ReadLines(static_cast<int>(n), 20000);
    } else {
      m_expectedLines = 255;
      ReadLines(253, 7000);
    }
    ReadToPrompt(true);
    break;
  }
}

void TSAComm::DeleteStoredTrace(int location) {
  SendCommand(Command(std::string(kLxDelete) + std::to_string(location)));
  TSilence deadline = Deadline(2000);
  std::string w = "    ";
  for (;;) {
    w.erase(0, 1);
    w.push_back(static_cast<char>(TakeByte(deadline)));
    if (w == "\n\r?\n") throw EmoxIODeviceErr(kMsgDeleteError);
    if (w == "\n\r> ") return;
  }
}

void TSAComm::RtExchange(std::string_view command, int count, int deadlineMs) {
  ClearReply();
  DiscardInput();
  SendCommand(command);
  try {
    ReadBytes(count, deadlineMs);
  } catch (const EmoxIOError &) {
    m_link.FlushInput();
    m_link.FlushOutput();
    if (ReplyBytes[0] == '?') throw EmoxIOError(kMsgRtDeviceError);
    throw;
  }
}

void TSAComm::RtReadStatus() { RtExchange(Command(kLxStatus), kRtStatusBytes, 2000); }
void TSAComm::RtReadDirectory() { RtExchange(Command(kLxDirectory), kRtDirectoryBytes, 3000); }
void TSAComm::RtReadTrace(int location) {
  RtExchange(Command(std::string(kRtUpload) + std::to_string(location) + ",0"), kRtTraceBytes, 5000);
}

std::string TSAComm::SiteMasterIdentify() {
  ClearReply();
  DiscardInput();
  const char identify = static_cast<char>(kSmIdentify);
  SendCommand(std::string_view(&identify, 1));
  try {
    ReadBytes(kSmIdentifyBytes, 10000);
  } catch (const EmoxIOError &) {
    m_link.FlushInput();
    m_link.FlushOutput();
    throw;
  }
  return std::string(reinterpret_cast<const char *>(&ReplyBytes[2]), 4);
}

void TSAComm::SiteMasterReadTrace(int location) {
  ClearReply();
  DiscardInput();
  const char cmd[2] = {static_cast<char>(kSmReadTrace), static_cast<char>(static_cast<std::uint8_t>(location))};
  SendCommand(std::string_view(cmd, 2));
  ReadBytes(2, 1000);
  const unsigned length = ReplyWord(0);
  if (length == kSmNoTraceLength)
    ReadBytes(static_cast<int>(kSmNoTraceLength), 1000);
  else if (length == kSmTraceLength)
    ReadBytes(static_cast<int>(kSmTraceLength), 3000);
}

void TSAComm::SiteMasterRelease() {
  const char release = static_cast<char>(kSmRelease);
  SendCommand(std::string_view(&release, 1));
  ReadBytes(1, 750);
}

unsigned TSAComm::ReplyWord(int p) const {
  if (p < 0 || p + 1 >= kReplyBytesSize) throw EmoxIOSizeErr("Reply position out of range.");
  return ReplyBytes[static_cast<std::size_t>(p)] * 256U + ReplyBytes[static_cast<std::size_t>(p) + 1];
}

double TSAComm::ReplyLong(int p) const {
  if (p < 0 || p + 3 >= kReplyBytesSize) throw EmoxIOSizeErr("Reply position out of range.");
  double v = 0;
  for (std::size_t i = 0; i < 4; ++i)
    v = v * 256.0 + ReplyBytes[static_cast<std::size_t>(p) + i];
  return v;
}

float TSAComm::WordToSingle(std::uint8_t hi, std::uint8_t lo) { return static_cast<float>(hi * 256 + lo); }

float TSAComm::TenthsToSingle(std::uint8_t hi, std::uint8_t lo) {
  return static_cast<float>(static_cast<std::int16_t>(static_cast<std::uint16_t>(hi * 256 + lo))) * 0.1F;
}

} // namespace korv
