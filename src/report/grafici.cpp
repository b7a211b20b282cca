#include "report/grafici.h"

#include <QGridLayout>

namespace zv {

grafici::grafici() : Form(QStringLiteral("grafici")) {
    setWindowTitle(QStringLiteral("Grafici"));
    const QSize scatter(twipsToPixels(2700), twipsToPixels(1695));
    const QSize histogram(twipsToPixels(3300), twipsToPixels(1935));
    auto* layout = new QGridLayout(this);
    Picture3 = new PictureBox(QStringLiteral("Picture3"), scatter, this);
    Picture4 = new PictureBox(QStringLiteral("Picture4"), scatter, this);
    Picture5 = new PictureBox(QStringLiteral("Picture5"), histogram, this);
    Picture6 = new PictureBox(QStringLiteral("Picture6"), histogram, this);
    Picture7 = new PictureBox(QStringLiteral("Picture7"), histogram, this);
    Picture8 = new PictureBox(QStringLiteral("Picture8"), histogram, this);
    layout->addWidget(Picture3, 0, 0);
    layout->addWidget(Picture4, 0, 1);
    layout->addWidget(Picture8, 1, 0);
    layout->addWidget(Picture7, 1, 1);
    layout->addWidget(Picture6, 2, 0);
    layout->addWidget(Picture5, 2, 1);
}

}  // namespace zv
