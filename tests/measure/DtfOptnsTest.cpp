#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "core/Excption.h"
#include "core/TestHelpers.h"
#include "core/TextUtil.h"
#include "measure/Convert.h"
#include "measure/DTFOptns.h"

namespace korv {
namespace {

// --- cable list file ---------------------------------------------------------

constexpr const char *kTwoCables = "\"LMR-400\"\r\n"
                                   "Dielectric Const:  1.3841\r\n"
                                   "Loss (dB/m):  0.216\r\n"
                                   "--------\r\n"
                                   "'FSJ4-50B'\r\n"
                                   "Dielectric Const:  1.524157903\r\n"
                                   "Loss (dB/m):  0.18312345678\r\n"
                                   "--------\r\n";

TEST(CableList, ReadsGroupsOfFourLines) {
  const auto cables = ParseCableList(kTwoCables);
  ASSERT_EQ(cables.size(), 2u);
  EXPECT_EQ(cables[0].Name, "LMR-400");
  EXPECT_EQ(cables[0].DielectricText, "1.3841");
  EXPECT_EQ(cables[0].LossText, "0.216");
  EXPECT_DOUBLE_EQ(cables[0].Loss, 0.216);
  EXPECT_EQ(cables[1].Name, "FSJ4-50B");
  EXPECT_EQ(cables[1].DielectricText, "1.52415790"); // cut to 10 characters
  EXPECT_EQ(cables[1].LossText, "0.18312345");
  EXPECT_DOUBLE_EQ(cables[1].Loss, 0.18312345);
  // LF line ends, no last separator, blank lines at the end.
  const auto lf = ParseCableList("\"A\"\nDielectric Const:  2\nLoss (dB/m):  0.5\n\n\n  \n");
  ASSERT_EQ(lf.size(), 1u);
  EXPECT_EQ(lf[0].Name, "A");
  EXPECT_TRUE(ParseCableList("").empty());
  EXPECT_EQ(ParseCableList("\xEF\xBB\xBF\"A\"\nDielectric Const:  2\nLoss (dB/m):  0.5\n")[0].Name, "A");
  EXPECT_EQ(ParseCableList(CableListText(cables)), cables);
}

TEST(CableList, RefusesGroupsWithoutNumbers) {
  EXPECT_THROW(ParseCableList("\"A\"\nDielectric Const:  2\nLoss (dB/m):  lossy\n--\n"), EmoxInvalidFileError);
  EXPECT_THROW(ParseCableList("\"A\"\nDielectric Const:  2\n"), EmoxInvalidFileError); // cut short
  EXPECT_THROW(ParseCableList("\"A\"\nDielectric Const:  0\nLoss (dB/m):  0.1\n--\n"), EmoxInvalidFileError);
  EXPECT_THROW(ParseCableList("\"A\"\nDielectric:2\nLoss (dB/m):  0.1\n--\n"), EmoxInvalidFileError);
}

TEST(CableList, FileErrorsNameTheFile) {
  TempDir dir;
  const std::string bad = dir.File("bad.lst");
  std::ofstream(bad) << "\"A\"\nDielectric Const:  2\nLoss (dB/m):  x\n--\n";
  TCableListLoad r = LoadCableList(bad);
  EXPECT_TRUE(r.Cables.empty());
  EXPECT_EQ(r.Error, "Invalid Cable List File.\r" + bad);
  EXPECT_TRUE(r.ClearPath);

  r = LoadCableList(dir.File("missing.lst"));
  EXPECT_EQ(r.Error, "File not found:\r" + dir.File("missing.lst"));
  EXPECT_FALSE(r.ClearPath);

  r = LoadCableList(dir.Path().string());
  EXPECT_EQ(r.Error, "Access denied:\r" + dir.Path().string());

  const std::string good = dir.File("good.lst");
  std::ofstream(good, std::ios::binary) << kTwoCables;
  r = LoadCableList(good);
  EXPECT_TRUE(r.Error.empty());
  EXPECT_EQ(r.Cables.size(), 2u);
}

TEST(CableList, BundledListIsPlausible) {
  const TCableListLoad r = LoadCableList(std::string(KORV_SOURCE_DIR) + "/resources/Cables.lst");
  ASSERT_TRUE(r.Error.empty()) << r.Error;
  ASSERT_GE(r.Cables.size(), 8u);
  for (const auto &c : r.Cables) {
    double e = 0.0;
    ASSERT_TRUE(ParseDouble(c.DielectricText.str(), e)) << c.Name.str();
    const double vp = 1.0 / std::sqrt(e);
    EXPECT_GT(vp, 0.6) << c.Name.str();
    EXPECT_LT(vp, 0.95) << c.Name.str();
    EXPECT_GT(c.Loss, 0.0) << c.Name.str();
    EXPECT_LT(c.Loss, 2.0) << c.Name.str();
  }
}

// --- the parameter editor ------------------------------------------------------

TCableEntry Cable(const char *name, const char *dielectric, double loss) {
  TCableEntry c;
  c.Name = name;
  c.DielectricText = dielectric;
  c.LossText = Format("%g", loss);
  c.Loss = loss;
  return c;
}

// Steps of 1.5 MHz: 100 m of range on a cable of dielectric constant 1.
TTraceArray Traces(int count, float dielectric = 1.0F, float loss = 0.05F, const char *cable = "") {
  TTraceArray traces;
  for (int i = 0; i < count; ++i) {
    TTraceData &t = traces[traces.Add()];
    t.NumPoints = 238;
    t.FreqStepHz = 1.5e6F;
    t.StartFreqHz = 1.7e9F;
    t.Dielectric = dielectric;
    t.Loss = loss;
    t.CableType = cable;
    t.StartDist = 0.0F;
    t.StopDist = 50.0F;
    t.MaxDist = 100.0F;
    t.Smoothing = 1;
  }
  return traces;
}

void Type(TDtfParameterEditor &ed, TDtfField f, const char *text) {
  ed.EnterField(f);
  ed.SetFieldText(f, text);
  ed.LeaveField();
}

TEST(DtfEditor, VelocityFieldClamps) {
  TDtfParameterEditor ed({}, true);
  const TTraceArray traces = Traces(1);
  ed.Open(traces, 1, duMeters);
  EXPECT_EQ(ed.CableText(), "Custom");
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 1.0, 1e-9);
  EXPECT_EQ(ed.MaxDistText(), "100.000");
  Type(ed, TDtfField::Dielectric, "66");
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 0.66, 1e-12);
  EXPECT_NEAR(ed.Entry(0).Dielectric, 1.0 / (0.66 * 0.66), 1e-5);
  EXPECT_EQ(ed.MaxDistText(), "66.000");
  EXPECT_NEAR(ed.Entry(0).StopDist, 50.0F, 1e-6); // still inside the range
  Type(ed, TDtfField::Dielectric, "0.1");
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 0.2, 1e-12);
  EXPECT_EQ(ed.Entry(0).StopDist, ed.Entry(0).MaxDist); // range shrank to 20 m
  EXPECT_EQ(ed.FieldText(TDtfField::StopDist), "20.000");
  Type(ed, TDtfField::Dielectric, "150");
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 1.0, 1e-12);
  EXPECT_EQ(ed.SelectedCable(), -1);
}

TEST(DtfEditor, DielectricFieldClamps) {
  TDtfParameterEditor ed({}, false);
  const TTraceArray traces = Traces(1, 4.0F);
  ed.Open(traces, 1, duMeters);
  EXPECT_EQ(ed.DielectricLabel(), "Dielectric Constant");
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 4.0, 1e-9);
  Type(ed, TDtfField::Dielectric, "0.5");
  EXPECT_DOUBLE_EQ(ed.FieldValue(TDtfField::Dielectric), 1.0);
  Type(ed, TDtfField::Dielectric, "30");
  EXPECT_DOUBLE_EQ(ed.FieldValue(TDtfField::Dielectric), 25.0);
  EXPECT_FLOAT_EQ(ed.Entry(0).Dielectric, 25.0F);
  EXPECT_EQ(ed.MaxDistText(), "20.000");
}

TEST(DtfEditor, LossAndDistanceClamps) {
  TDtfParameterEditor ed({Cable("LMR-400", "1.3841", 0.216)}, true);
  const TTraceArray traces = Traces(1, 1.0F, 0.05F, "LMR-400");
  ed.Open(traces, 1, duMeters);
  EXPECT_EQ(ed.SelectedCable(), 0);
  Type(ed, TDtfField::Loss, "-0.5");
  EXPECT_DOUBLE_EQ(ed.FieldValue(TDtfField::Loss), 0.5);
  EXPECT_EQ(ed.CableText(), "Custom");
  EXPECT_EQ(ed.Entry(0).CableType, "Custom");
  Type(ed, TDtfField::Loss, "25");
  EXPECT_FLOAT_EQ(ed.Entry(0).Loss, 20.0F);

  // Back to a dielectric constant 1 cable: 100 m of range.
  TDtfParameterEditor plain({}, true);
  plain.Open(Traces(1), 1, duMeters);
  Type(plain, TDtfField::StartDist, "40");
  Type(plain, TDtfField::StopDist, "10");
  EXPECT_FLOAT_EQ(plain.Entry(0).StartDist, 10.0F);
  EXPECT_FLOAT_EQ(plain.Entry(0).StopDist, 40.0F);
  EXPECT_DOUBLE_EQ(plain.FieldValue(TDtfField::StartDist), 10.0);
  Type(plain, TDtfField::StartDist, "99.995");
  EXPECT_FLOAT_EQ(plain.Entry(0).StartDist, 0.0F);
  Type(plain, TDtfField::StopDist, "-3");
  EXPECT_FLOAT_EQ(plain.Entry(0).StopDist, 100.0F);
  Type(plain, TDtfField::StopDist, "130");
  EXPECT_FLOAT_EQ(plain.Entry(0).StopDist, 100.0F);
  Type(plain, TDtfField::StartDist, "-1");
  EXPECT_FLOAT_EQ(plain.Entry(0).StartDist, 0.0F);
  Type(plain, TDtfField::StopDist, "abc"); // not a number: the value stays
  EXPECT_FLOAT_EQ(plain.Entry(0).StopDist, 100.0F);
  plain.SetFieldValue(TDtfField::StopDist, 30.0);
  plain.TakeMaxDistAsStop();
  EXPECT_DOUBLE_EQ(plain.FieldValue(TDtfField::StopDist), 100.0);
}

TEST(DtfEditor, ChecksRunOnlyForChangedText) {
  TDtfParameterEditor ed({}, true);
  ed.Open(Traces(1), 1, duMeters);
  ed.SetFieldValue(TDtfField::Dielectric, 66.0); // set while another field has the focus
  ed.EnterField(TDtfField::Dielectric);
  ed.LeaveField();
  EXPECT_DOUBLE_EQ(ed.FieldValue(TDtfField::Dielectric), 66.0);
  EXPECT_FLOAT_EQ(ed.Entry(0).Dielectric, 1.0F);
  // Moving the focus runs the check of the field left behind.
  ed.EnterField(TDtfField::Loss);
  ed.SetFieldText(TDtfField::Loss, "-2");
  ed.EnterField(TDtfField::StartDist);
  EXPECT_FLOAT_EQ(ed.Entry(0).Loss, 2.0F);
}

TEST(DtfEditor, CablesFromFilesJoinTheListInOrder) {
  const std::vector<TCableEntry> list{Cable("B", "2", 0.1), Cable("D", "2", 0.1)};
  struct Case {
    const char *name;
    int index;
  } cases[] = {{"C", 1}, {"A", 2}, {"E", 2}};
  for (const auto &c : cases) {
    TDtfParameterEditor ed(list, true);
    ed.Open(Traces(1, 1.5625F, 0.03F, c.name), 1, duFeet);
    ASSERT_EQ(ed.Cables().size(), 3u) << c.name;
    EXPECT_EQ(ed.Cables()[static_cast<std::size_t>(c.index)].Name, c.name);
    EXPECT_EQ(ed.SelectedCable(), c.index);
    // The list keeps dB per metre; the field shows dB per foot again.
    EXPECT_NEAR(ed.Cables()[static_cast<std::size_t>(c.index)].Loss, 0.03F * kFeetPerMetre, 1e-6);
    EXPECT_NEAR(ed.FieldValue(TDtfField::Loss), 0.03, 1e-6);
    EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 0.8, 1e-6);
  }
}

TEST(DtfEditor, FeetShowLossPerFoot) {
  TDtfParameterEditor ed({Cable("X", "1.29", 0.1)}, true);
  ed.Open(Traces(1, 1.0F, 0.0F, "X"), 1, duFeet);
  ed.PickCable(0); // the list's loss per metre, shown per foot
  EXPECT_NEAR(ed.FieldValue(TDtfField::Loss), 0.03048, 1e-12);
  EXPECT_EQ(ed.LossLabel(), "Loss (dB/Foot)");
  EXPECT_EQ(ed.StopDistLabel(), "Stop Distance (Feet)");
  EXPECT_EQ(ed.MaxDistLabel(), "Maximum Distance (Feet)");
  EXPECT_EQ(ed.DielectricLabel(), "Velocity of Propogation");
  ed.Open(Traces(1, 1.0F, 0.0F, "X"), 1, duMeters);
  ed.PickCable(0);
  EXPECT_NEAR(ed.FieldValue(TDtfField::Loss), 0.1, 1e-12);
  EXPECT_EQ(ed.StartDistLabel(), "Start Distance (Meters)");
}

TEST(DtfEditor, UnsetEntriesStartFromTheFirstCable) {
  TDtfParameterEditor ed({Cable("First", "1.5625", 0.2), Cable("Second", "2", 0.1)}, true);
  TTraceArray traces = Traces(1, -1.0F, -1.0F);
  traces[0].StartDist = 33.0F;
  ed.Open(traces, 1, duMeters);
  EXPECT_EQ(ed.SelectedCable(), 0);
  EXPECT_EQ(ed.Entry(0).CableType, "First");
  EXPECT_FLOAT_EQ(ed.Entry(0).StartDist, 0.0F);
  EXPECT_FLOAT_EQ(ed.Entry(0).StopDist, 80.0F); // Vp 0.8
  EXPECT_NEAR(ed.FieldValue(TDtfField::Loss), 0.2, 1e-12);

  TDtfParameterEditor empty({}, true);
  empty.Open(traces, 1, duMeters);
  EXPECT_EQ(empty.CableText(), "Custom");
  EXPECT_NEAR(empty.FieldValue(TDtfField::Dielectric), 0.88, 1e-12);
  EXPECT_NEAR(empty.FieldValue(TDtfField::Loss), 0.035, 1e-12);
  EXPECT_NEAR(empty.Entry(0).StopDist, 88.0F, 1e-3);
}

TEST(DtfEditor, CustomTracesKeepTheirOwnCable) {
  TDtfParameterEditor ed({Cable("LMR-400", "1.3841", 0.216)}, true);
  TTraceArray traces = Traces(2, 1.0F / (0.66F * 0.66F), 0.3F, "Custom");
  traces[1].Dielectric = 1.0F / (0.88F * 0.88F);
  traces[1].Loss = 0.07F;
  ed.Open(traces, 0, duMeters);
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 0.66, 1e-6);
  ed.Next();
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 0.88, 1e-6);
  EXPECT_NEAR(ed.FieldValue(TDtfField::Loss), 0.07, 1e-6);
  EXPECT_EQ(ed.Cables().size(), 1u);
  EXPECT_EQ(ed.Finish(traces), 0);
  EXPECT_NEAR(traces[0].Loss, 0.3F, 1e-7);
  EXPECT_NEAR(traces[1].Loss, 0.07F, 1e-7);
}

TEST(DtfEditor, NavigationAndButtons) {
  TDtfParameterEditor ed({}, true);
  TTraceArray traces = Traces(3);
  ed.Open(traces, 0, duMeters);
  EXPECT_EQ(ed.EntryCount(), 3);
  EXPECT_EQ(ed.Caption(), "Specify Distance Parameters for Trace #1");
  EXPECT_FALSE(ed.PrevEnabled());
  EXPECT_TRUE(ed.NextEnabled());
  EXPECT_FALSE(ed.FinishEnabled());
  ed.Next();
  EXPECT_TRUE(ed.PrevEnabled());
  EXPECT_TRUE(ed.NextEnabled());
  ed.Next();
  EXPECT_EQ(ed.Caption(), "Specify Distance Parameters for Trace #3");
  EXPECT_FALSE(ed.NextEnabled());
  EXPECT_TRUE(ed.FinishEnabled());
  ed.Next(); // nothing beyond the last
  EXPECT_EQ(ed.EntryIndex(), 2);
  ed.SetApplyToAll(true);
  EXPECT_FALSE(ed.PrevEnabled());
  EXPECT_FALSE(ed.NextEnabled());
  EXPECT_TRUE(ed.FinishEnabled());
  ed.SetApplyToAll(false);
  ed.Prev();
  EXPECT_EQ(ed.ShownTraceNumber(), 2);
  EXPECT_FALSE(ed.FinishEnabled());

  TDtfParameterEditor one({}, true);
  one.Open(traces, 2, duMeters);
  EXPECT_EQ(one.Caption(), "Specify Distance Parameters for Trace #2");
  EXPECT_FALSE(one.PrevEnabled());
  EXPECT_FALSE(one.NextEnabled());
  EXPECT_TRUE(one.FinishEnabled());
  EXPECT_THROW(one.Open(traces, 4, duMeters), Exception);
}

TEST(DtfEditor, FinishCopiesBackAndCancelDoesNot) {
  TTraceArray traces = Traces(3);
  TDtfParameterEditor ed({}, true);
  ed.Open(traces, 2, duMeters);
  ed.SetWindowType(3);
  ed.EnterField(TDtfField::Loss);
  ed.SetFieldText(TDtfField::Loss, "-0.25"); // still focused when Finish is pressed
  EXPECT_EQ(ed.Finish(traces), 2);
  EXPECT_EQ(ed.TraceIndex(), 0);
  EXPECT_FLOAT_EQ(traces[1].Loss, 0.25F);
  EXPECT_EQ(traces[1].Smoothing, 3);
  EXPECT_EQ(traces[1].CableType, "Custom");
  EXPECT_FLOAT_EQ(traces[0].Loss, 0.05F);
  EXPECT_FLOAT_EQ(traces[2].Loss, 0.05F);

  ed.Open(traces, 1, duMeters);
  Type(ed, TDtfField::Loss, "9");
  ed.Cancel();
  EXPECT_EQ(ed.TraceIndex(), 0);
  EXPECT_FLOAT_EQ(traces[0].Loss, 0.05F);
}

TEST(DtfEditor, ApplyToAllKeepsEachSweep) {
  TTraceArray traces = Traces(3);
  traces[2].FreqStepHz = 3.0e6F; // half the range of the others
  TDtfParameterEditor ed({}, true);
  ed.Open(traces, 0, duMeters);
  Type(ed, TDtfField::Dielectric, "0.8");
  Type(ed, TDtfField::StopDist, "70");
  ed.SetWindowType(2);
  ed.SetApplyToAll(true);
  EXPECT_EQ(ed.Finish(traces), 0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(traces[i].Dielectric, 1.5625F, 1e-5);
    EXPECT_FLOAT_EQ(traces[i].StopDist, 70.0F);
    EXPECT_NEAR(traces[i].MaxDist, 80.0F, 1e-3);
    EXPECT_EQ(traces[i].Smoothing, 2);
  }
  EXPECT_FLOAT_EQ(traces[2].FreqStepHz, 3.0e6F);
  EXPECT_NEAR(traces[2].MaxDist, 40.0F, 1e-3);
  EXPECT_FLOAT_EQ(traces[2].StopDist, traces[2].MaxDist);
  EXPECT_EQ(traces[2].Smoothing, 2);
}

TEST(DtfEditor, DropDownTextIsCheckedOnLeaving) {
  TDtfParameterEditor ed({Cable("LMR-400", "1.3841", 0.216), Cable("LMR-600", "1.3212", 0.144)}, true);
  ed.Open(Traces(1), 1, duMeters);
  ed.PickCable(0);
  EXPECT_EQ(ed.Entry(0).CableType, "LMR-400");
  ed.SetCableText("LMR-600");
  ed.LeaveCable();
  EXPECT_EQ(ed.SelectedCable(), 1);
  EXPECT_NEAR(ed.FieldValue(TDtfField::Loss), 0.144, 1e-12);
  ed.SetCableText("Unknown cable");
  ed.LeaveCable();
  EXPECT_EQ(ed.CableText(), "Custom");
  EXPECT_EQ(ed.SelectedCable(), -1);
  EXPECT_EQ(ed.Entry(0).CableType, "Custom");
  EXPECT_NEAR(ed.Entry(0).Loss, 0.144F, 1e-7); // the fields are taken over as they are
}

TEST(DtfEditor, ListedCableOpensOnTheTracesOwnValues) {
  // A trace measured on LMR-400 at 0.070 dB/m keeps that loss (and its
  // dielectric) when the dialog opens, though the list says 0.216.
  TDtfParameterEditor ed({Cable("LMR-400", "1.3841", 0.216), Cable("LMR-600", "1.3212", 0.144)}, true);
  TTraceArray traces = Traces(1, 1.5F, 0.070F, "LMR-400");
  ed.Open(traces, 1, duMeters);
  EXPECT_EQ(ed.SelectedCable(), 0);
  EXPECT_EQ(ed.CableText(), "LMR-400");
  EXPECT_NEAR(ed.FieldValue(TDtfField::Loss), 0.070, 1e-6);
  EXPECT_NEAR(ed.FieldValue(TDtfField::Dielectric), 1.0 / std::sqrt(1.5), 1e-6);
  // Passing through the drop-down without choosing changes nothing.
  ed.SetCableText("LMR-400");
  ed.LeaveCable();
  ASSERT_EQ(ed.Finish(traces), 1);
  EXPECT_FLOAT_EQ(traces[0].Loss, 0.070F);
  EXPECT_FLOAT_EQ(traces[0].Dielectric, 1.5F);
  // Picking the cable takes the list's values.
  ed.Open(traces, 1, duMeters);
  ed.PickCable(0);
  ed.Finish(traces);
  EXPECT_FLOAT_EQ(traces[0].Loss, 0.216F);
  EXPECT_NEAR(traces[0].Dielectric, 1.3841F, 1e-5);
}

} // namespace
} // namespace korv
