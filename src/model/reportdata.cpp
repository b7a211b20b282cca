#include "model/reportdata.h"

#include "model/rangelimits.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/recordset.h"

namespace zv {

ReportValue ReportValue::fromVariant(const QVariant& field) {
    if (!field.isValid() || field.isNull())
        return null();
    switch (field.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool: return ReportValue(field.toDouble());
    default: return ReportValue(field.toString());
    }
}

std::optional<double> ReportValue::number(QChar decimal) const {
    switch (kind_) {
    case Kind::Empty: return 0.0;
    case Kind::Null: return std::nullopt;
    case Kind::Number: return number_;
    case Kind::Text: break;
    }
    try {
        return toDouble(text_, decimal);
    } catch (const AppError&) {
        throw AppError(err::TypeMismatch, QStringLiteral("Type mismatch: \"%1\" is not a number").arg(text_));
    }
}

std::optional<double> ReportValue::limit(QChar decimal) const {
    switch (kind_) {
    case Kind::Empty: return 0.0;
    case Kind::Null: return std::nullopt;
    case Kind::Number: return number_;
    case Kind::Text: break;
    }
    return readLimit(text_, decimal);
}

QString ReportValue::text(QChar decimal) const {
    switch (kind_) {
    case Kind::Number: return numberText(number_, decimal);
    case Kind::Text: return text_;
    case Kind::Empty:
    case Kind::Null: break;
    }
    return QString();
}

LimitsRow LimitsRow::fromRecordset(const Recordset& rs) {
    LimitsRow row;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const QString name = rs.fieldName(i);
        row.set(name, rs.field(name));
    }
    return row;
}

void LimitsRow::set(const QString& column, const QVariant& value) { byName_.insert(column.toLower(), value); }

QVariant LimitsRow::value(const QString& column) const { return byName_.value(column.toLower()); }

namespace {

QString textOf(const OptionalText& t) { return t.value_or(QString()); }

double numberOf(const std::optional<double>& n) { return n.value_or(0.0); }

// A limit the page compares as a number: a number, or NULL for no limit.
ReportValue limitNumber(const QVariant& v) {
    const std::optional<double> n = readLimit(v, regionalDecimal());
    return n ? ReportValue(*n) : ReportValue::null();
}

}  // namespace

void fillReportData(ReportData& d, const ResultRecord& r, const LimitsRow& limits) {
    using P = ResultParameter;
    auto v = [&](P p) { return ReportValue::fromNumber(r.value(p)); };
    // From the result row, in the order the viewer sets them.
    d.s_nome = ReportValue::fromText(r.specName);
    d.s_id = ReportValue::fromText(r.specId);
    d.s_data = textOf(r.date);
    d.s_sex = ReportValue::fromText(r.sesso);
    d.s_ddn = ReportValue::fromText(r.DdN);
    d.s_commento = ReportValue::fromText(r.note);
    d.s_seq = textOf(r.seq);
    d.s_wbc = v(P::WBC);
    d.s_neu = v(P::neu);
    d.s_bandati = numberOf(r.value(P::bandati));
    d.s_lym = v(P::lym);
    d.s_mono = v(P::mono);
    d.s_eos = v(P::eos);
    d.s_baso = v(P::baso);
    d.s_rbc = v(P::RBC);
    d.s_hgb = v(P::HGB);
    d.s_mcv = v(P::MCV);
    d.s_hct = v(P::HCT);
    d.s_mch = v(P::MCH);
    d.s_mchc = v(P::MCHC);
    d.s_rdw = v(P::RDW);
    d.s_ret = numberOf(r.value(P::ret));
    d.s_plt = v(P::PLT);
    d.s_mpv = v(P::MPV);
    d.s_pct = v(P::PCT);
    d.s_pdw = numberOf(r.value(P::PDW));

    // From the range set.
    auto l = [&](const char* column) { return ReportValue::fromVariant(limits.value(QString::fromLatin1(column))); };
    auto ld = [&](const char* column) { return limitNumber(limits.value(QString::fromLatin1(column))); };
    d.s_limite = l("valori");
    d.s_wbcL = l("wbcL"), d.s_wbcH = l("wbcH");
    d.s_neuL = l("neuL"), d.s_neuH = l("neuH");
    d.s_bandatiL = l("bandatiL"), d.s_bandatiH = ld("bandatiH");
    d.s_lymL = l("lymL"), d.s_lymH = l("lymH");
    d.s_monoL = l("monoL"), d.s_monoH = l("monoH");
    d.s_eosL = l("eosL"), d.s_eosH = l("eosH");
    d.s_basoL = l("basoL"), d.s_basoH = l("basoH");
    d.s_neucL = l("cneuL"), d.s_neucH = l("cneuH");
    d.s_bandaticL = l("cBandatiL"), d.s_bandaticH = l("cBandatiH");
    d.s_lymcL = l("clymL"), d.s_lymcH = l("clymH");
    d.s_monocL = l("cmonoL"), d.s_monocH = l("cmonoH");
    d.s_eoscL = l("ceosL"), d.s_eoscH = l("ceosH");
    d.s_basocL = l("cbasoL"), d.s_basocH = ld("cbasoH");
    d.s_rbcL = l("rbcL"), d.s_rbcH = l("rbcH");
    d.s_hgbL = l("hgbL"), d.s_hgbH = l("hgbH");
    d.s_mcvL = l("mcvL"), d.s_mcvH = l("mcvH");
    d.s_hctL = l("hctL"), d.s_hctH = l("hctH");
    d.s_mchL = l("mchL"), d.s_mchH = l("mchH");
    d.s_mchcL = l("mchcL"), d.s_mchcH = l("mchcH");
    d.s_rdwL = l("rdwL"), d.s_rdwH = l("rdwH");
    d.s_retL = l("retL"), d.s_retH = ld("retH");
    d.s_pltL = l("pltL"), d.s_pltH = l("pltH");
    d.s_mpvL = l("mpvL"), d.s_mpvH = l("mpvH");
    d.s_pctL = l("pctL"), d.s_pctH = l("pctH");
    d.s_pdwL = l("pdwL"), d.s_pdwH = ld("pdwH");

    // The analyser's flags.
    const AlarmFlags& f = r.flags;
    d.s_band = ReportValue::fromText(f.Band);
    d.s_ig = ReportValue::fromText(f.IG);
    d.s_blast = ReportValue::fromText(f.Blast);
    d.s_varlym = ReportValue::fromText(f.VarLym);
    d.s_dflt = ReportValue::fromText(f.DFLT);
    d.s_nwbc = ReportValue::fromText(f.NWBC);
    d.s_nrbc = ReportValue::fromText(f.NRBC);
    d.s_rrbc = ReportValue::fromText(f.RRBC);
    d.s_lri = (f.LRI && !f.LRI->trimmed().isEmpty()) ? toInt16(*f.LRI) : int16_t(0);
    d.s_uri = ReportValue::fromText(f.URI);
}

}  // namespace zv
