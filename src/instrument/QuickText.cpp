#include "instrument/QuickText.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "instrument/SAComm.h"

namespace korv {

namespace {

constexpr std::string_view kForbiddenPunctuation = "!\"$%&';<=>?[\\]^`{|}~";

class TLinkGuard {
public:
  explicit TLinkGuard(TSAComm &comm) : m_comm(comm) { m_comm.Open(); }
  ~TLinkGuard() { m_comm.Close(); }
  TLinkGuard(const TLinkGuard &) = delete;
  TLinkGuard &operator=(const TLinkGuard &) = delete;

private:
  TSAComm &m_comm;
};

std::string WaitQuickTail(TSAComm &comm, std::string_view tail, int ms) {
  try {
    return comm.WaitForTail(tail, ms);
  } catch (const EmoxIOTimeOutErr &) {
    throw EmoxIOTimeOutErr(kMsgNotResponding);
  }
}

// Port open, analyzer awake, nothing stale in the buffer.
void Wake(TSAComm &comm) {
  try {
    comm.WakeAnalyzer();
  } catch (const EmoxIOTimeOutErr &) {
    throw EmoxIOTimeOutErr(kMsgNotResponding);
  }
  comm.Ring().Clear();
}

} // namespace

bool IsForbiddenQuickTextChar(unsigned char c) {
  if (c == 8) return false;
  if (c <= 25 || c >= 127) return true;
  return kForbiddenPunctuation.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string QuickTextUpper(std::string_view text) {
  std::string out(text);
  for (char &c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string CleanQuickText(std::string_view text) {
  std::string out = QuickTextUpper(text.substr(0, kQuickTextLength));
  for (char &c : out)
    if (IsForbiddenQuickTextChar(static_cast<unsigned char>(c))) c = '_';
  return out;
}

TQuickTextList QuickTextFromLines(const std::vector<std::string> &lines) {
  TQuickTextList rows;
  for (std::size_t i = 0; i < lines.size() && i < rows.size(); ++i)
    rows[i] = CleanQuickText(lines[i]);
  return rows;
}

TQuickTextList ReadQuickTextFile(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return QuickTextFromLines(lines);
}

std::string WriteQuickTextFile(const TQuickTextList &rows) {
  std::string out;
  for (const std::string &r : rows)
    out += r + "\r\n";
  return out;
}

TQuickTextList LoadQuickTextFile(const std::string &fileName) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
  return ReadQuickTextFile(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
}

void SaveQuickTextFile(const std::string &fileName, const TQuickTextList &rows) {
  const std::string text = WriteQuickTextFile(rows);
  WriteWholeFileAtomic(fileName, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::string> QuickTextReplyLines(std::string_view reply) {
  // Rows end with CR LF; the reply ends with LF CR "> ", which ends no row.
  std::vector<std::string> lines;
  std::string current;
  char w0 = ' ';
  char w1 = ' ';
  std::string w4 = "    ";
  for (const char b : reply) {
    w0 = w1;
    w1 = b;
    w4.erase(0, 1);
    w4.push_back(b);
    if (b != '\r' && b != '\n') current.push_back(b);
    if (w0 == '\r' && w1 == '\n') {
      lines.push_back(std::move(current));
      current.clear();
    }
    if (w4 == "\n\r> ") break;
  }
  if (!lines.empty() && lines.front().compare(0, 2, "QU") == 0) lines.erase(lines.begin());
  return lines;
}

TQuickTextList LoadQuickTextFromAnalyzer(TSAComm &comm) {
  TLinkGuard guard(comm);
  Wake(comm);
  comm.SendCommand("QU\r");
  const std::string reply = WaitQuickTail(comm, "\n\r> ", 15000);
  // The analyzer's rows pass the same rules as a file's: a damaged line
  // cannot bring characters into the list that the editor refuses.
  return QuickTextFromLines(QuickTextReplyLines(reply));
}

void SendQuickTextToAnalyzer(TSAComm &comm, const TQuickTextList &rows,
                             const std::function<void(int done, int total)> &progress) {
  std::vector<std::string> toSend;
  for (const std::string &r : rows)
    if (!r.empty()) toSend.push_back(CleanQuickText(r));
  TLinkGuard guard(comm);
  Wake(comm);
  const int total = static_cast<int>(toSend.size());
  if (progress) progress(0, total);
  comm.SendCommand("QD\r");
  WaitQuickTail(comm, ":", 5000);
  for (int i = 0; i < total; ++i) {
    comm.SendCommand(toSend[static_cast<std::size_t>(i)] + "\r");
    WaitQuickTail(comm, "\r\n:", 5000);
    if (progress) progress(i + 1, total);
  }
  comm.SendCommand("\r");
  WaitQuickTail(comm, ">", 5000);
}

} // namespace korv
