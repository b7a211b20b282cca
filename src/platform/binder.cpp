#include "platform/binder.h"

#include <optional>
#include <utility>

#include "platform/conversions.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {

namespace {

void setShown(QWidget* control, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        // A list the user can only pick from shows no choice for a value it lacks.
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive));
    }
}

// The typed text of a box; nothing for a label, which is never written.
std::optional<QString> typed(QWidget* control) {
    if (auto* line = qobject_cast<QLineEdit*>(control))
        return line->text();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->currentText();
    return std::nullopt;
}

}  // namespace

QChar FieldBinder::decimalMark() const { return decimal_.isNull() ? regionalDecimal() : decimal_; }

void FieldBinder::bind(QLineEdit* box, const QString& field, FieldKind kind) { add(box, field, kind); }

void FieldBinder::bind(QComboBox* box, const QString& field, FieldKind kind) { add(box, field, kind); }

void FieldBinder::bind(QLabel* label, const QString& field, FieldKind kind) { add(label, field, kind); }

void FieldBinder::add(QWidget* control, const QString& field, FieldKind kind) {
    if (!control)
        throw AppError(err::InvalidCall, QStringLiteral("No control to bind to the field %1.").arg(field));
    bindings_.push_back({control, field, kind, QString(), QString()});
}

QString FieldBinder::shown(const Recordset& rs, const Binding& b, QChar decimal) const {
    if (b.kind == FieldKind::Text)
        return rs.text(b.field);
    if (b.kind == FieldKind::NumberText)
        return inDecimalMark(rs.text(b.field), decimal);
    const QVariant value = rs.field(b.field);
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: return numberText(value.toDouble(), decimal);
    case QMetaType::QByteArray: return QString::fromUtf8(value.toByteArray());
    default: return value.toString();
    }
}

void FieldBinder::show(const Recordset& rs) {
    if (!rs.isOpen() || rs.bof() || rs.eof()) {
        clear();
        return;
    }
    const QChar decimal = decimalMark();
    std::optional<AppError> firstFailure;
    for (Binding& b : bindings_) {
        QString text;
        b.stored.clear();
        b.shownText.clear();
        try {
            text = shown(rs, b, decimal);
            if (b.kind == FieldKind::NumberText) {
                b.stored = rs.text(b.field);
                b.shownText = text;
            }
        } catch (...) {
            // The control must not go on showing the previous record.
            if (!firstFailure) {
                const CaughtError e = describeCurrentException();
                firstFailure.emplace(e.number, e.description);
            }
        }
        if (b.control)
            setShown(b.control, text);
    }
    if (firstFailure)
        throw *firstFailure;
}

void FieldBinder::clear() {
    for (Binding& b : bindings_) {
        b.stored.clear();
        b.shownText.clear();
        if (b.control)
            setShown(b.control, QString());
    }
}

QString FieldBinder::toStore(const Binding& b, const QString& typed) const {
    if (b.kind == FieldKind::NumberText && typed == b.shownText)
        return b.stored;
    return typed;
}

QString FieldBinder::toStore(const QLineEdit* box) const {
    for (const Binding& b : bindings_)
        if (b.control == box)
            return toStore(b, box->text());
    throw AppError(err::InvalidCall, QStringLiteral("The box %1 is not bound.").arg(box->objectName()));
}

void FieldBinder::write(Recordset& rs) const {
    const QChar decimal = decimalMark();
    std::vector<std::pair<QString, QVariant>> values;
    values.reserve(bindings_.size());
    for (const Binding& b : bindings_) {
        if (!b.control)
            continue;
        const std::optional<QString> text = typed(b.control);
        if (!text)
            continue;
        if (!rs.hasField(b.field))
            throw AppError(err::ItemNotFound, QStringLiteral("The record has no field %1.").arg(b.field));
        if (b.kind != FieldKind::Number) {
            values.emplace_back(b.field, toStore(b, *text));
            continue;
        }
        const QString number = text->trimmed();
        if (number.isEmpty()) {
            values.emplace_back(b.field, QVariant());
            continue;
        }
        try {
            values.emplace_back(b.field, toDouble(number, decimal));
        } catch (const AppError& e) {
            throw AppError(e.number(),
                           QStringLiteral("%1: \"%2\" typed for the field %3").arg(e.description(), number, b.field));
        }
    }
    for (const auto& [field, value] : values)
        rs.setField(field, value);
}

}  // namespace zv
