#pragma once
// The patient search: a sample identifier or a name, exact or contained,
// handed to the viewer as a search over the archive.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "platform/forms.h"
#include "platform/widgets.h"
#include "ui_formricerca.h"

namespace zv {

class formricerca : public Form, public Ui::formricerca {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"formricerca"};

    formricerca();
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    bool collapsed() const { return collapsed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The search: by identifier or by name, whichever box holds text.
    void Command1_Click();
    // Expands to show the database row, or collapses again.
    void Command2_Click();
    void Command4_Click();

    bool collapsed_ = true;
};

}  // namespace zv
