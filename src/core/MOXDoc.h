#pragma once
// The document: up to 14 traces with their shared plot settings.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Declare.h"
#include "core/VantorSettings.h"

namespace korv {

// Owning list of trace records.
class TTraceArray {
public:
  TTraceArray() = default;
  TTraceArray(const TTraceArray &other);
  TTraceArray &operator=(const TTraceArray &other);
  TTraceArray(TTraceArray &&) noexcept = default;
  TTraceArray &operator=(TTraceArray &&) noexcept = default;
  ~TTraceArray() = default;

  // Appends a fresh record (empty arrays); returns its index.
  int Add();
  // Appends a copy of a record; returns its index.
  int Add(const TTraceData &trace);
  void Insert(int index, std::unique_ptr<TTraceData> trace);
  std::unique_ptr<TTraceData> Take(int index);
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(m_items.size()); }
  TTraceData &Get(int index);
  const TTraceData &Get(int index) const;
  TTraceData &operator[](int index) { return Get(index); }
  const TTraceData &operator[](int index) const { return Get(index); }

private:
  std::vector<std::unique_ptr<TTraceData>> m_items;
};

// Settings shared by all traces of a document, and the trace list.
struct TTraceDoc {
  std::uint8_t FileVersion = 7;
  TSourceFormat ReadFlag = sfKorv;
  std::uint8_t DataKind = 0; // 0 files and analyzers, 1 antenna tester, 2 stored distance data
  std::string MainTitle;
  std::uint8_t MainTitleFixed = 0;
  std::string SubTitle;
  std::uint8_t SubTitleFixed = 0;
  std::array<std::uint8_t, 5> SetupInfo{};
  std::uint8_t DocCalState = 0;
  std::int32_t PlotMode = pmFrequency;
  std::string YUnitText;
  std::uint8_t ScaleUnit = suReturnLoss;
  std::uint8_t DistUnit = duMeters;
  std::string DistUnitText;
  std::int32_t MaxPoints = 0;
  TTraceArray Traces;
  std::int32_t FreqLimitMode = 0;
  double FreqLimitValue = kUnplacedLimit;
  std::int32_t DistLimitMode = 0;
  double DistLimitValue = kUnplacedLimit;
  std::uint8_t Modified = 0;
  TScaleGroup FreqScale;
  TScaleGroup DistScale;
  TScaleGroup CurScale;
  TLXZTGPSData GPSData;

  int TraceCount() const { return Traces.Count(); }
  // Adds a record with empty arrays; returns its index. Readers call it once
  // per trace. Throws EmoxTooManyTracesError when the document is full.
  int AddTrace();
  // Adds a copy; same limit.
  int AddTrace(const TTraceData &trace);
  bool IsFull() const { return TraceCount() >= kMaxTraces; }
};

class TmoxDocument {
public:
  // A new document starts with one empty trace record.
  TmoxDocument();
  // An empty document (no trace record), for readers that add their own.
  struct EmptyTag {};
  explicit TmoxDocument(EmptyTag) {}

  std::uint8_t LoadFlag = 0;
  TVantorSettings VantorSettings;
  // VantorSettings came from a handheld file (the .vnf reader sets it).
  bool HasVantorSettings = false;
  TTraceDoc Doc;

  void SetLoadFlag(std::uint8_t value) { LoadFlag = value; }
  std::uint8_t GetLoadFlag() const { return LoadFlag; }

  // Copies DistScale (plot mode 2) or FreqScale (other modes) into CurScale,
  // flags in the opposite order.
  void SelectScale();
  // Zeroes FreqScale, copies it into DistScale, then selects.
  void ResetScaling();
  void CopyFreqMarksToActive();
  void CopyDistMarksToActive();
  void CopyActiveToFreqMarks();
  void CopyActiveToDistMarks();
  // ActiveMarks back into the set of the current plot mode (before a save).
  void StoreActiveMarks();
  // ActiveMarks from the set of the current plot mode (after a load).
  void LoadActiveMarks();
  // Scales after an instrument load, given the received trace's data range
  // and whether the document held traces before the load.
  void AutoScaleAfterLoad(double lo, double hi, bool wasEmpty);
  // Recomputes StartFreqHz, FreqStepHz and MaxDist of one trace.
  void UpdateTraceDerived(TTraceData &trace) const;
};

// Rules every reader applies to the marker slots of a loaded trace.
void NormalizeLoadedMarkers(TTraceData &trace, std::int32_t freqLimitMode, std::int32_t distLimitMode);
// Before a trace is written: every slot without delta gets reference 7.
void PrepareMarkersForWrite(TMarkerSet &set);

// Largest distance a sweep resolves; 1e12 when undefined or huge.
double MaxDistance(int numPoints, bool inFeet, double dielectric, double freqStepHz);

// Trace checks run after a trace is filled.
void RepairFrequencyOrder(TTraceData &trace);
// Throws EmoxIOInvalidTraceError when the frequencies are not on a uniform grid.
void CheckTraceGrid(const TTraceData &trace);
// True when the frequencies are finite and rise from point to point.
bool FrequenciesRise(const TTraceData &trace);
inline constexpr const char *kMsgFrequencyOrder =
    "The frequencies of a trace in this file do not rise from its first point to its last.";
// The order rule every reader applies: a sweep delivered rotated by one point
// is repaired, anything else that does not rise is refused with
// EmoxFormatError kMsgFrequencyOrder.
void RepairOrRefuseFrequencyOrder(TTraceData &trace);

// Titles regenerated from plot mode and unit when not fixed.
std::string DefaultMainTitle(std::int32_t plotMode, std::uint8_t scaleUnit);

} // namespace korv
