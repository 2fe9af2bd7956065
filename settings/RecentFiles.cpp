#include "settings/RecentFiles.h"

#include <QSettings>
#include <QStandardPaths>

namespace kelmora {

namespace {
const QString kKey = QStringLiteral("recentFiles");
}

QStringList RememberRecent(QStringList list, const QString& path)
{
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecentFiles)
        list.removeLast();
    return list;
}

QString RecentFilesStore()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/kelmora/kelmora.conf");
}

QStringList LoadRecentFiles()
{
    const QSettings file(RecentFilesStore(), QSettings::IniFormat);
    QStringList list = file.value(kKey).toStringList();
    list.removeAll(QString());
    while (list.size() > kMaxRecentFiles)
        list.removeLast();
    return list;
}

void SaveRecentFiles(const QStringList& list)
{
    QSettings file(RecentFilesStore(), QSettings::IniFormat);
    file.setValue(kKey, list);
}

} // namespace kelmora
