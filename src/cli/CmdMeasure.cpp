// dtf, calc and synth: the measurement computations on the command line.
#include <algorithm>
#include <cmath>
#include <iostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"
#include "measure/Calc.h"
#include "measure/ChirpZ.h"
#include "measure/Convert.h"
#include "measure/FaultEvents.h"
#include "measure/Verdicts.h"
#include "sim/SweepModel.h"

namespace korv::cli {

namespace {

constexpr const char *kMsgDtfFailed = "Error in Distance To Fault calculation.";

int ParseWindow(const std::string &text) {
  static const char *const kNames[] = {"none", "slight", "moderate", "heavy"};
  for (int i = 0; i < 4; ++i)
    if (text == kNames[i] || text == std::to_string(i)) return i;
  throw UsageError{"--window must be 0-3, none, slight, moderate or heavy"};
}

int ParseDistUnit(const std::string &text) {
  if (text == "m") return duMeters;
  if (text == "ft") return duFeet;
  throw UsageError{"--unit must be m or ft"};
}

const char *UnitWord(int scaleUnit) {
  switch (scaleUnit) {
  case suVSWR: return "VSWR";
  case suRho: return "Rho";
  case suMRho: return "mRho";
  default: return "dB";
  }
}

const char *const kWindowNames[] = {"None", "Slight", "Moderate", "Heavy"};

double Checked(const Options &o, const std::string &name, double def, double lo, double hi) {
  const double v = o.Number(name, def);
  if (v < lo || v > hi)
    throw UsageError{"--" + name + " must be between " + Format("%g", lo) + " and " + Format("%g", hi)};
  return v;
}

int Dtf(const Args &args) {
  Options o(args, {"trace", "start", "stop", "window", "vp", "dielectric", "loss", "unit", "threshold"},
            {"json", "events"});
  if (o.Positional().size() != 1) throw UsageError{"dtf takes one document file"};
  if (o.Has("threshold") && !o.Has("events")) throw UsageError{"--threshold goes with --events"};
  double threshold = kDefaultEventThresholdDb;
  if (o.Has("threshold")) {
    try {
      threshold = CheckReturnLossLimit(o.Number("threshold", threshold), "threshold");
    } catch (const Exception &e) {
      throw UsageError{e.Message()};
    }
  }
  if (o.Has("vp") && o.Has("dielectric")) throw UsageError{"give either --vp or --dielectric"};
  TOpenResult r = OpenOrReport(o.Positional()[0]);
  if (!r.Warning.empty()) std::cerr << r.Warning << "\n";
  TTraceDoc &doc = r.Document->Doc;
  if (doc.TraceCount() == 0) throw Exception("The document holds no trace.");
  if (o.Has("trace")) {
    const long long t = o.Integer("trace", 0);
    if (t < 0 || t >= doc.TraceCount())
      throw UsageError{"--trace must be between 0 and " + std::to_string(doc.TraceCount() - 1)};
  }
  // A different distance unit converts the document first, as the window does.
  if (o.Has("unit")) {
    const int unit = ParseDistUnit(o.Value("unit"));
    for (int i = 0; i < doc.TraceCount(); ++i)
      ConvertDistanceUnits(doc.Traces[i], doc.DistUnit, unit);
    doc.DistUnit = static_cast<std::uint8_t>(unit);
  }
  const bool feet = doc.DistUnit == duFeet;
  const int window = o.Has("window") ? ParseWindow(o.Value("window")) : -1;
  const double vp = o.Has("vp") ? Checked(o, "vp", 1.0, 0.2, 1.0) : 0.0;
  const double dielectric = o.Has("dielectric") ? Checked(o, "dielectric", 1.0, 1.0, 25.0) : 0.0;
  const double loss = o.Has("loss") ? Checked(o, "loss", 0.0, 0.0, 20.0) : 0.0;
  const double start = o.Has("start") ? Checked(o, "start", 0.0, 0.0, 1e12) : 0.0;
  const double stop = o.Has("stop") ? Checked(o, "stop", 0.0, 0.0, 1e12) : 0.0;

  JsonWriter j;
  j.BeginObject().Key("traces").BeginArray();
  for (int i = 0; i < doc.TraceCount(); ++i) {
    if (o.Has("trace") && i != o.Integer("trace", 0)) continue;
    TTraceData &t = doc.Traces[i];
    if (o.Has("vp")) t.Dielectric = static_cast<float>(1.0 / (vp * vp));
    if (o.Has("dielectric")) t.Dielectric = static_cast<float>(dielectric);
    if (o.Has("loss")) t.Loss = static_cast<float>(loss);
    if (window >= 0) t.Smoothing = static_cast<std::uint8_t>(window);
    if (o.Has("start")) t.StartDist = static_cast<float>(start);
    if (o.Has("stop")) t.StopDist = static_cast<float>(stop);
    // Readers mark a trace whose cable was never given with negative values.
    if (!(t.Dielectric > 0.0F) || t.Loss < 0.0F)
      throw Exception("Trace " + std::to_string(i) + " has no cable data: give --vp (or --dielectric) and --loss.");
    if (o.Has("vp") || o.Has("dielectric") || o.Has("unit"))
      t.MaxDist = static_cast<float>(MaxDistance(t.NumPoints, feet, t.Dielectric, t.FreqStepHz));
    // The distance window stays within the range the sweep resolves.
    if (t.StartDist > t.MaxDist) t.StartDist = 0.0F;
    if (t.StopDist > t.MaxDist) t.StopDist = t.MaxDist;
    try {
      ComputeTraceDTF(t, doc.ScaleUnit);
    } catch (const EmoxChirpZError &) {
      const std::string reason = DtfLengthProblem(t.NumPoints);
      throw Exception(std::string(kMsgDtfFailed) + " (trace " + std::to_string(i) + ")" +
                      (reason.empty() ? std::string() : " " + reason));
    }
    const char *dist = feet ? "ft" : "m";
    if (o.Has("events")) {
      const auto events = TraceFaultEvents(t, doc.ScaleUnit, threshold);
      if (o.Has("json")) {
        j.BeginObject()
            .Key("index")
            .Integer(i)
            .Key("distUnit")
            .String(dist)
            .Key("unit")
            .String(UnitWord(doc.ScaleUnit));
        j.Key("threshold").Number(threshold).Key("events").BeginArray();
        for (const auto &e : events)
          j.BeginObject()
              .Key("distance")
              .Number(e.Distance)
              .Key("value")
              .Number(e.Value)
              .Key("returnLoss")
              .Number(e.ReturnLossDb)
              .Key("index")
              .Integer(e.Index)
              .EndObject();
        j.EndArray().EndObject();
        continue;
      }
      std::cout << "Trace " << i << " \"" << DisplayText(t.Title.str()) << "\": " << events.size()
                << (events.size() == 1 ? " event" : " events") << " above " << Format("%.1f", threshold) << " dB\n";
      for (const auto &e : events)
        std::cout << "  " << Format("%10.3f", e.Distance) << " " << dist << "  " << Format("%10.3f", e.Value) << " "
                  << UnitWord(doc.ScaleUnit) << "  (" << Format("%.2f", e.ReturnLossDb) << " dB)\n";
      continue;
    }
    if (o.Has("json")) {
      j.BeginObject().Key("index").Integer(i).Key("maxDist").Number(t.MaxDist);
      j.Key("distAxis").Numbers(t.DistAxis).Key("distMag").Numbers(t.DistMag).EndObject();
      continue;
    }
    const auto peak = std::max_element(t.DistMag.begin(), t.DistMag.end()) - t.DistMag.begin();
    std::cout << "Trace " << i << " \"" << DisplayText(t.Title.str()) << "\": cable " << DisplayText(t.CableType.str())
              << ", Vp " << Format("%.3f", 1.0 / std::sqrt(static_cast<double>(t.Dielectric))) << ", loss "
              << Format("%.4f", static_cast<double>(t.Loss)) << " dB/" << dist << ", window "
              << kWindowNames[t.Smoothing < 4 ? t.Smoothing : 0] << "\n";
    std::cout << "  maximum distance " << Format("%.3f", static_cast<double>(t.MaxDist)) << " " << dist << ", shown "
              << Format("%.3f", static_cast<double>(t.StartDist)) << " - "
              << Format("%.3f", static_cast<double>(t.StopDist)) << " " << dist << "\n";
    std::cout << "  peak " << Format("%.3f", t.DistMag[static_cast<std::size_t>(peak)]) << " "
              << UnitWord(doc.ScaleUnit) << " at " << Format("%.3f", t.DistAxis[static_cast<std::size_t>(peak)]) << " "
              << dist << "\n";
    for (std::size_t k = 0; k < t.DistAxis.size(); ++k)
      std::cout << "  " << Format("%10.3f %10.3f", t.DistAxis[k], t.DistMag[k]) << "\n";
  }
  j.EndArray().EndObject();
  if (o.Has("json")) std::cout << j.Text() << "\n";
  return 0;
}

int Calc(const Args &args) {
  Options o(args, {"rl", "vswr", "rho", "power"}, {"json"});
  if (!o.Positional().empty()) throw UsageError{"calc takes no file"};
  struct Choice {
    const char *option;
    TMeasurementCalculator::TField field;
  } const choices[] = {{"rl", TMeasurementCalculator::cfReturnLoss},
                       {"vswr", TMeasurementCalculator::cfVswr},
                       {"rho", TMeasurementCalculator::cfRho},
                       {"power", TMeasurementCalculator::cfPower}};
  const Choice *given = nullptr;
  for (const auto &c : choices) {
    if (!o.Has(c.option)) continue;
    if (given) throw UsageError{"give exactly one of --rl, --vswr, --rho, --power"};
    given = &c;
  }
  if (!given) throw UsageError{"give one of --rl, --vswr, --rho, --power"};
  // The dialog quietly reads what it cannot parse as 0; a script should hear about it.
  double typed = 0.0;
  if (!ParseDouble(o.Value(given->option), typed))
    throw UsageError{std::string("--") + given->option + " needs a number, not '" + o.Value(given->option) + "'"};
  TMeasurementCalculator calc;
  calc.SetText(given->field, o.Value(given->option));
  calc.Leave(given->field);
  using F = TMeasurementCalculator;
  if (o.Has("json")) {
    // The fields exactly as shown ("%.3f" is valid JSON number text).
    std::cout << "{\"returnLoss\":" << calc.Text(F::cfReturnLoss) << ",\"vswr\":" << calc.Text(F::cfVswr)
              << ",\"rho\":" << calc.Text(F::cfRho) << ",\"power\":" << calc.Text(F::cfPower) << "}\n";
  } else {
    std::cout << "Return Loss             " << calc.Text(F::cfReturnLoss) << "\n"
              << "VSWR                    " << calc.Text(F::cfVswr) << "\n"
              << "Reflection Coefficient  " << calc.Text(F::cfRho) << "\n"
              << "Transmitted Power       " << calc.Text(F::cfPower) << "\n";
  }
  return 0;
}

TLineReflection ParseFault(const std::string &text) {
  const auto colon = text.find(':');
  TLineReflection f;
  if (colon == std::string::npos || !ParseDouble(text.substr(0, colon), f.DistanceM) ||
      !ParseDouble(text.substr(colon + 1), f.Rho) || f.DistanceM < 0.0 || f.Rho < 0.0 || f.Rho > 1.0)
    throw UsageError{"--fault needs DIST:RHO (metres, 0..1), not '" + text + "'"};
  return f;
}

int ParseScale(const std::string &text) {
  static const char *const kNames[] = {"rl", "vswr", "rho", "mrho", "cl"};
  for (int i = 0; i < 5; ++i)
    if (text == kNames[i]) return i;
  throw UsageError{"--scale must be rl, vswr, rho, mrho or cl"};
}

int Synth(const Args &args) {
  Options o(args,
            {"points", "start", "stop", "vp", "loss", "fault", "length", "load", "antenna", "q", "noise", "seed",
             "unit", "scale", "title", "label", "date", "view"},
            {});
  if (o.Positional().size() != 1) throw UsageError{"synth takes one output file"};
  if (!o.Has("points") || !o.Has("start") || !o.Has("stop"))
    throw UsageError{"--points, --start and --stop are needed"};
  const long long points = o.Integer("points", 0);
  if (points < 2 || points > kMaxChirpZPoints)
    throw UsageError{"--points must be between 2 and " + std::to_string(kMaxChirpZPoints)};
  const double startMHz = o.Number("start", 0.0), stopMHz = o.Number("stop", 0.0);
  if (!(startMHz > 0.0) || !(stopMHz > startMHz)) throw UsageError{"--start and --stop must be MHz with start < stop"};

  TSweepModel m;
  m.VelocityFactor = Checked(o, "vp", 0.88, 0.2, 1.0);
  m.LossDbPerMetre = Checked(o, "loss", 0.05, 0.0, 20.0);
  for (const auto &f : o.Values("fault"))
    m.Reflections.push_back(ParseFault(f));
  m.LengthM = Checked(o, "length", 0.0, 0.0, 100000.0);
  m.LoadRho = Checked(o, "load", 0.0, 0.0, 1.0);
  m.AntennaResonanceMHz = Checked(o, "antenna", 0.0, 0.0, 1e6);
  m.LoadQ = Checked(o, "q", 2.0, 0.0, 1000.0);
  m.NoiseRho = Checked(o, "noise", 0.0, 0.0, 1.0);
  m.NoiseSeed = static_cast<std::uint32_t>(Checked(o, "seed", 1.0, 0.0, 4294967295.0));
  if ((o.Has("load") || o.Has("antenna")) && m.LengthM <= 0.0) throw UsageError{"a load needs --length"};
  const int distUnit = o.Has("unit") ? ParseDistUnit(o.Value("unit")) : duMeters;
  const int scaleUnit = o.Has("scale") ? ParseScale(o.Value("scale")) : suReturnLoss;
  std::int32_t plotMode = pmFrequency;
  if (o.Has("view")) {
    const std::string v = o.Value("view");
    if (v == "dtf")
      plotMode = pmDistance;
    else if (v == "smith")
      plotMode = pmSmith;
    else if (v != "freq")
      throw UsageError{"--view must be freq, dtf or smith"};
  }

  const TSweep sweep = SimulateSweep(m, static_cast<int>(points), startMHz, stopMHz);
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceDoc &d = doc.Doc;
  d.ScaleUnit = static_cast<std::uint8_t>(scaleUnit);
  d.DistUnit = static_cast<std::uint8_t>(distUnit);
  d.PlotMode = plotMode;
  d.MaxPoints = static_cast<std::int32_t>(points);
  TTraceData &t = d.Traces[d.AddTrace()];
  FillTraceFromSweep(t, sweep, m, scaleUnit, distUnit);
  t.Title = o.Value("title", "Synthetic feed line");
  t.Label = o.Value("label", "");
  t.Model = "SYNTH";
  t.CalState = 2;
  t.DateTime = o.Number("date", 46000.5); // fixed, so a sample is reproducible
  t.SetupDateTime = t.DateTime;
  ComputeTraceDTF(t, scaleUnit);
  d.MainTitle = DefaultMainTitle(plotMode, d.ScaleUnit);
  d.SubTitle = plotMode == pmDistance
                   ? "Distance: " + Format("%.0f", static_cast<double>(t.StartDist)) +
                         (distUnit == duFeet ? " feet - " : " meters - ") +
                         Format("%.0f", static_cast<double>(t.StopDist)) + (distUnit == duFeet ? " feet" : " meters")
                   : "Frequency: " + Format("%.0f", startMHz) + " MHz - " + Format("%.0f", stopMHz) + " MHz";
  const auto [lo, hi] = std::minmax_element(t.Mag.begin(), t.Mag.end());
  doc.AutoScaleAfterLoad(*lo, *hi, true);
  const std::string &out = o.Positional()[0];
  SaveOrReport(doc, out);
  return 0;
}

const Registrar kDtf("dtf",
                     "dtf FILE [--trace N] [--start D] [--stop D] [--window 0-3|none|slight|moderate|heavy] "
                     "[--vp V | --dielectric E] [--loss L] [--unit m|ft] [--events [--threshold DB]] [--json]",
                     "distance-to-fault of each trace, in the document's display unit; --events lists its "
                     "faults (peaks above -30 dB return loss or --threshold)",
                     Dtf);
const Registrar kCalc("calc", "calc (--rl|--vswr|--rho|--power) VALUE [--json]",
                      "the measurement calculator: one reflection figure gives the other three", Calc);
const Registrar kSynth("synth",
                       "synth OUT.kdt --points N --start MHz --stop MHz [--vp V] [--loss dB/m] [--fault DIST:RHO ...] "
                       "[--length M [--load RHO] [--antenna MHz [--q Q]]] [--noise RHO] [--seed S] [--unit m|ft] "
                       "[--scale rl|vswr|rho|mrho|cl] [--view freq|dtf|smith] [--title T] [--label L] [--date DAYS]",
                       "a one-trace document of a synthetic feed line", Synth);

} // namespace

} // namespace korv::cli
