#pragma once
// The document file format (.kdt): version 7 written, versions 1 to 7 read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileIO.h"
#include "core/MOXDoc.h"
#include "core/SAFileStream.h"

namespace korv {

inline constexpr int kCurrentFileVersion = 7;
inline constexpr const char *kHeaderCurrent = "Korv SA File Version ";
inline constexpr const char *kHeaderOld = "Korv MOX File";
inline constexpr const char *kHeaderCsv = "Mag,Angle,LXZT Trace File Rev";

enum class TFirstLineKind { SAFile, MOXFile, LXZTCsv, Other };
TFirstLineKind ClassifyFirstLine(std::string_view firstLine);
// The version a first line announces (1 when it names none).
int VersionFromFirstLine(std::string_view firstLine);

// Writes the version 7 lines (not the trailer; the stream adds it).
// Marker slots are written from FreqMarks and DistMarks as they are;
// callers store ActiveMarks first.
void WriteVersion7(const TmoxDocument &doc, TSAFileStream &out);
// The most points one trace of a document holds: the longest sweep any
// reader takes (the Touchstone reader's limit). Files are read whole, so this
// bounds what must be readable.
inline constexpr int kMaxDocumentPoints = 100000;
// The longest point line of a document file: a magnitude with 5 and an
// angle with 3 decimals, each of the largest value the file's 6-byte reals
// hold (below 2^127: 39 digits) and a sign, a blank, CR LF.
inline constexpr std::uint64_t kLongestPointLine = (1 + 39 + 1 + 5) + 1 + (1 + 39 + 1 + 3) + 2;
// The largest document file: 14 traces of the most points in the longest
// lines, with room for the header, titles and every other line beside them.
static_assert(kMaxReadFileSize >= kMaxTraces * static_cast<std::uint64_t>(kMaxDocumentPoints) * kLongestPointLine +
                                      60ULL * 1024 * 1024,
              "the read limit must cover the largest document file");

// The complete file bytes of a version 7 save, trailer included.
std::vector<std::uint8_t> DocumentFileBytes(const TmoxDocument &doc);

// Reads versions 6 and 7 from text. windowReader selects how an unknown
// marker layout is handled: refused (true) or markers left at 0 (false).
void ReadVersion67(TTextFile &file, TmoxDocument &doc, bool windowReader = true);
// Reads versions 1 to 5 as far as their layout is known; refuses the rest.
void ReadOlderVersion(TTextFile &file, TmoxDocument &doc, int version);

// 0 when the bytes (text + trailer) are intact.
std::uint16_t CheckFileCRC(const std::vector<std::uint8_t> &bytes);
std::uint16_t CheckFileCRC(const std::string &fileName);
// Replaces the last two bytes of a file with its CRC (see the format notes).
void StampFileCRC(const std::string &fileName);
std::vector<std::uint8_t> StampCRC(std::vector<std::uint8_t> bytes);

// Reads a document file (either header) into doc, CRC checked, and runs the
// common steps after a load. Throws the EmoxFileError family.
void ReadDocumentBytes(const std::vector<std::uint8_t> &bytes, TmoxDocument &doc);
// Steps every open path runs after its reader: the frequency order rule
// (RepairOrRefuseFrequencyOrder), marker clean-up, active markers, derived
// trace fields and scale selection.
void FinishLoadedDocument(TmoxDocument &doc);

} // namespace korv
