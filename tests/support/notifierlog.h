#pragma once
// Keeps the latest of everything the notifier says, as the main window would show it.
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

#include "core/notifier.h"

namespace zv::test {

class NotifierLog : public QObject {
public:
    NotifierLog() {
        Notifier& n = notifier();
        connect(&n, &Notifier::errorLogged, this, [this](const LoggedError& e) { error = e; });
        connect(&n, &Notifier::linkState, this, [this](bool on) { online = on; });
        connect(&n, &Notifier::receiveStatus, this, [this](ReceiverActivity a) { activity = a; });
        connect(&n, &Notifier::receiveError, this, [this](ReceiveFailure f) { failure = f; });
        connect(&n, &Notifier::resultCounted, this, [this](qint64 c) { count = c; });
        connect(&n, &Notifier::resultStored, this, [this](qint64 id1) { stored.push_back(id1); });
        connect(&n, &Notifier::autoReportDue, this, [this](qint64 id1) { autoReports.push_back(id1); });
    }

    std::optional<LoggedError> error;
    bool online = false;
    ReceiverActivity activity = ReceiverActivity::None;
    ReceiveFailure failure = ReceiveFailure::None;
    qint64 count = 0;
    std::vector<qint64> stored;
    std::vector<qint64> autoReports;
};

}  // namespace zv::test
