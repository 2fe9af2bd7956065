#include "app/InstanceGuard.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kelmora {

InstanceLock::~InstanceLock()
{
    release();
}

namespace {

// One key an executable file: the hash of its canonical path.
QString executableKey(const QString& executablePath)
{
    QFileInfo info(executablePath);
    const QString canonical = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    return QString::fromLatin1(
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
}

const QString kDoorPath = QStringLiteral("/org/kelmora/Kelmora");
const QString kDoorInterface = QStringLiteral("org.kelmora.Kelmora");

} // namespace

QString InstanceLock::lockFilePath(const QString& executablePath)
{
    const QString hash = executableKey(executablePath);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/kelmora-") + hash + QStringLiteral(".lock");
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

FileDoor::~FileDoor()
{
    if (service_.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kDoorPath);
    bus.unregisterService(service_);
}

// How long a second start waits for a door that is not open yet.
constexpr int kDoorWaitMs = 3000;

QString FileDoor::serviceName(const QString& executablePath)
{
    // A bus name's element may not begin with a digit.
    return QStringLiteral("org.kelmora.Kelmora.h") + executableKey(executablePath);
}

bool FileDoor::open(const QString& executablePath)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString service = serviceName(executablePath);
    if (!bus.registerObject(kDoorPath, this, QDBusConnection::ExportScriptableSlots))
        return false;
    if (!bus.registerService(service)) {
        bus.unregisterObject(kDoorPath);
        return false;
    }
    service_ = service;
    return true;
}

bool FileDoor::handOver(const QString& executablePath, const QString& path, int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName(executablePath), kDoorPath, kDoorInterface,
                                                       QStringLiteral("openFile"));
    call << path;
    // Two files opened together start two processes at once: the first holds the lock
    // but opens its door only after its first frame, so a door not there yet is waited
    // for a moment rather than the file being lost.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return !reply.arguments().isEmpty() && reply.arguments().constFirst().toBool();
        if (reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
            || clock.elapsed() >= kDoorWaitMs)
            return false;
        QThread::msleep(100);
    }
}

bool FileDoor::openFile(const QString& path)
{
    QMetaObject::invokeMethod(
        this, [this, path] { emit fileHandedOver(path); }, Qt::QueuedConnection);
    return true;
}

} // namespace kelmora
