#include "gateway/JournalJson.h"

#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <vector>

namespace {

// The record with zeros past its end, so that every layout reads whole.
class Fields {
  public:
    Fields(std::span<const uint8_t> payload, size_t layout) : m_bytes(std::max(payload.size(), layout), 0) {
        std::copy(payload.begin(), payload.end(), m_bytes.begin());
    }
    [[nodiscard]] int Byte(size_t at) const { return m_bytes[at]; }
    [[nodiscard]] uint64_t Bcd(size_t at, size_t width) const {
        return BcdToInt64(std::span(m_bytes).subspan(at, width));
    }
    [[nodiscard]] double Hundredths(size_t at, size_t width) const { return double(Bcd(at, width)) / 100.0; }
    [[nodiscard]] QString Text(size_t at, size_t width, int charset) const {
        QByteArray bytes;
        for (size_t i = at; i < at + width && m_bytes[i] != 0; ++i)
            bytes.append(char(FromRegisterChar(m_bytes[i], charset)));
        return FromCodePage(bytes, charset).trimmed();
    }
    [[nodiscard]] QString Raw(size_t at, size_t width) const {
        QByteArray bytes;
        for (size_t i = at; i < at + width && m_bytes[i] != 0; ++i)
            bytes.append(char(m_bytes[i]));
        return QString::fromLatin1(bytes);
    }

  private:
    std::vector<uint8_t> m_bytes;
};

QString SaleKind(int kind) {
    switch (kind) {
    case 'N':
        return QStringLiteral("normal");
    case 'R':
        return QStringLiteral("return");
    case 'C':
        return QStringLiteral("correction");
    default:
        return QString();
    }
}

QJsonArray Departments(const Fields& f) {
    QJsonArray amounts;
    for (size_t d = 0; d < 9; ++d)
        amounts.append(f.Hundredths(1 + 5 * d, 5));
    return amounts;
}

} // namespace

bool IsSaleRecord(uint8_t code) {
    return code == '?' || code == 'A' || code == 'B';
}

QJsonObject JournalRecordJson(std::span<const uint8_t> payload, int charset) {
    QJsonObject o;
    if (payload.empty())
        return o;
    const uint8_t code = payload[0];
    o.insert("code", QString(QChar(code)));
    switch (code) {
    case '@': {
        const Fields f(payload, 6);
        o.insert("operator", f.Byte(1));
        o.insert("receiptNumber", double(f.Bcd(2, 4)));
        break;
    }
    case 'A': {
        const Fields f(payload, 13);
        o.insert("department", f.Byte(1));
        o.insert("price", f.Hundredths(2, 6));
        o.insert("quantity", double(f.Bcd(8, 4)) / 10000.0);
        o.insert("kind", SaleKind(f.Byte(12)));
        break;
    }
    case 'B': {
        const Fields f(payload, 46);
        o.insert("plu", f.Byte(1) * 256 + f.Byte(2));
        o.insert("description", f.Text(3, 12, charset));
        o.insert("price", f.Hundredths(15, 4));
        o.insert("department", f.Byte(19) & 0x0F);
        o.insert("unit", f.Byte(20) > 7 ? 0 : f.Byte(20));
        o.insert("barcode", f.Raw(21, 19));
        o.insert("quantity", double(f.Bcd(41, 4)) / 1000.0);
        o.insert("kind", SaleKind(f.Byte(45)));
        break;
    }
    case 'C':
    case 'D': {
        const Fields f(payload, 9);
        o.insert("department", f.Byte(1));
        o.insert("amount", f.Hundredths(2, 6));
        o.insert("kind", SaleKind(f.Byte(8)));
        break;
    }
    case 'E':
    case 'F': {
        const Fields f(payload, 11);
        o.insert("department", f.Byte(1));
        o.insert("amount", f.Hundredths(2, 6));
        o.insert("percent", f.Hundredths(8, 2));
        o.insert("kind", SaleKind(f.Byte(10)));
        break;
    }
    case 'G':
    case 'H': {
        const Fields f(payload, 47);
        o.insert("departments", Departments(f));
        o.insert("kind", SaleKind(f.Byte(46)));
        break;
    }
    case 'I':
    case 'J': {
        const Fields f(payload, 49);
        o.insert("departments", Departments(f));
        o.insert("percent", f.Hundredths(46, 2));
        o.insert("kind", SaleKind(f.Byte(48)));
        break;
    }
    case 'L': {
        const Fields f(payload, 7);
        o.insert("amount", f.Hundredths(1, 6));
        break;
    }
    case 'M': {
        const Fields f(payload, 7);
        o.insert("tickets", double(f.Bcd(1, 2)));
        o.insert("price", f.Hundredths(3, 4));
        break;
    }
    case 'O': {
        const Fields f(payload, 20);
        o.insert("total", f.Hundredths(1, 6));
        o.insert("receiptNumber", double(f.Bcd(7, 4)));
        o.insert("pieces", double(f.Bcd(11, 2)));
        o.insert("registerNumber", f.Byte(13));
        const int year = f.Byte(18) | (f.Byte(19) << 8);
        o.insert("date", QString::asprintf("%04d-%02d-%02d", year, f.Byte(17), f.Byte(16)));
        o.insert("time", QString::asprintf("%02d:%02d", f.Byte(15), f.Byte(14)));
        break;
    }
    case '?': {
        const Fields f(payload, 24);
        o.insert("department", f.Byte(1));
        o.insert("price", f.Hundredths(2, 5));
        o.insert("description", f.Text(7, 12, charset));
        o.insert("quantity", double(f.Bcd(19, 4)) / 10000.0);
        o.insert("kind", SaleKind(f.Byte(23)));
        break;
    }
    default:
        break;
    }
    return o;
}
