// markers: the marker table of a document's stored markers, in both views.
#include <iostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "core/DistanceData.h"
#include "core/Excption.h"
#include "measure/ChirpZ.h"
#include "measure/MarkerTable.h"

namespace korv::cli {

namespace {

void Optional(JsonWriter &j, const char *key, const std::optional<double> &v) {
  j.Key(key);
  if (v)
    j.Number(*v);
  else
    j.Null();
}

void WriteRows(JsonWriter &j, const std::vector<TMarkerRow> &rows) {
  j.BeginArray();
  for (const TMarkerRow &r : rows) {
    j.BeginObject();
    j.Key("trace").Integer(r.Trace).Key("marker").Integer(r.Slot + 1);
    j.Key("x").Number(r.X).Key("value").Number(r.Value);
    Optional(j, "returnLoss", r.ReturnLoss);
    Optional(j, "vswr", r.Vswr);
    Optional(j, "gamma", r.Gamma);
    Optional(j, "r", r.R);
    Optional(j, "x_ohm", r.Xs);
    j.Key("reference").String(r.Reference);
    Optional(j, "deltaX", r.DeltaX);
    Optional(j, "deltaValue", r.DeltaValue);
    j.EndObject();
  }
  j.EndArray();
}

int Markers(const Args &args) {
  Options o(args, {"trace"}, {"json"});
  if (o.Positional().size() != 1) throw UsageError{"markers takes one file"};
  TOpenResult r = OpenOrReport(o.Positional()[0]);
  if (!r.Warning.empty()) std::cerr << r.Warning << "\n";
  TTraceDoc &d = r.Document->Doc;
  const long long trace = o.Integer("trace", -1);
  if (o.Has("trace") && (trace < 0 || trace >= d.TraceCount()))
    throw UsageError{"--trace must be between 0 and " + std::to_string(d.TraceCount() - 1)};
  // Distance results are computed as the window computes them on opening
  // when the file holds only their parameters.
  if (!UseStoredDistanceData(d)) {
    for (int i = 0; i < d.TraceCount(); ++i) {
      TTraceData &t = d.Traces[i];
      if (static_cast<int>(t.DistAxis.size()) != t.NumPoints && t.MaxDist > 0) {
        try {
          ComputeTraceDTF(t, d.ScaleUnit);
        } catch (const Exception &e) {
          std::cerr << "trace " << i << ": no distance results (" << e.Message() << ")\n";
        }
      }
    }
  }
  const int only = static_cast<int>(trace);
  const auto freq = MarkerTableRows(d, pmFrequency, TMarkSource::Stored, only);
  const auto dist = MarkerTableRows(d, pmDistance, TMarkSource::Stored, only);
  if (o.Has("json")) {
    JsonWriter j;
    j.BeginObject();
    j.Key("frequencyUnit").String(MarkerXUnit(d, pmFrequency));
    j.Key("distanceUnit").String(MarkerXUnit(d, pmDistance));
    j.Key("valueUnit").String(MarkerValueUnit(d, pmFrequency));
    j.Key("frequency");
    WriteRows(j, freq);
    j.Key("distance");
    WriteRows(j, dist);
    j.EndObject();
    std::cout << j.Text() << "\n";
    return 0;
  }
  std::cout << "Frequency view\n" << MarkerTableText(d, pmFrequency, freq, '\t');
  std::cout << "\nDistance view\n" << MarkerTableText(d, pmDistance, dist, '\t');
  return 0;
}

const Registrar kMarkers("markers", "markers FILE [--trace N] [--json]",
                         "the marker table of both views: position, value, reflection, impedance, deltas", Markers);

} // namespace

} // namespace korv::cli
