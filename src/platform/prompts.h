#pragma once
// Every modal interaction goes through one Prompts object. The program uses
// Qt dialogs; tests install a scripted one that records what was shown.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "platform/printdestination.h"

namespace zv {

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
// What choosing an existing file in a save dialog does to it: the dialog asks
// whether to replace it only when it will be replaced.
enum class ExistingFile { Replaced, AddedTo };
enum class MsgResult { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageRequest {
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
    // Above every other window, raised and given the focus: for a box that
    // comes before any window of this program, which another program's
    // windows (another instance's among them) would otherwise cover.
    bool onTop = false;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual MsgResult message(const MessageRequest& request) = 0;
    // nullopt when cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // "" when cancelled.
    virtual QString openFile(const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString saveFile(const QString& title, const QString& folder, const QString& filter,
                             ExistingFile existing) = 0;
    virtual std::optional<QFont> chooseFont(const QFont& initial) = 0;
    virtual std::optional<QColor> chooseColour(const QColor& initial) = 0;
    // The printer the user picked ("" = the default destination), or the PDF
    // file chosen instead of one; nullopt when cancelled.
    virtual std::optional<PrintDestination> choosePrinter() = 0;
};

Prompts& prompts();
// Installs another implementation; returns the previous one.
std::unique_ptr<Prompts> setPrompts(std::unique_ptr<Prompts> prompts);

// Shorthand for the common message box.
MsgResult msgBox(const QString& text, MsgButtons buttons = MsgButtons::OK, MsgIcon icon = MsgIcon::None,
                 const QString& title = QString());

// The application title that heads message boxes.
QString appTitle();

}  // namespace zv
