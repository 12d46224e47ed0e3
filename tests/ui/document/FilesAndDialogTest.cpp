// Document window files, the close question, the fault-location flow and
// the fault-location dialog through its widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "core/TestHelpers.h"
#include "ui/dialogs/DtfDialog.h"
#include "ui/dialogs/SaveAsCsvOptions.h"
#include "ui/document/Child.h"
#include "ui/document/DocTestHelpers.h"

namespace korv {
namespace {

using korvtest::MakeDocument;
using korvtest::MakeTrace;
using korvtest::MessageRecorder;

TTraceData Flat(int n = 101) {
  return MakeTrace(n, 1700, 2200, [](int j) { return -25.0 + 0.01 * j; });
}

TEST(DocumentFiles, SaveThenOpenKeepsTheDocumentAndClearsModified) {
  TempDir dir;
  const QString path = QString::fromStdString(dir.File("site.kdt"));
  TfrmDoc w;
  w.SetDocument(MakeDocument({Flat(), Flat(51)}), {}, true);
  w.MarkModified();
  QSignalSpy modified(&w, &TfrmDoc::modifiedChanged);
  ASSERT_TRUE(w.SaveFileW(path));
  EXPECT_FALSE(w.IsModified());
  EXPECT_FALSE(w.Imported());
  EXPECT_EQ(w.FileName(), path);
  EXPECT_EQ(w.windowTitle(), path);
  ASSERT_EQ(modified.count(), 1);

  TfrmDoc v;
  ASSERT_TRUE(v.OpenFileW(path));
  EXPECT_EQ(v.Document().Doc.TraceCount(), 2);
  EXPECT_EQ(v.Graph()->Points(), 101);
  EXPECT_NEAR(v.Graph()->YData(1, 50), -24.5, 1e-4);
  EXPECT_FALSE(v.IsModified());
}

TEST(DocumentFiles, OpenFailuresShowTheirBoxAndLeaveTheWindowAsItWas) {
  TempDir dir;
  MessageRecorder boxes;
  TfrmDoc w;
  w.SetDocument(MakeDocument({Flat()}), QStringLiteral("/kept.kdt"), false);
  const std::string missing = dir.File("missing.kdt");
  EXPECT_FALSE(w.OpenFileW(QString::fromStdString(missing)));
  ASSERT_EQ(boxes.Texts.size(), 1);
  // The file's name, and the cause on a line of its own.
  EXPECT_TRUE(boxes.Texts[0].contains(QString::fromStdString(missing)));
  EXPECT_TRUE(boxes.Texts[0].contains("No such file")) << boxes.Texts[0].toStdString();

  // A damaged document file: CRC failure.
  const std::string good = dir.File("good.kdt");
  ASSERT_TRUE(w.SaveFileW(QString::fromStdString(good)));
  std::string bytes;
  {
    std::ifstream in(good, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  bytes[60] = bytes[60] == '1' ? '2' : '1';
  const std::string bad = dir.File("bad.kdt");
  std::ofstream(bad, std::ios::binary) << bytes;
  EXPECT_FALSE(w.OpenFileW(QString::fromStdString(bad)));
  ASSERT_EQ(boxes.Texts.size(), 2);
  EXPECT_TRUE(boxes.Texts[1].startsWith(QLatin1String("CRC failure"))) << boxes.Texts[1].toStdString();
  EXPECT_EQ(w.FileName(), QString::fromStdString(good));
  EXPECT_EQ(w.Document().Doc.TraceCount(), 1);
}

TEST(DocumentFiles, DamagedCsvLoadsAfterItsCrcWarning) {
  MessageRecorder boxes;
  TfrmDoc w;
  EXPECT_TRUE(w.OpenFileW(QStringLiteral(KORV_TEST_DATA "/csv/rev3_bad_crc.csv")));
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_TRUE(boxes.Texts[0].startsWith(QLatin1String("CRC Error: "))) << boxes.Texts[0].toStdString();
  EXPECT_NE(boxes.Texts[0], QLatin1String("CRC Error: 0"));
  EXPECT_EQ(w.Document().Doc.TraceCount(), 1);
}

TEST(DocumentFiles, OneTraceFormatsAskWhichTraceToKeep) {
  TempDir dir;
  MessageRecorder boxes;
  std::vector<std::string> offered;
  int preselected = -2;
  int answer = 2;
  const auto old = SetTraceChooserHook([&](const std::vector<std::string> &d, int pre) {
    offered = d;
    preselected = pre;
    return answer;
  });
  auto level = [](double db) { return MakeTrace(11, 1700, 2200, [db](int) { return db; }); };
  TfrmDoc w;
  w.SetDocument(MakeDocument({level(-10), level(-20), level(-30)}), QStringLiteral("/x.kdt"), false);
  const std::string csv = dir.File("third.csv");
  ASSERT_TRUE(w.SaveFileW(QString::fromStdString(csv)));
  EXPECT_EQ(offered.size(), 3U);
  EXPECT_EQ(preselected, 1);
  TfrmDoc check;
  ASSERT_TRUE(check.OpenFileW(QString::fromStdString(csv)));
  ASSERT_EQ(check.Document().Doc.TraceCount(), 1);
  EXPECT_NEAR(check.Document().Doc.Traces[0].Mag[5], -30.0, 1e-3);

  // Cancel writes nothing; a one-trace document is not asked about.
  answer = -1;
  const std::string cancelled = dir.File("none.s1p");
  EXPECT_FALSE(w.SaveFileW(QString::fromStdString(cancelled)));
  EXPECT_FALSE(std::ifstream(cancelled).good());
  offered.clear();
  TfrmDoc single;
  single.SetDocument(MakeDocument({level(-15)}), QStringLiteral("/y.kdt"), false);
  EXPECT_TRUE(single.SaveFileW(QString::fromStdString(dir.File("one.csv"))));
  EXPECT_TRUE(offered.empty());
  SetTraceChooserHook(old);

  // The dialog itself: the prompt, the list in trace order, the second entry preselected.
  TdlgSaveAsCSVOptions dlg;
  dlg.SetTraces({"a", "b", "c"}, 1);
  auto *list = dlg.findChild<QComboBox *>(QStringLiteral("cmbobxTraceNumber"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(dlg.SelectedTrace(), 1);
  EXPECT_NE(dlg.findChild<QLabel *>(QStringLiteral("lblSelectTracePrompt")), nullptr);
  EXPECT_NE(dlg.findChild<QPushButton *>(QStringLiteral("OKBtn")), nullptr);
  EXPECT_NE(dlg.findChild<QPushButton *>(QStringLiteral("CancelBtn")), nullptr);
}

TEST(DocumentClose, AsksOnlyForModifiedDocumentsAndHonoursTheAnswer) {
  TfrmDoc w;
  w.SetDocument(MakeDocument({Flat()}), QStringLiteral("/x/site.kdt"), false);
  MessageRecorder boxes(QMessageBox::Cancel);
  EXPECT_TRUE(w.QueryClose());
  EXPECT_TRUE(boxes.Texts.isEmpty());
  w.MarkModified();
  EXPECT_FALSE(w.QueryClose());
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_EQ(boxes.Texts[0], QStringLiteral("Save /x/site.kdt before Closing?"));
  boxes.Answer(QMessageBox::No);
  EXPECT_TRUE(w.QueryClose());
  int saves = 0;
  bool saveResult = false;
  w.SetSaveHandler([&](TfrmDoc &) {
    ++saves;
    return saveResult;
  });
  boxes.Answer(QMessageBox::Yes);
  EXPECT_FALSE(w.QueryClose()); // the save failed: stay open
  saveResult = true;
  EXPECT_TRUE(w.QueryClose());
  EXPECT_EQ(saves, 2);
  w.SetCloseSilently(true);
  boxes.Answer(QMessageBox::Cancel);
  EXPECT_TRUE(w.QueryClose());
}

TEST(FaultLocation, ViewCommandAsksForMissingParametersOnce) {
  TfrmDoc w;
  w.SetDocument(MakeDocument({Flat(), Flat()}), {}, false);
  std::vector<int> asked;
  bool answer = false;
  w.SetFaultDialogHook([&](TfrmDoc &doc, int index) {
    asked.push_back(index);
    return answer && doc.ApplyFaultSettings(index);
  });
  QSignalSpy mode(&w, &TfrmDoc::plotModeChanged);
  EXPECT_FALSE(w.ShowFaultLocation()); // cancelled: stays in view 1
  EXPECT_EQ(w.PlotMode(), pmFrequency);
  ASSERT_EQ(mode.count(), 1);
  EXPECT_EQ(mode.at(0).at(0).toInt(), pmFrequency);
  answer = true;
  EXPECT_TRUE(w.ShowFaultLocation());
  EXPECT_EQ(w.PlotMode(), pmDistance);
  EXPECT_EQ(asked, (std::vector<int>{0, 0}));
  EXPECT_EQ(w.Document().Doc.Traces[1].DistAxis.size(), 101U);
  // Computed data present: no question.
  w.SetPlotMode(pmFrequency);
  EXPECT_TRUE(w.ShowFaultLocation());
  EXPECT_EQ(asked.size(), 2U);
}

TEST(FaultLocation, DistanceViewDropsTracesWhoseParametersWereCancelled) {
  TfrmDoc w;
  w.SetDocument(MakeDocument({Flat(), Flat(51), Flat()}), {}, false);
  ASSERT_TRUE(w.ApplyFaultSettings(1));
  w.SetFaultDialogHook([](TfrmDoc &doc, int index) {
    return doc.Document().Doc.Traces[index - 1].NumPoints == 101 && doc.ApplyFaultSettings(index);
  });
  w.SetPlotMode(pmDistance);
  ASSERT_EQ(w.Document().Doc.TraceCount(), 2); // the 51-point trace went
  EXPECT_EQ(w.Document().Doc.Traces[1].NumPoints, 101);
  EXPECT_EQ(w.Graph()->Subsets(), 2);
  EXPECT_EQ(w.ActiveTrace(), 0);
}

TEST(FaultLocation, TransformErrorsAreReported) {
  MessageRecorder boxes;
  TfrmDoc w;
  TTraceData t = Flat(1); // one point: no transform possible
  w.SetDocument(MakeDocument({t}), {}, false);
  EXPECT_FALSE(w.ApplyFaultSettings(1));
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_EQ(boxes.Texts[0], QStringLiteral("Error in Distance To Fault calculation."));
}

// ---- the dialog

std::string WriteCableList(const TempDir &dir, const std::string &text) {
  const std::string path = dir.File("Cables.lst");
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

const char *kCables = "\"LMR-400\"\r\n"
                      "Dielectric Const:  1.2346\r\n"
                      "Loss (dB/m):  0.1000\r\n"
                      "----\r\n"
                      "\"RG-8\"\r\n"
                      "Dielectric Const:  1.5625\r\n"
                      "Loss (dB/m):  0.2000\r\n"
                      "----\r\n";

template <typename T> T *Child(QWidget &w, const char *name) {
  T *c = w.findChild<T *>(QString::fromLatin1(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

// Types into a field the way a user does: focus in, keys, focus out.
void TypeInto(QLineEdit *edit, const QString &text) {
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(edit, &in);
  edit->selectAll();
  QTest::keyClicks(edit, text);
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(edit, &out);
}

TEST(DtfDialog, FieldsFollowTheParameterRules) {
  TempDir dir;
  MessageRecorder boxes;
  // 1 MHz steps: a maximum distance near 100 m at Vp 0.66.
  const auto narrow = MakeTrace(101, 1700, 1800, [](int) { return -20.0; });
  auto doc = MakeDocument({narrow, narrow});
  TdlgDTF dlg(nullptr, QString::fromStdString(WriteCableList(dir, kCables)), true);
  dlg.Initialise();
  EXPECT_TRUE(boxes.Texts.isEmpty());
  int recomputed = -1;
  dlg.Open(doc->Doc.Traces, 0, duMeters, [&](int index) { recomputed = index; });
  EXPECT_TRUE(dlg.windowTitle().startsWith(QLatin1String("Specify Distance Parameters for Trace #")));
  EXPECT_EQ(Child<QLabel>(dlg, "lblLoss")->text(), QStringLiteral("Loss (dB/Meter)"));
  EXPECT_EQ(Child<QLabel>(dlg, "lblDielectric")->text(), QStringLiteral("Velocity of Propogation"));
  auto *cable = Child<QComboBox>(dlg, "cmboCable");
  EXPECT_EQ(cable->count(), 2);

  auto *diel = Child<QLineEdit>(dlg, "editrDielectric");
  TypeInto(diel, QStringLiteral("66"));
  EXPECT_EQ(diel->text(), QStringLiteral("0.660"));
  EXPECT_EQ(cable->currentText(), QStringLiteral("Custom"));
  TypeInto(diel, QStringLiteral("0.1"));
  EXPECT_EQ(diel->text(), QStringLiteral("0.200"));
  TypeInto(diel, QStringLiteral("150"));
  EXPECT_EQ(diel->text(), QStringLiteral("1.000"));
  TypeInto(diel, QStringLiteral("0.66"));
  auto *loss = Child<QLineEdit>(dlg, "editRLoss");
  TypeInto(loss, QStringLiteral("-0.5"));
  EXPECT_EQ(loss->text(), QStringLiteral("0.500"));
  TypeInto(loss, QStringLiteral("25"));
  EXPECT_EQ(loss->text(), QStringLiteral("20.000"));

  auto *start = Child<QLineEdit>(dlg, "editRStartDist");
  auto *stop = Child<QLineEdit>(dlg, "editRStopDist");
  TypeInto(stop, QStringLiteral("10"));
  TypeInto(start, QStringLiteral("40"));
  EXPECT_EQ(start->text(), QStringLiteral("10.000"));
  EXPECT_EQ(stop->text(), QStringLiteral("40.000"));

  // Several traces: Next until the last, where Finish is enabled.
  auto *next = Child<QPushButton>(dlg, "btnNext");
  auto *prev = Child<QPushButton>(dlg, "btnPrev");
  auto *finish = Child<QPushButton>(dlg, "btnFinish");
  EXPECT_TRUE(next->isEnabled());
  EXPECT_FALSE(prev->isEnabled());
  EXPECT_FALSE(finish->isEnabled());
  Child<QCheckBox>(dlg, "chbxApplyToRem")->setChecked(true);
  EXPECT_FALSE(next->isEnabled());
  EXPECT_TRUE(finish->isEnabled());
  Child<QRadioButton>(dlg, "rbWindowHeavy")->click();
  finish->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(recomputed, 0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_FLOAT_EQ(doc->Doc.Traces[i].StartDist, 10.0F);
    EXPECT_FLOAT_EQ(doc->Doc.Traces[i].StopDist, 40.0F);
    EXPECT_FLOAT_EQ(doc->Doc.Traces[i].Loss, 20.0F);
    EXPECT_EQ(doc->Doc.Traces[i].Smoothing, 3);
  }
}

TEST(DtfDialog, PickingACableInFeetShowsItsLossPerFoot) {
  TempDir dir;
  auto doc = MakeDocument({Flat()});
  TdlgDTF dlg(nullptr, QString::fromStdString(WriteCableList(dir, kCables)), false);
  dlg.Initialise();
  dlg.Open(doc->Doc.Traces, 1, duFeet, [](int) {});
  EXPECT_EQ(Child<QLabel>(dlg, "lblStopDist")->text(), QStringLiteral("Stop Distance (Feet)"));
  auto *cable = Child<QComboBox>(dlg, "cmboCable");
  cable->setCurrentIndex(0);
  emit cable->activated(0);
  EXPECT_EQ(Child<QLineEdit>(dlg, "editRLoss")->text(), QStringLiteral("0.030"));
  EXPECT_EQ(Child<QLineEdit>(dlg, "editrDielectric")->text(), QStringLiteral("1.235"));
  EXPECT_NEAR(dlg.Editor().FieldValue(TDtfField::Loss), 0.03048, 1e-9);
  // The maximum distance, double-clicked, becomes the stop distance.
  auto *maxLabel = Child<QLabel>(dlg, "lblMaxDist1");
  QTest::mouseDClick(maxLabel, Qt::LeftButton);
  EXPECT_EQ(Child<QLineEdit>(dlg, "editRStopDist")->text().toDouble(), maxLabel->text().toDouble());
  Child<QPushButton>(dlg, "btnCancel")->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(doc->Doc.Traces[0].CableType, "Custom");
}

TEST(DtfDialog, OpensOnTheTracesOwnCableValues) {
  // Measured on LMR-400 at 0.070 dB/m; the list says 0.1000 for that name.
  TempDir dir;
  TTraceData t = Flat();
  t.CableType = "LMR-400";
  t.Loss = 0.070F;
  t.Dielectric = 1.5F;
  auto doc = MakeDocument({t});
  TdlgDTF dlg(nullptr, QString::fromStdString(WriteCableList(dir, kCables)), true);
  dlg.Initialise();
  dlg.Open(doc->Doc.Traces, 1, duMeters, [](int) {});
  auto *cable = Child<QComboBox>(dlg, "cmboCable");
  EXPECT_EQ(cable->currentText(), QStringLiteral("LMR-400"));
  EXPECT_EQ(Child<QLineEdit>(dlg, "editRLoss")->text(), QStringLiteral("0.070"));
  // Tabbing through the drop-down picks nothing.
  QWidget *combo = cable->lineEdit() != nullptr ? static_cast<QWidget *>(cable->lineEdit()) : cable;
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(combo, &in);
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(combo, &out);
  Child<QPushButton>(dlg, "btnFinish")->click();
  EXPECT_FLOAT_EQ(doc->Doc.Traces[0].Loss, 0.070F);
  EXPECT_FLOAT_EQ(doc->Doc.Traces[0].Dielectric, 1.5F);
  // Choosing the cable in the list takes the list's values.
  dlg.Open(doc->Doc.Traces, 1, duMeters, [](int) {});
  cable->setCurrentIndex(0);
  emit cable->activated(0);
  Child<QPushButton>(dlg, "btnFinish")->click();
  EXPECT_FLOAT_EQ(doc->Doc.Traces[0].Loss, 0.1F);
}

TEST(DtfDialog, MissingCableListAsksAndCanLocateTheFile) {
  TempDir dir;
  const std::string real = WriteCableList(dir, kCables);
  {
    MessageRecorder boxes(QMessageBox::No);
    TdlgDTF dlg(nullptr, QString::fromStdString(dir.File("nowhere.lst")), true);
    dlg.Initialise();
    ASSERT_EQ(boxes.Texts.size(), 1);
    EXPECT_TRUE(boxes.Texts[0].startsWith(QLatin1String("The Cable List file could not be found.")));
    EXPECT_TRUE(dlg.Editor().Cables().empty());
    // Asked once per run for the same path.
    TdlgDTF again(nullptr, QString::fromStdString(dir.File("nowhere.lst")), true);
    again.Initialise();
    EXPECT_EQ(boxes.Texts.size(), 1);
  }
  MessageRecorder boxes(QMessageBox::Yes);
  TdlgDTF dlg(nullptr, QString::fromStdString(dir.File("elsewhere.lst")), true);
  dlg.SetFileChooser([&] { return QString::fromStdString(real); });
  QSignalSpy changed(&dlg, &TdlgDTF::cableListPathChanged);
  dlg.Initialise();
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(dlg.CableListPath(), QString::fromStdString(real));
  EXPECT_EQ(dlg.Editor().Cables().size(), 2U);
}

TEST(DtfDialog, InvalidCableListIsReportedAndForgotten) {
  TempDir dir;
  MessageRecorder boxes;
  const std::string path = WriteCableList(dir, "\"Bad\"\r\nDielectric Const:  1.2\r\nLoss (dB/m):  abc\r\n--\r\n");
  TdlgDTF dlg(nullptr, QString::fromStdString(path), true);
  QSignalSpy changed(&dlg, &TdlgDTF::cableListPathChanged);
  dlg.Initialise();
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_EQ(boxes.Texts[0], QStringLiteral("Invalid Cable List File.\n") + QString::fromStdString(path));
  EXPECT_TRUE(dlg.CableListPath().isEmpty());
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(Child<QComboBox>(dlg, "cmboCable")->count(), 0);
}

} // namespace
} // namespace korv

namespace korv {
namespace {

TEST(DocumentClose, AnMdiSubWindowStaysWhenTheQuestionIsCancelled) {
  QMdiArea area;
  area.resize(900, 700);
  auto *w = new TfrmDoc;
  w->SetDocument(MakeDocument({Flat()}), QStringLiteral("/x/site.kdt"), false);
  QMdiSubWindow *sub = area.addSubWindow(w);
  area.show();
  sub->show();
  w->MarkModified();
  MessageRecorder boxes(QMessageBox::Cancel);
  EXPECT_FALSE(sub->close());
  EXPECT_EQ(area.subWindowList().size(), 1);
  ASSERT_EQ(boxes.Texts.size(), 1);
  boxes.Answer(QMessageBox::No);
  EXPECT_TRUE(sub->close());
}

} // namespace
} // namespace korv
