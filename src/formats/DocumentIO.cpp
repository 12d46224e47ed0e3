#include "formats/DocumentIO.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "core/DateTime.h"
#include "core/DocFile.h"
#include "core/Excption.h"
#include "core/ReflectionExcess.h"
#include "core/SAFileStream.h"
#include "formats/LXZTTraceFile.h"
#include "formats/Touchstone.h"
#include "formats/VantorFile.h"

namespace korv {

const char *FormatName(TDocFormat f) {
  switch (f) {
  case TDocFormat::Kdt: return "kdt";
  case TDocFormat::Csv: return "csv";
  case TDocFormat::Vnf: return "vnf";
  case TDocFormat::S1p: return "s1p";
  }
  return "kdt";
}

namespace {
std::string Extension(const std::string &fileName) {
  const auto slash = fileName.find_last_of('/');
  const auto dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return fileName.substr(dot);
}
std::string Lower(const std::string &ext) {
  std::string e;
  for (char c : ext)
    e += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return e;
}
bool IsTouchstoneName(const std::string &ext) { return Lower(ext) == ".s1p"; }
// ".s2p", ".s3p" ...: Touchstone files this program reads (two ports) or
// refuses by their port count, never as some other format.
bool IsOtherTouchstoneName(const std::string &ext) {
  const std::string e = Lower(ext);
  return e.size() >= 4 && e[1] == 's' && e.back() == 'p' && e != ".s1p" &&
         e.substr(2, e.size() - 3).find_first_not_of("0123456789") == std::string::npos;
}
double ModificationTime(const std::string &fileName) {
  std::error_code ec;
  const auto t = std::filesystem::last_write_time(fileName, ec);
  if (ec) return 0.0;
  const auto sys = std::chrono::file_clock::to_sys(t);
  return UnixTimeToDayCount(std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count());
}
} // namespace

TOpenResult OpenDocument(const std::string &fileName, const TOpenOptions &options) {
  std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
  TOpenOptions o = options;
  if (o.FileTime == 0.0) o.FileTime = ModificationTime(fileName);
  return OpenDocumentBytes(bytes, fileName, o);
}

int TouchstonePortCount(const std::vector<std::uint8_t> &bytes, const std::string &fileName) {
  const std::string ext = Extension(fileName);
  if (!IsTouchstoneName(ext) && !IsOtherTouchstoneName(ext) && !LooksLikeTouchstone(bytes)) return 0;
  TTextFile probe(bytes);
  const std::string first = probe.Eof() ? std::string() : probe.ReadLine();
  if (ClassifyFirstLine(first) != TFirstLineKind::Other) return 0;
  return TouchstonePorts(bytes, fileName);
}

TOpenResult OpenDocumentBytes(const std::vector<std::uint8_t> &bytes, const std::string &fileName,
                              const TOpenOptions &options) {
  TOpenResult r;
  r.Document = std::make_unique<TmoxDocument>(TmoxDocument::EmptyTag{});
  TmoxDocument &doc = *r.Document;
  doc.LoadFlag = 0;
  TTextFile probe(bytes);
  const std::string first = probe.Eof() ? std::string() : probe.ReadLine();
  const TFirstLineKind kind = ClassifyFirstLine(first);
  if (kind == TFirstLineKind::SAFile || kind == TFirstLineKind::MOXFile) {
    ReadDocumentBytes(bytes, doc);
    r.Format = TDocFormat::Kdt;
    return r;
  }
  if (kind == TFirstLineKind::LXZTCsv) {
    TSAFileStream stream = TSAFileStream::FromBytes(fileName, bytes);
    CLXZT_TraceFile csv;
    csv.LoadFileW(stream);
    // A CRC mismatch is reported, and the file is loaded all the same.
    if (csv.CrcResidual() != 0) r.Warning = CsvCrcMessage(csv.CrcResidual());
    csv.FillDocument(doc);
    // Reflection above 1 shows as a perfect open in return loss: say so.
    TReflectionExcess excess;
    const std::size_t n = std::min(csv.Points.size(), static_cast<std::size_t>(std::max(csv.NumPoints, 0)));
    for (std::size_t i = 0; i < n; ++i)
      excess.Add(csv.Points[i].Mag);
    r.Warning = JoinWarnings(r.Warning, excess.Message());
    r.Format = TDocFormat::Csv;
    return r;
  }
  // Touchstone files are told by their name or by their option line; a
  // handheld file starts with its version number, and its reader refuses
  // anything else as an invalid file.
  if (IsTouchstoneName(Extension(fileName)) || IsOtherTouchstoneName(Extension(fileName)) ||
      LooksLikeTouchstone(bytes)) {
    TTouchstoneOptions to;
    to.Parameter = options.TouchstoneParameter;
    to.FileTime = options.FileTime;
    r.Warning = ReadTouchstone(bytes, fileName, doc, to);
    r.Format = TDocFormat::S1p;
    return r;
  }
  TTextFile text(bytes);
  CKP418_TraceFile vnf;
  vnf.LoadFromText(text, doc);
  TReflectionExcess excess;
  for (const auto &p : vnf.Points)
    excess.Add(std::pow(10.0, p.first / 20.0)); // the points are S11 in dB
  r.Warning = excess.Message();
  r.Format = TDocFormat::Vnf;
  return r;
}

TDocFormat SaveFormatFor(const std::string &fileName) {
  const std::string ext = Extension(fileName);
  if (ext == ".csv" || ext == ".CSV") return TDocFormat::Csv;
  if (ext == ".vnf" || ext == ".VNF") return TDocFormat::Vnf;
  if (IsTouchstoneName(ext)) return TDocFormat::S1p;
  return TDocFormat::Kdt;
}

std::vector<std::uint8_t> DocumentBytesFor(TmoxDocument &doc, TDocFormat format, int traceIndex) {
  auto oneTrace = [&] {
    if (doc.Doc.TraceCount() == 0) throw EmoxFileError("The document holds no trace to save.");
    if (traceIndex < 0 || traceIndex >= doc.Doc.TraceCount())
      throw EmoxFileError("There is no trace " + std::to_string(traceIndex) + " in this document.");
  };
  switch (format) {
  case TDocFormat::Kdt: return DocumentFileBytes(doc);
  case TDocFormat::Csv: {
    oneTrace();
    CLXZT_TraceFile csv;
    csv.FillFromDocument(doc, traceIndex);
    TSAFileStream out("", false, TSAFileStream::smOutput);
    csv.SaveFileW(out);
    return out.StoredBytes();
  }
  case TDocFormat::Vnf: {
    std::string text;
    CKP418_TraceFile vnf;
    if (!vnf.SaveToText(text, doc)) throw EmoxVantorError(kMsgVnfNotHandheld);
    return {text.begin(), text.end()};
  }
  case TDocFormat::S1p: {
    oneTrace();
    const std::string text = TouchstoneText(doc, traceIndex);
    return {text.begin(), text.end()};
  }
  }
  return {};
}

namespace {
// A file we could not open again is worse than no file: the bytes are read
// back before they are written.
void CheckReadsBack(const std::vector<std::uint8_t> &bytes, const std::string &fileName, TDocFormat fmt) {
  try {
    // Opening a file reads it whole only up to the size limit.
    if (bytes.size() > kMaxReadFileSize) throw ESAFileStream_Exception(kMsgFileTooLarge, kMsgFileTooLarge);
    (void)OpenDocumentBytes(bytes, fileName);
  } catch (const Exception &e) {
    throw EmoxFormatError(std::string("This document cannot be saved as a .") + FormatName(fmt) +
                          " file: it would not open again (" + e.Message() + ").");
  }
}
} // namespace

bool SaveDocument(TmoxDocument &doc, const std::string &fileName, const std::function<bool()> &confirmOlder,
                  int traceIndex) {
  const TDocFormat fmt = SaveFormatFor(fileName);
  // A document under a two-port Touchstone name would be no Touchstone file.
  if (IsOtherTouchstoneName(Extension(fileName)))
    throw EmoxFormatError("Touchstone files of more than one port are read, not written: save as .s1p.");
  // Only the document format is updated to the current version; the other
  // formats are written as they are, so there is nothing to confirm.
  if (fmt == TDocFormat::Kdt && doc.Doc.FileVersion != kCurrentFileVersion) {
    if (!confirmOlder || !confirmOlder()) return false;
  }
  doc.StoreActiveMarks();
  doc.Doc.ReadFlag = sfKorv;
  // Built completely and checked before anything touches the disk, then
  // written in one step: a failure leaves the old file as it was.
  const std::vector<std::uint8_t> bytes = DocumentBytesFor(doc, fmt, traceIndex);
  CheckReadsBack(bytes, fileName, fmt);
  WriteWholeFileAtomic(fileName, bytes);
  if (fmt == TDocFormat::Kdt) doc.Doc.FileVersion = kCurrentFileVersion;
  doc.Doc.Modified = 0;
  return true;
}

} // namespace korv
