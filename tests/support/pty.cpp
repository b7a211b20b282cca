#include "support/pty.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <algorithm>

namespace zv::test {

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty: " << std::strerror(errno);
        return;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    // Raw from the start, but keep the driver's control characters: a termios
    // made from zeros would disable XON/XOFF, which a real port never does.
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
    // Non-blocking, so a full line never blocks the test; write() waits instead.
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
    closeMaster();
    if (slave_ >= 0)
        ::close(slave_);
}

bool PseudoTerminal::write(const QByteArray& bytes) {
    qsizetype done = 0;
    // The line may stay full for 5 s at a time: a long write that the reader
    // keeps draining never runs out of time.
    QDeadlineTimer stall(5000);
    while (done < bytes.size()) {
        if (master_ < 0)
            return false;
        const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            stall.setRemainingTime(5000);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The line is full until the reader takes bytes: the event loop runs
        // until the line has room again.
        if (stall.hasExpired())
            return false;
        QEventLoop loop;
        QSocketNotifier room(master_, QSocketNotifier::Write);
        QObject::connect(&room, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QTimer::singleShot(std::max<qint64>(1, stall.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool PseudoTerminal::writeInChunks(const QByteArray& bytes, int chunkSize, int pauseMs) {
    for (qsizetype at = 0; at < bytes.size(); at += chunkSize) {
        if (!write(bytes.mid(at, chunkSize)))
            return false;
        runEventLoopFor(pauseMs);
    }
    return true;
}

void PseudoTerminal::closeMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

termios PseudoTerminal::lineSettings() const {
    termios tio{};
    ::tcgetattr(slave_, &tio);
    return tio;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    if (condition())
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
    return condition();
}

void runEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace zv::test
