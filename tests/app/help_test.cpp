#include <QFile>
#include <QTest>

#include "app/help.h"
#include "core/language.h"
#include "platform/forms.h"
#include "support/started_program.h"

namespace zv {
namespace {

class AboutBox : public test::StartedProgramTest {};

TEST_F(AboutBox, NamesTheProgramItsVersionAndDistributor) {
    scriviini("vendor", "help", "Laboratori Riuniti D'Amico", "oem.ini");
    start();
    Help* about = Forms::show<Help>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("Zarvium"));
    EXPECT_EQ(about->Label1->text(), QStringLiteral("Zarvium"));
    EXPECT_EQ(about->Label2->text(),
              QStringLiteral("Software per l'acquisizione, la gestione e la refertazione di analisi ematologiche"));
    EXPECT_EQ(
        about->Label3->text(),
        QStringLiteral("Versione: %1.%2.%3 Vet.").arg(ZV_VERSION_MAJOR).arg(ZV_VERSION_MINOR).arg(ZV_VERSION_PATCH));
    EXPECT_EQ(about->Label4->text(), QStringLiteral("Software per la gestione di esami ematologici distribuito da:"));
    EXPECT_EQ(about->Label5->text(), QStringLiteral("Laboratori Riuniti D'Amico"));
    QTest::mouseClick(about->Command1, Qt::LeftButton);
    EXPECT_TRUE(closed<Help>());
}

TEST_F(AboutBox, DistributorLineFromTheVendorFile) {
    struct Case {
        const char* name;
        bool present;
        QString value;
        QString shown;
    } cases[] = {{"oem.ini absent", false, {}, {}},
                 {"long text", true, QString(300, QLatin1Char('x')), QString(254, QLatin1Char('x'))}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path("oem.ini"));
        if (c.present)
            scriviini("vendor", "help", c.value, "oem.ini");
        start();
        Help* about = Forms::show<Help>();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->Label5->text(), c.shown);
        EXPECT_EQ(about->Label1->text(), QStringLiteral("Zarvium"));
        EXPECT_FALSE(about->Label3->text().isEmpty());
        Forms::unloadAll();
    }
}

TEST_F(AboutBox, TextsFollowTheLanguage) {
    scriviini("language", "lingua", "es", "general.ini");
    start();
    Help* about = Forms::show<Help>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->Label2->text(), languageText("es.ini", "help", "label2"));
    EXPECT_TRUE(about->Label3->text().startsWith(languageText("es.ini", "help", "label3") + QStringLiteral(" ")));
}

}  // namespace
}  // namespace zv
