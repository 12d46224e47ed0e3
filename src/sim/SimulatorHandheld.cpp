#include "sim/SimulatorHandheld.h"

#include <filesystem>
#include <system_error>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"
#include "formats/VantorFile.h"
#include "sim/SimulatorReply.h"

namespace korv {

namespace {

// What the handheld writes beside the sweep: its own settings.
TVantorSettings HandheldSettings(int i, const std::string &label) {
  TVantorSettings s;
  s.HeaderTexts = {"DSP 3.12", "FPGA 2.07"};
  s.TitleTexts = {
      "Return Loss", "Sweep " + std::to_string(i + 1),   "Site " + std::to_string(101 + i / 2), "Field Tech",
      label,         i % 2 == 0 ? "Main feed" : "Jumper"};
  s.Text = "PCS 1900";
  s.Int = 512 + i;
  s.ReflectionOffset = 0.0;
  s.Double = -10.0;
  s.Ints = {1, 4 + i, 16};
  s.ActiveMarker = 0;
  return s;
}

} // namespace

std::vector<std::string> PrepareHandheldFolder(const std::string &root, int count) {
  if (root.empty()) throw Exception("No handheld folder is given.");
  if (count < 1 || count > kMaxSimulatedHandheldTraces)
    throw Exception("A simulated handheld holds 1 to " + std::to_string(kMaxSimulatedHandheldTraces) + " traces.");
  const std::filesystem::path folder = std::filesystem::path(root) / kHandheldTraceSubfolder;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw Exception("Unable to make the folder " + folder.string() + ": " + ec.message());
  std::vector<std::string> written;
  std::vector<TmoxDocument> sweeps = SyntheticTraces(count, 705, 1850.0, 1990.0);
  for (int i = 0; i < count; ++i) {
    TmoxDocument &doc = sweeps[static_cast<std::size_t>(i)];
    TTraceData &t = doc.Doc.Traces[0];
    t.Model = kKP418Model;
    t.Revision = "Rev 2010.3";
    t.SN = "KP418-" + Format("%.5d", 20417 + i);
    t.Title = t.Label.str();
    t.CalState = 1;
    doc.VantorSettings = HandheldSettings(i, t.Label);
    doc.HasVantorSettings = true;
    doc.Doc.MainTitle = doc.VantorSettings.TitleTexts[0];
    doc.Doc.SubTitle = doc.VantorSettings.TitleTexts[1];
    // The file keeps the handheld's own scale, and a reader shows it: one
    // that takes in every point of the sweep.
    for (TScaleGroup *g : {&doc.Doc.FreqScale, &doc.Doc.DistScale}) {
      g->YMin = -60.0;
      g->YMax = 0.0;
    }
    const std::string path = (folder / Format("Sweep%.2d.vnf", i + 1)).string();
    // The same save a document window does: checked to read back, atomic.
    SaveDocument(doc, path, {}, 0);
    written.push_back(path);
  }
  return written;
}

} // namespace korv
