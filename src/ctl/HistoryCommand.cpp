#include "ctl/HistoryCommand.h"

#include "history/HistorySummary.h"
#include "history/HistoryTarget.h"

#include <QDir>
#include <QFileInfo>

namespace {

int Usage(CtlContext& context, const QString& why) {
    context.Err << "orvexctl: " << why << "\n"
                << "usage: orvexctl [--data-dir DIR] [--history URL] history summary --from YYYY-MM-DD "
                   "--to YYYY-MM-DD [--register N|FISCALID] [--format json|csv]\n"
                << "       orvexctl [--data-dir DIR] [--history URL] history backup FILE\n";
    return CtlUsage;
}

int Fail(CtlContext& context, const QString& command, const QString& what) {
    context.Err << "orvexctl history " << command << ": " << what << "\n";
    return CtlFailed;
}

bool OnlyOptions(const CommandLine& line, const QStringList& allowed, QString& refused) {
    for (auto it = line.Options.cbegin(); it != line.Options.cend(); ++it) {
        if (!allowed.contains(it.key()) && it.key() != QLatin1String("--lang")) {
            refused = it.key();
            return false;
        }
    }
    return true;
}

} // namespace

QString HistoryDataDirectory(const CommandLine& line) {
    QString dir = line.Has("--data-dir") ? line.Value("--data-dir") : QDir::currentPath();
    if (dir == QLatin1String("~") || dir.startsWith(QLatin1String("~/")))
        dir = QDir::homePath() + dir.mid(1);
    return QFileInfo(dir).absoluteFilePath();
}

int RunHistoryCommand(const CommandLine& line, CtlContext& context) {
    const QString command = line.Words.value(1);
    if (command != QLatin1String("summary") && command != QLatin1String("backup"))
        return Usage(context, QStringLiteral("history takes summary or backup"));
    if (line.Has("--data-dir") && line.Value("--data-dir").isEmpty())
        return Usage(context, QStringLiteral("--data-dir needs a folder"));
    HistoryTarget target;
    QString error;
    if (!ParseHistoryTarget(line.Value("--history"), HistoryDataDirectory(line), target, error))
        return Usage(context, QStringLiteral("--history: %1").arg(error));

    QString refused;
    if (command == QLatin1String("backup")) {
        if (!OnlyOptions(line, {"--data-dir", "--history"}, refused))
            return Usage(context, QStringLiteral("history backup does not take %1").arg(refused));
        if (line.Words.size() != 3)
            return Usage(context, QStringLiteral("history backup takes one FILE"));
        const QString file = QFileInfo(line.Words[2]).absoluteFilePath();
        if (!BackupHistory(target, file, error))
            return Fail(context, command, error);
        context.Out << "history backed up to " << file << "\n";
        return CtlSuccess;
    }

    if (!OnlyOptions(line, {"--data-dir", "--history", "--from", "--to", "--register", "--format"}, refused))
        return Usage(context, QStringLiteral("history summary does not take %1").arg(refused));
    if (line.Words.size() != 2)
        return Usage(context, QStringLiteral("history summary takes no words after it, only options"));
    const QDate from = QDate::fromString(line.Value("--from"), Qt::ISODate);
    const QDate to = QDate::fromString(line.Value("--to"), Qt::ISODate);
    if (!from.isValid() || !to.isValid())
        return Usage(context, QStringLiteral("history summary needs --from and --to as YYYY-MM-DD"));
    if (to < from)
        return Usage(context, QStringLiteral("--to %1 is before --from %2")
                                  .arg(to.toString(Qt::ISODate), from.toString(Qt::ISODate)));
    const QString format = line.Has("--format") ? line.Value("--format") : QStringLiteral("json");
    if (format != QLatin1String("json") && format != QLatin1String("csv"))
        return Usage(context, QStringLiteral("--format takes json or csv, not %1").arg(format));
    const auto summary = SummariseHistory(target, from, to, line.Value("--register"), error);
    if (!summary)
        return Fail(context, command, error);
    if (!summary->RegisterKnown)
        return Fail(context, command,
                    QStringLiteral("%1: no register %2 in the history")
                        .arg(target.Display(), line.Value("--register")));
    context.Out << (format == QLatin1String("csv") ? SummaryCsv(*summary) : SummaryJson(*summary) + "\n");
    return CtlSuccess;
}
