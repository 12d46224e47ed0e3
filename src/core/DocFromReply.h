#pragma once
// One-trace documents built from instrument replies: the line reply of an
// LX-x000QE analyzer (three firmware layouts), the byte block of a Site
// Master and the text-field block of an RT-x00 antenna tester.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

// Firmware dates that split the analyzers into generations (day counts).
double FirmwareGeneration2Start(); // 1 August 2001
double FirmwareGeneration3Start(); // 1 April 2002
double FirmwareSixSlotMarkers();   // 28 February 2003: six-slot marker lines
double FirmwareEndOf1999();        // 31 December 1999
// 1, 2 or 3 by calendar date.
int FirmwareGeneration(double firmwareDate);

// What the link and the program know besides the reply itself.
struct TReplyContext {
  double FirmwareDate = 0.0;
  bool ReportsPointCount = false; // QE analyzers send their point count
  std::array<std::uint8_t, 5> SetupInfo{};
  std::uint8_t CurrentScaleUnit = suReturnLoss;
  std::uint8_t CurrentDistUnit = duMeters;
  bool DistanceData = false; // Site Master block holds distance data
  double Now = 0.0;          // 0: the clock's present time
};

inline constexpr const char *kMsgReplyNotTrace = "EmoxFileError was encountered opening document from Comm port";
inline constexpr const char *kMsgTraceCRC = "The CRC failed in the loaded trace data. ";
inline constexpr const char *kMsgLoadDataError = "An Error Occurred while trying to load data.";
inline constexpr int kDefaultReplyPoints = 238;

// What an instrument can send at all. The byte blocks of the Site Master and
// the RT-x00 and the analyzer replies of generations 1 and 2 carry no check
// sum, so values outside these ranges mark the block as damaged
// (EmoxIOTraceDamagedErr kMsgTraceDamaged).
struct TBandMHz {
  double Lo;
  double Hi;
};
inline constexpr TBandMHz kAnalyzerBand{25.0, 6000.0};
inline constexpr TBandMHz kSiteMasterBand{25.0, 4000.0};
inline constexpr TBandMHz kRtBand{25.0, 6000.0};
inline constexpr double kMinVelocityFactor = 0.2;
// Per unit length, the largest loss the cable parameters accept.
inline constexpr double kMaxCableLoss = 20.0;

// Replaces doc's content with one trace built from an analyzer's reply
// lines (index 0 is the "TU" echo). Magnitudes stay in the reply's display
// unit, which becomes the document's ScaleUnit. Throws EmoxFileError (not a
// trace reply), EmoxIOTraceCRCErr, EmoxIOInvalidTraceError and
// EmoxIOTraceFormatErr (a field that is no number, a reply too short) and,
// for generations 1 and 2, EmoxIOTraceDamagedErr.
void BuildFromAnalyzerReply(TmoxDocument &doc, const std::string &traceName, const std::vector<std::string> &lines,
                            const TReplyContext &ctx);
// Site Master block: bytes as received, starting with the length word.
// Throws EmoxIOTraceFormatErr (too short) and EmoxIOTraceDamagedErr.
void BuildFromSiteMasterReply(TmoxDocument &doc, const std::string &traceName, const std::uint8_t *bytes,
                              std::size_t length, const TReplyContext &ctx);
// RT-x00 trace block (716 bytes of fixed-width decimal text). Throws
// EmoxIOTraceFormatErr (a field that is no number) and EmoxIOTraceDamagedErr.
void BuildFromRtReply(TmoxDocument &doc, const std::string &traceName, const std::uint8_t *bytes, std::size_t length,
                      const TReplyContext &ctx);

} // namespace korv
