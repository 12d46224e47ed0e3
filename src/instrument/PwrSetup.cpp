#include "instrument/PwrSetup.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <vector>

#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "core/TextUtil.h"
#include "instrument/SAComm.h"

namespace korv {

namespace {

constexpr double kNoLimit = -std::numeric_limits<double>::infinity();

const std::array<TSetupNumberLimit, 5> kLimits = {{{"The cable loss", kNoLimit, 20.0, 6},
                                                   {"The attenuator loss", -10.0, 20.0, 6},
                                                   {"The connector loss", kNoLimit, 10.0, 6},
                                                   {"The coupler loss", kNoLimit, 100.0, 6},
                                                   {"The forward full scale", kNoLimit, 200000.0, 7}}};

std::vector<std::string> SplitAt(std::string_view text, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(sep, start);
    if (at == std::string_view::npos) {
      out.emplace_back(text.substr(start));
      return out;
    }
    out.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
}

// Lines of a text file: LF or CR LF ends, no empty piece after the last
// end, and blank lines at the very end ignored (editors leave them).
std::vector<std::string> FileLines(std::string_view text) {
  std::vector<std::string> lines = SplitAt(text, '\n');
  for (std::string &l : lines)
    if (!l.empty() && l.back() == '\r') l.pop_back();
  while (!lines.empty() && Trim(lines.back()).empty())
    lines.pop_back();
  return lines;
}

// The shortest general decimal text that reads back as the same value.
std::string NumberText(double v) {
  std::string s = Format("%.15g", v);
  double back = 0.0;
  if (!ParseDouble(s, back) || back != v) s = Format("%.17g", v);
  return s;
}

double FileNumber(const std::string &field) {
  double v = 0.0;
  if (!ParseDouble(field, v)) throw EmoxInvalidFileError(kMsgInvalidFile);
  return v;
}

std::string Unquoted(std::string field) {
  if (!field.empty() && field.front() == '"') field.erase(0, 1);
  if (!field.empty() && field.back() == '"') field.pop_back();
  return field;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::vector<std::uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }

// A text with a comma would become two fields on the line and in files.
bool HoldsComma(const TPowerSetupRecord &r) {
  for (const std::string *t : {&r.Version.str(), &r.Name.str(), &r.FreqRange.str(), &r.SensorType.str(),
                               &r.ElementType.str(), &r.Comment.str(), &r.Password.str()})
    if (t->find(',') != std::string::npos) return true;
  return false;
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Closes the port however the exchange ends.
class TLinkGuard {
public:
  explicit TLinkGuard(TSAComm &comm) : m_comm(comm) { m_comm.Open(); }
  ~TLinkGuard() { m_comm.Close(); }
  TLinkGuard(const TLinkGuard &) = delete;
  TLinkGuard &operator=(const TLinkGuard &) = delete;

private:
  TSAComm &m_comm;
};

std::string WaitSetupTail(TSAComm &comm, std::string_view tail, std::int64_t ms) {
  if (ms <= 0) throw EmoxIOTimeOutErr(kMsgSetupTimeOut);
  try {
    return comm.WaitForTail(tail, static_cast<int>(ms));
  } catch (const EmoxIOTimeOutErr &) {
    throw EmoxIOTimeOutErr(kMsgSetupTimeOut);
  }
}

// Waits for "SOK" at the start of a line: a record's own text (echoed by
// SSTO, or a comment that reads SOK) cannot end the reply early.
std::string WaitForSok(TSAComm &comm, int ms) {
  const std::int64_t deadline = comm.Link().NowMs() + ms;
  std::string text;
  for (;;) {
    text += WaitSetupTail(comm, "SOK", deadline - comm.Link().NowMs());
    const std::size_t at = text.size() - 3;
    if (at == 0 || IsLineEnd(text[at - 1])) return text;
  }
}

// Lets the analyzer settle; what it says meanwhile (the prompt answering
// a CR) belongs to no reply.
void Pause(TSAComm &comm, int ms) {
  SerialLink &link = comm.Link();
  const std::int64_t end = link.NowMs() + ms;
  std::array<std::uint8_t, 256> chunk{};
  for (std::int64_t now = link.NowMs(); now < end; now = link.NowMs())
    link.Read(chunk.data(), chunk.size(), static_cast<int>(std::min<std::int64_t>(end - now, 1000)));
  comm.Ring().Clear();
}

void SyncOnce(TSAComm &comm) {
  comm.SendCommand("\r");
  Pause(comm, 1000);
  comm.SendCommand("SGET\r");
  // The analyzer refuses a bare SGET: the refusal shows it listens.
  WaitSetupTail(comm, "ERRsetup", 5000);
}

} // namespace

TPowerSetupList DefaultSetupList() {
  TPowerSetupList list;
  for (int n = 1; n <= kSetupRecordCount; ++n)
    list[static_cast<std::size_t>(n - 1)].Name = "Dflt " + std::to_string(n);
  return list;
}

// ---------------------------------------------------------------- editing

const TSetupNumberLimit &SetupNumberLimit(TSetupNumber which) { return kLimits[static_cast<std::size_t>(which)]; }

std::string ReadSetupNumber(TSetupNumber which, std::string_view text, double &value) {
  const TSetupNumberLimit &l = SetupNumberLimit(which);
  double v = 0.0;
  const std::string range = std::isinf(l.Min)
                                ? Format("not above %s", NumberText(l.Max).c_str())
                                : Format("from %s to %s", NumberText(l.Min).c_str(), NumberText(l.Max).c_str());
  if (!ParseDouble(text, v) || v < l.Min || v > l.Max) return std::string(l.Label) + " must be a number " + range + ".";
  value = v;
  return {};
}

std::string SetupTextProblem(std::string_view text) {
  return text.find(',') == std::string_view::npos ? std::string() : std::string(kMsgSetupComma);
}

TPowerSetupRecord EditedRecord(TPowerSetupRecord edited) {
  edited.Version = "0";
  return edited;
}

bool PasswordAccepted(const TPowerSetupRecord &record, std::string_view typed) {
  return record.Password.empty() || record.Password == typed;
}

std::string SetupLossText(double dB) { return Format("%6.2f", dB); }

std::string SetupFullScaleText(double watts) {
  return watts >= 1000.0 ? Format("%6.2f", watts / 1000.0) + "KW" : Format("%6.2f", watts) + "W";
}

// ---------------------------------------------------------------- files

std::string WriteSetupCsv(const TPowerSetupList &list) {
  std::string out = std::string(kSetupCsvHeader) + "\r\n";
  for (const TPowerSetupRecord &r : list) {
    const std::array<std::string, kSetupFieldCount> f = {
        r.Version.str(),         r.Name.str(),          r.Protect ? "1" : "0", NumberText(r.Cable), NumberText(r.Atten),
        NumberText(r.Connector), NumberText(r.Coupler), r.FreqRange.str(),     r.SensorType.str(),  r.ElementType.str(),
        NumberText(r.FullScale), r.Comment.str(),       r.Password.str()};
    std::string line;
    for (std::size_t i = 0; i < f.size(); ++i)
      line += (i == 0 ? "" : ",") + f[i];
    // A comma inside a text would shift every later field when read back.
    if (std::count(line.begin(), line.end(), ',') > kSetupFieldCount - 1) throw EmoxCSVError(kMsgTooManyFields);
    out += line + "\r\n";
  }
  return out;
}

TPowerSetupList ReadSetupCsv(std::string_view text, const TPowerSetupList &base) {
  const std::vector<std::string> lines = FileLines(text);
  if (lines.empty() || lines[0] != kSetupCsvHeader) throw EmoxInvalidFileError(kMsgInvalidFile);
  TPowerSetupList list = base;
  for (std::size_t i = 1; i < lines.size() && i <= static_cast<std::size_t>(kSetupRecordCount); ++i) {
    const std::vector<std::string> f = SplitAt(lines[i], ',');
    if (f.size() < static_cast<std::size_t>(kSetupFieldCount)) throw EmoxInvalidFileError(kMsgInvalidFile);
    TPowerSetupRecord r;
    r.Version = f[0];
    r.Name = f[1];
    r.Protect = f[2] != "0";
    r.Cable = FileNumber(f[3]);
    r.Atten = FileNumber(f[4]);
    r.Connector = FileNumber(f[5]);
    r.Coupler = FileNumber(f[6]);
    r.FreqRange = f[7];
    r.SensorType = f[8];
    r.ElementType = f[9];
    r.FullScale = FileNumber(f[10]);
    r.Comment = f[11];
    r.Password = f[12];
    list[i - 1] = r;
  }
  return list;
}

std::string SetupRecordText(const TPowerSetupRecord &r) {
  return r.Name.str() + "," + (r.Protect ? "Y" : "N") + "," + Format("%.2f", r.Cable) + "," + Format("%.2f", r.Atten) +
         "," + Format("%.2f", r.Connector) + "," + Format("%.2f", r.Coupler) + "," + Quoted(r.FreqRange) + "," +
         Quoted(r.SensorType) + "," + Quoted(r.ElementType) + "," + Format("%.2f", r.FullScale) + "," +
         Quoted(r.Comment) + "," + Quoted(r.Password);
}

TPowerSetupRecord ParseSetupRecordText(std::string_view line) {
  std::vector<std::string> f = SplitAt(line, ',');
  if (f.size() < static_cast<std::size_t>(kSetupTextFieldCount)) throw EmoxInvalidFileError(kMsgInvalidFile);
  // Quotes go before the texts are cut to their capacity, so a comment
  // that fills its 21 characters keeps them all.
  for (std::string &s : f)
    s = Unquoted(std::move(s));
  TPowerSetupRecord r;
  r.Name = f[0];
  r.Protect = f[1] == "Y";
  r.Cable = FileNumber(f[2]);
  r.Atten = FileNumber(f[3]);
  r.Connector = FileNumber(f[4]);
  r.Coupler = FileNumber(f[5]);
  r.FreqRange = f[6];
  r.SensorType = f[7];
  r.ElementType = f[8];
  r.FullScale = FileNumber(f[9]);
  r.Comment = f[10];
  r.Password = f[11];
  return r;
}

std::string WriteSetupText(const TPowerSetupList &list) {
  std::string out;
  for (const TPowerSetupRecord &r : list) {
    if (HoldsComma(r)) throw EmoxCSVError(kMsgTooManyFields);
    out += SetupRecordText(r) + "\r\n";
  }
  return out;
}

TPowerSetupList ReadSetupText(std::string_view text, const TPowerSetupList &base) {
  const std::vector<std::string> lines = FileLines(text);
  TPowerSetupList list = base;
  for (std::size_t i = 0; i < lines.size() && i < static_cast<std::size_t>(kSetupRecordCount); ++i)
    list[i] = ParseSetupRecordText(lines[i]);
  return list;
}

bool IsSetupTextFile(const std::string &fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = fileName.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".txt";
}

TPowerSetupList LoadSetupFile(const std::string &fileName, const TPowerSetupList &base) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
  const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  return IsSetupTextFile(fileName) ? ReadSetupText(text, base) : ReadSetupCsv(text, base);
}

void SaveSetupFile(const std::string &fileName, const TPowerSetupList &list, bool textForm) {
  WriteWholeFileAtomic(fileName, Bytes(textForm ? WriteSetupText(list) : WriteSetupCsv(list)));
}

// ---------------------------------------------------------------- analyzer

TPowerSetupRecord RecordFromSetupReply(std::string_view reply, int n) {
  const std::size_t sok = reply.rfind("SOK");
  if (sok == std::string_view::npos) throw EmoxIOError(kMsgSetupTransfer);
  // Back from SOK to the twelfth comma: the record number stands before it.
  std::size_t comma = sok;
  int commas = 0;
  while (commas < kSetupTextFieldCount && comma > 0)
    if (reply[--comma] == ',') ++commas;
  if (commas < kSetupTextFieldCount) throw EmoxIOError(kMsgSetupTransfer);
  std::size_t start = comma;
  while (start > 0 && comma - start < 2 && std::isdigit(static_cast<unsigned char>(reply[start - 1])))
    --start;
  long long number = 0;
  if (!ParseInt(reply.substr(start, comma - start), number) || number != n) throw EmoxIOError(kMsgSetupTransfer);
  std::string_view record = reply.substr(comma + 1, sok - comma - 1);
  while (!record.empty() && IsLineEnd(record.back()))
    record.remove_suffix(1);
  try {
    return ParseSetupRecordText(record);
  } catch (const EmoxInvalidFileError &) {
    throw EmoxIOError(kMsgSetupTransfer);
  }
}

void SyncSetupExchange(TSAComm &comm) {
  try {
    SyncOnce(comm);
  } catch (const Exception &) {
    SyncOnce(comm); // once more; a second failure is the answer
  }
}

bool LoadSetupsFromAnalyzer(TSAComm &comm, const std::function<void(int n, const TPowerSetupRecord &)> &onRecord,
                            const TSetupStepFn &progress) {
  TLinkGuard guard(comm);
  if (progress) progress(0, kSetupRecordCount);
  SyncSetupExchange(comm);
  for (int n = 1; n <= kSetupRecordCount; ++n) {
    if (comm.CancelRequested()) return false;
    comm.Ring().Clear();
    comm.SendCommand("SGET," + std::to_string(n) + "\r");
    const std::string reply = WaitForSok(comm, 15000);
    onRecord(n, RecordFromSetupReply(reply, n));
    if (progress) progress(n, kSetupRecordCount);
  }
  return true;
}

bool SendSetupsToAnalyzer(TSAComm &comm, const TPowerSetupList &list, const TSetupStepFn &progress) {
  std::vector<std::string> lines;
  for (int n = 1; n <= kSetupRecordCount; ++n) {
    const TPowerSetupRecord &r = list[static_cast<std::size_t>(n - 1)];
    if (HoldsComma(r)) throw EmoxIOError(kMsgSetupComma);
    lines.push_back("SSTO," + std::to_string(n) + "," + SetupRecordText(r) + "\r");
  }
  TLinkGuard guard(comm);
  if (progress) progress(0, kSetupRecordCount);
  SyncSetupExchange(comm);
  for (int n = 1; n <= kSetupRecordCount; ++n) {
    if (comm.CancelRequested()) return false;
    comm.Ring().Clear();
    comm.SendCommand(lines[static_cast<std::size_t>(n - 1)]);
    WaitForSok(comm, 15000);
    if (progress) progress(n, kSetupRecordCount);
  }
  return true;
}

} // namespace korv
