#pragma once
// Rules of the measurement calculator: one reflection figure in, the other
// three out. The tool window binds its four edits to this class.
#include <array>
#include <string>
#include <string_view>

namespace korv {

class TMeasurementCalculator {
public:
  // Field codes, also the "last changed" codes (0 none).
  enum TField : int { cfNone = 0, cfReturnLoss = 1, cfRho = 2, cfVswr = 3, cfPower = 4 };

  // Defaults: used for a text that is not a number, and as limits.
  static constexpr double kDefaultReturnLoss = -80.0;
  static constexpr double kDefaultRho = 0.0;
  static constexpr double kDefaultVswr = 1.0;
  static constexpr double kDefaultPower = 100.0;
  // Edit lengths of the four fields.
  static constexpr int MaxLength(TField f) { return f == cfPower ? 5 : 6; }

  // Starts with the four defaults shown as "%.3f".
  TMeasurementCalculator();

  const std::string &Text(TField field) const;
  // The user's text (editXChange): stored as typed, its code remembered.
  void SetText(TField field, std::string_view text);
  // Opening the window forgets the last changed field.
  void Activate() { m_lastChanged = cfNone; }
  int LastChanged() const { return m_lastChanged; }

  // Fills the other three fields from field `code` (1..4; 0 does nothing) and
  // rewrites all four with "%.3f". Throws EmoxRhoRangeErr "Rho value out of
  // range." for a power below 0; the texts then stay as they were.
  void Calculate(int code);
  // Leaving a field calculates with its code, changed or not; a change of
  // that field is then taken into account (Calculate does not redo it).
  void Leave(TField field);
  // The Calculate button: the focused field's code, else the last changed
  // one; the remembered code is reset to 0 first.
  void CalculateClick(TField focused);

  // The key filter: Backspace, '+', '-', '.' and digits pass.
  static bool AcceptKey(char key);

  // Values of the last successful calculation.
  double ReturnLoss() const { return m_values[0]; }
  double Rho() const { return m_values[1]; }
  double Vswr() const { return m_values[2]; }
  double Power() const { return m_values[3]; }

private:
  // The number a field stands for: the value behind a text this class
  // wrote (the rounded text would move the results), else the typed text.
  double FieldValue(TField field, double def) const;

  std::array<std::string, 4> m_texts;   // by code - 1
  std::array<std::string, 4> m_written; // the texts the last calculation wrote
  std::array<double, 4> m_values{};     // return loss, rho, vswr, power (also by code - 1)
  int m_lastChanged = cfNone;
};

} // namespace korv
