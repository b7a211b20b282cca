#pragma once
// The result viewer: one stored result at a time from the daily database, one
// archive day or a search hand-off, with its values, alarm flags, four
// histogram charts and a simulated scattergram, each value judged against
// the result's reference-range set.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <array>
#include <initializer_list>
#include <optional>
#include <vector>

#include "model/result.h"
#include "platform/binder.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "platform/widgets.h"
#include "viewer/drawing.h"
#include "viewer/rangecheck.h"
#include "viewer/searchsql.h"

namespace zv {

class leggi : public Form {
    Q_OBJECT
public:
    static constexpr QLatin1String kName{"leggi"};

    leggi();
    ~leggi() override;
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Shows the current result; every control is written, so nothing of the
    // result shown before survives.
    void populate();
    // Picks the current result's reference-range set and colours its values.
    void verifica_limiti();
    void nascondi_alrm();
    void nascondi_val();

    // Writes the white-cell group from its boxes; the row is shown again.
    void memo();
    // Sets the segmented neutrophils to the remainder to 100 and writes the group.
    void to100();
    // Shows the absolute white-cell counts of the shown percentages.
    void calcola();
    // Runs the search hand-off (`queryricerca`) at once in the open window.
    // A search that finds nothing says so and leaves the shown rows as they were.
    void reloadSearch();
    // True while a value group is open or the absolute counts show: the shown
    // row cannot change.
    bool navigationLocked() const { return redOpen_ || pltOpen_ || wbcOpen_ || countsShown_; }

    // The set the last check chose, for the print hand-off; empty when none serves.
    const std::optional<RangeSet>& rangeSet() const { return rangeSet_; }
    // The result set (open while the window is loaded).
    Recordset& resultSet() { return rs_; }

    // ---- controls -----------------------------------------------------------
    // Navigation.
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command12 = nullptr, *Command13 = nullptr, *Command16 = nullptr;
    QLineEdit *Text20 = nullptr, *Text24 = nullptr;
    Label *Label59 = nullptr, *Label60 = nullptr, *Label61 = nullptr, *Label62 = nullptr, *Label63 = nullptr,
          *Label96 = nullptr, *Label101 = nullptr;
    // Patient and sample: caption boxes and their boxes.
    QLineEdit *Text9 = nullptr, *Text8 = nullptr, *Text11 = nullptr, *Text21 = nullptr, *Text13 = nullptr,
              *Text15 = nullptr, *Text23 = nullptr;
    QLineEdit *Text10 = nullptr, *Text1 = nullptr, *Text12 = nullptr, *Text22 = nullptr, *Text14 = nullptr,
              *Text16 = nullptr, *Text18 = nullptr, *Text19 = nullptr, *Text17 = nullptr, *Text25 = nullptr;
    Label *Label64 = nullptr, *Label69 = nullptr;
    // Values: value, caption, unit and range labels.
    Label *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr,
          *Label16 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label25 = nullptr, *Label26 = nullptr,
          *Label27 = nullptr, *Label103 = nullptr, *Label28 = nullptr, *Label29 = nullptr, *Label30 = nullptr,
          *Label31 = nullptr, *Label54 = nullptr, *Label55 = nullptr, *Label94 = nullptr;
    Label *Label79 = nullptr, *Label80 = nullptr, *Label104 = nullptr, *Label81 = nullptr, *Label82 = nullptr,
          *Label83 = nullptr, *Label84 = nullptr, *Label56 = nullptr, *Label71 = nullptr, *Label72 = nullptr,
          *Label73 = nullptr, *Label74 = nullptr, *Label75 = nullptr, *Label76 = nullptr, *Label77 = nullptr,
          *Label78 = nullptr, *Label95 = nullptr;
    // Alarm labels.
    Label *Label65 = nullptr, *Label52 = nullptr, *Label45 = nullptr, *Label46 = nullptr, *Label47 = nullptr,
          *Label48 = nullptr, *Label49 = nullptr, *Label50 = nullptr, *Label51 = nullptr, *Label53 = nullptr,
          *Label58 = nullptr, *Label66 = nullptr, *Label67 = nullptr;
    // Absolute white-cell counts (hidden by every display).
    Label *Label32 = nullptr, *Label33 = nullptr, *Label34 = nullptr, *Label35 = nullptr, *Label36 = nullptr,
          *Label37 = nullptr, *Label38 = nullptr, *Label39 = nullptr, *Label40 = nullptr, *Label41 = nullptr,
          *Label105 = nullptr, *Label106 = nullptr;
    // Charts: PLT, RBC, WB2, WB1.
    HistogramChart *MSChart1 = nullptr, *MSChart2 = nullptr, *MSChart3 = nullptr, *MSChart4 = nullptr;
    // Scattergram dots and template.
    PictureBox *Picture1 = nullptr, *Picture2 = nullptr;
    // Editing: opening and saving buttons of the three value groups, and the
    // absolute counts.
    QPushButton *Command15 = nullptr, *Command11 = nullptr, *Command14 = nullptr, *Command5 = nullptr,
                *Command6 = nullptr, *Command8 = nullptr, *Command7 = nullptr, *Command9 = nullptr,
                *Command10 = nullptr;
    // Edit boxes laid over the values: red cells, platelets, white cells.
    QLineEdit *Text28 = nullptr, *Text29 = nullptr, *Text30 = nullptr, *Text31 = nullptr, *Text32 = nullptr,
              *Text33 = nullptr, *Text34 = nullptr;
    QLineEdit *Text26 = nullptr, *Text27 = nullptr;
    QLineEdit *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr, *Text6 = nullptr,
              *Text7 = nullptr, *Text35 = nullptr;
    // History search pictures and the exact-match switch.
    Label *Image1 = nullptr, *Image2 = nullptr;
    QCheckBox* Check1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls of one parameter: its value label (none for Ret %, which
    // shows in its box Text25) and its range label (none for PCT and PDW,
    // which have no range). Filling and judging both walk this one table.
    struct ParameterControls {
        ResultParameter parameter;
        Label* value;
        Label* range;
    };
    std::array<ParameterControls, kParameterCount> parameterControls() const;

    void buildWindow();
    void buildEditing();
    // The fifteen value boxes that take only digits and the separator.
    std::vector<QLineEdit*> valueBoxes() const;
    void loadCaptions();
    void wire();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command12_Click();
    void Command16_Click();
    void Command13_Click();
    // Hands the shown result, its pictures and its range set to the report page.
    void parstampa();
    void MSChart3_Click();
    void MSChart4_Click();
    void Text18_KeyPress(int key);
    void Text20_KeyPress(int key);
    void Text25_KeyPress(int key);
    void Command15_Click();
    void Command11_Click();
    void Command14_Click();
    void Command5_Click();
    void Command6_Click();
    void Command8_Click();
    void Command7_Click();
    void Command9_Click();
    void Command10_Click();
    void Image1_Click();
    void Image2_Click();
    // Enter in a patient box writes its field and moves on.
    void patientEnter(QLineEdit* box, const QString& field, QWidget* next);

    // Opens the source the load chose; false when it cannot be read or is empty.
    bool openSource(Recordset& rs, int64_t& count) const;
    void applySearchLook();
    // Closes every open group unwritten and hides the counts.
    void closeGroups();
    // Navigation follows the edit state: locked while anything is open.
    void updateNavigation();
    // Writes a group's boxes into the current row; each must hold a number
    // (`optional` may be empty, which clears its field). A refusal is shown
    // and logged, the row stays as stored and the group stays open.
    bool writeGroup(const FieldBinder& binder, const std::vector<QLineEdit*>& boxes,
                    const QLineEdit* optional = nullptr);
    // Shows and logs a refused input; the focus goes to the box at fault.
    void refuse(QLineEdit* box);
    std::vector<QLineEdit*> whiteBoxes() const;
    // The history search from one box on one field.
    void historySearch(const QLineEdit* box, SearchField field);

    // The display pair after every move.
    void display();
    // Focus into the sample id with the caret at its end, when it takes focus.
    void focusSampleId();
    // The whole number in Text20 when it names a result of the set.
    std::optional<int64_t> typedPosition() const;
    void goTo(int64_t position);
    void showCharts(const ResultRecord& r);
    void drawScattergram(const ResultRecord& r);
    // Writes one typed field of the current row; a value the column refuses
    // leaves the row as stored.
    void store(const QString& field, const QString& text);
    // The empty-source message; the window closes.
    void closeEmpty();

    Recordset rs_;
    std::optional<RangeSet> rangeSet_;
    // The random draws of the dots as last drawn, so the report prints the
    // very cloud on screen, at its own resolution.
    std::vector<double> dotDraws_;
    QString msg1_;
    QChar decimal_;
    int16_t separatorCode_ = 0;
    QString msg2_;
    QString msg3_;  // the refusal of a result number that is not a positive whole number
    bool searchMode_ = false;
    bool templateDrawn_ = false;
    bool redOpen_ = false, pltOpen_ = false, wbcOpen_ = false, countsShown_ = false;
    FieldBinder red_, plt_, wbc_;
};

// The one way a search reaches the viewer (its own search pictures, the
// patient search, the archive manager): `sql` goes into the search hand-off
// and the viewer shows it, loading for it or, when it is already open,
// reloading on it at once, so no search waits for a later opening.
void showSearchInViewer(const QString& sql);

}  // namespace zv
