#include <gtest/gtest.h>

#include <memory>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TraceArrayQueries.h"
#include "core/TraceCapsule.h"

using namespace korv;

namespace {

std::unique_ptr<TmoxDocument> DocWith(int traces, int points) {
  auto doc = std::make_unique<TmoxDocument>(TmoxDocument::EmptyTag{});
  for (int i = 0; i < traces; ++i) {
    TTraceData &t = doc->Doc.Traces[doc->Doc.AddTrace()];
    t.Title = "Trace " + std::to_string(i);
    t.NumPoints = points;
    for (int k = 0; k < points; ++k) {
      t.Freq.push_back(100.0 + k);
      t.Mag.push_back(-10.0 * i - k);
      t.Angle.push_back(k);
      t.DistAxis.push_back(k * 0.5);
      t.DistMag.push_back(-k - 0.25 * i);
    }
    t.FreqMarks[0] = {1, 1, false, 0, 0};
    doc->Doc.MaxPoints = points;
  }
  doc->LoadActiveMarks();
  return doc;
}

TEST(TraceCapsule, CopyCloseThenPasteIsComplete) {
  TTraceCapsule capsule;
  EXPECT_FALSE(capsule.Filled());
  auto source = DocWith(2, 5);
  source->Doc.ScaleUnit = suVSWR;
  // An unsaved marker move lives in ActiveMarks: the copy takes it along.
  source->Doc.Traces[1].ActiveMarks[2] = {1, 4, true, 6, 1};
  ASSERT_TRUE(capsule.CopyFrom(*source, 1));
  ASSERT_TRUE(capsule.CopyFrom(*source, 1)); // twice in a row stays intact
  const TTraceData expected = source->Doc.Traces[1];
  source.reset(); // the source window closes

  auto target = DocWith(1, 3);
  ASSERT_TRUE(capsule.PasteInto(*target));
  ASSERT_TRUE(capsule.PasteInto(*target));
  ASSERT_EQ(target->Doc.TraceCount(), 3);
  EXPECT_EQ(target->Doc.MaxPoints, 5);
  EXPECT_EQ(capsule.ScaleUnit(), suVSWR);
  TTraceData &a = target->Doc.Traces[1];
  TTraceData &b = target->Doc.Traces[2];
  EXPECT_EQ(a.Title, "Trace 1");
  EXPECT_EQ(a.Mag, expected.Mag);
  EXPECT_EQ(a.DistMag, expected.DistMag);
  EXPECT_EQ(a.FreqMarks[2], (TMarkerSlot{1, 4, true, 6, 1}));
  EXPECT_EQ(a.ActiveMarks, a.FreqMarks);
  // The pasted traces and the capsule hold independent arrays.
  a.Mag[0] = 42;
  EXPECT_EQ(b.Mag[0], expected.Mag[0]);
  EXPECT_EQ(capsule.Trace().Mag[0], expected.Mag[0]);
  EXPECT_NE(a.Mag.data(), b.Mag.data());
}

TEST(TraceCapsule, FullDocumentAndDistanceData) {
  TTraceCapsule capsule;
  auto empty = DocWith(1, 2);
  EXPECT_FALSE(capsule.PasteInto(*empty)); // nothing stored: nothing happens
  EXPECT_EQ(empty->Doc.TraceCount(), 1);

  auto source = DocWith(1, 2);
  ASSERT_TRUE(capsule.CopyFrom(*source, 0));
  auto full = DocWith(kMaxTraces, 2);
  try {
    capsule.PasteInto(*full);
    FAIL();
  } catch (const EmoxTooManyTracesError &e) {
    EXPECT_STREQ(e.what(), kMsgTooManyTraces);
  }
  EXPECT_EQ(full->Doc.TraceCount(), kMaxTraces);
  EXPECT_TRUE(capsule.Filled());

  // Distance-only data cannot be pasted: the capsule empties.
  source->Doc.DataKind = 2;
  EXPECT_FALSE(capsule.CopyFrom(*source, 0));
  EXPECT_FALSE(capsule.Filled());
  EXPECT_FALSE(capsule.PasteInto(*empty));
}

TEST(TraceArrayQueries, RangesListingAndRecords) {
  TTraceArray none;
  EXPECT_EQ(MagRange(none).Min, 0.0);
  EXPECT_EQ(MagRange(none).Max, 0.0);

  auto one = DocWith(1, 1);
  one->Doc.Traces[0].Mag[0] = -7.5;
  EXPECT_EQ(MagRange(one->Doc.Traces).Min, -7.5);
  EXPECT_EQ(MagRange(one->Doc.Traces).Max, -7.5);

  auto doc = DocWith(3, 4);
  EXPECT_EQ(MagRange(doc->Doc.Traces).Min, -23.0);
  EXPECT_EQ(MagRange(doc->Doc.Traces).Max, 0.0);
  EXPECT_EQ(FreqRange(doc->Doc.Traces).Min, 100.0);
  EXPECT_EQ(FreqRange(doc->Doc.Traces).Max, 103.0);
  EXPECT_EQ(DistAxisRange(doc->Doc.Traces).Max, 1.5);
  EXPECT_EQ(DistMagRange(doc->Doc.Traces).Min, -3.5);
  // Only NumPoints points count, and a short array is not read past.
  doc->Doc.Traces[2].NumPoints = 1;
  EXPECT_EQ(MagRange(doc->Doc.Traces).Min, -20.0);
  doc->Doc.Traces[1].NumPoints = 100;
  EXPECT_EQ(MagRange(doc->Doc.Traces).Min, -20.0);

  doc->Doc.Traces[1].DateTime = EncodeDateTime({2013, 3, 7, 13, 5, 0});
  EXPECT_EQ(ListingText(doc->Doc.Traces, 1), "3/7/2013 1:05:00 PM,\"Trace 1\"");
  TTraceData copy;
  CopyRecord(doc->Doc.Traces, 1, copy);
  EXPECT_EQ(copy.Title, "Trace 1");
  EXPECT_EQ(Record(doc->Doc.Traces, 2), &doc->Doc.Traces[2]);
  EXPECT_THROW(Record(doc->Doc.Traces, 3), Exception);
}

} // namespace
