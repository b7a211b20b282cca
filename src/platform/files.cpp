#include "platform/files.h"

#include "platform/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cctype>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace zv::files {

namespace {

// The error's usual text, then, where a system call failed, the call, its
// paths and the system's reason, so the log tells what to mend.
[[noreturn]] void fail(int32_t number, const QString& detail = {}) {
    QString text;
    switch (number) {
    case err::FileNotFound: text = QStringLiteral("File not found"); break;
    case err::PermissionDenied: text = QStringLiteral("Permission denied"); break;
    case err::PathNotFound: text = QStringLiteral("Path not found"); break;
    default: number = err::PathFileAccess; text = QStringLiteral("Path/File access error");
    }
    throw AppError(number, detail.isEmpty() ? text : text + QStringLiteral(": ") + detail);
}

QString callFailed(const char* call, const QString& path, int error) {
    return QStringLiteral("%1(\"%2\"): %3").arg(QLatin1String(call), path, qt_error_string(error));
}

int32_t numberForOpen(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return err::PermissionDenied;
    default: return err::PathFileAccess;
    }
}

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// fsync; folders on file systems that cannot sync them report EINVAL, which is no failure.
bool syncFd(int fd, bool isFolder) {
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        return isFolder && errno == EINVAL;
    }
    return true;
}

void syncFolder(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        fail(numberForOpen(error), callFailed("open", folder, error));
    }
    const bool ok = syncFd(fd, true);
    const int error = errno;
    ::close(fd);
    if (!ok)
        fail(err::PathFileAccess, callFailed("fsync", folder, error));
}

void renameAndSyncFolder(const QString& temp, const QString& target) {
    if (::rename(native(temp).constData(), native(target).constData()) != 0) {
        const int error = errno;
        fail(numberForOpen(error),
             QStringLiteral("rename(\"%1\", \"%2\"): %3").arg(temp, target, qt_error_string(error)));
    }
    syncFolder(QFileInfo(target).absolutePath());
}

}  // namespace

void replaceAtomically(const QString& target, const QByteArray& data) {
    const QString path = resolvedFile(target);
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir())
        fail(err::PathNotFound);

    struct stat existing {};
    const bool exists = ::stat(native(path).constData(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            fail(err::PathFileAccess);
        // A file the user may not write is not replaced behind its back.
        if (::access(native(path).constData(), W_OK) != 0)
            fail(err::PermissionDenied);
    }

    static std::atomic<unsigned> counter{0};
    QString temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = folder + QLatin1Char('/') + QLatin1Char('.') + info.fileName() +
               QStringLiteral(".tmp-%1-%2").arg(::getpid()).arg(counter.fetch_add(1));
        fd = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            fail(numberForOpen(errno));
    }

    bool ok = true;
    if (exists)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, data.constData(), data.size()) && syncFd(fd, false);
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(native(temp).constData());
        fail(err::PathFileAccess);
    }
    try {
        renameAndSyncFolder(temp, path);
    } catch (...) {
        ::unlink(native(temp).constData());
        throw;
    }
}

void renameOverAtomically(const QString& temp, const QString& target) {
    syncPath(temp);
    renameAndSyncFolder(temp, resolvedFile(target));
}

void syncPath(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT && QFileInfo(QFileInfo(path).absolutePath()).isDir())
            fail(err::FileNotFound, callFailed("open", path, error));
        fail(numberForOpen(error), callFailed("open", path, error));
    }
    struct stat st {};
    const bool isFolder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    const bool ok = syncFd(fd, isFolder);
    const int error = errno;
    ::close(fd);
    if (!ok)
        fail(err::PathFileAccess, callFailed("fsync", path, error));
}

namespace {

// Absolute as the kernel resolves it: nothing cleaned, since a ".." after a
// symbolic link leads to the parent of the link's target, not of the text's.
QByteArray absoluteNative(const QString& path) {
    QByteArray p = native(path);
    if (!p.startsWith('/'))
        p = native(QDir::currentPath()) + '/' + p;
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    return p;
}

// The name a chain of final symbolic links ends at, dangling or not.
QByteArray followLinks(QByteArray p) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(p.constData(), buffer, sizeof buffer);
        if (n <= 0)
            return p;
        QByteArray target(buffer, n);
        if (!target.startsWith('/'))
            target.prepend(p.left(p.lastIndexOf('/') + 1));
        p = target;
    }
    return p;
}

bool sameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether `folder`'s file system matches names without regard to letter
// case: an entry of it, asked for in the other case, is the same file.
bool foldsCase(const QByteArray& folder) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return false;
    bool folds = false;
    while (const dirent* entry = ::readdir(dir)) {
        QByteArray name(entry->d_name);
        QByteArray flipped = name;
        for (char& c : flipped)
            c = std::isupper(static_cast<unsigned char>(c)) ? char(std::tolower(static_cast<unsigned char>(c)))
                                                            : char(std::toupper(static_cast<unsigned char>(c)));
        if (flipped == name)
            continue;
        struct stat original {
        }, other{};
        if (::stat((folder + '/' + name).constData(), &original) != 0)
            continue;
        folds = ::stat((folder + '/' + flipped).constData(), &other) == 0 && sameInode(original, other);
        break;
    }
    ::closedir(dir);
    return folds;
}

}  // namespace

bool namesSameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QByteArray pa = followLinks(absoluteNative(a));
    const QByteArray pb = followLinks(absoluteNative(b));
    struct stat sa {
    }, sb{};
    const bool aExists = ::stat(pa.constData(), &sa) == 0;
    const bool bExists = ::stat(pb.constData(), &sb) == 0;
    if (aExists && bExists)
        return sameInode(sa, sb);
    const qsizetype slashA = pa.lastIndexOf('/');
    const qsizetype slashB = pb.lastIndexOf('/');
    const QByteArray nameA = pa.mid(slashA + 1);
    const QByteArray nameB = pb.mid(slashB + 1);
    for (const QByteArray& name : {nameA, nameB})
        if (name.isEmpty() || name == "." || name == "..")
            return false;
    const QByteArray folderA = slashA == 0 ? QByteArray("/") : pa.left(slashA);
    const QByteArray folderB = slashB == 0 ? QByteArray("/") : pb.left(slashB);
    struct stat fa {
    }, fb{};
    if (::stat(folderA.constData(), &fa) != 0 || ::stat(folderB.constData(), &fb) != 0 || !sameInode(fa, fb))
        return false;
    if (nameA == nameB)
        return true;
    return QString::fromLocal8Bit(nameA).compare(QString::fromLocal8Bit(nameB), Qt::CaseInsensitive) == 0 &&
           foldsCase(folderA);
}

QString resolvedFile(const QString& path) { return QFile::decodeName(followLinks(absoluteNative(path))); }

bool isWithinFolder(const QString& path, const QString& folder) {
    const QByteArray p = followLinks(absoluteNative(path));
    const QByteArray parent = p.left(std::max<qsizetype>(1, p.lastIndexOf('/')));
    // The kernel's own name for the parent: a ".." after a link leads to the
    // parent of the link's target, so no ancestor is read off the text.
    char buffer[PATH_MAX];
    if (!::realpath(parent.constData(), buffer))
        return namesSameFile(QFile::decodeName(parent), folder);
    for (QByteArray a(buffer); !a.isEmpty(); a.truncate(a.lastIndexOf('/'))) {
        if (namesSameFile(QFile::decodeName(a), folder))
            return true;
    }
    return false;
}

QStringList removeStaleTemporaries(const QString& folder, const QString& name) {
    static const QRegularExpression replacement(QStringLiteral("^\\.(.+)\\.tmp-[0-9]+-[0-9]+$"));
    static const QRegularExpression copy(QStringLiteral("^(.+)\\.tmp-[0-9]+(-journal)?$"));
    QStringList removed;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        QRegularExpressionMatch match = replacement.match(entry);
        if (!match.hasMatch())
            match = copy.match(entry);
        if (!match.hasMatch() || (!name.isEmpty() && match.captured(1) != name))
            continue;
        if (::unlink(native(dir.filePath(entry)).constData()) == 0)
            removed << entry;
    }
    return removed;
}

void appendBytes(const QString& path, const QByteArray& data) {
    const int fd = ::open(native(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        fail(error == ENOENT || error == ENOTDIR ? err::PathNotFound : err::PathFileAccess);
    }
    bool ok = writeAll(fd, data.constData(), data.size());
    ok = (::close(fd) == 0) && ok;
    if (!ok)
        fail(err::PathFileAccess);
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace zv::files
