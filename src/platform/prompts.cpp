#include "platform/prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

#include "platform/busy.h"
#include "platform/printer.h"

namespace zv {

namespace {

class QtPrompts final : public Prompts {
public:
    MsgResult message(const MessageRequest& r) override {
        QMessageBox box(iconOf(r.icon), r.title.isEmpty() ? appTitle() : r.title, r.text);
        switch (r.buttons) {
        case MsgButtons::OK: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MsgButtons::RetryCancel: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
        }
        if (r.onTop) {
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
            // Raised once exec() has shown it.
            QTimer::singleShot(0, &box, [&box] {
                box.raise();
                box.activateWindow();
            });
        }
        // A message must be readable even while an operation shows the hourglass.
        const bool wasBusy = isBusy();
        if (wasBusy)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
        const int answer = box.exec();
        if (wasBusy)
            QApplication::restoreOverrideCursor();
        switch (answer) {
        case QMessageBox::Ok: return MsgResult::OK;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        case QMessageBox::Retry: return MsgResult::Retry;
        default: return MsgResult::Cancel;
        }
    }
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& def) override {
        bool ok = false;
        QString text =
            QInputDialog::getText(nullptr, title.isEmpty() ? appTitle() : title, prompt, QLineEdit::Normal, def, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }
    QString openFile(const QString& title, const QString& folder, const QString& filter) override {
        return QFileDialog::getOpenFileName(nullptr, title, folder, filter);
    }
    QString saveFile(const QString& title, const QString& folder, const QString& filter,
                     ExistingFile existing) override {
        return QFileDialog::getSaveFileName(
            nullptr, title, folder, filter, nullptr,
            existing == ExistingFile::AddedTo ? QFileDialog::DontConfirmOverwrite : QFileDialog::Options());
    }
    std::optional<QFont> chooseFont(const QFont& initial) override {
        bool ok = false;
        QFont f = QFontDialog::getFont(&ok, initial);
        if (!ok)
            return std::nullopt;
        return f;
    }
    std::optional<QColor> chooseColour(const QColor& initial) override {
        QColor c = QColorDialog::getColor(initial);
        if (!c.isValid())
            return std::nullopt;
        return c;
    }
    std::optional<PrintDestination> choosePrinter() override {
        QPrinter printer;
        QPrintDialog dialog(&printer);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return Printer::destinationOf(printer);
    }

private:
    static QMessageBox::Icon iconOf(MsgIcon icon) {
        switch (icon) {
        case MsgIcon::Critical: return QMessageBox::Critical;
        case MsgIcon::Question: return QMessageBox::Question;
        case MsgIcon::Exclamation: return QMessageBox::Warning;
        case MsgIcon::Information: return QMessageBox::Information;
        case MsgIcon::None: break;
        }
        return QMessageBox::NoIcon;
    }
};

std::unique_ptr<Prompts>& current() {
    static std::unique_ptr<Prompts> p = std::make_unique<QtPrompts>();
    return p;
}

}  // namespace

Prompts& prompts() { return *current(); }

std::unique_ptr<Prompts> setPrompts(std::unique_ptr<Prompts> p) {
    auto previous = std::move(current());
    current() = p ? std::move(p) : std::make_unique<QtPrompts>();
    return previous;
}

MsgResult msgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) {
    return prompts().message({text, title.isEmpty() ? appTitle() : title, buttons, icon});
}

QString appTitle() { return QStringLiteral("Zarvium"); }

}  // namespace zv
