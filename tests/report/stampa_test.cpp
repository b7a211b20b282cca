// The report page printed into a PDF file and read back as a reader would:
// every text where the layout file puts it, the pictures drawn at the
// printer's resolution, and the failure path that drops a half-built page.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPicture>
#include <QPrinter>

#include <gtest/gtest.h>

#include "core/config.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "pdftext.h"
#include "platform/forms.h"
#include "platform/printer.h"
#include "printfixture.h"
#include "report/stampa.h"

namespace zv {
namespace {

class StampaTest : public test::PrintTest {};

// Where a reader finds each text: twips / 20 in points from the page's top-left
// corner. A value printed as a number starts one blank to the right.
struct Placed {
    const char* text;
    double x, y;  // twips
};

void expectPlaced(const std::vector<test::PdfWord>& words, const Placed& p) {
    const std::vector<test::PdfWord> found = test::findText(words, QString::fromUtf8(p.text));
    ASSERT_FALSE(found.empty()) << "not on the page: " << p.text;
    const double x = p.x / 20.0, y = p.y / 20.0;
    const bool placed = std::any_of(found.begin(), found.end(), [&](const test::PdfWord& w) {
        return w.xMin >= x - 0.5 && w.xMin <= x + 4.0 && std::abs(w.yMin - y) <= 1.5;
    });
    std::string seen;
    for (const auto& w : found)
        seen += " (" + std::to_string(w.xMin) + ", " + std::to_string(w.yMin) + ")";
    EXPECT_TRUE(placed) << p.text << " expected at (" << x << ", " << y << "), found at" << seen;
}

// "Print to File (PDF)" in the printer set-up: the dialog leaves the file
// name on its printer, and the pages printed next go into that file.
TEST_F(StampaTest, PrintToFileChosenInThePrintDialogTakesTheNextPages) {
    const QString chosenFile = path(QStringLiteral("referto D'Amico.pdf"));
    {
        QPrinter dialogs(QPrinter::HighResolution);
        // What the dialog does when the file entry is picked.
        dialogs.setPrinterName(QString());
        dialogs.setOutputFormat(QPrinter::PdfFormat);
        dialogs.setOutputFileName(chosenFile);
        const PrintDestination chosen = Printer::destinationOf(dialogs);
        EXPECT_EQ(chosen.pdfFile, chosenFile);
        session_->setPrintDestination(chosen);
    }
    printReport();
    ASSERT_TRUE(QFile::exists(chosenFile));
    EXPECT_FALSE(QFile::exists(pdf_));  // nothing went to the printer
    EXPECT_EQ(test::pdfPageCount(chosenFile), 1);
    const auto words = test::pdfWords(chosenFile);
    for (const char* text : {"D'Amico Maria", "ESAME EMOCROMOCITOMETRICO", "7,46", "Il Direttore del Laboratorio"})
        EXPECT_FALSE(test::findText(words, QString::fromUtf8(text)).empty()) << text;
    // The next page goes beside it and leaves the first one whole.
    data_.s_nome = ReportValue(QStringLiteral("Secondo Paziente"));
    printReport();
    const QString second = path(QStringLiteral("referto D'Amico-2.pdf"));
    ASSERT_TRUE(QFile::exists(second));
    EXPECT_FALSE(test::findText(test::pdfWords(second), QStringLiteral("Secondo")).empty());
    EXPECT_FALSE(test::findText(test::pdfWords(chosenFile), QStringLiteral("D'Amico Maria")).empty());
    EXPECT_EQ(errorLog(), QString());

    // A printer picked afterwards takes the pages again.
    QPrinter dialogs(QPrinter::HighResolution);
    dialogs.setOutputFileName(QString());
    session_->setPrintDestination(Printer::destinationOf(dialogs));
    EXPECT_TRUE(session_->printerFile.isEmpty());
    printReport();
    EXPECT_TRUE(QFile::exists(pdf_));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("referto D'Amico-3.pdf"))));
}

TEST_F(StampaTest, EveryTextStandsWhereTheLayoutPutsIt) {
    printReport();
    ASSERT_TRUE(QFile::exists(pdf_));
    EXPECT_EQ(test::pdfPageCount(pdf_), 1);
    const std::vector<test::PdfWord> words = test::pdfWords(pdf_);
    const Placed table[] = {
        // Header lines and patient items.
        {"Laboratorio Analisi Cliniche", 2400, 200},
        {"Settore di Ematologia", 2400, 1250},
        {"ID campione:", 300, 1950},
        {"A-17", 1900, 1950},
        {"Nome:", 300, 2250},
        {"D'Amico Maria", 1900, 2250},
        {"Data:", 300, 2550},
        {"08/12/26", 1900, 2550},
        {"Data di nascita:", 6000, 1950},
        {"03/04/1961", 7800, 1950},
        {"Sesso:", 6000, 2250},
        {"F", 7800, 2250},
        {"Riferimenti:", 6000, 2550},
        {"Adulti", 7800, 2550},
        {"N. seq.:", 6000, 2850},
        {"12", 7800, 2850},
        // Title and the pictures' captions.
        {"ESAME EMOCROMOCITOMETRICO", 3000, 3200},
        {"Scattergramma WBC", 600 + 100, 4050 - 300},
        {"Legenda", 3900 + 100, 4050 - 300},
        {"WBC (nWbc-Lym-Mono)", 7500 + 300, 4050 - 50},
        {"WBC (Mono-Poly)", 300 + 300, 6300 - 50},
        {"RBC", 3900 + 300, 6300 - 50},
        {"PLT", 7500 + 300, 6300 - 50},
        // The analysis table: caption, value, symbol, unit, range.
        {"WBC:", 300, 8600},
        {"7,46", 1900, 8600},
        {"10^3/µL", 3000, 8600},
        {"(4 - 10)", 4100, 8640},
        {"Neutrofili:", 300, 8880},
        {"61,3", 1900, 8880},
        {"(40 - 75)", 4100, 8920},
        {"RBC:", 300, 10800},
        {"3,52", 1900, 10800},
        {"10^6/µL", 3000, 10800},
        {"(4,2 - 5,4)", 4100, 10840},
        {"MCV:", 300, 11640},
        {"90,0", 1900, 11640},
        {"RET:", 300, 12760},
        {"1,5", 1900, 12760},
        {"PLT:", 300, 13280},
        {"250", 1900, 13280},
        {"(150 - 400)", 4100, 13320},
        {"PDW:", 300, 14120},
        {"16,2", 1900, 14120},
        // Morphology, absolute counts, legend, note, signatures.
        {"Allarmi morfologici", 6000, 8600},
        {"[Interferenze lettura formula (DFLT)]", 6000, 8900},
        {"Valori assoluti formula", 6000, 10300},
        {"4,57", 7400, 10540},
        {"(2 - 7,5)", 9200, 10575},
        {"Indici eritrocitari", 6000, 12350},
        {"MCV: volume corpuscolare medio", 6000, 12550},
        {"Note:", 6000, 14000},
        {"Il Tecnico di Laboratorio", 600, 15300},
        {"Il Direttore del Laboratorio", 7000, 15300},
    };
    for (const Placed& p : table)
        expectPlaced(words, p);
    // The low symbol follows the RBC value below its range; the RET line is there since Ret % > 0.
    const auto rbc = test::findText(words, QStringLiteral("3,52"));
    ASSERT_EQ(rbc.size(), 1u);
    const auto low = std::find_if(words.begin(), words.end(), [&](const test::PdfWord& w) {
        return w.text == QLatin1String("L") && std::abs(w.yMin - rbc[0].yMin) < 1 && w.xMin > rbc[0].xMax;
    });
    EXPECT_NE(low, words.end());
    // The note's two parts on their own lines under the heading.
    const auto first = test::findText(words, QStringLiteral("Campione lipemico"));
    const auto second = test::findText(words, QStringLiteral("ripetere"));
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NEAR(first[0].xMin, 300.0, 0.5);
    EXPECT_NEAR(second[0].xMin, 300.0, 0.5);
    EXPECT_GT(second[0].yMin, first[0].yMin + 5);
    EXPECT_EQ(errorLog(), QString());
}

TEST_F(StampaTest, ThePageIsA4AndTheRetLineOnlyWithRet) {
    data_.s_ret = 0;
    printReport();
    const std::vector<test::PdfWord> words = test::pdfWords(pdf_);
    EXPECT_TRUE(test::findText(words, QStringLiteral("RET:")).empty());
    expectPlaced(words, {"PLT:", 300, 13000});
    const QImage page = test::pdfPage(pdf_, 1, 72);
    EXPECT_NEAR(page.width(), 595, 1);
    EXPECT_NEAR(page.height(), 842, 1);
}

TEST_F(StampaTest, PicturesAreDrawnAtThePrinterResolutionAndTheClipboardIsLeftAlone) {
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's text"));
    printReport();
    EXPECT_EQ(slotDpi_, 1200);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's text"));
    const std::vector<test::PdfWord> words = test::pdfWords(pdf_);
    struct Slot {
        const char* mark;
        double x, y, w, h;
    };
    const Slot pictureSlots[] = {
        {"SLOT3", 600, 4050, 2700, 1695}, {"SLOT4", 3900, 4050, 2700, 1695}, {"SLOT8", 7500, 4050, 3300, 1935},
        {"SLOT7", 300, 6300, 3300, 1935}, {"SLOT6", 3900, 6300, 3300, 1935}, {"SLOT5", 7500, 6300, 3300, 1935},
    };
    for (const Slot& s : pictureSlots) {
        const auto found = test::findText(words, QString::fromLatin1(s.mark));
        ASSERT_EQ(found.size(), 1u) << s.mark;
        EXPECT_NEAR(found[0].xMin, (s.x + 0.6 * s.w) / 20, 1.0) << s.mark;
        EXPECT_GT(found[0].yMin, (s.y + 0.14 * s.h) / 20) << s.mark;
        EXPECT_LT(found[0].yMax, (s.y + 0.3 * s.h) / 20 + 2) << s.mark;
    }
}

TEST_F(StampaTest, EveryFailureIsReportedAndDropsTheHalfBuiltPage) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* logged;
    };
    const Case cases[] = {
        {"missing logo", [this] { QFile::remove(path(QStringLiteral("logo/logo.bmp"))); }, "logo.bmp"},
        {"bad sign",
         [] { scriviini(QStringLiteral("alarm"), QStringLiteral("sign"), QStringLiteral("forse"), file::generalIni); },
         "sign"},
        {"missing layout key",
         [] { scriviini(QStringLiteral("calcola"), QStringLiteral("calcola_riga"), QString(), file::printIni); },
         "calcola_riga"},
        {"value that is no number", [this] { data_.s_hgb = ReportValue(QStringLiteral("n.d.")); }, "n.d."},
        {"printer that is not there",
         [this] {
             Printer::redirectSystemPrinter(QString());
             session_->printer = QStringLiteral("zv-no-such-printer");
         },
         "zv-no-such-printer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Each case starts from the shipped files.
        for (const char* name : {"general.ini", "print.ini", "logo/logo.bmp"}) {
            QFile::remove(path(QString::fromLatin1(name)));
            QFile::copy(test::shippedFolderTemplate() + '/' + QString::fromLatin1(name),
                        path(QString::fromLatin1(name)));
        }
        scriviini(QStringLiteral("separatore"), QStringLiteral("decimale"), QStringLiteral(","), file::generalIni);
        Printer::redirectSystemPrinter(pdf_);
        session_->printer.clear();
        data_ = sampleData();
        c.arrange();
        printReport();
        const auto shown = prompts_->takeMessages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, QStringLiteral("Errore durante la stampa!"));
        EXPECT_EQ(shown[0].icon, MsgIcon::Critical);
        const QString logged = errorLog().trimmed().split('\n').last();
        EXPECT_TRUE(logged.contains(QStringLiteral("\t\tStampa\t"))) << logged.toStdString();
        EXPECT_TRUE(logged.contains(QString::fromLatin1(c.logged))) << logged.toStdString();
        EXPECT_FALSE(QFile::exists(pdf_));
        EXPECT_FALSE(QFile::exists(pdf_ + QStringLiteral(".part")));
        // The program goes on: the next page prints.
        EXPECT_FALSE(Forms::isLoaded(QStringLiteral("Stampa")));
    }
}

TEST_F(StampaTest, AResultTheHandOffCannotTakeIsReportedAndNothingPrints) {
    LimitsRow limits;
    limits.set(QStringLiteral("valori"), QStringLiteral("Adulti"));
    ResultRecord result;
    result.specId = QStringLiteral("B-2");
    result.flags.LRI = QStringLiteral("alto");  // a flag the page reads as a whole number
    printShownReport(result, limits, {}, Qt::black);
    const auto shown = prompts_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Errore durante la stampa!"));
    EXPECT_TRUE(errorLog().contains(QStringLiteral("\tStampa\t13\t"))) << errorLog().toStdString();
    EXPECT_FALSE(QFile::exists(pdf_));
}

// Of the old hand-off only this stays: `nomeform` and `s_n`, which no caller
// fills, print what the page before carried; everything else on a result's
// page is that result's own.
TEST_F(StampaTest, TheMembersNoCallerFillsPrintWhatThePageBeforeCarried) {
    scriviini(QStringLiteral("anag"), QStringLiteral("n_on"), QStringLiteral("1"), file::printIni);
    data_.s_n = QStringLiteral("N-4711");
    printReport();
    expectPlaced(test::pdfWords(pdf_), {"N-4711", 1900, 2850});

    ResultRecord result;
    result.specId = QStringLiteral("B-2");
    result.specName = QStringLiteral("Rossi");
    const double values[] = {5.25, 55.2, 30.1, 8,    4.5, 2.2, 0,   4.52, 13.8, 40.5,
                             89.6, 30.5, 34.1, 12.9, 0,   250, 9.1, 0.23, 16.4};
    for (int i = 0; i < kParameterCount; ++i)
        result.values[std::size_t(i)] = values[i];
    LimitsRow limits;
    limits.set(QStringLiteral("valori"), QStringLiteral("Adulti"));
    printShownReport(result, limits, {}, Qt::black);
    EXPECT_TRUE(prompts_->takeMessages().empty()) << errorLog().toStdString();
    const std::vector<test::PdfWord> words = test::pdfWords(pdf_);
    expectPlaced(words, {"5,25", 1900, 8600});
    expectPlaced(words, {"Rossi", 1900, 2250});
    expectPlaced(words, {"B-2", 1900, 1950});
    expectPlaced(words, {"N-4711", 1900, 2850});
    EXPECT_TRUE(test::findText(words, QStringLiteral("A-17")).empty());
}

TEST(PrinterTest, TextTopStandsAtCurrentYAndPrintMovesThePosition) {
    QImage image(1440, 1440, QImage::Format_RGB32);  // 1 inch at 1440 dpi: one pixel per twip
    image.setDotsPerMeterX(qRound(1440 / 0.0254));
    image.setDotsPerMeterY(qRound(1440 / 0.0254));
    image.fill(Qt::white);
    Printer printer(&image);
    printer.FontName = QStringLiteral("DejaVu Sans");
    printer.FontSize = 10;
    printer.CurrentX = 100;
    printer.CurrentY = 300;
    const double width = printer.textWidth(QStringLiteral("Hb"));
    printer.print(QStringLiteral("Hb"));
    EXPECT_DOUBLE_EQ(printer.CurrentX, 100 + width);
    EXPECT_EQ(printer.CurrentY, 300);
    const double height = printer.textHeight();
    EXPECT_NEAR(height, 10 * 20 * 1.16, 15);  // about 1.16 times the size for DejaVu Sans
    printer.printLine(QStringLiteral("x"));
    EXPECT_EQ(printer.CurrentX, 0);
    EXPECT_DOUBLE_EQ(printer.CurrentY, 300 + height);
    printer.endDoc();
    // The "H" starts right at x 100 and its top is just below y 300 (the line's top is above the capitals).
    int top = -1, left = -1;
    for (int y = 0; y < image.height() && top < 0; ++y)
        for (int x = 0; x < 400; ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                top = y;
                break;
            }
    for (int x = 0; x < image.width() && left < 0; ++x)
        for (int y = 250; y < 600; ++y)
            if (qGray(image.pixel(x, y)) < 128) {
                left = x;
                break;
            }
    EXPECT_GT(top, 300);
    EXPECT_LT(top, 300 + 60);
    EXPECT_NEAR(left, 100 + 20, 20);
}

TEST(PrinterTest, APictureRecordsTheDrawingAtItsOwnResolution) {
    QPicture picture;
    Printer printer(&picture);
    printer.CurrentX = 1440;  // one inch in
    printer.CurrentY = 720;
    printer.print(QStringLiteral("Hb 13,8"));
    printer.box(0, 0, 2880, 2880);
    printer.endDoc();
    const QRect drawn = picture.boundingRect();
    const double dpi = picture.logicalDpiX();
    EXPECT_NEAR(drawn.left(), 0, 2);
    EXPECT_NEAR(drawn.right(), 2 * dpi, 3);
    EXPECT_NEAR(drawn.bottom(), 2 * dpi, 3);
}

TEST(PrinterTest, ADroppedDocumentLeavesNoFileAndOrientationReturnsToPortrait) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/out.pdf");
    auto printer = Printer::pdfFile(file);
    printer->orientation = Printer::Orientation::Landscape;
    printer->print(QStringLiteral("half"));
    EXPECT_GT(printer->scaleWidth(), printer->scaleHeight());
    printer->killDoc();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
    EXPECT_EQ(printer->orientation, Printer::Orientation::Portrait);

    printer->print(QStringLiteral("page one"));
    printer->line(0, 500, 2000, 500);
    printer->box(0, 600, 2000, 900, true);
    printer->newPage();
    printer->print(QStringLiteral("page two"));
    printer->endDoc();
    EXPECT_EQ(test::pdfPageCount(file), 2);
    EXPECT_LT(printer->scaleWidth(), printer->scaleHeight());
    // Nothing drawn, nothing printed.
    QFile::remove(file);
    printer->endDoc();
    EXPECT_FALSE(QFile::exists(file));
}

}  // namespace
}  // namespace zv
