// What the two layout dialogs save is what the next printed page shows.
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include "pdftext.h"
#include "platform/forms.h"
#include "printfixture.h"
#include "report/referto.h"
#include "report/referto2.h"

namespace zv {
namespace {

class LayoutPrintTest : public test::PrintTest {
protected:
    // True when `text` is on the page with its top-left corner at (x, y) twips.
    bool placedAt(const QString& text, double x, double y) {
        const std::vector<test::PdfWord> found = test::findText(test::pdfWords(pdf_), text);
        return std::any_of(found.begin(), found.end(), [&](const test::PdfWord& w) {
            return w.xMin >= x / 20 - 0.5 && w.xMin <= x / 20 + 4.0 && std::abs(w.yMin - y / 20) <= 1.5;
        });
    }
};

TEST_F(LayoutPrintTest, TheNextPageFollowsTheSavedPositionsAndSwitches) {
    printReport();
    ASSERT_TRUE(placedAt(QStringLiteral("Laboratorio Analisi Cliniche"), 2400, 200));
    ASSERT_FALSE(test::findText(test::pdfWords(pdf_), QStringLiteral("ESAME EMOCROMOCITOMETRICO")).empty());

    auto* w = Forms::show<referto>();
    ASSERT_NE(w, nullptr);
    w->Text[7]->setText(QStringLiteral("4000"));
    w->Text[8]->setText(QStringLiteral("600"));
    QTest::mouseClick(w->Check[7], Qt::LeftButton);  // the title off
    ASSERT_EQ(w->Check[7]->checkState(), Qt::Unchecked);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    ASSERT_FALSE(Forms::isLoaded(QStringLiteral("referto")));

    ASSERT_TRUE(QFile::remove(pdf_));
    printReport();
    EXPECT_TRUE(placedAt(QStringLiteral("Laboratorio Analisi Cliniche"), 4000, 600));
    EXPECT_TRUE(test::findText(test::pdfWords(pdf_), QStringLiteral("ESAME EMOCROMOCITOMETRICO")).empty());
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().toStdString();
}

TEST_F(LayoutPrintTest, TheNextPageFollowsTheSavedTextsFontsAndSymbols) {
    auto* w = Forms::show<Referto2>();
    ASSERT_NE(w, nullptr);
    w->Text1->setText(QStringLiteral("Ospedale D'Amico"));
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSizeF(9.75);
    chosen.setItalic(true);
    prompts_->fonts.push_back(chosen);
    prompts_->colours.push_back(QColor(0, 128, 0));
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    w->Text6->setText(QStringLiteral("<<"));
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    ASSERT_FALSE(Forms::isLoaded(QStringLiteral("Referto2")));

    printReport();
    const std::vector<test::PdfWord> words = test::pdfWords(pdf_);
    EXPECT_TRUE(placedAt(QStringLiteral("Ospedale D'Amico"), 2400, 200));
    // The red-cell count lies below its range and is marked with the new symbol.
    EXPECT_FALSE(test::findText(words, QStringLiteral("<<")).empty());
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().toStdString();
}

}  // namespace
}  // namespace zv
