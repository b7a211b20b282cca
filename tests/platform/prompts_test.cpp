// The program's own prompts: Qt's dialogs as a user meets them.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
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

}  // namespace
}  // namespace zv
