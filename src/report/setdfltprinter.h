#pragma once
// Makes a named printer the system's default for as long as an instance
// lives: the instance remembers the default it found when it was made and
// puts it back when it ends.
#include <QString>

#include "platform/defaultprinter.h"

namespace zv {

// The default printer the switcher works on: CUPS's default destination, or,
// when CUPS has none (no scheduler, or no default destination), the program's
// own printer, the session's `printer`.
class SystemDefaultPrinter final : public DefaultPrinterPlatform {
public:
    QString defaultPrinter() override;
    // A printer CUPS knows becomes CUPS's default. When CUPS has no default
    // destination, the name becomes the program's own printer instead; with
    // neither, nothing changes and the answer is false.
    bool setDefaultPrinter(const QString& name) override;

private:
    CupsDefaultPrinter cups_;
};

class cSetDfltPrinter {
public:
    // Remembers the current default (SystemDefaultPrinter unless another
    // platform is given; it must outlive the instance).
    cSetDfltPrinter();
    explicit cSetDfltPrinter(DefaultPrinterPlatform& platform);
    // Makes the printer remembered at creation the default again, unless it
    // still is as far as this instance knows.
    ~cSetDfltPrinter();
    cSetDfltPrinter(const cSetDfltPrinter&) = delete;
    cSetDfltPrinter& operator=(const cSetDfltPrinter&) = delete;

    // True when `DeviceName` is the default afterwards as far as this instance
    // knows: a name equal (case-sensitively) to the one it last made the
    // default answers true without asking the system again.
    bool SetPrinterAsDefault(const QString& DeviceName);

    const QString& CurrentDevice() const { return CurrentDevice_; }
    const QString& SavedDevice() const { return SavedDevice_; }

private:
    SystemDefaultPrinter own_;
    DefaultPrinterPlatform& platform_;
    QString CurrentDevice_;
    QString SavedDevice_;
};

}  // namespace zv
