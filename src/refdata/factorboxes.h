#pragma once
// The thirteen factor boxes that both calibration editors' forms hold: Text1
// to Text13 in the order of calibrationKeys(), each beside its label
// factorLabel1 to factorLabel13.
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include <array>

#include "refdata/calibrationstore.h"

namespace zv {

struct FactorBoxes {
    std::array<QLineEdit*, kFactorCount> boxes{};  // in the order of calibrationKeys()
    std::array<QLabel*, kFactorCount> labels{};

    FactorTexts texts() const;
    void show(const FactorTexts& texts);
    // The refusal of a factor that is not a number: `message` of the window's
    // language section, the factor's name and what its box holds, shown with
    // the box marked and in focus.
    void refuse(const QString& message, int index) const;
};

// The factor controls of an editor's form, by their names.
template <class EditorForm>
FactorBoxes factorBoxesOf(EditorForm& form) {
    return {{form.Text1, form.Text2, form.Text3, form.Text4, form.Text5, form.Text6, form.Text7, form.Text8, form.Text9,
             form.Text10, form.Text11, form.Text12, form.Text13},
            {form.factorLabel1, form.factorLabel2, form.factorLabel3, form.factorLabel4, form.factorLabel5,
             form.factorLabel6, form.factorLabel7, form.factorLabel8, form.factorLabel9, form.factorLabel10,
             form.factorLabel11, form.factorLabel12, form.factorLabel13}};
}

// The editors' heading stands out from the window's own font, whatever that
// font is: bold and a third larger.
void emphasiseHeading(QLabel* heading);

}  // namespace zv
