// Every window grabbed offscreen and compared pixel for pixel with the
// pictures kept beside this file (reference/): a caption, a control or a
// colour that moves by one pixel fails. Italian with "," and Russian with "."
// on the 1024 x 768 screen, from one fixed program folder, result and clock.
// A mismatch leaves the window's picture and a picture of the differing
// pixels in the build tree and names them. ZV_GRAB_UPDATE=1 rewrites the
// references instead (only when a window is meant to change).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>

#include "refdata/editor_fixture.h"
#include "support/results.h"

namespace zv {
namespace {

// A pixel that differs shows red on the faded reference.
QImage differencePicture(const QImage& expected, const QImage& actual) {
    const QSize size = expected.size().expandedTo(actual.size());
    QImage diff(size, QImage::Format_RGB32);
    diff.fill(Qt::white);
    {
        QPainter p(&diff);
        p.setOpacity(0.25);
        p.drawImage(0, 0, expected);
    }
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const bool inBoth = expected.rect().contains(x, y) && actual.rect().contains(x, y);
            if (!inBoth || expected.pixel(x, y) != actual.pixel(x, y))
                diff.setPixel(x, y, qRgb(255, 0, 0));
        }
    return diff;
}

// How many pixels differ (the whole area when the sizes differ).
qsizetype differingPixels(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size())
        return qsizetype(expected.width()) * expected.height() + qsizetype(actual.width()) * actual.height();
    qsizetype count = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            count += expected.pixel(x, y) != actual.pixel(x, y);
    return count;
}

class WindowGrab : public test::EditorTest, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        moveToFixedFolder();
        scriviini("language", "lingua", GetParam().first, "general.ini");
        scriviini("separatore", "decimale", GetParam().second, "general.ini");
        // A caret that does not blink is drawn the same at every grab.
        QApplication::setCursorFlashTime(0);
        {
            Connection daily(path("zarvium.mdb"));
            test::addTestResult(daily, QStringLiteral("LAB-2611-0042"), QStringLiteral("Dell'Acqua Margherita"));
        }
        start();
    }
    void TearDown() override {
        QApplication::setCursorFlashTime(1000);
        EditorTest::TearDown();
        if (!fixedFolder_.isEmpty())
            QFileInfo(fixedFolder_).dir().removeRecursively();
    }

    // The windows that show the program folder's path (the archive's source
    // database) draw the same text on every run: the folder has one name, and
    // a run waits for another run that uses it.
    void moveToFixedFolder() {
        const QString base = QStringLiteral("/tmp/zvgrab-%1").arg(QLatin1String(GetParam().first));
        lock_ = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
        lock_->setStaleLockTime(0);
        ASSERT_TRUE(lock_->lock());
        fixedFolder_ = base + QStringLiteral("/zarvium");
        QDir(fixedFolder_).removeRecursively();
        test::copyFolder(folder_, fixedFolder_);
        folder_ = fixedFolder_;
        setProgramFolder(folder_);
    }

    std::unique_ptr<QLockFile> lock_;
    QString fixedFolder_;

    QString pictureName(const QString& window, const QString& state) const {
        const QString mark =
            GetParam().second == QStringLiteral(",") ? QStringLiteral("comma") : QStringLiteral("point");
        QString name = QStringLiteral("%1-%2-%3").arg(window, QLatin1String(GetParam().first), mark);
        if (!state.isEmpty())
            name += QLatin1Char('-') + state;
        return name + QStringLiteral(".png");
    }

    // The window as it shows now against its reference picture.
    // `state` names a look other than the one the window opens with.
    void expectLooksAsBefore(QWidget* w, const QString& state = QString()) {
        const QString name = pictureName(w->objectName(), state);
        const QImage actual = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString reference = QStringLiteral(ZV_GRAB_REFERENCE "/") + name;
        if (qEnvironmentVariableIntValue("ZV_GRAB_UPDATE")) {
            ASSERT_TRUE(actual.save(reference)) << reference.toStdString();
            return;
        }
        QImage expected(reference);
        ASSERT_FALSE(expected.isNull()) << "no reference picture " << reference.toStdString();
        expected = expected.convertToFormat(QImage::Format_RGB32);
        const qsizetype differing = differingPixels(expected, actual);
        if (differing == 0)
            return;
        const QString out = QStringLiteral(ZV_GRAB_OUTPUT);
        QDir().mkpath(out);
        const QString actualFile = out + QStringLiteral("/actual-") + name;
        const QString diffFile = out + QStringLiteral("/diff-") + name;
        actual.save(actualFile);
        differencePicture(expected, actual).save(diffFile);
        ADD_FAILURE() << name.toStdString() << ": " << differing << " pixels differ (" << actual.width() << "x"
                      << actual.height() << " against " << expected.width() << "x" << expected.height() << "); see "
                      << actualFile.toStdString() << " and " << diffFile.toStdString();
    }

    // The window, and each page of each of its tab widgets.
    void expectAllPagesLookAsBefore(QWidget* w) {
        expectLooksAsBefore(w);
        int tab = 0;
        for (QTabWidget* tabs : w->findChildren<QTabWidget*>()) {
            const int shown = tabs->currentIndex();
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                expectLooksAsBefore(w, QStringLiteral("tab%1").arg(tab++));
            }
            tabs->setCurrentIndex(shown);
        }
    }
};

TEST_P(WindowGrab, EveryWindowLooksAsItsReference) {
    QWidget* main = Forms::find(QStringLiteral("Principale"));
    ASSERT_NE(main, nullptr);
    QApplication::processEvents();
    expectAllPagesLookAsBefore(main);

    // The start-up window as the start leaves it, hidden behind the main
    // window, and with its status line showing as during the start.
    Form* splash = Forms::find(QStringLiteral("frmSplash"));
    ASSERT_NE(splash, nullptr);
    splash->show();
    QApplication::processEvents();
    expectLooksAsBefore(splash);
    auto* status = splash->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(status, nullptr);
    status->setVisible(true);
    QApplication::processEvents();
    expectLooksAsBefore(splash, QStringLiteral("status"));
    status->setVisible(false);
    splash->hide();

    for (const char* name : everyWindow()) {
        SCOPED_TRACE(name);
        Form* w = showWindow(name);
        ASSERT_NE(w, nullptr) << "closed itself";
        expectAllPagesLookAsBefore(w);
        // The search window's lower half, shown by its ">>>" button.
        if (QLatin1String(name) == QLatin1String("formricerca")) {
            auto* more = w->findChild<QPushButton*>(QStringLiteral("Command2"));
            ASSERT_NE(more, nullptr);
            more->click();
            QApplication::processEvents();
            expectLooksAsBefore(w, QStringLiteral("expanded"));
        }
        Forms::unload(QLatin1String(name));
    }
}

// The comparison sees a caption that moved by one pixel.
TEST_P(WindowGrab, ACaptionMovedByOnePixelIsSeen) {
    Form* w = showWindow("cambia");
    ASSERT_NE(w, nullptr);
    const QImage before = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QLabel* caption = w->findChild<QLabel*>();
    ASSERT_NE(caption, nullptr);
    ASSERT_FALSE(caption->text().isEmpty());
    caption->move(caption->pos() + QPoint(1, 0));
    const QImage after = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(differingPixels(before, after), 0);
    caption->move(caption->pos() - QPoint(1, 0));
    EXPECT_EQ(differingPixels(before, w->grab().toImage().convertToFormat(QImage::Format_RGB32)), 0);
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndMarks, WindowGrab, ::testing::Values(std::pair{"it", ","}, std::pair{"ru", "."}),
                         [](const auto& info) {
                             return std::string(info.param.first) +
                                    (info.param.second == std::string(",") ? "_comma" : "_point");
                         });

}  // namespace
}  // namespace zv
