#include "history/HistoryRows.h"

namespace {

QVariant Optional(const std::optional<int>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<int>());
}
QVariant Optional(const std::optional<int64_t>& v) {
    return v ? QVariant(qint64(*v)) : QVariant(QMetaType::fromType<qint64>());
}

// A text column that must not be NULL: Qt binds a null QString as NULL.
QString Text(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// The two leading places are the origin and sequence number, which the store fills.
QVariantList Head(const RegisterKey& reg, qint64 receivedMs, qsizetype columns) {
    QVariantList v;
    v.reserve(columns);
    v << QVariant() << QVariant() << Text(reg.Shop) << reg.CrNumber << Text(reg.FiscalId) << receivedMs;
    return v;
}

} // namespace

QString RegisterTimeText(const JournalRecord& r) {
    if (!r.Clock)
        return QString();
    return QStringLiteral("%1-%2-%3T%4:%5")
        .arg(r.Clock->Year, 4, 10, QLatin1Char('0'))
        .arg(r.Clock->Month, 2, 10, QLatin1Char('0'))
        .arg(r.Clock->Day, 2, 10, QLatin1Char('0'))
        .arg(r.Clock->Hour, 2, 10, QLatin1Char('0'))
        .arg(r.Clock->Minute, 2, 10, QLatin1Char('0'));
}

QVariantList JournalValues(const RegisterKey& reg, qint64 receivedMs, const JournalRecord& r, int charset) {
    std::optional<int64_t> quantity = r.Quantity;
    if (r.Pieces)
        quantity = *r.Pieces;
    else if (r.Tickets)
        quantity = *r.Tickets;
    const std::optional<int64_t> price = r.Percent ? r.Percent : r.Price;
    const QString description = r.DescriptionText(charset);
    const QString registerTime = RegisterTimeText(r);
    QVariantList v = Head(reg, receivedMs, 24);
    v << QString(QChar(r.Code)) << Optional(r.Operator) << Optional(r.Department) << Optional(r.Plu)
      << (description.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(description))
      << Optional(price) << Optional(quantity) << Optional(r.Amount)
      << (r.SaleKindByte >= 0x20 && r.SaleKindByte < 0x7F ? QVariant(QString(QChar(r.SaleKindByte)))
                                                          : QVariant(QMetaType::fromType<QString>()))
      << Optional(r.ReceiptNumber)
      << (registerTime.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(registerTime))
      << QString::fromLatin1(r.Payload.toHex());
    return v;
}

QVariantList ReceiptValues(const RegisterKey& reg, qint64 receivedMs, const ReceiptRecord& r) {
    QVariantList v = Head(reg, receivedMs, 24);
    v << qint64(r.ReceiptNumber) << r.Operator << qint64(r.Total) << r.Pieces << Text(r.RegisterTime)
      << Text(r.RegisterTime.left(10)) << (r.Whole ? 1 : 0);
    for (const int64_t d : r.Departments)
        v << qint64(d);
    return v;
}

QVariantList ReceiptItemValues(const RegisterKey& reg, qint64 receivedMs, const ReceiptRecord& r,
                               const ReceiptItem& item) {
    QVariantList v = Head(reg, receivedMs, 14);
    v << qint64(r.ReceiptNumber) << r.Operator << Text(r.RegisterTime.left(10)) << Optional(item.Plu)
      << item.Department
      << (item.Description.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(item.Description))
      << qint64(item.Quantity) << qint64(item.Amount);
    return v;
}

QVariantList ReportValues(const RegisterKey& reg, qint64 receivedMs, uint8_t code,
                          const QString& figuresJson) {
    QVariantList v = Head(reg, receivedMs, 24);
    v << QString(QChar(code)) << Text(figuresJson);
    return v;
}

QVariantList ZReportValues(const RegisterKey& reg, qint64 receivedMs, bool answered, int status,
                           const QString& line) {
    QVariantList v = Head(reg, receivedMs, 24);
    v << (answered ? 1 : 0) << status << Text(line);
    return v;
}

QVariantList GatewayReceiptValues(const RegisterKey& reg, qint64 receivedMs, const QString& key, int status,
                                  std::optional<int64_t> receiptNumber, const QString& error,
                                  const QString& outcomeJson) {
    QVariantList v = Head(reg, receivedMs, 12);
    v << Text(key) << status << Optional(receiptNumber)
      << (error.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(Text(error)))
      << Text(outcomeJson);
    return v;
}

QVariantList RegisterValues(const RegisterKey& reg, const QString& departmentTaxes, qint64 receivedMs) {
    return {Text(reg.Shop), reg.CrNumber, Text(reg.FiscalId), Text(departmentTaxes), receivedMs, receivedMs};
}
