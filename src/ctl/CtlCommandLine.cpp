#include "ctl/CtlCommandLine.h"

namespace {

constexpr CommandHelp Commands[] = {
    {"clock", "clock [--format text|json|csv]", "Prints the register's date and time."},
    {"plu read", "plu read FROM TO [--db FILE] [--format text|json|csv]",
     "Reads PLUs FROM to TO from the register into the database (pludb.dat in the working directory "
     "unless --db names another file) and prints them, one tab-separated line each."},
    {"plu write", "plu write FROM TO [--scope stock|constant|both] [--active] [--db FILE]",
     "Writes PLUs FROM to TO of the database to the register: the stock, the constant fields or both "
     "(the default); with --active only the PLUs active in the database."},
    {"report",
     "report vat|dept|status|last-z | report plu FROM TO [--db FILE] | report operator N "
     "[--format text|json|csv]",
     "Prints a daily report of the register, the same lines as the Reports page. A PLU report asks "
     "for the PLUs of the range that are active in the database; operators are 1 to 15."},
    {"export", "export FILE|- [FROM TO] [--db FILE]",
     "Writes PLUs FROM to TO of the database (all of them by default) to a spreadsheet, .xlsx or .csv "
     "by the name's extension, in the columns of Database > Export; - writes CSV to stdout. The file is "
     "written whole or not at all, only over a regular file (through a link to one), with the mode the "
     "umask gives a new file."},
    {"import", "import FILE [--db FILE]",
     "Takes the PLUs of a spreadsheet (.xlsx, .xlsm, .ods, .xls, .csv) into the database, as "
     "Database > Import does, and prints what was taken and what was skipped. Talks to no register."},
    {"monitor", "monitor [--db FILE] [--format text|json|csv]",
     "Prints the sales journal lines as the register sends them and answers the register's PLU requests "
     "from the database, until interrupted (SIGINT or SIGTERM). With --format json or csv, each journal "
     "record's fields instead, one JSON object or CSV row a line (CSV under a header line), the same in "
     "every language."},
    {"detect", "detect",
     "Looks for the register: asks each serial device (what COM1 to COM4 stand for and every device the "
     "system detects; only DEV with --port) for the clock at 9600, 19200 and 38400 bit/s and prints, one "
     "line each, the speed it answers at, no answer, or why it cannot be opened. A device is sent "
     "nothing but the clock request. Fails when no register answers."},
    {"z-report", "z-report --yes",
     "Runs the Z report, which closes the register's day. Refused without --yes."},
    {"history",
     "history summary --from DATE --to DATE [--register N] [--format json|csv] | history backup FILE",
     "Reads the sales history of the data folder (--data-dir, the working directory otherwise) or of the "
     "server --history names: the receipts and turnover of the days FROM to TO by the registers' own dates, "
     "or a whole copy of the SQLite history written to FILE. Talks to no register."},
};

// Options that take a value; the others are switches.
const QStringList ValueOptions{
    QStringLiteral("--port"), QStringLiteral("--speed"), QStringLiteral("--db"), QStringLiteral("--scope"),
    QStringLiteral("--lang"), QStringLiteral("--timeout"), QStringLiteral("--charset"),
    QStringLiteral("--trace"), QStringLiteral("--format"),
    // the sales history
    QStringLiteral("--data-dir"), QStringLiteral("--history"), QStringLiteral("--from"),
    QStringLiteral("--to"), QStringLiteral("--register"), QStringLiteral("--shop")};
const QStringList SwitchOptions{QStringLiteral("--simulate"), QStringLiteral("--active"),
                                QStringLiteral("--yes"),      QStringLiteral("--help"),
                                QStringLiteral("-h"),         QStringLiteral("--version"),
                                QStringLiteral("--create")};

} // namespace

const std::span<const CommandHelp> CtlCommands() {
    return Commands;
}

std::optional<int> Number(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

CommandLine ParseCommandLine(const QStringList& args, QString& error) {
    CommandLine line;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size() && error.isEmpty(); ++i) {
        QString arg = args[i];
        QString value;
        // After "--" every argument is a word, a file named "-x" too.
        if (optionsEnded) {
            line.Words << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const bool option = arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-") && !Number(arg);
        if (!option) {
            line.Words << arg;
            continue;
        }
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            value = arg.mid(eq + 1);
            arg.truncate(eq);
            if (!ValueOptions.contains(arg))
                error = QStringLiteral("%1 takes no value").arg(arg);
            else if (value.isEmpty())
                error = QStringLiteral("%1 needs a value").arg(arg);
        } else if (ValueOptions.contains(arg)) {
            if (i + 1 >= args.size())
                error = QStringLiteral("%1 needs a value").arg(arg);
            else if ((value = args[++i]).isEmpty())
                error = QStringLiteral("%1 needs a value").arg(arg);
        } else if (!SwitchOptions.contains(arg)) {
            error = QStringLiteral("unknown option %1").arg(arg);
        }
        if (error.isEmpty() && line.Options.contains(arg))
            error = QStringLiteral("%1 given twice").arg(arg);
        line.Options.insert(arg, value);
    }
    return line;
}
