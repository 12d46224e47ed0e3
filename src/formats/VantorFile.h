#pragma once
// Trace files (.vnf) of the KP-418 handheld: plain text, one value per line,
// read and written strictly in order. What the desktop does not use travels
// in the document's TVantorSettings so a save writes it back unchanged.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/FileIO.h"
#include "core/MOXDoc.h"

namespace korv {

// The most points (and DTF points) one file holds.
inline constexpr int kKP418MaxPoints = 11265;
inline constexpr const char *kKP418Model = "KP418";
inline constexpr const char *kMsgVantorUnit = "Invalid Unit in FVNATrace object.";
inline constexpr const char *kMsgVnfNotHandheld =
    "Only a document whose first trace came from the KP418 handheld can be saved as a .vnf file.";

struct TKP418Marker {
  std::int32_t Number = 0;
  std::int32_t DeltaFlag = 0;
  bool State = false;
  bool Active = false;
  bool Enabled = false;
  std::int32_t Type = 0;
  std::int32_t Position = 352;
  std::int32_t FreqWhole = 0; // MHz
  std::int32_t FreqFrac = 0;  // Hz (millionths of a MHz)
  double Value = 1e-18;
};

struct TVNDTFSettings {
  std::string CableName = "None";
  double Vp = 0.89;
  double Loss = 0;
  std::int32_t Window = 0;
  double StartDist = 0;
  double StopDist = 1;
  std::int32_t DistUnit = 0; // 0 feet, anything else metres
  std::vector<std::pair<double, double>> Pairs;
};

struct TKP418_TraceFile {
  std::int32_t Version = 0;
  std::string RevisionText;
  std::string SerialText;
  std::array<std::string, 2> HeaderTexts;
  double DateTime = 0;
  // main title, subtitle, two further texts, trace label, further text
  std::array<std::string, 6> Titles;
  std::int32_t FormatMarker = 1;
  std::int32_t Mode = 1; // 1 reflection, 2 distance to fault, 3 cable loss, 4
  std::int32_t CentreWhole = 1962;
  std::int32_t CentreFrac = 500000;
  std::int32_t SpanWhole = 3275;
  std::int32_t SpanFrac = 0;
  std::string Text;
  std::int32_t Int = -1;
  bool CalFlagA = false;
  bool CalFlagB = false;
  double ScaleMax = 0;
  double ScaleMin = -100;
  double ReflectionOffset = 0;
  std::uint8_t Unit = 2; // file value minus 20
  double Double = 0;
  std::array<std::int32_t, 3> Ints{0, 0, 2};
  std::int32_t NumPoints = 705;
  std::vector<std::pair<double, double>> Points; // dB, radians
  bool Limit1On = false;
  double Limit1 = 0;
  bool Limit2On = false;
  double Limit2 = -100;
  std::int32_t LimitsInt = 0;
  std::array<TKP418Marker, 6> Markers{};
  TVNDTFSettings DTF;
  double ExtraValue = 0;
  std::int32_t Trailer = 0;
};

class CKP418_TraceFile : public TKP418_TraceFile {
public:
  CKP418_TraceFile();

  // Reads the file and fills doc with its one trace. Throws
  // EmoxInvalidFileError for a file that is not a handheld trace file.
  void LoadFromText(TTextFile &file, TmoxDocument &doc);
  // The file text for doc; false (text untouched) when the document's first
  // trace did not come from the handheld.
  bool SaveToText(std::string &text, const TmoxDocument &doc);

  void FillDocument(TmoxDocument &doc) const;
  void FillFromDocument(const TmoxDocument &doc);
  void SettingsFromFile(TVantorSettings &s) const;
  void SettingsToFile(const TVantorSettings &s);
  // The file's lines, in order.
  std::string FileText() const;

  // Scale and limit values between the file's unit and dB. Throw
  // EmoxVantorError for a unit above 5.
  static double UnitToDb(double value, std::uint8_t unit);
  static double DbToUnit(double value, std::uint8_t unit);
};

// The document holds the handheld settings of its first trace: it was read
// from a .vnf file and that trace is still first.
bool HoldsHandheldSettings(const TmoxDocument &doc);

// "%.5e" as the handheld writes it: 1.50000E+000.
std::string KP418Double(double value);

} // namespace korv
