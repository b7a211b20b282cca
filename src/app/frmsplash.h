#pragma once
// The start-up window: picks the language, refuses a second instance,
// compacts the databases, makes the automatic back-up when it is due, notes
// a new day and shows the main window.
#include <QPixmap>

#include <chrono>
#include <cstdint>
#include <span>

#include "archive/backuptargets.h"
#include "platform/forms.h"
#include "platform/instancelock.h"
#include "platform/widgets.h"
#include "ui_frmsplash.h"

namespace zv {

class frmSplash : public Form, public Ui::frmSplash {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"frmSplash"};

    frmSplash();
    void Form_Load() override;

    int16_t stato_db_ok = 1;
    int16_t db_bk_effettuato = 0;
    bool aggdb = false;
    // True when the archive failed its check at this start's back-up: no
    // roll-over moves results into it until a start finds it whole.
    bool archiveDamaged = false;
    QString lastday;

    // The background picture, as loaded (none when it could not be read).
    const QPixmap& background() const { return background_; }

    // True when the start-up decided that the program must end (another
    // instance runs, or a database could not be compacted).
    bool endRequested() const { return endRequested_; }

    // How long a compaction, or the archive's first preparation, runs before
    // the window says what it waits for.
    static constexpr std::chrono::milliseconds kCompactionPatience{1000};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void removeStaleScratchFiles();
    bool compactAll();
    void backUpAndCheckDay();
    void backUp(const BackupTarget& target, std::span<const BackupTarget> others);
    void reportStartError(const QString& text, int32_t number, const QString& cause);

    QString msg1_, msg4_, msg5_, msg6_, msg7_, err2_, err3_;
    QPixmap background_;
    InstanceLock lock_;
    bool endRequested_ = false;
};

// The version line of the start-up window: "Ver. 1 . 0 . 0".
QString versionLine();

}  // namespace zv
