#pragma once
// The receiver: a window that is loaded but never shown while acquisition is
// on. It owns the serial port, frames what arrives, decodes and stores each
// complete record and reports through the notifier.
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "core/notifier.h"
#include "link/decoder.h"
#include "link/framer.h"
#include "model/instrument.h"
#include "platform/commport.h"
#include "platform/forms.h"

namespace zv {

// port.ini [section] porta as the receiver opens it: a device path whole
// (/dev/serial/by-id/ names run far past 14 characters), a port number as
// the first 14 characters of its text.
QString configuredPort(const QString& section);

class ComCD : public Form, private FramerSink {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"ComCD"};

    ComCD();
    ~ComCD() override;
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // The framing state: finestringa, val_finestringa, lendati, lengraf,
    // stato and the five block strings.
    Framer framer;
    // Data-logger mode on or off (Framer::setDataLogger).
    void setDataLogger(bool on) { framer.setDataLogger(on); }

    // Empties the block strings and hides the progress bar.
    void svuota();
    // Appends the five block strings of a record to the day's block logs.
    void rxlogfile(const BlockStrings& blocks);

    // Results stored since the receiver was loaded.
    int64_t storedCount() const { return counter_; }
    // The port failed while open and closed itself; nothing more is received.
    bool lineLost() const { return lineLost_; }

    CommPort* MSComm1 = nullptr;

private:
    void MSComm1_OnComm();
    void portFailed(int32_t number, const QString& description);
    void failurePath(int32_t number, const QString& description);
    void showRxError(ReceiveFailure failure);
    void openPortLog();
    void configurePort();
    CalibrationFactors factorsFor(const QString& speciesKey);
    void store(const BlockStrings& record, ResultRecord decoded);

    // FramerSink
    void showSegment(int index) override;
    void hideSegments() override;
    void recordCompleted(const BlockStrings& asFiled) override;
    void dataLengthWrong() override;
    void histogramLengthWrong() override;
    void bufferOverflow() override;
    void registra(const BlockStrings& record) override;

    bool portLog_ = false;
    QFile portLogFile_;
    int16_t blockLog_ = 0;
    QString modelText_;
    std::optional<InstrumentModel> model_;
    QChar factorMark_;
    std::array<QString, kFactorCount> humanFactors_;
    int64_t counter_ = 0;
    bool lineLost_ = false;
};

}  // namespace zv
