// The report page as data: where each block puts its texts, in which font,
// read from the shipped layout and from layouts a test changes key by key.
#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

#include "core/config.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "model/rangelimits.h"
#include "model/reportdata.h"
#include "platform/database.h"
#include "platform/errors.h"
#include "report/reportpage.h"
#include "support/fixture.h"
#include "viewer/rangecheck.h"

namespace zv {
namespace {

struct Printed {
    double x, y;
    QString text;
    double size;
    bool bold, italic, underline;
    int32_t colour;
    QString font;
};

struct Painted {
    ReportSlot slot;
    double x, y;
};

// A printer whose every character is 100 twips wide and whose line height is
// the font size times 20 twips, so positions can be worked out by hand.
class RecordingSurface final : public PageSurface {
public:
    std::vector<Printed> printed;
    std::vector<Painted> painted;

    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    void setFontName(const QString& name) override { font_ = name; }
    void setFontSize(double points) override { size_ = points; }
    void setFontBold(bool on) override { bold_ = on; }
    void setFontItalic(bool on) override { italic_ = on; }
    void setFontUnderline(bool on) override { underline_ = on; }
    void setForeColor(int32_t colour) override { colour_ = colour; }
    void print(const QString& text) override {
        printed.push_back({x_, y_, text, size_, bold_, italic_, underline_, colour_, font_});
        x_ += 100.0 * text.size();
    }
    void printLine(const QString& text) override {
        print(text);
        x_ = 0;
        y_ += size_ * 20;
    }
    void paintPicture(ReportSlot slot, double x, double y) override { painted.push_back({slot, x, y}); }

    // The first print of exactly this text.
    const Printed* find(const QString& text) const {
        for (const Printed& p : printed)
            if (p.text == text)
                return &p;
        return nullptr;
    }
    // Every non-empty text, in order.
    QStringList texts() const {
        QStringList out;
        for (const Printed& p : printed)
            if (!p.text.isEmpty())
                out << p.text;
        return out;
    }

private:
    double x_ = 0, y_ = 0, size_ = 10;
    bool bold_ = false, italic_ = false, underline_ = false;
    int32_t colour_ = 0;
    QString font_;
};

class ReportPageTest : public test::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        captions_.read(QStringLiteral("it.ini"), QStringLiteral("stampa"));
        general(QStringLiteral("separatore"), QStringLiteral("decimale"), QStringLiteral(","));
        data_ = sample();
    }

    static ReportData sample() {
        ReportData d;
        d.s_id = ReportValue(QStringLiteral("A-17"));
        d.s_nome = ReportValue(QStringLiteral("D'Amico Maria"));
        d.s_data = QStringLiteral("08/12/26");
        d.s_seq = QStringLiteral("12");
        d.s_limite = ReportValue(QStringLiteral("Adulti"));
        d.s_wbc = 7.46, d.s_wbcL = ReportValue(QStringLiteral("4.0")), d.s_wbcH = ReportValue(QStringLiteral("10.0"));
        d.s_neu = 61.3, d.s_lym = 28.1, d.s_mono = 6.2, d.s_eos = 3.4, d.s_baso = 1.0;
        d.s_rbc = 4.52, d.s_hgb = 13.8, d.s_hct = 41.2, d.s_mcv = 90.0, d.s_mch = 30.5, d.s_mchc = 33.5;
        d.s_rdw = 13.1, d.s_plt = 250.0, d.s_mpv = 8.4, d.s_pct = 0.21, d.s_pdw = 16.2;
        return d;
    }

    void print(const char* section, const char* key, const QString& value) {
        scriviini(QString::fromLatin1(section), QString::fromLatin1(key), value, file::printIni);
    }
    void general(const QString& section, const QString& key, const QString& value) {
        scriviini(section, key, value, file::generalIni);
    }

    // Runs the page; returns the failure's description, empty when it printed whole.
    QString run() {
        try {
            stampax(page_, data_, captions_, PageSettings::load());
            return QString();
        } catch (const AppError& e) {
            return e.description();
        }
    }

    RecordingSurface page_;
    ReportData data_;
    ReportCaptions captions_;
};

TEST_F(ReportPageTest, TheShippedLayoutPrintsEveryBlockWhole) {
    data_.s_commento = ReportValue(QStringLiteral("Campione lipemico"));
    ASSERT_EQ(run(), QString());
    for (const char* text : {"Laboratorio Analisi Cliniche", "ID campione:", "A-17", "ESAME EMOCROMOCITOMETRICO",
                             "Scattergramma WBC", "WBC:", " 7,46 ", "Allarmi morfologici", "Note:", "Campione lipemico",
                             "Valori assoluti formula", "Indici eritrocitari", "Il Direttore del Laboratorio"})
        EXPECT_NE(page_.find(QString::fromUtf8(text)), nullptr) << text;
    ASSERT_EQ(page_.painted.size(), 7u);
    EXPECT_EQ(page_.painted[0].slot, ReportSlot::Logo);
}

// Where each line of the analysis table stands: y0 = 8600, valore_y1 = 40, _riga = 240.
TEST_F(ReportPageTest, AnalysisLinesStandAtThePitchOfTheLayout) {
    struct Case {
        double ret;
        const char* pctPdw;
        std::vector<std::pair<const char*, double>> lines;
    };
    const std::vector<Case> cases = {
        {0,
         "1",
         {{"WBC:", 8600},
          {"Neutrofili:", 8880},
          {"Bande:", 9160},
          {"Basofili:", 10280},
          {"RBC:", 10800},
          {"HGB:", 11080},
          {"HCT:", 11360},
          {"MCV:", 11640},
          {"RDW:", 12480},
          {"PLT:", 13000},
          {"MPV:", 13280},
          {"PCT:", 13560},
          {"PDW:", 13840}}},
        {2.5, "1", {{"RDW:", 12480}, {"RET:", 12760}, {"PLT:", 13280}, {"PDW:", 14120}}},
        {0, "0", {{"MPV:", 13280}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ret);
        page_ = RecordingSurface();
        data_.s_ret = c.ret;
        print("analisi", "pct-pdw", QString::fromLatin1(c.pctPdw));
        ASSERT_EQ(run(), QString());
        for (const auto& [caption, y] : c.lines) {
            const Printed* p = page_.find(QString::fromUtf8(caption));
            ASSERT_NE(p, nullptr) << caption;
            EXPECT_EQ(p->x, 300) << caption;
            EXPECT_EQ(p->y, y) << caption;
        }
        EXPECT_EQ(page_.find(QStringLiteral("RET:")) != nullptr, c.ret > 0);
        EXPECT_EQ(page_.find(QStringLiteral("PCT:")) != nullptr, QLatin1String(c.pctPdw) == QLatin1String("1"));
    }
}

TEST_F(ReportPageTest, AWbcRowPrintsValueSymbolUnitAndRangeInTheirColumns) {
    data_.s_wbc = 11.2;
    ASSERT_EQ(run(), QString());
    const Printed* value = page_.find(QStringLiteral(" 11,2 "));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->x, 1900);
    EXPECT_EQ(value->y, 8600);
    EXPECT_TRUE(value->bold);  // valori_bold = 1
    const auto& all = page_.printed;
    const auto at = std::find_if(all.begin(), all.end(), [](const Printed& p) { return p.text == " 11,2 "; });
    ASSERT_LT(at + 3, all.end());
    EXPECT_EQ(at[1].text, QStringLiteral("H"));  // the high symbol right after the value
    EXPECT_FALSE(at[1].bold);
    EXPECT_EQ(at[2].text, QStringLiteral("10^3/µL"));
    EXPECT_EQ(at[2].x, 3000);
    EXPECT_EQ(at[3].text, QStringLiteral("(4 - 10)"));  // "4.0" and "10.0" as the viewer shows them
    EXPECT_EQ(at[3].x, 4100);
    EXPECT_EQ(at[3].y, 8640);
    EXPECT_EQ(at[3].size, 8);
}

// Ranges in the page's mark whatever mark the limits were typed or stored
// with, as the viewer shows them; the values beside them use the same mark.
TEST_F(ReportPageTest, RangesPrintTheirLimitsWithTheConfiguredMark) {
    struct Case {
        const char* separator;
        ReportValue low, high;
        const char* range;
    };
    const Case cases[] = {
        {",", ReportValue(QStringLiteral("3.4")), ReportValue(QStringLiteral("9")), "(3,4 - 9)"},
        {",", ReportValue(QStringLiteral("0.5")), ReportValue(QStringLiteral("2,5")), "(0,5 - 2,5)"},
        {",", ReportValue(3.4), ReportValue(12.5), "(3,4 - 12,5)"},
        {",", ReportValue::null(), ReportValue(QStringLiteral("0.15")), "( - 0,15)"},
        {",", ReportValue(), ReportValue(), "( - )"},
        {".", ReportValue(QStringLiteral("3,4")), ReportValue(QStringLiteral("9.5")), "(3.4 - 9.5)"},
        {".", ReportValue(2.5), ReportValue(QStringLiteral("7")), "(2.5 - 7)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.separator) + " " + c.range);
        general(QStringLiteral("separatore"), QStringLiteral("decimale"), QString::fromLatin1(c.separator));
        data_.s_eosL = c.low;
        data_.s_eosH = c.high;
        // The same limits on an absolute count.
        data_.s_eoscL = c.low;
        data_.s_eoscH = c.high;
        page_ = RecordingSurface();
        ASSERT_EQ(run(), QString());
        const QString eos = QString::number(3.4).replace(QLatin1Char('.'), QLatin1String(c.separator));
        const auto& all = page_.printed;
        const auto value =
            std::find_if(all.begin(), all.end(), [&](const Printed& p) { return p.text == " " + eos + " "; });
        ASSERT_NE(value, all.end());
        const auto range = std::find_if(value, all.end(), [](const Printed& p) { return p.text.startsWith('('); });
        ASSERT_NE(range, all.end());
        EXPECT_EQ(range->text, QString::fromUtf8(c.range));
        const auto counts = std::find_if(all.begin(), all.end(), [](const Printed& p) {
            return p.text == QLatin1String("Valori assoluti formula");
        });
        const auto eosCount =
            std::find_if(counts, all.end(), [&](const Printed& p) { return p.text == captions_.eos; });
        const auto countRange =
            std::find_if(eosCount, all.end(), [](const Printed& p) { return p.text.startsWith('('); });
        ASSERT_NE(countRange, all.end());
        EXPECT_EQ(countRange->text, QString::fromUtf8(c.range));
        for (const Printed& p : all) {
            if (p.text.startsWith('(')) {
                EXPECT_FALSE(p.text.contains(c.separator[0] == ',' ? '.' : ',')) << p.text.toStdString();
            }
        }
    }
}

// The value cell: text forms and symbols.
TEST_F(ReportPageTest, ValueTextsFollowTheConfiguredSeparator) {
    struct Case {
        std::optional<double> value;
        const char* separator;
        const char* expected;
    };
    const Case cases[] = {
        {7.46, ",", " 7,46 "}, {90, ",", " 90,0"}, {0, ",", " 0,0"}, {std::nullopt, ",", ""}, {-1.5, ",", "-1,5 "},
        {4.5, ".", " 4.5 "},   {12, ".", " 12.0"}, {12, "", " 12 "}, {7.455, ",", " 7,455 "},
    };
    for (const Case& c : cases) {
        PageSettings s;
        s.separator = QString::fromLatin1(c.separator);
        s.mark = s.separator.isEmpty() ? QLatin1Char('.') : s.separator.at(0);
        EXPECT_EQ(printedValue(c.value, s), QString::fromUtf8(c.expected)) << c.expected;
    }
}

TEST_F(ReportPageTest, ZeroTestAndSymbolsPerRow) {
    struct Case {
        const char* caption;
        ReportValue ReportData::*member;
        ReportValue value;
        QStringList expectedAfterCaption;  // what follows the caption up to the unit
    };
    const Case cases[] = {
        {"WBC:", &ReportData::s_wbc, 0.0, {"----", "L"}},  // zero text, and below the low limit
        {"WBC:", &ReportData::s_wbc, 4.0, {" 4,0"}},       // equal to the limit: no symbol
        {"WBC:", &ReportData::s_wbc, 3.9, {" 3,9 ", "L"}},
        {"WBC:", &ReportData::s_wbc, ReportValue(QStringLiteral("10,5")), {" 10,5 ", "H"}},
        {"Neutrofili:", &ReportData::s_neu, 0.0, {" 0,0"}},       // no zero test
        {"Neutrofili:", &ReportData::s_neu, 5.0, {" 5,0", "H"}},  // a high limit never set counts as 0
        {"WBC:", &ReportData::s_wbc, ReportValue::null(), {""}},  // nobody measured it: nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectedAfterCaption.join('|').toStdString());
        page_ = RecordingSurface();
        data_ = sample();
        data_.*c.member = c.value;
        // Without a white count there is no band count: the page stops at the absolute counts.
        const QString failure = run();
        EXPECT_EQ(failure.contains(QStringLiteral("Null")), c.value.isNull()) << failure.toStdString();
        const auto& all = page_.printed;
        const auto at = std::find_if(all.begin(), all.end(),
                                     [&](const Printed& p) { return p.text == QString::fromLatin1(c.caption); });
        ASSERT_NE(at, all.end());
        QStringList got;
        for (auto it = at + 1; it != all.end() && it->x < 3000; ++it)
            got << it->text;
        EXPECT_EQ(got, c.expectedAfterCaption);
        if (c.value == ReportValue(0.0) && QLatin1String(c.caption) == QLatin1String("WBC:")) {
            EXPECT_EQ(at[1].size, 6);
        }
    }
}

TEST_F(ReportPageTest, ABandLimitNobodySetMarksNothing) {
    struct Case {
        const char* what;
        ReportValue high;
        bool marked;
    };
    const Case cases[] = {
        {"no limit in the set (NULL)", ReportValue::null(), false},
        {"below the value", ReportValue(2.0), true},
        {"above the value", ReportValue(QStringLiteral("5")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        page_ = RecordingSurface();
        data_ = sample();
        data_.s_bandati = 3;
        data_.s_bandatiL = ReportValue::null();
        data_.s_bandatiH = c.high;
        ASSERT_EQ(run(), QString());
        const auto& all = page_.printed;
        const auto at =
            std::find_if(all.begin(), all.end(), [&](const Printed& p) { return p.text == captions_.bandati; });
        ASSERT_NE(at, all.end());
        QStringList got;
        for (auto it = at + 1; it != all.end() && it->x < 3000; ++it)
            got << it->text;
        EXPECT_EQ(got.contains(QStringLiteral("H")), c.marked) << got.join('|').toStdString();
    }
}

// A limit typed as text that is no number is no limit, on screen and on paper
// alike: the viewer shows the value black, the page prints it without a mark
// and that side of the range empty, and goes on to its end.
TEST_F(ReportPageTest, ALimitThatIsNoNumberIsNoLimitOnScreenAndOnPaper) {
    Connection cn(path(QStringLiteral("riferimenti.mdb")));
    cn.execute(QStringLiteral("UPDATE limiti SET wbcL = 'n.d.', wbcH = 'alto', cNeuH = ' ', rbcH = '4,2'"));
    Recordset rs(cn, QStringLiteral("select * from limiti order by limite"));
    ResultRecord result;
    result.specId = QStringLiteral("A-17");
    const double values[] = {25.0, 55.2, 30.1, 8,    4.5, 2.2, 0,   4.52, 13.8, 40.5,
                             89.6, 30.5, 34.1, 12.9, 0,   250, 9.1, 0.23, 16.4};
    for (int i = 0; i < kParameterCount; ++i)
        result.values[std::size_t(i)] = values[i];

    const RangeSet screen = readRangeSet(rs, QStringLiteral("limiti"), QLatin1Char(','));
    EXPECT_EQ(screen.of(ResultParameter::WBC), RangeLimits{});
    EXPECT_EQ(judge(result.value(ResultParameter::WBC), screen.of(ResultParameter::WBC)), RangeColour::Black);
    EXPECT_EQ(rangeText(screen.of(ResultParameter::WBC), QLatin1Char(',')), QStringLiteral("( - )"));
    EXPECT_EQ(judge(result.value(ResultParameter::RBC), screen.of(ResultParameter::RBC)), RangeColour::Red);

    fillReportData(data_, result, LimitsRow::fromRecordset(rs));
    ASSERT_EQ(run(), QString());
    const auto& all = page_.printed;
    const auto after = [&](const QString& caption) {
        QStringList got;
        const auto at = std::find_if(all.begin(), all.end(), [&](const Printed& p) { return p.text == caption; });
        for (auto it = at == all.end() ? at : at + 1; it != all.end() && !it->text.startsWith('('); ++it)
            got << it->text;
        if (at != all.end())
            got << std::find_if(at, all.end(), [](const Printed& p) { return p.text.startsWith('('); })->text;
        return got;
    };
    EXPECT_EQ(after(QStringLiteral("WBC:")), (QStringList{" 25,0", captions_.unitwbc, "( - )"}));
    EXPECT_EQ(after(captions_.rbc).mid(0, 2), (QStringList{" 4,52 ", "H"}));  // the same set still judges
    const auto counts = std::find_if(
        all.begin(), all.end(), [](const Printed& p) { return p.text == QLatin1String("Valori assoluti formula"); });
    const auto neuCount = std::find_if(counts, all.end(), [&](const Printed& p) { return p.text == captions_.neu; });
    ASSERT_NE(neuCount, all.end());
    EXPECT_EQ(neuCount[1].text, QStringLiteral(" 13,8 "));
    EXPECT_EQ(neuCount[2].text, captions_.unitwbc);  // no mark
    EXPECT_TRUE(neuCount[3].text.endsWith(QStringLiteral(" - )"))) << neuCount[3].text.toStdString();
}

TEST_F(ReportPageTest, SignOffPrintsNoSymbols) {
    general(QStringLiteral("alarm"), QStringLiteral("sign"), QStringLiteral("0"));
    data_.s_wbc = 25.0;
    data_.s_hgb = 2.0;
    ASSERT_EQ(run(), QString());
    EXPECT_FALSE(page_.texts().contains(QStringLiteral("H")));
    EXPECT_FALSE(page_.texts().contains(QStringLiteral("L")));
}

TEST_F(ReportPageTest, MorphologyLinesFollowTheFlagsThatAreExactlyOne) {
    struct Case {
        std::vector<std::pair<ReportValue ReportData::*, ReportValue>> flags;
        int16_t lri;
        QStringList lines;
    };
    const ReportValue one(1.0);
    const std::vector<Case> cases = {
        {{}, 0, {}},
        {{}, 1, {"[Interferenze lettura PLT (LRI/URI)]"}},
        {{{&ReportData::s_band, one},
          {&ReportData::s_ig, one},
          {&ReportData::s_blast, one},
          {&ReportData::s_varlym, one}},
         0,
         {"[Bande][Granulociti immaturi][Blasti][Variazione linfocitaria]"}},
        {{{&ReportData::s_dflt, ReportValue(QStringLiteral("1"))}, {&ReportData::s_nwbc, one}},
         0,
         {"[Interferenze lettura formula (DFLT)]", "[Cellule escluse dalla conta WBC (NWBC)]"}},
        {{{&ReportData::s_nrbc, ReportValue(-1.0)},
          {&ReportData::s_rrbc, ReportValue(2.0)},
          {&ReportData::s_uri, ReportValue::null()}},
         0,
         {}},
        {{{&ReportData::s_rrbc, one}, {&ReportData::s_uri, one}},
         1,
         {"[GR resistenti (RRBC)]", "[Interferenze lettura PLT (LRI/URI)]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.join('|').toStdString());
        page_ = RecordingSurface();
        data_ = sample();
        for (const auto& [member, value] : c.flags)
            data_.*member = value;
        data_.s_lri = c.lri;
        ASSERT_EQ(run(), QString());
        const Printed* heading = page_.find(QStringLiteral("Allarmi morfologici"));
        ASSERT_NE(heading, nullptr);
        EXPECT_TRUE(heading->underline);
        QStringList lines;
        double y = 8600 + 300;
        for (const Printed& p : page_.printed) {
            if (p.x == 6000 && p.y > 8600 && p.y < 10300 && !p.text.isEmpty()) {
                lines << p.text;
                EXPECT_EQ(p.y, y) << p.text.toStdString();  // closed up: 300 below the heading, then 230 apart
                EXPECT_FALSE(p.underline);
                EXPECT_EQ(p.size, 8);
                y += 230;
            }
        }
        EXPECT_EQ(lines, c.lines);
    }
}

TEST_F(ReportPageTest, NoteLinesBreakAtEverySemicolon) {
    struct Case {
        ReportValue note;
        QStringList lines;  // after the heading and the dot line
    };
    const Case cases[] = {
        {ReportValue(QStringLiteral("Campione emolizzato")), {"Campione emolizzato"}},
        {ReportValue(QStringLiteral("ripetere;controllo")), {"ripetere", "controllo"}},
        {ReportValue(QStringLiteral(";")), {"", ""}},
        {ReportValue(QString()), {}},
        {ReportValue::null(), {}},
    };
    for (const Case& c : cases) {
        page_ = RecordingSurface();
        data_.s_commento = c.note;
        ASSERT_EQ(run(), QString());
        const Printed* heading = page_.find(QStringLiteral("Note:"));
        if (c.lines.isEmpty()) {
            EXPECT_EQ(heading, nullptr);
            continue;
        }
        ASSERT_NE(heading, nullptr);
        EXPECT_TRUE(heading->bold);
        EXPECT_EQ(heading->y, 14000);
        const auto& all = page_.printed;
        auto at = all.begin() + (heading - all.data());
        EXPECT_EQ(at[2].text, QStringLiteral(" . "));
        EXPECT_EQ(at[2].size, 7);  // note_size less 3
        EXPECT_EQ(at[2].y, 14000 + 200);
        for (int i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(at[3 + i].text, c.lines[i]);
            EXPECT_EQ(at[3 + i].x, 6000);
            EXPECT_EQ(at[3 + i].y, 14000 + 200 + 140 * (i + 1));
            EXPECT_FALSE(at[3 + i].bold);
        }
    }
}

// The absolute counts: s_wbc x percentage / 100, rounded to 2 decimals, with the pads of stored layouts.
TEST_F(ReportPageTest, AbsoluteCountsArePrintedWithTheirPadsAndAtTheirPitch) {
    struct Case {
        double wbc, neu, bandati, baso;
        const char *neuText, *bandText, *basoText;
    };
    const Case cases[] = {
        {7.5, 60, 0, 0, " 4,5 ", " 0,0", "  0,0"},
        {8, 50, 0, 1, " 4,0", " 0,0", " 0,08 "},
        {6.35, 61.3, 4.5, 0, " 3,89 ", "0,29", "  0,0"},
        {6, 10, 4.5, 0, " 0,6 ", "0,27", "  0,0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.neuText);
        page_ = RecordingSurface();
        data_.s_wbc = c.wbc, data_.s_neu = c.neu, data_.s_bandati = c.bandati, data_.s_baso = c.baso;
        ASSERT_EQ(run(), QString());
        std::vector<const Printed*> counts;
        for (const Printed& p : page_.printed)
            if (p.x == 7400)
                counts.push_back(&p);
        ASSERT_EQ(counts.size(), 6u);
        EXPECT_EQ(counts[0]->text, QString::fromLatin1(c.neuText));
        EXPECT_EQ(counts[1]->text, QString::fromLatin1(c.bandText));
        EXPECT_EQ(counts[5]->text, QString::fromLatin1(c.basoText));
        // calcola_y 10300, calcola_riga 240, calcolavalore_y1 35.
        for (int k = 1; k <= 6; ++k)
            EXPECT_EQ(counts[k - 1]->y, 10300 + k * 240 + (k - 1) * 35);
    }
}

TEST_F(ReportPageTest, PatientItemsFollowTheirSwitches) {
    struct Case {
        const char* key;
        const char* value;
        bool printed;  // the item's caption
    };
    const Case cases[] = {
        {"id_on", "1", true},   {"id_on", "1.0", true}, {"id_on", "0", false},  {"id_on", "2", false},
        {"id_on", "-1", false}, {"seq_on", "1", true},  {"seq_on", "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        page_ = RecordingSurface();
        print("anag", c.key, QString::fromLatin1(c.value));
        ASSERT_EQ(run(), QString());
        const QString caption = QLatin1String(c.key) == QLatin1String("id_on") ? QStringLiteral("ID campione:")
                                                                               : QStringLiteral("N. seq.:");
        EXPECT_EQ(page_.find(caption) != nullptr, c.printed);
    }
    // An empty date of birth or sex leaves the item out; the number prints its caption alone.
    print("anag", "n_on", QStringLiteral("1"));
    page_ = RecordingSurface();
    ASSERT_EQ(run(), QString());
    EXPECT_EQ(page_.find(QStringLiteral("Data di nascita:")), nullptr);
    EXPECT_EQ(page_.find(QStringLiteral("Sesso:")), nullptr);
    EXPECT_NE(page_.find(QStringLiteral("Numero:")), nullptr);
    EXPECT_NE(page_.find(QStringLiteral("Riferimenti:")), nullptr);
}

TEST_F(ReportPageTest, ASplitSampleIdentifierTakesOneLinePerPiece) {
    data_.s_id = ReportValue(QStringLiteral("A;B;C"));
    ASSERT_EQ(run(), QString());
    const QStringList pieces = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        const Printed* p = page_.find(pieces[i]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->x, 1900);
        EXPECT_EQ(p->y, 1950 + i * 200);  // specId_size 10: 200 twips a line here
    }
}

TEST_F(ReportPageTest, GraphSwitchesSeeOneCharacterAndCaptionsStandAtTheirOffsets) {
    struct Case {
        const char* scatt;
        bool painted;
    };
    for (const Case& c : {Case{"10", true}, Case{"1", true}, Case{"2", false}, Case{"0", false}}) {
        page_ = RecordingSurface();
        print("graph", "scatt_on", QString::fromLatin1(c.scatt));
        ASSERT_EQ(run(), QString());
        const bool found = std::any_of(page_.painted.begin(), page_.painted.end(),
                                       [](const Painted& p) { return p.slot == ReportSlot::Scatter; });
        EXPECT_EQ(found, c.painted) << c.scatt;
    }
    // scatt (600, 4050): caption at (700, 3750); WB1 histogram (7500, 4050): caption at (7800, 4000).
    const Printed* scatter = page_.find(QStringLiteral("Legenda"));
    ASSERT_NE(scatter, nullptr);
    EXPECT_EQ(scatter->x, 3900 + 100);
    EXPECT_EQ(scatter->y, 4050 - 300);
    const Printed* wb1 = page_.find(QStringLiteral("WBC (nWbc-Lym-Mono)"));
    ASSERT_NE(wb1, nullptr);
    EXPECT_EQ(wb1->x, 7800);
    EXPECT_EQ(wb1->y, 4000);
}

TEST_F(ReportPageTest, LegendAndSignatures) {
    print("rbcleg", "rbcleg_riga", QStringLiteral("250"));
    print("analisi", "pct-pdw", QStringLiteral("0"));
    ASSERT_EQ(run(), QString());
    const Printed* heading = page_.find(QStringLiteral("Indici eritrocitari"));
    ASSERT_NE(heading, nullptr);
    EXPECT_TRUE(heading->bold);
    EXPECT_EQ(page_.find(QStringLiteral("MCV: volume corpuscolare medio"))->y, 12350 + 250);
    EXPECT_EQ(page_.find(QStringLiteral("RDW: ampiezza di distribuzione eritrocitaria"))->y, 12350 + 1000);
    EXPECT_EQ(page_.find(QStringLiteral("PCT: piastrinocrito")), nullptr);
    EXPECT_NE(page_.find(QStringLiteral("Il Tecnico di Laboratorio")), nullptr);

    page_ = RecordingSurface();
    print("firma", "firma_on", QStringLiteral("0"));
    print("rbcleg", "rbcleg_on", QStringLiteral("2"));
    ASSERT_EQ(run(), QString());
    EXPECT_EQ(page_.find(QStringLiteral("Il Tecnico di Laboratorio")), nullptr);
    EXPECT_EQ(page_.find(QStringLiteral("Indici eritrocitari")), nullptr);
}

TEST_F(ReportPageTest, TheFirstBadKeyEndsThePageAndNamesItself) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        const char* lastPrinted;  // what the page printed last before it stopped ("" nothing)
    };
    const Case cases[] = {
        {"logo", "logo_on", "", ""},
        {"logo", "logo_x", "", ""},
        {"header", "riga3_size", "", "Via, numero civico - CAP Città"},
        {"anag", "id_on", "", "Settore di Ematologia"},
        {"titolo", "titolo_on", "False", "12"},  // read as "Fals"
        {"graph", "scatt_on", "-1", "ESAME EMOCROMOCITOMETRICO"},
        {"analisi", "pct-pdw", "", "(7 - 11)"},
        {"morfologia", "morf_on", "", "(10 - 30)"},
        {"firma", "firma2_size", "x", "Il Tecnico di Laboratorio"},
    };
    data_.s_mpvL = ReportValue(QStringLiteral("7.0"));
    data_.s_mpvH = ReportValue(QStringLiteral("11.0"));
    data_.s_pdwL = ReportValue(QStringLiteral("10"));
    data_.s_pdwH = ReportValue(30.0);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " " + c.key);
        const QString saved = leggiini(QString::fromLatin1(c.section), QString::fromLatin1(c.key), file::printIni, 255);
        print(c.section, c.key, QString::fromUtf8(c.value));
        page_ = RecordingSurface();
        const QString failure = run();
        EXPECT_TRUE(failure.contains(QString::fromLatin1(c.key))) << failure.toStdString();
        const QStringList texts = page_.texts();
        EXPECT_EQ(texts.isEmpty() ? QString() : texts.last(), QString::fromUtf8(c.lastPrinted));
        print(c.section, c.key, saved);
    }
    data_.s_pdwH = ReportValue(30.0);
    print("analisi", "pct-pdw", QStringLiteral("0"));
    page_ = RecordingSurface();
    EXPECT_EQ(run(), QString());
}

TEST_F(ReportPageTest, AValueThatIsNoNumberEndsThePage) {
    data_.s_hgb = ReportValue(QStringLiteral("n.d."));
    const QString failure = run();
    EXPECT_TRUE(failure.contains(QStringLiteral("n.d."))) << failure.toStdString();
    EXPECT_EQ(page_.texts().last(), QStringLiteral("HGB:"));
}

// Stored layouts rely on the buffers keys are read with: longer values are cut.
// Font names are the exception (below).
TEST_F(ReportPageTest, KeysArriveCutToTheirBuffers) {
    const QString title(120, QLatin1Char('T'));
    print("titolo", "titolo_text", title);
    print("firma", "firma", QString(60, QLatin1Char('F')));
    print("morfologia", "morf_text", QString(60, QLatin1Char('M')));
    general(QStringLiteral("alarm"), QStringLiteral("simboloH"), QStringLiteral("ALTO-ALTO-ALTO"));
    general(QStringLiteral("alarm"), QStringLiteral("errore"), QString(30, QLatin1Char('-')));
    data_.s_wbc = 0.0;
    data_.s_hgb = 99.0;
    data_.s_hgbH = ReportValue(QStringLiteral("17"));
    ASSERT_EQ(run(), QString());
    EXPECT_NE(page_.find(title.left(99)), nullptr);
    EXPECT_NE(page_.find(QString(49, QLatin1Char('F'))), nullptr);
    EXPECT_NE(page_.find(QString(49, QLatin1Char('M'))), nullptr);
    EXPECT_NE(page_.find(QStringLiteral("ALTO-ALTO")), nullptr);  // 9 characters
    EXPECT_NE(page_.find(QString(23, QLatin1Char('-'))), nullptr);
}

// The texts dialog offers faces whose names run past 14 characters; every
// block prints in the face named, whole.
TEST_F(ReportPageTest, FontNamesReachThePrinterWhole) {
    struct Case {
        const char* section;
        const char* key;
        const char* printedText;  // a text the key's font prints
    } cases[] = {
        {"header", "riga1_font", "Laboratorio Analisi Cliniche"},
        {"anag", "specName_font", "D'Amico Maria"},
        {"titolo", "titolo_font", "ESAME EMOCROMOCITOMETRICO"},
        {"graph", "titolo_font", "Scattergramma WBC"},
        {"analisi", "parametri_font", "WBC:"},
        {"morfologia", "morf_font", "Allarmi morfologici"},
        {"note", "note_font", "Campione lipemico"},
        {"calcola", "calcola_font", "Valori assoluti formula"},
        {"rbcleg", "rbcleg_font", "Indici eritrocitari"},
        {"firma", "firma2_font", "Il Direttore del Laboratorio"},
    };
    data_.s_commento = ReportValue(QStringLiteral("Campione lipemico"));
    for (const QString& face : {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                                QStringLiteral("Liberation Sans Narrow Condensed Bold")}) {
        for (const Case& c : cases)
            print(c.section, c.key, face);
        page_ = RecordingSurface();
        ASSERT_EQ(run(), QString());
        for (const Case& c : cases) {
            const Printed* p = page_.find(QString::fromUtf8(c.printedText));
            ASSERT_NE(p, nullptr) << c.printedText;
            EXPECT_EQ(p->font, face) << c.section << " " << c.key;
        }
    }
}

TEST_F(ReportPageTest, ABadAlarmSignIsAFailureBeforeThePage) {
    general(QStringLiteral("alarm"), QStringLiteral("sign"), QStringLiteral("si"));
    EXPECT_THROW(PageSettings::load(), AppError);
}

}  // namespace
}  // namespace zv
