#include "history/HistoryRows.h"

#include "monitor/JournalDecoder.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"

#include <QDate>
#include <algorithm>

namespace {

// The longest journal layout ('I' and 'J').
constexpr size_t LongestRecord = 49;

class Fields {
  public:
    explicit Fields(std::span<const uint8_t> payload) {
        std::copy_n(payload.begin(), std::min(payload.size(), m_bytes.size()), m_bytes.begin());
    }
    [[nodiscard]] int Byte(size_t at) const { return m_bytes[at]; }
    [[nodiscard]] int64_t Bcd(size_t at, size_t width) const {
        return int64_t(BcdToInt64(std::span<const uint8_t>(m_bytes).subspan(at, width)));
    }
    [[nodiscard]] QString Text(size_t at, size_t width, int charset) const {
        QByteArray windows;
        for (size_t i = at; i < at + width && m_bytes[i] != 0; ++i)
            windows.append(char(FromRegisterChar(m_bytes[i], charset)));
        return FromCodePage(windows, charset);
    }

  private:
    std::array<uint8_t, LongestRecord> m_bytes{};
};

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

std::optional<JournalEntry> ReadJournalEntry(std::span<const uint8_t> payload, int charset) {
    if (payload.empty() || !IsJournalCode(payload[0]))
        return std::nullopt;
    const Fields f(payload);
    JournalEntry e;
    e.Code = payload[0];
    e.Payload = QByteArray(reinterpret_cast<const char*>(payload.data()), qsizetype(payload.size()));
    switch (e.Code) {
    case '@':
        e.Operator = f.Byte(1);
        e.ReceiptNumber = f.Bcd(2, 4);
        break;
    case 'A':
        e.Department = f.Byte(1);
        e.Price = f.Bcd(2, 6);
        e.Quantity = f.Bcd(8, 4);
        e.SaleKind = uint8_t(f.Byte(12));
        break;
    case 'B':
        e.Plu = f.Byte(1) * 256 + f.Byte(2);
        e.Description = f.Text(3, 12, charset);
        e.Price = f.Bcd(15, 4);
        e.Department = f.Byte(19) & 0x0F;
        e.Quantity = f.Bcd(41, 4);
        e.SaleKind = uint8_t(f.Byte(45));
        break;
    case 'C':
    case 'D':
        e.Department = f.Byte(1);
        e.Amount = f.Bcd(2, 6);
        e.SaleKind = uint8_t(f.Byte(8));
        break;
    case 'E':
    case 'F':
        e.Department = f.Byte(1);
        e.Amount = f.Bcd(2, 6);
        e.Price = f.Bcd(8, 2); // the percentage, in hundredths of a per cent
        e.SaleKind = uint8_t(f.Byte(10));
        break;
    case 'G':
    case 'H':
    case 'I':
    case 'J': {
        int64_t sum = 0;
        for (size_t d = 0; d < ReportGroups; ++d) {
            e.DepartmentAmounts[d] = f.Bcd(1 + 5 * d, 5);
            sum += e.DepartmentAmounts[d];
        }
        e.Amount = sum;
        if (e.Code >= 'I') {
            e.Price = f.Bcd(46, 2);
            e.SaleKind = uint8_t(f.Byte(48));
        } else {
            e.SaleKind = uint8_t(f.Byte(46));
        }
        break;
    }
    case 'L':
        e.Amount = f.Bcd(1, 6);
        break;
    case 'M':
        e.Quantity = f.Bcd(1, 2);
        e.Price = f.Bcd(3, 4);
        break;
    case 'O': {
        e.Amount = f.Bcd(1, 6);
        e.ReceiptNumber = f.Bcd(7, 4);
        e.Quantity = f.Bcd(11, 2);
        e.Department = std::nullopt;
        const int year = f.Byte(18) + 256 * f.Byte(19);
        e.RegisterTime = QStringLiteral("%1-%2-%3T%4:%5")
                             .arg(year, 4, 10, QLatin1Char('0'))
                             .arg(f.Byte(17), 2, 10, QLatin1Char('0'))
                             .arg(f.Byte(16), 2, 10, QLatin1Char('0'))
                             .arg(f.Byte(15), 2, 10, QLatin1Char('0'))
                             .arg(f.Byte(14), 2, 10, QLatin1Char('0'));
        e.Operator = std::nullopt;
        break;
    }
    case '?':
        e.Department = f.Byte(1);
        e.Price = f.Bcd(2, 5);
        e.Description = f.Text(7, 12, charset);
        e.Quantity = f.Bcd(19, 4);
        e.SaleKind = uint8_t(f.Byte(23));
        break;
    default: // 'K': the record is its code alone
        break;
    }
    return e;
}

QVariantList JournalValues(const RegisterKey& reg, qint64 receivedMs, const JournalEntry& e) {
    QVariantList v = Head(reg, receivedMs, 24);
    v << QString(QChar(e.Code)) << Optional(e.Operator) << Optional(e.Department) << Optional(e.Plu)
      << (e.Description.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(e.Description))
      << Optional(e.Price) << Optional(e.Quantity) << Optional(e.Amount)
      << (e.SaleKind >= 0x20 && e.SaleKind < 0x7F ? QVariant(QString(QChar(e.SaleKind)))
                                                  : QVariant(QMetaType::fromType<QString>()))
      << Optional(e.ReceiptNumber)
      << (e.RegisterTime.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(e.RegisterTime))
      << QString::fromLatin1(e.Payload.toHex());
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
