#include "shell/frmsplash.h"

#include <QFileInfo>
#include <QVBoxLayout>

#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "shell/config.h"
#include "shell/language.h"
#include "shell/programfiles.h"

namespace zv {

QString versionLine() {
    return QStringLiteral("Ver. %1 . %2 . %3").arg(ZV_VERSION_MAJOR).arg(ZV_VERSION_MINOR).arg(ZV_VERSION_PATCH);
}

frmSplash::frmSplash() : Form(QStringLiteral("frmSplash")) {
    setWindowFlags(Qt::SplashScreen);
    auto* layout = new QVBoxLayout(this);
    lblProductName = new Label(QStringLiteral("lblProductName"), this);
    lblProductName->setText(QStringLiteral("Zarvium"));
    QFont big = lblProductName->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    lblProductName->setFont(big);
    Image1 = new Label(QStringLiteral("Image1"), this);
    Image1->setFixedSize(160, 120);
    Label1 = new Label(QStringLiteral("Label1"), this);
    Label1->setText(QStringLiteral("controllo e compattazione database..."));
    Label2 = new Label(QStringLiteral("Label2"), this);
    layout->addWidget(lblProductName, 0, Qt::AlignHCenter);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    resize(420, 300);
}

void frmSplash::Form_Load() {
    const QString folder = programFolder();
    // Pointer, pictures and texts: each statement on its own.
    ignoring([] { setBusy(true); });
    ignoring([this] { show(); });
    stato_db_ok = 1;
    db_bk_effettuato = 0;
    ignoring([&] {
        QPalette p = palette();
        const QPixmap background(folder + QStringLiteral("/immagini/neutrofilibg.jpg"));
        if (background.isNull())
            throw AppError(err::FileNotFound, QStringLiteral("File not found"));
        p.setBrush(QPalette::Window, background);
        setPalette(p);
        setAutoFillBackground(true);
    });
    ignoring([&] { Image1->loadPicture(folder + QStringLiteral("/immagini/lab2_small.jpg"), true); });
    QString language;
    ignoring([&] { language = configuredLanguageFile(); });
    ignoring([&] { msg1_ = languageText(language, QStringLiteral("splash"), QStringLiteral("msg1")); });
    ignoring([&] { msg4_ = languageText(language, QStringLiteral("splash"), QStringLiteral("msg4")); });
    ignoring([&] { err2_ = languageText(language, QStringLiteral("splash"), QStringLiteral("err2")); });
    ignoring([&] { err3_ = languageText(language, QStringLiteral("splash"), QStringLiteral("err3")); });
    ignoring([&] { Label1->setText(msg4_); });
    if (lock_.acquire(folder) == InstanceLock::Result::HeldElsewhere) {
        setBusy(false);
        msgBox(msg1_, MsgButtons::OK, MsgIcon::Critical, appTitle());
        endRequested_ = true;
        return;
    }
    ignoring([&] { Label1->setVisible(false); });

    if (!compactAll())
        return;
    backUpAndCheckDay();

    // The main window's load runs inside this call. Its own handlers
    // deal with what they know; anything that still escapes is logged and the
    // program goes on.
    setBusy(false);
    try {
        Forms::show(QStringLiteral("Principale"));
    } catch (...) {
        const CaughtError e = describeCurrentException();
        setBusy(false);
        logerrore(e.number, e.description, QStringLiteral("Principale"));
    }
}

bool frmSplash::compactAll() {
    const QString folder = programFolder();
    try {
        for (QLatin1String name : {file::dailyDb, file::archiveDb, file::vetDb, file::referenceDb})
            compactIfWorthwhile(folder + QLatin1Char('/') + name, folder + QLatin1Char('/') + file::scratchDb);
        setBusy(true);
        aggdb = false;
        Label2->setText(versionLine());
        return true;
    } catch (...) {
        const CaughtError e = describeCurrentException();
        msgBox(err2_, MsgButtons::OK, MsgIcon::Critical, appTitle());
        logerrore(e.number, e.description, formName());
        setBusy(false);
        endRequested_ = true;
        return false;
    }
}

void frmSplash::backUpAndCheckDay() {
    const QString folder = programFolder();
    try {
        const QLatin1String general = file::generalIni;
        QString archiveTarget = leggiini(QStringLiteral("back-up"), QStringLiteral("pathautobackup"), general, 255);
        QString referenceTarget =
            leggiini(QStringLiteral("back-up"), QStringLiteral("pathautobackupriferimenti"), general, 255);
        QString vetTarget = leggiini(QStringLiteral("back-up"), QStringLiteral("pathautobackupvet"), general, 255);
        if (archiveTarget.isEmpty())
            archiveTarget = folder + QStringLiteral("/back-up/zarviumtotale.mdb");
        if (referenceTarget.isEmpty())
            referenceTarget = folder + QStringLiteral("/back-up/riferimenti.mdb");
        if (vetTarget.isEmpty())
            vetTarget = folder + QStringLiteral("/back-up/vet.mdb");

        const QString last = leggiini(QStringLiteral("database"), QStringLiteral("last"), general, 15);
        const QString bk = leggiini(QStringLiteral("database"), QStringLiteral("bk"), general, 15);
        lastday = formatDate(clock::today(), QStringLiteral("dd/mm/yy"));
        const std::optional<QDate> backedUp = parseDate(bk, QStringLiteral("dd/mm/yy"));
        if (!backedUp)
            throw AppError(err::TypeMismatch, QStringLiteral("Type mismatch"));
        const qint64 days = backedUp->daysTo(clock::today());
        const int16_t interval = toInt16(leggiini(QStringLiteral("back-up"), QStringLiteral("giorni"), general, 5));

        if (days > interval) {
            backupDatabase(folder + QStringLiteral("/zarviumtotale.mdb"), archiveTarget);
            backupDatabase(folder + QStringLiteral("/riferimenti.mdb"), referenceTarget);
            backupDatabase(folder + QStringLiteral("/vet.mdb"), vetTarget);
            db_bk_effettuato = 1;
            scriviini(QStringLiteral("database"), QStringLiteral("bk"), lastday, general);
        }
        if (lastday != last)
            aggdb = true;
    } catch (...) {
        const CaughtError e = describeCurrentException();
        stato_db_ok = 0;
        msgBox(err3_, MsgButtons::OK, MsgIcon::Critical, appTitle());
        logerrore(e.number, e.description, formName());
        setBusy(false);
    }
}

}  // namespace zv
