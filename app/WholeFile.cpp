#include "app/WholeFile.h"

#include "roster/RosterReader.h"

#include <QFileInfo>
#include <QSaveFile>

namespace kelmora {

QString WriteWholeFile(const QString& path, QByteArrayView bytes)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isWritable())
        return QStringLiteral("ファイルが書き込み禁止になっています。");
    QSaveFile file(path);
    if (!QFileInfo(info.absolutePath()).isWritable())
        file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // flush() before commit(): a small file waits in the buffer, and commit()
    // would put it in place even when writing that buffer out fails (a full disk
    // would leave an empty file where the old one was).
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString FileReadReason(const std::error_code& error, std::uintmax_t limit)
{
    if (error == FileReadError::NotRegularFile)
        return QStringLiteral("通常のファイルではありません。");
    if (error == FileReadError::TooLarge)
        return QStringLiteral("ファイルが大きすぎます(%1 MB まで)。").arg(limit / (1024 * 1024));
    return QString::fromLocal8Bit(error.message());
}

} // namespace kelmora
