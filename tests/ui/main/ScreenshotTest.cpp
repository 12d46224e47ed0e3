// The main window with one document window per view. The picture is also
// what the README shows: with KORV_SCREENSHOT_DIR set, it is written there.
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ui/main/MainFixture.h"

using namespace korv;

namespace {
QString Sample(const char *name) {
  const QString path = QStringLiteral(KORV_SOURCE_DIR "/resources/samples/") + QLatin1String(name);
  return QFile::exists(path) ? path : QStringLiteral(KORV_TEST_DATA "/kdt/golden_v7.kdt");
}
} // namespace

TEST_F(MainWindowTest, ThreeDocumentWindowsOnePerView) {
  TfrmMain &m = MakeMain();
  m.resize(1400, 900);
  m.show();
  const QString docs[3] = {Sample("BadConnector23m.kdt"), Sample("WideSweep949.kdt"), Sample("GoodAntennaFeed.kdt")};
  const int modes[3] = {pmDistance, pmSmith, pmFrequency};
  for (int i = 0; i < 3; ++i) {
    TfrmDoc *doc = m.OpenDocumentFile(docs[i]);
    ASSERT_NE(doc, nullptr) << docs[i].toStdString();
    // The fault-location dialog is answered with each trace's stored cable.
    doc->SetFaultDialogHook([](TfrmDoc &d, int trace) { return d.ApplyFaultSettings(trace); });
    if (modes[i] == pmDistance) {
      ASSERT_TRUE(doc->ShowFaultLocation());
    } else {
      doc->SetPlotMode(modes[i]);
    }
    doc->SetActiveTrace(0);
    doc->ClearModified();
  }
  m.Action("mnuWindowTile")->trigger();
  m.UpdateMenuItems();
  m.HintPanel()->clear();
  QApplication::processEvents();
  // Tiled: a grid of windows that do not overlap and fill the area.
  auto *mdi = m.findChild<QMdiArea *>("mdiArea");
  const auto subs = mdi->subWindowList(QMdiArea::CreationOrder);
  ASSERT_EQ(subs.size(), 3);
  long covered = 0;
  QRect bounds;
  for (int i = 0; i < 3; ++i) {
    covered += static_cast<long>(subs[i]->width()) * subs[i]->height();
    bounds |= subs[i]->geometry();
    EXPECT_GT(subs[i]->height(), 300);
    for (int j = 0; j < i; ++j)
      EXPECT_FALSE(subs[i]->geometry().intersects(subs[j]->geometry()));
  }
  EXPECT_EQ(bounds.topLeft(), QPoint(0, 0));
  EXPECT_EQ(covered, static_cast<long>(bounds.width()) * bounds.height()); // no gaps
  // Each view drew something of its own.
  const QImage shot = m.grab().toImage();
  ASSERT_FALSE(shot.isNull());
  QImage parts[3];
  for (int i = 0; i < 3; ++i)
    parts[i] = subs[i]->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_NE(parts[0], parts[1]);
  EXPECT_NE(parts[1], parts[2]);
  const QByteArray dir = qgetenv("KORV_SCREENSHOT_DIR");
  if (!dir.isEmpty()) {
    EXPECT_TRUE(shot.save(QString::fromUtf8(dir) + "/mainwindow_tiled.png"));
    m.Action("mnuWindowCascade")->trigger();
    QApplication::processEvents();
    for (int i = 1; i < 3; ++i)
      EXPECT_GT(subs[i]->geometry().top(), subs[i - 1]->geometry().top());
    EXPECT_TRUE(m.grab().toImage().save(QString::fromUtf8(dir) + "/mainwindow_cascade.png"));
  }
}
