#include "app/changelan.h"

#include "core/captions.h"
#include "core/config.h"
#include "core/programfiles.h"
#include "core/windowlanguage.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/prompts.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("changelan");

// The options in order with their codes and flag files.
struct Language {
    const char* code;
    const char* flag;
};
constexpr Language kLanguages[6] = {{"it", "italian.gif"}, {"en", "english.gif"}, {"de", "german.gif"},
                                    {"fr", "french.gif"},  {"es", "spanish.gif"}, {"ru", "russia.gif"}};

}  // namespace

changelan::changelan() : Form(QString(kName)) {
    setupUi(this);
    for (int i = 0; i < 6; ++i) {
        const QString code = QLatin1String(kLanguages[i].code);
        connect(options()[std::size_t(i)], &QRadioButton::toggled, this, [this, code](bool on) {
            if (on)
                guard([this, code] { lin = code; });
        });
    }
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
}

void changelan::Form_Load() {
    ignoring([&] { lin = leggiini(QStringLiteral("language"), QStringLiteral("lingua"), file::generalIni, 8); });
    ignoring([&] {
        const QString language = windowLanguageFile();
        applyCaptions(this, language, kSection, {{"", "titolo"}});
        msg1_ = caption(language, kSection, QStringLiteral("msg1"));
    });
    // A stored code that is none of the six selects Italian, and so turns into "it".
    ignoring([&] {
        QRadioButton* chosen = Option1;
        for (int i = 0; i < 6; ++i)
            if (lin == QLatin1String(kLanguages[i].code))
                chosen = options()[std::size_t(i)];
        chosen->setChecked(true);
    });
    // After the selection, so the stored language stays selected when it is not offered.
    for (int i = 0; i < 6; ++i)
        ignoring([&] {
            const QString offered =
                leggiini(QStringLiteral("language"), QLatin1String(kLanguages[i].code), file::generalIni, 8);
            options()[std::size_t(i)]->setEnabled(toBool(offered));
        });
    for (int i = 0; i < 6; ++i)
        ignoring([&] {
            flags()[std::size_t(i)]->loadPicture(programPath(QLatin1String(file::picturesFolder) + QLatin1Char('/') +
                                                             QLatin1String(kLanguages[i].flag)));
        });
}

void changelan::Command1_Click() {
    scriviini(QStringLiteral("language"), QStringLiteral("lingua"), lin, file::generalIni);
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    Forms::unload<changelan>();
}

}  // namespace zv
