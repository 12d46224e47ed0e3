#include "ui/instrument/InstrumentStatus.h"

#include "core/Excption.h"
#include "instrument/DownLoad.h"
#include "instrument/UpLoad.h"

namespace korv {

TInstrumentStatus::TInstrumentStatus(QWidget *parent) : QLabel(parent) {
  setObjectName(QStringLiteral("lblInstrument"));
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  Show(QString());
}

void TInstrumentStatus::SetPort(const QString &port) {
  m_port = port;
  Show(QString());
}

void TInstrumentStatus::Show(const QString &state) {
  const QString port = m_port.isEmpty() ? tr("Port: chosen in Options > General") : tr("Port: %1").arg(m_port);
  setText(state.isEmpty() ? port : port + QStringLiteral(" \u2014 ") + state);
}

void TInstrumentStatus::Waiting() { Show(tr("waiting for the instrument\u2026")); }

void TInstrumentStatus::Identified(const QString &instrument) { Show(instrument); }

void TInstrumentStatus::NotResponding() { Show(tr("not responding")); }

void TInstrumentStatus::NoDevice(const QString &why) {
  m_port.clear();
  QString text = why;
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  setText(tr("Port: none \u2014 %1").arg(text));
}

QString DescribeAnalyzer(const TAnalyzerTarget &target) {
  QString text = QString::fromStdString(target.Model);
  if (!target.Version.empty()) text += QStringLiteral(", ") + QString::fromStdString(target.Version);
  return text +
         QObject::tr(", firmware %1, no serial number reported").arg(QString::fromStdString(target.FirmwareText));
}

QString DescribeInstrument(const TInstrumentIdentity &id) {
  switch (id.Kind) {
  case ikSiteMaster:
    return QObject::tr("Site Master %1, no serial number reported").arg(QString::fromStdString(id.ModelLine));
  case ikRtTester: return QObject::tr("%1, no serial number reported").arg(QString::fromStdString(id.ModelLine));
  default: break;
  }
  try {
    return DescribeAnalyzer(TargetFromModelLine(id.ModelLine));
  } catch (const Exception &) {
    // A model line without the firmware field: what it says, and the date read.
    return QObject::tr("%1, firmware %2, no serial number reported")
        .arg(QString::fromStdString(id.ModelLine), QString::fromStdString(id.FirmwareText));
  }
}

} // namespace korv
