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

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

formricerca::formricerca() : Form(QString(kName)) {
    setupUi(this);
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
}

}  // namespace zv
