#pragma once
// A running program (started as the user starts it) in which the reference
// editors are opened, clicked and typed into; beeps are counted.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <vector>

#include "core/config.h"
#include "core/language.h"
#include "core/session.h"
#include "platform/beep.h"
#include "platform/database.h"
#include "platform/forms.h"
#include "support/pty.h"
#include "support/window_fixture.h"

namespace zv::test {

class EditorTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        scriviini("separatore", "decimale", ",", "general.ini");
        scriviini("database", "last", "08/12/26", "general.ini");
        setBeepHook([this] { ++beeps; });
    }
    void TearDown() override {
        setBeepHook(nullptr);
        WindowTest::TearDown();
    }

    // Starts the program: the start-up window, the main window and its session.
    // What the start itself says (it asks for a decimal separator when none is
    // configured) is kept apart from what the editors say.
    void start() {
        Forms::load("frmSplash");
        ASSERT_NE(Session::current(), nullptr);
        startMessages = prompts_->takeMessages();
    }
    // Unloads every window and starts again (a setting read at start-up changed).
    void restart() {
        Forms::unloadAll();
        start();
    }

    QString say(const char* section, const char* key) const {
        return languageText(Session::get().linguax, QLatin1String(section), QLatin1String(key));
    }
    QString logText() const { return QString::fromUtf8(fileBytes(path("log/08.12.26.log"))); }
    int logLines() const { return int(logText().count(QLatin1Char('\n'))); }

    // The texts of the message boxes shown since the last call.
    QStringList shown() {
        QStringList texts;
        for (const MessageRequest& m : prompts_->takeMessages())
            texts << m.text;
        return texts;
    }

    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Empties the box and types into it key by key, as the user does.
    static void type(QLineEdit* box, const QString& text) {
        box->clear();
        box->setFocus();
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &release);
        }
    }
    // Every window a user opens from the main window, in one order.
    static const std::vector<const char*>& everyWindow() {
        static const std::vector<const char*> windows = {
            "setting",     "errlogmod", "changelan", "cambia",  "Cambia2", "frmLogin",      "Help",
            "inserimento", "Limiti",    "limitivet", "calfact", "vet",     "leggi",         "anagrafiche",
            "formricerca", "Referto2",  "referto",   "qc",      "qcrif",   "Refertazionex", "Archivio2"};
        return windows;
    }
    // Shows a window as its command does; what its load says is dropped.
    Form* showWindow(const char* name) {
        Form* w = Forms::show(QLatin1String(name));
        QApplication::processEvents();
        prompts_->takeMessages();
        return w;
    }
    // Waits for a window that closed itself to be gone.
    static bool waitUnloaded(const char* window) {
        return waitFor([window] { return !Forms::isLoaded(QLatin1String(window)); });
    }

    int beeps = 0;
    std::vector<MessageRequest> startMessages;
};

}  // namespace zv::test
