#include "refdata/factorboxes.h"

#include "platform/errors.h"
#include "platform/refusal.h"

namespace zv {

namespace {

using P = ResultParameter;

// Each factor's box: its label and where it sits, by column (white cells,
// red cells, platelets) and row.
struct FactorBox {
    ResultParameter parameter;
    const char* label;
    int column, row;
};
constexpr FactorBox kBoxes[] = {{P::WBC, "WBC:", 0, 0},    {P::neu, "NEU%:", 0, 1}, {P::lym, "LYM%:", 0, 2},
                                {P::mono, "MONO%:", 0, 3}, {P::eos, "EOS%:", 0, 4}, {P::baso, "BASO%:", 0, 5},
                                {P::RBC, "RBC:", 1, 0},    {P::HGB, "HGB:", 1, 1},  {P::MCV, "MCV:", 1, 2},
                                {P::RDW, "RDW:", 1, 3},    {P::PLT, "PLT:", 2, 0},  {P::MPV, "MPV:", 2, 1},
                                {P::PDW, "PDW:", 2, 2}};

// The box of the factor at `index` in the order of calibrationKeys().
const FactorBox& boxOf(int index) {
    const ResultParameter p = calibratedParameters()[static_cast<std::size_t>(index)];
    for (const FactorBox& box : kBoxes)
        if (box.parameter == p)
            return box;
    throw AppError(err::InvalidCall, QStringLiteral("The factor %1 has no box.").arg(parameterInfo(p).calibrationKey));
}

}  // namespace

FactorBoxes makeFactorBoxes(QWidget* parent) {
    FactorBoxes f;
    f.grid = new QGridLayout;
    f.grid->setHorizontalSpacing(8);
    for (int i = 0; i < kFactorCount; ++i) {
        const FactorBox& place = boxOf(i);
        auto* label = new QLabel(QString::fromLatin1(place.label), parent);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* box = new QLineEdit(parent);
        box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        box->setMaxLength(5);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
        f.labels[i] = label;
        f.boxes[i] = box;
        f.grid->addWidget(label, place.row, place.column * 3);
        f.grid->addWidget(box, place.row, place.column * 3 + 1);
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
    QString name = QString::fromLatin1(boxOf(index).label);
    name.chop(1);
    refuseBox(boxes[index],
              message + QLatin1Char(' ') + name + QStringLiteral(" \"") + boxes[index]->text() + QLatin1Char('"'));
}

}  // namespace zv
