#pragma once
// The trace record, marker slots, scale groups and small shared types.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ShortString.h"

namespace korv {

// Per-point data: a growable array of doubles.
using TrsDynDouble = std::vector<double>;

inline constexpr int kMaxTraces = 14;
inline constexpr int kMarkersPerTrace = 6;
inline constexpr int kMaxDocumentWindows = 50;
// A limit line that was never placed carries this value.
inline constexpr double kUnplacedLimit = 97531.0;
// Delta references: 0..5 another marker, 6 the limit line, 7 none.
inline constexpr int kRefLimitLine = 6;
inline constexpr int kRefNone = 7;

// Display unit codes.
enum TScaleUnit : std::uint8_t { suReturnLoss = 0, suVSWR = 1, suRho = 2, suMRho = 3, suCableLoss = 4 };
// Distance unit codes.
enum TDistUnit : std::uint8_t { duMeters = 0, duFeet = 1 };
// Plot modes of a document.
enum TPlotMode : std::int32_t { pmFrequency = 1, pmDistance = 2, pmSmith = 3 };
// Where a document's points came from (its read flag): our own formats, or
// another maker's instrument whose data allows only some views.
enum TSourceFormat : std::uint8_t {
  sfKorv = 0,
  sfWiltron = 1,
  sfRt500FreqOnly = 2,
  sfWiltronDtfOnly = 3,
  sfWiltronSmithOnly = 4
};

struct TMarkerSlot {
  std::uint8_t Visible = 0; // 1 shown, 0 hidden
  std::int32_t Point = 0;   // negative: never placed
  bool DeltaOn = false;
  std::int32_t Reference = 0; // 0..5 marker, 6 limit line, 7 none
  std::uint8_t Style = 0;     // 0 symbol, 1 vertical line
  friend bool operator==(const TMarkerSlot &, const TMarkerSlot &) = default;
};
using TMarkerSet = std::array<TMarkerSlot, kMarkersPerTrace>;

struct TScaleGroup {
  std::uint8_t Flag1 = 0;
  std::uint8_t Flag2 = 0;
  double XMin = 0.0;
  double XMax = 0.0;
  double YMin = 0.0;
  double YMax = 0.0;
  friend bool operator==(const TScaleGroup &, const TScaleGroup &) = default;
};

// GPS position record carried with CSV trace files: fifteen text fields.
using TLXZTGPSData = std::array<std::string, 15>;

struct TTraceData {
  TShortString<30> Title;
  TShortString<50> Label;
  std::uint16_t SiteNumber = 0;
  std::uint8_t Sector = 0;      // 0 none, 1 Alpha, 2 Beta, 3 Gamma
  std::uint8_t AntennaKind = 0; // 0 plain, 1 Tx, 2 Rx
  std::uint8_t AntennaNumber = 0;
  double DateTime = 0.0;
  std::uint8_t CalState = 0; // 0 No Cal, 1 Partial Cal, 2 Full Cal
  std::int32_t VCOTemp = 298;
  TShortString<25> SetupName;
  std::int32_t SetupVCOTemp = 298;
  double SetupDateTime = 0.0;
  std::uint8_t FMOnOff = 1;
  TShortString<10> Model;
  TShortString<31> SN;
  TShortString<25> Revision;
  std::int32_t NumPoints = 0;
  std::int32_t Reserved = 0;
  TrsDynDouble Mag;
  TrsDynDouble Freq;
  TrsDynDouble Angle;
  TrsDynDouble DistAxis;
  TrsDynDouble DistMag;
  TShortString<20> CableType;
  float Loss = 0.0F;
  float Dielectric = 1.0F;
  float StartDist = 0.0F;
  float StopDist = 0.0F;
  float MaxDist = 0.0F;
  float StartFreqHz = 0.0F;
  float FreqStepHz = 0.0F;
  std::uint8_t Smoothing = 0;
  float Threshold = -100.0F; // carried, not saved
  TMarkerSet ActiveMarks{};
  TMarkerSet FreqMarks{};
  TMarkerSet DistMarks{};
  std::int32_t NextMarkSlot = 0;
};

} // namespace korv
