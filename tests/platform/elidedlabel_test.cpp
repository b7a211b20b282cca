// The label of a message or a path: whole text kept, cut to the room its
// window gives it, the whole text in its tooltip while cut.
#include <QApplication>
#include <QHBoxLayout>
#include <QHelpEvent>

#include <gtest/gtest.h>

#include "platform/widgets.h"

namespace zv {
namespace {

// What a pointer resting on the label does; the tooltip it then carries.
QString toolTipOnHover(QLabel* label) {
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(label, &hover);
    return label->toolTip();
}

TEST(ElidedLabel, KeepsTheWholeTextShowsWhatFitsAndNeverWidensItsWindow) {
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Archivio dati:"), &window));
    auto* label = new ElidedLabel(QStringLiteral("shown"), &window);
    layout->addWidget(label);
    window.resize(420, 40);
    window.show();
    QApplication::processEvents();
    const int minimumWidth = window.minimumSizeHint().width();

    const QString message = QStringLiteral("Porta seriale non disponibile ").repeated(14).left(400);
    const QString path = QStringLiteral("/home/laboratorio/") + QStringLiteral("cartella-del-programma/").repeated(8) +
                         QStringLiteral("zarviumtotale.mdb");
    struct Case {
        const char* what;
        const QString& text;
        Qt::TextElideMode mode;
        QString start, end;  // of what is shown
    };
    const QString fits = QStringLiteral("Back-up eseguito");
    const QString ellipsis(QChar(0x2026));
    // The last after a cut one: its tooltip goes with the cut.
    const Case cases[] = {
        {"a long message, cut at its end", message, Qt::ElideRight, QStringLiteral("Porta seriale"), ellipsis},
        {"a long path, cut in its middle", path, Qt::ElideMiddle, QStringLiteral("/home/"),
         QStringLiteral("/zarviumtotale.mdb")},
        {"a message that fits", fits, Qt::ElideRight, fits, fits},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        label->setElideMode(c.mode);
        label->setText(c.text);
        QApplication::processEvents();
        EXPECT_EQ(label->text(), c.text);
        EXPECT_EQ(window.width(), 420);
        EXPECT_EQ(window.minimumSizeHint().width(), minimumWidth);
        const QString shown = label->shownText();
        EXPECT_TRUE(shown.startsWith(c.start)) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(c.end)) << shown.toStdString();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
        EXPECT_EQ(toolTipOnHover(label), c.text == fits ? QString() : c.text);
    }
}

}  // namespace
}  // namespace zv
