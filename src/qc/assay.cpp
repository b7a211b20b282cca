#include "qc/assay.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include "platform/errors.h"

namespace zv {

namespace {

struct Token {
    const char* text;
    int parameter;  // index in qcParameters()
};
// The order in which each line is tested; MCHC comes before MCH.
const Token kTokens[] = {{"WBC", 0},  {"RBC", 1}, {"HGB", 2}, {"MCV", 3}, {"HCT", 4},
                         {"MCHC", 6}, {"MCH", 5}, {"RDW", 7}, {"PLT", 8}, {"MPV", 9},
                         {"%N", 10},  {"%L", 11}, {"%M", 12}, {"%E", 13}, {"%B", 14}};

bool holdsToken(const QString& line, const Token& token) {
    const QLatin1String text(token.text);
    if (text != QLatin1String("MCH"))
        return line.contains(text);
    // The MCHC line is not the MCH line.
    for (qsizetype at = line.indexOf(text); at >= 0; at = line.indexOf(text, at + 1))
        if (at + 3 >= line.size() || line.at(at + 3) != QLatin1Char('C'))
            return true;
    return false;
}

QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

}  // namespace

AssayValues parseAssay(const QByteArray& bytes, QChar decimal) {
    AssayValues out;
    if (bytes.isEmpty())
        return out;
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = decode(bytes).split(lineEnd);
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();  // the end of the last line, not a line of its own
    const int count = int(std::min<qsizetype>(lines.size(), 30));
    for (int n = 0; n < count; ++n) {
        const QString& line = lines.at(n);
        if (n == 1)
            out.name = line;
        for (const Token& token : kTokens) {
            if (!holdsToken(line, token))
                continue;
            const QStringList fields = line.split(QLatin1Char('\t'));
            if (fields.size() < 3)
                throw AppError(err::InvalidCall,
                               QStringLiteral("Line %1 of the assay file names %2 but has no target and range: \"%3\"")
                                   .arg(n + 1)
                                   .arg(QLatin1String(token.text), line));
            QString target = fields.at(1);
            QString range = fields.at(2);
            target.replace(QLatin1Char('.'), decimal);
            range.replace(QLatin1Char('.'), decimal);
            out.values[token.parameter] = AssayTargetRange{target, range};
        }
    }
    return out;
}

}  // namespace zv
