#include "link/comcd.h"
#include "platform/database.h"
#include "refdata/calfact.h"
#include "refdata/editor_fixture.h"
#include "refdata/vet.h"
#include "support/results.h"
#include "support/transmission.h"

namespace zv {
namespace {

// Factors typed into the editors reach the receiver: the species row whose
// name matches a result's name, else the human set.
class SpeciesCalibration : public test::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        scriviini("port", "porta", pty.slavePath(), "port.ini");
        scriviini("general", "instrument", "CD3500", "port.ini");
    }
    test::PseudoTerminal pty;
};

TEST_F(SpeciesCalibration, RowSavedInTheEditorCalibratesMatchingResults) {
    start();
    // A new species, typed in as the user does.
    vet* species = Forms::show<vet>();
    click(species->Command4);
    type(species->Text14, "CAVALLO");
    type(species->Text1, "2");    // wbc
    type(species->Text7, "1,5");  // rbc, with the configured comma
    click(species->Command3);
    EXPECT_EQ(shown(), QStringList({say("vet", "msg2"), say("vet", "msg1")}));
    // The human set: rbc 1.1.
    calfact* human = Forms::show<calfact>();
    type(human->Text7, "1,1");
    click(human->Command1);
    ASSERT_TRUE(waitUnloaded("calfact"));

    ComCD* rx = Forms::load<ComCD>();  // On Line: the human set is read now
    ASSERT_NE(rx, nullptr);
    ASSERT_TRUE(rx->MSComm1->isOpen()) << logText().toStdString();
    test::SampleValues horse = test::normalSample(InstrumentModel::CD3500);
    horse.specName = QStringLiteral("cavallo   ");
    test::SampleValues person = test::normalSample(InstrumentModel::CD3500);
    person.specName = QStringLiteral("ROSSI MARIO");
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, horse) +
                          test::transmission(InstrumentModel::CD3500, person)));
    Connection& daily = Session::get().cn;
    ASSERT_TRUE(test::waitFor([&] { return test::rowCountOf(daily) >= 2; })) << logText().toStdString();

    Recordset rs(daily, "select * from datiQgrafici order by ID1");
    EXPECT_EQ(rs.text("specName"), QStringLiteral("cavallo"));
    EXPECT_DOUBLE_EQ(rs.field("WBC").toDouble(), 14.9);  // 7.456 x 2
    EXPECT_DOUBLE_EQ(rs.field("RBC").toDouble(), 6.78);  // 4.523 x 1.5 = 6.7845
    EXPECT_DOUBLE_EQ(rs.field("HGB").toDouble(), 13.6);  // its factor 1
    rs.moveNext();
    EXPECT_EQ(rs.text("specName"), QStringLiteral("ROSSI MARIO"));
    EXPECT_DOUBLE_EQ(rs.field("WBC").toDouble(), 7.46);
    EXPECT_DOUBLE_EQ(rs.field("RBC").toDouble(), 4.98);  // 4.523 x 1.1 = 4.9753

    // A species row changed while on line applies to the next result.
    species = Forms::get<vet>();
    ASSERT_NE(species, nullptr);
    click(species->Command8);
    ASSERT_EQ(species->Text14->text(), QStringLiteral("CAVALLO"));
    type(species->Text1, "3");
    click(species->Command3);
    EXPECT_EQ(shown(), QStringList{say("vet", "msg1")});
    ASSERT_TRUE(pty.write(test::transmission(InstrumentModel::CD3500, horse)));
    ASSERT_TRUE(test::waitFor([&] { return test::rowCountOf(daily) >= 3; })) << logText().toStdString();
    rs.requery();
    rs.moveLast();
    EXPECT_DOUBLE_EQ(rs.field("WBC").toDouble(), 22.4);  // 7.456 x 3 = 22.368
    EXPECT_FALSE(QFile::exists(path("log/08.12.26.log"))) << logText().toStdString();
}

}  // namespace
}  // namespace zv
