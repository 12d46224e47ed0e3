#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string_view>
#include <vector>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"

using namespace korv;

namespace {
double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return EncodeDateTime({y, mo, d, h, mi, s}); }
} // namespace

TEST(SiteLabel, BuildsSectorAndAntennaText) {
  TTraceData t;
  t.SiteNumber = 12;
  t.Sector = 2;
  t.AntennaKind = 1;
  t.AntennaNumber = 3;
  ApplySiteLabel(t);
  EXPECT_EQ(t.Label.str(), "Site 12, Sector Beta, Antenna Tx3");
  t.Label = "North";
  ApplySiteLabel(t);
  EXPECT_EQ(t.Label.str(), "Site 12, Sector Beta, Antenna Tx3, North");
  t.AntennaKind = 0;
  t.Sector = 9;
  t.Label = "";
  ApplySiteLabel(t);
  EXPECT_EQ(t.Label.str(), "Site 12, Sector None, Antenna 3");
  // The result is cut to the field's 50 characters.
  t.Label = std::string(50, 'x');
  ApplySiteLabel(t);
  EXPECT_EQ(t.Label.size(), 50U);
}

TEST(DateText, TwelveHourClock) {
  EXPECT_EQ(DateText(At(2003, 1, 5, 0, 7)), "05-Jan-2003 12:07a");
  EXPECT_EQ(DateText(At(2003, 1, 5, 12, 30)), "05-Jan-2003 12:30p");
  EXPECT_EQ(DateText(At(2003, 1, 5, 13, 30)), "05-Jan-2003 01:30p");
}

TEST(Months, NamesAndNumbers) {
  EXPECT_EQ(MonthNameToNumber("jan"), 1);
  EXPECT_EQ(MonthNameToNumber("DeC"), 12);
  try {
    MonthNameToNumber("Foo");
    FAIL();
  } catch (const Exception &e) {
    EXPECT_STREQ(e.what(), "Invalid month name: Foo");
  }
  EXPECT_EQ(MonthNumberToName(5), "May");
  EXPECT_THROW(MonthNumberToName(13), Exception);
  EXPECT_THROW(MonthNumberToName(0), Exception);
}

TEST(InstrumentDate, BothForms) {
  EXPECT_DOUBLE_EQ(InstrumentDateToTime("05-Jan-2003 13:45"), At(2003, 1, 5, 13, 45));
  EXPECT_DOUBLE_EQ(InstrumentDateToTime("05Jan2003 13:45"), At(2003, 1, 5, 13, 45));
  EXPECT_DOUBLE_EQ(InstrumentDateToTime("17-Mar-0099 08:00"), At(1999, 3, 17, 8, 0));
  EXPECT_THROW(InstrumentDateToTime("05-Xyz-2003 13:45"), Exception);
}

TEST(PackedTime, RoundTripsBeyondSigned32Bit) {
  for (int year : {1984, 2003, 2024, 2099, 2150}) {
    const double t = At(year, 11, 28, 23, 59);
    const std::string text = EncodePackedTime(t);
    const unsigned long long p = PackTime(t);
    EXPECT_EQ(text, std::to_string(2ULL * p)) << year;
    EXPECT_DOUBLE_EQ(DecodePackedTime(text), t) << year;
  }
  EXPECT_GT(2ULL * PackTime(At(1984, 1, 1)), 2147483647ULL);
}

TEST(ClampedVSWR, Limits) {
  EXPECT_EQ(ClampedVSWR(1.0), 999);
  EXPECT_DOUBLE_EQ(ClampedVSWR(0.0), 1.00002);
  EXPECT_NEAR(ClampedVSWR(0.5), 3.0, 1e-12);
  EXPECT_EQ(ClampedVSWR(2.0), 999); // negative result
}

TEST(DateTimeText, WritesAndReadsEveryAcceptedForm) {
  const double t = At(2003, 1, 5, 13, 7, 9);
  EXPECT_EQ(DateTimeToText(t), "1/5/2003 1:07:09 PM");
  EXPECT_EQ(DateTimeToText(At(2003, 1, 5)), "1/5/2003");
  EXPECT_DOUBLE_EQ(*TextToDateTime("1/5/2003 1:07:09 PM"), t);
  EXPECT_DOUBLE_EQ(*TextToDateTime("1/5/2003 13:07:09"), t);
  EXPECT_DOUBLE_EQ(*TextToDateTime("1/5/2003 13:07"), At(2003, 1, 5, 13, 7));
  EXPECT_DOUBLE_EQ(*TextToDateTime("1/5/2003 12:00:00 AM"), At(2003, 1, 5));
  EXPECT_DOUBLE_EQ(*TextToDateTime("1/5/2003"), At(2003, 1, 5));
  EXPECT_FALSE(TextToDateTime("2/30/2003"));
  EXPECT_FALSE(TextToDateTime("1/5/2003 13:07 PM"));
  EXPECT_FALSE(TextToDateTime("garbage"));
  EXPECT_DOUBLE_EQ(*TextToDateTime("12/30/1899"), 0.0);
  // Before the epoch the time of day still counts forward.
  EXPECT_DOUBLE_EQ(*TextToDateTime("12/29/1899 6:00:00 AM"), -1.25);
  EXPECT_EQ(DateTimeToText(-1.25), "12/29/1899 6:00:00 AM");
}

TEST(Tokenizer, StringNumberReaders) {
  std::string s = "0.-125,3";
  EXPECT_DOUBLE_EQ(TakeInstrumentNumber(s), -0.125);
  EXPECT_EQ(s, ",3");
  EXPECT_DOUBLE_EQ(TakeInstrumentNumber(s), 3.0);
  EXPECT_THROW(TakeInstrumentNumber(s), EmoxFileError);

  std::string t = "abc 12.5 x -3";
  EXPECT_DOUBLE_EQ(TakeNumber(t), 12.5);
  EXPECT_DOUBLE_EQ(TakeNumber(t), -3.0);
  try {
    TakeNumber(t);
    FAIL();
  } catch (const EmoxEndOfString &e) {
    EXPECT_STREQ(e.what(), "End of String.");
  }
  std::string bad = "1.2.3";
  EXPECT_THROW(TakeNumber(bad), EmoxFileError);
}

TEST(Tokenizer, TextFileReaders) {
  const std::string text = "x \"hello world\" 42 -7.25\r\n\"open";
  TTextFile f(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
  EXPECT_EQ(f.ReadQuotedText(), "hello world");
  EXPECT_EQ(f.ReadInteger(), 42);
  EXPECT_DOUBLE_EQ(f.ReadNumber(), -7.25);
  EXPECT_THROW(f.ReadQuotedText(), EmoxFileError); // no closing quote
  TTextFile g(reinterpret_cast<const std::uint8_t *>(" \r\n"), 3);
  EXPECT_THROW(g.ReadInteger(), EmoxFileError);
}

// The point-line scanner: every number as std::from_chars reads it (to the
// bit, before the 40-bit rounding), the run rules of TakeNumber, and lines
// ended by CR, LF or both.
TEST(Tokenizer, PointLineScannerReadsAsFromChars) {
  auto scan = [](const std::string &text) {
    std::string_view line(text);
    std::vector<double> out;
    double v = 0;
    while (ScanNumber(line, v))
      out.push_back(v);
    return out;
  };
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    const int digits = 1 + static_cast<int>(rng() % 18);
    std::string text = rng() % 2 ? "-" : "";
    const int point = static_cast<int>(rng() % (digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point && d > 0) text += '.';
      text += static_cast<char>('0' + rng() % 10);
    }
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    const auto got = scan("  " + text + " ");
    ASSERT_EQ(got.size(), 1U) << text;
    EXPECT_EQ(got[0], RoundToReal48(expected)) << text;
  }
  EXPECT_EQ(scan("-20.12345 -123.456"), (std::vector<double>{RoundToReal48(-20.12345), RoundToReal48(-123.456)}));
  EXPECT_TRUE(std::signbit(scan("-0.00000")[0]));
  EXPECT_EQ(scan("5. .5"), (std::vector<double>{5.0, 0.5}));
  for (const char *bad : {"1.2.3", "-", ".", "--5", "5-", "1-2"})
    EXPECT_THROW(scan(bad), EmoxFileError) << bad;

  const std::string text = "1 2\n3 4\r5 6\r\n\n7 8";
  TTextFile f(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
  std::vector<std::string> lines;
  std::string_view line;
  while (f.ReadLineView(line))
    lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"1 2", "3 4", "5 6", "", "7 8"}));
}

TEST(Real48, KeepsFortyBits) {
  EXPECT_EQ(RoundToReal48(0.0), 0.0);
  EXPECT_EQ(RoundToReal48(1.5), 1.5);
  const double third = 1.0 / 3.0;
  const double r = RoundToReal48(third);
  EXPECT_NE(r, third);
  EXPECT_NEAR(r, third, std::ldexp(1.0, -41));
  EXPECT_EQ(RoundToReal48(-r), -r);
  EXPECT_EQ(RoundToReal48(1e-60), 0.0);
}

TEST(WideText, HexAndUtf8) {
  EXPECT_EQ(WideToHex(u""), "");
  EXPECT_EQ(WideToHex(u"\u00e9"), "00E9");
  EXPECT_EQ(WideToHex(u"AB"), "00410042");
  EXPECT_EQ(HexToWide("00410042"), u"AB");
  EXPECT_EQ(HexToWide("0041004"), u"A"); // a short trailing group is ignored
  EXPECT_EQ(Utf8ToUtf16("caf\xC3\xA9"), u"caf\u00e9");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_THROW(Utf8ToUtf16("\xC3"), EmoxCvrtError);
  EXPECT_THROW(Utf8ToUtf16("\xC0\x80"), EmoxCvrtError); // overlong
  EXPECT_EQ(Utf8ToUtf16("a\xC3(\xE9", true), u"a\uFFFD(\uFFFD");
  EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC\xC3\xA9\xE4\xB8\xAD"), "\x80\xE9?");
  EXPECT_EQ(DisplayText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(DisplayText("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(DisplayText("\x80"), "\xE2\x82\xAC");
}
