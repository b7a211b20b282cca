#include "support/scripted_prompts.h"

#include <gtest/gtest.h>

namespace zv::test {

namespace {
// Moves the first queued answer out (an empty optional is a queued Cancel).
std::optional<QString> takeFront(std::deque<std::optional<QString>>& queue) {
    std::optional<QString> answer;
    if (queue.front())
        answer.emplace(std::move(*queue.front()));
    queue.pop_front();
    return answer;
}
}  // namespace

std::vector<MessageRequest> ScriptedPrompts::takeMessages() {
    auto taken = std::move(messages);
    messages.clear();
    return taken;
}

MsgResult ScriptedPrompts::message(const MessageRequest& request) {
    messages.push_back(request);
    if (whileOpen)
        whileOpen(request);
    if (request.buttons == MsgButtons::OK && answers.empty())
        return MsgResult::OK;
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << request.text.toStdString();
        return MsgResult::Cancel;
    }
    const MsgResult answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompts::input(const QString& prompt, const QString&, const QString&) {
    if (inputs.empty()) {
        ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
        return std::nullopt;
    }
    return takeFront(inputs);
}

QString ScriptedPrompts::openFile(const QString& title, const QString&, const QString&) {
    if (files.empty()) {
        ADD_FAILURE() << "unexpected open dialog: " << title.toStdString();
        return QString();
    }
    QString answer = files.front();
    files.pop_front();
    return answer;
}

QString ScriptedPrompts::saveFile(const QString& title, const QString& folder, const QString& filter,
                                  ExistingFile existing) {
    saveDialogs.push_back(existing);
    return openFile(title, folder, filter);
}

std::optional<QFont> ScriptedPrompts::chooseFont(const QFont& initial) {
    fontsOffered.push_back(initial);
    if (fonts.empty()) {
        ADD_FAILURE() << "unexpected font dialog";
        return std::nullopt;
    }
    std::optional<QFont> answer = fonts.front();
    fonts.pop_front();
    return answer;
}

std::optional<QColor> ScriptedPrompts::chooseColour(const QColor& initial) {
    coloursOffered.push_back(initial);
    if (colours.empty()) {
        ADD_FAILURE() << "unexpected colour dialog";
        return std::nullopt;
    }
    std::optional<QColor> answer = colours.front();
    colours.pop_front();
    return answer;
}

std::optional<PrintDestination> ScriptedPrompts::choosePrinter() {
    if (printers.empty()) {
        ADD_FAILURE() << "unexpected print dialog";
        return std::nullopt;
    }
    // The answer is moved out of its optional, not copied with it: GCC 12 takes
    // a copied optional's QStrings for uninitialised (-Wmaybe-uninitialized).
    if (!printers.front()) {
        printers.pop_front();
        return std::nullopt;
    }
    PrintDestination answer = std::move(*printers.front());
    printers.pop_front();
    return answer;
}

}  // namespace zv::test
