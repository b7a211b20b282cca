#pragma once
// A pseudo-terminal pair standing in for a serial cable: the test writes to
// the master as the analyser would, the code under test opens the slave.
#include <QByteArray>
#include <QString>

#include <termios.h>

#include <functional>

namespace zv::test {

class PseudoTerminal {
public:
    // Opens the pair raw (8-bit clean, no echo, no CR/LF translation) with the
    // usual control characters (XON ^Q, XOFF ^S). Fails the test when it cannot.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The device to open, e.g. /dev/pts/5. The helper keeps a slave descriptor
    // of its own, so the device stays usable after the code under test closes it.
    QString slavePath() const { return slavePath_; }

    // Writes every byte to the master, letting the event loop run while the
    // line is full. False when the master is closed or the line stays full.
    bool write(const QByteArray& bytes);
    // Writes chunk after chunk, running the event loop for pauseMs between them.
    bool writeInChunks(const QByteArray& bytes, int chunkSize, int pauseMs = 20);

    // The cable is pulled: the slave side hangs up.
    void closeMaster();

    // The line settings as the driver holds them now (shared by every opener).
    termios lineSettings() const;

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

// Runs the event loop until condition() holds or timeoutMs have passed; returns
// the condition's last value.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the event loop for ms milliseconds (to see that nothing more happens).
void runEventLoopFor(int ms);

}  // namespace zv::test
