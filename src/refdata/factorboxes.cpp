#include "refdata/factorboxes.h"

#include "platform/refusal.h"

namespace zv {

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
    refuseBox(boxes[index], naming(message, labels[index]->text(), boxes[index]));
}

void emphasiseHeading(QLabel* heading) {
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
}

}  // namespace zv
