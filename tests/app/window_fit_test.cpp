// Every window on a 1024 x 768 screen, in the languages with the longest
// captions and with either decimal mark: whole on the screen, its buttons as
// wide as their captions, its lists' cells whole, and opened centred over the
// main window (the
// settings dialog opens at the screen's corner, the main window in the middle).
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableView>

#include "refdata/editor_fixture.h"
#include "support/results.h"

namespace zv {
namespace {

class WindowFit : public test::EditorTest, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        scriviini("language", "lingua", GetParam().first, "general.ini");
        scriviini("separatore", "decimale", GetParam().second, "general.ini");
    }
    // Where a window may be looked at (ZV_WINDOW_SHOTS): one picture a window.
    void keepPicture(QWidget* w) {
        const QString folder = qEnvironmentVariable("ZV_WINDOW_SHOTS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        const QString mark =
            GetParam().second == QStringLiteral(",") ? QStringLiteral("comma") : QStringLiteral("point");
        const QString name =
            QStringLiteral("%1/%2-%3-%4").arg(folder, w->objectName(), QLatin1String(GetParam().first), mark);
        w->grab().save(name + QStringLiteral(".png"));
        for (QTabWidget* tabs : w->findChildren<QTabWidget*>()) {
            const int shown = tabs->currentIndex();
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                w->grab().save(name + QStringLiteral("-tab%1.png").arg(i));
            }
            tabs->setCurrentIndex(shown);
        }
    }
    // A button whose caption is cut, or a window that is not whole on the screen.
    void expectWhole(QWidget* w) {
        SCOPED_TRACE(w->objectName().toStdString());
        const QRect free = w->screen()->availableGeometry();
        EXPECT_EQ(free.size(), QSize(1024, 768));
        EXPECT_TRUE(free.contains(w->frameGeometry()))
            << "frame " << w->frameGeometry().x() << "," << w->frameGeometry().y() << " " << w->frameGeometry().width()
            << "x" << w->frameGeometry().height();
        // A list's cells read whole (the sample ids and names of the worksheet
        // list), and every column shows without scrolling sideways.
        QApplication::processEvents();
        for (const QTableView* table : w->findChildren<QTableView*>()) {
            if (table->isVisibleTo(w)) {
                EXPECT_LE(table->horizontalHeader()->length(), table->viewport()->width())
                    << table->objectName().toStdString() << ": the last column is cut";
            }
            const QAbstractItemModel* model = table->model();
            for (int r = 0; model && r < std::min(model->rowCount(), 5); ++r)
                for (int c = 0; c < model->columnCount(); ++c) {
                    const QString text = model->index(r, c).data().toString();
                    EXPECT_GE(table->columnWidth(c), table->fontMetrics().horizontalAdvance(text))
                        << table->objectName().toStdString() << " \"" << text.toStdString() << "\"";
                }
        }
        // A caption reads whole: a label's text fits its box (a mnemonic's
        // '&' is not drawn; a file's path is data, cut at the box as anywhere).
        for (QLabel* l : w->findChildren<QLabel*>()) {
            const QString text = QString(l->text()).remove(QLatin1Char('&'));
            if (!l->isVisibleTo(w) || text.isEmpty() || l->wordWrap() || Qt::mightBeRichText(text) ||
                text.startsWith(QLatin1Char('/')))
                continue;
            int needed = 0;
            for (const QString& line : text.split(QLatin1Char('\n')))
                needed = std::max(needed, l->fontMetrics().horizontalAdvance(line));
            EXPECT_GE(l->contentsRect().width(), needed)
                << l->objectName().toStdString() << " \"" << text.toStdString() << "\"";
        }
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (!b->isVisibleTo(w) || b->text().isEmpty())
                continue;
            const int needed = b->fontMetrics().horizontalAdvance(b->text().remove(QLatin1Char('&')));
            EXPECT_GE(b->width(), needed) << b->objectName().toStdString() << " \"" << b->text().toStdString() << "\"";
        }
    }
};

TEST_P(WindowFit, EveryWindowIsWholeOnTheScreenAndOpensInSight) {
    {
        Connection daily(path("zarvium.mdb"));
        test::addTestResult(daily, QStringLiteral("LAB-2611-0042"), QStringLiteral("Dell'Acqua Margherita"));
        // More results than a list shows at once: its scroll bar takes room beside them.
        for (int i = 1; i <= 30; ++i)
            test::addTestResult(daily, QStringLiteral("S-%1").arg(i), QStringLiteral("Rossi"));
    }
    start();
    QWidget* main = Forms::find(QStringLiteral("Principale"));
    ASSERT_NE(main, nullptr);
    QApplication::processEvents();
    expectWhole(main);
    EXPECT_LE((main->frameGeometry().center() - QPoint(512, 384)).manhattanLength(), 2);
    keepPicture(main);

    for (const char* name : everyWindow()) {
        SCOPED_TRACE(name);
        Form* w = showWindow(name);
        ASSERT_NE(w, nullptr) << "closed itself";
        expectWhole(w);
        if (QLatin1String(name) != QLatin1String("setting")) {
            const QPoint off = w->frameGeometry().center() - main->frameGeometry().center();
            EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
        }
        keepPicture(w);
        Forms::unload(QLatin1String(name));
    }
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndMarks, WindowFit,
                         ::testing::Values(std::pair{"it", ","}, std::pair{"it", "."}, std::pair{"ru", ","},
                                           std::pair{"ru", "."}, std::pair{"de", ","}, std::pair{"fr", ","},
                                           std::pair{"es", ","}, std::pair{"en", "."}));

}  // namespace
}  // namespace zv
