#include "link/manualentry.h"

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace zv {
namespace {

std::array<QString, 17> allValues(const QString& text) {
    std::array<QString, 17> values;
    values.fill(text);
    return values;
}

TEST(ManualEntry, ValuesAreReadWithEitherMark) {
    struct Case {
        char mark;  // the configured one
        const char* typed;
        double stored;
    } cases[] = {
        {',', "7,3", 7.3},   {',', "0,0", 0.0},  {',', "45", 45.0}, {',', "4,25", 4.25},
        {',', ",5", 0.5},    {',', "12,", 12.0}, {',', "7.3", 7.3},                     // pasted with a point alone
        {',', " 8,1 ", 8.1}, {'.', "7.3", 7.3},  {'.', "0.0", 0.0}, {'.', "7,3", 7.3},  // pasted with a comma alone
        {'.', ".5", 0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.mark) + " " + c.typed);
        const ResultRecord r =
            typedResult(allValues(QString::fromUtf8(c.typed)), "1", "ROSSI", "08/12/26", QLatin1Char(c.mark));
        for (ResultParameter p : typedParameters())
            EXPECT_EQ(r.value(p), c.stored) << parameterInfo(p).field.toStdString();
    }
}

TEST(ManualEntry, ATextThatIsNoNumberIsRefusedNamingItsField) {
    struct Case {
        const char* typed;
        int32_t number;
    } cases[] = {{"", err::TypeMismatch},        {"abc", err::TypeMismatch}, {"7,3,1", err::TypeMismatch},
                 {"1.234,5", err::TypeMismatch}, {"¼", err::TypeMismatch},   {"1e999", err::Overflow}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        std::array<QString, 17> values = allValues(QStringLiteral("1,0"));
        values[9] = QString::fromUtf8(c.typed);  // MCV
        try {
            typedResult(values, "1", "ROSSI", "08/12/26", QLatin1Char(','));
            ADD_FAILURE() << "accepted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_TRUE(e.description().startsWith(QStringLiteral("MCV: \"") + QString::fromUtf8(c.typed) + "\""))
                << e.description().toStdString();
        }
    }
}

TEST(ManualEntry, ATypedResultIsMarkedAndHasNoFlagsNorHistograms) {
    std::array<QString, 17> values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = QString::number(i + 1);
    const ResultRecord r = typedResult(values, "Inserire Codice ID!", "D'Amico Ñoño", "2026/12/07", QLatin1Char(','));
    EXPECT_EQ(r.seq, QStringLiteral("Man."));
    EXPECT_EQ(r.specId, QStringLiteral("Inserire Codice ID!"));
    EXPECT_EQ(r.specName, QStringLiteral("D'Amico Ñoño"));
    EXPECT_EQ(r.date, QStringLiteral("2026/12/07"));
    EXPECT_EQ(r.note, QStringLiteral("."));
    EXPECT_EQ(r.Limits, 0);
    EXPECT_EQ(r.flags.SamplError, 0);
    for (const auto& [name, member] : AlarmFlags::textFlags())
        EXPECT_EQ(r.flags.*member, QStringLiteral("0")) << name.toStdString();
    for (const Histogram& h : r.histograms)
        for (const OptionalText& channel : h.channels)
            EXPECT_EQ(channel, QStringLiteral("0"));
    // The boxes in order: white cells, red cells, platelets; nothing derived, nothing else set.
    EXPECT_EQ(r.value(ResultParameter::WBC), 1.0);
    EXPECT_EQ(r.value(ResultParameter::RBC), 7.0);
    EXPECT_EQ(r.value(ResultParameter::HCT), 9.0);
    EXPECT_EQ(r.value(ResultParameter::MCHC), 12.0);
    EXPECT_EQ(r.value(ResultParameter::PLT), 14.0);
    EXPECT_EQ(r.value(ResultParameter::PDW), 17.0);
    EXPECT_FALSE(r.value(ResultParameter::bandati).has_value());
    EXPECT_FALSE(r.value(ResultParameter::ret).has_value());
    EXPECT_FALSE(r.sesso.has_value());
    EXPECT_FALSE(r.DdN.has_value());
    EXPECT_EQ(r.ID1, 0);
}

}  // namespace
}  // namespace zv
