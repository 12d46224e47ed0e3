#include <gtest/gtest.h>

#include "core/Excption.h"
#include "measure/Calc.h"

namespace korv {
namespace {

using C = TMeasurementCalculator;

struct Shown {
  std::string rl, rho, vswr, power;
};

Shown From(C::TField field, const char *text) {
  C calc;
  calc.SetText(field, text);
  calc.Leave(field);
  return {calc.Text(C::cfReturnLoss), calc.Text(C::cfRho), calc.Text(C::cfVswr), calc.Text(C::cfPower)};
}

void ExpectShown(const Shown &s, const char *rl, const char *rho, const char *vswr, const char *power) {
  EXPECT_EQ(s.rl, rl);
  EXPECT_EQ(s.rho, rho);
  EXPECT_EQ(s.vswr, vswr);
  EXPECT_EQ(s.power, power);
}

TEST(Calculator, EachFieldFillsTheOthers) {
  ExpectShown(From(C::cfReturnLoss, "-20"), "-20.000", "0.100", "1.222", "99.000");
  ExpectShown(From(C::cfReturnLoss, "5"), "0.000", "1.000", "999.000", "0.000");
  EXPECT_EQ(From(C::cfReturnLoss, "-95").rl, "-80.000");
  ExpectShown(From(C::cfVswr, "1"), "-80.000", "0.000", "1.000", "100.000");
  ExpectShown(From(C::cfVswr, "0.5"), "-80.000", "0.000", "1.000", "100.000");
  ExpectShown(From(C::cfVswr, "2"), "-9.542", "0.333", "2.000", "88.889");
  EXPECT_EQ(From(C::cfRho, "0.000001").rl, "-100.000");
  ExpectShown(From(C::cfRho, "0"), "-80.000", "0.000", "1.000", "100.000");
  ExpectShown(From(C::cfRho, "3"), "0.000", "1.000", "999.000", "0.000");
  ExpectShown(From(C::cfPower, "100"), "-80.000", "0.000", "1.000", "100.000");
  ExpectShown(From(C::cfPower, "120"), "-80.000", "0.000", "1.000", "100.000");
  ExpectShown(From(C::cfPower, "0"), "0.000", "1.000", "999.000", "0.000");
  ExpectShown(From(C::cfPower, "99"), "-20.000", "0.100", "1.222", "99.000");
}

TEST(Calculator, TextsThatAreNoNumbersTakeTheDefault) {
  ExpectShown(From(C::cfReturnLoss, "abc"), "-80.000", "0.000", "1.000", "100.000");
  ExpectShown(From(C::cfRho, ""), "-80.000", "0.000", "1.000", "100.000");
  EXPECT_EQ(From(C::cfVswr, "1.5.2").vswr, "1.000");
  EXPECT_EQ(From(C::cfPower, "-").power, "100.000");
}

TEST(Calculator, NegativePowerRaisesAndKeepsTheTexts) {
  C calc;
  calc.SetText(C::cfReturnLoss, "-10");
  calc.Leave(C::cfReturnLoss);
  const std::string rho = calc.Text(C::cfRho);
  calc.SetText(C::cfPower, "-5");
  try {
    calc.Leave(C::cfPower);
    FAIL();
  } catch (const EmoxRhoRangeErr &e) {
    EXPECT_STREQ(e.what(), "Rho value out of range.");
  }
  EXPECT_EQ(calc.Text(C::cfRho), rho);
  EXPECT_EQ(calc.Text(C::cfPower), "-5"); // the typed text stays for the user to fix
  EXPECT_EQ(calc.Text(C::cfReturnLoss), "-10.000");
}

TEST(Calculator, CalculateButtonUsesFocusThenLastChanged) {
  C calc;
  calc.Activate();
  calc.CalculateClick(C::cfNone); // nothing changed, nothing focused
  EXPECT_EQ(calc.Text(C::cfRho), "0.000");
  calc.SetText(C::cfRho, "0.5");
  EXPECT_EQ(calc.LastChanged(), C::cfRho);
  calc.CalculateClick(C::cfNone);
  EXPECT_EQ(calc.LastChanged(), C::cfNone);
  EXPECT_EQ(calc.Text(C::cfVswr), "3.000");
  calc.SetText(C::cfRho, "0.1");
  calc.SetText(C::cfVswr, "2");
  calc.CalculateClick(C::cfRho); // the focused field wins over the last changed
  EXPECT_EQ(calc.Text(C::cfVswr), "1.222");
  calc.SetText(C::cfPower, "50");
  calc.Activate();
  EXPECT_EQ(calc.LastChanged(), C::cfNone);
}

TEST(Calculator, AShownResultStandsForItsValueNotItsRounding) {
  C calc;
  calc.SetText(C::cfRho, "0.1234");
  calc.Leave(C::cfRho);
  EXPECT_EQ(calc.Text(C::cfReturnLoss), "-18.174");
  EXPECT_EQ(calc.Text(C::cfRho), "0.123");
  // Leaving took the change: the button has nothing more to do, and
  // leaving the field again computes from 0.1234, not from "0.123".
  EXPECT_EQ(calc.LastChanged(), C::cfNone);
  calc.CalculateClick(C::cfNone);
  EXPECT_EQ(calc.Text(C::cfReturnLoss), "-18.174");
  calc.Leave(C::cfRho);
  EXPECT_EQ(calc.Text(C::cfReturnLoss), "-18.174");
  calc.CalculateClick(C::cfRho);
  EXPECT_EQ(calc.Text(C::cfReturnLoss), "-18.174");
  // A typed text counts as typed, even when it reads like the shown one.
  calc.SetText(C::cfRho, "0.12");
  calc.Leave(C::cfRho);
  EXPECT_EQ(calc.Text(C::cfReturnLoss), "-18.416");
}

TEST(Calculator, KeyFilter) {
  for (char c : std::string("0123456789.+-\b"))
    EXPECT_TRUE(C::AcceptKey(c)) << c;
  for (char c : std::string("aZe ,/*\t"))
    EXPECT_FALSE(C::AcceptKey(c)) << c;
  EXPECT_EQ(C::MaxLength(C::cfPower), 5);
  EXPECT_EQ(C::MaxLength(C::cfVswr), 6);
}

} // namespace
} // namespace korv
