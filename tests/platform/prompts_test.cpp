// The program's own prompts: Qt's dialogs as a user meets them.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/prompts.h"

namespace zv {
namespace {

TEST(QtPrompts, AnExistingFileIsQuestionedOnlyWhenItWillBeReplaced) {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("archivio.mdb"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    auto previous = setPrompts(nullptr);  // Qt's own dialogs

    struct Case {
        ExistingFile existing;
        bool questioned;
    };
    const Case cases[] = {{ExistingFile::Replaced, true}, {ExistingFile::AddedTo, false}};
    for (const Case& c : cases) {
        bool questioned = false;
        // Plays the user: names the existing file, and answers Yes to any question.
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                questioned = true;
                for (QAbstractButton* b : box->buttons())
                    if (box->buttonRole(b) == QMessageBox::YesRole)
                        b->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                // Typed into the name box: selectFile leaves the box alone
                // while it has the focus, which the dialog may give it first.
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    name->setText(existing);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            }
        });
        user.start(10);
        const QString chosen = prompts().saveFile(QStringLiteral("Destinazione"), dir.path(),
                                                  QStringLiteral("Database (*.mdb)"), c.existing);
        user.stop();
        EXPECT_EQ(chosen, existing);
        EXPECT_EQ(questioned, c.questioned) << int(c.existing);
    }
    setPrompts(std::move(previous));
}

// A box asked for on top stays above other windows and comes up active, over
// a window that had the focus; any other box is an ordinary one.
TEST(QtPrompts, AMessageAskedForOnTopStaysAboveOtherWindows) {
    auto previous = setPrompts(nullptr);  // Qt's own dialogs
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    for (const bool onTop : {false, true}) {
        bool hinted = !onTop;
        bool active = false;
        // Plays the user: looks at the box once it is the active window, then answers it.
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isActiveWindow())
                return;
            hinted = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            active = true;
            box->button(QMessageBox::Ok)->click();
        });
        user.start(10);
        MessageRequest request;
        request.text = QStringLiteral("Zarvium è già in esecuzione!");
        request.onTop = onTop;
        EXPECT_EQ(prompts().message(request), MsgResult::OK);
        user.stop();
        EXPECT_TRUE(active) << onTop;
        EXPECT_EQ(hinted, onTop);
    }
    setPrompts(std::move(previous));
}

}  // namespace
}  // namespace zv
