#include "ctl/JournalFields.h"

namespace {

QVariant Number(const std::optional<int>& v) {
    return v ? QVariant(*v) : QVariant();
}

QVariant Hundredths(const std::optional<int64_t>& v) {
    return v ? QVariant(double(*v) / 100.0) : QVariant();
}

QVariant Text(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// What the record adds to the receipt; the subtotal and the receipt's total
// for those two records.
QVariant Amount(const JournalRecord& r) {
    if (r.Code == 'L' || r.Code == 'O')
        return Hundredths(r.Amount);
    if (AmountSign(r) != 0)
        return double(SignedAmount(r)) / 100.0;
    return QVariant();
}

} // namespace

const QStringList& JournalFieldKeys() {
    static const QStringList keys{
        QStringLiteral("received"),     QStringLiteral("code"),     QStringLiteral("record"),
        QStringLiteral("kind"),         QStringLiteral("plu"),      QStringLiteral("department"),
        QStringLiteral("description"),  QStringLiteral("barcode"),  QStringLiteral("unit"),
        QStringLiteral("quantity"),     QStringLiteral("price"),    QStringLiteral("amount"),
        QStringLiteral("percent"),      QStringLiteral("operator"), QStringLiteral("receipt_number"),
        QStringLiteral("tickets"),      QStringLiteral("pieces"),   QStringLiteral("register_number"),
        QStringLiteral("register_time")};
    return keys;
}

QVariantList JournalFieldValues(const JournalRecord& r, int charset) {
    const QDateTime received =
        r.ReceivedMs != 0 ? QDateTime::fromMSecsSinceEpoch(r.ReceivedMs) : QDateTime::currentDateTime();
    const std::optional<QDateTime> registerTime = r.RegisterTime();
    return {IsoWithOffset(received, true),
            QString(QChar(r.Code)),
            RecordName(r.Code),
            Text(SaleKindName(r.Kind())),
            Number(r.Plu),
            Number(r.Department),
            Text(r.DescriptionText(charset)),
            Text(r.BarcodeText(charset)),
            Number(r.Unit),
            r.Quantity ? QVariant(double(*r.Quantity) / 10000.0) : QVariant(),
            Hundredths(r.Price),
            Amount(r),
            Hundredths(r.Percent),
            Number(r.Operator),
            r.ReceiptNumber ? QVariant(qint64(*r.ReceiptNumber)) : QVariant(),
            Number(r.Tickets),
            Number(r.Pieces),
            Number(r.RegisterNumber),
            registerTime ? QVariant(IsoWithOffset(*registerTime, false)) : QVariant()};
}

QString IsoWithOffset(const QDateTime& at, bool milliseconds) {
    const int offset = at.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return at.toString(milliseconds ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")
                                    : QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
