// The numbers the windows work out show in the configured decimal mark, in
// every language and whatever the system's own mark is.
#include <QFile>
#include <QLocale>
#include <QTest>

#include <functional>

#include "archive/archivio2.h"
#include "link/inserimento.h"
#include "qc/qclot.h"
#include "qc/qcrif.h"
#include "refdata/calfact.h"
#include "refdata/editor_fixture.h"
#include "refdata/limiti.h"
#include "refdata/vet.h"
#include "support/results.h"
#include "viewer/anagrafiche.h"
#include "viewer/leggi.h"

namespace zv {
namespace {

struct MarkCase {
    const char* mark;
    const char* language;
};

class ConfiguredMark : public test::EditorTest, public ::testing::WithParamInterface<MarkCase> {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        scriviini("separatore", "decimale", GetParam().mark, "general.ini");
        scriviini("language", "lingua", GetParam().language, "general.ini");
        // The system's mark is the other one.
        QLocale::setDefault(mark() == QLatin1Char(',') ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                       : QLocale(QLocale::German, QLocale::Germany));
    }
    void TearDown() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EditorTest::TearDown();
    }
    QChar mark() const { return QLatin1Char(GetParam().mark[0]); }
    // "1.25" written with the configured mark.
    QString marked(const char* number) const { return QString::fromLatin1(number).replace(QLatin1Char('.'), mark()); }
};

TEST_P(ConfiguredMark, WindowsShowWorkedOutNumbersInIt) {
    {
        Connection reference(path("riferimenti.mdb"));
        reference.execute("DELETE FROM qc");
        QString columns = QStringLiteral("limite, valori");
        QString values = QStringLiteral("1, 'LOT'");
        for (const QcParameter& p : qcParameters()) {
            columns += QStringLiteral(", %1, %2").arg(p.low(), p.high());
            values += QStringLiteral(", 1, 1.5");
        }
        reference.execute(QStringLiteral("INSERT INTO qc (%1) VALUES (%2)").arg(columns, values));
        Connection daily(path("zarvium.mdb"));
        test::addTestResult(daily, QStringLiteral("A-1"), QStringLiteral("Rossi"), 7.46);
    }
    {
        QFile log(path("rxlog/port.log"));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        log.write(QByteArray(1500, 'x'));  // 1.43 KB
    }
    start();

    // The QC lot editor: target and range of a lot.
    qcrif* lots = Forms::show<qcrif>();
    ASSERT_NE(lots, nullptr);
    EXPECT_EQ(lots->Text4->text(), marked("1.25"));
    EXPECT_EQ(lots->Text5->text(), marked("0.2"));

    // The archive manager's folder sizes.
    Archivio2* archive = Forms::show<Archivio2>();
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->Label6->text(), QStringLiteral("( %1 KB )").arg(marked("1.43")));

    // The worksheet list's values.
    anagrafiche* list = Forms::show<anagrafiche>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->model().cellText(0, 3), marked("7.46"));

    // The absolute counts the range editor works out (WBC 4 x Neu 40 %).
    Limiti* ranges = Forms::show<Limiti>();
    ASSERT_NE(ranges, nullptr);
    click(ranges->Command5);
    EXPECT_EQ(ranges->Text60->text(), marked("1.6"));
    EXPECT_TRUE(shown().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(MarksAndLanguages, ConfiguredMark,
                         ::testing::Values(MarkCase{",", "it"}, MarkCase{".", "it"}, MarkCase{",", "de"},
                                           MarkCase{".", "de"}, MarkCase{",", "ru"}, MarkCase{".", "ru"}),
                         [](const auto& info) {
                             return std::string(info.param.language) +
                                    (info.param.mark[0] == ',' ? "_comma" : "_point");
                         });

// The other of "," and "." typed into a number box of any kind types the
// configured mark, and the box judges it as that mark: a second one fares as
// a second configured mark would.
class OtherMark : public ConfiguredMark {};

TEST_P(OtherMark, TypesTheConfiguredOneInEveryKindOfNumberBox) {
    {
        Connection daily(path("zarvium.mdb"));
        test::addTestResult(daily, QStringLiteral("A-1"), QStringLiteral("Rossi"), 7.46);
    }
    start();
    const QChar other = mark() == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    const std::pair<const char*, std::function<QLineEdit*()>> boxes[] = {
        {"manual entry", [] { return Forms::show<inserimento>()->Text14; }},
        {"viewer",
         [] {
             leggi* viewer = Forms::show<leggi>();
             click(viewer->Command14);  // the platelet values open for editing
             return viewer->Text26;
         }},
        {"reference ranges", [] { return Forms::show<Limiti>()->Text5; }},
        {"species ranges", [] { return Forms::show<limitivet>()->Text5; }},
        {"calibration", [] { return Forms::show<calfact>()->Text1; }},
        {"species calibration", [] { return Forms::show<vet>()->Text1; }},
        {"QC lot", [] { return Forms::show<qcrif>()->Text4; }},
    };
    // Keys as a user types them; `m` stands for the mark.
    const auto typed = [](QLineEdit* box, const char* keys, QChar m) {
        box->clear();
        box->setFocus();
        QTest::keyClicks(box, QString::fromLatin1(keys).replace(QLatin1Char('m'), m));
        return box->text();
    };
    for (const auto& [what, open] : boxes) {
        SCOPED_TRACE(what);
        QLineEdit* box = open();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(typed(box, "25m4", other), marked("25.4"));
        EXPECT_EQ(typed(box, "1m2m3", other), typed(box, "1m2m3", mark()));
    }
    EXPECT_TRUE(shown().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Marks, OtherMark, ::testing::Values(MarkCase{",", "it"}, MarkCase{".", "it"}),
                         [](const auto& info) { return std::string(info.param.mark[0] == ',' ? "comma" : "point"); });

}  // namespace
}  // namespace zv
