// Traces moving between documents of every display unit and distance unit:
// by paste, by a drop, by a merge of a received trace. Whatever the path,
// the trace arrives with the values the source meant, in the target's
// units, and the target's limit lines keep their physical values through
// later unit changes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/Excption.h"
#include "core/TraceCapsule.h"
#include "measure/Convert.h"
#include "measure/TraceMerge.h"
#include "measure/ViewMath.h"

using namespace korv;

namespace {

constexpr int kPoints = 21;
// The physical truth of the source trace: return loss in dB, distances in
// metres, loss per metre.
double FreqRl(int j) { return -30.0 + 1.2 * j; }
double DistRl(int j) { return -45.0 + 1.5 * j; }
double DistMetres(int j) { return 2.0 * j; }
constexpr double kLossPerMetre = 0.070;
constexpr double kStopMetres = 40.0;
// Limit lines of the target, as return loss.
constexpr double kFreqLimitRl = -15.0;
constexpr double kDistLimitRl = -20.0;

double InUnit(double rl, int unit) {
  ConvertValue(rl, suReturnLoss, unit);
  return rl;
}
double InDist(double metres, int distUnit) { return distUnit == duFeet ? MetresToFeet(metres) : metres; }
// A limit line or axis bound given as return loss, as the view shows it.
double Shown(double rl, int unit, bool dist) {
  ConvertShownValue(rl, suReturnLoss, unit, dist);
  return rl;
}

TTraceDoc Source(int unit, int distUnit) {
  TTraceDoc d;
  d.ScaleUnit = static_cast<std::uint8_t>(unit);
  d.DistUnit = static_cast<std::uint8_t>(distUnit);
  TTraceData t;
  t.NumPoints = kPoints;
  for (int j = 0; j < kPoints; ++j) {
    t.Freq.push_back(1700.0 + 25.0 * j);
    t.Mag.push_back(InUnit(FreqRl(j), unit));
    t.Angle.push_back(0.0);
    t.DistAxis.push_back(InDist(DistMetres(j), distUnit));
    t.DistMag.push_back(InUnit(DistRl(j), unit));
  }
  t.Loss = static_cast<float>(distUnit == duFeet ? kLossPerMetre * kMetresPerFoot : kLossPerMetre);
  t.StopDist = static_cast<float>(InDist(kStopMetres, distUnit));
  t.Label = "source";
  d.AddTrace(t);
  // A manual Y range of -40 .. -10 dB and 0 .. 40 m in both views.
  for (const bool dist : {false, true}) {
    TScaleGroup &g = dist ? d.DistScale : d.FreqScale;
    const double a = Shown(-40.0, unit, dist), b = Shown(-10.0, unit, dist);
    g.Flag2 = 1;
    g.YMin = std::min(a, b);
    g.YMax = std::max(a, b);
    g.Flag1 = dist ? 1 : 0;
    if (dist) g.XMin = 0.0, g.XMax = InDist(kStopMetres, distUnit);
  }
  return d;
}

TmoxDocument Target(int unit, int distUnit) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceDoc &d = doc.Doc;
  d.ScaleUnit = static_cast<std::uint8_t>(unit);
  d.DistUnit = static_cast<std::uint8_t>(distUnit);
  TTraceData t;
  t.NumPoints = 3;
  for (int j = 0; j < 3; ++j) {
    t.Freq.push_back(1800.0 + j);
    t.Mag.push_back(InUnit(-20.0, unit));
    t.Angle.push_back(0.0);
  }
  d.AddTrace(t);
  d.FreqLimitMode = 1;
  d.FreqLimitValue = Shown(kFreqLimitRl, unit, false);
  d.DistLimitMode = 1;
  d.DistLimitValue = Shown(kDistLimitRl, unit, true);
  // Manual axes that the incoming trace must widen.
  d.FreqScale = TScaleGroup{0, 1, 0.0, 0.0, Shown(-21.0, unit, false), Shown(-19.0, unit, false)};
  if (d.FreqScale.YMin > d.FreqScale.YMax) std::swap(d.FreqScale.YMin, d.FreqScale.YMax);
  d.DistScale = TScaleGroup{1, 1, 0.0, 1.0, -1.0, 1.0};
  doc.SelectScale();
  return doc;
}

const char *const kUnitNames[] = {"dB", "VSWR", "Rho", "mRho", "CableLoss"};

std::string CaseName(const char *path, int su, int sd, int tu, int td) {
  return std::string(path) + ": " + kUnitNames[su] + (sd == duFeet ? " ft" : " m") + " -> " + kUnitNames[tu] +
         (td == duFeet ? " ft" : " m");
}

// Values equal within what single-precision fields and clamps allow.
void ExpectClose(double actual, double expected, const char *what, int j = -1) {
  EXPECT_NEAR(actual, expected, 1e-6 * std::max(1.0, std::abs(expected))) << what << " at " << j;
}

void CheckArrived(const TTraceDoc &d, int index, int unit, int distUnit) {
  const TTraceData &t = d.Traces[index];
  ASSERT_EQ(t.Mag.size(), static_cast<std::size_t>(kPoints));
  for (int j = 0; j < kPoints; ++j) {
    const auto u = static_cast<std::size_t>(j);
    ExpectClose(t.Mag[u], InUnit(FreqRl(j), unit), "frequency view value", j);
    ExpectClose(t.DistMag[u], InUnit(DistRl(j), unit), "distance view value", j);
    ExpectClose(t.DistAxis[u], InDist(DistMetres(j), distUnit), "distance", j);
  }
  EXPECT_NEAR(t.StopDist, InDist(kStopMetres, distUnit), 1e-4);
  EXPECT_NEAR(t.Loss, distUnit == duFeet ? kLossPerMetre * kMetresPerFoot : kLossPerMetre, 1e-6);
}

void CheckLimits(const TTraceDoc &d, int unit) {
  ExpectClose(d.FreqLimitValue, Shown(kFreqLimitRl, unit, false), "frequency limit");
  ExpectClose(d.DistLimitValue, Shown(kDistLimitRl, unit, true), "distance limit");
}

// The widened manual axes take in the source's range, in the target's units.
void CheckWidened(const TTraceDoc &d, int unit, int distUnit) {
  const double a = Shown(-40.0, unit, false), b = Shown(-10.0, unit, false);
  EXPECT_LE(d.FreqScale.YMin, std::min(a, b) + 1e-9);
  EXPECT_GE(d.FreqScale.YMax, std::max(a, b) - 1e-9);
  EXPECT_GE(d.DistScale.XMax, InDist(kStopMetres, distUnit) - 1e-9);
}

} // namespace

TEST(ExchangeMatrix, EveryPathArrivesInTheTargetsUnits) {
  for (int su = 0; su <= suCableLoss; ++su)
    for (int sd : {duMeters, duFeet})
      for (int tu = 0; tu <= suCableLoss; ++tu)
        for (int td : {duMeters, duFeet}) {
          const TTraceDoc source = Source(su, sd);
          // Paste: through the capsule of a copy.
          {
            SCOPED_TRACE(CaseName("paste", su, sd, tu, td));
            TmoxDocument from(TmoxDocument::EmptyTag{});
            from.Doc = source;
            TTraceCapsule capsule;
            ASSERT_TRUE(capsule.CopyFrom(from, 0));
            TmoxDocument to = Target(tu, td);
            ASSERT_TRUE(PasteCapsule(to, capsule));
            CheckArrived(to.Doc, 1, tu, td);
            CheckLimits(to.Doc, tu);
          }
          // A drop carries the trace as a document of its own; a received
          // trace merged into the active window is such a document too.
          for (const char *path : {"drop", "merge"}) {
            SCOPED_TRACE(CaseName(path, su, sd, tu, td));
            const TTraceDoc incoming = std::string(path) == "drop" ? TraceAsDocument(source, 0) : source;
            TmoxDocument to = Target(tu, td);
            const int added = MergeTrace(to.Doc, incoming);
            ASSERT_EQ(added, 1);
            CheckArrived(to.Doc, added, tu, td);
            CheckLimits(to.Doc, tu);
            CheckWidened(to.Doc, tu, td);
            // Back to the source's unit: values and both limit lines follow.
            ConvertDocumentUnit(to.Doc, su);
            CheckArrived(to.Doc, added, su, td);
            CheckLimits(to.Doc, su);
          }
        }
}

TEST(ExchangeMatrix, StoredDistanceDataMovesItsAxisToo) {
  // Distance data stored on the frequency axis (data kind 2) arrives with
  // that axis in the target's distance unit, and only into such a document.
  TTraceDoc source = Source(suReturnLoss, duFeet);
  source.DataKind = 2;
  source.Traces[0].Freq = source.Traces[0].DistAxis;
  TTraceDoc target;
  target.DataKind = 2;
  target.DistUnit = duMeters;
  const int added = MergeTrace(target, source);
  for (int j = 0; j < kPoints; ++j) {
    ExpectClose(target.Traces[added].DistAxis[static_cast<std::size_t>(j)], DistMetres(j), "axis", j);
    ExpectClose(target.Traces[added].DistMag[static_cast<std::size_t>(j)], FreqRl(j), "value", j);
  }
  TTraceDoc plain;
  EXPECT_THROW(MergeTrace(plain, source), EmoxIOTraceFormatErr);
  EXPECT_EQ(plain.TraceCount(), 0);
}
