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
#include "ui_leggi.h"
#include "viewer/drawing.h"
#include "viewer/rangecheck.h"
#include "viewer/searchsql.h"

namespace zv {

class leggi : public Form, public Ui::leggi {
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The value groups opened for editing together, each with its opening
    // and saving buttons.
    enum class ValueGroup { None, Red, Platelets, White };
    // The controls of one parameter: its value label (none for Ret %, which
    // shows in its box Text25), its range label (none for PCT and PDW, which
    // have no range), the box laid over its value while its group is open,
    // and, for the differential, its absolute count. Filling, judging,
    // editing and the counts all walk this one table.
    struct ParameterControls {
        ResultParameter parameter;
        Label* value;
        Label* range;
        QLineEdit* edit = nullptr;
        ValueGroup group = ValueGroup::None;
        Label* count = nullptr;
    };
    std::array<ParameterControls, kParameterCount> parameterControls() const;
    // The chart of each histogram.
    std::array<std::pair<HistogramChart*, HistogramKind>, 4> charts() const;

    // What the form cannot say: the charts' colours, the white pictures, the
    // system colour of one alarm and the small step captions.
    void finishForm();
    void bindGroups();
    // The edit boxes of one group, in the order a save checks them.
    std::vector<QLineEdit*> groupBoxes(ValueGroup group) const;
    // Each box of the group shows its value, laid over it.
    void openGroup(ValueGroup group);
    // The boxes that take only digits and the separator.
    std::vector<QLineEdit*> valueBoxes() const;
    // The differential's range labels, which the absolute counts replace.
    std::vector<Label*> differentialRanges() const;
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
