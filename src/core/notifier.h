#pragma once
// The program's message board: whoever has news emits it here, whoever shows
// it connects. No window reaches into another window's controls.
#include <QObject>
#include <QString>

#include <cstdint>

namespace zv {

// An error the log recorded: the window it happened in, its number and
// description, and what the window told the user about it in their language
// (empty when it told nothing).
struct LoggedError {
    QString window;
    int32_t number = 0;
    QString description;
    QString said;
    bool operator==(const LoggedError&) const = default;
};

// What the receiver is doing: nothing (off line), waiting, or taking a record in.
enum class ReceiverActivity { None, Idle, Receiving };

// What went wrong with a result on its way in: nothing (clears it), the line
// or its framing, or decoding and storing it.
enum class ReceiveFailure { None, Line, Store };

class Notifier : public QObject {
    Q_OBJECT
public:
    // The one instance.
    static Notifier& instance();

    // Whether anything shows logged errors yet (the main window connects at its load).
    bool hasStatusListener() const;

signals:
    // The error log recorded an error (the main window puts it on its status line).
    void errorLogged(const zv::LoggedError& error);
    // The receiver went on line (true) or off line (false).
    void linkState(bool online);
    // What the receiver is doing now.
    void receiveStatus(zv::ReceiverActivity activity);
    // A receive or store failure; ReceiveFailure::None clears it.
    void receiveError(zv::ReceiveFailure failure);
    // Progress of the record being received: segment `index` arrived; -1 resets it.
    void receiveProgress(int index);
    // The work date changed.
    void workDateChanged(const QString& day);
    // Lists switched between the daily database (false) and the archive (true).
    void archiveModeChanged(bool dbtotal);
    // The access level changed: "User", "Service" or "Admin".
    void accessLevelChanged(const QString& level);
    // The receiver's count of results stored since On Line.
    void resultCounted(qint64 count);
    // A new result is in the daily database (an open viewer offers to refresh).
    void resultStored(qint64 id1);
    // print.ini asks for an automatic report of the result just stored.
    void autoReportDue(qint64 id1);
    // A report run (batch or automatic) printed the page of result `id1`.
    void reportPrinted(qint64 id1);
    // One of the six toolbar windows (worksheet list, archive manager, patient
    // search, viewer, QC statistics, batch reporting) opened or closed; the
    // main window hides its marker for it while it is open.
    void windowOpened(const QString& name, bool open);
    // An INI file exists but cannot be read.
    void iniFileUnreadable(const QString& path);

private:
    Notifier() = default;
};

inline Notifier& notifier() { return Notifier::instance(); }

}  // namespace zv
