#pragma once
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

} // namespace kelmora
