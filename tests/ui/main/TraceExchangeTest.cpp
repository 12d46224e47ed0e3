// Cut, copy, paste and delete of traces between document windows.
#include <QClipboard>
#include <QMimeData>
#include <cmath>

#include "core/Excption.h"
#include "core/TextUtil.h"

#include "core/TraceCapsule.h"
#include "ui/main/MainFixture.h"
#include "ui/main/TraceExchange.h"

using namespace korv;

TEST_F(MainWindowTest, CopyPutsTextAndPicturesOnTheClipboardAndPasteAddsTheTrace) {
  TfrmMain &m = MakeMain();
  TfrmDoc *source = m.OpenDocumentFile(Doc("source.kdt"));
  ASSERT_NE(source, nullptr);
  source->SetPlotMode(pmFrequency);
  source->SetActiveTrace(0);
  m.UpdateMenuItems();
  m.Action("mnuEditCopy")->trigger();
  const QMimeData *mime = QApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  const QString text = mime->text();
  const TTraceData &t = source->Document().Doc.Traces[0];
  EXPECT_TRUE(text.startsWith("Data from " + source->FileName() + " ")) << text.left(200).toStdString();
  const QStringList lines = text.split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), t.NumPoints + 2);
  EXPECT_EQ(lines[1], source->XUnitWord() + "\t" + source->YUnitWord() + "\tDegrees");
  EXPECT_EQ(lines[2], QString::fromStdString(Format("%.3f\t%.5f\t%.3f", t.Freq[0], t.Mag[0], t.Angle[0])));
  EXPECT_TRUE(mime->hasImage());
  EXPECT_TRUE(mime->hasFormat("image/svg+xml"));
  ASSERT_TRUE(m.CapsuleFilled());

  // Paste into a second window; the copy is independent of the source.
  TfrmDoc *target = m.OpenDocumentFile(Doc("target.kdt"));
  ASSERT_NE(target, nullptr);
  const int before = target->Document().Doc.TraceCount();
  m.UpdateMenuItems();
  m.Action("mnuEditPaste")->trigger();
  ASSERT_EQ(target->Document().Doc.TraceCount(), before + 1);
  EXPECT_EQ(target->ActiveTrace(), before);
  EXPECT_TRUE(target->IsModified());
  EXPECT_EQ(target->Document().Doc.Traces[before].Mag, t.Mag);
  m.Action("mnuEditPaste")->trigger();
  EXPECT_EQ(target->Document().Doc.TraceCount(), before + 2);

  // Delete takes the active trace away; the first becomes active.
  target->SetActiveTrace(before + 1);
  m.UpdateMenuItems(false);
  m.Action("mnuEditDelete")->trigger();
  EXPECT_EQ(target->Document().Doc.TraceCount(), before + 1);
  EXPECT_EQ(target->ActiveTrace(), 0);
}

TEST_F(MainWindowTest, PasteConvertsToTheTargetUnitAndRefusesAFullDocument) {
  TfrmMain &m = MakeMain();
  TfrmDoc *source = m.OpenDocumentFile(Doc("source.kdt"));
  ASSERT_NE(source, nullptr);
  source->SetPlotMode(pmFrequency);
  source->SetActiveTrace(0);
  TTraceCapsule capsule;
  ASSERT_TRUE(CopyTrace(*source, capsule, false, ',', 0));
  EXPECT_EQ(capsule.ScaleUnit(), source->Document().Doc.ScaleUnit);
  TfrmDoc *target = m.OpenDocumentFile(Doc("target.kdt"));
  ASSERT_NE(target, nullptr);
  ASSERT_EQ(target->Document().Doc.ScaleUnit, suReturnLoss);
  ASSERT_TRUE(target->SetDisplayUnit(suRho));
  QStringList errors;
  const auto error = [&](const QString &e) { errors << e; };
  ASSERT_TRUE(PasteTrace(*target, capsule, error));
  const TTraceDoc &d = target->Document().Doc;
  const double rl = capsule.Trace().Mag[0];
  EXPECT_NEAR(d.Traces[d.TraceCount() - 1].Mag[0], std::pow(10.0, rl / 20.0), 1e-9);
  while (target->Document().Doc.TraceCount() < kMaxTraces)
    ASSERT_TRUE(PasteTrace(*target, capsule, error));
  EXPECT_TRUE(errors.isEmpty());
  EXPECT_FALSE(PasteTrace(*target, capsule, error));
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0].toStdString(), kMsgTooManyTraces);
  EXPECT_EQ(target->Document().Doc.TraceCount(), kMaxTraces);
}

TEST_F(MainWindowTest, CutMovesTheTraceAndTheSmithChartCopiesOnlyThePicture) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  doc->SetPlotMode(pmFrequency);
  doc->SetActiveTrace(0);
  const int count = doc->Document().Doc.TraceCount();
  m.UpdateMenuItems(false);
  m.Action("tlbtnCut")->trigger();
  EXPECT_EQ(doc->Document().Doc.TraceCount(), count - 1);
  EXPECT_TRUE(m.CapsuleFilled());
  EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasImage()); // cut copies no picture
  // In the Smith chart a copy empties the capsule and puts only the picture there.
  TfrmDoc *other = m.OpenDocumentFile(Doc("b.kdt"));
  ASSERT_NE(other, nullptr);
  other->SetPlotMode(pmSmith);
  other->SetActiveTrace(0);
  m.UpdateMenuItems();
  m.Action("mnuEditCopy")->trigger();
  EXPECT_FALSE(m.CapsuleFilled());
  EXPECT_FALSE(m.CommandEnabled("mnuEditPaste"));
  EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasImage());
  EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasText());
}
