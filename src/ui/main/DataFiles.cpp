#include "ui/main/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace korv {

namespace {
constexpr const char *kCableListName = "Cables.lst";
constexpr const char *kBundledCableList = ":/data/Cables.lst";
} // namespace

QString FirstExistingFile(const QString &setting, const QStringList &candidates) {
  if (!setting.isEmpty() && QFileInfo(setting).isFile()) return setting;
  for (const QString &c : candidates) {
    if (QFileInfo(c).isFile()) return c;
  }
  return {};
}

QStringList CableListCandidates(const QString &programDir) {
  const QDir dir(programDir);
  QStringList out{dir.filePath(QString::fromLatin1(kCableListName)),
                  QDir::cleanPath(dir.filePath(QStringLiteral("../share/korvmox/")) + QLatin1Char('/') +
                                  QString::fromLatin1(kCableListName))};
#ifdef KORV_DATADIR
  out << QStringLiteral(KORV_DATADIR "/korvmox/") + QString::fromLatin1(kCableListName);
#endif
  return out;
}

QString ResolveCableList(const QString &setting, const QString &programDir, const QString &dataDir) {
  QString found = FirstExistingFile(setting, CableListCandidates(programDir));
  if (!found.isEmpty()) return found;
  // The bundled copy: a real file, since the user may edit it and the
  // fault-location dialog reads a path.
  if (dataDir.isEmpty() || !QDir().mkpath(dataDir)) return {};
  QString target = QDir(dataDir).filePath(QString::fromLatin1(kCableListName));
  if (QFileInfo(target).isFile()) return target;
  QFile bundled(QString::fromLatin1(kBundledCableList));
  if (!bundled.open(QIODevice::ReadOnly)) return {};
  QSaveFile out(target);
  if (!out.open(QIODevice::WriteOnly) || out.write(bundled.readAll()) < 0 || !out.commit()) return {};
  return target;
}

} // namespace korv
