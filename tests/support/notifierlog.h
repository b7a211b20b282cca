#pragma once
// Keeps the latest of everything the notifier says, as the main window would show it.
#include <QObject>
#include <QString>

#include <vector>

#include "shell/notifier.h"

namespace zv::test {

class NotifierLog : public QObject {
public:
    NotifierLog() {
        Notifier& n = notifier();
        connect(&n, &Notifier::statusText, this, [this](const QString& t) { status = t; });
        connect(&n, &Notifier::linkState, this, [this](bool on) { online = on; });
        connect(&n, &Notifier::receiveStatus, this, [this](const QString& t) { receiveStatus = t; });
        connect(&n, &Notifier::receiveError, this, [this](const QString& t) { receiveError = t; });
        connect(&n, &Notifier::resultCounted, this, [this](qint64 c) { count = c; });
        connect(&n, &Notifier::resultStored, this, [this](qint64 id1) { stored.push_back(id1); });
        connect(&n, &Notifier::autoReportDue, this, [this](qint64 id1) { autoReports.push_back(id1); });
    }

    QString status;
    bool online = false;
    QString receiveStatus;
    QString receiveError;
    qint64 count = 0;
    std::vector<qint64> stored;
    std::vector<qint64> autoReports;
};

}  // namespace zv::test
