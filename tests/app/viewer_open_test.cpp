#include <QTest>

#include "app/principale.h"
#include "app/program_fixture.h"
#include "core/config.h"
#include "core/session.h"
#include "platform/forms.h"
#include "support/results.h"
#include "viewer/anagrafiche.h"
#include "viewer/formricerca.h"
#include "viewer/leggi.h"

namespace zv {
namespace {

// The viewer as a user opens it: from the running program's Analisi menu.
using ViewerFromMenu = test::ProgramFromMenu;

TEST_F(ViewerFromMenu, ShowsTheLowestIdAndReachesTheLast) {
    Forms::load("frmSplash");
    Principale* m = Forms::get<Principale>();
    ASSERT_NE(m, nullptr);
    Connection& daily = m->session().cn;
    test::addTestResult(daily, "S-1", "Rossi Mario", 7.46);
    test::addTestResult(daily, "S-2", "Bianchi Anna", 5.5);
    test::addTestResult(daily, "S-3", "Verdi Luca", 12.25);
    ASSERT_TRUE(m->Shape6->isVisibleTo(m));
    m->anag->trigger();
    leggi* v = Forms::get<leggi>();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_FALSE(m->Shape6->isVisibleTo(m));  // the cell's marker while the viewer is open
    EXPECT_EQ(v->Text10->text(), "S-1");
    EXPECT_EQ(v->Text1->text(), "Rossi Mario");
    EXPECT_EQ(v->Label11->text(), "7,46");
    EXPECT_EQ(v->Text24->text(), "3");
    QTest::mouseClick(v->Command4, Qt::LeftButton);
    EXPECT_EQ(v->Text10->text(), "S-3");
    EXPECT_EQ(v->Label11->text(), "12,25");
    // Opening it again brings it forward on the result it shows.
    m->anag->trigger();
    EXPECT_EQ(Forms::get<leggi>(), v);
    EXPECT_EQ(v->Text10->text(), "S-3");
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
    Forms::unload<leggi>();
    EXPECT_TRUE(m->Shape6->isVisibleTo(m));
}

TEST_F(ViewerFromMenu, AnEmptyDayClosesTheViewerAndShowsTheMarkerAgain) {
    Forms::load("frmSplash");
    Principale* m = Forms::get<Principale>();
    ASSERT_NE(m, nullptr);
    QTest::mouseClick(m->Label20, Qt::LeftButton);   // the ANALISI cell
    EXPECT_EQ(prompts_->takeMessages().size(), 1u);  // nothing to show
    EXPECT_FALSE(Forms::isLoaded("leggi"));
    EXPECT_TRUE(m->Shape6->isVisibleTo(m));
}

TEST_F(ViewerFromMenu, TheWorksheetListShowsTheDaysResultsApostrophesIncluded) {
    Forms::load("frmSplash");
    Principale* m = Forms::get<Principale>();
    ASSERT_NE(m, nullptr);
    Connection& daily = m->session().cn;
    test::addTestResult(daily, "S-1", "D'Amico Anna", 7.46);
    test::addTestResult(daily, "S-2", "O'Neil", 5.5);
    ASSERT_TRUE(m->Shape3->isVisibleTo(m));
    m->lavoro_m->trigger();
    auto* a = Forms::get<anagrafiche>();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(m->Shape3->isVisibleTo(m));
    ASSERT_EQ(a->model().rowCount(), 2);
    EXPECT_EQ(a->model().index(0, 2).data().toString(), "D'Amico Anna");
    EXPECT_EQ(a->model().index(1, 2).data().toString(), "O'Neil");
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
    Forms::unload<anagrafiche>();
    EXPECT_TRUE(m->Shape3->isVisibleTo(m));
}

TEST_F(ViewerFromMenu, ThePatientSearchOpensFromTheMenuAndHandsItsSearchToTheViewer) {
    Forms::load("frmSplash");
    Principale* m = Forms::get<Principale>();
    ASSERT_NE(m, nullptr);
    test::addTestResult(m->session().cntot, "S-1", "D'Amico Anna", 7.46);
    m->Ricerca_menu->trigger();
    auto* f = Forms::get<formricerca>();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(m->Shape5->isVisibleTo(m));
    f->Text1->setText("D'Amico");
    QTest::keyClick(f->Text1, Qt::Key_Return);
    leggi* v = Forms::get<leggi>();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Text1->text(), "D'Amico Anna");
    EXPECT_FALSE(m->Shape6->isVisibleTo(m));
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
    Forms::unload<formricerca>();
    EXPECT_TRUE(m->Shape5->isVisibleTo(m));
}

}  // namespace
}  // namespace zv
