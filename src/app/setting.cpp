#include "app/setting.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <utility>

#include "core/config.h"
#include "core/language.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "core/windowlanguage.h"
#include "link/comcd.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("setting");

const QStringList kPorts = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
const QStringList kRates = {"300", "600", "1200", "2400", "4800", "9600"};
const QStringList kParities = {"n", "e", "o"};
const QStringList kDataBits = {"8", "7"};
const QStringList kStopBits = {"1", "2"};
const QStringList kModels = {"CD3000", "CD3500", "CD3700", "CD3200"};
const QStringList kSeparators = {",", "."};

const QString kFormats[6] = {QStringLiteral("dd/mm/yy"),   QStringLiteral("mm/dd/yy"),   QStringLiteral("yy/mm/dd"),
                             QStringLiteral("dd/mm/yyyy"), QStringLiteral("mm/dd/yyyy"), QStringLiteral("yyyy/mm/dd")};

// Filling leaves the box without a selection, so a value that cannot be read
// afterwards shows as empty rather than as the first item.
void fill(QComboBox* combo, const QStringList& items) {
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
}

// The stored text is shown as it is, item or not.
void showValue(QComboBox* combo, const QString& value) {
    combo->setCurrentIndex(combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
    combo->setEditText(value);
}

// 0 clears the box and 1 ticks it; anything else fails and leaves the box as it was.
void showSwitch(QCheckBox* box, const QString& value) {
    const int32_t state = toInt32(value);
    if (state != 0 && state != 1)
        throw AppError(err::InvalidCall, QStringLiteral("Invalid property value"));
    box->setChecked(state == 1);
}

QString port(const QString& section, const QString& key) { return leggiini(section, key, file::portIni, 15); }

}  // namespace

setting::setting() : Form(QStringLiteral("setting")) {
    setupUi(this);
    // Any typed text is a value of its own: nothing is added to the list and
    // nothing is completed from it behind the user's back.
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->setCompleter(nullptr);
    // Selecting an option, by a click or from the load, is its click.
    QRadioButton* options[] = {Option1, Option2, Option3, Option4, Option5, Option6};
    void (setting::*clicks[])() = {&setting::Option1_Click, &setting::Option2_Click, &setting::Option3_Click,
                                   &setting::Option4_Click, &setting::Option5_Click, &setting::Option6_Click};
    for (int i = 0; i < 6; ++i) {
        const auto click = clicks[i];
        connect(options[i], &QRadioButton::toggled, this, [this, click](bool on) {
            if (on)
                guard([this, click] { (this->*click)(); });
        });
    }
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

void setting::loadCaptions() {
    const QString file = windowLanguageFile();
    auto text = [&](const char* key) { return languageText(file, kSection, QLatin1String(key)); };
    setWindowTitle(text("titolo"));
    Label9->setText(text("label9"));
    Label1->setText(text("label1"));
    Label3->setText(text("label3"));
    Label6->setText(text("label6"));
    Label16->setText(text("label16"));
    Label18->setText(text("label18"));
    Label24->setText(text("label24"));
    Label25->setText(text("label25"));
    Label26->setText(text("label26"));
    Label27->setText(text("label27"));
    msg1_ = text("msg1");
}

void setting::Form_Load() {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    // From here on a step that fails is skipped and the load goes on.
    ignoring([&] { loadCaptions(); });
    ignoring([&] { move(screenCorner()); });
    ignoring([&] {
        fill(Combo1, kPorts);
        fill(Combo2, kRates);
        fill(Combo3, kParities);
        fill(Combo4, kDataBits);
        fill(Combo5, kStopBits);
        fill(Combo6, kModels);
    });
    ignoring([&] {
        showValue(Combo1, configuredPort(QStringLiteral("port")));
        showValue(Combo2, port("port", "rate"));
        showValue(Combo3, port("port", "parity"));
        showValue(Combo4, port("port", "bit"));
        showValue(Combo5, port("port", "stopbit"));
        showValue(Combo6, port("general", "instrument"));
    });
    // Each switch on its own, so an unreadable one leaves only its own box alone.
    ignoring([&] { showSwitch(Check2, leggiini("port", "handshake", file::portIni, 5)); });
    ignoring([&] { showSwitch(Check1, leggiini("log", "rxlog", file::generalIni, 5)); });
    ignoring([&] {
        fill(Combo11, kPorts);
        fill(Combo10, kRates);
        fill(Combo9, kParities);
        fill(Combo8, kDataBits);
        fill(Combo7, kStopBits);
        showValue(Combo11, configuredPort(QStringLiteral("portwl")));
        showValue(Combo10, port("portwl", "rate"));
        showValue(Combo9, port("portwl", "parity"));
        showValue(Combo8, port("portwl", "bit"));
        showValue(Combo7, port("portwl", "stopbit"));
    });
    ignoring([&] {
        fill(Combo12, kSeparators);
        showValue(Combo12, leggiini("separatore", "decimale", file::generalIni, 15));
    });
    ignoring([&] {
        const Session* session = Session::current();
        const QString formato = session ? session->formato : QString();
        QRadioButton* const options[] = {Option1, Option2, Option3, Option4, Option5, Option6};
        QRadioButton* chosen = Option1;
        for (int i = 0; i < 6; ++i)
            if (formato == kFormats[i])
                chosen = options[i];
        chosen->setChecked(true);
    });
}

// The top left corner of the screen's free area (below a top panel).
QPoint setting::screenCorner() const {
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    return where ? where->availableGeometry().topLeft() : QPoint(0, 0);
}

// A move() before the window manager has framed the window places its client
// area at the corner and the title bar above the screen, where the dialog can
// be neither read nor dragged. Once the frame is known (by the first paint the
// window manager has framed the window), the frame itself goes to the corner.
void setting::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    placeFrame_ = true;
}

bool setting::event(QEvent* event) {
    if (placeFrame_ && event->type() == QEvent::Paint) {
        const QWindow* window = windowHandle();
        if (window && !window->frameMargins().isNull()) {
            placeFrame_ = false;
            QMetaObject::invokeMethod(
                this, [this] { ignoring([this] { move(screenCorner()); }); }, Qt::QueuedConnection);
        }
    }
    return Form::event(event);
}

void setting::Option1_Click() { formatdata = kFormats[0]; }
void setting::Option2_Click() { formatdata = kFormats[1]; }
void setting::Option3_Click() { formatdata = kFormats[2]; }
void setting::Option4_Click() { formatdata = kFormats[3]; }
void setting::Option5_Click() { formatdata = kFormats[4]; }
void setting::Option6_Click() { formatdata = kFormats[5]; }

void setting::Command1_Click() {
    scriviini("port", "porta", Combo1->currentText(), file::portIni);
    scriviini("port", "rate", Combo2->currentText(), file::portIni);
    scriviini("port", "parity", Combo3->currentText(), file::portIni);
    scriviini("port", "bit", Combo4->currentText(), file::portIni);
    scriviini("port", "stopbit", Combo5->currentText(), file::portIni);
    scriviini("general", "instrument", Combo6->currentText(), file::portIni);
    scriviini("port", "handshake", Check2->isChecked() ? "1" : "0", file::portIni);
    scriviini("log", "rxlog", Check1->isChecked() ? "1" : "0", file::generalIni);
    scriviini("separatore", "decimale", Combo12->currentText(), file::generalIni);
    scriviini("date", "format", formatdata, file::generalIni);
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    Forms::unload(formName());
}

}  // namespace zv
