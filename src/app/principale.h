#pragma once
// The main window: the hub of the program. It owns the session (the shared
// state) from its load to its unload and shows it, and it shows the news the
// notifier brings (status line, link state, receive progress and errors).
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <cstdint>

#include <memory>

#include "core/notifier.h"
#include "core/session.h"
#include "platform/forms.h"
#include "platform/widgets.h"

namespace zv {

class Principale : public Form {
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

    // ---- controls -----------------------------------------------------------
    QMenuBar* menuBar = nullptr;
    QMenu *File_menu = nullptr, *Dati_menu = nullptr, *Archivio_menu = nullptr, *Emocromi_menu = nullptr,
          *vet1 = nullptr, *Stampa_menu = nullptr, *mqc = nullptr, *Opzioni_menu = nullptr, *impostazmenu = nullptr,
          *guida = nullptr;
    QAction *c_data = nullptr, *Service_menu = nullptr, *stampantre = nullptr, *Esci_menu = nullptr;
    QAction *Dati_menu2 = nullptr, *offline = nullptr, *online = nullptr, *datalog = nullptr;
    QAction *daily = nullptr, *total = nullptr, *Ricerca_menu = nullptr, *aggarch = nullptr, *Gestione_menu = nullptr;
    QAction *anag = nullptr, *lavoro_m = nullptr, *inserman = nullptr;
    QAction *vet2 = nullptr, *uma1 = nullptr;
    QAction *prnt = nullptr, *autoref = nullptr;
    QAction *mqc1 = nullptr, *mqc2 = nullptr;
    QAction *rif_menu = nullptr, *rifvet = nullptr;
    QAction *ref = nullptr, *setpar = nullptr;
    QAction *zarvium_menu = nullptr, *errlog = nullptr;

    // Status panel.
    Label *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
          *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr,
          *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label14 = nullptr, *Label23 = nullptr,
          *Label24 = nullptr;
    // Link drawing and counters.
    Label *Label16 = nullptr, *Label29 = nullptr, *Label65 = nullptr, *Label66 = nullptr;
    Shape* Shape22 = nullptr;
    std::array<Shape*, 7> Line3{};
    // Port panel.
    Label *Label52 = nullptr, *Label53 = nullptr, *Label54 = nullptr, *Label55 = nullptr, *Label56 = nullptr,
          *Label57 = nullptr, *Label58 = nullptr, *Label59 = nullptr, *Label60 = nullptr, *Label61 = nullptr,
          *Label62 = nullptr, *Label63 = nullptr, *Label64 = nullptr;
    // Toolbar cells: labels, pictures and marker shapes.
    Label *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr, *Label21 = nullptr,
          *Label22 = nullptr;
    Shape *Shape3 = nullptr, *Shape4 = nullptr, *Shape5 = nullptr, *Shape6 = nullptr, *Shape7 = nullptr,
          *Shape9 = nullptr;
    // Pictures.
    Label *Image1 = nullptr, *Image2 = nullptr, *Image3 = nullptr, *Image4 = nullptr, *Image5 = nullptr,
          *Image6 = nullptr, *Image7 = nullptr, *Image8 = nullptr, *Image9 = nullptr, *Image10 = nullptr,
          *Image11 = nullptr, *Image12 = nullptr, *Image13 = nullptr;

private:
    // Acquisition commands.
    void Dati_menu2_Click();
    void Image12_Click();
    void Label65_Click();
    void offline_Click();
    void online_Click();
    void datalog_Click();
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

    void buildMenus();
    void buildWindow();
    void applyCaptions();
    void applySettings();

    QString msg1_, msg4_, msg5_;
    QString aggiornaLbl1_, aggiornaOk_;
    QString model_;
    QString modelPicture_;
    std::unique_ptr<Session> session_;
};

}  // namespace zv
