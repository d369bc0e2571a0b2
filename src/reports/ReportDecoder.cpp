#include "reports/ReportDecoder.h"

#include "protocol/Converts.h"
#include "reports/ReportLayouts.h"

#include <QByteArray>

namespace {

// A payload already checked against its layout's length.
class Fields {
  public:
    explicit Fields(std::span<const uint8_t> payload) : m_p(payload) {}
    [[nodiscard]] int Byte(ReplyField f) const { return m_p[f.At]; }
    [[nodiscard]] uint64_t Bcd(ReplyField f) const { return BcdToInt64(Span(f)); }
    [[nodiscard]] int Count(ReplyField f) const { return int(Bcd(f)); }
    [[nodiscard]] int Le16(ReplyField f) const { return m_p[f.At] | (m_p[f.At + 1] << 8); }
    [[nodiscard]] QString Digits(ReplyField f) const { return BcdToDigitText(Span(f)); }
    // The register pads its texts with NULs, and whatever follows the first is not text.
    [[nodiscard]] QByteArray Text(ReplyField f) const {
        const auto bytes = Span(f);
        QByteArray text;
        for (const uint8_t c : bytes) {
            if (c == 0)
                break;
            text.append(char(c));
        }
        return text;
    }

  private:
    [[nodiscard]] std::span<const uint8_t> Span(ReplyField f) const { return m_p.subspan(f.At, f.Width); }

    std::span<const uint8_t> m_p;
};

// Four BCD bytes reach at most 166666665 with nibbles A-F counting 10-15, so
// Count never wraps for the counters and quantities it reads.
static_assert(DepartmentLayout::SalesCount.Width <= 4 && StatusLayout::ReceiptCount.Width <= 4 &&
              OperatorLayout::DrawerOpenings.Width <= 4 && OperatorLayout::ReceiptCount.Width <= 4 &&
              OperatorLayout::CorrectionCount.Width <= 4 && OperatorLayout::ChequeCount.Width <= 4 &&
              OperatorLayout::CashCount.Width <= 4 && OperatorLayout::CardCount.Width <= 4 &&
              LastZLayout::ReceiptCount.Width <= 4 && PluLayout::Sold.Width <= 4 &&
              PluLayout::Stock.Width <= 4);

// A layout's length is checked once, before anything is read.
template <typename Report, typename Body>
std::optional<Report> Decode(size_t length, std::span<const uint8_t> payload, Body decode) {
    if (payload.size() < length)
        return std::nullopt;
    Report report;
    decode(Fields(payload), report);
    return report;
}

CashMovement Movement(const Fields& f, size_t at) {
    namespace O = OperatorLayout;
    const auto in = [at](ReplyField field) { return ReplyField{at + field.At, field.Width}; };
    CashMovement m;
    m.ChequeAmount = f.Bcd(in(O::ChequeAmount));
    m.ChequeCount = f.Count(in(O::ChequeCount));
    m.CashAmount = f.Bcd(in(O::CashAmount));
    m.CashCount = f.Count(in(O::CashCount));
    m.CardAmount = f.Bcd(in(O::CardAmount));
    m.CardCount = f.Count(in(O::CardCount));
    return m;
}

// A short reply still gets its one line: the user sees that it came and why it is not shown.
template <typename Report, typename Format>
QStringList Dump(uint8_t code, std::span<const uint8_t> payload, const ReportStyle& style,
                 std::optional<Report> (*decode)(std::span<const uint8_t>), Format format) {
    if (const std::optional<Report> report = decode(payload))
        return format(*report);
    return ShortReportLines(code, payload.size(), ReportLength(code), style);
}

} // namespace

bool IsReportCode(uint8_t code) {
    return code >= TaxReportCode && code <= LastZReportCode;
}

size_t ReportLength(uint8_t code) {
    switch (code) {
    case TaxReportCode:
        return TaxLayout::Length;
    case DepartmentReportCode:
        return DepartmentLayout::Length;
    case StatusReportCode:
        return StatusLayout::Length;
    case PluReportCode:
        return PluLayout::Length;
    case OperatorReportCode:
        return OperatorLayout::Length;
    case LastZReportCode:
        return LastZLayout::Length;
    default:
        return 0;
    }
}

std::optional<TaxReport> DecodeTaxReport(std::span<const uint8_t> payload) {
    namespace L = TaxLayout;
    return Decode<TaxReport>(L::Length, payload, [](const Fields& f, TaxReport& r) {
        for (size_t i = 0; i < ReportGroups; ++i)
            r.TaxGroups[i].Turnover = f.Bcd(L::Turnover.Nth(i, L::Stride));
    });
}

std::optional<DepartmentReport> DecodeDepartmentReport(std::span<const uint8_t> payload) {
    namespace L = DepartmentLayout;
    return Decode<DepartmentReport>(L::Length, payload, [](const Fields& f, DepartmentReport& r) {
        for (size_t i = 0; i < ReportGroups; ++i) {
            r.Departments[i].Turnover = f.Bcd(L::Turnover.Nth(i, L::TurnoverStride));
            r.Departments[i].SalesCount = f.Count(L::SalesCount.Nth(i, L::SalesCountStride));
        }
    });
}

std::optional<StatusReport> DecodeStatusReport(std::span<const uint8_t> payload) {
    namespace L = StatusLayout;
    return Decode<StatusReport>(L::Length, payload, [](const Fields& f, StatusReport& r) {
        r.VatChanges = f.Byte(L::VatChanges);
        r.ResetCount = f.Byte(L::ResetCount);
        r.HeaderChanges = f.Byte(L::HeaderChanges);
        r.ReceiptCount = f.Count(L::ReceiptCount);
        r.CrNumber = f.Byte(L::CrNumber);
        r.FiscalId = f.Text(L::FiscalId);
        r.DepartmentAssociation = f.Text(L::DepartmentAssociation);
    });
}

std::optional<PluReport> DecodePluReport(std::span<const uint8_t> payload) {
    namespace L = PluLayout;
    return Decode<PluReport>(L::Length, payload, [](const Fields& f, PluReport& r) {
        r.Plu = f.Le16(L::Number);
        r.Sold = f.Count(L::Sold);
        r.Stock = f.Count(L::Stock);
        r.Total = f.Bcd(L::Total);
    });
}

std::optional<OperatorReport> DecodeOperatorReport(std::span<const uint8_t> payload) {
    namespace L = OperatorLayout;
    return Decode<OperatorReport>(L::Length, payload, [](const Fields& f, OperatorReport& r) {
        // FF FF is the register's blank password.
        r.PasswordProgrammed = f.Le16(L::Password) != 0xFFFF;
        r.Cash = f.Bcd(L::Cash);
        r.Cheque = f.Bcd(L::Cheque);
        r.Card = f.Bcd(L::Card);
        r.Total = f.Bcd(L::Total);
        r.DrawerOpenings = f.Count(L::DrawerOpenings);
        r.ReceiptCount = f.Count(L::ReceiptCount);
        r.CorrectionAmount = f.Bcd(L::CorrectionAmount);
        r.CorrectionCount = f.Count(L::CorrectionCount);
        r.PayIn = Movement(f, L::PayIn);
        r.PayOut = Movement(f, L::PayOut);
    });
}

std::optional<LastZReport> DecodeLastZReport(std::span<const uint8_t> payload) {
    namespace L = LastZLayout;
    return Decode<LastZReport>(L::Length, payload, [](const Fields& f, LastZReport& r) {
        r.ZNumber = f.Le16(L::ZNumber);
        r.Date = {f.Digits(L::Day), f.Digits(L::Month), f.Digits(L::Year), f.Digits(L::Hour),
                  f.Digits(L::Minute)};
        for (size_t i = 0; i < ReportGroups; ++i) {
            r.TaxGroups[i].Turnover = f.Bcd(L::Turnover.Nth(i, L::Stride));
            r.TaxGroups[i].Tax = f.Bcd(L::Tax.Nth(i, L::Stride));
        }
        r.ReceiptCount = f.Count(L::ReceiptCount);
        r.ResetCount = f.Byte(L::ResetCount);
        r.ResetType = f.Byte(L::ResetType);
        r.ResetDate = {f.Digits(L::ResetDay), f.Digits(L::ResetMonth), f.Digits(L::ResetYear),
                       f.Digits(L::ResetHour), f.Digits(L::ResetMinute)};
        r.HeaderChanges = f.Byte(L::HeaderChanges) & 0x7F;
    });
}

std::optional<int> ReportedPlu(std::span<const uint8_t> payload) {
    if (payload.size() < PluLayout::Number.End() || payload[0] != PluReportCode)
        return std::nullopt;
    return Fields(payload).Le16(PluLayout::Number);
}

QStringList DumpDailyVAT(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Dump(TaxReportCode, payload, style, &DecodeTaxReport,
                [&](const TaxReport& r) { return FormatTaxReport(r, style); });
}

QStringList DumpDailyDept(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Dump(DepartmentReportCode, payload, style, &DecodeDepartmentReport,
                [&](const DepartmentReport& r) { return FormatDepartmentReport(r, style); });
}

QStringList DumpDailyStatus(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Dump(StatusReportCode, payload, style, &DecodeStatusReport,
                [&](const StatusReport& r) { return FormatStatusReport(r, style); });
}

QStringList DumpDailyPLU(std::span<const uint8_t> payload, const ReportStyle& style, const PluTable& table) {
    return Dump(PluReportCode, payload, style, &DecodePluReport,
                [&](const PluReport& r) { return FormatPluReport(r, style, table); });
}

QStringList DumpDailyOper(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Dump(OperatorReportCode, payload, style, &DecodeOperatorReport,
                [&](const OperatorReport& r) { return FormatOperatorReport(r, style); });
}

QStringList DumpLastZ(std::span<const uint8_t> payload, const ReportStyle& style) {
    return Dump(LastZReportCode, payload, style, &DecodeLastZReport,
                [&](const LastZReport& r) { return FormatLastZReport(r, style); });
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
