#pragma once
// A simulated KP-418 handheld: a folder laid out as the mounted device, its
// trace folder filled with .vnf files of synthetic sweeps (sweep model), so
// the transfer can be tried without the device.
#include <string>
#include <vector>

namespace korv {

inline constexpr const char *kHandheldTraceSubfolder = "FlashFX Disk/My Traces";
inline constexpr int kMaxSimulatedHandheldTraces = 99;

// Makes root and its trace folder when missing and writes count trace files
// (1 to kMaxSimulatedHandheldTraces) into it, each atomically (files of the
// same names are replaced). Returns the paths written. Throws the program's
// exceptions when a file cannot be written.
std::vector<std::string> PrepareHandheldFolder(const std::string &root, int count = 4);

} // namespace korv
