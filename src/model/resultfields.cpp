#include "model/resultfields.h"

#include "model/result.h"

namespace zv {

QString histogramPrefix(HistogramKind kind) {
    switch (kind) {
    case HistogramKind::WB1: return QStringLiteral("GraficiWB1");
    case HistogramKind::WB2: return QStringLiteral("GraficiWB2");
    case HistogramKind::RBC: return QStringLiteral("GraficiRBC");
    case HistogramKind::PLT: return QStringLiteral("GraficiPLT");
    }
    return QString();
}

QString histogramTable(HistogramKind kind) {
    switch (kind) {
    case HistogramKind::WB1: return QStringLiteral("graficiWB1");
    case HistogramKind::WB2: return QStringLiteral("graficiWB2");
    case HistogramKind::RBC: return QStringLiteral("GraficiRBC");
    case HistogramKind::PLT: return QStringLiteral("GraficiPLT");
    }
    return QString();
}

const QStringList& histogramChannels() {
    static const QStringList channels = [] {
        QStringList out;
        for (int ch = 2; ch <= 230; ch += 4)
            if (ch != 50 && ch != 82 && ch != 122 && ch != 190 && ch != 222)
                out << QStringLiteral("%1").arg(ch, 3, 10, QLatin1Char('0'));
        return out;
    }();
    return channels;
}

QString channelField(HistogramKind kind, const QString& channel) {
    return histogramPrefix(kind) + QStringLiteral("_ch") + channel;
}

const QStringList& allChannelFields() {
    static const QStringList fields = [] {
        QStringList out;
        for (HistogramKind kind : kHistogramKinds)
            for (const QString& ch : histogramChannels())
                out << channelField(kind, ch);
        return out;
    }();
    return fields;
}

namespace {

// The names the store's walk visits, with or without the channels.
QStringList walkedFields(bool channels) {
    QStringList out;
    const ResultRecord none;
    const qsizetype channelCount = allChannelFields().size();
    auto name = [&out](const QString& field, const auto&) { out << field; };
    forEachStoredField(none, name, name, name);
    if (!channels)
        out.resize(out.size() - channelCount);
    return out;
}

}  // namespace

const QStringList& resultValueFields() {
    static const QStringList fields = walkedFields(false);
    return fields;
}

const QStringList& rollOverFields() {
    static const QStringList fields = walkedFields(true);
    return fields;
}

const QStringList& resultTables() {
    static const QStringList tables{"datinumerici", "graficiWB1", "graficiWB2", "GraficiRBC", "GraficiPLT"};
    return tables;
}

}  // namespace zv
