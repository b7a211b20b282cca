#pragma once
// Shows the fields of a recordset's current record in a window's controls and
// writes what was typed back into the fields.
#include <QChar>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <vector>

namespace zv {

class Recordset;

enum class FieldKind {
    Text,    // shown as the recordset reads it, written as typed
    Number,  // shown and read in the binder's decimal mark, never grouped
    // Kept as the text typed (a number or not): a number shows in the binder's
    // decimal mark, and a box left as shown writes back the stored text, so
    // showing a set never rewrites what nobody edited.
    NumberText,
};

class FieldBinder {
public:
    // A null mark means the regional one, taken at each show and write.
    explicit FieldBinder(QChar decimal = QChar()) : decimal_(decimal) {}

    void setDecimalMark(QChar decimal) { decimal_ = decimal; }
    QChar decimalMark() const;

    void bind(QLineEdit* box, const QString& field, FieldKind kind = FieldKind::Text);
    void bind(QComboBox* box, const QString& field, FieldKind kind = FieldKind::Text);
    // Labels only show: write leaves their fields alone.
    void bind(QLabel* label, const QString& field, FieldKind kind = FieldKind::Text);

    // Sets every bound control from the current record: NULL shows as nothing,
    // and without a current record (BOF, EOF, closed) every control is
    // emptied. A field that cannot be read empties its control; the first
    // such failure is thrown once all the others are shown.
    void show(const Recordset& rs);
    void clear();

    // Sets the fields of the bound boxes (not labels) on the recordset; the
    // caller updates. Every number is checked first: a box that does not hold
    // a number fails with err::TypeMismatch naming its field and nothing is set.
    // An empty number box writes NULL. Numeric columns are meant to be bound
    // as numbers: text bound to one is converted by the recordset as it is
    // set, after the boxes before it have been set.
    void write(Recordset& rs) const;
    // The text write would set for a bound box of kind Text or NumberText.
    QString toStore(const QLineEdit* box) const;

private:
    struct Binding {
        QPointer<QWidget> control;
        QString field;
        FieldKind kind;
        // NumberText: the text read at the last show and the text shown for it.
        QString stored, shownText;
    };
    QString toStore(const Binding& b, const QString& typed) const;
    void add(QWidget* control, const QString& field, FieldKind kind);
    QString shown(const Recordset& rs, const Binding& b, QChar decimal) const;

    QChar decimal_;
    std::vector<Binding> bindings_;
};

}  // namespace zv
