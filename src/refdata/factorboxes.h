#pragma once
// The thirteen factor boxes that both calibration editors show: Text1 to
// Text13 with their fixed labels, in three columns on common rows (white
// cells, red cells, platelets), each box holding at most 5 characters.
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include <array>

#include "refdata/calibrationstore.h"

namespace zv {

struct FactorBoxes {
    std::array<QLineEdit*, kFactorCount> boxes{};  // in the order of calibrationKeys()
    std::array<QLabel*, kFactorCount> labels{};
    QGridLayout* grid = nullptr;

    FactorTexts texts() const;
    void show(const FactorTexts& texts);
    // The refusal of a factor that is not a number: `message` of the window's
    // language section, the factor's name and what its box holds, shown with
    // the box marked and in focus.
    void refuse(const QString& message, int index) const;
};

FactorBoxes makeFactorBoxes(QWidget* parent);

}  // namespace zv
