#pragma once
// The reference-range editors: `Limiti` keeps the human sets (table `limiti`),
// `limitivet` the species sets (table `vet`, four more limit boxes for the
// band neutrophils). One set at a time in number order: browse, create,
// change, delete, and derive the absolute-count limits from WBC and the
// differential.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <cstdint>
#include <vector>

#include "model/referencerange.h"
#include "platform/binder.h"
#include "platform/database.h"
#include "platform/forms.h"

namespace zv {

class NumberKeyFilter;

class RangeEditor : public Form {
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

    int16_t separatorCode() const { return separatorCode_; }
    // The window's recordset: between NUOVO and SALVA its current row is the new one.
    const Recordset& sets() const { return rs_; }

    // ---- controls -----------------------------------------------------------
    // Captions (their design texts stay, but for Text1).
    QLabel *Text1 = nullptr, *Text3 = nullptr, *Text7 = nullptr, *Text18 = nullptr, *Text19 = nullptr,
           *Text20 = nullptr, *Text21 = nullptr, *Text22 = nullptr, *Text23 = nullptr, *Text28 = nullptr,
           *Text29 = nullptr, *Text30 = nullptr, *Text31 = nullptr, *Text32 = nullptr, *Text43 = nullptr,
           *Text44 = nullptr, *Text51 = nullptr, *Text62 = nullptr, *Text63 = nullptr, *Text64 = nullptr,
           *Text65 = nullptr, *Text66 = nullptr, *Text71 = nullptr, *Text72 = nullptr;
    // Number and name.
    QLineEdit *Text2 = nullptr, *Text6 = nullptr;
    // Limits, low then high.
    QLineEdit *Text4 = nullptr, *Text5 = nullptr, *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr,
              *Text11 = nullptr, *Text12 = nullptr, *Text13 = nullptr, *Text14 = nullptr, *Text15 = nullptr,
              *Text16 = nullptr, *Text17 = nullptr, *Text24 = nullptr, *Text25 = nullptr, *Text26 = nullptr,
              *Text27 = nullptr, *Text33 = nullptr, *Text34 = nullptr, *Text35 = nullptr, *Text36 = nullptr,
              *Text37 = nullptr, *Text38 = nullptr, *Text39 = nullptr, *Text40 = nullptr, *Text41 = nullptr,
              *Text42 = nullptr, *Text45 = nullptr, *Text46 = nullptr, *Text47 = nullptr, *Text48 = nullptr,
              *Text49 = nullptr, *Text50 = nullptr, *Text52 = nullptr, *Text53 = nullptr, *Text54 = nullptr,
              *Text55 = nullptr, *Text56 = nullptr, *Text57 = nullptr, *Text58 = nullptr, *Text59 = nullptr,
              *Text60 = nullptr, *Text61 = nullptr, *Text67 = nullptr, *Text68 = nullptr, *Text69 = nullptr,
              *Text70 = nullptr;
    // The species editor's band neutrophil rows (none in the human editor).
    QLabel *Text73 = nullptr, *Text78 = nullptr;
    QLineEdit *Text74 = nullptr, *Text75 = nullptr, *Text76 = nullptr, *Text77 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr, *Command5 = nullptr,
                *Command6 = nullptr, *Command7 = nullptr, *Command8 = nullptr;
    QMenuBar* menuBar = nullptr;
    QMenu* utilitymenu = nullptr;
    // "Separatore Decimale": named separatoremenu in the human editor, separatore in the species one.
    QMenu* separatoremenu = nullptr;
    QAction *virgolamenu = nullptr, *puntomenu = nullptr;

protected:
    RangeEditor(const QString& formName, RangeTable table);
    // Closes the window when its last set has been deleted.
    virtual void unloadSelf() = 0;

private:
    void buildWindow();

    void Command7_Click();
    void Command1_Click();
    void Command2_Click();
    void Command8_Click();
    void Command6_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // Every failure of popola, logged.
    void logFailure();

    RangeTable table_;
    Recordset rs_;
    FieldBinder binder_;
    NumberKeyFilter* filter_ = nullptr;
    int16_t separatorCode_ = 0;
    QString msg1_, msg2_, msg3_, msg4_;
    std::vector<QLineEdit*> limitBoxes_;     // every limit box
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
