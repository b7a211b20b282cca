#pragma once
// A small file system of its own for one test, to fill up: a tmpfs mounted on
// a temporary folder and unmounted afterwards. Mounting needs the right to
// mount (the suite runs as root in its container); without it the test skips.
#include <QString>
#include <QTemporaryDir>

namespace zv::test {

class SmallFileSystem {
public:
    explicit SmallFileSystem(qint64 bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    // Why it could not be mounted.
    const QString& error() const { return error_; }
    QString path() const { return dir_.path(); }
    // Fills the file system with a file of its own until `free` bytes at most are left.
    void fillLeaving(qint64 free);

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString error_;
};

}  // namespace zv::test
