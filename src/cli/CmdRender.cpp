// render: the graph a document window shows, as a PNG, SVG or PDF file;
// print: the graphs of several documents laid out on pages as Print
// Multiple prints them, as a PDF file. Built only with the widget libraries
// (src/cli/CMakeLists.txt); korvtool without them has neither command.
#include <QApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/Command.h"
#include "core/Excption.h"
#include "measure/DTFOptns.h"
#include "measure/PageGrid.h"
#include "ui/chart/GraphPages.h"
#include "ui/common/DocMessages.h"
#include "ui/common/Theme.h"
#include "ui/document/Child.h"

namespace korv::cli {

namespace {

int UnitCode(const std::string &word) {
  if (word == "rl") return suReturnLoss;
  if (word == "vswr") return suVSWR;
  if (word == "rho") return suRho;
  if (word == "mrho") return suMRho;
  if (word == "cl") return suCableLoss;
  throw UsageError{"unknown unit '" + word + "' (rl, vswr, rho, mrho, cl)"};
}

QSize ParseSize(const std::string &text) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) throw UsageError{"--size wants WxH, for example 1200x800"};
  const int w = std::atoi(text.substr(0, x).c_str());
  const int h = std::atoi(text.substr(x + 1).c_str());
  if (w < 100 || h < 100 || w > 10000 || h > 10000) throw UsageError{"--size: width and height must be 100..10000"};
  return {w, h};
}

// A window needs an application object; the offscreen platform lets the
// command run on servers and in scripts without a display.
std::unique_ptr<QApplication> MakeApplication() {
  if (QApplication::instance()) return nullptr;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char arg0[] = "korvtool";
  static char *argv[] = {arg0, nullptr};
  return std::make_unique<QApplication>(argc, argv);
}

// Boxes become messages on standard error; questions are answered "No".
class TBoxesToErrors {
public:
  TBoxesToErrors() {
    m_old = SetDocMessageHook([this](TMsgKind kind, const QString &text, QMessageBox::StandardButtons) {
      if (kind == TMsgKind::Error) LastError = text.toStdString();
      return kind == TMsgKind::Question || kind == TMsgKind::Warning ? QMessageBox::No : QMessageBox::Ok;
    });
  }
  ~TBoxesToErrors() { SetDocMessageHook(std::move(m_old)); }
  TBoxesToErrors(const TBoxesToErrors &) = delete;
  TBoxesToErrors &operator=(const TBoxesToErrors &) = delete;
  std::string LastError;

private:
  TDocMessageHook m_old;
};

// Opens a file into a window that is never shown; a failure is raised
// with the words the window's box would show.
void OpenForDrawing(TfrmDoc &doc, const std::string &path, TBoxesToErrors &boxes) {
  // Distance data missing from the file: the parameters the fault-location
  // dialog would offer when the user presses Finish at once.
  doc.SetFaultDialogHook([](TfrmDoc &w, int traceIndex) {
    TDtfParameterEditor editor;
    editor.Open(w.Document().Doc.Traces, traceIndex, w.Document().Doc.DistUnit);
    return w.ApplyFaultSettings(editor.Finish(w.Document().Doc.Traces));
  });
  boxes.LastError.clear();
  if (!doc.OpenFileW(QString::fromStdString(path)))
    throw Exception(boxes.LastError.empty() ? "Can not open file: " + path : boxes.LastError);
}

void CheckView(const std::string &view) {
  if (!view.empty() && view != "freq" && view != "dtf" && view != "smith")
    throw UsageError{"--view is freq, dtf or smith"};
}

// The view asked for; empty keeps the document's own.
void ShowView(TfrmDoc &doc, const std::string &view, TBoxesToErrors &boxes) {
  if (view == "freq")
    doc.SetPlotMode(pmFrequency);
  else if (view == "smith")
    doc.SetPlotMode(pmSmith);
  else if (view == "dtf" && !doc.ShowFaultLocation())
    throw Exception(boxes.LastError.empty() ? "No distance data." : boxes.LastError);
}

int Render(const Args &args) {
  Options opts(args, {"view", "size", "unit", "style", "active", "theme"}, {});
  if (opts.Positional().size() != 2) throw UsageError{"needs FILE and OUT"};
  const std::string in = opts.Positional()[0];
  const std::string out = opts.Positional()[1];
  const std::string ext = QFileInfo(QString::fromStdString(out)).suffix().toLower().toStdString();
  if (ext != "png" && ext != "svg" && ext != "pdf") throw UsageError{"OUT must end in .png, .svg or .pdf"};
  const std::string view = opts.Value("view", "");
  CheckView(view);
  const QSize size = ParseSize(opts.Value("size", "1200x800"));
  const int unit = opts.Has("unit") ? UnitCode(opts.Value("unit")) : -1;
  // Black-and-white reports: monochrome, or monochrome with symbols.
  const std::string style = opts.Value("style", "color");
  TPlotLook look;
  if (style == "mono")
    look.ViewStyle = 1;
  else if (style == "symbols")
    look.ViewStyle = 2;
  else if (style != "color")
    throw UsageError{"--style is color, mono or symbols"};
  // The light look unless told: what the desktop shows does not matter here.
  const std::string theme = opts.Value("theme", "light");
  if (theme != "light" && theme != "dark") throw UsageError{"--theme is light or dark"};

  auto app = MakeApplication();
  ApplyTheme(theme == "dark" ? TThemeChoice::Dark : TThemeChoice::Light);
  TBoxesToErrors boxes;
  TfrmDoc doc;
  doc.resize(size);
  doc.SetPlotLook(look);
  OpenForDrawing(doc, in, boxes);
  if (unit >= 0 && unit != doc.Document().Doc.ScaleUnit) {
    if (doc.PlotMode() == pmSmith) doc.SetPlotMode(pmFrequency);
    if (!doc.SetDisplayUnit(unit)) throw Exception(boxes.LastError);
  }
  ShowView(doc, view, boxes);
  // The active trace (its markers' readouts and its heavier line): the
  // first unless --active says otherwise; 0 for none.
  int active = 1;
  if (opts.Has("active")) {
    const std::string a = opts.Value("active");
    char *end = nullptr;
    const long n = std::strtol(a.c_str(), &end, 10);
    if (a.empty() || *end != '\0' || n < 0 || n > doc.Document().Doc.TraceCount())
      throw UsageError{"--active is a trace number from 1 to " + std::to_string(doc.Document().Doc.TraceCount()) +
                       ", or 0 for none"};
    active = static_cast<int>(n);
  }
  doc.SetActiveTrace(active - 1);
  if (!doc.SaveImage(QString::fromStdString(out), size)) throw Exception("Unable to write image: " + out);
  return 0;
}

// A whole number of rows or columns, 1 to 8.
int GridCells(const Options &opts, const std::string &name, int def) {
  if (!opts.Has(name)) return def;
  const std::string text = opts.Value(name);
  char *end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || !TPageGrid::InRange(static_cast<int>(n)) || n != static_cast<int>(n))
    throw UsageError{"--" + name + " is a whole number from 1 to 8"};
  return static_cast<int>(n);
}

int Print(const Args &args) {
  Options opts(args, {"rows", "columns", "view"}, {});
  if (opts.Positional().size() < 2) throw UsageError{"needs OUT.pdf and at least one FILE"};
  const std::string out = opts.Positional()[0];
  if (QFileInfo(QString::fromStdString(out)).suffix().toLower() != QLatin1String("pdf"))
    throw UsageError{"OUT must end in .pdf"};
  const TPageGrid grid(GridCells(opts, "rows", 2), GridCells(opts, "columns", 1));
  const std::string view = opts.Value("view", "");
  CheckView(view);

  auto app = MakeApplication();
  TBoxesToErrors boxes;
  // Every file is read before anything is written: one bad file leaves no
  // report with a page missing.
  std::vector<std::unique_ptr<TfrmDoc>> docs;
  std::vector<TGraph *> graphs;
  for (std::size_t i = 1; i < opts.Positional().size(); ++i) {
    auto doc = std::make_unique<TfrmDoc>();
    // The size of a document window; each graph is laid out again for its cell.
    doc->resize(900, 600);
    OpenForDrawing(*doc, opts.Positional()[i], boxes);
    ShowView(*doc, view, boxes);
    graphs.push_back(doc->Graph());
    docs.push_back(std::move(doc));
  }
  const QPageLayout page(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
  QString error;
  if (!WriteGraphPagesPdf(QString::fromStdString(out), graphs, grid, page, &error))
    throw Exception(error.toStdString());
  std::cout << "Wrote " << out << ": " << graphs.size() << (graphs.size() == 1 ? " graph" : " graphs") << " on "
            << grid.PageCount(static_cast<int>(graphs.size()))
            << (grid.PageCount(static_cast<int>(graphs.size())) == 1 ? " page" : " pages") << "\n";
  return 0;
}

const Registrar kPrint("print", "print OUT.pdf [--rows R] [--columns C] [--view freq|dtf|smith] FILE...",
                       "lay the graphs of several documents out on pages (R x C per page, 2 x 1 unless told), "
                       "headless",
                       Print);

const Registrar
    kRender("render",
            "render FILE OUT.(png|svg|pdf) [--view freq|dtf|smith] [--size WxH] [--unit rl|vswr|rho|mrho|cl] "
            "[--style color|mono|symbols] [--active N] [--theme light|dark]",
            "draw the graph a document window shows, headless, in the light or dark look", Render);

} // namespace

} // namespace korv::cli
