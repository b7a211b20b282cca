#include "viewer/formricerca.h"

#include <QKeyEvent>

#include "core/captions.h"
#include "core/config.h"
#include "core/notifier.h"
#include "core/session.h"
#include "platform/errors.h"
#include "platform/prompts.h"
#include "viewer/leggi.h"
#include "viewer/searchsql.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("formricerca");
constexpr int kCollapsedHeight = 2295 / 15;
constexpr int kExpandedHeight = (2295 + 3885 - 2835) / 15;

QRect twips(int x, int y, int w, int h) {
    return {twipsToPixels(x), twipsToPixels(y), twipsToPixels(w), twipsToPixels(h)};
}

Label* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& where) {
    auto* label = new Label(QLatin1String(name), parent);
    label->setText(text);
    label->setGeometry(where);
    return label;
}

QLineEdit* makeBox(QWidget* parent, const char* name, const QRect& where) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(where);
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QRect& where) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(where);
    return button;
}

Shape* line(QWidget* parent, const char* name, Shape::Kind kind, const QRect& where, const QColor& colour) {
    auto* shape = new Shape(QLatin1String(name), kind, parent);
    shape->setGeometry(where);
    shape->setBorderColor(colour);
    return shape;
}

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

formricerca::formricerca() : Form(QString(kName)) {
    setWindowTitle(QStringLiteral("Ricerca"));
    buildWindow();
}

void formricerca::buildWindow() {
    setFixedSize(twipsToPixels(5265), kCollapsedHeight);
    Label1 = makeLabel(this, "Label1", QStringLiteral("Inserire i Criteri di Ricerca"), twips(240, 240, 4695, 255));
    QFont heading = Label1->font();
    heading.setPointSizeF(12);
    heading.setBold(true);
    heading.setItalic(true);
    Label1->setFont(heading);
    Label1->setGeometry(twips(240, 180, 4695, 360));

    // Captions drawn as locked boxes, as the window was designed.
    auto caption = [this](const char* name, const QString& text, const QRect& where) {
        QLineEdit* box = makeBox(this, name, where);
        box->setText(text);
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        QFont bold = box->font();
        bold.setBold(true);
        box->setFont(bold);
        return box;
    };
    const QColor grey(0xC0, 0xC0, 0xC0);
    line(this, "Line34", Shape::Kind::HorizontalLine, twips(120, 720, 5040, 30), grey);
    line(this, "Line37", Shape::Kind::HorizontalLine, twips(120, 1665, 5040, 30), grey);
    line(this, "Line38", Shape::Kind::VerticalLine, twips(120, 720, 30, 960), grey);
    line(this, "Line39", Shape::Kind::VerticalLine, twips(5145, 720, 30, 960), grey);
    Text9 = caption("Text9", QStringLiteral("ID."), twips(240, 840, 735, 315));
    Text10 = makeBox(this, "Text10", twips(960, 840, 3975, 315));
    Text8 = caption("Text8", QStringLiteral("NOME:"), twips(240, 1260, 735, 315));
    Text1 = makeBox(this, "Text1", twips(960, 1260, 3975, 315));
    Command1 = makeButton(this, "Command1", QStringLiteral("Ricerca"), twips(240, 1800, 2295, 375));
    Command2 = makeButton(this, "Command2", QStringLiteral(">>>"), twips(2640, 1800, 855, 375));
    Label2 = makeLabel(this, "Label2", QStringLiteral("Ricerca Esatta"), twips(3600, 1830, 1275, 315));
    QFont small = Label2->font();
    small.setItalic(true);
    Label2->setFont(small);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Check1 = new QCheckBox(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(twips(4920, 1860, 285, 255));
    setTabOrder(Text1, Text10);

    line(this, "Line1", Shape::Kind::HorizontalLine, twips(120, 2520, 5040, 30), Qt::black);
    Label7 = makeLabel(this, "Label7", QStringLiteral("DB di Ricerca:"), twips(120, 2640, 1215, 255));
    Label7->setFont(small);
    Command4 = makeButton(this, "Command4", QStringLiteral("..."), twips(1440, 2610, 375, 315));
    Label9 = makeLabel(this, "Label9", QString(), twips(120, 3000, 5055, 285));
    Label9->setBackColor(Qt::white);
    Label9->setFrameShape(QFrame::Box);

    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guard([this] { Command2_Click(); }); });
    connect(Command4, &QPushButton::clicked, this, [this] { guard([this] { Command4_Click(); }); });
    // Typing into one criterion empties the other, so a search has one.
    connect(Text1, &QLineEdit::textEdited, this, [this] { Text10->clear(); });
    connect(Text10, &QLineEdit::textEdited, this, [this] { Text1->clear(); });
    Text1->installEventFilter(this);
    Text10->installEventFilter(this);
}

bool formricerca::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == Text1 || watched == Text10) &&
        isEnter(static_cast<QKeyEvent*>(event)->key()))
        guard([this] { Command1_Click(); });
    return Form::eventFilter(watched, event);
}

void formricerca::Form_Load() {
    Session& s = Session::get();
    emit notifier().windowOpened(formName(), true);
    collapsed_ = true;
    s.dbricerca = programFolder() + QStringLiteral("/zarviumtotale.mdb");
    Label9->setText(s.dbricerca);
    Label9->setToolTip(s.dbricerca);
    ignoring([&] {
        applyCaptions(
            this, s.linguax, kSection,
            {{"", "titolo"}, {"Label1", "label1"}, {"Label2", "label2"}, {"Label7", "label7"}, {"Command1", "cmd1"}});
        Text8->setText(caption(s.linguax, kSection, QStringLiteral("text8")));
        Text9->setText(caption(s.linguax, kSection, QStringLiteral("text9")));
    });
    s.queryricerca.clear();
    Text10->setCursorPosition(0);
}

void formricerca::Form_Unload(bool&) {
    if (Session* s = Session::current()) {
        s->dbricerca.clear();
        s->queryricerca.clear();
    }
    emit notifier().windowOpened(formName(), false);
}

void formricerca::Command1_Click() {
    const QString id = Text10->text(), name = Text1->text();
    if (id.isEmpty() && name.isEmpty()) {
        msgBox(QStringLiteral("Inserire almeno un criterio di Ricerca"), MsgButtons::OK, MsgIcon::Information,
               QStringLiteral("Ricerca"));
        return;
    }
    if (!id.isEmpty() && !name.isEmpty())
        return;
    // As typed: a typed % is a wildcard; a quote is doubled, so O'Neil is found.
    const bool exact = Check1->isChecked();
    showSearchInViewer(id.isEmpty() ? searchSql(SearchField::specName, name, exact)
                                    : searchSql(SearchField::specId, id, exact));
}

void formricerca::Command2_Click() {
    collapsed_ = !collapsed_;
    setFixedSize(width(), collapsed_ ? kCollapsedHeight : kExpandedHeight);
    Command2->setText(collapsed_ ? QStringLiteral(">>>") : QStringLiteral("<<<"));
}

void formricerca::Command4_Click() {
    Session& s = Session::get();
    const QString picked = prompts().openFile(QStringLiteral("Seleziona il DataBase Sorgente"), programFolder(),
                                              QStringLiteral("File del database (*.mdb)"));
    // A cancelled pick keeps the database shown.
    if (picked.isEmpty())
        return;
    s.dbricerca = picked;
    Label9->setText(s.dbricerca);
    Label9->setToolTip(s.dbricerca);
}

}  // namespace zv
