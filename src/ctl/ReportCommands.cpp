#include "ctl/CtlRun.h"

#include "common/Captions.h"
#include "database/PluTable.h"
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
        if (!OnlyOptions({}))
            return CtlUsage;
        if (w.size() != 2)
            return Usage(QStringLiteral("report %1 takes no arguments").arg(kind));
    } else if (kind == QLatin1String("plu")) {
        if (!OnlyOptions({"--db"}))
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
    } else if (kind == QLatin1String("operator")) {
        if (!OnlyOptions({}))
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
        PrintLines(lines);
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
    return PrintLines(lines);
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
