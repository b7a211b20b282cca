#include <QFile>
#include <QTest>
#include <functional>

#include "app/help.h"
#include "app/principale.h"
#include "app/setting.h"
#include "core/config.h"
#include "core/language.h"
#include "core/notifier.h"
#include "platform/errors.h"
#include "platform/forms.h"
#include "qc/qc.h"
#include "qc/qcrif.h"
#include "report/referto.h"
#include "report/referto2.h"
#include "runs/refertazionex.h"
#include "support/results.h"
#include "support/window_fixture.h"

namespace zv {
namespace {

// The main window's menus, shortcuts and status-panel clicks, on a real start.
class Commands : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
    }
    Principale* start() {
        Forms::load("frmSplash");
        Principale* m = Forms::get<Principale>();
        EXPECT_NE(m, nullptr);
        return m;
    }
    QString logText() { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }
    QString say(const char* section, const char* key) { return languageText("it.ini", section, key); }
};

TEST_F(Commands, AutomaticReportSwitchFollowsTheCheckMark) {
    scriviini("auto", "stampa_auto", "1", "print.ini");
    Principale* m = start();
    ASSERT_TRUE(m->autoref->isChecked());
    m->autoref->setEnabled(true);  // no command enables it; the switch itself still works
    const std::pair<const char*, const char*> clicks[] = {{"0", "OFF"}, {"1", "ON"}, {"0", "OFF"}};
    for (const auto& [stored, shown] : clicks) {
        m->autoref->trigger();
        EXPECT_EQ(leggiini("auto", "stampa_auto", "print.ini", 10), QString::fromLatin1(stored));
        EXPECT_EQ(m->Label12->text(), QString::fromLatin1(shown));
        EXPECT_EQ(m->autoref->isChecked(), QString::fromLatin1(stored) == "1");
    }
}

TEST_F(Commands, ReportCommandsOpenTheBatchWindowOnce) {
    Principale* m = start();
    test::addTestResult(m->session().cn, QStringLiteral("S-1"), QStringLiteral("Rossi"));
    m->prnt->trigger();
    auto* batch = Forms::get<Refertazionex>();
    ASSERT_NE(batch, nullptr);
    EXPECT_TRUE(batch->isVisible());
    EXPECT_FALSE(m->Shape9->isVisibleTo(m));
    batch->Text2->setText(QStringLiteral("1"));
    QTest::mouseClick(m->Label22, Qt::LeftButton);  // only brings it forward
    EXPECT_EQ(Forms::get<Refertazionex>(), batch);
    EXPECT_EQ(batch->Text2->text(), QStringLiteral("1"));
    Forms::unload<Refertazionex>();
    EXPECT_TRUE(m->Shape9->isVisibleTo(m));
    EXPECT_TRUE(prompts_->takeMessages().empty());
}

TEST_F(Commands, ModeSwitchesSetTheirFourThings) {
    Principale* m = start();
    Session& s = m->session();
    // Clicking an item that is already checked keeps the mode and the check mark.
    for (QAction* item : {m->total, m->total, m->daily, m->daily, m->total}) {
        item->trigger();
        const bool archive = item == m->total;
        EXPECT_EQ(s.dbtotal, archive);
        EXPECT_EQ(m->total->isChecked(), archive);
        EXPECT_EQ(m->daily->isChecked(), !archive);
        EXPECT_EQ(m->Label11->text(), archive ? m->lbl11_s : m->lbl11);
    }
    EXPECT_FALSE(m->lbl11_s.isEmpty());
    EXPECT_EQ(s.workDate(), QStringLiteral("08/12/26"));  // the work date is not touched
}

TEST_F(Commands, PrinterSetUpKeepsThePickAndCancelIsNoFailure) {
    Principale* m = start();
    prompts_->printers.push_back(std::nullopt);
    m->stampantre->trigger();
    EXPECT_TRUE(prompts_->takeMessages().empty());
    EXPECT_EQ(m->session().printer, QString());
    prompts_->printers.push_back(PrintDestination{QStringLiteral("PDF"), QString()});
    m->stampantre->trigger();
    EXPECT_EQ(m->session().printer, QStringLiteral("PDF"));
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log")));
}

TEST_F(Commands, StatusPanelClicks) {
    Principale* m = start();
    // The back-up notice: msg4 and the day of the last back-up, or msg4 alone.
    for (const char* bk : {"01/12/26", ""}) {
        scriviini("database", "bk", bk, "general.ini");
        QTest::mouseClick(m->Label13, Qt::LeftButton);
        const auto shown = prompts_->takeMessages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, say("principale", "msg4") + QString::fromLatin1(bk));
        EXPECT_EQ(shown[0].icon, MsgIcon::Information);
    }
    // The status line clears itself on a click and comes back with the next error.
    logerrore(53, "File not found", "Principale");
    ASSERT_TRUE(m->Label24->isVisibleTo(m));
    QTest::mouseClick(m->Label24, Qt::LeftButton);
    EXPECT_FALSE(m->Label24->isVisibleTo(m));
    EXPECT_EQ(m->Label24->text(), QString());
    logerrore(5, "again", "Principale");
    EXPECT_TRUE(m->Label24->isVisibleTo(m));
}

TEST_F(Commands, TheStatusPanelSaysWhatHappenedInTheSessionsLanguage) {
    Principale* m = start();
    struct Case {
        const char* language;
        std::function<void()> happened;
        Label* label;
        QString shown;
        QColor back;  // of Label29; invalid when it is not a failure's
    };
    const auto rs232 = [](const char* language, const char* key) { return languageText(language, "rs232", key); };
    const Case cases[] = {
        {"it.ini", [] { emit notifier().receiveStatus(ReceiverActivity::Idle); }, m->Label66, rs232("it.ini", "msg2"),
         QColor()},
        {"ru.ini", [] { emit notifier().receiveStatus(ReceiverActivity::Receiving); }, m->Label66,
         rs232("ru.ini", "msg3"), QColor()},
        {"de.ini", [] { emit notifier().receiveStatus(ReceiverActivity::Idle); }, m->Label66, rs232("de.ini", "msg2"),
         QColor()},
        {"it.ini", [] { emit notifier().receiveStatus(ReceiverActivity::None); }, m->Label66, QString(), QColor()},
        {"ru.ini", [] { emit notifier().receiveError(ReceiveFailure::Line); }, m->Label29, QStringLiteral("Rx Error!"),
         colours::red},
        {"it.ini", [] { emit notifier().receiveError(ReceiveFailure::Store); }, m->Label29,
         QStringLiteral("Rec. Error!"), colours::red},
        {"it.ini", [] { logerrore(75, "Path/File access error", "ComCD"); }, m->Label24,
         QStringLiteral("ComCD - 75 - Path/File access error"), QColor()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + c.shown.toStdString());
        m->session().linguax = QString::fromLatin1(c.language);
        c.happened();
        EXPECT_EQ(c.label->text(), c.shown);
        if (c.back.isValid()) {
            EXPECT_EQ(c.label->backColor(), c.back);
        }
    }
    EXPECT_NE(rs232("ru.ini", "msg3"), rs232("it.ini", "msg3"));
}

TEST_F(Commands, OpenersBringAnOpenWindowForwardAndNeverEndTheProgram) {
    Principale* m = start();
    m->session().setAccessLevel(QStringLiteral("Service"));
    EXPECT_EQ(m->Label3->text(), QStringLiteral("Service"));
    ASSERT_TRUE(m->setpar->isEnabled());
    m->setpar->trigger();
    setting* first = Forms::get<setting>();
    ASSERT_NE(first, nullptr);
    first->Combo1->setCurrentIndex(2);  // a change the load would undo
    m->setpar->trigger();
    EXPECT_EQ(Forms::get<setting>(), first);
    EXPECT_EQ(first->Combo1->currentIndex(), 2);

    // A window that cannot open: one line in the log under the main window; the program goes on.
    Forms::registerFactory("Help", []() -> Form* { throw AppError(err::FileNotFound, "File not found"); });
    m->zarvium_menu->trigger();
    EXPECT_TRUE(logText().contains(QStringLiteral("\tPrincipale\t53\tFile not found")));
    EXPECT_TRUE(Forms::isLoaded("Principale"));
    Forms::registerFactory("Help", [] { return new Help; });
}

TEST_F(Commands, MenusAndPanelOpenTheShellWindows) {
    Principale* m = start();
    struct Case {
        std::function<void()> click;
        const char* window;
    } cases[] = {
        {[m] { m->c_data->trigger(); }, "cambia"},
        {[m] { QTest::mouseClick(m->Label2, Qt::LeftButton); }, "cambia"},
        {[m] { m->Service_menu->trigger(); }, "frmLogin"},
        {[m] { QTest::mouseDClick(m->Label3, Qt::LeftButton); }, "frmLogin"},
        {[m] { QTest::mouseDClick(m->Image8, Qt::LeftButton); }, "changelan"},
        {[m] { m->inserman->trigger(); }, "inserimento"},
        {[m] { m->zarvium_menu->trigger(); }, "Help"},
        {[m] { m->errlog->trigger(); }, "errlogmod"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        c.click();
        Form* w = Forms::find(QString::fromLatin1(c.window));
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        Forms::unload(QString::fromLatin1(c.window));
    }
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log")));
}

TEST_F(Commands, ReportSettingsOpenTheTextsDialogAndClosingTheProgramSavesNothing) {
    Principale* m = start();
    const QByteArray print = fileBytes(path("print.ini"));
    const QByteArray general = fileBytes(path("general.ini"));
    m->ref->trigger();
    auto* texts = Forms::get<Referto2>();
    ASSERT_NE(texts, nullptr);
    EXPECT_TRUE(texts->isVisible());
    QTest::mouseClick(texts->Command7, Qt::LeftButton);
    auto* layout = Forms::get<referto>();
    ASSERT_NE(layout, nullptr);
    texts->Text1->setText(QStringLiteral("not saved"));
    layout->Text[7]->setText(QStringLiteral("1"));
    Forms::unload("Principale");
    EXPECT_FALSE(Forms::isLoaded("Referto2"));
    EXPECT_FALSE(Forms::isLoaded("referto"));
    EXPECT_EQ(fileBytes(path("print.ini")), print);
    EXPECT_EQ(fileBytes(path("general.ini")), general);
}

TEST_F(Commands, QcWindowsOpenFromTheMenuAndTheToolbar) {
    {
        Connection reference(path("riferimenti.mdb"));
        reference.execute("DELETE FROM qc");
        reference.execute(
            "INSERT INTO qc (limite, valori, wbcL, wbcH, neuL, neuH, lymL, lymH, monoL, monoH, eosL, "
            "eosH, basoL, basoH, rbcL, rbcH, hgbL, hgbH, mcvL, mcvH, hctL, hctH, mchL, mchH, mchcL, "
            "mchcH, rdwL, rdwH, pltL, pltH, mpvL, mpvH) VALUES (1, 'Lotto 0426', 7.2, 8.8, 1, 9, 1, 9, "
            "1, 9, 1, 9, 1, 9, 4.1, 4.9, 1, 9, 1, 9, 1, 9, 1, 9, 1, 9, 1, 9, 180, 260, 1, 9)");
    }
    Principale* m = start();
    m->mqc2->trigger();
    qcrif* editor = Forms::get<qcrif>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Text6->text(), QStringLiteral("Lotto 0426"));
    EXPECT_EQ(editor->Text8->text(), QStringLiteral("4,5"));  // the configured mark

    // The statistics from the menu item, the QC cell and its picture; the
    // cell's marker is hidden while the window is open.
    const std::function<void()> openers[] = {[m] { m->mqc1->trigger(); },
                                             [m] { QTest::mouseClick(m->Label21, Qt::LeftButton); },
                                             [m] { QTest::mouseClick(m->Image4, Qt::LeftButton); }};
    for (const auto& open : openers) {
        ASSERT_TRUE(m->Shape7->isVisibleTo(m));
        open();
        qc* statistics = Forms::get<qc>();
        ASSERT_NE(statistics, nullptr);
        EXPECT_TRUE(statistics->isVisible());
        EXPECT_FALSE(m->Shape7->isVisibleTo(m));
        Forms::unload<qc>();
    }
    EXPECT_TRUE(m->Shape7->isVisibleTo(m));

    // Every window the menus open today, one after another, opens without an error.
    m->session().setAccessLevel(QStringLiteral("Service"));
    for (QAction* item : {m->mqc1, m->mqc2, m->c_data, m->Service_menu, m->inserman, m->vet2, m->uma1, m->rif_menu,
                          m->rifvet, m->setpar, m->zarvium_menu, m->errlog})
        item->trigger();
    EXPECT_TRUE(prompts_->messages.empty());
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log"))) << logText().toStdString();
}

}  // namespace
}  // namespace zv
