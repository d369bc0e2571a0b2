#include "reports/ReportFormatter.h"

#include "common/Captions.h"
#include "database/PluTable.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"

#include <QByteArray>
#include <array>

namespace {

namespace R = Captions::Reports;
namespace P = Captions::PluStatistics;

constexpr std::array<uint8_t, ReportGroups> TaxLetterBytes{0x41, 0xC3, 0xC4, 0x8E, 0x45,
                                                           0xC6, 0xC8, 0x4A, 0x4B};
const QString Hyphens = QString(55, QLatin1Char('-'));
const QLatin1Char Tab('\t');

QString Right(const QString& text, int width) {
    return text.rightJustified(width, QLatin1Char(' '));
}

class Writer {
  public:
    explicit Writer(const ReportStyle& style) : m_style(style) {}

    [[nodiscard]] QString Text(const Caption& c) const { return c.Text(m_style.Language); }
    [[nodiscard]] QString Text(const TwinCaption& c) const {
        return c.Text(m_style.Language, m_style.RegisterFont);
    }
    // Exact for every width the register sends, where a double would round.
    [[nodiscard]] QString Amount(Hundredths value) const {
        return QStringLiteral("%1%2%3")
            .arg(value / 100)
            .arg(m_style.DecimalSeparator)
            .arg(value % 100, 2, 10, QLatin1Char('0'));
    }

    // Bytes shown as the view would show them: through its code page, or as
    // the register's own codes under the register font.
    [[nodiscard]] QString Raw(const QByteArray& bytes) const {
        return m_style.RegisterFont ? QString::fromLatin1(bytes) : FromCodePage(bytes, m_style.Charset);
    }
    [[nodiscard]] QString RegisterText(const QByteArray& bytes) const {
        QByteArray windows;
        windows.reserve(bytes.size());
        for (const char c : bytes)
            windows.append(char(FromRegisterChar(uint8_t(c), m_style.Charset)));
        return FromCodePage(windows, m_style.Charset);
    }

    QStringList Lines;

    void Add(const QString& line) { Lines << line; }
    void Pair(const QString& label, const QString& value) { Lines << label + Tab + value; }

  private:
    const ReportStyle& m_style;
};

} // namespace

QString TaxLetter(int group, const ReportStyle& style) {
    const char letter = char(TaxLetterBytes.at(size_t(group)));
    return style.RegisterFont ? QString(QLatin1Char(letter))
                              : FromCodePage(QByteArrayView(&letter, 1), style.Charset);
}

QStringList ShortReportLines(uint8_t code, size_t received, size_t expected, const ReportStyle& style) {
    return {R::ShortReport.Text(style.Language)
                .arg(QString(QLatin1Char(char(code))), QString::number(received), QString::number(expected))};
}

QStringList FormatTaxReport(const TaxReport& report, const ReportStyle& style) {
    Writer w(style);
    w.Add(w.Text(R::DailySalesPerTax));
    for (int i = 0; i < int(ReportGroups); ++i)
        w.Add(w.Text(R::Tax) + QLatin1Char(' ') + TaxLetter(i, style) + Tab +
              Right(w.Amount(report.TaxGroups[size_t(i)].Turnover), 12));
    w.Add(QString());
    return w.Lines;
}

QStringList FormatDepartmentReport(const DepartmentReport& report, const ReportStyle& style) {
    Writer w(style);
    w.Add(w.Text(R::DailySalesPerDepartment));
    for (size_t i = 0; i < ReportGroups; ++i)
        w.Add(w.Text(R::Department) + QStringLiteral(" %1").arg(i + 1) + Tab +
              Right(w.Amount(report.Departments[i].Turnover), 12));
    for (size_t i = 0; i < ReportGroups; ++i)
        w.Add(w.Text(R::Sales) + QStringLiteral(" %1").arg(i + 1) + Tab +
              QString::number(report.Departments[i].SalesCount));
    w.Add(QString());
    return w.Lines;
}

QStringList FormatStatusReport(const StatusReport& report, const ReportStyle& style) {
    Writer w(style);
    w.Add(w.Text(R::DailyStatusChanges));
    w.Add(QString::fromLatin1(Captions::SeparatorLine));
    w.Pair(w.Text(R::VatChanges), QString::number(report.VatChanges));
    w.Pair(w.Text(R::NumberOfResets), QString::number(report.ResetCount));
    w.Pair(w.Text(R::HeaderChanges), QString::number(report.HeaderChanges));
    w.Pair(w.Text(R::TotalReceipts), QString::number(report.ReceiptCount));
    w.Pair(w.Text(R::CRNumber), QString::number(report.CrNumber));
    w.Pair(w.Text(R::FiscalId), w.RegisterText(report.FiscalId));
    w.Pair(w.Text(R::DepartmentAssociation), w.Raw(report.DepartmentAssociation));
    w.Add(QString());
    return w.Lines;
}

QStringList FormatPluReport(const PluReport& report, const ReportStyle& style, const PluTable& table) {
    if (report.Sold == 0)
        return {};
    Writer w(style);
    QString description;
    QString price;
    bool decimal = false;
    if (PluTable::Contains(report.Plu)) {
        const PluRecord& record = table[report.Plu];
        description = FromCodePage(record.DescriptionText(), style.Charset);
        price = FormatAmount(record.Price, style.DecimalSeparator);
        // Weighed by its flag or by its unit, as the database grid counts its
        // stock: an entry whose unit is kg but whose flag was never set
        // showed 10162 for 10.162 kg.
        decimal = (record.Flags & FlagDecimalQty) != 0 || (record.Unit >= 1 && record.Unit < UnitCount);
    }
    const auto quantity = [&](int v) {
        if (!decimal)
            return QString::number(v);
        return QStringLiteral("%1%2%3")
            .arg(v / 1000)
            .arg(style.DecimalSeparator)
            .arg(v % 1000, 3, 10, QLatin1Char('0'));
    };
    w.Add(Right(QString::number(report.Plu), 8) + Tab + Right(description, 13) + Tab + Right(price, 12) +
          Tab + Right(quantity(report.Sold), 8) + Tab + Right(quantity(report.Stock), 12) + Tab +
          Right(w.Amount(report.Total), 12));
    return w.Lines;
}

QStringList FormatOperatorReport(const OperatorReport& report, const ReportStyle& style) {
    Writer w(style);
    const auto amount = [&](Hundredths value) { return Right(w.Amount(value), 12); };
    w.Add(w.Text(R::DailyOperatorStatistics));
    w.Add(QString::fromLatin1(Captions::SeparatorLine));
    w.Pair(w.Text(R::OperatorPassword),
           report.PasswordProgrammed ? QStringLiteral("****") : w.Text(R::NonProgrammed));
    w.Pair(w.Text(R::Cash), amount(report.Cash));
    w.Pair(w.Text(R::Cheque), amount(report.Cheque));
    w.Pair(w.Text(R::Card), amount(report.Card));
    w.Pair(w.Text(R::Total), amount(report.Total));
    w.Pair(w.Text(R::Drawer), Right(QString::number(report.DrawerOpenings), 12));
    w.Pair(w.Text(R::Receipts), QString::number(report.ReceiptCount));
    w.Pair(w.Text(R::Correction), amount(report.CorrectionAmount));
    w.Pair(w.Text(R::Corrections), QString::number(report.CorrectionCount));
    const auto moves = [&](const TwinCaption& title, const CashMovement& m) {
        w.Add(w.Text(title));
        w.Pair(w.Text(R::ChequeAmount), amount(m.ChequeAmount));
        w.Pair(w.Text(R::Cheques), QString::number(m.ChequeCount));
        w.Pair(w.Text(R::CashAmount), amount(m.CashAmount));
        w.Pair(w.Text(R::Cashes), QString::number(m.CashCount));
        w.Pair(w.Text(R::CardAmount), amount(m.CardAmount));
        w.Pair(w.Text(R::Cards), QString::number(m.CardCount));
    };
    moves(R::PayIn, report.PayIn);
    moves(R::PayOut, report.PayOut);
    w.Add(QString());
    return w.Lines;
}

QStringList FormatLastZReport(const LastZReport& report, const ReportStyle& style) {
    Writer w(style);
    const QString blanks(5, QLatin1Char(' '));
    const RegisterDateTime& date = report.Date;
    w.Add(w.Text(R::LastZReport));
    w.Add(QString::fromLatin1(Captions::SeparatorLine));
    w.Add(QStringLiteral("Z Record\t%1").arg(report.ZNumber));
    w.Add(w.Text(R::Date) + Tab + date.Day + QLatin1Char('/') + date.Month + QLatin1Char('/') + date.Year +
          blanks + w.Text(R::Time) + Tab + date.Hour + QLatin1Char(':') + date.Minute);
    w.Pair(w.Text(R::NumberOfResets), QString::number(report.ResetCount));
    if (report.ResetType != 0) {
        const RegisterDateTime& reset = report.ResetDate;
        w.Pair(w.Text(R::ResetType), QStringLiteral("0x%1").arg(report.ResetType, 0, 16));
        w.Add(w.Text(R::ResetDate) + Tab + reset.Day + QLatin1Char('/') + reset.Month +
              QStringLiteral("/20") + reset.Year + blanks + w.Text(R::Time) + Tab + reset.Hour +
              QLatin1Char(':') + reset.Minute);
    }
    w.Pair(w.Text(R::HeaderChanges), QString::number(report.HeaderChanges));
    w.Pair(w.Text(R::TotalReceipts), QString::number(report.ReceiptCount));
    w.Add(Hyphens);
    for (int i = 0; i < int(ReportGroups); ++i)
        w.Add(w.Text(R::ProgrSum) + QLatin1Char(' ') + TaxLetter(i, style) + Tab +
              Right(w.Amount(report.TaxGroups[size_t(i)].Turnover), 15));
    w.Add(Hyphens);
    for (int i = 0; i < int(ReportGroups); ++i)
        w.Add(w.Text(R::ProgrSum) + QLatin1Char(' ') + w.Text(R::Tax) + QLatin1Char(' ') +
              TaxLetter(i, style) + Tab + Right(w.Amount(report.TaxGroups[size_t(i)].Tax), 15));
    w.Add(Hyphens);
    return w.Lines;
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
