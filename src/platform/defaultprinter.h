#pragma once
// The system's default printer, as a program may read and switch it. On Linux
// that is CUPS's default destination for this user: read with `lpstat -d`,
// switched with `lpoptions -d` (the user's own choice, kept in the user's
// lpoptions file; the system-wide default is left alone).
#include <QString>
#include <QStringList>

namespace zv {

class DefaultPrinterPlatform {
public:
    virtual ~DefaultPrinterPlatform() = default;
    // The current default printer's name; "" when there is none.
    virtual QString defaultPrinter() = 0;
    // Makes `name` the default. False when the system refused; nothing changed then.
    virtual bool setDefaultPrinter(const QString& name) = 0;
};

// The longest printer name handled. A longer name read from the system is
// taken as no name at all, never cut (a cut name would name another printer).
inline constexpr qsizetype kPrinterNameMax = 511;

// `text` when it has at most kPrinterNameMax characters and no line break, "" otherwise.
QString boundedPrinterName(const QString& text);

class CupsDefaultPrinter final : public DefaultPrinterPlatform {
public:
    QString defaultPrinter() override;
    bool setDefaultPrinter(const QString& name) override;
    // Every destination the scheduler knows (printers, classes, the user's
    // instances); empty when the scheduler cannot be reached.
    QStringList destinations();
};

}  // namespace zv
