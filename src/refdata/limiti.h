#pragma once
// The reference-range editors: `Limiti` keeps the human sets (table `limiti`),
// `limitivet` the species sets (table `vet`, four more limit boxes for the
// band neutrophils). One set at a time in number order: browse, create,
// change, delete, and derive the absolute-count limits from WBC and the
// differential.
#include <cstdint>
#include <vector>

#include "model/referencerange.h"
#include "platform/binder.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "refdata/keyfilter.h"
#include "ui_limiti.h"

namespace zv {

// The form holds the controls of both editors: the human editor has no band
// neutrophil rows (Text73 to Text78 stay null there), and the species editor
// names its "Separatore Decimale" menu separatore.
class RangeEditor : public Form, public Ui::RangeEditor {
    Q_OBJECT
public:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Shows the current set in the number, name and limit boxes. A column that
    // holds nothing shows as an empty box and the filling goes on; a failure
    // (no current set) is logged with the window's name.
    void popola();
    // "," to "." (punto) or "." to "," (virgola) in the limit boxes with a key
    // filter; nothing is saved.
    void punto();
    void virgola();

    int16_t separatorCode() const { return filter_->separatorCode(); }
    // The window's recordset: between NUOVO and SALVA its current row is the new one.
    const Recordset& sets() const { return rs_; }

protected:
    RangeEditor(const QString& formName, RangeTable table);
    // Closes the window when its last set has been deleted.
    virtual void unloadSelf() = 0;

private:
    // Binds the limit boxes of the table's columns and removes the rows it has none for.
    void bindLimitBoxes();

    void Command6_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // Every failure of popola, logged.
    void logFailure();
    // SALVA's checks before anything is written: a set number that is no whole
    // number, or a limit that is no number, is refused with its box named.
    bool refusesNumber();
    bool refusesLimit();
    // A limit box takes no more characters than it shows; a longer text the
    // window puts there itself (a limit stored so, a computed one) stays whole
    // and is saved as it is unless the user edits it.
    void boundTyping();
    void unboundTyping();

    struct LimitBox {
        QLineEdit* box;
        QLabel* caption;  // of its row: names the limit in a refusal
        QString column;
        int shown;  // the characters the box shows
    };

    RangeTable table_;
    Recordset rs_;
    FieldBinder binder_;
    NumberKeyFilter* filter_ = nullptr;
    QString msg1_, msg2_, msg3_, msg4_, msg5_;
    std::vector<LimitBox> limitBoxes_;       // every limit box
    std::vector<QLineEdit*> filteredBoxes_;  // the limit boxes with the key filter
};

class Limiti : public RangeEditor {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"Limiti"};
    Limiti() : RangeEditor(QString(kName), RangeTable::Human) {}

protected:
    void unloadSelf() override { Forms::unload<Limiti>(); }
};

class limitivet : public RangeEditor {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"limitivet"};
    limitivet() : RangeEditor(QString(kName), RangeTable::Species) {}

protected:
    void unloadSelf() override { Forms::unload<limitivet>(); }
};

}  // namespace zv
