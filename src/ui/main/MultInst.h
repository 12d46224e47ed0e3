#pragma once
// One running copy per user and graphical session: a second start hands its command
// line to the first over a local socket and ends.
//
// Messages are frames of a 32-bit code, a 32-bit size and that many bytes
// (little-endian). Codes: 1 query from the new copy, 2 answer from the
// first ("send the command line"), 3 the command-line packet, 5 "handled:
// quit" from the first.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace korv {

inline constexpr const char *kInstanceName = "__KORV__MOX32_03May2013";
inline constexpr int kPacketSlots = 128;
inline constexpr int kPacketSlotSize = 128;
inline constexpr int kPacketSize = 4 + kPacketSlots * kPacketSlotSize; // 16,388

enum TInstanceCode : qint32 { icQuery = 1, icAnswer = 2, icCommandLine = 3, icDone = 5 };

// The command-line packet: a 32-bit count and 128 slots of 128 bytes, each
// a zero-terminated parameter, the slot after the last one empty. A command
// line that does not fit (a parameter of 128 bytes or more, or more than
// 127 parameters) goes as a length-prefixed list instead, so that long paths
// are never cut.
QByteArray EncodeCommandLine(const QStringList &args);
// False for a malformed packet (nothing is read past its end).
bool DecodeCommandLine(const QByteArray &packet, QStringList &args);

// The socket's path: in the user's runtime folder when there is one (else
// the temporary folder), named after the program, the user and the display.
QString InstanceSocketPath(const QString &runtimeDir, const QString &waylandDisplay, const QString &x11Display,
                           const QString &tempDir, unsigned uid);

class TSingleInstance : public QObject {
  Q_OBJECT
public:
  // name: the socket name; the default names it after the program and user.
  explicit TSingleInstance(QString name = DefaultName(), QObject *parent = nullptr);
  ~TSingleInstance() override;
  static QString DefaultName();

  // Hands args to a running copy and waits (with the event loop running)
  // for its "handled" answer. False when no copy runs or none answered in
  // time; the caller then starts as the first copy.
  bool HandOver(const QStringList &args, int timeoutMs = 5000);
  // Becomes the first copy. A socket left behind by a crashed copy is
  // replaced. False when the name cannot be taken.
  bool Listen();
  bool IsListening() const;

  // The first copy's handler for a handed-over command line. The "handled"
  // answer goes back at once; the handler runs afterwards from the event
  // loop, so a box it shows never holds up the caller. Command lines that
  // came while there was no handler yet (the start is still building its
  // windows) are kept and handed to it in the order they came.
  void SetHandler(std::function<void(const QStringList &)> handler);

signals:
  // A second start asked (code 1): restore and raise the main window.
  void activationRequested();

private:
  void ServeConnection(QLocalSocket *socket);

  QString m_name;
  QLocalServer *m_server = nullptr;
  std::function<void(const QStringList &)> m_handler;
  std::vector<QStringList> m_waiting;
};

} // namespace korv
