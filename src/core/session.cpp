#include "core/session.h"

#include <QFileInfo>

#include "core/language.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "model/referencerange.h"
#include "model/resultselection.h"
#include "model/resultstore.h"
#include "platform/errors.h"

namespace zv {

namespace {
Session* live = nullptr;
}

const std::array<std::pair<const char*, QString ReportCaptions::*>, 53>& ReportCaptions::keys() {
    using R = ReportCaptions;
    static const std::array<std::pair<const char*, QString R::*>, 53> table{{
        {"msg1", &R::msg1},
        {"id", &R::id},
        {"nome", &R::nome},
        {"data", &R::data},
        {"ddn", &R::ddn},
        {"sesso", &R::sesso},
        {"numero", &R::numero},
        {"sequenza", &R::sequenza},
        {"graph1", &R::graph1},
        {"graph2", &R::graph2},
        {"graph3", &R::graph3},
        {"graph4", &R::graph4},
        {"graph5", &R::graph5},
        {"graph6", &R::graph6},
        {"wbc", &R::wbc},
        {"unitwbc", &R::unitwbc},
        {"neu", &R::neu},
        {"lym", &R::lym},
        {"mono", &R::mono},
        {"eos", &R::eos},
        {"baso", &R::baso},
        {"bandati", &R::bandati},
        {"rbc", &R::rbc},
        {"unitrbc", &R::unitrbc},
        {"hgb", &R::hgb},
        {"unithgb", &R::unithgb},
        {"hct", &R::hct},
        {"unitmcv", &R::unitmcv},
        {"unitmch", &R::unitmch},
        {"unitmchc", &R::unitmchc},
        {"ret", &R::ret},
        {"plt", &R::plt},
        {"unitplt", &R::unitplt},
        {"unitmpv", &R::unitmpv},
        {"unitpdw", &R::unitpdw},
        {"band", &R::band},
        {"ig", &R::ig},
        {"blast", &R::blast},
        {"varlym", &R::varlym},
        {"diflt", &R::diflt},
        {"nrbc", &R::nrbc},
        {"rrbc", &R::rrbc},
        {"uri", &R::uri},
        {"nwbc", &R::nwbc},
        {"note", &R::note},
        {"valassolformula", &R::valassolformula},
        {"indicieritrocit", &R::indicieritrocit},
        {"imcv", &R::imcv},
        {"imch", &R::imch},
        {"imchc", &R::imchc},
        {"irdw", &R::irdw},
        {"ipct", &R::ipct},
        {"ipdw", &R::ipdw},
    }};
    return table;
}

void ReportCaptions::read(const QString& languageFile, const QString& section) {
    for (const auto& [key, member] : keys())
        this->*member = languageText(languageFile, section, QString::fromLatin1(key));
}

Session::Session() {
    if (live)
        throw AppError(err::InvalidCall, QStringLiteral("A session is already open."));
    live = this;
}

Session::~Session() {
    closeConnections();
    live = nullptr;
}

Session* Session::current() noexcept { return live; }

Session& Session::get() {
    if (!live)
        throw AppError(err::InvalidCall, QStringLiteral("The main window is not loaded."));
    return *live;
}

void Session::setWorkDate(const QString& day) {
    workDate_ = day;
    emit notifier().workDateChanged(day);
}

void Session::setArchiveMode(bool archive) {
    dbtotal = archive;
    emit notifier().archiveModeChanged(archive);
}

void Session::setPrintDestination(const PrintDestination& destination) {
    printer = destination.printer;
    printerFile = destination.pdfFile;
    filePages_ = 0;
}

PrintDestination Session::nextPrintDestination() {
    if (printerFile.isEmpty())
        return {printer, QString()};
    if (++filePages_ == 1)
        return {QString(), printerFile};
    const QFileInfo file(printerFile);
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    return {QString(), file.path() + QLatin1Char('/') + file.completeBaseName() + QLatin1Char('-') +
                           QString::number(filePages_) + suffix};
}

void Session::setAccessLevel(const QString& level) {
    accessLevel = level;
    emit notifier().accessLevelChanged(level);
}

void Session::setDatabasePaths(const QString& folder) {
    const QString base = folder + QLatin1Char('/');
    db_daily = base + file::dailyDb;
    db_total = base + file::archiveDb;
    db_limiti = base + file::referenceDb;
    db_vet = base + file::vetDb;
}

void Session::openConnections(QChar decimalMark) {
    for (auto [connection, path] : {std::pair{&cntot, &db_total}, std::pair{&cn, &db_daily},
                                    std::pair{&cnlimit, &db_limiti}, std::pair{&cnvet, &db_vet}}) {
        connection->setDecimalMark(decimalMark);
        connection->open(*path);
        // The archive days read the date index and the archive manager's
        // lists the date counts; an archive that cannot take them (a
        // read-only file) is still read, to the same results, without them.
        if (connection == &cntot) {
            ignoring([&] { ensureDateIndex(cntot); });
            ignoring([&] { ensureDateCounts(cntot); });
        }
    }
    // What earlier releases wrote as a value nobody measured or a limit
    // nobody set is mended where it can be told apart; a file that cannot be
    // written is still used as it is.
    for (Connection* results : {&cntot, &cn})
        ignoring([results] { mendResultLayout(*results); });
    ignoring([this] { mendUnsetBandLimits(cnlimit); });
}

void Session::closeConnections() noexcept {
    cntot.close();
    cn.close();
    cnvet.close();
    cnlimit.close();
}

}  // namespace zv
