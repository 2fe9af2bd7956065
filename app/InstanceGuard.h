#pragma once
#include <QObject>
#include <QString>

namespace kelmora {

// Keeps a second start of the same executable file from running beside the first.
// It holds an advisory lock (flock) on a file in the user's runtime directory whose
// name is a hash of the executable's canonical path: the kernel grants it to one
// process at a time and drops it when the holder ends, even by a crash, so a
// crashed instance never locks the teacher out and two starts at the same moment
// cannot both pass.
class InstanceLock {
public:
    enum class Result { Acquired, HeldElsewhere, Unavailable };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Unavailable means the lock file could not be made: run unguarded, silently.
    Result acquire(const QString& executablePath);
    void release();
    bool held() const { return fd_ >= 0; }

    // Where the lock for an executable lives.
    static QString lockFilePath(const QString& executablePath);

private:
    int fd_ = -1;
};

// The running instance's door for a file given to a second start of the same
// executable: an object on the desktop's session bus (D-Bus, which the toolkit
// already loads for the desktop), under a name made from the same hash as the
// lock. The second start hands the path over and ends; the first opens it.
// Without a session bus there is no door, and a second start says only that
// Kelmora runs.
class FileDoor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelmora.Kelmora")

public:
    explicit FileDoor(QObject* parent = nullptr) : QObject(parent) {}
    ~FileDoor() override;

    // Opens the door for `executablePath`; false when there is no session bus or
    // the name is taken.
    bool open(const QString& executablePath);
    // From a second start: hands `path` to the instance whose door is open; true
    // when it took the file. Waits at most `timeoutMs`.
    static bool handOver(const QString& executablePath, const QString& path, int timeoutMs = 5000);
    static QString serviceName(const QString& executablePath);

signals:
    void fileHandedOver(const QString& path);

public slots:
    // Called over the bus. Returns at once; the file is opened from the event loop,
    // so a question the opening asks does not keep the second start waiting.
    Q_SCRIPTABLE bool openFile(const QString& path);

private:
    QString service_;
};

} // namespace kelmora
