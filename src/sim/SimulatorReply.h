#pragma once
// What the simulated instruments send: trace replies in each instrument's
// own layout, encoded from one-trace documents, and the synthetic traces a
// simulator holds when it is given no documents.
#include <cstdint>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

// count one-trace documents of a feed line with an antenna (sweep model),
// labelled so that two of them share a label.
std::vector<TmoxDocument> SyntheticTraces(int count, int points, double startMHz, double stopMHz);
// The trace resampled to points points over the same band (linear in
// frequency), so a document of any size fits an instrument's fixed count.
TmoxDocument ResampleTrace(const TmoxDocument &doc, int points);

// The lines of a "TU" reply after the echo line, for a firmware generation;
// generation 3 ends with its two-byte CRC line. model, sn and revision go
// into the generation 3 identity line.
std::vector<std::string> EncodeAnalyzerReply(const TmoxDocument &doc, int generation, bool qe, double firmwareDate,
                                             const std::string &model, int location);
// The CRC line over body lines (each ended by CR LF) from the first quote.
std::string AnalyzerCrcLine(const std::vector<std::string> &body);
// A directory line for a stored trace.
std::string AnalyzerDirectoryLine(const TmoxDocument &doc, int generation, int location);

// RT-x00 trace block: 716 bytes of fixed-width text.
std::string EncodeRtBlock(const TmoxDocument &doc);
// Site Master trace block: the 602 bytes after the length word.
std::string EncodeSiteMasterBlock(const TmoxDocument &doc);

} // namespace korv
