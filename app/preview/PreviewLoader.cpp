#include "app/preview/PreviewLoader.h"

#include "app/preview/PreviewPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace kelmora {

QStringList PreviewPluginDirs()
{
    QStringList dirs{QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                     + QStringLiteral(KELMORA_PREVIEW_DIR_FROM_BIN))};
    dirs += QCoreApplication::libraryPaths();
    dirs.removeDuplicates();
    return dirs;
}

PreviewLoad LoadPreviewPlugin(const QStringList& dirs)
{
    const QString name = QStringLiteral(KELMORA_PREVIEW_FILE);
    QStringList failures;
    for (const QString& dir : dirs) {
        const QFileInfo file(QDir(dir), name);
        if (!file.exists())
            continue;
        const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
        QPluginLoader loader(file.absoluteFilePath());
        QObject* root = loader.instance();
        if (!root) {
            failures << QStringLiteral("%1: %2").arg(path, loader.errorString());
        } else if (auto* plugin = qobject_cast<PreviewPlugin*>(root)) {
            return {plugin, {}};
        } else {
            // A plugin of another build: the interface it offers is not this program's.
            loader.unload();
            failures << QStringLiteral("%1: この版の Kelmora のプレビューではありません").arg(path);
        }
    }
    if (failures.isEmpty()) {
        QStringList shown;
        for (const QString& dir : dirs)
            shown << QDir::toNativeSeparators(dir);
        return {nullptr, QStringLiteral("%1 が次のどのフォルダーにもありません:\n%2").arg(name, shown.join('\n'))};
    }
    return {nullptr, failures.join('\n')};
}

} // namespace kelmora
