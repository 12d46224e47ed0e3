#pragma once
// The line every instrument window shows about its link: the port it uses,
// what it is doing there (waiting for the instrument, not responding) and,
// once identified, what answered. A window with no usable port says why.
#include <QLabel>
#include <string>

namespace korv {

struct TAnalyzerTarget;
struct TInstrumentIdentity;

class TInstrumentStatus : public QLabel {
  Q_OBJECT
public:
  explicit TInstrumentStatus(QWidget *parent = nullptr);

  // The port as the settings name it; empty: not known yet.
  void SetPort(const QString &port);
  QString Port() const { return m_port; }
  // Asking the instrument on the port.
  void Waiting();
  // What answered, in words.
  void Identified(const QString &instrument);
  void NotResponding();
  // No port can be used: why (the settings' message).
  void NoDevice(const QString &why);

private:
  void Show(const QString &state);
  QString m_port;
};

// "LX-3400, V2.13, firmware 15Mar03" for an identified analyzer.
QString DescribeAnalyzer(const TAnalyzerTarget &target);
// The same for whatever identification found (analyzer, RT-x00, Site Master).
QString DescribeInstrument(const TInstrumentIdentity &id);

} // namespace korv
