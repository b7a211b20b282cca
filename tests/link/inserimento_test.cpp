#include <QApplication>
#include <QClipboard>
#include <QLocale>
#include <QTest>

#include "app/cambia.h"
#include "core/language.h"
#include "link/inserimento.h"
#include "model/resultstore.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "platform/refusal.h"
#include "support/calendar.h"
#include "support/marks.h"
#include "support/notifierlog.h"
#include "support/results.h"
#include "support/started_program.h"

namespace zv {
namespace {

using P = ResultParameter;

const QString kStartId = QStringLiteral("Inserire Codice ID!");
const QString kStartName = QStringLiteral("Inserire Nome Paziente!");

// Types text key by key; letters beyond ASCII come as the keys that type them.
void typeKeys(QWidget* box, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(box, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

class ManualEntryWindow : public test::StartedProgramTest {
protected:
    // Opens the window as the menu command does and makes it the active one,
    // so that the keys go where the focus is.
    inserimento* open() {
        inserimento* entry = Forms::show<inserimento>();
        EXPECT_NE(entry, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowActive(entry));
        return entry;
    }
    // Types into the box that has the focus, then Tab to the next one.
    void typeAndTab(inserimento* entry, const QString& keys) {
        QWidget* box = QApplication::focusWidget();
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->window(), entry);
        typeKeys(box, keys);
        QTest::keyClick(box, Qt::Key_Tab);
    }
    std::vector<ResultRecord> stored(Session& session) {
        std::vector<ResultRecord> results;
        Recordset rs(session.cn, "select * from datiQgrafici order by ID1");
        for (; !rs.eof(); rs.moveNext())
            results.push_back(readResult(rs));
        return results;
    }
    std::array<QLineEdit*, 19> boxes(inserimento* e) {
        return {e->Text1,  e->Text2,  e->Text3,  e->Text4,  e->Text5,  e->Text6,  e->Text7,
                e->Text8,  e->Text9,  e->Text10, e->Text11, e->Text12, e->Text13, e->Text14,
                e->Text15, e->Text16, e->Text17, e->Text18, e->Text19};
    }
    void expectStartingTexts(inserimento* entry) {
        for (int i = 0; i < 17; ++i)
            EXPECT_EQ(boxes(entry)[std::size_t(i)]->text(), QStringLiteral("0,0")) << "Text" << i + 1;
        EXPECT_EQ(entry->Text18->text(), kStartId);
        EXPECT_EQ(entry->Text19->text(), kStartName);
    }
};

// Keys typed into the boxes in tab order and the save button, as the user does.
TEST_F(ManualEntryWindow, TypedBloodCountIsStoredAsNumbers) {
    Session& session = start();
    test::NotifierLog news;
    inserimento* entry = open();
    expectStartingTexts(entry);
    EXPECT_EQ(QApplication::focusWidget(), entry->Text1);
    const char* typed[17] = {"7,3", "55,2", "30,1", "8",    "4,5", "0,7", "4.5",  "13,8", "41,2",
                             "91",  "30,6", "33,5", "12,9", "250", "9,1", "0,23", "16,4"};
    for (const char* keys : typed)
        typeAndTab(entry, QString::fromLatin1(keys));
    typeAndTab(entry, QStringLiteral("0042/B"));
    typeAndTab(entry, QStringLiteral("D'Amico Ñoño"));
    EXPECT_EQ(QApplication::focusWidget(), entry->Command1);
    EXPECT_EQ(entry->Text7->text(), QStringLiteral("4,5"));  // the point types the comma
    QTest::mouseClick(entry->Command1, Qt::LeftButton);

    const std::vector<ResultRecord> results = stored(session);
    ASSERT_EQ(results.size(), 1u);
    const ResultRecord& r = results[0];
    EXPECT_EQ(r.seq, QStringLiteral("Man."));
    EXPECT_EQ(r.specId, QStringLiteral("0042/B"));
    EXPECT_EQ(r.specName, QStringLiteral("D'Amico Ñoño"));
    EXPECT_EQ(r.date, QStringLiteral("08/12/26"));
    EXPECT_EQ(r.note, QStringLiteral("."));
    EXPECT_EQ(r.Limits, 0);
    EXPECT_EQ(r.flags.SamplError, 0);
    for (const auto& [name, member] : AlarmFlags::textFlags())
        EXPECT_EQ(r.flags.*member, QStringLiteral("0")) << name.toStdString();
    for (const Histogram& h : r.histograms)
        for (const OptionalText& channel : h.channels)
            ASSERT_EQ(channel, QStringLiteral("0"));
    const std::pair<P, double> values[] = {
        {P::WBC, 7.3},  {P::neu, 55.2}, {P::lym, 30.1}, {P::mono, 8},   {P::eos, 4.5},  {P::baso, 0.7},
        {P::RBC, 4.5},  {P::HGB, 13.8}, {P::HCT, 41.2}, {P::MCV, 91},   {P::MCH, 30.6}, {P::MCHC, 33.5},
        {P::RDW, 12.9}, {P::PLT, 250},  {P::MPV, 9.1},  {P::PCT, 0.23}, {P::PDW, 16.4}};
    for (const auto& [parameter, value] : values)
        EXPECT_EQ(r.value(parameter), value) << parameterInfo(parameter).field.toStdString();
    // Stored as numbers, not as the typed texts.
    EXPECT_EQ(session.cn.scalar("select typeof(WBC) from datinumerici").toString(), QStringLiteral("real"));
    EXPECT_FALSE(r.sesso.has_value());
    EXPECT_FALSE(r.DdN.has_value());

    // Ready for the next result; nothing counted on the main window.
    EXPECT_FALSE(closed<inserimento>());
    expectStartingTexts(entry);
    EXPECT_TRUE(news.stored.empty());
    EXPECT_EQ(news.count, 0);
}

TEST_F(ManualEntryWindow, KeyFilterOfTheValueBoxes) {
    start();
    inserimento* entry = open();
    struct Case {
        QLineEdit* box;
        const char* keys;
        const char* shown;
    } cases[] = {
        {entry->Text2, "4.5", "4,5"},   {entry->Text3, "4,5", "4,5"},        {entry->Text4, "a1-b2 ", "12"},
        {entry->Text5, "1+2e3", "123"}, {entry->Text18, "AB 1.2", "AB 1.2"}, {entry->Text19, "Né-x", "Né-x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        c.box->clear();
        typeKeys(c.box, QString::fromUtf8(c.keys));
        EXPECT_EQ(c.box->text(), QString::fromUtf8(c.shown));
    }
    // Backspace and Enter pass; Enter neither saves nor moves the focus.
    entry->Text6->setFocus();
    QTest::keyClick(entry->Text6, Qt::Key_End);
    QTest::keyClick(entry->Text6, Qt::Key_Backspace);
    EXPECT_EQ(entry->Text6->text(), QStringLiteral("0,"));
    QTest::keyClick(entry->Text6, Qt::Key_Return);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(QApplication::focusWidget(), entry->Text6);
    EXPECT_EQ(test::rowCountOf(Session::get().cn), 0);
}

// An emptied box, a value with two marks or pasted text that is no number:
// nothing stored, the boxes keep their texts, the failure is logged under the
// window's name, and the window says so in its language with the box marked.
TEST_F(ManualEntryWindow, ValueThatIsNoNumberIsRefused) {
    Session& session = start();
    inserimento* entry = open();
    struct Case {
        const char* what;
        std::function<void()> spoil;
        QLineEdit* box;
        const char* field;
        const char* caption;  // the value's name in the message: its caption beside the box
    } cases[] = {
        {"emptied",
         [&] {
             entry->Text4->setFocus();
             QTest::keyClick(entry->Text4, Qt::Key_End);
             for (int i = 0; i < 3; ++i)
                 QTest::keyClick(entry->Text4, Qt::Key_Backspace);
         },
         entry->Text4, "mono%", "Mono %"},
        {"pasted",
         [&] {
             QApplication::clipboard()->setText(QStringLiteral("7,3 g/dL"));
             entry->Text8->selectAll();
             entry->Text8->paste();
         },
         entry->Text8, "HGB", "HGB"},
        {"two marks",
         [&] {
             entry->Text13->setFocus();
             entry->Text13->selectAll();
             typeKeys(entry->Text13, QStringLiteral("0,07,9"));
         },
         entry->Text13, "RDW", "RDW"},
    };
    const QString refusal = languageText(session.linguax, "inserimento", "msg1");
    EXPECT_FALSE(refusal.isEmpty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        entry->inizializza();
        entry->Text19->setText(QStringLiteral("ROSSI"));
        c.spoil();
        const QString spoiled = c.box->text();
        QTest::mouseClick(entry->Command1, Qt::LeftButton);
        EXPECT_EQ(test::rowCountOf(session.cn), 0);
        EXPECT_EQ(c.box->text(), spoiled);
        EXPECT_EQ(entry->Text19->text(), QStringLiteral("ROSSI"));
        EXPECT_EQ(entry->Text1->text(), QStringLiteral("0,0"));
        const QByteArray log = fileBytes(path("log/08.12.26.log"));
        EXPECT_TRUE(log.contains(QStringLiteral("\tinserimento\t13\t%1: \"%2\"").arg(c.field, spoiled).toUtf8()))
            << log.toStdString();
        const auto messages = prompts_->takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.startsWith(refusal)) << messages[0].text.toStdString();
        EXPECT_TRUE(messages[0].text.endsWith(QStringLiteral(" %1 \"%2\"").arg(c.caption, spoiled)))
            << messages[0].text.toStdString();
        EXPECT_EQ(messages[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(isMarkedRefused(c.box));
        EXPECT_EQ(QApplication::focusWidget(), c.box);
        for (QLineEdit* other : boxes(entry))
            EXPECT_TRUE(other == c.box || !isMarkedRefused(other)) << other->objectName().toStdString();
    }
    // The mark goes as the box is corrected.
    entry->Text13->setText(QStringLiteral("13,1"));
    EXPECT_FALSE(isMarkedRefused(entry->Text13));
    // Corrected, it saves.
    entry->Text8->setText(QStringLiteral("7,3"));
    entry->Text4->setText(QStringLiteral("1"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    const std::vector<ResultRecord> results = stored(session);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].value(P::HGB), 7.3);
    EXPECT_EQ(results[0].specName, QStringLiteral("ROSSI"));
}

// The comma set, a platelet count typed with the keypad's point is stored as
// typed, never ten times larger.
TEST_F(ManualEntryWindow, PointTypedWithTheCommaSetStoresTheValueTyped) {
    start();
    inserimento* entry = open();
    entry->Text14->setFocus();
    entry->Text14->selectAll();
    QTest::keyClicks(entry->Text14, "25");
    QTest::keyClick(entry->Text14, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(entry->Text14, "4");
    EXPECT_EQ(entry->Text14->text(), QStringLiteral("25,4"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    EXPECT_TRUE(prompts_->takeMessages().empty());
    Connection store(path("zarvium.mdb"));
    EXPECT_EQ(store.scalar("select PLT from datiQgrafici").toDouble(), 25.4);
}

TEST_F(ManualEntryWindow, SavingAtOnceStoresTheStartingTexts) {
    Session& session = start();
    inserimento* entry = open();
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    const std::vector<ResultRecord> results = stored(session);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_LT(results[0].ID1, results[1].ID1);
    for (const ResultRecord& r : results) {
        EXPECT_EQ(r.specId, kStartId);
        EXPECT_EQ(r.specName, kStartName);
        EXPECT_EQ(r.seq, QStringLiteral("Man."));
        for (ResultParameter p : {P::WBC, P::HCT, P::PDW})
            EXPECT_EQ(r.value(p), 0.0);
    }
}

// A work date other than today stamps the typed result, which still goes to the daily database.
TEST_F(ManualEntryWindow, CarriesThePickedWorkDate) {
    scriviini("date", "format", "dd/mm/yyyy", "general.ini");
    Session& session = start();
    cambia* dialog = Forms::show<cambia>();
    ASSERT_NE(dialog, nullptr);
    test::clickDay(dialog->MonthView1, QDate(2026, 12, 7));
    ASSERT_TRUE(closed<cambia>());
    ASSERT_TRUE(session.dbtotal);
    inserimento* entry = open();
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    const std::vector<ResultRecord> results = stored(session);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].date, QStringLiteral("07/12/2026"));
    EXPECT_EQ(test::rowCountOf(session.cntot), 0);
}

// The boxes start, take keys and read in the configured mark whatever the
// system's (the default locale has the other one); a value with the other
// mark alone, as pasted, still reads.
TEST_F(ManualEntryWindow, ValuesStartAndAreTypedInTheConfiguredMark) {
    const QLocale before;
    for (const test::MarkCase& c : test::markCases()) {
        SCOPED_TRACE(std::string(c.mark) + " " + c.lingua);
        const QString m = QString::fromLatin1(c.mark);
        const QString other = m == QStringLiteral(",") ? QStringLiteral(".") : QStringLiteral(",");
        QLocale::setDefault(c.system);
        scriviini("separatore", "decimale", m, "general.ini");
        scriviini("language", "lingua", c.lingua, "general.ini");
        Session& session = start();
        const std::size_t earlier = stored(session).size();
        inserimento* entry = open();
        for (int i = 0; i < 17; ++i)
            EXPECT_EQ(boxes(entry)[std::size_t(i)]->text(), QStringLiteral("0") + m + QStringLiteral("0"))
                << "Text" << i + 1;
        entry->Text1->clear();
        typeKeys(entry->Text1, QStringLiteral("7") + other + QStringLiteral("35"));
        EXPECT_EQ(entry->Text1->text(), QStringLiteral("7") + m + QStringLiteral("35"));  // the other mark types it
        entry->Text2->setText(QStringLiteral("55") + other + QStringLiteral("2"));        // pasted
        QTest::mouseClick(entry->Command1, Qt::LeftButton);
        EXPECT_TRUE(prompts_->takeMessages().empty());
        const std::vector<ResultRecord> results = stored(session);
        ASSERT_EQ(results.size(), earlier + 1);
        EXPECT_EQ(results.back().value(P::WBC), 7.35);
        EXPECT_EQ(results.back().value(P::neu), 55.2);
        EXPECT_EQ(results.back().value(P::lym), 0.0);
        Forms::unloadAll();
    }
    QLocale::setDefault(before);
}

TEST_F(ManualEntryWindow, OpenAgainKeepsWhatIsTyped) {
    scriviini("language", "lingua", "ru", "general.ini");
    start();
    inserimento* entry = open();
    EXPECT_EQ(entry->windowTitle(), languageText("ru.ini", "inserimento", "titolo"));
    EXPECT_EQ(entry->Label7->text(), languageText("ru.ini", "inserimento", "lbl7"));
    EXPECT_EQ(entry->Label8->text(), languageText("ru.ini", "inserimento", "lbl8"));
    EXPECT_EQ(entry->Command1->text(), languageText("ru.ini", "inserimento", "cmd1"));
    entry->Text19->setText(QStringLiteral("VERDI"));
    EXPECT_EQ(Forms::show<inserimento>(), entry);
    EXPECT_EQ(entry->Text19->text(), QStringLiteral("VERDI"));
    entry->close();
    EXPECT_TRUE(closed<inserimento>());
}

}  // namespace
}  // namespace zv
