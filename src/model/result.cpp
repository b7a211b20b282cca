#include "model/result.h"

#include "platform/errors.h"

namespace zv {

namespace {

using O = ParameterOrigin;
using P = ResultParameter;

ParameterInfo info(P p, const char* field, const char* stem, bool counts, const char* calibration, const char* member,
                   O origin) {
    const QString s = QString::fromLatin1(stem);
    // bandati's count limits are spelt with a capital: cBandatiL, cBandatiH.
    const QString countStem = p == P::bandati ? QStringLiteral("cBandati") : QStringLiteral("c") + s;
    return {p,
            QString::fromLatin1(field),
            s + QLatin1Char('L'),
            s + QLatin1Char('H'),
            counts ? countStem + QLatin1Char('L') : QString(),
            counts ? countStem + QLatin1Char('H') : QString(),
            QString::fromLatin1(calibration),
            QString::fromLatin1(member),
            origin};
}

}  // namespace

const std::array<ParameterInfo, kParameterCount>& resultParameters() {
    static const std::array<ParameterInfo, kParameterCount> table{
        info(P::WBC, "WBC", "wbc", false, "wbc", "s_wbc", O::Received),
        info(P::neu, "neu%", "neu", true, "neu", "s_neu", O::Received),
        info(P::lym, "lym%", "lym", true, "lym", "s_lym", O::Received),
        info(P::mono, "mono%", "mono", true, "mono", "s_mono", O::Received),
        info(P::eos, "eos%", "eos", true, "eos", "s_eos", O::Received),
        info(P::baso, "baso%", "baso", true, "baso", "s_baso", O::Received),
        info(P::bandati, "bandati", "bandati", true, "", "s_bandati", O::Typed),
        info(P::RBC, "RBC", "rbc", false, "rbc", "s_rbc", O::Received),
        info(P::HGB, "HGB", "hgb", false, "hgb", "s_hgb", O::Received),
        info(P::HCT, "HCT", "hct", false, "", "s_hct", O::Derived),
        info(P::MCV, "MCV", "mcv", false, "mcv", "s_mcv", O::Received),
        info(P::MCH, "MCH", "mch", false, "", "s_mch", O::Derived),
        info(P::MCHC, "MCHC", "mchc", false, "", "s_mchc", O::Derived),
        info(P::RDW, "RDW", "rdw", false, "rdw", "s_rdw", O::Received),
        info(P::ret, "ret%", "ret", false, "", "s_ret", O::Typed),
        info(P::PLT, "PLT", "plt", false, "plt", "s_plt", O::Received),
        info(P::MPV, "MPV", "mpv", false, "mpv", "s_mpv", O::Received),
        info(P::PCT, "PCT", "pct", false, "", "s_pct", O::Derived),
        info(P::PDW, "PDW", "pdw", false, "pdw", "s_pdw", O::Received),
    };
    return table;
}

const ParameterInfo& parameterInfo(ResultParameter parameter) {
    return resultParameters()[static_cast<std::size_t>(parameter)];
}

void parameterCountMismatch(std::size_t found, std::size_t expected) {
    throw AppError(
        err::InvalidCall,
        QStringLiteral("The parameter table gives %1 parameters where %2 are laid out.").arg(found).arg(expected));
}

const std::array<std::pair<QString, OptionalText AlarmFlags::*>, 12>& AlarmFlags::textFlags() {
    static const std::array<std::pair<QString, OptionalText AlarmFlags::*>, 12> flags{{
        {QStringLiteral("DFLT"), &AlarmFlags::DFLT},
        {QStringLiteral("Blast"), &AlarmFlags::Blast},
        {QStringLiteral("VarLym"), &AlarmFlags::VarLym},
        {QStringLiteral("IG"), &AlarmFlags::IG},
        {QStringLiteral("Band"), &AlarmFlags::Band},
        {QStringLiteral("NRBC"), &AlarmFlags::NRBC},
        {QStringLiteral("NWBC"), &AlarmFlags::NWBC},
        {QStringLiteral("RRBC"), &AlarmFlags::RRBC},
        {QStringLiteral("LRI"), &AlarmFlags::LRI},
        {QStringLiteral("URI"), &AlarmFlags::URI},
        {QStringLiteral("RbcError"), &AlarmFlags::RbcError},
        {QStringLiteral("WicError"), &AlarmFlags::WicError},
    }};
    return flags;
}

namespace {

std::size_t channelIndex(int number) {
    const QStringList& channels = histogramChannels();
    const QString text = QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
    const qsizetype at = channels.indexOf(text);
    if (at < 0)
        throw AppError(err::InvalidCall, QStringLiteral("%1 is not a histogram channel").arg(number));
    return static_cast<std::size_t>(at);
}

}  // namespace

OptionalText& Histogram::channel(int number) { return channels[channelIndex(number)]; }
const OptionalText& Histogram::channel(int number) const { return channels[channelIndex(number)]; }

}  // namespace zv
