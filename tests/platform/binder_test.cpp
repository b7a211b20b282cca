#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "platform/binder.h"
#include "platform/database.h"
#include "platform/errors.h"

namespace zv {
namespace {

// Three records: one full, one with NULLs in the numbers and the texts, one
// with a NULL name.
const char* const kSchema = R"(
CREATE TABLE esami (nome TEXT, eta INTEGER, wbc REAL, reparto TEXT, note TEXT);
INSERT INTO esami VALUES ('Rossi', 42, 7.46, 'medicina', 'prima');
INSERT INTO esami VALUES ('Bianchi', NULL, 1234567.5, NULL, NULL);
INSERT INTO esami VALUES (NULL, 7, NULL, 'chirurgia', '');
)";

// The controls of a record window, bound as such a window binds them.
struct Window {
    QWidget w;
    QLineEdit* Text1 = new QLineEdit(&w);
    QLineEdit* Text2 = new QLineEdit(&w);
    QLineEdit* Text3 = new QLineEdit(&w);
    QComboBox* Combo1 = new QComboBox(&w);
    QLabel* Label1 = new QLabel(&w);
    FieldBinder binder;

    explicit Window(QChar mark) : binder(mark) {
        Combo1->addItems({QStringLiteral("medicina"), QStringLiteral("chirurgia")});
        binder.bind(Text1, QStringLiteral("nome"));
        binder.bind(Text2, QStringLiteral("eta"), FieldKind::Number);
        binder.bind(Text3, QStringLiteral("wbc"), FieldKind::Number);
        binder.bind(Combo1, QStringLiteral("reparto"));
        binder.bind(Label1, QStringLiteral("note"));
    }

    QStringList shown() const {
        return {Text1->text(), Text2->text(), Text3->text(), Combo1->currentText(), Label1->text()};
    }
    void fill(const QString& text) {
        for (QLineEdit* box : {Text1, Text2, Text3})
            box->setText(text);
        Combo1->setCurrentIndex(0);
        Label1->setText(text);
    }
};

int32_t failureNumber(const std::function<void()>& action, QString* description = nullptr) {
    try {
        action();
    } catch (const AppError& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

class Binder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const QString file = dir_.filePath(QStringLiteral("esami.db"));
        createDatabaseFromSql(file, QString::fromUtf8(kSchema));
        cn_.open(file);
    }

    Recordset at(int64_t position) {
        Recordset rs(cn_, QStringLiteral("esami"));
        rs.setAbsolutePosition(position);
        return rs;
    }

    QVariant stored(const char* field, int64_t rowid = 1) {
        return cn_.scalar(QStringLiteral("SELECT %1 FROM esami WHERE rowid = ?1").arg(QLatin1String(field)),
                          {QVariant(static_cast<qlonglong>(rowid))});
    }

    QTemporaryDir dir_;
    Connection cn_;
};

TEST_F(Binder, ShowsEachRecordWithNullsEmptyAndNumbersInTheBindersMark) {
    struct Case {
        QChar mark;
        int64_t position;
        QStringList expected;
    };
    const Case cases[] = {
        {QLatin1Char(','), 1, {"Rossi", "42", "7,46", "medicina", "prima"}},
        {QLatin1Char('.'), 1, {"Rossi", "42", "7.46", "medicina", "prima"}},
        {QLatin1Char(','), 2, {"Bianchi", "", "1234567,5", "", ""}},
        {QLatin1Char('.'), 3, {"", "7", "", "chirurgia", ""}},
        {QChar(), 1, {"Rossi", "42", "7.46", "medicina", "prima"}},  // the regional mark (en_US in tests)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        Window window(c.mark);
        window.fill(QStringLiteral("previous"));
        window.binder.show(at(c.position));
        EXPECT_EQ(window.shown(), c.expected);
    }
}

TEST_F(Binder, WithoutACurrentRecordEveryControlIsEmptied) {
    const std::pair<const char*, std::function<void(Recordset&)>> states[] = {
        {"EOF",
         [](Recordset& rs) {
             rs.moveLast();
             rs.moveNext();
         }},
        {"BOF", [](Recordset& rs) { rs.movePrevious(); }},
        {"closed", [](Recordset& rs) { rs.close(); }},
        {"no records", [this](Recordset& rs) { rs.open(cn_, QStringLiteral("SELECT * FROM esami WHERE 0")); }},
    };
    for (const auto& [name, reach] : states) {
        SCOPED_TRACE(name);
        Window window(QLatin1Char(','));
        Recordset rs = at(1);
        window.binder.show(rs);
        ASSERT_EQ(window.shown().first(), QStringLiteral("Rossi"));
        reach(rs);
        window.binder.show(rs);
        EXPECT_EQ(window.shown(), QStringList({"", "", "", "", ""}));
    }
}

TEST_F(Binder, AFieldThatCannotBeReadEmptiesItsBoxAndFailsAfterTheOthersAreShown) {
    Window window(QLatin1Char(','));
    auto* Text9 = new QLineEdit(QStringLiteral("previous"), &window.w);
    auto* Label2 = new QLabel(QStringLiteral("previous"), &window.w);
    window.binder.bind(Text9, QStringLiteral("assente"));
    window.binder.bind(Label2, QStringLiteral("nome"));
    window.fill(QStringLiteral("previous"));

    EXPECT_EQ(failureNumber([&] { window.binder.show(at(2)); }), err::ItemNotFound);
    EXPECT_EQ(Text9->text(), QString());
    EXPECT_EQ(Label2->text(), QStringLiteral("Bianchi"));
    EXPECT_EQ(window.shown(), QStringList({"Bianchi", "", "1234567,5", "", ""}));
}

TEST_F(Binder, WriteSetsTheBoxesAsTypedAndLeavesLabelsAlone) {
    Window window(QLatin1Char(','));
    Recordset rs = at(1);
    window.binder.show(rs);
    window.Text1->setText(QStringLiteral("D'Amico "));
    window.Text2->setText(QStringLiteral("43"));
    window.Text3->setText(QStringLiteral("6,5"));
    window.Combo1->setCurrentIndex(1);
    window.Label1->setText(QStringLiteral("shown only"));
    window.binder.write(rs);
    rs.update();

    EXPECT_EQ(stored("nome").toString(), QStringLiteral("D'Amico "));
    EXPECT_EQ(stored("typeof(eta)").toString(), QStringLiteral("integer"));
    EXPECT_EQ(stored("eta").toLongLong(), 43);
    EXPECT_EQ(stored("wbc").toDouble(), 6.5);
    EXPECT_EQ(stored("reparto").toString(), QStringLiteral("chirurgia"));
    EXPECT_EQ(stored("note").toString(), QStringLiteral("prima"));
    EXPECT_EQ(stored("nome", 2).toString(), QStringLiteral("Bianchi"));  // only the current record
}

// Numbers kept as typed text: shown in the binder's mark, and written back
// as stored unless the box was changed.
TEST_F(Binder, NumberTextShowsInTheMarkAndAnUnchangedBoxKeepsTheStoredText) {
    for (const QChar mark : {QChar(u','), QChar(u'.')}) {
        SCOPED_TRACE(std::string(1, char(mark.unicode())));
        cn_.execute(QStringLiteral("DROP TABLE IF EXISTS lim"));
        cn_.execute(QStringLiteral("CREATE TABLE lim (lo TEXT, hi TEXT, nota TEXT)"));
        cn_.execute(QStringLiteral("INSERT INTO lim VALUES ('3.4', '1,5', 'n.d.')"));
        QWidget w;
        auto* lo = new QLineEdit(&w);
        auto* hi = new QLineEdit(&w);
        auto* nota = new QLineEdit(&w);
        FieldBinder binder(mark);
        binder.bind(lo, QStringLiteral("lo"), FieldKind::NumberText);
        binder.bind(hi, QStringLiteral("hi"), FieldKind::NumberText);
        binder.bind(nota, QStringLiteral("nota"), FieldKind::NumberText);
        Recordset rs(cn_, QStringLiteral("lim"));
        binder.show(rs);
        const QString m(mark);
        EXPECT_EQ(lo->text(), QStringLiteral("3") + m + QStringLiteral("4"));
        EXPECT_EQ(hi->text(), QStringLiteral("1") + m + QStringLiteral("5"));
        EXPECT_EQ(nota->text(), QStringLiteral("n.d."));
        hi->setText(QStringLiteral("2") + m + QStringLiteral("5"));
        EXPECT_EQ(binder.toStore(lo), QStringLiteral("3.4"));
        binder.write(rs);
        rs.update();
        EXPECT_EQ(cn_.scalar(QStringLiteral("SELECT lo || '|' || hi || '|' || nota FROM lim")).toString(),
                  QStringLiteral("3.4|2") + m + QStringLiteral("5|n.d."));
    }
}

TEST_F(Binder, NumberBoxesReadTheMarkEmptyIsNullAndAnythingElseSetsNothing) {
    struct Case {
        QChar mark;
        const char* typed;
        std::optional<double> expected;  // nullopt: NULL
        int32_t failure;
    };
    const QChar comma = QLatin1Char(','), point = QLatin1Char('.');
    const Case cases[] = {
        {comma, "6,5", 6.5, 0},
        {comma, "6.5", 6.5, 0},  // the other mark, alone in the text
        {point, "6,5", 6.5, 0},
        {point, " -1.25 ", -1.25, 0},
        {comma, "1e3", 1000.0, 0},
        {comma, "", std::nullopt, 0},
        {comma, "   ", std::nullopt, 0},
        {comma, "1.234,5", {}, err::TypeMismatch},  // grouping never reads
        {point, "1,234.5", {}, err::TypeMismatch},
        {comma, "6,5 mila", {}, err::TypeMismatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        cn_.execute(QStringLiteral("UPDATE esami SET nome = 'Rossi', wbc = 7.46 WHERE rowid = 1"));
        Window window(c.mark);
        Recordset rs = at(1);
        window.binder.show(rs);
        window.Text1->setText(QStringLiteral("Verdi"));
        window.Text3->setText(QString::fromUtf8(c.typed));

        QString description;
        const int32_t failure = failureNumber(
            [&] {
                window.binder.write(rs);
                rs.update();
            },
            &description);
        EXPECT_EQ(failure, c.failure) << description.toStdString();
        if (c.failure) {
            EXPECT_TRUE(description.contains(QStringLiteral("wbc"))) << description.toStdString();
            EXPECT_FALSE(rs.editing());
            EXPECT_EQ(rs.text(QStringLiteral("nome")), QStringLiteral("Rossi"));
            continue;
        }
        EXPECT_EQ(stored("nome").toString(), QStringLiteral("Verdi"));
        if (c.expected)
            EXPECT_EQ(stored("wbc").toDouble(), *c.expected);
        else
            EXPECT_TRUE(stored("wbc").isNull());
    }
}

}  // namespace
}  // namespace zv
