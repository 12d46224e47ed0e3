#pragma once
// The CSV trace files of the LX-ZT analyzers: the record that mirrors one
// file, and the reader/writer classes of the three revisions. Revisions 1
// to 3 are read; revision 3 is what the program writes.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Declare.h"
#include "core/FileIO.h"
#include "core/SAFileStream.h"

namespace korv {

// The most point rows one file holds.
inline constexpr int kLXZTMaxPoints = 949;
inline constexpr int kLXZTMaxColumns = 99;

struct TLXZTMarker {
  std::int32_t Pos = 0;
  std::int32_t State = 0;
  std::int32_t Type = 0;
  std::int32_t Delta = 0;
};

struct TLXZTSetupInformation {
  long double StartFreq = 0;   // kHz
  long double StopFreq = 6000; // kHz
  double ScaleMax = 0;
  double ScaleMin = -60;
  std::int32_t ScaleUnit = 0; // 0 VSWR, 1 Return Loss, 2 Cable Loss
  std::array<TLXZTMarker, 6> FreqMarkers{};
  std::uint8_t FreqLimitMode = 2; // 1 on, 2 off
  long double FreqLimitValue = -60;
};

struct TLXZTDTFSettings {
  std::string CableType = "Custom";
  double Vp = 0.89;
  double Loss = 0.2;
  std::uint32_t Smoothing = 0;
  double StartDist = 0;
  double StopDist = 50;
  std::int32_t DistUnit = 1; // 1 metres, 2 feet
  double ScaleMax = 0;
  double ScaleMin = -60;
  std::int32_t ScaleUnit = 0;
  std::array<TLXZTMarker, 6> DTFMarkers{};
  std::uint8_t DistLimitMode = 2;
  long double DistLimitValue = -60;
};

struct TLXZTPoint {
  double Mag = 0;   // linear reflection coefficient
  double Angle = 0; // radians
};

// The fields one file carries.
struct TLXZTRecord {
  int MaxColumns = kLXZTMaxColumns;
  std::string Label;
  double DateTime = 0;
  std::string Rev = "2";
  std::string Model = "LX-3600ZT";
  std::string SN = "000000000";
  std::string Revision = "0";
  std::uint8_t Mode = 0;     // 1: a distance-to-fault sweep
  std::uint8_t CalState = 0; // instruments write 0/1; we keep 2 (full) as well
  double VCOTemp = 0;
  bool FMOnOff = false;
  std::string SetupName;
  double SetupDateTime = 0;
  double SetupVCOTemp = 0;
  std::int32_t NumPoints = 238;
  TLXZTSetupInformation Setup;
  TLXZTDTFSettings DTF;
  std::vector<TLXZTPoint> Points; // NumPoints entries after a read
  std::int32_t StoredCRC = 0;
  TLXZTGPSData GPS;
};

// Writing and reading the record's date text: "07-Mar-2013 01:05p".
std::string LXZTDateText(double dayCount);
// An empty text gives 0; throws EmoxFileError for text that is no date.
double LXZTTextToDate(const std::string &text);
// Numbers as the instruments write them: up to 15 significant digits, no
// trailing zeros ("0.5", "1500", "1E-5").
std::string LXZTNumberText(double value);

// Interface of the reader/writer classes. LoadFile/SaveFile work on text
// files (every line, empty ones included, ends with CR LF); LoadFileW and
// SaveFileW on the whole-file streams of the document open and save paths.
class CLXZT_Trace_Ifc : public TLXZTRecord {
public:
  CLXZT_Trace_Ifc() = default;
  CLXZT_Trace_Ifc(const CLXZT_Trace_Ifc &) = default;
  CLXZT_Trace_Ifc &operator=(const CLXZT_Trace_Ifc &) = default;
  virtual ~CLXZT_Trace_Ifc() = default;

  virtual void SplitLine(const std::string &line, std::vector<std::string> &fields) const = 0;
  virtual std::string JoinLine(const std::vector<std::string> &fields) const = 0;
  virtual void LoadFile(TTextFile &file) = 0;
  virtual void LoadFileW(TSAFileStream &stream) = 0;
  virtual void SaveFile(std::string &text) = 0;
  virtual void SaveFileW(TSAFileStream &stream) = 0;

  // What the CRC check of the last read left: 0 for an intact file.
  std::uint16_t CrcResidual() const { return m_crcResidual; }

protected:
  std::uint16_t m_crcResidual = 0;
};

class CLXZT_Trace_v1 : public CLXZT_Trace_Ifc {
public:
  CLXZT_Trace_v1();
  void SplitLine(const std::string &line, std::vector<std::string> &fields) const override;
  std::string JoinLine(const std::vector<std::string> &fields) const override;
  void LoadFile(TTextFile &file) override;
  void LoadFileW(TSAFileStream &stream) override;
  void SaveFile(std::string &text) override;
  // Revision 1 was never written to streams.
  void SaveFileW(TSAFileStream &stream) override;

protected:
  // One read from lines already taken out of the file: CRC check, header,
  // settings row, point rows. Revision 2 and later override the settings row.
  void ReadLines(const std::vector<std::string> &lines, bool fromStream);
  virtual void ReadSettingsRow(std::vector<std::string> &fields);
  void ReadRevision1Columns(const std::vector<std::string> &fields);
  void ReadCommonColumns(const std::vector<std::string> &fields);
  void ReadPointRows(const std::vector<std::string> &lines, std::size_t first, bool revision1);
  // The rows of a save, the last one ending with the comma before the CRC.
  std::vector<std::string> BuildLines(bool revision1) const;
  static std::string WithCRC(std::vector<std::string> lines, bool finalLineEnd);
};

class CLXZT_Trace_v2 : public CLXZT_Trace_v1 {
public:
  CLXZT_Trace_v2();
  void LoadFile(TTextFile &file) override;
  void LoadFileW(TSAFileStream &stream) override;
  void SaveFile(std::string &text) override;
  void SaveFileW(TSAFileStream &stream) override;

protected:
  void ReadSettingsRow(std::vector<std::string> &fields) override;
};

class CLXZT_Trace_v3 : public CLXZT_Trace_v2 {
public:
  CLXZT_Trace_v3() = default;
  // The stream reader also scales the loss of older files measured in feet.
  void LoadFileW(TSAFileStream &stream) override;
};

// Lines of a stream the way the CSV reader sees them.
std::vector<std::string> ReadAllLines(TSAFileStream &stream);
std::vector<std::string> ReadAllLines(TTextFile &file);

} // namespace korv
