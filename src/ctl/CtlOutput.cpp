#include "ctl/CtlOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaType>

namespace {

QJsonObject Object(const QStringList& keys, const QVariantList& values) {
    QJsonObject object;
    for (qsizetype i = 0; i < keys.size() && i < values.size(); ++i)
        object.insert(keys[i], QJsonValue::fromVariant(values[i]));
    return object;
}

QString CsvField(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toString();
    default:
        break;
    }
    QString text = value.toString();
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

void PrintJson(QTextStream& out, const Records& records) {
    QJsonArray array;
    for (const QVariantList& row : records.Rows)
        array.append(Object(records.Keys, row));
    out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

void PrintCsv(QTextStream& out, const Records& records) {
    out << records.Keys.join(QLatin1Char(',')) << "\n";
    for (const QVariantList& row : records.Rows)
        PrintCsvRow(out, row);
}

void PrintCsvRow(QTextStream& out, const QVariantList& row) {
    QStringList fields;
    for (const QVariant& value : row)
        fields << CsvField(value);
    out << fields.join(QLatin1Char(',')) << "\n";
}

QString JsonLine(const QStringList& keys, const QVariantList& values) {
    return QString::fromUtf8(QJsonDocument(Object(keys, values)).toJson(QJsonDocument::Compact));
}

double Amount(uint64_t hundredths) {
    // One rounding, to the double nearest the exact value, whose shortest form is the decimal itself.
    return double(hundredths) / 100.0;
}

QString IsoDate(int year, int month, int day) {
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

QString IsoTime(int hour, int minute, int second) {
    return QStringLiteral("%1:%2:%3")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'));
}

QString IsoTimestamp(const QDateTime& at) {
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}
