#pragma once
// The language dialog: picks the language of the next start among those
// general.ini offers, and writes it to general.ini on OK.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include <array>

#include "platform/forms.h"
#include "platform/widgets.h"
#include "ui_changelan.h"

namespace zv {

class changelan : public Form, public Ui::changelan {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"changelan"};

    changelan();
    void Form_Load() override;

    // The language code picked: "it", "en", "de", "fr", "es" or "ru" once loaded.
    QString lin;

private:
    void Command1_Click();

    std::array<QRadioButton*, 6> options() const { return {Option1, Option2, Option3, Option4, Option5, Option6}; }
    std::array<Label*, 6> flags() const { return {Image1, Image2, Image3, Image4, Image5, Image6}; }

    QString msg1_;
};

}  // namespace zv
