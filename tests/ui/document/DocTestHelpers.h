#pragma once
// Documents built in memory for the document window tests, and a message
// hook that records boxes and answers them.
#include <QString>
#include <QStringList>
#include <cmath>
#include <memory>
#include <ostream>
#include <vector>

#include "core/MOXDoc.h"
#include "ui/common/DocMessages.h"

namespace korvtest {

// n points from f0 to f1 MHz; Mag from the function (display unit of the
// document), Angle 0; cable parameters for a 0..40 m window.
template <typename MagFn>
korv::TTraceData MakeTrace(int n, double f0, double f1, MagFn mag, std::uint8_t calState = 2) {
  korv::TTraceData t;
  t.NumPoints = n;
  t.CalState = calState;
  t.Label = "Sector A";
  t.Title = "Sector A";
  t.DateTime = 46185.0 + 36846.0 / 86400.0; // 6/12/2026 10:14:06 AM
  for (int j = 0; j < n; ++j) {
    t.Freq.push_back(n > 1 ? f0 + (f1 - f0) * j / (n - 1) : f0);
    t.Mag.push_back(mag(j));
    t.Angle.push_back(0.0);
  }
  t.CableType = "Custom";
  t.Loss = 0.05F;
  t.Dielectric = 1.3841F;
  t.StartDist = 0.0F;
  t.StopDist = 40.0F;
  return t;
}

inline std::unique_ptr<korv::TmoxDocument> MakeDocument(const std::vector<korv::TTraceData> &traces,
                                                        int unit = korv::suReturnLoss) {
  auto doc = std::make_unique<korv::TmoxDocument>(korv::TmoxDocument::EmptyTag{});
  doc->Doc.ScaleUnit = static_cast<std::uint8_t>(unit);
  for (const auto &t : traces) {
    const int i = doc->Doc.AddTrace(t);
    doc->UpdateTraceDerived(doc->Doc.Traces[i]);
    doc->Doc.MaxPoints = std::max(doc->Doc.MaxPoints, t.NumPoints);
  }
  return doc;
}

// Records every box; answers with `answer` (Ok for plain error boxes).
class MessageRecorder {
public:
  explicit MessageRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok) : m_answer(answer) {
    m_old = korv::SetDocMessageHook([this](korv::TMsgKind, const QString &text, QMessageBox::StandardButtons buttons) {
      Texts.append(text);
      return buttons.testFlag(m_answer) ? m_answer : QMessageBox::Ok;
    });
  }
  ~MessageRecorder() { korv::SetDocMessageHook(std::move(m_old)); }
  void Answer(QMessageBox::StandardButton a) { m_answer = a; }
  QStringList Texts;

private:
  QMessageBox::StandardButton m_answer;
  korv::TDocMessageHook m_old;
};

} // namespace korvtest

// Readable QString values in test failure messages.
#ifndef KORV_TEST_QSTRING_PRINTTO
#define KORV_TEST_QSTRING_PRINTTO
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
#endif
