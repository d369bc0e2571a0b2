#include "ctl/CtlRun.h"

#include "common/Captions.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "reports/ReportDecoder.h"
#include "reports/ReportFormatter.h"
#include "sales/StatusReplies.h"
#include "session/RegisterSession.h"

int CtlRun::Report() {
    // What is connected here ends with the command; the session lives on.
    QObject scope;
    const QStringList& w = m_line.Words;
    static const QStringList daily{QStringLiteral("vat"), QStringLiteral("dept"), QStringLiteral("status"),
                                   QStringLiteral("last-z")};
    const QString kind = w.value(1);
    m_command += QLatin1Char(' ') + kind;
    const qsizetype dailyIndex = daily.indexOf(kind);
    std::optional<int> first, last, operatorNumber;
    if (dailyIndex >= 0) {
        if (!OnlyOptions({"--format"}))
            return CtlUsage;
        if (w.size() != 2)
            return Usage(QStringLiteral("report %1 takes no arguments").arg(kind));
    } else if (kind == QLatin1String("plu")) {
        if (!OnlyOptions({"--db", "--format"}))
            return CtlUsage;
        if (w.size() != 4)
            return Usage(QStringLiteral("report plu takes FROM and TO"));
        first = Number(w[2]);
        last = Number(w[3]);
        if (!first || !last || !PluTable::Contains(*first) || !PluTable::Contains(*last) || *first > *last)
            return Usage(QStringLiteral("report plu takes PLU numbers 0 to %1, FROM not above TO")
                             .arg(PluTable::Size - 1));
        if (!LoadTable())
            return CtlFailed;
        bool anyActive = false;
        for (int n = *first; n <= *last && !anyActive; ++n)
            anyActive = (Table()[n].Flags & FlagActive) != 0;
        // A run that asked the register nothing is no report of sales.
        if (!anyActive)
            return FailFile(
                DatabasePath(),
                QStringLiteral("no PLU from %1 to %2 is active; nothing was asked").arg(*first).arg(*last));
    } else if (kind == QLatin1String("operator")) {
        if (!OnlyOptions({"--format"}))
            return CtlUsage;
        if (w.size() != 3)
            return Usage(QStringLiteral("report operator takes N"));
        operatorNumber = Number(w[2]);
        if (!operatorNumber || *operatorNumber < 1 || *operatorNumber > Operators)
            return Usage(QStringLiteral("report operator takes an operator 1 to %1").arg(Operators));
    } else {
        return Usage(QStringLiteral("report takes vat, dept, status, last-z, plu or operator"));
    }
    if (!StartLink())
        return CtlFailed;

    DailyReports& reports = m_session->Reports();
    reports.SetRegisterFontQuery([] { return false; });
    QStringList lines;
    QList<QByteArray> payloads;
    QObject::connect(&reports, &DailyReports::ReportReceived, &scope,
                     [&](const QByteArray& payload) { payloads << payload; });
    bool replied = false;
    QObject::connect(&reports, &DailyReports::LinesDecoded, &scope, [&](const QStringList& decoded) {
        lines << decoded;
        replied = true;
    });

    if (first) {
        ProgressLine progress(m_context);
        PluStatSeries& series = m_session->PluSeries();
        std::optional<PluStatSeries::End> end;
        QObject::connect(&series, &PluStatSeries::Progress, &scope,
                         [&](int done, int total, qint64 msLeft) { progress.Show(done, total, msLeft); });
        QObject::connect(&series, &PluStatSeries::Finished, &scope, [&](PluStatSeries::End e) { end = e; });
        if (!series.Start(*first, *last))
            return FailPort();
        m_onInterrupt = [&] { series.Stop(); };
        // The series ends by itself: each PLU has its time-out and a silent register stops it.
        RunUntil([&] { return end.has_value() || m_interrupted; }, -1);
        m_onInterrupt = {};
        progress.Finish();
        PrintReport(lines, payloads);
        if (m_interrupted)
            return Fail(
                QStringLiteral("interrupted after %1 of %2 PLUs").arg(series.Done()).arg(series.Total()));
        if (*end == PluStatSeries::End::NoResponse)
            return Fail(Captions::Link::NoResponse.Text());
        // A PLU whose reply was lost or corrupt is missing from the lines above.
        if (!series.Unanswered().empty())
            return Fail(UnansweredPlusLine(series.Unanswered(), reports.Style()));
        return CtlSuccess;
    }

    const bool sent =
        operatorNumber
            ? reports.RequestOperator(*operatorNumber)
            : reports.RequestReport(uint8_t(TaxReportCode + dailyIndex + (dailyIndex == 3 ? 2 : 0)));
    if (!sent)
        return FailPort();
    RunUntil([&] { return replied || Dispatcher().ExpectedReply() == 0 || m_interrupted; }, ReplyWaitMs());
    if (!replied && m_interrupted)
        return Fail(QStringLiteral("interrupted"));
    if (!replied)
        return Fail(Captions::Link::NoResponse.Text());
    return PrintReport(lines, payloads);
}

namespace {

QVariantList CashFields(const CashMovement& m) {
    return {Amount(m.CashAmount), m.CashCount,          Amount(m.ChequeAmount),
            m.ChequeCount,        Amount(m.CardAmount), m.CardCount};
}

QStringList CashKeys(const QString& prefix) {
    QStringList keys;
    for (const char* k : {"cash", "cash_count", "cheque", "cheque_count", "card", "card_count"})
        keys << prefix + QLatin1String(k);
    return keys;
}

// The keys of each report's records, there even when no record came (a PLU
// report over PLUs that sold nothing): a script's CSV always has its header.
QStringList ReportKeys(const QString& command) {
    if (command == QLatin1String("report vat"))
        return {QStringLiteral("group"), QStringLiteral("tax_letter"), QStringLiteral("turnover")};
    if (command == QLatin1String("report dept"))
        return {QStringLiteral("department"), QStringLiteral("turnover"), QStringLiteral("sales")};
    if (command == QLatin1String("report status"))
        return {QStringLiteral("vat_changes"),          QStringLiteral("resets"),
                QStringLiteral("header_changes"),       QStringLiteral("receipts"),
                QStringLiteral("register_number"),      QStringLiteral("fiscal_id"),
                QStringLiteral("department_tax_groups")};
    if (command == QLatin1String("report plu"))
        return {QStringLiteral("plu"),  QStringLiteral("description"), QStringLiteral("price"),
                QStringLiteral("sold"), QStringLiteral("stock"),       QStringLiteral("total")};
    if (command == QLatin1String("report operator"))
        return QStringList{QStringLiteral("operator"),
                           QStringLiteral("password_programmed"),
                           QStringLiteral("cash"),
                           QStringLiteral("cheque"),
                           QStringLiteral("card"),
                           QStringLiteral("total"),
                           QStringLiteral("drawer_openings"),
                           QStringLiteral("receipts"),
                           QStringLiteral("corrections"),
                           QStringLiteral("correction_count")} +
               CashKeys(QStringLiteral("pay_in_")) + CashKeys(QStringLiteral("pay_out_"));
    QStringList keys{QStringLiteral("z_number"), QStringLiteral("date"), QStringLiteral("time")};
    // Tax groups by number: the letters differ with the charset.
    for (int i = 1; i <= int(ReportGroups); ++i)
        keys << QStringLiteral("turnover_%1").arg(i) << QStringLiteral("tax_%1").arg(i);
    keys << QStringLiteral("receipts") << QStringLiteral("resets") << QStringLiteral("reset_type")
         << QStringLiteral("reset_date") << QStringLiteral("header_changes");
    return keys;
}

QString DateOf(const RegisterDateTime& d) {
    return QStringLiteral("%1-%2-%3").arg(d.Year, d.Month, d.Day);
}

} // namespace

int CtlRun::PrintReport(const QStringList& lines, const QList<QByteArray>& payloads) {
    if (m_format == OutputFormat::Text)
        return PrintLines(lines);
    ReportStyle style = m_session->Reports().Style();
    style.RegisterFont = false;
    Records records{ReportKeys(m_command), {}};
    for (const QByteArray& bytes : payloads) {
        const std::span<const uint8_t> payload(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                               size_t(bytes.size()));
        switch (payload[0]) {
        case TaxReportCode:
            if (const auto r = DecodeTaxReport(payload)) {
                for (int i = 0; i < int(ReportGroups); ++i)
                    records.Add({i + 1, TaxLetter(i, style), Amount(r->TaxGroups[size_t(i)].Turnover)});
            }
            break;
        case DepartmentReportCode:
            if (const auto r = DecodeDepartmentReport(payload)) {
                for (int i = 0; i < int(ReportGroups); ++i)
                    records.Add({i + 1, Amount(r->Departments[size_t(i)].Turnover),
                                 r->Departments[size_t(i)].SalesCount});
            }
            break;
        case StatusReportCode:
            if (const auto r = DecodeStatusReport(payload)) {
                QByteArray id;
                for (const char c : r->FiscalId)
                    id.append(char(FromRegisterChar(uint8_t(c), style.Charset)));
                records.Add({r->VatChanges, r->ResetCount, r->HeaderChanges, r->ReceiptCount, r->CrNumber,
                             FromCodePage(id, style.Charset),
                             FromCodePage(r->DepartmentAssociation, style.Charset)});
            }
            break;
        case PluReportCode:
            if (const auto r = DecodePluReport(payload)) {
                const bool known = PluTable::Contains(r->Plu);
                const PluRecord entry = known ? Table()[r->Plu] : PluRecord{};
                // Thousandths where the PC's table says the PLU sells by weight.
                const bool decimal = (entry.Flags & FlagDecimalQty) != 0;
                const auto quantity = [&](int q) { return decimal ? QVariant(q / 1000.0) : QVariant(q); };
                records.Add({r->Plu, FromCodePage(entry.DescriptionText(), style.Charset),
                             known ? QVariant(entry.Price) : QVariant(), quantity(r->Sold),
                             quantity(r->Stock), Amount(r->Total)});
            }
            break;
        case OperatorReportCode:
            if (const auto r = DecodeOperatorReport(payload)) {
                records.Add(QVariantList{Number(m_line.Words.value(2)).value_or(0), r->PasswordProgrammed,
                                         Amount(r->Cash), Amount(r->Cheque), Amount(r->Card),
                                         Amount(r->Total), r->DrawerOpenings, r->ReceiptCount,
                                         Amount(r->CorrectionAmount), r->CorrectionCount} +
                            CashFields(r->PayIn) + CashFields(r->PayOut));
            }
            break;
        case LastZReportCode:
            if (const auto r = DecodeLastZReport(payload)) {
                QVariantList row{r->ZNumber, DateOf(r->Date),
                                 QStringLiteral("%1:%2").arg(r->Date.Hour, r->Date.Minute)};
                for (const TaxGroupTotals& t : r->TaxGroups)
                    row << Amount(t.Turnover) << Amount(t.Tax);
                row << r->ReceiptCount << r->ResetCount << r->ResetType
                    << (r->ResetType == 0 ? QVariant() : QVariant(DateOf(r->ResetDate))) << r->HeaderChanges;
                records.Add(row);
            }
            break;
        default:
            break;
        }
    }
    return PrintRecords(records);
}

int CtlRun::ZReport() {
    // What is connected here ends with the command; the session lives on.
    QObject scope;
    DailyReports& reports = m_session->Reports();
    std::optional<QString> result;
    bool unanswered = false;
    QObject::connect(&reports, &DailyReports::ZReportFinished, &scope,
                     [&](quint8, const QString& line) { result = line; });
    QObject::connect(&reports, &DailyReports::ZReportUnanswered, &scope, [&] { unanswered = true; });
    if (!reports.RunZReport())
        return FailPort();
    // The Z report's own time-out ends the wait when the register stays silent.
    RunUntil([&] { return result.has_value() || unanswered || m_interrupted; }, -1);
    if (!result && m_interrupted)
        return Fail(
            QStringLiteral("interrupted before the register answered; it may still run the Z report"));
    if (!result)
        return Fail(Captions::Link::NoResponse.Text());
    if (!result->isEmpty())
        return Fail(*result);
    m_context.Out << Captions::Reports::ZDone.Text() << "\n";
    return CtlSuccess;
}
