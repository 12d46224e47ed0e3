#pragma once
// Touchstone files (.s1p, .s2p), the exchange format of other RF tools:
// read as a one-trace document, and one trace written for others to read.
#include <cstdint>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

inline constexpr int kTouchstoneMaxPoints = 100000;
inline constexpr const char *kTouchstoneModel = "Touchstone";

struct TTouchstoneOptions {
  int Parameter = 11;    // 11 or 22 (two-port files)
  double FileTime = 0.0; // the trace date when the file names none (day count)
};

// Reads a one- or two-port file (versions 1 and 2) into doc: one trace of
// S11 (or S22) renormalised to 50 ohm, in Return Loss. The name becomes the
// trace title unless the file carries one. Frequencies must rise on a
// uniform grid. Throws EmoxFormatError naming the line at fault. Returns a
// remark for the user ("" when none): points above total reflection.
std::string ReadTouchstone(const std::vector<std::uint8_t> &bytes, const std::string &name, TmoxDocument &doc,
                           const TTouchstoneOptions &options = {});
// Ports of the file: [Number of Ports], else the name's .sNp, else the first
// data line's value count.
int TouchstonePorts(const std::vector<std::uint8_t> &bytes, const std::string &name);
// The text of a .s1p file holding the trace at traceIndex: Hz, S, MA, 50 ohm.
std::string TouchstoneText(const TmoxDocument &doc, int traceIndex);
// True when the text looks like a Touchstone file: its first line that is
// neither blank nor a comment is a valid option line ("# Hz S MA R 50") or a
// version 2 "[Version]" line.
bool LooksLikeTouchstone(const std::vector<std::uint8_t> &bytes);

} // namespace korv
