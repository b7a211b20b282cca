// The numbers the windows work out show in the configured decimal mark, in
// every language and whatever the system's own mark is.
#include <QFile>
#include <QLocale>

#include "archive/archivio2.h"
#include "qc/qclot.h"
#include "qc/qcrif.h"
#include "refdata/editor_fixture.h"
#include "refdata/limiti.h"
#include "support/results.h"
#include "viewer/anagrafiche.h"

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

}  // namespace
}  // namespace zv
