#include "link/comcd.h"

#include <QDateTime>

#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "link/histogram.h"
#include "model/resultstore.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace zv {

namespace {

const QString kWindow = ComCD::kName;

QString ini(const QString& file, const QString& section, const QString& key, int size) {
    return leggiini(section, key, file, size);
}

}  // namespace

QString configuredPort(const QString& section) {
    const QString portIni = file::portIni;
    const QString porta = ini(portIni, section, QStringLiteral("porta"), 15);
    return porta.startsWith(QLatin1Char('/')) ? ini(portIni, section, QStringLiteral("porta"), 4096) : porta;
}

ComCD::ComCD() : Form(kWindow) {
    setWindowTitle(QStringLiteral("Input"));
    MSComm1 = new CommPort(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    connect(MSComm1, &CommPort::received, this, [this] { guard([this] { MSComm1_OnComm(); }); });
    connect(MSComm1, &CommPort::failed, this,
            [this](int32_t number, const QString& description) { guard([&] { portFailed(number, description); }); });
}

ComCD::~ComCD() = default;

void ComCD::Form_Load() {
    // Every step runs under one handler: a bad setting leaves the receiver
    // loaded with "Rx Error!" and a line in the error log, never a crash.
    try {
        (void)Session::get();  // a receiver runs inside a session
        portLog_ = leggiiniBool(QStringLiteral("log"), QStringLiteral("rxport"), file::generalIni, 8);
        emit notifier().linkState(true);
        emit notifier().receiveStatus(ReceiverActivity::Idle);
        counter_ = 0;
        framer.stato = true;
        modelText_ = ini(file::portIni, QStringLiteral("general"), QStringLiteral("instrument"), 15);
        factorMark_ = configuredDecimalMark();
        for (int i = 0; i < kFactorCount; ++i)
            humanFactors_[i] = ini(file::generalIni, QStringLiteral("cal"), calibrationKeys()[i], 8);
        // baso, rdw and pdw are checked at once; the other ten with every record.
        for (int i : {5, 9, 12})
            (void)leggiiniDouble(QStringLiteral("cal"), calibrationKeys()[i], file::generalIni, 8, factorMark_);
        if (portLog_)
            openPortLog();
        svuota();

        model_ = instrumentFromText(modelText_);
        if (!model_)
            throw AppError(
                err::InvalidCall,
                QStringLiteral("Unknown analyser model \"%1\" in port.ini [general] instrument").arg(modelText_));
        framer.val_finestringa = int16_t(blockCount(*model_));
        const QString suffix = lengthKeySuffix(*model_);
        const QString portIni = file::portIni;
        const QString stringhe = QStringLiteral("stringhe");
        const double data = leggiiniDouble(stringhe, QStringLiteral("data") + suffix, portIni, 15, QLatin1Char('.'));
        const int16_t scarto = leggiiniInt16(stringhe, QStringLiteral("scarto") + suffix, portIni, 15);
        const double graph = leggiiniDouble(stringhe, QStringLiteral("graph") + suffix, portIni, 15, QLatin1Char('.'));
        framer.lendati = toInt16(data - scarto);
        framer.lengraf = toInt16(graph - scarto);
        blockLog_ = leggiiniInt16(QStringLiteral("log"), QStringLiteral("rxlog"), file::generalIni, 5);
        configurePort();
    } catch (...) {
        const CaughtError e = describeCurrentException();
        showRxError(ReceiveFailure::Line);
        logerrore(e.number, e.description, kWindow);
    }
}

void ComCD::configurePort() {
    const QString portIni = file::portIni;
    const QString section = QStringLiteral("port");
    // A value that reads but that the port refuses is named as the store names
    // one it cannot read: file, section, key and value, so the user knows what
    // to mend.
    const auto handing = [&](const QString& key, const QString& value, const auto& hand) {
        try {
            hand();
        } catch (const AppError& e) {
            throw settingError(e, section, key, portIni, value);
        }
    };
    const auto number = [&](const QString& key, const auto& hand) {
        const QString value = ini(portIni, section, key, 15);
        handing(key, value, [&] { hand(toInt16(value)); });
    };
    const int16_t handshake = leggiiniInt16(section, QStringLiteral("handshake"), portIni, 10);
    const int16_t inputlen = leggiiniInt16(section, QStringLiteral("inputlen"), portIni, 10);
    const QString lenText = ini(portIni, section, QStringLiteral("len"), 10);
    const int16_t len = leggiiniInt16(section, QStringLiteral("len"), portIni, 10);
    const QString porta = configuredPort(section);
    // A device path names the port directly (a USB adapter); a number is one of the serial ports.
    MSComm1->setPort(porta.startsWith(QLatin1Char('/'))
                         ? porta
                         : QString::number(leggiiniInt16(section, QStringLiteral("porta"), portIni, 15)));
    const QStringList lineKeys{QStringLiteral("rate"), QStringLiteral("parity"), QStringLiteral("bit"),
                               QStringLiteral("stopbit")};
    QStringList line;
    for (const QString& key : lineKeys)
        line << ini(portIni, section, key, 15);
    try {
        MSComm1->setSettings(line);
    } catch (const LineSettingError& e) {
        throw settingError(e, section, lineKeys[e.field()], portIni, line[e.field()]);
    }
    number(QStringLiteral("buffer"), [&](int16_t bytes) { MSComm1->setInputBufferSize(bytes); });
    number(QStringLiteral("soglia"), [&](int16_t characters) { MSComm1->setReceiveThreshold(characters); });
    handing(QStringLiteral("porta"), porta, [&] { MSComm1->open(); });
    if (inputlen == 1)
        handing(QStringLiteral("len"), lenText, [&] { MSComm1->setInputLength(len); });
    handing(QStringLiteral("handshake"), ini(portIni, section, QStringLiteral("handshake"), 10), [&] {
        MSComm1->setHandshaking(handshake == 1 ? CommPort::Handshaking::RtsCtsXonXoff : CommPort::Handshaking::XonXoff);
    });
}

void ComCD::openPortLog() {
    portLogFile_.setFileName(programPath(QStringLiteral("rxlog/port.log")));
    if (!portLogFile_.open(QIODevice::WriteOnly | QIODevice::Append))
        throw AppError(err::PathNotFound,
                       QStringLiteral("Cannot open %1: %2").arg(portLogFile_.fileName(), portLogFile_.errorString()));
}

void ComCD::Form_Unload(bool& cancel) {
    (void)cancel;
    svuota();
    emit notifier().linkState(false);
    emit notifier().receiveStatus(ReceiverActivity::None);
    if (portLog_)
        portLogFile_.close();
    MSComm1->close();
}

void ComCD::svuota() {
    framer.svuota();
    hideSegments();
}

void ComCD::showRxError(ReceiveFailure failure) { emit notifier().receiveError(failure); }

void ComCD::MSComm1_OnComm() {
    try {
        emit notifier().receiveStatus(ReceiverActivity::Receiving);
        const QString chunk = MSComm1->readInput();
        if (portLog_) {
            const QByteArray record = '"' + chunk.toLatin1() + QByteArrayLiteral("\"\r\n");
            if (portLogFile_.write(record) != record.size() || !portLogFile_.flush())
                throw AppError(err::PathFileAccess, QStringLiteral("Port log: %1").arg(portLogFile_.errorString()));
        }
        framer.receive(chunk, *this);
    } catch (...) {
        const CaughtError e = describeCurrentException();
        failurePath(e.number, e.description);
    }
}

void ComCD::failurePath(int32_t number, const QString& description) {
    svuota();
    showRxError(ReceiveFailure::Line);
    logerrore(number, description, kWindow);
}

void ComCD::portFailed(int32_t number, const QString& description) {
    // The port closed itself (a pulled cable, an unplugged adapter): the panel
    // shows the link as it is, off line with an empty progress bar, says so
    // once and waits for the user to reconnect.
    lineLost_ = true;
    svuota();
    framer.resetProgress();
    emit notifier().linkState(false);
    emit notifier().receiveStatus(ReceiverActivity::None);
    showRxError(ReceiveFailure::Line);
    logerrore(number, description, kWindow);
}

void ComCD::showSegment(int index) { emit notifier().receiveProgress(index); }

void ComCD::hideSegments() { emit notifier().receiveProgress(-1); }

void ComCD::recordCompleted(const BlockStrings& asFiled) {
    if (blockLog_ == 1)
        rxlogfile(asFiled);
}

void ComCD::dataLengthWrong() {
    // No error is pending for a block of the wrong length: the log line says 0.
    failurePath(0, QString());
}

void ComCD::histogramLengthWrong() { showRxError(ReceiveFailure::Line); }

void ComCD::bufferOverflow() {
    showRxError(ReceiveFailure::Line);
    logerrore(err::Overflow,
              QStringLiteral("More than %1 characters arrived without an end of block; they were discarded.")
                  .arg(Framer::kBufferLimit),
              kWindow);
}

void ComCD::rxlogfile(const BlockStrings& blocks) {
    try {
        const QDateTime at = clock::now();
        const QString day = formatDate(at.date(), QStringLiteral("dd.mm.yy"));
        const QByteArray time = formatTime(at.time()).toLatin1();
        const std::pair<const char*, const QString*> logs[] = {{"_data.log", &blocks.data},
                                                               {"_wb1.log", &blocks.wb1},
                                                               {"_wb2.log", &blocks.wb2},
                                                               {"_rbc.log", &blocks.rbc},
                                                               {"_plt.log", &blocks.plt}};
        for (const auto& [suffix, block] : logs)
            files::appendBytes(programPath(QStringLiteral("rxlog/") + day + QLatin1String(suffix)),
                               time + '\t' + block->toLatin1() + QByteArrayLiteral("\r\n"));
    } catch (...) {
        const CaughtError e = describeCurrentException();
        logerrore(e.number, e.description, kWindow);
    }
}

CalibrationFactors ComCD::factorsFor(const QString& speciesKey) {
    Recordset species;
    // The name is bound, never spliced into the SQL; LIKE keeps its meaning,
    // so "_" (every character the text fields were cleaned of) matches any one.
    species.openQuery(Session::get().cnvet, QStringLiteral("select * from cal where animale like ?1 order by animale"),
                      {speciesKey});
    std::array<QString, kFactorCount> texts = humanFactors_;
    if (!species.eof()) {
        for (int i = 0; i < kFactorCount; ++i)
            texts[i] = species.text(calibrationKeys()[i]);
    }
    return factorsFromTexts(texts, factorMark_);
}

void ComCD::registra(const BlockStrings& record) {
    framer.finestringa = 0;
    try {
        ResultRecord decoded =
            decodeDataBlock(record.data, *model_, [this](const QString& key) { return factorsFor(key); });
        store(record, std::move(decoded));
    } catch (...) {
        const CaughtError e = describeCurrentException();
        svuota();
        showRxError(ReceiveFailure::Store);
        logerrore(e.number, e.description, kWindow);
    }
    emit notifier().receiveStatus(ReceiverActivity::Idle);
}

void ComCD::store(const BlockStrings& record, ResultRecord r) {
    Session& session = Session::get();
    r.date = session.workDate();
    // Every block is cut before the first channel is filled.
    std::array<QStringList, 4> elements;
    for (std::size_t k = 0; k < 4; ++k)
        elements[k] = histogramElements(record.histogram(kHistogramKinds[k]));
    for (std::size_t k = 0; k < 4; ++k)
        fillChannels(r.histograms[k], kHistogramKinds[k], elements[k]);
    const int64_t id1 = addResult(session.cn, r);

    ++counter_;
    emit notifier().resultCounted(counter_);
    const double automatic = leggiiniDouble(QStringLiteral("auto"), QStringLiteral("stampa_auto"), file::printIni, 10);
    if (automatic == 1)
        emit notifier().autoReportDue(id1);
    svuota();
    emit notifier().resultStored(id1);
}

}  // namespace zv
