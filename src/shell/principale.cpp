#include "shell/principale.h"

#include <QApplication>
#include <QVBoxLayout>

#include "shell/config.h"

namespace zv {

Principale::Principale() : Form(QStringLiteral("Principale")) {
    setWindowTitle(QStringLiteral("Zarvium"));
    auto* layout = new QVBoxLayout(this);
    Label24 = new QLabel(this);
    Label24->setObjectName(QStringLiteral("Label24"));
    Label24->setVisible(false);
    layout->addStretch(1);
    layout->addWidget(Label24);
    resize(900, 600);
}

void Principale::Form_Load() {
    const QString pending = takePendingStatus();
    if (!pending.isEmpty()) {
        Label24->setVisible(true);
        Label24->setText(pending);
    }
}

void Principale::Form_Unload(bool& cancel) {
    (void)cancel;
    // The program ends when the main window goes, whatever hidden windows remain.
    QApplication::quit();
}

}  // namespace zv
