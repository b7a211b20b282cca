#include "model/reportdata.h"

#include "model/rangelimits.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/recordset.h"

namespace zv {

ReportValue ReportValue::fromVariant(const QVariant& field) {
    if (!field.isValid() || field.isNull())
        return null();
    return holdsNumber(field) ? ReportValue(field.toDouble()) : ReportValue(field.toString());
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

// Where each parameter's limits go in the page's data (PCT and PDW included:
// the page prints their ranges).
struct LimitMembers {
    ResultParameter parameter;
    ReportValue ReportData::*low;
    ReportValue ReportData::*high;
    ReportValue ReportData::*countLow = nullptr;
    ReportValue ReportData::*countHigh = nullptr;
};

const std::array<LimitMembers, kParameterCount>& limitMembers() {
    using D = ReportData;
    using P = ResultParameter;
    static const std::array<LimitMembers, kParameterCount> members{{
        {P::WBC, &D::s_wbcL, &D::s_wbcH},
        {P::neu, &D::s_neuL, &D::s_neuH, &D::s_neucL, &D::s_neucH},
        {P::lym, &D::s_lymL, &D::s_lymH, &D::s_lymcL, &D::s_lymcH},
        {P::mono, &D::s_monoL, &D::s_monoH, &D::s_monocL, &D::s_monocH},
        {P::eos, &D::s_eosL, &D::s_eosH, &D::s_eoscL, &D::s_eoscH},
        {P::baso, &D::s_basoL, &D::s_basoH, &D::s_basocL, &D::s_basocH},
        {P::bandati, &D::s_bandatiL, &D::s_bandatiH, &D::s_bandaticL, &D::s_bandaticH},
        {P::RBC, &D::s_rbcL, &D::s_rbcH},
        {P::HGB, &D::s_hgbL, &D::s_hgbH},
        {P::HCT, &D::s_hctL, &D::s_hctH},
        {P::MCV, &D::s_mcvL, &D::s_mcvH},
        {P::MCH, &D::s_mchL, &D::s_mchH},
        {P::MCHC, &D::s_mchcL, &D::s_mchcH},
        {P::RDW, &D::s_rdwL, &D::s_rdwH},
        {P::ret, &D::s_retL, &D::s_retH},
        {P::PLT, &D::s_pltL, &D::s_pltH},
        {P::MPV, &D::s_mpvL, &D::s_mpvH},
        {P::PCT, &D::s_pctL, &D::s_pctH},
        {P::PDW, &D::s_pdwL, &D::s_pdwH},
    }};
    return members;
}

// The limits the page has always been handed as numbers rather than as stored.
bool comparedAsNumber(const QString& column) {
    static const QStringList columns{
        parameterInfo(ResultParameter::bandati).high, parameterInfo(ResultParameter::baso).countHigh,
        parameterInfo(ResultParameter::ret).high, parameterInfo(ResultParameter::PDW).high};
    return columns.contains(column);
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
    d.s_bandati = v(P::bandati);
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

    // From the range set, under the parameter table's column names.
    auto l = [&](const QString& column) { return ReportValue::fromVariant(limits.value(column)); };
    d.s_limite = l(QStringLiteral("valori"));
    for (const LimitMembers& m : limitMembers()) {
        const ParameterInfo& info = parameterInfo(m.parameter);
        const auto set = [&](ReportValue ReportData::*member, const QString& column) {
            d.*member = comparedAsNumber(column) ? limitNumber(limits.value(column)) : l(column);
        };
        set(m.low, info.low);
        set(m.high, info.high);
        if (m.countLow)
            set(m.countLow, info.countLow);
        if (m.countHigh)
            set(m.countHigh, info.countHigh);
    }

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
