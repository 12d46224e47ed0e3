#include "ui/main/TraceExchange.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "core/TraceCapsule.h"
#include "measure/Convert.h"
#include "measure/ViewMath.h"
#include "ui/chart/Graph.h"
#include "ui/document/Child.h"

namespace korv {

namespace {
QSize ClientSize(const TfrmDoc &doc) {
  const TGraph *g = doc.Graph();
  return g != nullptr && g->width() > 10 && g->height() > 10 ? g->size() : QSize(800, 600);
}
} // namespace

QString TraceClipboardText(TfrmDoc &doc, char delimiter) {
  const int index = doc.ActiveTrace();
  const TTraceDoc &d = doc.Document().Doc;
  if (index < 0 || index >= d.TraceCount() || doc.PlotMode() == pmSmith) return {};
  const TTraceData &t = d.Traces[index];
  const QString sep(QChar::fromLatin1(delimiter));
  const QString eol = QStringLiteral("\r\n");
  const TGraph *graph = doc.Graph();
  QString text = QStringLiteral("Data from ") + doc.FileName() + QLatin1Char(' ') +
                 (graph != nullptr ? graph->SubsetLabel(index) : doc.TraceLabel(index)) + eol;
  if (doc.PlotMode() == pmDistance) {
    text += doc.XUnitWord() + sep + doc.YUnitWord() + eol;
    const std::size_t n =
        std::min({static_cast<std::size_t>(std::max(0, t.NumPoints)), t.DistAxis.size(), t.DistMag.size()});
    for (std::size_t j = 0; j < n; ++j)
      text += QString::fromStdString(Format("%.3f", t.DistAxis[j])) + sep +
              QString::fromStdString(Format("%.5f", t.DistMag[j])) + eol;
    return text;
  }
  text += doc.XUnitWord() + sep + doc.YUnitWord() + sep + QStringLiteral("Degrees") + eol;
  const std::size_t n =
      std::min({static_cast<std::size_t>(std::max(0, t.NumPoints)), t.Freq.size(), t.Mag.size(), t.Angle.size()});
  // Cable loss is copied as the ten-point value the graph shows.
  const bool cableLoss = d.ScaleUnit == suCableLoss;
  const std::vector<float> loss = cableLoss ? CableLossSeries(t.Mag, static_cast<int>(n)) : std::vector<float>();
  for (std::size_t j = 0; j < n; ++j) {
    const double value = cableLoss ? static_cast<double>(loss[j]) : t.Mag[j];
    text += QString::fromStdString(Format("%.3f", t.Freq[j])) + sep + QString::fromStdString(Format("%.5f", value)) +
            sep + QString::fromStdString(Format("%.3f", t.Angle[j])) + eol;
  }
  return text;
}

QMimeData *GraphMimeData(TfrmDoc &doc, int imageFormat) {
  auto *mime = new QMimeData;
  if (doc.Graph() == nullptr) return mime;
  const QSize size = ClientSize(doc);
  if (imageFormat != 1) mime->setData(QStringLiteral("image/svg+xml"), doc.Graph()->ToSvg(size));
  mime->setImageData(doc.ToImage(size));
  return mime;
}

bool CopyTrace(TfrmDoc &doc, TTraceCapsule &capsule, bool withImage, char delimiter, int imageFormat) {
  QMimeData *mime = withImage ? GraphMimeData(doc, imageFormat) : new QMimeData;
  const QString text = TraceClipboardText(doc, delimiter);
  if (!text.isEmpty()) mime->setText(text);
  const int index = doc.ActiveTrace();
  bool pasteable = false;
  if (!text.isEmpty() && index >= 0)
    pasteable = capsule.CopyFrom(doc.Document(), index);
  else
    capsule.Invalidate();
  // Text, picture and capsule stand together on the clipboard.
  QApplication::clipboard()->setMimeData(mime);
  return pasteable;
}

bool DeleteTrace(TfrmDoc &doc) { return doc.DeleteActiveTrace(); }

bool PasteTrace(TfrmDoc &doc, const TTraceCapsule &capsule, const std::function<void(const QString &)> &error) {
  try {
    return doc.PasteTrace(capsule);
  } catch (const Exception &e) {
    error(QString::fromStdString(e.Message()));
    return false;
  }
}

} // namespace korv
