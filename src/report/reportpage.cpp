#include "report/reportpage.h"

#include <cmath>
#include <functional>

#include "core/config.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "model/rangelimits.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/profile.h"

namespace zv {

namespace {

// The layout file as this page reads it: taken once when the page starts, so
// a page never mixes two versions of a file saved while it prints, and the
// next page reads the file afresh.
const profile::Snapshot* pageLayout = nullptr;

class PageLayoutScope {
public:
    PageLayoutScope() : snapshot_(profile::resolvePath(programPath(file::printIni))) { pageLayout = &snapshot_; }
    ~PageLayoutScope() { pageLayout = nullptr; }

private:
    profile::Snapshot snapshot_;
};

// One key of the layout file, read where it is used with the buffer that
// stored layouts rely on, and converted strictly: an empty or malformed value
// fails the page with a message that names the key.
class Layout {
public:
    static constexpr int kWholeValue = 4096;

    explicit Layout(const char* section) : section_(QString::fromLatin1(section)) {}

    QString text(const char* key, int buffer = 15) const {
        const QString k = QString::fromLatin1(key);
        if (pageLayout)
            return pageLayout->read(section_, k).left(buffer - 1);
        return leggiini(section_, k, file::printIni, buffer);
    }
    // A font name whole, as the texts dialog writes it ("Times New Roman"):
    // a cut name would leave the printer to its fallback font.
    QString fontName(const char* key) const { return text(key, kWholeValue); }
    double number(const char* key, int buffer = 15) const {
        const QString value = text(key, buffer);
        try {
            return toDouble(value);
        } catch (const AppError&) {
            throw failure(key, value, "a number");
        }
    }
    // Positions and sizes are single precision.
    double single(const char* key, int buffer = 15) const { return static_cast<float>(number(key, buffer)); }
    bool boolean(const char* key, int buffer = 15) const {
        const QString value = text(key, buffer);
        try {
            return toBool(value);
        } catch (const AppError&) {
            throw failure(key, value, "True, False or a number");
        }
    }
    // On only when the key reads exactly 1.
    bool switchOn(const char* key, int buffer = 15) const { return number(key, buffer) == 1.0; }
    int32_t colour(const char* key) const {
        const QString value = text(key);
        try {
            return toInt32(value);
        } catch (const AppError&) {
            throw failure(key, value, "a colour number");
        }
    }

private:
    AppError failure(const char* key, const QString& value, const char* what) const {
        return AppError(err::TypeMismatch, QStringLiteral("Type mismatch: print.ini [%1] %2 = \"%3\" is not %4")
                                               .arg(section_, QString::fromLatin1(key), value, QLatin1String(what)));
    }

    QString section_;
};

bool isOne(const ReportValue& flag, QChar mark) {
    const std::optional<double> n = flag.number(mark);
    return n && *n == 1.0;
}

// Print draws NULL as nothing and a number with its blanks.
QString printedOrNothing(const std::optional<double>& value, QChar mark) {
    return value ? printedNumber(*value, mark) : QString();
}

// The range of a row as the page judges it: a member nobody assigned reads
// as 0, as every number of the hand-off does.
RangeLimits judgedRange(const ReportValue& low, const ReportValue& high, QChar mark) {
    return {low.limit(mark), high.limit(mark)};
}

// The range as the viewer shows it, in the page's mark so values and ranges
// never mix marks; a member nobody assigned shows nothing.
QString rangeText(const ReportValue& low, const ReportValue& high, QChar mark) {
    const auto shown = [mark](const ReportValue& v) {
        return v.kind() == ReportValue::Kind::Empty ? std::nullopt : v.limit(mark);
    };
    return rangeText(RangeLimits{shown(low), shown(high)}, mark);
}

// The symbol after a value outside its range.
void printRangeMark(PageSurface& page, RangeColour judged, const PageSettings& s) {
    if (judged == RangeColour::Blue)
        page.print(s.low);
    else if (judged == RangeColour::Red)
        page.print(s.high);
}

void logoBlock(PageSurface& page) {
    const Layout logo("logo");
    if (logo.boolean("logo_on", 10))
        page.paintPicture(ReportSlot::Logo, logo.single("logo_x"), logo.single("logo_y"));
}

void headerBlock(PageSurface& page) {
    const Layout header("header");
    for (int line = 1; line <= 4; ++line) {
        const QByteArray k = "riga" + QByteArray::number(line);
        auto key = [&](const char* suffix) { return QByteArray(k + suffix); };
        page.setCurrentY(header.single(key("_y").constData()));
        page.setCurrentX(header.single(key("_x").constData()));
        page.setFontItalic(header.boolean(key("_italic").constData()));
        page.setFontBold(header.boolean(key("_bold").constData()));
        page.setFontSize(header.single(key("_size").constData()));
        page.setFontName(header.fontName(key("_font").constData()));
        page.setForeColor(header.colour(key("_color").constData()));
        page.print(header.text(k.constData(), 100));
    }
    page.setForeColor(0);
}

struct PatientItem {
    const char* on;
    bool skipWhenEmpty;
    const char *captionX, *captionY, *captionFont;  // font keys: <captionFont>_italic ...
    const char *valueX, *valueY, *valueFont;
};

void setFont(PageSurface& page, const Layout& layout, const char* stem) {
    const QByteArray s(stem);
    page.setFontItalic(layout.boolean(QByteArray(s + "_italic").constData()));
    page.setFontBold(layout.boolean(QByteArray(s + "_bold").constData()));
    page.setFontSize(layout.single(QByteArray(s + "_size").constData()));
    page.setFontName(layout.fontName(QByteArray(s + "_font").constData()));
}

void patientBlock(PageSurface& page, const ReportData& d, const ReportCaptions& c, QChar mark) {
    const Layout anag("anag");
    const auto item = [&](const char* on, const QString& caption, const char* cx, const char* cy, const char* cfont,
                          const char* vx, const char* vy, const char* vfont, const std::function<void()>& value,
                          const ReportValue* mustHaveText = nullptr) {
        if (!anag.switchOn(on, 10))
            return;
        if (mustHaveText && mustHaveText->text(mark).isEmpty())
            return;
        page.setCurrentX(anag.single(cx));
        page.setCurrentY(anag.single(cy));
        setFont(page, anag, cfont);
        page.print(caption);
        page.setCurrentX(anag.single(vx));
        page.setCurrentY(anag.single(vy));
        setFont(page, anag, vfont);
        value();
    };
    const auto plain = [&](const QString& text) { return [&page, text] { page.print(text); }; };

    item("id_on", c.id, "id_x", "id_y", "id", "specId_x", "specId_y", "specId", [&] {
        if (d.s_id.isNull())
            throw AppError(94, QStringLiteral("Invalid use of Null: the result has no sample identifier"));
        const QString id = d.s_id.text(mark);
        if (!id.contains(QLatin1Char(';'))) {
            page.print(id);
            return;
        }
        for (const QString& piece : id.split(QLatin1Char(';'))) {
            page.setCurrentX(anag.single("specId_x"));
            page.printLine(piece);
        }
    });
    item("name_on", c.nome, "nome_x", "nome_y", "nome", "specName_x", "specName_y", "specName",
         plain(d.s_nome.text(mark)));
    item("data_on", c.data, "data_x", "data_y", "data", "specDate_x", "specDate_y", "specDate", plain(d.s_data));
    item("ddn_on", c.ddn, "ddn_x", "ddn_y", "ddn", "specDdn_x", "specDdn_y", "specddn", plain(d.s_ddn.text(mark)),
         &d.s_ddn);
    item("limit_on", anag.text("limitnome", 255), "limit_x", "limit_y", "sex", "limitval_x", "limitval_y", "sesso",
         plain(d.s_limite.text(mark)));
    item("sex_on", c.sesso, "sex_x", "sex_y", "sex", "sesso_x", "sesso_y", "sesso", plain(d.s_sex.text(mark)),
         &d.s_sex);
    item("n_on", c.numero, "n_x", "n_y", "n", "nrs_x", "nrs_y", "nrs", plain(d.s_n));
    item("seq_on", c.sequenza, "seq_x", "seq_y", "seq", "seqval_x", "seqval_y", "seqval", plain(d.s_seq));
}

void titleBlock(PageSurface& page) {
    const Layout titolo("titolo");
    if (titolo.boolean("titolo_on", 5)) {
        page.setCurrentY(titolo.single("titolo_y"));
        page.setCurrentX(titolo.single("titolo_x"));
        page.setFontItalic(titolo.boolean("titolo_italic"));
        page.setFontBold(titolo.boolean("titolo_bold"));
        page.setFontSize(titolo.single("titolo_size"));
        page.setFontName(titolo.fontName("titolo_font"));
        page.setForeColor(titolo.colour("titolo_color"));
        page.print(titolo.text("titolo_text", 100));
    }
    page.setForeColor(0);
}

void graphsBlock(PageSurface& page, const ReportCaptions& c) {
    const Layout graph("graph");
    page.setFontSize(graph.single("titolo_size"));
    page.setFontName(graph.fontName("titolo_font"));
    page.setFontItalic(graph.boolean("titolo_italic"));
    page.setFontBold(graph.boolean("titolo_bold"));
    struct Picture {
        ReportSlot slot;
        const char *on, *x, *y;
        const QString& caption;
        double dx, dy;
    };
    const Picture pictures[] = {
        {ReportSlot::Scatter, "scatt_on", "scatt_x", "scatt_y", c.graph1, 100, -300},
        {ReportSlot::ScatterLegend, "scatt2_on", "scatt2_x", "scatt2_y", c.graph2, 100, -300},
        {ReportSlot::WB1, "lym-mono_on", "lym-mono_x", "lym-mono_y", c.graph3, 300, -50},
        {ReportSlot::WB2, "mono-poly_on", "mono-poly_x", "mono-poly_y", c.graph4, 300, -50},
        {ReportSlot::RBC, "rbcgraph_on", "rbcgraph_x", "rbcgraph_y", c.graph5, 300, -50},
        {ReportSlot::PLT, "pltgraph_on", "pltgraph_x", "pltgraph_y", c.graph6, 300, -50},
    };
    for (const Picture& p : pictures) {
        if (!graph.switchOn(p.on, 2))
            continue;
        page.paintPicture(p.slot, graph.single(p.x), graph.single(p.y));
        page.setCurrentX(static_cast<float>(graph.number(p.x) + p.dx));
        page.setCurrentY(static_cast<float>(graph.number(p.y) + p.dy));
        page.print(p.caption);
    }
}

// How a value cell is written. A value nobody measured (NULL) prints as
// nothing, never as a measured 0, unless the form says it fails.
enum class ValueForm {
    Separator,        // a whole number gets the separator and "0"
    SeparatorDouble,  // the same, the value taken as a double first (NULL fails)
    Number,           // always as a number
};

struct AnalysisRow {
    QString caption;
    ReportValue value;
    ReportValue low, high;
    bool zeroTest;
    QString unit;
    ValueForm form = ValueForm::Separator;
};

class AnalysisBlock {
public:
    AnalysisBlock(PageSurface& page, const PageSettings& s) : page_(page), s_(s), analisi_("analisi") {}

    void frame() {
        page_.setFontSize(analisi_.single("parametri_size"));
        page_.setFontName(analisi_.fontName("parametri_font"));
        page_.setFontItalic(analisi_.boolean("parametri_italic"));
        page_.setFontBold(analisi_.boolean("parametri_bold"));
        page_.setCurrentX(analisi_.single("ppar_x"));
        page_.setCurrentY(analisi_.single("ppar_y"));
    }

    // One analysis row: caption, value with its range marks, unit and range. The
    // first row keeps the size the frame set.
    void row(const AnalysisRow& r, bool setSize = true) {
        if (setSize)
            page_.setFontSize(analisi_.single("parametri_size"));
        page_.print(r.caption);
        page_.setCurrentX(analisi_.single("par_x"));
        const std::optional<double> n = r.value.number(s_.mark);
        if (r.zeroTest && n && *n == 0.0) {
            page_.setFontSize(6);
            page_.print(s_.zero);
            page_.setFontSize(analisi_.single("parametri_size"));
        } else {
            page_.setFontBold(boldSwitch());
            if (r.form == ValueForm::Number) {
                page_.print(printedOrNothing(n, s_.mark));
            } else {
                if (r.form == ValueForm::SeparatorDouble && !n)
                    throw AppError(94, QStringLiteral("Invalid use of Null: %1 has no value").arg(r.caption));
                page_.print(printedValue(n, s_));
            }
            page_.setFontBold(false);
        }
        printRangeMark(page_, judge(n, judgedRange(r.low, r.high, s_.mark)), s_);
        page_.setCurrentX(analisi_.single("unit_x"));
        page_.print(r.unit);
        page_.setCurrentX(analisi_.single("rif_x"));
        page_.setFontSize(analisi_.single("rif_size"));
        lineStep("valore_y1");
        page_.print(rangeText(r.low, r.high, s_.mark));
    }
    // Down to the next row, back at the caption column.
    void next() {
        page_.setCurrentX(analisi_.single("ppar_x"));
        lineStep("_riga");
    }
    void lineStep(const char* key) { page_.setCurrentY(static_cast<float>(page_.currentY() + analisi_.number(key))); }
    void setRowSize() { page_.setFontSize(analisi_.single("parametri_size")); }
    bool pctPdw() const { return analisi_.switchOn("pct-pdw", 8); }

private:
    bool boldSwitch() const {
        try {
            return toBool(s_.bold);
        } catch (const AppError&) {
            throw AppError(err::TypeMismatch,
                           QStringLiteral("Type mismatch: print.ini [analisi] valori_bold = \"%1\" is not True, "
                                          "False or a number")
                               .arg(s_.bold));
        }
    }

    PageSurface& page_;
    const PageSettings& s_;
    Layout analisi_;
};

void analysisBlock(PageSurface& page, const ReportData& d, const ReportCaptions& c, const PageSettings& s) {
    AnalysisBlock b(page, s);
    const QString pc = QStringLiteral("%");
    b.frame();
    const AnalysisRow white[] = {
        {c.wbc, d.s_wbc, d.s_wbcL, d.s_wbcH, true, c.unitwbc},
        {c.neu, d.s_neu, d.s_neuL, d.s_neuH, false, pc},
        {c.bandati, d.s_bandati, d.s_bandatiL, d.s_bandatiH, false, pc},
        {c.lym, d.s_lym, d.s_lymL, d.s_lymH, false, pc},
        {c.mono, d.s_mono, d.s_monoL, d.s_monoH, false, pc},
        {c.eos, d.s_eos, d.s_eosL, d.s_eosH, false, pc},
        {c.baso, d.s_baso, d.s_basoL, d.s_basoH, false, pc},
    };
    bool first = true;
    for (const AnalysisRow& r : white) {
        b.row(r, !first);
        b.next();
        first = false;
    }
    // The red cells stand one step lower than the pitch would put them.
    b.setRowSize();
    b.lineStep("_riga");
    b.row({c.rbc, d.s_rbc, d.s_rbcL, d.s_rbcH, true, c.unitrbc}, false);
    b.next();
    b.row({c.hgb, d.s_hgb, d.s_hgbL, d.s_hgbH, true, c.unithgb});
    b.next();
    b.row({c.hct, d.s_hct, d.s_hctL, d.s_hctH, false, pc});
    b.next();
    b.row({QStringLiteral("MCV:"), d.s_mcv, d.s_mcvL, d.s_mcvH, false, c.unitmcv});
    b.next();
    b.row({QStringLiteral("MCH:"), d.s_mch, d.s_mchL, d.s_mchH, false, c.unitmch});
    b.next();
    b.row({QStringLiteral("MCHC:"), d.s_mchc, d.s_mchcL, d.s_mchcH, false, c.unitmchc});
    b.next();
    b.row({QStringLiteral("RDW:"), d.s_rdw, d.s_rdwL, d.s_rdwH, false, pc, ValueForm::SeparatorDouble});
    if (d.s_ret > 0) {
        b.next();
        b.row({c.ret, ReportValue(d.s_ret), d.s_retL, d.s_retH, false, pc, ValueForm::Number});
    }
    // The platelets stand one step lower again.
    b.lineStep("_riga");
    b.next();
    b.row({c.plt, d.s_plt, d.s_pltL, d.s_pltH, true, c.unitplt, ValueForm::Number});
    b.next();
    b.row({QStringLiteral("MPV:"), d.s_mpv, d.s_mpvL, d.s_mpvH, true, c.unitmpv});
    if (b.pctPdw()) {
        b.next();
        b.row({QStringLiteral("PCT:"), d.s_pct, d.s_pctL, d.s_pctH, true, pc});
        b.next();
        b.row({QStringLiteral("PDW:"), ReportValue(d.s_pdw), d.s_pdwL, d.s_pdwH, true, c.unitpdw});
    }
}

void morphologyBlock(PageSurface& page, const ReportData& d, const ReportCaptions& c, QChar mark) {
    const Layout morf("morfologia");
    if (!morf.switchOn("morf_on"))
        return;
    page.setFontSize(morf.single("morf_size"));
    page.setFontName(morf.fontName("morf_font"));
    page.setFontItalic(morf.boolean("morf_italic"));
    page.setFontBold(morf.boolean("morf_bold"));
    page.setFontUnderline(morf.boolean("morf_uline"));
    page.setCurrentX(morf.single("morf_x"));
    page.setCurrentY(morf.single("morf_y"));
    page.print(morf.text("morf_text", 50));
    page.setFontUnderline(false);
    page.setCurrentY(static_cast<float>(page.currentY() + morf.number("morf_riga")));
    page.setCurrentX(morf.single("morf_x"));
    page.setFontSize(morf.single("segn_size"));
    const auto line = [&](bool condition, const QString& text) {
        if (!condition)
            return;
        page.print(text);
        page.setCurrentY(static_cast<float>(page.currentY() + morf.number("morf_riga2")));
        page.setCurrentX(morf.single("morf_x"));
    };
    const bool band = isOne(d.s_band, mark), ig = isOne(d.s_ig, mark), blast = isOne(d.s_blast, mark),
               varlym = isOne(d.s_varlym, mark);
    QString first;
    if (band)
        first += c.band;
    if (ig)
        first += c.ig;
    if (blast)
        first += c.blast;
    if (varlym)
        first += c.varlym;
    line(band || ig || blast || varlym, first);
    line(isOne(d.s_dflt, mark), c.diflt);
    const bool nrbc = isOne(d.s_nrbc, mark), rrbc = isOne(d.s_rrbc, mark);
    line(nrbc || rrbc, (nrbc ? c.nrbc : QString()) + (rrbc ? c.rrbc : QString()));
    line(isOne(d.s_uri, mark) || d.s_lri == 1, c.uri);
    line(isOne(d.s_nwbc, mark), c.nwbc);
}

void noteBlock(PageSurface& page, const ReportData& d, const ReportCaptions& c, QChar mark) {
    const QString note = d.s_commento.text(mark);
    if (note.isEmpty())
        return;
    const Layout n("note");
    page.setFontSize(n.single("note_size"));
    page.setFontName(n.fontName("note_font"));
    page.setFontItalic(n.boolean("note_italic"));
    page.setFontBold(n.boolean("note_bold"));
    page.setCurrentX(n.single("note_x"));
    page.setCurrentY(n.single("note_y"));
    page.setFontBold(true);
    page.print(c.note);
    page.setFontBold(false);
    page.printLine(QString());
    page.setCurrentX(n.single("note_x"));
    page.setFontSize(static_cast<float>(n.number("note_size") - 3));
    page.printLine(QStringLiteral(" . "));
    if (note.contains(QLatin1Char(';'))) {
        for (const QString& part : note.split(QLatin1Char(';'))) {
            page.setCurrentX(n.single("note_x"));
            page.printLine(part);
        }
    } else {
        page.setCurrentX(n.single("note_x"));
        page.print(note);
    }
}

void countsBlock(PageSurface& page, const ReportData& d, const ReportCaptions& c, const PageSettings& s) {
    const Layout k("calcola");
    if (!k.switchOn("calcola_on"))
        return;
    struct CountRow {
        const QString& caption;
        ReportValue percentage;
        const ReportValue& low;
        ReportValue high;
        const char* pad;
        bool asText;  // the band count is always handed over as its text
    };
    const CountRow rows[] = {
        {c.neu, d.s_neu, d.s_neucL, d.s_neucH, " ", false},
        {c.bandati, d.s_bandati, d.s_bandaticL, d.s_bandaticH, " ", true},
        {c.lym, d.s_lym, d.s_lymcL, d.s_lymcH, " ", false},
        {c.mono, d.s_mono, d.s_monocL, d.s_monocH, " ", false},
        {c.eos, d.s_eos, d.s_eoscL, d.s_eoscH, " ", false},
        {c.baso, d.s_baso, d.s_basocL, d.s_basocH, "  ", false},
    };
    // Every count is worked out before anything of the block is printed.
    std::optional<double> counts[6];
    QString printed[6];
    const std::optional<double> wbc = d.s_wbc.number(s.mark);
    for (int i = 0; i < 6; ++i) {
        const std::optional<double> pct = rows[i].percentage.number(s.mark);
        if (wbc && pct)
            counts[i] = roundHalfEven(*wbc * *pct / 100.0, 2);
        // An unmeasured band % has no count; a typed one needs the white count.
        if (rows[i].asText && pct && !counts[i])
            throw AppError(94, QStringLiteral("Invalid use of Null: no white count for the band count"));
        const QString text = counts[i] ? numberText(*counts[i], s.mark) : QString();
        if (counts[i] && !s.separator.isEmpty() && !text.contains(s.separator))
            printed[i] = QString::fromLatin1(rows[i].pad) + text + s.separator + QLatin1Char('0');
        else if (rows[i].asText)
            printed[i] = text;
        else
            printed[i] = printedOrNothing(counts[i], s.mark);
    }
    page.setCurrentX(k.single("calcola_x"));
    page.setCurrentY(k.single("calcola_y"));
    page.setFontSize(k.single("calcola_size"));
    page.setFontName(k.fontName("calcola_font"));
    page.setFontItalic(k.boolean("calcola_italic"));
    page.setFontBold(k.boolean("calcola_bold"));
    page.setFontBold(true);
    page.print(c.valassolformula);
    page.setFontBold(false);
    for (int i = 0; i < 6; ++i) {
        const CountRow& r = rows[i];
        page.setCurrentY(static_cast<float>(page.currentY() + k.number("calcola_riga")));
        page.setCurrentX(k.single("calcola_x"));
        if (i > 0)
            page.setFontSize(k.single("calcola_size"));
        page.print(r.caption);
        page.setCurrentX(k.single("calcolapar_x"));
        bool bold = false;
        try {
            bold = toBool(s.bold);
        } catch (const AppError&) {
            throw AppError(err::TypeMismatch,
                           QStringLiteral("Type mismatch: print.ini [analisi] valori_bold = \"%1\" is not True, "
                                          "False or a number")
                               .arg(s.bold));
        }
        page.setFontBold(bold);
        page.print(printed[i]);
        page.setFontBold(false);
        printRangeMark(page, judge(counts[i], judgedRange(r.low, r.high, s.mark)), s);
        page.setCurrentX(k.single("calcolaunit_x"));
        page.print(c.unitwbc);
        page.setCurrentX(k.single("calcolarif_x"));
        page.setFontSize(k.single("calcolarif_size"));
        page.setCurrentY(static_cast<float>(page.currentY() + k.number("calcolavalore_y1")));
        page.print(rangeText(r.low, r.high, s.mark));
    }
}

void legendBlock(PageSurface& page, const ReportCaptions& c) {
    const Layout leg("rbcleg");
    if (!leg.switchOn("rbcleg_on"))
        return;
    page.setCurrentX(leg.single("rbcleg_x"));
    page.setCurrentY(leg.single("rbcleg_y"));
    page.setFontSize(leg.single("rbcleg_size"));
    page.setFontName(leg.fontName("rbcleg_font"));
    page.setFontItalic(leg.boolean("rbcleg_italic"));
    page.setFontBold(leg.boolean("rbcleg_bold"));
    page.setFontBold(true);
    page.print(c.indicieritrocit);
    page.setFontBold(false);
    const auto line = [&](const QString& caption) {
        page.setCurrentY(static_cast<float>(page.currentY() + leg.number("rbcleg_riga")));
        page.setCurrentX(leg.single("rbcleg_x"));
        page.print(caption);
    };
    for (const QString* caption : {&c.imcv, &c.imch, &c.imchc, &c.irdw})
        line(*caption);
    if (Layout("analisi").switchOn("pct-pdw", 8)) {
        line(c.ipct);
        line(c.ipdw);
    }
}

void signaturesBlock(PageSurface& page) {
    const Layout firma("firma");
    if (!firma.switchOn("firma_on"))
        return;
    for (const char* stem : {"firma", "firma2"}) {
        const QByteArray s(stem);
        auto key = [&](const char* suffix) { return QByteArray(s + suffix); };
        page.setFontSize(firma.single(key("_size").constData()));
        page.setFontName(firma.fontName(key("_font").constData()));
        page.setFontItalic(firma.boolean(key("_italic").constData()));
        page.setFontBold(firma.boolean(key("_bold").constData()));
        page.setForeColor(firma.colour(key("_color").constData()));
        page.setCurrentX(firma.single(key("_x").constData()));
        page.setCurrentY(firma.single(key("_y").constData()));
        page.printLine(firma.text(stem, 50));
    }
}

}  // namespace

PageSettings PageSettings::load() {
    PageSettings s;
    const QString general = file::generalIni;
    s.separator = leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), general, 8);
    s.mark = (s.separator == QLatin1String(",") || s.separator == QLatin1String(".")) ? s.separator.at(0)
                                                                                      : regionalDecimal();
    const QString sign = leggiini(QStringLiteral("alarm"), QStringLiteral("sign"), general, 10);
    bool on = false;
    try {
        on = toBool(sign);
    } catch (const AppError&) {
        throw AppError(err::TypeMismatch,
                       QStringLiteral("Type mismatch: general.ini [alarm] sign = \"%1\" is not True, False or a number")
                           .arg(sign));
    }
    if (on) {
        s.low = leggiini(QStringLiteral("alarm"), QStringLiteral("simboloL"), general, 10);
        s.high = leggiini(QStringLiteral("alarm"), QStringLiteral("simboloH"), general, 10);
    }
    s.zero = leggiini(QStringLiteral("alarm"), QStringLiteral("errore"), general, 24);
    s.bold = leggiini(QStringLiteral("analisi"), QStringLiteral("valori_bold"), file::printIni, 16);
    return s;
}

QString printedNumber(double value, QChar mark) {
    const QString text = numberText(value, mark);
    return (value < 0 ? QString() : QStringLiteral(" ")) + text + QLatin1Char(' ');
}

QString printedValue(const std::optional<double>& value, const PageSettings& s) {
    if (!value || s.separator.isEmpty())
        return printedOrNothing(value, s.mark);
    const QString text = numberText(*value, s.mark);
    if (text.contains(s.separator))
        return printedNumber(*value, s.mark);
    return QLatin1Char(' ') + text + s.separator + QLatin1Char('0');
}

void stampax(PageSurface& page, const ReportData& d, const ReportCaptions& c, const PageSettings& s) {
    const PageLayoutScope layout;
    logoBlock(page);
    headerBlock(page);
    patientBlock(page, d, c, s.mark);
    titleBlock(page);
    graphsBlock(page, c);
    analysisBlock(page, d, c, s);
    morphologyBlock(page, d, c, s.mark);
    noteBlock(page, d, c, s.mark);
    countsBlock(page, d, c, s);
    legendBlock(page, c);
    signaturesBlock(page);
}

}  // namespace zv
