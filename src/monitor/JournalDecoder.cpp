#include "monitor/JournalDecoder.h"

#include "common/Captions.h"
#include "plu/PluRecord.h"

namespace {

namespace J = Captions::Journal;

constexpr int Departments = 9;
const QString ThreeBlanks = QStringLiteral("   ");

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
    LineBuilder(const JournalRecord& r, const JournalStyle& style) : m_r(r), m_style(style) {}

    [[nodiscard]] QString Text(const Caption& c) const { return c.Text(m_style.Language); }
    [[nodiscard]] QString Text(const TwinCaption& c) const {
        return c.Text(m_style.Language, m_style.RegisterFont);
    }
    [[nodiscard]] QString Kind() const { return SaleKindCaption(m_r.SaleKindByte, m_style.Language); }
    [[nodiscard]] QString Hundredths(const std::optional<int64_t>& v) const {
        return FormatHundredths(uint64_t(v.value_or(0)), m_style.DecimalSeparator);
    }
    // A quantity in ten-thousandths, shown in thousandths ("0.000").
    [[nodiscard]] QString Thousandths() const {
        return FormatScaled(uint64_t(m_r.Quantity.value_or(0)), 1, 3, m_style.DecimalSeparator);
    }
    [[nodiscard]] static QString Num(const std::optional<int>& v) { return QString::number(v.value_or(0)); }
    [[nodiscard]] static QString Num(const std::optional<int64_t>& v) {
        return QString::number(v.value_or(0));
    }
    [[nodiscard]] QString Description() const { return m_r.DescriptionText(m_style.Charset); }

    [[nodiscard]] QString OpenReceipt() const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6")
            .arg(Text(J::OpenReceipt), ThreeBlanks, Text(J::OperatorNumber), Num(m_r.Operator),
                 Text(J::ReceiptNumber), Num(m_r.ReceiptNumber));
    }

    [[nodiscard]] QString DepartmentSale() const {
        return QStringLiteral("%1\t%2\t%3:\t%4\t%5:\t%6\t%7:\t%8")
            .arg(Text(J::DeptSale), Kind(), Text(J::Department), Num(m_r.Department), Text(J::Price),
                 Hundredths(m_r.Price), Text(J::Quantity), Thousandths());
    }

    [[nodiscard]] QString PluSale() const {
        const int unit = m_r.Unit.value_or(0);
        // Pieces have no decimals; weights and measures show thousandths.
        const uint64_t quantity = uint64_t(m_r.Quantity.value_or(0));
        const QString quantityText = unit == 0 ? FormatScaled(quantity, 4, 0, m_style.DecimalSeparator)
                                               : FormatScaled(quantity, 1, 3, m_style.DecimalSeparator);
        // The unit names are the same in both languages here.
        const QString unitName = QString::fromUtf8(UnitNames(0)[size_t(unit)]);
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6\t%7:%8\t%9:")
                   .arg(Text(J::PluSale), Kind(), Text(J::PluCode), Num(m_r.Plu), Text(J::Description),
                        Description(), Text(J::Price), Hundredths(m_r.Price), Text(J::Department)) +
               QStringLiteral("%1\t%2:%3\t%4:%5\tBarcode:%6")
                   .arg(Num(m_r.Department), Text(J::MeasUnit), unitName, Text(J::Quantity), quantityText,
                        m_r.BarcodeText(m_style.Charset));
    }

    [[nodiscard]] QString AmountAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6")
            .arg(Text(title), Kind(), Text(J::Department), Num(m_r.Department), Text(J::Amount),
                 Hundredths(m_r.Amount));
    }

    [[nodiscard]] QString PercentAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6\t%7:%8")
            .arg(Text(title), Kind(), Text(J::Department), Num(m_r.Department), Text(J::Amount),
                 Hundredths(m_r.Amount), Text(J::Percentage), Hundredths(m_r.Percent));
    }

    // Nine amounts, one per department, in payload order.
    [[nodiscard]] QString DepartmentAmounts() const {
        QString line;
        for (int k = 1; k <= Departments; ++k) {
            line += QStringLiteral("\t%1%2:%3")
                        .arg(Text(J::Department))
                        .arg(k)
                        .arg(Hundredths(m_r.DepartmentAmounts[size_t(k - 1)]));
        }
        return line;
    }

    [[nodiscard]] QString SubtotalAmountAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2").arg(Text(title), Kind()) + DepartmentAmounts();
    }

    [[nodiscard]] QString SubtotalPercentAdjust(const Caption& title) const {
        return QStringLiteral("%1\t%2").arg(Text(title), Kind()) + DepartmentAmounts() +
               QStringLiteral("\t%1:%2").arg(Text(J::Percentage), Hundredths(m_r.Percent));
    }

    [[nodiscard]] QString Subtotal() const {
        return QStringLiteral("%1\t%2:%3").arg(Text(J::Subtotal), Text(J::Amount), Hundredths(m_r.Amount));
    }

    // The ticket price is written with a point whatever the locale says.
    [[nodiscard]] QString TicketDiscount() const {
        return QStringLiteral("%1\t%2:%3\t%4:%5")
            .arg(Text(J::TicketDiscount), Text(J::Tickets), Num(m_r.Tickets), Text(J::Price),
                 FormatHundredths(uint64_t(m_r.Price.value_or(0)), QLatin1Char('.')));
    }

    [[nodiscard]] QString ReceiptClose() const {
        const JournalClock clock = m_r.Clock.value_or(JournalClock{});
        const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        return QStringLiteral("%1\t%2:%3\t%4:%5\t %6:%7\t %8:%9")
                   .arg(Text(J::PaymentReceiptClose), Text(J::Total), Hundredths(m_r.Amount),
                        Text(J::ReceiptNumber), Num(m_r.ReceiptNumber), Text(J::Pieces), Num(m_r.Pieces),
                        Text(J::CRNumber), Num(m_r.RegisterNumber)) +
               QStringLiteral("\t%1:%2:%3\t%4:%5/%6/%7")
                   .arg(Text(J::Time), two(clock.Hour), two(clock.Minute), Text(J::Date), two(clock.Day),
                        two(clock.Month), QStringLiteral("%1").arg(clock.Year, 4));
    }

    [[nodiscard]] QString ExternalSale() const {
        return QStringLiteral("%1\t%2\t%3:%4\t%5:%6\t%7:%8\t%9:")
                   .arg(Text(J::ExternalSale), Kind(), Text(J::Department), Num(m_r.Department),
                        Text(J::Price), Hundredths(m_r.Price), Text(J::Description), Description(),
                        Text(J::Quantity)) +
               Thousandths();
    }

  private:
    const JournalRecord& m_r;
    const JournalStyle& m_style;
};

} // namespace

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

QString JournalLine(const JournalRecord& record, const JournalStyle& style) {
    const LineBuilder line(record, style);
    switch (record.Code) {
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
        return QString();
    }
}

std::optional<QString> DecodeJournalRecord(std::span<const uint8_t> payload, const JournalStyle& style) {
    const std::optional<JournalRecord> record = DecodeJournal(payload);
    if (!record)
        return std::nullopt;
    return JournalLine(*record, style);
}
