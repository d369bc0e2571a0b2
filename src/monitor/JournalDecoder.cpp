#include "monitor/JournalDecoder.h"

#include "plu/PluRecord.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"
#include "common/Captions.h"

#include <QByteArray>
#include <algorithm>
#include <array>

namespace {

namespace J = Captions::Journal;

// The longest layout: 'I' and 'J', 49 bytes.
constexpr size_t LongestRecord = 49;
constexpr int Departments = 9;
const QString ThreeBlanks = QStringLiteral("   ");

// A record read at fixed offsets; offsets past its end read as zero.
class Record {
  public:
    explicit Record(std::span<const uint8_t> payload) {
        std::copy_n(payload.begin(), std::min(payload.size(), m_bytes.size()), m_bytes.begin());
    }
    [[nodiscard]] uint8_t Byte(size_t at) const { return m_bytes[at]; }
    [[nodiscard]] std::span<const uint8_t> Field(size_t at, size_t width) const {
        return std::span<const uint8_t>(m_bytes).subspan(at, width);
    }
    // Every digit: the widest amounts hold ten and twelve digits, more than
    // 32 bits can carry.
    [[nodiscard]] uint64_t Bcd(size_t at, size_t width) const { return BcdToInt64(Field(at, width)); }
    [[nodiscard]] uint32_t Bcd32(size_t at, size_t width) const { return BcdToInt(Field(at, width)); }

  private:
    std::array<uint8_t, LongestRecord> m_bytes{};
};

// Register text up to its first zero byte, through the register-to-Windows
// conversion and the code page of the charset.
QString RegisterText(std::span<const uint8_t> field, int charset) {
    QByteArray windows;
    for (const uint8_t c : field) {
        if (c == 0)
            break;
        windows.append(char(FromRegisterChar(c, charset)));
    }
    return FromCodePage(windows, charset);
}

// Bytes as they came, up to the first zero byte.
QString RawText(std::span<const uint8_t> field, int charset) {
    const auto end = std::ranges::find(field, uint8_t{0});
    return FromCodePage(
        QByteArrayView(reinterpret_cast<const char*>(field.data()), qsizetype(end - field.begin())), charset);
}

// value / 10^(decimals + drop) with `decimals` digits, halves rounded up.
QString FormatScaled(uint64_t value, int drop, int decimals, QChar separator) {
    uint64_t divisor = 1;
    for (int i = 0; i < drop; ++i)
        divisor *= 10;
    const uint64_t rounded = (value + divisor / 2) / divisor;
    if (decimals == 0)
        return QString::number(rounded);
    uint64_t unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    return QStringLiteral("%1%2%3")
        .arg(rounded / unit)
        .arg(separator)
        .arg(rounded % unit, decimals, 10, QLatin1Char('0'));
}

class LineBuilder {
  public:
    LineBuilder(const Record& r, const JournalStyle& style) : m_r(r), m_style(style) {}

    [[nodiscard]] QString Text(const Caption& c) const { return c.Text(m_style.Language); }
    [[nodiscard]] QString Text(const TwinCaption& c) const {
        return c.Text(m_style.Language, m_style.RegisterFont);
    }
    [[nodiscard]] QString Kind(size_t at) const { return SaleKindCaption(m_r.Byte(at), m_style.Language); }
    [[nodiscard]] QString Amount(size_t at, size_t width) const {
        return FormatHundredths(m_r.Bcd(at, width), m_style.DecimalSeparator);
    }
    // A quantity in ten-thousandths, shown in thousandths ("0.000").
    [[nodiscard]] QString TenThousandths(size_t at) const {
        return FormatScaled(m_r.Bcd(at, 4), 1, 3, m_style.DecimalSeparator);
    }
    [[nodiscard]] QString Num(uint64_t v) const { return QString::number(v); }

    [[nodiscard]] QString OpenReceipt() const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6")
            .arg(Text(J::OpenReceipt), ThreeBlanks, Text(J::OperatorNumber), Num(m_r.Byte(1)),
                 Text(J::ReceiptNumber), Num(m_r.Bcd32(2, 4)));
    }

    [[nodiscard]] QString DepartmentSale() const {
        return QStringLiteral("%1\t%2\t%3:\t%4\t%5:\t%6\t%7:\t%8")
            .arg(Text(J::DeptSale), Kind(12), Text(J::Department), Num(m_r.Byte(1)), Text(J::Price),
                 Amount(2, 6), Text(J::Quantity), TenThousandths(8));
    }

    [[nodiscard]] QString PluSale() const {
        const int code = m_r.Byte(1) * 256 + m_r.Byte(2);
        const QString description = RegisterText(m_r.Field(3, DescriptionLength), m_style.Charset);
        const int department = m_r.Byte(19) & 0x0F;
        const uint8_t unitIndex = m_r.Byte(20);
        const int unit = unitIndex < UnitCount ? unitIndex : 0;
        const QString barcode = RawText(m_r.Field(21, BarcodeLength), m_style.Charset);
        // Pieces have no decimals; weights and measures show thousandths.
        const uint64_t thousandths = m_r.Bcd(41, 4);
        const QString quantity = unit == 0 ? FormatScaled(thousandths, 3, 0, m_style.DecimalSeparator)
                                           : FormatScaled(thousandths, 0, 3, m_style.DecimalSeparator);
        // The unit names are the same in both languages here.
        const QString unitName = QString::fromUtf8(UnitNames(0)[size_t(unit)]);
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6\t%7:%8\t%9:")
                   .arg(Text(J::PluSale), Kind(45), Text(J::PluCode), Num(uint64_t(code)),
                        Text(J::Description), description, Text(J::Price), Amount(15, 4),
                        Text(J::Department)) +
               QStringLiteral("%1\t%2:%3\t%4:%5\tBarcode:%6")
                   .arg(Num(uint64_t(department)), Text(J::MeasUnit), unitName, Text(J::Quantity), quantity,
                        barcode);
    }

    [[nodiscard]] QString AmountAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6")
            .arg(Text(title), Kind(8), Text(J::Department), Num(m_r.Byte(1)), Text(J::Amount), Amount(2, 6));
    }

    [[nodiscard]] QString PercentAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6\t%7:%8")
            .arg(Text(title), Kind(10), Text(J::Department), Num(m_r.Byte(1)), Text(J::Amount), Amount(2, 6),
                 Text(J::Percentage), Amount(8, 2));
    }

    // Nine amounts, one per department, at offsets 1, 6, ... 41.
    [[nodiscard]] QString DepartmentAmounts() const {
        QString line;
        for (int k = 1; k <= Departments; ++k) {
            line += QStringLiteral("\t%1%2:%3")
                        .arg(Text(J::Department))
                        .arg(k)
                        .arg(Amount(size_t(1 + 5 * (k - 1)), 5));
        }
        return line;
    }

    [[nodiscard]] QString SubtotalAmountAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2").arg(Text(title), Kind(46)) + DepartmentAmounts();
    }

    [[nodiscard]] QString SubtotalPercentAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2").arg(Text(title), Kind(48)) + DepartmentAmounts() +
               QStringLiteral("\t%1:%2").arg(Text(J::Percentage), Amount(46, 2));
    }

    [[nodiscard]] QString Subtotal() const {
        return QStringLiteral("%1\t%2:%3").arg(Text(J::Subtotal), Text(J::Amount), Amount(1, 6));
    }

    // The ticket price is written with a point whatever the locale says.
    [[nodiscard]] QString TicketDiscount() const {
        return QStringLiteral("%1\t%2:%3\t%4:%5")
            .arg(Text(J::TicketDiscount), Text(J::Tickets), Num(m_r.Bcd32(1, 2)), Text(J::Price),
                 FormatHundredths(m_r.Bcd(3, 4), QLatin1Char('.')));
    }

    [[nodiscard]] QString ReceiptClose() const {
        const int year = m_r.Byte(18) + 256 * m_r.Byte(19);
        const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        return QStringLiteral("%1\t%2:%3\t%4:%5\t %6:%7\t %8:%9")
                   .arg(Text(J::PaymentReceiptClose), Text(J::Total), Amount(1, 6), Text(J::ReceiptNumber),
                        Num(m_r.Bcd32(7, 4)), Text(J::Pieces), Num(m_r.Bcd32(11, 2)), Text(J::CRNumber),
                        Num(m_r.Byte(13))) +
               QStringLiteral("\t%1:%2:%3\t%4:%5/%6/%7")
                   .arg(Text(J::Time), two(m_r.Byte(15)), two(m_r.Byte(14)), Text(J::Date), two(m_r.Byte(16)),
                        two(m_r.Byte(17)), QStringLiteral("%1").arg(year, 4));
    }

    [[nodiscard]] QString ExternalSale() const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6\t%7:%8\t%9:")
                   .arg(Text(J::ExternalSale), Kind(23), Text(J::Department), Num(m_r.Byte(1)),
                        Text(J::Price), Amount(2, 5), Text(J::Description),
                        RegisterText(m_r.Field(7, DescriptionLength), m_style.Charset), Text(J::Quantity)) +
               TenThousandths(19);
    }

  private:
    const Record& m_r;
    const JournalStyle& m_style;
};

} // namespace

bool IsJournalCode(uint8_t code) {
    return code == '?' || (code >= '@' && code <= 'O' && code != 'N');
}

QString SaleKindCaption(uint8_t kind, int language) {
    switch (kind) {
    case 'N':
        return J::Normal.Text(language);
    case 'R':
        return J::Return.Text(language);
    case 'C':
        return J::CorrectionKind.Text(language);
    default:
        return ThreeBlanks;
    }
}

QString FormatHundredths(uint64_t hundredths, QChar decimalSeparator) {
    return FormatScaled(hundredths, 0, 2, decimalSeparator);
}

std::optional<QString> DecodeJournalRecord(std::span<const uint8_t> payload, const JournalStyle& style) {
    if (payload.empty() || !IsJournalCode(payload[0]))
        return std::nullopt;
    const Record r(payload);
    const LineBuilder line(r, style);
    switch (payload[0]) {
    case '@':
        return line.OpenReceipt();
    case 'A':
        return line.DepartmentSale();
    case 'B':
        return line.PluSale();
    case 'C':
        return line.AmountAdjust(J::AmountIncrement);
    case 'D':
        return line.AmountAdjust(J::AmountDecrement);
    case 'E':
        return line.PercentAdjust(J::PercentIncrement);
    case 'F':
        return line.PercentAdjust(J::PercentDecrement);
    case 'G':
        return line.SubtotalAmountAdjust(J::AmountSubtotalIncrement);
    case 'H':
        return line.SubtotalAmountAdjust(J::AmountSubtotalDecrement);
    case 'I':
        return line.SubtotalPercentAdjust(J::PercentSubtotalIncrement);
    case 'J':
        return line.SubtotalPercentAdjust(J::PercentSubtotalDecrement);
    case 'K':
        return line.Text(J::Correction);
    case 'L':
        return line.Subtotal();
    case 'M':
        return line.TicketDiscount();
    case 'O':
        return line.ReceiptClose();
    case '?':
        return line.ExternalSale();
    default:
        return std::nullopt;
    }
}
