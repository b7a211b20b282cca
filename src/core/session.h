#pragma once
// The shared state of the program: what the windows hand each other (the
// four database connections, the language file, the work date and mode, the
// search hand-off, the report captions). One instance lives from the main
// window's load to its unload; windows read and write it, the main window
// shows it.
#include <QString>

#include <array>
#include <cstdint>
#include <utility>

#include "platform/database.h"
#include "platform/printdestination.h"

namespace zv {

// The report captions of the language section [stampa], each under its key.
struct ReportCaptions {
    QString msg1, id, nome, data, ddn, sesso, numero, sequenza, graph1, graph2, graph3, graph4, graph5, graph6, wbc,
        unitwbc, neu, lym, mono, eos, baso, bandati, rbc, unitrbc, hgb, unithgb, hct, unitmcv, unitmch, unitmchc, ret,
        plt, unitplt, unitmpv, unitpdw, band, ig, blast, varlym, diflt, nrbc, rrbc, uri, nwbc, note, valassolformula,
        indicieritrocit, imcv, imch, imchc, irdw, ipct, ipdw;

    // Every key with its member, in reading order (msg1 first).
    static const std::array<std::pair<const char*, QString ReportCaptions::*>, 53>& keys();
    // Reads every key from `section` of the language file; a missing key reads "".
    void read(const QString& languageFile, const QString& section);
};

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The live session, or nullptr between the main window's unload and the next load.
    static Session* current() noexcept;
    // The live session; fails with error 5 when there is none.
    static Session& get();

    QString linguax;  // language file: "it.ini" ... "ru.ini"
    QString formato;  // general.ini [date] format, as read
    QString oggi2;    // the day last picked in the work-date dialog, in formato
    // The day results are stored under and lists show: "dd/mm/yy" at start.
    const QString& workDate() const { return workDate_; }
    // Sets it and tells the notifier, so the main window shows it.
    void setWorkDate(const QString& day);
    bool dbtotal = false;  // lists show the archive filtered to the work date
    // Sets dbtotal and tells the notifier, so the main window shows the mode.
    void setArchiveMode(bool archive);
    QString queryricerca;  // search hand-off: SQL over the record source, run by the viewer on cntot
    QString dbricerca;     // database path shown by the patient search
    QString db_daily, db_total, db_limiti, db_vet;
    Connection cntot;             // archive
    Connection cn;                // daily results
    Connection cnlimit;           // reference ranges and QC lots
    Connection cnvet;             // species calibration
    bool statoformleggi = false;  // the viewer is open
    int16_t leggiOricerca = 0;    // the viewer's next load runs queryricerca
    QString accessLevel = QStringLiteral("User");
    // Sets the access level and tells the notifier ("Service" and "Admin" open the settings).
    void setAccessLevel(const QString& level);
    ReportCaptions stampa;
    // The printer picked in the print dialog; empty means the system's default destination.
    QString printer;
    // The PDF file picked in the print dialog instead of a printer; empty when a printer was picked.
    QString printerFile;
    // The print dialog's choice; a new file starts its page count afresh.
    void setPrintDestination(const PrintDestination& destination);
    // Where the next page goes: the printer, or the chosen PDF file. The
    // first page after the choice takes the file's own name, each later one
    // the name numbered ("referto-2.pdf", "referto-3.pdf" ...): a page never
    // replaces the one before it.
    PrintDestination nextPrintDestination();

    // The database paths in the program folder.
    void setDatabasePaths(const QString& folder);
    // Opens the four connections in their fixed order (archive, daily,
    // reference, veterinary), each with `decimalMark`. A failure rises at the
    // connection that failed; the ones after it stay closed.
    void openConnections(QChar decimalMark);
    // Closes them in the order the exit wants: archive, daily, veterinary, reference.
    void closeConnections() noexcept;

private:
    QString workDate_;
    int filePages_ = 0;
};

}  // namespace zv
