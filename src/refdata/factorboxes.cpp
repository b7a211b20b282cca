#include "refdata/factorboxes.h"

#include "platform/refusal.h"

namespace zv {

namespace {

const char* const kLabels[kFactorCount] = {
    "WBC:", "NEU%:", "LYM%:", "MONO%:", "EOS%:", "BASO%:", "RBC:", "HGB:", "MCV:", "RDW:", "PLT:", "MPV:", "PDW:"};
// Where each factor sits: column (white cells, red cells, platelets) and row.
const int kColumn[kFactorCount] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2};
const int kRow[kFactorCount] = {0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 0, 1, 2};

}  // namespace

FactorBoxes makeFactorBoxes(QWidget* parent) {
    FactorBoxes f;
    f.grid = new QGridLayout;
    f.grid->setHorizontalSpacing(8);
    for (int i = 0; i < kFactorCount; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kLabels[i]), parent);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* box = new QLineEdit(parent);
        box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        box->setMaxLength(5);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
        f.labels[i] = label;
        f.boxes[i] = box;
        f.grid->addWidget(label, kRow[i], kColumn[i] * 3);
        f.grid->addWidget(box, kRow[i], kColumn[i] * 3 + 1);
    }
    // A gap between the columns.
    f.grid->setColumnMinimumWidth(2, 16);
    f.grid->setColumnMinimumWidth(5, 16);
    return f;
}

FactorTexts FactorBoxes::texts() const {
    FactorTexts t;
    for (int i = 0; i < kFactorCount; ++i)
        t[i] = boxes[i]->text();
    return t;
}

void FactorBoxes::show(const FactorTexts& texts) {
    for (int i = 0; i < kFactorCount; ++i)
        boxes[i]->setText(texts[i]);
}

void FactorBoxes::refuse(const QString& message, int index) const {
    QString name = QString::fromLatin1(kLabels[index]);
    name.chop(1);
    refuseBox(boxes[index],
              message + QLatin1Char(' ') + name + QStringLiteral(" \"") + boxes[index]->text() + QLatin1Char('"'));
}

}  // namespace zv
