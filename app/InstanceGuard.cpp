#include "app/InstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kelmora {

InstanceLock::~InstanceLock()
{
    release();
}

QString InstanceLock::lockFilePath(const QString& executablePath)
{
    QFileInfo info(executablePath);
    const QString canonical = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/kelmora-") + QString::fromLatin1(hash) + QStringLiteral(".lock");
}

InstanceLock::Result InstanceLock::acquire(const QString& executablePath)
{
    release();
    const QByteArray path = QFile::encodeName(lockFilePath(executablePath));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::release()
{
    if (fd_ < 0)
        return;
    // The file stays: removing it would let a racing start lock a fresh inode.
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace kelmora
