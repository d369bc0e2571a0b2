#include "monitor/JournalRecord.h"

#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"

#include <QDate>
#include <QTime>
#include <algorithm>

namespace {

// The longest layout: 'I' and 'J', 49 bytes.
constexpr size_t LongestRecord = 49;
constexpr size_t DescriptionBytes = 12;
constexpr size_t BarcodeBytes = 19;
constexpr int Units = 8;

// A record read at fixed offsets; offsets past its end read as zero.
class Layout {
  public:
    explicit Layout(std::span<const uint8_t> payload) {
        std::copy_n(payload.begin(), std::min(payload.size(), m_bytes.size()), m_bytes.begin());
    }
    [[nodiscard]] int Byte(size_t at) const { return m_bytes[at]; }
    // Every digit: the widest amounts hold ten and twelve digits, more than
    // 32 bits carry.
    [[nodiscard]] int64_t Bcd(size_t at, size_t width) const {
        return int64_t(BcdToInt64(std::span<const uint8_t>(m_bytes).subspan(at, width)));
    }
    // The bytes of a text field up to its first zero byte.
    [[nodiscard]] QByteArray Text(size_t at, size_t width) const {
        const auto field = std::span<const uint8_t>(m_bytes).subspan(at, width);
        const auto end = std::ranges::find(field, uint8_t{0});
        return {reinterpret_cast<const char*>(field.data()), qsizetype(end - field.begin())};
    }

  private:
    std::array<uint8_t, LongestRecord> m_bytes{};
};

int64_t RoundedDiv(int64_t num, int64_t den) {
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

void ReadDepartmentAmounts(const Layout& f, JournalRecord& r) {
    int64_t sum = 0;
    for (size_t d = 0; d < r.DepartmentAmounts.size(); ++d) {
        r.DepartmentAmounts[d] = f.Bcd(1 + 5 * d, 5);
        sum += r.DepartmentAmounts[d];
    }
    r.Amount = sum;
}

} // namespace

SaleKind JournalRecord::Kind() const {
    if (!IsSaleRecord(Code) && (Code < 'C' || Code > 'J'))
        return SaleKind::None;
    switch (SaleKindByte) {
    case 'N':
        return SaleKind::Normal;
    case 'R':
        return SaleKind::Return;
    case 'C':
        return SaleKind::Correction;
    default:
        return SaleKind::Unmarked;
    }
}

QString JournalRecord::DescriptionText(int charset) const {
    QByteArray windows;
    windows.reserve(Description.size());
    for (const char c : Description)
        windows.append(char(FromRegisterChar(uint8_t(c), charset)));
    return FromCodePage(windows, charset);
}

QString JournalRecord::BarcodeText(int charset) const {
    return FromCodePage(Barcode, charset);
}

std::optional<QDateTime> JournalRecord::RegisterTime() const {
    if (!Clock)
        return std::nullopt;
    const QDate date(Clock->Year, Clock->Month, Clock->Day);
    const QTime time(Clock->Hour, Clock->Minute);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

bool IsJournalCode(uint8_t code) {
    return code == '?' || (code >= '@' && code <= 'O' && code != 'N');
}

bool IsSaleRecord(uint8_t code) {
    return code == '?' || code == 'A' || code == 'B';
}

std::optional<JournalRecord> DecodeJournal(std::span<const uint8_t> payload) {
    if (payload.empty() || !IsJournalCode(payload[0]))
        return std::nullopt;
    const Layout f(payload);
    JournalRecord r;
    r.Code = payload[0];
    r.Payload = QByteArray(reinterpret_cast<const char*>(payload.data()), qsizetype(payload.size()));
    switch (r.Code) {
    case '@':
        r.Operator = f.Byte(1);
        r.ReceiptNumber = f.Bcd(2, 4);
        break;
    case 'A':
        r.Department = f.Byte(1);
        r.Price = f.Bcd(2, 6);
        r.Quantity = f.Bcd(8, 4);
        r.SaleKindByte = uint8_t(f.Byte(12));
        break;
    case 'B':
        r.Plu = f.Byte(1) * 256 + f.Byte(2);
        r.Description = f.Text(3, DescriptionBytes);
        r.Price = f.Bcd(15, 4);
        r.Department = f.Byte(19) & 0x0F;
        r.Unit = f.Byte(20) < Units ? f.Byte(20) : 0;
        r.Barcode = f.Text(21, BarcodeBytes);
        // Thousandths on the line; ten-thousandths like every other quantity.
        r.Quantity = f.Bcd(41, 4) * 10;
        r.SaleKindByte = uint8_t(f.Byte(45));
        break;
    case 'C':
    case 'D':
        r.Department = f.Byte(1);
        r.Amount = f.Bcd(2, 6);
        r.SaleKindByte = uint8_t(f.Byte(8));
        break;
    case 'E':
    case 'F':
        r.Department = f.Byte(1);
        r.Amount = f.Bcd(2, 6);
        r.Percent = f.Bcd(8, 2);
        r.SaleKindByte = uint8_t(f.Byte(10));
        break;
    case 'G':
    case 'H':
        ReadDepartmentAmounts(f, r);
        r.SaleKindByte = uint8_t(f.Byte(46));
        break;
    case 'I':
    case 'J':
        ReadDepartmentAmounts(f, r);
        r.Percent = f.Bcd(46, 2);
        r.SaleKindByte = uint8_t(f.Byte(48));
        break;
    case 'L':
        r.Amount = f.Bcd(1, 6);
        break;
    case 'M':
        r.Tickets = int(f.Bcd(1, 2));
        r.Price = f.Bcd(3, 4);
        break;
    case 'O':
        r.Amount = f.Bcd(1, 6);
        r.ReceiptNumber = f.Bcd(7, 4);
        r.Pieces = int(f.Bcd(11, 2));
        r.RegisterNumber = f.Byte(13);
        r.Clock = JournalClock{f.Byte(18) + 256 * f.Byte(19), f.Byte(17), f.Byte(16), f.Byte(15), f.Byte(14)};
        break;
    case '?':
        r.Department = f.Byte(1);
        r.Price = f.Bcd(2, 5);
        r.Description = f.Text(7, DescriptionBytes);
        r.Quantity = f.Bcd(19, 4);
        r.SaleKindByte = uint8_t(f.Byte(23));
        break;
    default: // 'K': the record is its code alone
        break;
    }
    return r;
}

int AmountSign(const JournalRecord& r) {
    int sign = 0;
    if (IsSaleRecord(r.Code) || r.Code == 'C' || r.Code == 'E' || r.Code == 'G' || r.Code == 'I')
        sign = 1;
    else if (r.Code == 'D' || r.Code == 'F' || r.Code == 'H' || r.Code == 'J')
        sign = -1;
    const SaleKind kind = r.Kind();
    return kind == SaleKind::Return || kind == SaleKind::Correction ? -sign : sign;
}

int64_t SignedAmount(const JournalRecord& r) {
    const int sign = AmountSign(r);
    if (sign == 0)
        return 0;
    if (IsSaleRecord(r.Code))
        return sign * RoundedDiv(r.Price.value_or(0) * r.Quantity.value_or(0), 10000);
    return sign * r.Amount.value_or(0);
}

QString RecordName(uint8_t code) {
    switch (code) {
    case '@':
        return QStringLiteral("open_receipt");
    case 'A':
        return QStringLiteral("department_sale");
    case 'B':
        return QStringLiteral("plu_sale");
    case 'C':
        return QStringLiteral("amount_increment");
    case 'D':
        return QStringLiteral("amount_decrement");
    case 'E':
        return QStringLiteral("percent_increment");
    case 'F':
        return QStringLiteral("percent_decrement");
    case 'G':
        return QStringLiteral("subtotal_amount_increment");
    case 'H':
        return QStringLiteral("subtotal_amount_decrement");
    case 'I':
        return QStringLiteral("subtotal_percent_increment");
    case 'J':
        return QStringLiteral("subtotal_percent_decrement");
    case 'K':
        return QStringLiteral("correction");
    case 'L':
        return QStringLiteral("subtotal");
    case 'M':
        return QStringLiteral("ticket_discount");
    case 'O':
        return QStringLiteral("receipt_close");
    case '?':
        return QStringLiteral("external_sale");
    default:
        return QString();
    }
}

QString SaleKindName(SaleKind kind) {
    switch (kind) {
    case SaleKind::Normal:
        return QStringLiteral("normal");
    case SaleKind::Return:
        return QStringLiteral("return");
    case SaleKind::Correction:
        return QStringLiteral("correction");
    default:
        return QString();
    }
}
