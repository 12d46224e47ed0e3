// dump, info and convert: documents in and out of every format.
#include <iostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "core/DateTime.h"
#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"
#include "formats/DocumentIO.h"

namespace korv::cli {

namespace {

void WriteScale(JsonWriter &j, const TScaleGroup &s) {
  j.BeginObject();
  j.Key("flag1").Integer(s.Flag1).Key("flag2").Integer(s.Flag2);
  j.Key("xMin").Number(s.XMin).Key("xMax").Number(s.XMax);
  j.Key("yMin").Number(s.YMin).Key("yMax").Number(s.YMax);
  j.EndObject();
}

void WriteMarks(JsonWriter &j, const TMarkerSet &set) {
  j.BeginArray();
  for (const auto &m : set) {
    j.BeginObject();
    j.Key("visible").Integer(m.Visible).Key("point").Integer(m.Point).Key("deltaOn").Bool(m.DeltaOn);
    j.Key("reference").Integer(m.Reference).Key("style").Integer(m.Style);
    j.EndObject();
  }
  j.EndArray();
}

std::string DocumentJson(const TmoxDocument &doc, TDocFormat format) {
  const TTraceDoc &d = doc.Doc;
  JsonWriter j;
  j.BeginObject();
  j.Key("format").String(FormatName(format));
  j.Key("fileVersion").Integer(d.FileVersion).Key("dataKind").Integer(d.DataKind);
  j.Key("mainTitle").String(d.MainTitle).Key("mainTitleFixed").Bool(d.MainTitleFixed != 0);
  j.Key("subTitle").String(d.SubTitle).Key("subTitleFixed").Bool(d.SubTitleFixed != 0);
  j.Key("setupInfo").BeginArray();
  for (auto b : d.SetupInfo)
    j.Integer(b);
  j.EndArray();
  j.Key("docCalState").Integer(d.DocCalState).Key("plotMode").Integer(d.PlotMode);
  j.Key("scaleUnit").Integer(d.ScaleUnit).Key("distUnit").Integer(d.DistUnit);
  j.Key("traceCount").Integer(d.TraceCount()).Key("maxPoints").Integer(d.MaxPoints);
  j.Key("freqLimitMode").Integer(d.FreqLimitMode).Key("freqLimitValue").Number(d.FreqLimitValue);
  j.Key("distLimitMode").Integer(d.DistLimitMode).Key("distLimitValue").Number(d.DistLimitValue);
  j.Key("freqScale");
  WriteScale(j, d.FreqScale);
  j.Key("distScale");
  WriteScale(j, d.DistScale);
  j.Key("gps").BeginArray();
  for (const auto &g : d.GPSData)
    j.String(g);
  j.EndArray();
  j.Key("traces").BeginArray();
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    j.BeginObject();
    j.Key("title").String(t.Title).Key("label").String(t.Label);
    j.Key("siteNumber").Integer(t.SiteNumber).Key("sector").Integer(t.Sector);
    j.Key("antennaKind").Integer(t.AntennaKind).Key("antennaNumber").Integer(t.AntennaNumber);
    j.Key("dateTime").Number(t.DateTime).Key("calState").Integer(t.CalState).Key("vcoTemp").Integer(t.VCOTemp);
    j.Key("setupName").String(t.SetupName).Key("setupVcoTemp").Integer(t.SetupVCOTemp);
    j.Key("setupDateTime").Number(t.SetupDateTime).Key("fmOnOff").Integer(t.FMOnOff);
    j.Key("model").String(t.Model).Key("sn").String(t.SN).Key("revision").String(t.Revision);
    j.Key("numPoints").Integer(t.NumPoints);
    j.Key("freq").Numbers(t.Freq).Key("mag").Numbers(t.Mag).Key("angle").Numbers(t.Angle);
    j.Key("distAxis").Numbers(t.DistAxis).Key("distMag").Numbers(t.DistMag);
    j.Key("cableType").String(t.CableType).Key("loss").Number(t.Loss).Key("dielectric").Number(t.Dielectric);
    j.Key("startDist").Number(t.StartDist).Key("stopDist").Number(t.StopDist).Key("maxDist").Number(t.MaxDist);
    j.Key("startFreqHz").Number(t.StartFreqHz).Key("freqStepHz").Number(t.FreqStepHz);
    j.Key("smoothing").Integer(t.Smoothing);
    j.Key("freqMarks");
    WriteMarks(j, t.FreqMarks);
    j.Key("distMarks");
    WriteMarks(j, t.DistMarks);
    j.EndObject();
  }
  j.EndArray();
  j.EndObject();
  return j.Text();
}

const char *const kUnitNames[] = {"Return Loss", "VSWR", "Rho", "mRho", "Cable Loss"};
const char *const kModeNames[] = {"?", "Measure Match", "Fault Location", "Smith Chart"};

int Dump(const Args &args) {
  Options o(args, {}, {});
  if (o.Positional().size() != 1) throw UsageError{"dump takes one file"};
  const TOpenResult r = OpenOrReport(o.Positional()[0]);
  if (!r.Warning.empty()) std::cerr << r.Warning << "\n";
  std::cout << DocumentJson(*r.Document, r.Format) << "\n";
  return 0;
}

int Info(const Args &args) {
  Options o(args, {}, {});
  if (o.Positional().empty()) throw UsageError{"info takes one or more files"};
  int status = 0;
  for (const auto &path : o.Positional()) {
    try {
      const TOpenResult r = OpenOrReport(path);
      const TTraceDoc &d = r.Document->Doc;
      std::cout << path << ": " << FormatName(r.Format) << " (version " << int(d.FileVersion) << "), " << d.TraceCount()
                << (d.TraceCount() == 1 ? " trace" : " traces") << ", "
                << (d.ScaleUnit < 5 ? kUnitNames[d.ScaleUnit] : "?") << ", "
                << (d.PlotMode >= 1 && d.PlotMode <= 3 ? kModeNames[d.PlotMode] : "?") << "\n";
      for (int i = 0; i < d.TraceCount(); ++i) {
        const TTraceData &t = d.Traces[i];
        std::cout << "  " << i << ": " << DisplayText(t.Title.str()) << " | " << DisplayText(t.Label.str()) << " | "
                  << t.NumPoints << " points";
        if (!t.Freq.empty()) std::cout << Format(", %.3f - %.3f MHz", t.Freq.front(), t.Freq.back());
        std::cout << " | " << DateTimeToText(t.DateTime) << " | " << DisplayText(t.Model.str()) << "\n";
      }
      if (!r.Warning.empty()) std::cerr << path << ": warning: " << r.Warning << "\n";
    } catch (const std::exception &e) {
      std::cerr << e.what() << "\n";
      status = 1;
    }
  }
  return status;
}

int Convert(const Args &args) {
  Options o(args, {"trace", "parameter"}, {});
  if (o.Positional().size() != 2) throw UsageError{"convert takes an input and an output file"};
  const std::string &in = o.Positional()[0];
  const std::string &out = o.Positional()[1];
  TOpenOptions opt;
  const std::string parameter = o.Value("parameter", "s11");
  if (parameter == "s22" || parameter == "S22")
    opt.TouchstoneParameter = 22;
  else if (parameter != "s11" && parameter != "S11")
    throw UsageError{"--parameter must be s11 or s22"};
  TOpenResult r = OpenOrReport(in, opt);
  if (!r.Warning.empty()) std::cerr << r.Warning << "\n";
  const long long trace = o.Integer("trace", 0);
  if (trace < 0 || trace >= std::max(1, r.Document->Doc.TraceCount()))
    throw UsageError{"--trace must be between 0 and " + std::to_string(r.Document->Doc.TraceCount() - 1)};
  auto confirm = [] {
    // Never ask on the command line: go on as if answered Yes, and say so.
    std::cerr << kMsgOlderFormat << " [answered Yes]\n";
    return true;
  };
  SaveOrReport(*r.Document, out, static_cast<int>(trace), confirm);
  return 0;
}

const Registrar kDump("dump", "dump FILE", "the document as JSON on standard output", Dump);
const Registrar kInfo("info", "info FILE...", "a short summary of each file", Info);
const Registrar kConvert("convert", "convert IN OUT [--trace N] [--parameter s11|s22]",
                         "convert between .kdt, .csv, .vnf and .s1p by extension (.s2p files are read: S11, or "
                         "S22 with --parameter s22)",
                         Convert);

} // namespace

} // namespace korv::cli
