#pragma once
// One environment variable set or unset for as long as an instance lives, and
// the print queue the tests print through, chosen as a user chooses one.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace zv::test {

class ScopedEnv {
public:
    // Sets `name` to `value`, or unsets it when there is no value.
    ScopedEnv(const char* name, std::optional<QByteArray> value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            old_ = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

// The CUPS queue that writes PDF files, as scripts/cups-pdf-queue.sh names it.
inline QString testPrintQueue() { return qEnvironmentVariable("ZV_CUPS_QUEUE", QStringLiteral("zarvium-pdf")); }

// Makes `queue` this process's default destination as a user does for their
// own programs, through the variables CUPS reads before any lpoptions file or
// the scheduler's default (LPDEST first, then PRINTER): the system's default
// destination, which other programs print on, is never touched.
class DefaultQueueOfThisProcess {
public:
    explicit DefaultQueueOfThisProcess(const QString& queue)
        : lpdest_("LPDEST", queue.toLocal8Bit()), printer_("PRINTER", queue.toLocal8Bit()) {}

private:
    ScopedEnv lpdest_;
    ScopedEnv printer_;
};

}  // namespace zv::test
