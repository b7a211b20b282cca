#include "printfixture.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "core/config.h"
#include "core/programfiles.h"
#include "platform/forms.h"
#include "platform/printer.h"
#include "report/stampa.h"

namespace zv::test {

void PrintTest::SetUp() {
    WindowTest::SetUp();
    scriviini(QStringLiteral("separatore"), QStringLiteral("decimale"), QStringLiteral(","), file::generalIni);
    session_ = std::make_unique<Session>();
    session_->linguax = QStringLiteral("it.ini");
    session_->stampa.read(session_->linguax, QStringLiteral("stampa"));
    pdf_ = tmp_.path() + QStringLiteral("/report.pdf");
    Printer::redirectSystemPrinter(pdf_);
    const std::pair<Drawing*, const char*> marks[] = {
        {&pictures_.scattergram, "SLOT3"}, {&pictures_.legend, "SLOT4"}, {&pictures_.plt, "SLOT5"},
        {&pictures_.rbc, "SLOT6"},         {&pictures_.wb2, "SLOT7"},    {&pictures_.wb1, "SLOT8"},
    };
    for (const auto& [picture, mark] : marks) {
        const QString text = QString::fromLatin1(mark);
        *picture = [this, text](QPainter& p, const QRectF& r) {
            slotDpi_ = p.device()->logicalDpiX();
            // As a chart does, the top strip is left to the caption the page prints there.
            const QRectF plot = r.adjusted(0, r.height() * 0.14, 0, 0);
            p.setPen(QPen(Qt::darkBlue, r.width() / 300));
            p.drawRect(plot.adjusted(0, 0, -1, -1));
            // A histogram-like curve, and a mark that tells where the slot stands.
            QPainterPath curve(QPointF(plot.left(), plot.bottom()));
            for (int i = 0; i <= 52; ++i)
                curve.lineTo(plot.left() + plot.width() * i / 52.0,
                             plot.bottom() - plot.height() * 0.8 * std::exp(-std::pow((i - 20) / 8.0, 2)));
            p.drawPath(curve);
            QFont f(QStringLiteral("DejaVu Sans"));
            f.setPixelSize(qMax(1, int(r.height() / 12)));
            p.setFont(f);
            p.drawText(QPointF(plot.left() + plot.width() * 0.6, plot.top() + plot.height() / 6), text);
        };
    }
    data_ = sampleData();
}

void PrintTest::TearDown() {
    Printer::redirectSystemPrinter(QString());
    WindowTest::TearDown();
    session_.reset();
}

ReportData PrintTest::sampleData() {
    ReportData d;
    d.s_id = ReportValue(QStringLiteral("A-17"));
    d.s_nome = ReportValue(QStringLiteral("D'Amico Maria"));
    d.s_data = QStringLiteral("08/12/26");
    d.s_seq = QStringLiteral("12");
    d.s_sex = ReportValue(QStringLiteral("F"));
    d.s_ddn = ReportValue(QStringLiteral("03/04/1961"));
    d.s_limite = ReportValue(QStringLiteral("Adulti"));
    d.s_wbc = 7.46, d.s_wbcL = ReportValue(QStringLiteral("4.0")), d.s_wbcH = ReportValue(QStringLiteral("10.0"));
    d.s_neu = 61.3, d.s_neuL = ReportValue(QStringLiteral("40")), d.s_neuH = ReportValue(QStringLiteral("75"));
    d.s_lym = 28.1, d.s_mono = 6.2, d.s_eos = 3.4, d.s_baso = 1.0;
    d.s_rbc = 3.52, d.s_rbcL = ReportValue(QStringLiteral("4.2")), d.s_rbcH = ReportValue(QStringLiteral("5.4"));
    d.s_mcvL = ReportValue(QStringLiteral("80")), d.s_mcvH = ReportValue(QStringLiteral("100"));
    d.s_hgb = 13.8, d.s_hct = 41.2, d.s_mcv = 90.0, d.s_mch = 30.5, d.s_mchc = 33.5;
    d.s_rdw = 13.1, d.s_plt = 250.0, d.s_mpv = 8.4, d.s_pct = 0.21, d.s_pdw = 16.2;
    d.s_pltL = ReportValue(QStringLiteral("150")), d.s_pltH = ReportValue(QStringLiteral("400"));
    d.s_ret = 1.5;
    d.s_commento = ReportValue(QStringLiteral("Campione lipemico;ripetere"));
    d.s_dflt = ReportValue(QStringLiteral("1"));
    d.s_neucL = ReportValue(QStringLiteral("2.0")), d.s_neucH = ReportValue(QStringLiteral("7.5"));
    return d;
}

QString PrintTest::errorLog() const { return QString::fromUtf8(fileBytes(path(QStringLiteral("log/08.12.26.log")))); }

}  // namespace zv::test
