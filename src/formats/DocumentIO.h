#pragma once
// Opening and saving documents in every format the program knows: the
// first line (open) or the extension (save) decides the format.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

enum class TDocFormat { Kdt, Csv, Vnf, S1p };
const char *FormatName(TDocFormat f);

struct TOpenResult {
  std::unique_ptr<TmoxDocument> Document;
  TDocFormat Format = TDocFormat::Kdt;
  std::string Warning; // a non-fatal remark (for example a CSV CRC residual)
};

struct TOpenOptions {
  int TouchstoneParameter = 11; // S11 or S22 of a two-port Touchstone file
  double FileTime = 0.0;        // day count a Touchstone trace is dated with
};

// Reads a file of any known format. Throws the program's exceptions; the
// caller turns them into words with DescribeOpenFailure. A Touchstone trace
// is dated with the file's modification time unless it names its own date.
TOpenResult OpenDocument(const std::string &fileName, const TOpenOptions &options = {});
// The same for bytes already read; fileName only names the file (its
// extension marks a Touchstone file).
TOpenResult OpenDocumentBytes(const std::vector<std::uint8_t> &bytes, const std::string &fileName,
                              const TOpenOptions &options = {});
// Ports of a Touchstone file (1 or 2 open; 0 for any other file), for the
// S11/S22 choice before an open.
int TouchstonePortCount(const std::vector<std::uint8_t> &bytes, const std::string &fileName);
// The format a save to fileName writes: ".csv"/".CSV" CSV, ".vnf"/".VNF"
// handheld, ".s1p" (any case) Touchstone, anything else the document format.
// A save to another Touchstone name (".s2p") is refused by SaveDocument.
TDocFormat SaveFormatFor(const std::string &fileName);
// Saves atomically. confirmOlder is asked when a .kdt save updates a
// document from an older document version; a false answer ends the save with
// nothing written and returns false. traceIndex selects the trace for
// one-trace formats. Bytes that would not open again are refused
// (EmoxFormatError) before anything is written. Only a .kdt save keeps the
// whole document (SaveFormatFor(fileName) == TDocFormat::Kdt); the other
// formats are exports.
bool SaveDocument(TmoxDocument &doc, const std::string &fileName, const std::function<bool()> &confirmOlder,
                  int traceIndex = 0);

// The bytes a save in format writes; traceIndex selects the trace of the
// one-trace formats (CSV, Touchstone). The handheld format always writes the
// first trace and refuses documents that did not come from the handheld.
std::vector<std::uint8_t> DocumentBytesFor(TmoxDocument &doc, TDocFormat format, int traceIndex);

inline constexpr const char *kMsgOlderFormat =
    "This file is in an older Korv format and will be  updated to the new format. Do you wish to continue?";

} // namespace korv
