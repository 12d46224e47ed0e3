#include "ui/main/MultInst.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>
#include <unistd.h>

namespace korv {

namespace {

constexpr QByteArrayView kLongMagic("KORVCMD2");
constexpr qint32 kMaxFrame = 1 << 20;
constexpr int kMaxLongArgs = 4096;

QByteArray Frame(qint32 code, const QByteArray &payload = {}) {
  QByteArray out(8, '\0');
  qToLittleEndian<qint32>(code, out.data());
  qToLittleEndian<qint32>(static_cast<qint32>(payload.size()), out.data() + 4);
  return out + payload;
}

// Takes one complete frame off the front of buffer; false when incomplete
// or malformed (bad is set then).
bool TakeFrame(QByteArray &buffer, qint32 &code, QByteArray &payload, bool &bad) {
  bad = false;
  if (buffer.size() < 8) return false;
  code = qFromLittleEndian<qint32>(buffer.constData());
  const qint32 size = qFromLittleEndian<qint32>(buffer.constData() + 4);
  if (size < 0 || size > kMaxFrame) {
    bad = true;
    return false;
  }
  if (buffer.size() < 8 + size) return false;
  payload = buffer.mid(8, size);
  buffer.remove(0, 8 + size);
  return true;
}

} // namespace

QByteArray EncodeCommandLine(const QStringList &args) {
  bool fits = args.size() < kPacketSlots;
  for (const QString &a : args)
    fits = fits && a.toUtf8().size() < kPacketSlotSize;
  if (fits) {
    QByteArray packet(kPacketSize, '\0');
    qToLittleEndian<qint32>(static_cast<qint32>(args.size()), packet.data());
    for (int k = 0; k < args.size(); ++k) {
      const QByteArray bytes = args.at(k).toUtf8();
      std::copy(bytes.begin(), bytes.end(), packet.begin() + 4 + static_cast<qsizetype>(k) * kPacketSlotSize);
    }
    return packet;
  }
  QByteArray packet(kLongMagic.data(), kLongMagic.size());
  QByteArray number(4, '\0');
  qToLittleEndian<qint32>(static_cast<qint32>(args.size()), number.data());
  packet += number;
  for (const QString &a : args) {
    const QByteArray bytes = a.toUtf8();
    qToLittleEndian<qint32>(static_cast<qint32>(bytes.size()), number.data());
    packet += number;
    packet += bytes;
  }
  return packet;
}

bool DecodeCommandLine(const QByteArray &packet, QStringList &args) {
  args.clear();
  if (packet.startsWith(kLongMagic)) {
    qsizetype pos = kLongMagic.size();
    if (packet.size() < pos + 4) return false;
    const qint32 count = qFromLittleEndian<qint32>(packet.constData() + pos);
    pos += 4;
    if (count < 0 || count > kMaxLongArgs) return false;
    for (qint32 i = 0; i < count; ++i) {
      if (packet.size() < pos + 4) return false;
      const qint32 len = qFromLittleEndian<qint32>(packet.constData() + pos);
      pos += 4;
      if (len < 0 || len > packet.size() - pos) return false;
      args << QString::fromUtf8(packet.constData() + pos, len);
      pos += len;
    }
    return pos == packet.size();
  }
  if (packet.size() != kPacketSize) return false;
  const qint32 count = qFromLittleEndian<qint32>(packet.constData());
  if (count < 0 || count >= kPacketSlots) return false;
  for (qint32 k = 0; k < count; ++k) {
    const char *slot = packet.constData() + 4 + static_cast<qsizetype>(k) * kPacketSlotSize;
    const auto len = static_cast<qsizetype>(qstrnlen(slot, kPacketSlotSize));
    if (len >= kPacketSlotSize) return false; // no terminator in the slot
    args << QString::fromUtf8(slot, len);
  }
  return true;
}

TSingleInstance::TSingleInstance(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {}

TSingleInstance::~TSingleInstance() {
  if (m_server != nullptr) m_server->close();
}

QString TSingleInstance::DefaultName() {
  return InstanceSocketPath(qEnvironmentVariable("XDG_RUNTIME_DIR"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                            qEnvironmentVariable("DISPLAY"), QDir::tempPath(), ::getuid());
}

QString InstanceSocketPath(const QString &runtimeDir, const QString &waylandDisplay, const QString &x11Display,
                           const QString &tempDir, unsigned uid) {
  // One copy per user and graphical session: a copy on another display (or
  // a test run with its own runtime folder) never receives our files.
  QString display = !waylandDisplay.isEmpty() ? waylandDisplay : x11Display;
  QString safe;
  for (const QChar c : display)
    safe += c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') ? c : QLatin1Char('_');
  if (safe.isEmpty()) safe = QStringLiteral("nodisplay");
  const QString name =
      QString::fromLatin1(kInstanceName) + QStringLiteral("-") + QString::number(uid) + QStringLiteral("-") + safe;
  // A socket path must stay short (about 107 bytes); a very long runtime
  // folder falls back to the temporary folder.
  const QString folder =
      !runtimeDir.isEmpty() && QDir(runtimeDir).exists() && QDir(runtimeDir).filePath(name).toLocal8Bit().size() < 100
          ? runtimeDir
          : tempDir;
  return QDir(folder).filePath(name);
}

bool TSingleInstance::HandOver(const QStringList &args, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(m_name);
  if (!socket.waitForConnected(std::min(timeoutMs, 1000))) return false;
  socket.write(Frame(icQuery));
  QByteArray buffer;
  bool done = false;
  bool failed = false;
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  // The event loop keeps running while we wait, so a first copy in this
  // very process (tests) is served too.
  connect(&deadline, &QTimer::timeout, &loop, [&] {
    failed = true;
    loop.quit();
  });
  connect(&socket, &QLocalSocket::disconnected, &loop, [&] {
    if (!done) failed = true;
    loop.quit();
  });
  connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
    buffer += socket.readAll();
    qint32 code = 0;
    QByteArray payload;
    bool bad = false;
    while (TakeFrame(buffer, code, payload, bad)) {
      if (code == icAnswer) {
        // The first copy acknowledges before it opens anything, so the
        // usual deadline holds: nobody waits on its boxes.
        socket.write(Frame(icCommandLine, EncodeCommandLine(args)));
        deadline.start(timeoutMs);
      } else if (code == icDone) {
        done = true;
        loop.quit();
        return;
      }
    }
    if (bad) {
      failed = true;
      loop.quit();
    }
  });
  deadline.start(timeoutMs);
  if (!done && !failed) loop.exec();
  socket.disconnectFromServer();
  return done;
}

bool TSingleInstance::Listen() {
  if (m_server == nullptr) {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
      while (QLocalSocket *s = m_server->nextPendingConnection())
        ServeConnection(s);
    });
  }
  // With access options the server's socket file replaces any old one, so
  // ask first whether a copy answers on the name.
  QLocalSocket probe;
  probe.connectToServer(m_name);
  if (probe.waitForConnected(200)) return false;
  if (m_server->listen(m_name)) return true;
  // Nobody answers: a socket file left by a copy that crashed.
  QLocalServer::removeServer(m_name);
  return m_server->listen(m_name);
}

void TSingleInstance::SetHandler(std::function<void(const QStringList &)> handler) {
  m_handler = std::move(handler);
  if (!m_handler || m_waiting.empty()) return;
  // From the event loop, as a command line that comes later.
  QTimer::singleShot(0, this, [this] {
    std::vector<QStringList> waiting;
    waiting.swap(m_waiting);
    for (const QStringList &args : waiting)
      if (m_handler) m_handler(args);
  });
}

bool TSingleInstance::IsListening() const { return m_server != nullptr && m_server->isListening(); }

void TSingleInstance::ServeConnection(QLocalSocket *socket) {
  connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  auto buffer = std::make_shared<QByteArray>();
  connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
    *buffer += socket->readAll();
    qint32 code = 0;
    QByteArray payload;
    bool bad = false;
    while (TakeFrame(*buffer, code, payload, bad)) {
      if (code == icQuery) {
        emit activationRequested();
        socket->write(Frame(icAnswer));
      } else if (code == icCommandLine) {
        // Acknowledge at once and handle afterwards: opening the files may
        // show a box, and while its loop runs the caller may go away and
        // the socket with it. Nothing touches the socket after that.
        QStringList args;
        const bool ok = DecodeCommandLine(payload, args);
        socket->write(Frame(icDone));
        socket->flush();
        if (ok) {
          QTimer::singleShot(0, this, [this, args] {
            if (m_handler)
              m_handler(args);
            else
              m_waiting.push_back(args);
          });
        }
      }
    }
    if (bad) socket->abort();
  });
}

} // namespace korv
