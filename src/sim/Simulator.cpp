#include "sim/Simulator.h"

#include "core/Excption.h"
#include "sim/SimulatorLx.h"
#include "sim/SimulatorNanoVna.h"
#include "sim/SimulatorRt.h"
#include "sim/SimulatorSiteMaster.h"

namespace korv {

std::unique_ptr<TSimulator> MakeSimulator(TSimOptions options) {
  if (options.Instrument == "lx") {
    auto lx = std::make_unique<TLxSimulator>(options.Model, options.Firmware, options.Traces);
    if (options.MissFirstSetupSync) lx->MissFirstSetupSync();
    if (options.SaveBuffers > 0) lx->LimitSaveBuffers(options.SaveBuffers);
    return lx;
  }
  if (options.Instrument == "rt") {
    const char digit = options.Model.size() >= 4 && options.Model.compare(0, 3, "RT-") == 0 ? options.Model[3] : '5';
    return std::make_unique<TRtSimulator>(digit, options.Traces);
  }
  if (options.Instrument == "nanovna")
    return std::make_unique<TNanoVnaSimulator>(options.Model, options.Firmware, options.Traces);
  if (options.Instrument == "sitemaster") return std::make_unique<TSiteMasterSimulator>(options.Traces);
  throw Exception("Unknown instrument: " + options.Instrument);
}

std::vector<TmoxDocument> SplitIntoTraces(const TmoxDocument &doc) {
  std::vector<TmoxDocument> out;
  for (int i = 0; i < doc.Doc.TraceCount(); ++i) {
    TmoxDocument one = doc;
    one.Doc.Traces.Clear();
    one.Doc.Traces.Add(doc.Doc.Traces[i]);
    one.Doc.MaxPoints = doc.Doc.Traces[i].NumPoints;
    out.push_back(std::move(one));
  }
  return out;
}

} // namespace korv
