#pragma once
// The serial port as the receiver uses it: it only listens. Bytes are read
// as Latin-1 text, one character per byte.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

#include "platform/errors.h"

class QSerialPort;

namespace zv {

// With parity checked the driver marks what it could not receive whole
// (PARMRK): 0xFF 0x00 X stands for X received with a parity or framing error
// (0xFF 0x00 0x00 for a break), and 0xFF 0xFF for one good 0xFF. Returns the
// bytes as Latin-1 text with "?" in place of each marked character. A mark cut
// by the end of the bytes is kept in `pending` and completed by the next call.
QString unmarkLineErrors(const QByteArray& bytes, QByteArray& pending);

// A line setting the port cannot take, and which of the four it is, so that
// whoever read it can say where it came from.
class LineSettingError : public AppError {
public:
    enum Field { Rate, Parity, DataBits, StopBits };
    explicit LineSettingError(Field field);
    Field field() const { return field_; }

private:
    Field field_;
};

class CommPort : public QObject {
    Q_OBJECT
public:
    enum class Handshaking { XonXoff, RtsCtsXonXoff };

    explicit CommPort(QObject* parent = nullptr);
    ~CommPort() override;

    // 1 to 9 name /dev/ttyS0 to /dev/ttyS8; a text starting with "/" names a
    // device (a USB adapter, a test's pseudo-terminal). Anything else fails
    // with error 5 when the port is opened.
    void setPort(const QString& port);
    QString deviceName() const;
    // "9600,n,8,1": rate, parity (n, e, o), data bits (7, 8), stop bits (1, 2).
    // A text the port cannot take fails with error 5 at once. With parity e or
    // o every received character is checked; one that fails reads as "?".
    // A field the port cannot take fails with LineSettingError.
    void setSettings(const QString& settings);
    // The same four fields, each given alone (a comma in one is no separator).
    void setSettings(const QStringList& fields);
    void setInputBufferSize(int bytes);
    // A receive event is raised when at least this many characters wait; 0
    // raises none. While that many still wait after a handler that read some,
    // the event is raised again (queued), so a short input length never
    // leaves a backlog behind.
    void setReceiveThreshold(int characters);
    // At most this many characters per read; 0 reads everything waiting.
    void setInputLength(int characters);
    void setHandshaking(Handshaking h);

    // Opens the port: a missing device fails with 53-like AppError, one held by
    // another program or refused with AppError 75 and the system's message.
    void open();
    void close();
    bool isOpen() const;

    // Everything waiting (or at most the input length), as text.
    QString readInput();
    int bytesWaiting() const;

signals:
    // Raised when the threshold of characters waits.
    void received();
    // Raised once when the port fails while open (cable pulled, adapter
    // unplugged): the port is already closed when this arrives.
    void failed(int32_t number, const QString& description);

private:
    void onReadyRead();
    void onError();
    void announceIfDue();
    void applyHandshaking();
    void applyParityChecking();

    std::unique_ptr<QSerialPort> port_;
    QString portText_;
    int threshold_ = 1;
    int inputLength_ = 0;
    Handshaking handshaking_ = Handshaking::XonXoff;
    bool failing_ = false;
    bool parity_ = false;  // parity e or o: received characters are checked
    QByteArray pendingMark_;
    // Re-entrancy guard: while a received() handler runs (it may spin a nested
    // event loop), arrivals are only noted and announced once it has returned.
    bool inReceived_ = false;
    bool arrivedMeanwhile_ = false;
    bool announceQueued_ = false;
    int64_t readInHandler_ = 0;
};

}  // namespace zv
