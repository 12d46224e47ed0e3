#include "formats/DocumentIO.h"

#include "core/DocFile.h"
#include "core/Excption.h"
#include "core/SAFileStream.h"

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
  for (char c : ext) e += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return e == ".s1p";
}
} // namespace

TOpenResult OpenDocument(const std::string &fileName) {
  std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
  TOpenResult r;
  r.Document = std::make_unique<TmoxDocument>(TmoxDocument::EmptyTag{});
  TTextFile probe(bytes);
  const std::string first = probe.Eof() ? std::string() : probe.ReadLine();
  const TFirstLineKind kind = ClassifyFirstLine(first);
  if (kind == TFirstLineKind::SAFile || kind == TFirstLineKind::MOXFile) {
    ReadDocumentBytes(bytes, *r.Document);
    r.Format = TDocFormat::Kdt;
    return r;
  }
  // The CSV, handheld and Touchstone readers join here as they are built.
  throw EmoxInvalidFileError(kMsgInvalidFile);
}

TDocFormat SaveFormatFor(const std::string &fileName) {
  const std::string ext = Extension(fileName);
  if (ext == ".csv" || ext == ".CSV") return TDocFormat::Csv;
  if (ext == ".vnf" || ext == ".VNF") return TDocFormat::Vnf;
  if (IsTouchstoneName(ext)) return TDocFormat::S1p;
  return TDocFormat::Kdt;
}

bool SaveDocument(TmoxDocument &doc, const std::string &fileName, const std::function<bool()> &confirmOlder,
                  int traceIndex) {
  (void)traceIndex;
  const TDocFormat fmt = SaveFormatFor(fileName);
  if (doc.Doc.FileVersion != kCurrentFileVersion) {
    if (!confirmOlder || !confirmOlder()) return false;
  }
  doc.StoreActiveMarks();
  doc.Doc.ReadFlag = 0;
  switch (fmt) {
  case TDocFormat::Kdt: {
    WriteWholeFileAtomic(fileName, DocumentFileBytes(doc));
    doc.Doc.FileVersion = kCurrentFileVersion;
    break;
  }
  default:
    throw EmoxFileError("Saving in this format is not available yet.");
  }
  doc.Doc.Modified = 0;
  return true;
}

} // namespace korv
