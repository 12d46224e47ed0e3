#include "measure/Calc.h"

#include <cmath>

#include "core/TextUtil.h"
#include "measure/Convert.h"

namespace korv {

namespace {

double NumberOr(const std::string &text, double def) {
  double v = 0.0;
  return ParseDouble(text, v) ? v : def;
}

double PowerFromReturnLoss(double rl) { return 100.0 - std::pow(10.0, rl * 0.1) * 100.0; }

} // namespace

TMeasurementCalculator::TMeasurementCalculator() {
  m_values = {kDefaultReturnLoss, kDefaultRho, kDefaultVswr, kDefaultPower};
  m_texts[cfReturnLoss - 1] = Format("%.3f", kDefaultReturnLoss);
  m_texts[cfRho - 1] = Format("%.3f", kDefaultRho);
  m_texts[cfVswr - 1] = Format("%.3f", kDefaultVswr);
  m_texts[cfPower - 1] = Format("%.3f", kDefaultPower);
  m_written = m_texts;
}

double TMeasurementCalculator::FieldValue(TField field, double def) const {
  const auto i = static_cast<std::size_t>(field - 1);
  if (m_texts[i] == m_written[i]) return m_values[i];
  return NumberOr(m_texts[i], def);
}

void TMeasurementCalculator::Leave(TField field) {
  if (m_lastChanged == field) m_lastChanged = cfNone;
  Calculate(field);
}

const std::string &TMeasurementCalculator::Text(TField field) const {
  static const std::string kEmpty;
  if (field < cfReturnLoss || field > cfPower) return kEmpty;
  return m_texts[static_cast<std::size_t>(field - 1)];
}

void TMeasurementCalculator::SetText(TField field, std::string_view text) {
  if (field < cfReturnLoss || field > cfPower) return;
  m_texts[static_cast<std::size_t>(field - 1)] = std::string(text);
  m_lastChanged = field;
}

void TMeasurementCalculator::Calculate(int code) {
  double rl = 0.0, rho = 0.0, vswr = 0.0, power = 0.0;
  switch (code) {
  case cfReturnLoss:
    rl = FieldValue(cfReturnLoss, kDefaultReturnLoss);
    if (rl > 0.0) rl = 0.0;
    if (rl < -80.0) rl = -80.0;
    rho = ReturnLossToRho(rl);
    vswr = ReturnLossToVswr(rl);
    power = PowerFromReturnLoss(rl);
    break;
  case cfRho:
    rho = FieldValue(cfRho, kDefaultRho);
    if (rho > 1.0) rho = 1.0;
    if (rho != 0.0) {
      rl = RhoToReturnLoss(rho);
      vswr = ReturnLossToVswr(rl);
      power = PowerFromReturnLoss(rl);
    } else {
      rl = -80.0;
      vswr = 1.0;
      power = 100.0;
    }
    break;
  case cfVswr:
    vswr = FieldValue(cfVswr, kDefaultVswr);
    if (vswr < 1.0) vswr = 1.0;
    if (vswr != 1.0) {
      rl = VswrToReturnLoss(vswr);
      rho = ReturnLossToRho(rl);
      power = PowerFromReturnLoss(rl);
    } else {
      rl = -80.0;
      rho = 0.0;
      power = 100.0;
    }
    break;
  case cfPower:
    power = FieldValue(cfPower, kDefaultPower);
    if (power > 100.0) power = 100.0;
    if (power != 100.0) {
      rl = 10.0 * std::log10((100.0 - power) * 0.01);
      rho = ReturnLossToRho(rl);
      vswr = ReturnLossToVswr(rl); // a power below 0 raises the range error here
    } else {
      rl = -80.0;
      vswr = 1.0;
      rho = 0.0;
    }
    break;
  default: return;
  }
  m_values = {rl, rho, vswr, power};
  m_texts[cfReturnLoss - 1] = Format("%.3f", rl);
  m_texts[cfRho - 1] = Format("%.3f", rho);
  m_texts[cfVswr - 1] = Format("%.3f", vswr);
  m_texts[cfPower - 1] = Format("%.3f", power);
  m_written = m_texts;
}

void TMeasurementCalculator::CalculateClick(TField focused) {
  const int code = focused != cfNone ? focused : m_lastChanged;
  m_lastChanged = cfNone;
  Calculate(code);
}

bool TMeasurementCalculator::AcceptKey(char key) {
  return key == '\b' || key == '+' || key == '-' || key == '.' || (key >= '0' && key <= '9');
}

} // namespace korv
