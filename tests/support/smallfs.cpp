#include "support/smallfs.h"

#include <QByteArray>
#include <QFile>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <cerrno>
#include <cstring>

namespace zv::test {

SmallFileSystem::SmallFileSystem(qint64 bytes) {
    const QByteArray where = QFile::encodeName(dir_.path());
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    if (::mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0)
        mounted_ = true;
    else
        error_ =
            QStringLiteral("cannot mount a tmpfs on %1: %2").arg(dir_.path(), QString::fromUtf8(std::strerror(errno)));
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_)
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

void SmallFileSystem::fillLeaving(qint64 free) {
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(dir_.path()).constData(), &fs) != 0)
        return;
    const qint64 available = qint64(fs.f_bavail) * qint64(fs.f_frsize);
    if (available <= free)
        return;
    QFile filler(dir_.path() + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    filler.write(QByteArray(available - free, 'f'));
}

}  // namespace zv::test
