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

namespace zv {

class changelan : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"changelan"};

    changelan();
    void Form_Load() override;

    // The language code picked: "it", "en", "de", "fr", "es" or "ru" once loaded.
    QString lin;

    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr, *Option4 = nullptr, *Option5 = nullptr,
                 *Option6 = nullptr;
    Label *Image1 = nullptr, *Image2 = nullptr, *Image3 = nullptr, *Image4 = nullptr, *Image5 = nullptr,
          *Image6 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;

private:
    void Command1_Click();

    std::array<QRadioButton*, 6> options() const { return {Option1, Option2, Option3, Option4, Option5, Option6}; }
    std::array<Label*, 6> flags() const { return {Image1, Image2, Image3, Image4, Image5, Image6}; }

    QString msg1_;
};

}  // namespace zv
