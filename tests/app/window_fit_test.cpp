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

#include "core/language.h"
#include "core/programfiles.h"
#include "platform/widgets.h"
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
    // Where a window may be looked at (ZV_WINDOW_SHOTS): one picture a window,
    // and one a look other than the one it opens with (`state`).
    void keepPicture(QWidget* w, const QString& state = QString()) {
        const QString folder = qEnvironmentVariable("ZV_WINDOW_SHOTS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        const QString mark =
            GetParam().second == QStringLiteral(",") ? QStringLiteral("comma") : QStringLiteral("point");
        QString name =
            QStringLiteral("%1/%2-%3-%4").arg(folder, w->objectName(), QLatin1String(GetParam().first), mark);
        if (!state.isEmpty())
            name += QLatin1Char('-') + state;
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
        // '&' is not drawn); a message's or a path's label, by what it draws.
        for (QLabel* l : w->findChildren<QLabel*>()) {
            const auto* elided = qobject_cast<ElidedLabel*>(l);
            const QString text = QString(elided ? elided->shownText() : l->text()).remove(QLatin1Char('&'));
            if (!l->isVisibleTo(w) || text.isEmpty() || l->wordWrap() || Qt::mightBeRichText(text))
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

// However long a message or a path, its window keeps its width: the main
// window's status line given a long logged error, and each label that shows a
// message, a path or a file name given a long one.
TEST_P(WindowFit, LongMessagesAndPathsLeaveEveryWindowItsWidth) {
    const QString message = QStringLiteral("Porta seriale non disponibile ").repeated(14).left(400);
    const QString path = QStringLiteral("/home/laboratorio/") + QStringLiteral("cartella-del-programma/").repeated(16) +
                         QStringLiteral("zarviumtotale.mdb");
    start();
    QWidget* main = Forms::find(QStringLiteral("Principale"));
    ASSERT_NE(main, nullptr);
    QApplication::processEvents();
    const int mainWidth = main->frameGeometry().width();
    logerrore(75, message, QStringLiteral("ComCD"));
    QApplication::processEvents();
    expectWhole(main);
    EXPECT_EQ(main->frameGeometry().width(), mainWidth);
    keepPicture(main, QStringLiteral("long"));

    struct Case {
        const char* window;
        const char* label;
        const QString& text;
        const char* shownBy = nullptr;  // the button that brings the label into the window
    };
    const Case cases[] = {
        {"Principale", "Label59", path}, {"frmSplash", "Label1", message},
        {"Archivio2", "Label9", path},   {"Archivio2", "Label10", path},
        {"Archivio2", "Label32", path},  {"Archivio2", "Label35", path},
        {"Archivio2", "Label37", path},  {"formricerca", "Label9", path, "Command2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " " + c.label);
        QWidget* w =
            Forms::isLoaded(QLatin1String(c.window)) ? Forms::find(QLatin1String(c.window)) : showWindow(c.window);
        ASSERT_NE(w, nullptr);
        w->show();
        auto* label = w->findChild<QLabel*>(QLatin1String(c.label));
        ASSERT_NE(label, nullptr);
        label->setVisible(true);
        if (c.shownBy) {
            auto* button = w->findChild<QPushButton*>(QLatin1String(c.shownBy));
            ASSERT_NE(button, nullptr);
            click(button);
        }
        QApplication::processEvents();
        const int width = w->frameGeometry().width();
        label->setText(c.text);
        QApplication::processEvents();
        expectWhole(w);
        EXPECT_EQ(w->frameGeometry().width(), width);
        keepPicture(w, QStringLiteral("long-") + QLatin1String(c.label));
    }
}

// The start-up window's line says each of its messages whole, the back-up's
// with the longest database name and figure.
TEST_P(WindowFit, TheStartUpWindowSaysEachOfItsMessagesWhole) {
    start();
    auto* splash = Forms::find(QStringLiteral("frmSplash"));
    ASSERT_NE(splash, nullptr);
    splash->show();
    auto* line = splash->findChild<ElidedLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(line, nullptr);
    line->setVisible(true);
    const QString language = configuredLanguageFile();
    for (const char* key : {"msg4", "msg5", "msg6", "msg7"}) {
        QString text = languageText(language, QStringLiteral("splash"), QLatin1String(key));
        if (QLatin1String(key) == QLatin1String("msg7"))
            text = text.arg(file::archiveDb).arg(100);
        line->setText(text);
        QApplication::processEvents();
        EXPECT_FALSE(line->isElided()) << key << " \"" << line->shownText().toStdString() << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndMarks, WindowFit,
                         ::testing::Values(std::pair{"it", ","}, std::pair{"it", "."}, std::pair{"ru", ","},
                                           std::pair{"ru", "."}, std::pair{"de", ","}, std::pair{"fr", ","},
                                           std::pair{"es", ","}, std::pair{"en", "."}));

}  // namespace
}  // namespace zv
