#pragma once
// Prompts for tests: records every prompt, answers from queues, and fails the
// test on a question nobody queued an answer for.
#include <deque>
#include <functional>
#include <vector>

#include "platform/prompts.h"

namespace zv::test {

class ScriptedPrompts final : public Prompts {
public:
    std::vector<MessageRequest> messages;  // every message box shown, in order
    std::deque<MsgResult> answers;         // answers to questions (non-OK boxes)
    std::deque<std::optional<QString>> inputs;
    std::deque<QString> files;  // open/save file answers ("" = cancel)
    std::deque<std::optional<PrintDestination>> printers;
    std::deque<std::optional<QFont>> fonts;     // font dialog answers (nullopt = cancel)
    std::deque<std::optional<QColor>> colours;  // colour dialog answers (nullopt = cancel)
    std::vector<QFont> fontsOffered;            // the font each font dialog opened on
    std::vector<QColor> coloursOffered;         // the colour each colour dialog opened on
    std::vector<ExistingFile> saveDialogs;      // what each save dialog said of an existing file
    // What happens while a message box is open (a real box runs the event
    // loop: the serial port is read meanwhile); called once per box, before
    // it is answered.
    std::function<void(const MessageRequest&)> whileOpen;

    // Returns and forgets the messages shown so far.
    std::vector<MessageRequest> takeMessages();

    MsgResult message(const MessageRequest& request) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& def) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& folder, const QString& filter,
                     ExistingFile existing) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;
    std::optional<QColor> chooseColour(const QColor& initial) override;
    std::optional<PrintDestination> choosePrinter() override;
};

}  // namespace zv::test
