#pragma once
// One-port Touchstone (.s1p) files, the exchange format of other RF tools:
// read as a one-trace document, and one trace written for others to read.
#include <cstdint>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

inline constexpr int kTouchstoneMaxPoints = 100000;
inline constexpr const char *kTouchstoneModel = "Touchstone";

// Reads the text of a .s1p file into doc (one trace, Return Loss). The name
// becomes the trace title unless the file carries one. Frequencies must be on
// a uniform grid. Throws EmoxFormatError with a message for the user.
void ReadTouchstone(const std::vector<std::uint8_t> &bytes, const std::string &name, TmoxDocument &doc);
// The text of a .s1p file holding the trace at traceIndex: Hz, S, MA, 50 ohm.
std::string TouchstoneText(const TmoxDocument &doc, int traceIndex);
// True when the text looks like a Touchstone file: its first line that is
// neither blank nor a comment is a valid option line ("# Hz S MA R 50") or a
// version 2 "[Version]" line.
bool LooksLikeTouchstone(const std::vector<std::uint8_t> &bytes);

} // namespace korv
