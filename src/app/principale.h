#pragma once
// The main window: the hub of the program. It owns the session (the shared
// state) from its load to its unload and shows it, and it shows the news the
// notifier brings (status line, link state, receive progress and errors).
#include <array>
#include <cstdint>

#include <memory>

#include "core/notifier.h"
#include "core/session.h"
#include "platform/forms.h"
#include "platform/widgets.h"
#include "ui_principale.h"

namespace zv {

class Principale : public Form, public Ui::Principale {
    Q_OBJECT
public:
    Principale();
    ~Principale() override;
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    // Appends the daily database to the archive and empties it (the roll-over).
    int aggiornadb();

    static constexpr QLatin1String kName{"Principale"};

    // The shared state; alive from the load to the unload.
    Session& session() const { return *session_; }

    QString lbl11;
    QString lbl11_s;

    // The analyser model text of port.ini and its picture (empty for an unknown model).
    QString modelText() const { return model_; }
    QString modelPicturePath() const { return modelPicture_; }

    // The link drawing's seven progress segments, Line3_0 to Line3_6, in order.
    std::array<Shape*, 7> Line3{};

private:
    // Acquisition commands.
    void Dati_menu2_Click();
    void Image12_Click();
    void Label65_Click();
    void offline_Click();
    void online_Click();
    void datalog_Click();
    void showLinkMode(bool dataLogger);
    void connectLink();
    void listenToNotifier();
    // The main window's words and colours for what the notifier reports.
    void showLoggedError(const LoggedError& error);
    void showReceiverActivity(ReceiverActivity activity);
    void showReceiveFailure(ReceiveFailure failure);
    void runAutoReport(qint64 id1);

    // Commands and shortcuts.
    void connectCommands();
    void openWindow(const QString& name);
    void autoref_Click();
    void daily_Click();
    void total_Click();
    void aggarch_Click();
    void stampantre_Click();
    void Label13_Click();
    static void clearLabel(Label* label);

    // Exit, and the commands that take the link on and off line.
    void connectLinkCommands();
    void applyCaptions();
    void applySettings();

    QString msg1_, msg4_, msg5_;
    QString aggiornaLbl1_, aggiornaOk_, aggiornaDamaged_;
    bool archiveDamaged_ = false;
    QString model_;
    QString modelPicture_;
    std::unique_ptr<Session> session_;
};

}  // namespace zv
