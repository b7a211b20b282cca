#include "pdftext.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

namespace zv::test {

namespace {

QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QByteArray();
    return p.readAllStandardOutput();
}

QString unescape(QString s) {
    s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return s;
}

}  // namespace

std::vector<PdfWord> pdfWords(const QString& pdf) {
    const QString html = QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, "-"}));
    static const QRegularExpression token(
        QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
                       "([^<]*)</word>"));
    std::vector<PdfWord> words;
    int page = 0;
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0) == QLatin1String("<page ")) {
            ++page;
            continue;
        }
        words.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                         m.captured(4).toDouble(), unescape(m.captured(5))});
    }
    return words;
}

std::vector<PdfWord> findText(const std::vector<PdfWord>& words, const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<PdfWord> found;
    if (parts.isEmpty())
        return found;
    for (std::size_t i = 0; i + parts.size() <= words.size(); ++i) {
        bool all = true;
        for (int k = 0; k < parts.size() && all; ++k)
            all = words[i + k].text == parts[k] && std::abs(words[i + k].yMin - words[i].yMin) < 1.0;
        if (all)
            found.push_back(words[i]);
    }
    return found;
}

std::vector<std::string> wordsBeside(const std::vector<PdfWord>& words, const QString& caption) {
    std::vector<PdfWord> heads;
    for (const PdfWord& w : words)
        if (w.text == caption)
            heads.push_back(w);
    std::sort(heads.begin(), heads.end(), [](const auto& a, const auto& b) { return a.yMin < b.yMin; });
    std::vector<std::string> lines;
    for (const PdfWord& head : heads) {
        std::vector<PdfWord> line;
        for (const PdfWord& w : words)
            if (w.page == head.page && w.xMin > head.xMax && w.yMin < head.yMax && w.yMax > head.yMin)
                line.push_back(w);
        std::sort(line.begin(), line.end(), [](const auto& a, const auto& b) { return a.xMin < b.xMin; });
        QStringList texts;
        for (const PdfWord& w : line)
            texts << w.text;
        lines.push_back(texts.join(QLatin1Char(' ')).toStdString());
    }
    return lines;
}

int pdfPageCount(const QString& pdf) {
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = pages.match(info);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QImage pdfPage(const QString& pdf, int page, int dpi, Renderer renderer) {
    QTemporaryDir dir;
    const QString png = dir.path() + QStringLiteral("/page.png");
    if (renderer == Renderer::Ghostscript) {
        // Text smoothed as poppler smooths it, so that glyph edges compare;
        // lines, fills and dots drawn unsmoothed, as a printer draws them.
        run(QStringLiteral("gs"),
            {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"), QStringLiteral("-dSAFER"),
             QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-dTextAlphaBits=4"), QStringLiteral("-r%1").arg(dpi),
             QStringLiteral("-dFirstPage=%1").arg(page), QStringLiteral("-dLastPage=%1").arg(page),
             QStringLiteral("-sOutputFile=") + png, pdf});
        return QImage(png);
    }
    const QString stem = dir.path() + QStringLiteral("/page");
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
         QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"), pdf, stem});
    return QImage(png);
}

}  // namespace zv::test
