#include "report/setdfltprinter.h"

#include "core/session.h"

namespace zv {

QString SystemDefaultPrinter::defaultPrinter() {
    const QString cups = cups_.defaultPrinter();
    if (!cups.isEmpty())
        return cups;
    const Session* session = Session::current();
    return session ? boundedPrinterName(session->printer) : QString();
}

bool SystemDefaultPrinter::setDefaultPrinter(const QString& name) {
    if (name.isEmpty() || boundedPrinterName(name).isEmpty())
        return false;
    if (cups_.destinations().contains(name, Qt::CaseInsensitive))
        return cups_.setDefaultPrinter(name);
    if (!cups_.defaultPrinter().isEmpty())
        return false;  // CUPS has a default and does not know this printer
    Session* session = Session::current();
    if (!session)
        return false;
    session->printer = name;
    return true;
}

cSetDfltPrinter::cSetDfltPrinter() : platform_(own_) {
    SavedDevice_ = boundedPrinterName(platform_.defaultPrinter());
    CurrentDevice_ = SavedDevice_;
}

cSetDfltPrinter::cSetDfltPrinter(DefaultPrinterPlatform& platform) : platform_(platform) {
    SavedDevice_ = boundedPrinterName(platform_.defaultPrinter());
    CurrentDevice_ = SavedDevice_;
}

cSetDfltPrinter::~cSetDfltPrinter() {
    try {
        (void)SetPrinterAsDefault(SavedDevice_);
    } catch (...) {
        // Ending an instance never fails; the default then stays as it is.
    }
}

bool cSetDfltPrinter::SetPrinterAsDefault(const QString& DeviceName) {
    if (DeviceName == CurrentDevice_)
        return true;
    if (DeviceName.isEmpty() || !platform_.setDefaultPrinter(DeviceName))
        return false;
    CurrentDevice_ = DeviceName;
    return true;
}

}  // namespace zv
