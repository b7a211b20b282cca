#include "refdata/calibrationstore.h"

#include <QDir>
#include <QFile>

#include "core/config.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "support/fixture.h"

namespace zv {
namespace {

FactorTexts allOnes() {
    FactorTexts t;
    t.fill(QStringLiteral("1"));
    return t;
}

class CalibrationStore : public test::ProgramFolderTest {
protected:
    int32_t failure(const std::function<void()>& action, QString* description = nullptr) {
        try {
            action();
        } catch (const AppError& e) {
            if (description)
                *description = e.description();
            return e.number();
        }
        return 0;
    }
};

TEST_F(CalibrationStore, HumanSetIsReadAndWrittenKeyByKey) {
    EXPECT_EQ(readHumanFactors(), allOnes());
    FactorTexts texts = allOnes();
    texts[0] = QStringLiteral("1,05");
    texts[12] = QStringLiteral("0.9");
    scriviini("separatore", "decimale", ",", "general.ini");
    writeHumanFactors(texts);
    EXPECT_EQ(leggiini("cal", "wbc", "general.ini", 255), QStringLiteral("1,05"));
    EXPECT_EQ(leggiini("cal", "pdw", "general.ini", 255), QStringLiteral("0.9"));  // the only mark: read as 0.9
    EXPECT_EQ(readHumanFactors(), texts);
    // As the receiver reads them.
    EXPECT_DOUBLE_EQ(factorsFromTexts(readHumanFactors(), configuredDecimalMark()).of(ResultParameter::WBC), 1.05);

    scriviini("cal", "mpv", "1234567890", "general.ini");
    EXPECT_EQ(readHumanFactors()[11], QStringLiteral("1234567"));  // at most 7 characters
}

TEST_F(CalibrationStore, FactorsTheReceiverCouldNotReadAreRefused) {
    scriviini("separatore", "decimale", ",", "general.ini");
    struct Case {
        const char* text;
        bool number;
    } cases[] = {{"1", true},  {"1,1", true},    {"1.1", true},      {"0,95", true}, {"", false},
                 {",", false}, {"1,1,1", false}, {"1.234,5", false}, {"abc", false}, {"1¼", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FactorTexts texts = allOnes();
        texts[2] = QString::fromUtf8(c.text);  // lym
        EXPECT_EQ(firstBadFactor(texts), c.number ? std::nullopt : std::optional<int>(2));

        const QByteArray before = fileBytes(path("general.ini"));
        QString description;
        const int32_t number = failure([&] { writeHumanFactors(texts); }, &description);
        if (c.number) {
            EXPECT_EQ(number, 0);
            EXPECT_EQ(readHumanFactors()[2], QString::fromUtf8(c.text));
            writeHumanFactors(allOnes());
        } else {
            EXPECT_EQ(number, err::TypeMismatch);
            EXPECT_TRUE(description.contains("lym")) << description.toStdString();
            EXPECT_EQ(fileBytes(path("general.ini")), before);  // not one key written
        }
    }
}

TEST_F(CalibrationStore, FactorsThatDidNotReachTheFileAreAnError) {
    // A folder where the file should be: the profile writer cannot write it.
    QFile::remove(path("general.ini"));
    ASSERT_TRUE(QDir().mkpath(path("general.ini")));
    EXPECT_EQ(failure([] { writeHumanFactors(allOnes()); }), err::PathFileAccess);
}

TEST_F(CalibrationStore, SpeciesRowIsSavedWholeOrNotAtAll) {
    Connection cn(path("vet.mdb"));
    Recordset rs(cn, QString(kSpeciesFactorsSql));
    ASSERT_EQ(rs.text("animale"), QStringLiteral("CANE"));

    // A bad factor: nothing set, nothing added, the row unchanged.
    FactorTexts bad = allOnes();
    bad[6] = QString();
    rs.addNew();
    EXPECT_THROW(saveSpeciesFactors(rs, bad, "CAVALLO"), AppError);
    EXPECT_EQ(cn.scalar("SELECT count(*) FROM cal").toInt(), 2);

    FactorTexts texts = allOnes();
    texts[0] = QStringLiteral("1.2");
    saveSpeciesFactors(rs, texts, QStringLiteral("cavallo  "));  // the new row begun above
    EXPECT_EQ(cn.scalar("SELECT count(*) FROM cal").toInt(), 3);
    EXPECT_EQ(cn.scalar("SELECT wbc FROM cal WHERE animale = 'cavallo  '").toString(), QStringLiteral("1.2"));

    rs.moveFirst();
    saveSpeciesFactors(rs, allOnes(), QStringLiteral("DOG"));  // the row shown, its name included
    EXPECT_EQ(cn.scalar("SELECT count(*) FROM cal WHERE animale = 'CANE'").toInt(), 0);
    EXPECT_EQ(cn.scalar("SELECT count(*) FROM cal").toInt(), 3);
}

}  // namespace
}  // namespace zv
