#include "reports/ReportDecoder.h"

#include "common/Captions.h"
#include "database/PluTable.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"

#include <QByteArray>
#include <array>

namespace {

namespace R = Captions::Reports;
namespace P = Captions::PluStatistics;

constexpr int Groups = 9;
constexpr std::array<uint8_t, Groups> TaxLetterBytes{0x41, 0xC3, 0xC4, 0x8E, 0x45, 0xC6, 0xC8, 0x4A, 0x4B};
const QString Hyphens = QString(55, QLatin1Char('-'));
const QLatin1Char Tab('\t');

// A payload already checked against its layout's length.
class Fields {
  public:
    explicit Fields(std::span<const uint8_t> payload) : m_p(payload) {}
    [[nodiscard]] uint8_t Byte(size_t at) const { return m_p[at]; }
    [[nodiscard]] std::span<const uint8_t> Field(size_t at, size_t width) const {
        return m_p.subspan(at, width);
    }
    // Every digit of the field: five and six bytes hold more than 32 bits.
    [[nodiscard]] uint64_t Bcd(size_t at, size_t width) const { return BcdToInt64(Field(at, width)); }
    [[nodiscard]] int Le16(size_t at) const { return m_p[at] | (m_p[at + 1] << 8); }
    [[nodiscard]] QString Digits(size_t at, size_t width) const { return BcdToDigitText(Field(at, width)); }

  private:
    std::span<const uint8_t> m_p;
};

QString Right(const QString& text, int width) {
    return text.rightJustified(width, QLatin1Char(' '));
}

class Writer {
  public:
    Writer(const Fields& f, const ReportStyle& style) : m_f(f), m_style(style) {}

    [[nodiscard]] QString Text(const Caption& c) const { return c.Text(m_style.Language); }
    [[nodiscard]] QString Text(const TwinCaption& c) const {
        return c.Text(m_style.Language, m_style.RegisterFont);
    }
    [[nodiscard]] QString Hundredths(uint64_t value) const {
        return QStringLiteral("%1%2%3")
            .arg(value / 100)
            .arg(m_style.DecimalSeparator)
            .arg(value % 100, 2, 10, QLatin1Char('0'));
    }
    [[nodiscard]] QString Amount(size_t at, size_t width) const { return Hundredths(m_f.Bcd(at, width)); }
    [[nodiscard]] QString Count(size_t at, size_t width) const { return QString::number(m_f.Bcd(at, width)); }
    [[nodiscard]] QString Byte(size_t at) const { return QString::number(m_f.Byte(at)); }

    // Bytes shown as the view would show them: through its code page, or as
    // the register's own codes under the register font.
    [[nodiscard]] QString Raw(std::span<const uint8_t> bytes) const {
        QByteArray text;
        for (const uint8_t c : bytes) {
            if (c == 0)
                break;
            text.append(char(c));
        }
        return m_style.RegisterFont ? QString::fromLatin1(text) : FromCodePage(text, m_style.Charset);
    }
    [[nodiscard]] QString RegisterText(std::span<const uint8_t> bytes) const {
        QByteArray windows;
        for (const uint8_t c : bytes) {
            if (c == 0)
                break;
            windows.append(char(FromRegisterChar(c, m_style.Charset)));
        }
        return FromCodePage(windows, m_style.Charset);
    }

    QStringList Lines;

    void Add(const QString& line) { Lines << line; }
    void Pair(const QString& label, const QString& value) { Lines << label + Tab + value; }

  private:
    const Fields& m_f;
    const ReportStyle& m_style;
};

// A layout's length is checked once, before anything is read.
template <typename Body>
QStringList Decode(uint8_t code, std::span<const uint8_t> payload, const ReportStyle& style, Body decode) {
    const size_t length = ReportLength(code);
    if (payload.size() < length) {
        return {R::ShortReport.Text(style.Language)
                    .arg(QString(QLatin1Char(char(code))), QString::number(payload.size()),
                         QString::number(length))};
    }
    const Fields f(payload);
    Writer w(f, style);
    decode(f, w);
    return w.Lines;
}

} // namespace

bool IsReportCode(uint8_t code) {
    return code >= TaxReportCode && code <= LastZReportCode;
}

size_t ReportLength(uint8_t code) {
    switch (code) {
    case TaxReportCode:
        return 46;
    case DepartmentReportCode:
        return 64;
    case StatusReportCode:
        return 29;
    case PluReportCode:
        return 17;
    case OperatorReportCode:
        return 115;
    case LastZReportCode:
        return 130;
    default:
        return 0;
    }
}

QString TaxLetter(int group, const ReportStyle& style) {
    const char letter = char(TaxLetterBytes.at(size_t(group)));
    return style.RegisterFont ? QString(QLatin1Char(letter))
                              : FromCodePage(QByteArrayView(&letter, 1), style.Charset);
}

QStringList DumpDailyVAT(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Decode(TaxReportCode, payload, style, [&](const Fields&, Writer& w) {
        w.Add(w.Text(R::DailySalesPerTax));
        for (int i = 0; i < Groups; ++i)
            w.Add(w.Text(R::Tax) + QLatin1Char(' ') + TaxLetter(i, style) + Tab +
                  Right(w.Amount(size_t(1 + 5 * i), 5), 12));
        w.Add(QString());
    });
}

QStringList DumpDailyDept(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Decode(DepartmentReportCode, payload, style, [&](const Fields&, Writer& w) {
        w.Add(w.Text(R::DailySalesPerDepartment));
        for (int i = 0; i < Groups; ++i)
            w.Add(w.Text(R::Department) + QStringLiteral(" %1").arg(i + 1) + Tab +
                  Right(w.Amount(size_t(1 + 5 * i), 5), 12));
        for (int i = 0; i < Groups; ++i)
            w.Add(w.Text(R::Sales) + QStringLiteral(" %1").arg(i + 1) + Tab + w.Count(size_t(46 + 2 * i), 2));
        w.Add(QString());
    });
}

QStringList DumpDailyStatus(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Decode(StatusReportCode, payload, style, [&](const Fields& f, Writer& w) {
        w.Add(w.Text(R::DailyStatusChanges));
        w.Add(QString::fromLatin1(Captions::SeparatorLine));
        w.Pair(w.Text(R::VatChanges), w.Byte(1));
        w.Pair(w.Text(R::NumberOfResets), w.Byte(2));
        w.Pair(w.Text(R::HeaderChanges), w.Byte(3));
        w.Pair(w.Text(R::TotalReceipts), w.Count(5, 4));
        w.Pair(w.Text(R::CRNumber), w.Byte(9));
        w.Pair(w.Text(R::FiscalId), w.RegisterText(f.Field(10, 10)));
        w.Pair(w.Text(R::DepartmentAssociation), w.Raw(f.Field(20, 9)));
        w.Add(QString());
    });
}

QStringList DumpDailyPLU(std::span<const uint8_t> payload, const ReportStyle& style, const PluTable& table) {
    return Decode(PluReportCode, payload, style, [&](const Fields& f, Writer& w) {
        const uint64_t sold = f.Bcd(3, 4);
        if (sold == 0)
            return;
        const int n = f.Le16(1);
        QString description;
        QString price;
        bool decimal = false;
        if (PluTable::Contains(n)) {
            const PluRecord& record = table[n];
            description = FromCodePage(record.DescriptionText(), style.Charset);
            price = FormatAmount(record.Price, style.DecimalSeparator);
            decimal = (record.Flags & FlagDecimalQty) != 0;
        }
        const auto quantity = [&](uint64_t v) {
            if (!decimal)
                return QString::number(v);
            return QStringLiteral("%1%2%3")
                .arg(v / 1000)
                .arg(style.DecimalSeparator)
                .arg(v % 1000, 3, 10, QLatin1Char('0'));
        };
        w.Add(Right(QString::number(n), 8) + Tab + Right(description, 13) + Tab + Right(price, 12) + Tab +
              Right(quantity(sold), 8) + Tab + Right(quantity(f.Bcd(7, 4)), 12) + Tab +
              Right(w.Amount(11, 6), 12));
    });
}

QStringList DumpDailyOper(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Decode(OperatorReportCode, payload, style, [&](const Fields& f, Writer& w) {
        w.Add(w.Text(R::DailyOperatorStatistics));
        w.Add(QString::fromLatin1(Captions::SeparatorLine));
        const bool programmed = !(f.Byte(1) == 0xFF && f.Byte(2) == 0xFF);
        w.Pair(w.Text(R::OperatorPassword), programmed ? QStringLiteral("****") : w.Text(R::NonProgrammed));
        w.Pair(w.Text(R::Cash), Right(w.Amount(3, 6), 12));
        w.Pair(w.Text(R::Cheque), Right(w.Amount(9, 6), 12));
        w.Pair(w.Text(R::Card), Right(w.Amount(15, 6), 12));
        w.Pair(w.Text(R::Total), Right(w.Amount(21, 6), 12));
        w.Pair(w.Text(R::Drawer), Right(w.Count(27, 2), 12));
        w.Pair(w.Text(R::Receipts), w.Count(29, 2));
        w.Pair(w.Text(R::Correction), Right(w.Amount(66, 5), 12));
        w.Pair(w.Text(R::Corrections), w.Count(71, 2));
        const auto moves = [&](const TwinCaption& title, size_t at) {
            w.Add(w.Text(title));
            w.Pair(w.Text(R::ChequeAmount), Right(w.Amount(at, 5), 12));
            w.Pair(w.Text(R::Cheques), w.Count(at + 5, 2));
            w.Pair(w.Text(R::CashAmount), Right(w.Amount(at + 7, 5), 12));
            w.Pair(w.Text(R::Cashes), w.Count(at + 12, 2));
            w.Pair(w.Text(R::CardAmount), Right(w.Amount(at + 14, 5), 12));
            w.Pair(w.Text(R::Cards), w.Count(at + 19, 2));
        };
        moves(R::PayIn, 73);
        moves(R::PayOut, 94);
        w.Add(QString());
    });
}

QStringList DumpLastZ(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Decode(LastZReportCode, payload, style, [&](const Fields& f, Writer& w) {
        // Offsets of this layout count from the byte after the reply code.
        constexpr size_t b = 1;
        const auto digits = [&](size_t at, size_t width = 1) { return f.Digits(b + at, width); };
        const QString blanks(5, QLatin1Char(' '));
        w.Add(w.Text(R::LastZReport));
        w.Add(QString::fromLatin1(Captions::SeparatorLine));
        w.Add(QStringLiteral("Z Record\t%1").arg(f.Le16(b + 6)));
        w.Add(w.Text(R::Date) + Tab + digits(0) + QLatin1Char('/') + digits(1) + QLatin1Char('/') +
              digits(2, 2) + blanks + w.Text(R::Time) + Tab + digits(4) + QLatin1Char(':') + digits(5));
        w.Pair(w.Text(R::NumberOfResets), w.Byte(b + 121));
        if (const uint8_t type = f.Byte(b + 124); type != 0) {
            w.Pair(w.Text(R::ResetType), QStringLiteral("0x%1").arg(type, 0, 16));
            w.Add(w.Text(R::ResetDate) + Tab + digits(122) + QLatin1Char('/') + digits(123) +
                  QStringLiteral("/20") + digits(125) + blanks + w.Text(R::Time) + Tab + digits(126) +
                  QLatin1Char(':') + digits(127));
        }
        w.Pair(w.Text(R::HeaderChanges), QString::number(f.Byte(b + 128) & 0x7F));
        w.Pair(w.Text(R::TotalReceipts), w.Count(b + 116, 4));
        w.Add(Hyphens);
        for (int i = 0; i < Groups; ++i)
            w.Add(w.Text(R::ProgrSum) + QLatin1Char(' ') + TaxLetter(i, style) + Tab +
                  Right(w.Amount(b + 8 + 6 * size_t(i), 6), 15));
        w.Add(Hyphens);
        for (int i = 0; i < Groups; ++i)
            w.Add(w.Text(R::ProgrSum) + QLatin1Char(' ') + w.Text(R::Tax) + QLatin1Char(' ') +
                  TaxLetter(i, style) + Tab + Right(w.Amount(b + 62 + 6 * size_t(i), 6), 15));
        w.Add(Hyphens);
    });
}

QStringList DecodeReport(std::span<const uint8_t> payload, const ReportStyle& style, const PluTable& table) {
    if (payload.empty())
        return {};
    switch (payload[0]) {
    case TaxReportCode:
        return DumpDailyVAT(payload, style);
    case DepartmentReportCode:
        return DumpDailyDept(payload, style);
    case StatusReportCode:
        return DumpDailyStatus(payload, style);
    case PluReportCode:
        return DumpDailyPLU(payload, style, table);
    case OperatorReportCode:
        return DumpDailyOper(payload, style);
    case LastZReportCode:
        return DumpLastZ(payload, style);
    default:
        return {};
    }
}

std::optional<int> ReportedPlu(std::span<const uint8_t> payload) {
    if (payload.size() < 3 || payload[0] != PluReportCode)
        return std::nullopt;
    return payload[1] | (payload[2] << 8);
}

QStringList PluReportHeading(const ReportStyle& style) {
    const int lang = style.Language;
    return {P::DailyPluSales.Text(lang),
            Right(P::PluCode.Text(lang), 8) + Tab + Right(P::Description.Text(lang), 13) + Tab +
                Right(P::Price.Text(lang), 12) + Tab + Right(P::Quantity.Text(lang, style.RegisterFont), 8) +
                Tab + Right(P::Stock.Text(lang), 12) + Tab + Right(P::Total.Text(lang), 12)};
}

QString UnansweredPlusLine(const std::vector<int>& plus, const ReportStyle& style) {
    QStringList numbers;
    numbers.reserve(qsizetype(plus.size()));
    for (const int n : plus)
        numbers << QString::number(n);
    return P::Unanswered.Text(style.Language) + QLatin1Char(' ') + numbers.join(QStringLiteral(", "));
}
