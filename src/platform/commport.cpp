#include "platform/commport.h"

#include "platform/errors.h"

#include <QMetaObject>
#include <QPointer>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStringList>

#include <termios.h>
#include <unistd.h>
#include <cerrno>

namespace zv {

namespace {

AppError invalidValue() { return AppError(err::InvalidCall, QStringLiteral("Invalid property value")); }

struct LineSettings {
    qint32 rate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

LineSettings parseSettings(const QStringList& fields) {
    if (fields.size() != 4)
        throw invalidValue();
    using F = LineSettingError;
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    const QString rate = fields[0].trimmed();
    const QString parity = fields[1].trimmed().toLower();
    const QString dataBits = fields[2].trimmed();
    const QString stopBits = fields[3].trimmed();

    LineSettings s;
    if (!digits.match(rate).hasMatch())
        throw F(F::Rate);
    s.rate = rate.toInt();
    if (s.rate < 300 || s.rate > 115200)
        throw F(F::Rate);

    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else
        throw F(F::Parity);

    if (dataBits == QLatin1String("7"))
        s.dataBits = QSerialPort::Data7;
    else if (dataBits == QLatin1String("8"))
        s.dataBits = QSerialPort::Data8;
    else
        throw F(F::DataBits);

    if (stopBits == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stopBits == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        throw F(F::StopBits);
    return s;
}

}  // namespace

LineSettingError::LineSettingError(Field field)
    : AppError(err::InvalidCall, QStringLiteral("Invalid property value")), field_(field) {}

QString unmarkLineErrors(const QByteArray& bytes, QByteArray& pending) {
    const QByteArray in = pending + bytes;
    pending.clear();
    QString out;
    out.reserve(in.size());
    const qsizetype n = in.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = in[i];
        if (c != '\xFF') {
            out += QChar(static_cast<unsigned char>(c));
            continue;
        }
        if (i + 1 == n) {
            pending = in.mid(i);
            break;
        }
        if (in[i + 1] == '\xFF') {
            out += QChar(0xFF);
            ++i;
        } else if (in[i + 1] == '\0') {
            if (i + 2 == n) {
                pending = in.mid(i);
                break;
            }
            out += QLatin1Char('?');
            i += 2;
        } else {
            // Not a mark the driver makes; the byte is taken as it came.
            out += QChar(0xFF);
        }
    }
    return out;
}

CommPort::CommPort(QObject* parent) : QObject(parent), port_(std::make_unique<QSerialPort>()) {
    // Flow control is never off; until told otherwise it is XON/XOFF.
    port_->setFlowControl(QSerialPort::SoftwareControl);
    connect(port_.get(), &QSerialPort::readyRead, this, &CommPort::onReadyRead);
    connect(port_.get(), &QSerialPort::errorOccurred, this, &CommPort::onError);
}

CommPort::~CommPort() {
    // The port must not report anything to a half-destroyed owner.
    port_->disconnect(this);
    if (port_->isOpen())
        port_->close();
}

void CommPort::setPort(const QString& port) { portText_ = port; }

QString CommPort::deviceName() const {
    if (portText_.startsWith(QLatin1Char('/')))
        return portText_;
    if (portText_.size() == 1 && portText_[0] >= QLatin1Char('1') && portText_[0] <= QLatin1Char('9'))
        return QStringLiteral("/dev/ttyS%1").arg(portText_[0].unicode() - u'1');
    return {};
}

void CommPort::setSettings(const QString& settings) { setSettings(settings.split(QLatin1Char(','))); }

void CommPort::setSettings(const QStringList& fields) {
    const LineSettings s = parseSettings(fields);
    // Closed, the port only keeps the values and applies them all when it opens.
    const bool applied = port_->setBaudRate(s.rate) && port_->setParity(s.parity) && port_->setDataBits(s.dataBits) &&
                         port_->setStopBits(s.stopBits);
    parity_ = s.parity != QSerialPort::NoParity;
    if (!port_->isOpen())
        return;
    if (!applied)
        throw AppError(err::InvalidCall, QStringLiteral("%1: %2").arg(deviceName(), port_->errorString()));
    applyHandshaking();
    applyParityChecking();
}

void CommPort::setInputBufferSize(int bytes) {
    if (bytes < 0)
        throw invalidValue();
    // Once this much waits unread, the port stops taking bytes from the line and
    // the driver's own flow control holds the sender back.
    port_->setReadBufferSize(bytes);
}

void CommPort::setReceiveThreshold(int characters) {
    if (characters < 0)
        throw invalidValue();
    threshold_ = characters;
}

void CommPort::setInputLength(int characters) {
    if (characters < 0)
        throw invalidValue();
    inputLength_ = characters;
}

void CommPort::setHandshaking(Handshaking h) {
    handshaking_ = h;
    if (port_->isOpen())
        applyHandshaking();
    else
        port_->setFlowControl(h == Handshaking::XonXoff ? QSerialPort::SoftwareControl : QSerialPort::HardwareControl);
}

// Qt knows XON/XOFF or RTS/CTS, never both: the port is set to one by Qt and the
// XON/XOFF input and output bits are added on the descriptor. A driver that drops
// a flag it was given is reported, never ignored. (Pseudo-terminals keep both
// flags, though they act on neither CRTSCTS nor parity and data bits.)
// With IXON the driver consumes XON and XOFF characters, so they never show in
// the received text.
void CommPort::applyHandshaking() {
    const QString device = deviceName();
    const bool hardware = handshaking_ == Handshaking::RtsCtsXonXoff;
    if (!port_->setFlowControl(hardware ? QSerialPort::HardwareControl : QSerialPort::SoftwareControl))
        throw AppError(err::InvalidCall, QStringLiteral("%1: %2").arg(device, port_->errorString()));

    const int fd = port_->handle();
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(device, qt_error_string(errno)));
    if (hardware && (tio.c_iflag & (IXON | IXOFF)) != (IXON | IXOFF)) {
        tio.c_iflag |= IXON | IXOFF;
        if (::tcsetattr(fd, TCSANOW, &tio) != 0)
            throw AppError(err::InvalidCall, QStringLiteral("%1: %2").arg(device, qt_error_string(errno)));
        if (::tcgetattr(fd, &tio) != 0)
            throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(device, qt_error_string(errno)));
    }
    // tcsetattr succeeds when any part of a change took, so read back what holds.
    const bool xonXoff = (tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF);
    const bool rtsCts = (tio.c_cflag & CRTSCTS) != 0;
    if (!xonXoff || rtsCts != hardware)
        throw AppError(err::InvalidCall, QStringLiteral("%1: the port refuses %2 flow control")
                                             .arg(device, hardware ? QStringLiteral("RTS/CTS with XON/XOFF")
                                                                   : QStringLiteral("XON/XOFF")));
}

// Qt sets a parity but leaves the check off (IGNPAR without INPCK), so a
// character garbled on the line would pass as good data and a wrong digit be
// stored as a plausible value. Checked and marked instead, and read as "?".
void CommPort::applyParityChecking() {
    pendingMark_.clear();
    if (!parity_)
        return;
    const QString device = deviceName();
    const int fd = port_->handle();
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(device, qt_error_string(errno)));
    tio.c_iflag |= INPCK | PARMRK;
    tio.c_iflag &= ~tcflag_t(IGNPAR | ISTRIP);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        throw AppError(err::InvalidCall, QStringLiteral("%1: %2").arg(device, qt_error_string(errno)));
    if (::tcgetattr(fd, &tio) != 0)
        throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(device, qt_error_string(errno)));
    if ((tio.c_iflag & (INPCK | PARMRK)) != (INPCK | PARMRK) || (tio.c_iflag & (IGNPAR | ISTRIP)) != 0)
        throw AppError(err::InvalidCall, QStringLiteral("%1: the port refuses parity checking").arg(device));
}

void CommPort::open() {
    if (port_->isOpen())
        throw AppError(err::PathFileAccess, QStringLiteral("Port already open"));
    const QString device = deviceName();
    if (device.isEmpty())
        throw AppError(err::InvalidCall, QStringLiteral("Invalid port number"));

    port_->setPortName(device);
    failing_ = false;
    arrivedMeanwhile_ = false;
    // The receiver only listens.
    if (!port_->open(QIODevice::ReadOnly)) {
        const QSerialPort::SerialPortError error = port_->error();
        const QString message = port_->errorString();
        port_->clearError();
        if (error == QSerialPort::DeviceNotFoundError)
            throw AppError(err::FileNotFound, QStringLiteral("%1: %2").arg(device, message));
        // Qt reports a device held by someone else (busy, or locked by another
        // program) as a permission error too; only a refused access is one.
        if (error == QSerialPort::PermissionError && ::access(device.toLocal8Bit().constData(), R_OK) != 0 &&
            errno == EACCES)
            throw AppError(err::PermissionDenied, QStringLiteral("%1: %2").arg(device, qt_error_string(EACCES)));
        throw AppError(err::PathFileAccess, QStringLiteral("%1: %2").arg(device, message));
    }
    try {
        applyHandshaking();
        applyParityChecking();
    } catch (...) {
        port_->close();
        throw;
    }
}

void CommPort::close() {
    if (port_->isOpen())
        port_->close();
    pendingMark_.clear();
}

bool CommPort::isOpen() const { return port_->isOpen(); }

QString CommPort::readInput() {
    if (!port_->isOpen())
        throw AppError(err::InvalidCall, QStringLiteral("Port not open"));
    const QByteArray bytes = inputLength_ > 0 ? port_->read(inputLength_) : port_->readAll();
    if (inReceived_)
        readInHandler_ += bytes.size();
    return parity_ ? unmarkLineErrors(bytes, pendingMark_) : QString::fromLatin1(bytes);
}

int CommPort::bytesWaiting() const { return port_->isOpen() ? static_cast<int>(port_->bytesAvailable()) : 0; }

void CommPort::onReadyRead() {
    if (failing_ || !port_->isOpen())
        return;
    if (inReceived_) {
        arrivedMeanwhile_ = true;
        return;
    }
    announceIfDue();
}

void CommPort::announceIfDue() {
    if (threshold_ <= 0 || port_->bytesAvailable() < threshold_)
        return;

    const qint64 waitingBefore = port_->bytesAvailable();
    inReceived_ = true;
    arrivedMeanwhile_ = false;
    readInHandler_ = 0;
    QPointer<CommPort> alive(this);
    emit received();
    if (!alive)
        return;  // the handler took the port down with its owner
    inReceived_ = false;

    // QSerialPort does not raise readyRead again while its own readyRead is being
    // handled, so bytes that came during a nested event loop show only in the count.
    const bool arrived =
        arrivedMeanwhile_ || (port_->isOpen() && port_->bytesAvailable() > waitingBefore - readInHandler_);
    // A handler that reads a fixed length leaves the rest waiting, and no new
    // byte may come to announce it: the event is raised again while at least
    // the threshold waits. Only after a handler that read, so one that reads
    // nothing cannot keep the program spinning.
    const bool backlog = readInHandler_ > 0 && port_->isOpen() && port_->bytesAvailable() >= threshold_;
    arrivedMeanwhile_ = false;
    if ((!arrived && !backlog) || announceQueued_)
        return;
    announceQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            announceQueued_ = false;
            if (!failing_ && port_->isOpen() && !inReceived_)
                announceIfDue();
        },
        Qt::QueuedConnection);
}

void CommPort::onError() {
    const QSerialPort::SerialPortError error = port_->error();
    // A hung-up line reads as end of file: Qt raises ReadError on every wake-up
    // (with a stale errno text) until the port is closed, so close it right here.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (failing_ || !port_->isOpen())
        return;
    failing_ = true;
    const QString description = QStringLiteral("%1: %2").arg(
        deviceName(),
        error == QSerialPort::ResourceError ? port_->errorString() : QStringLiteral("Error reading from device"));
    port_->close();
    port_->clearError();
    // Reported from the event loop, not from inside QSerialPort's notifier.
    QMetaObject::invokeMethod(
        this, [this, description] { emit failed(err::PathFileAccess, description); }, Qt::QueuedConnection);
}

}  // namespace zv
