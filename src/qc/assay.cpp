#include "qc/assay.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <vector>

#include "platform/errors.h"

namespace zv {

namespace {

QLatin1String tokenOf(int parameter) { return QLatin1String(qcParameters()[parameter].assayToken); }

// Whether `token` at `at` begins a longer token of another parameter ("MCH"
// of "MCHC"): there it is that one's.
bool insideLongerToken(const QString& line, qsizetype at, QLatin1String token) {
    for (int other = 0; other < kQcParameterCount; ++other) {
        const QLatin1String longer = tokenOf(other);
        if (longer.size() > token.size() && longer.startsWith(token) && QStringView(line).mid(at).startsWith(longer))
            return true;
    }
    return false;
}

bool holdsToken(const QString& line, int parameter) {
    const QLatin1String token = tokenOf(parameter);
    for (qsizetype at = line.indexOf(token); at >= 0; at = line.indexOf(token, at + 1))
        if (!insideLongerToken(line, at, token))
            return true;
    return false;
}

// The order in which each line is tested: the table's, with a token tested
// after the longer tokens that begin with it (MCHC before MCH).
const std::vector<int>& testOrder() {
    static const std::vector<int> order = [] {
        std::vector<int> out;
        for (int p = 0; p < kQcParameterCount; ++p) {
            const auto extended = std::find_if(out.begin(), out.end(),
                                               [p](int placed) { return tokenOf(p).startsWith(tokenOf(placed)); });
            out.insert(extended, p);
        }
        return out;
    }();
    return order;
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
        for (const int parameter : testOrder()) {
            if (!holdsToken(line, parameter))
                continue;
            const QStringList fields = line.split(QLatin1Char('\t'));
            if (fields.size() < 3)
                throw AppError(err::InvalidCall,
                               QStringLiteral("Line %1 of the assay file names %2 but has no target and range: \"%3\"")
                                   .arg(n + 1)
                                   .arg(tokenOf(parameter), line));
            QString target = fields.at(1);
            QString range = fields.at(2);
            target.replace(QLatin1Char('.'), decimal);
            range.replace(QLatin1Char('.'), decimal);
            out.values[parameter] = AssayTargetRange{target, range};
        }
    }
    return out;
}

}  // namespace zv
