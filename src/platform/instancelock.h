#pragma once
#include <QString>

namespace zv {

// Held for as long as the program runs: an advisory lock on a file in the
// program folder. The system drops it when the process ends, even after a
// crash, so a stale lock never keeps the program from starting.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result { Acquired, HeldElsewhere, Unavailable };
    // HeldElsewhere when another process (or another lock object) holds it;
    // Unavailable when the lock file can be neither made nor opened (a
    // read-only folder without one). A lock file this user may not write (left
    // by a start under another user) is locked all the same: the lock needs
    // only an open file, not a writable one.
    Result acquire(const QString& folder);
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace zv
