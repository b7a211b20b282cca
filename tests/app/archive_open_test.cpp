#include <QTest>

#include "app/principale.h"
#include "app/program_fixture.h"
#include "archive/archivio2.h"
#include "core/config.h"
#include "core/session.h"
#include "model/resultstore.h"
#include "platform/forms.h"
#include "support/results.h"

namespace zv {
namespace {

// The archive manager as a user opens it: from the running program's menu.
using ArchiveFromMenu = test::ProgramFromMenu;

TEST_F(ArchiveFromMenu, ListsTheArchiveYearsAndLogsNoError) {
    Forms::load("frmSplash");
    Principale* m = Forms::get<Principale>();
    ASSERT_NE(m, nullptr);
    test::addTestResult(m->session().cntot, "S-1", "Rossi Mario");  // dated 07/12/26
    test::addTestResult(m->session().cntot, "S-2", "Bianchi Anna");
    m->Gestione_menu->trigger();
    Archivio2* w = Forms::get<Archivio2>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(m->Shape4->isVisibleTo(m));  // the cell's marker while the window is open
    QTest::mouseClick(w->Command8, Qt::LeftButton);
    ASSERT_EQ(w->List2->count(), 1);
    EXPECT_EQ(w->List2->item(0)->text(), "2026");
    EXPECT_EQ(w->Label30->text(), "2");
    EXPECT_TRUE(prompts_->takeMessages().empty());
    EXPECT_TRUE(logText().isEmpty()) << logText().toStdString();
    Forms::unload<Archivio2>();
    EXPECT_TRUE(m->Shape4->isVisibleTo(m));
}

}  // namespace
}  // namespace zv
