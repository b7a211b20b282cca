#pragma once
// The report page's data: what a caller (the viewer, the batch run, the
// automatic report) gives the report page about one result.
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>

#include "model/result.h"

namespace zv {

// A hand-off value that holds whatever the caller assigned: nothing yet
// (reads as 0 and as empty text), NULL, a number or a text.
class ReportValue {
public:
    enum class Kind { Empty, Null, Number, Text };

    ReportValue() = default;
    ReportValue(double number) : kind_(Kind::Number), number_(number) {}
    ReportValue(const QString& text) : kind_(Kind::Text), text_(text) {}
    ReportValue(const char*) = delete;  // say QStringLiteral
    static ReportValue null() {
        ReportValue v;
        v.kind_ = Kind::Null;
        return v;
    }
    // A field as stored: NULL stays NULL, numbers stay numbers, the rest is text.
    static ReportValue fromVariant(const QVariant& field);
    static ReportValue fromText(const OptionalText& text) { return text ? ReportValue(*text) : null(); }
    static ReportValue fromNumber(const std::optional<double>& n) { return n ? ReportValue(*n) : null(); }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    // The value as the page compares and computes with it: nothing yet is 0,
    // a text reads as a number with `decimal` (or the other of "," and "."
    // when it is the only mark), NULL is nullopt. A text that is no number,
    // the empty text included, fails with error 13.
    std::optional<double> number(QChar decimal) const;
    // The value as a limit the page judges against: nothing yet is 0, a
    // number is itself, and NULL, a blank or a text that is no number is no
    // limit (readLimit, the viewer's reading).
    std::optional<double> limit(QChar decimal) const;
    // As text: a number in general form with `decimal`, a text unchanged,
    // nothing yet and NULL as the empty text.
    QString text(QChar decimal) const;

    bool operator==(const ReportValue&) const = default;

private:
    Kind kind_ = Kind::Empty;
    double number_ = 0;
    QString text_;
};

struct ReportData {
    QString nomeform;  // read by nobody
    QString s_seq;
    ReportValue s_wbc, s_neu, s_lym, s_mono, s_eos, s_baso;
    // Never sent by the analyser, only typed: NULL is a band count nobody
    // measured, and the page prints it as nothing, not as 0.
    ReportValue s_bandati;
    ReportValue s_rbc, s_hgb, s_mcv, s_hct, s_mch, s_mchc, s_rdw;
    double s_ret = 0;
    ReportValue s_plt, s_mpv, s_pct;
    double s_pdw = 0;
    ReportValue s_nome, s_id, s_sex, s_ddn;
    QString s_data;
    ReportValue s_limite, s_commento;
    QString s_n;  // no caller sets it
    ReportValue s_wbcL, s_wbcH, s_neuL, s_neuH, s_lymL, s_lymH, s_monoL, s_monoH, s_eosL, s_eosH, s_basoH, s_basoL;
    ReportValue s_bandatiL, s_bandatiH;
    ReportValue s_rbcL, s_rbcH, s_hgbL, s_hgbH;
    ReportValue s_mcvL, s_mcvH, s_hctL, s_hctH, s_mchL, s_mchH, s_mchcL, s_mchcH, s_rdwL, s_rdwH;
    ReportValue s_retL, s_retH;
    ReportValue s_pltL, s_pltH, s_mpvL, s_mpvH, s_pctL, s_pctH, s_pdwL, s_pdwH;
    ReportValue s_neucL, s_neucH, s_bandaticL, s_bandaticH, s_lymcL, s_lymcH, s_monocL, s_monocH, s_eoscL, s_eoscH,
        s_basocL, s_basocH;
    ReportValue s_band, s_ig, s_varlym, s_blast, s_dflt, s_nwbc, s_nrbc, s_rrbc, s_uri;
    int16_t s_lri = 0;
};

// The row of the reference-range set (limiti, vet or qc) that the range check
// chose, by column name without regard to case. A column the row lacks (a QC
// lot has no absolute-count limits) reads as NULL: no limit on that side.
class Recordset;

class LimitsRow {
public:
    // Every field of the recordset's current row.
    static LimitsRow fromRecordset(const Recordset& rs);
    void set(const QString& column, const QVariant& value);
    QVariant value(const QString& column) const;

private:
    QHash<QString, QVariant> byName_;
};

// Fills every member the viewer's print sets from the shown result and the
// chosen range set. Number members take a NULL as 0 and text members as the
// empty text (a received result has no Ret %, and its report must print); the
// others, the band % included, keep NULL. A limit the page compares as a number
// (bandatiH, cbasoH, retH, pdwH) is a number or, when not set or no number,
// NULL: no limit, no mark. `nomeform` and `s_n` are left as they were.
// Fails with error 13 only for a flag LRI that is no whole number.
void fillReportData(ReportData& data, const ResultRecord& result, const LimitsRow& limits);

}  // namespace zv
