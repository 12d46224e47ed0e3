#include "formats/DocumentIO.h"

#include "core/DocFile.h"
#include "core/Excption.h"
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
bool IsTouchstoneName(const std::string &ext) {
  std::string e;
  for (char c : ext)
    e += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return e == ".s1p";
}
} // namespace

TOpenResult OpenDocument(const std::string &fileName) {
  std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
  return OpenDocumentBytes(bytes, fileName);
}

TOpenResult OpenDocumentBytes(const std::vector<std::uint8_t> &bytes, const std::string &fileName) {
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
    r.Format = TDocFormat::Csv;
    return r;
  }
  // Touchstone files are told by their name or by their option line; a
  // handheld file starts with its version number, and its reader refuses
  // anything else as an invalid file.
  if (IsTouchstoneName(Extension(fileName)) || LooksLikeTouchstone(bytes)) {
    ReadTouchstone(bytes, fileName, doc);
    r.Format = TDocFormat::S1p;
    return r;
  }
  TTextFile text(bytes);
  CKP418_TraceFile vnf;
  vnf.LoadFromText(text, doc);
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
