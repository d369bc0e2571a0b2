#include "ctl/CtlRun.h"

#include "ctl/HistoryCommand.h"

#include "common/ProgramVersion.h"
#include "common/SafeFile.h"
#include "common/ShellSettings.h"
#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryTarget.h"
#include "plu/PluTransfer.h"
#include "protocol/RegisterFinder.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "serial/TCommPortDriver.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"
#include "session/SessionSetup.h"
#include "sim/InProcessRegister.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QTemporaryFile>

#include <unistd.h>

namespace {

QString TimeLeft(qint64 msLeft) {
    if (msLeft < 0)
        return QStringLiteral("--:--");
    const qint64 s = (msLeft + 999) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QString Printable(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7F && u < 0xA0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

void ProgressLine::Show(int done, int total, qint64 msLeft) {
    if (!m_context.ProgressOnErr)
        return;
    m_context.Err << "\r" << done << " of " << total << ", " << TimeLeft(msLeft) << " left   " << Qt::flush;
    m_shown = true;
}

void ProgressLine::Finish() {
    if (m_shown)
        m_context.Err << "\n" << Qt::flush;
    m_shown = false;
}

CtlRun::~CtlRun() {
    if (m_simulator && m_context.SimulatorStopping)
        m_context.SimulatorStopping(*m_simulator);
    CloseHistory();
    m_session.reset();
    m_simulator.reset();
}

int CtlRun::Help(const QString& command) {
    QTextStream& out = m_context.Out;
    if (!command.isEmpty()) {
        bool known = false;
        for (const CommandHelp& c : CtlCommands()) {
            if (command == QLatin1String(c.Name) ||
                QLatin1String(c.Name).startsWith(command + QLatin1Char(' '))) {
                out << "usage: orvexctl [--port DEV | --simulate] [--speed BPS] " << c.Usage << "\n  "
                    << c.About << "\n";
                known = true;
            }
        }
        return known ? CtlSuccess : Usage(QStringLiteral("no help for %1: not a command").arg(command));
    }
    out << "usage: " << GlobalUsage << "\n\n"
        << "The Orvex register from a shell or a cron job.\n\n"
        << "Options:\n"
        << "  --port DEV     the register's serial device (default COM1, /dev/ttyS0)\n"
        << "  --simulate     talk to a simulated register started in this process\n"
        << "  --speed BPS    the line speed: 9600, 19200 (the default) or 38400 bit/s\n"
        << "  --lang en|sr   the language of reports and messages (default en)\n"
        << "  --charset cyrillic|latin  the register's character set for texts (default cyrillic)\n"
        << "  --trace FILE   every frame in and out, one timestamped hex line each, into FILE\n"
        << "  --data-dir DIR, --history URL  keep what the register says during the command\n"
        << "                 in the sales history (history.sqlite in DIR, or the database URL names)\n"
        << "  --shop NAME    the shop the register stands in, for the history (default: the window's)\n"
        << "  --create       without a terminal, a missing PLU database is made with the defaults\n"
        << "                 (otherwise refused: a script names its table with --db or --data-dir)\n"
        << "  --version      prints the version\n"
        << "  --             ends the options: what follows are words (a file named -x)\n"
        << "  --timeout MS   how long to wait for each reply of the register (default 6000,\n"
        << "                 3000 for a PLU transfer, 65000 for the Z report)\n\n"
        << "Commands:\n";
    for (const CommandHelp& c : CtlCommands())
        out << "  " << c.Usage << "\n";
    out << "\n'orvexctl COMMAND --help' describes a command. Exit status: 0 done, 1 refused or no answer, "
           "2 usage error, 141 the reader of the output left.\n";
    return CtlSuccess;
}

bool CtlRun::OnlyOptions(std::initializer_list<const char*> allowed) {
    static const QStringList link{
        QStringLiteral("--port"),  QStringLiteral("--simulate"), QStringLiteral("--speed"),
        QStringLiteral("--lang"),  QStringLiteral("--timeout"),  QStringLiteral("--charset"),
        QStringLiteral("--trace"), QStringLiteral("--data-dir"), QStringLiteral("--history"),
        QStringLiteral("--shop"),  QStringLiteral("--create")};
    for (auto it = m_line.Options.cbegin(); it != m_line.Options.cend(); ++it) {
        if (link.contains(it.key()))
            continue;
        bool ok = false;
        for (const char* a : allowed)
            ok = ok || it.key() == QLatin1String(a);
        if (!ok) {
            Usage(QStringLiteral("%1 does not take %2").arg(m_command, it.key()));
            return false;
        }
    }
    return true;
}

bool CtlRun::OpenHistory() {
    if (!m_line.Has("--data-dir") && !m_line.Has("--history"))
        return true;
    // The shop name the window keeps, unless the command names one.
    const QString shop = m_line.Has("--shop")
                             ? m_line.Value("--shop").trimmed()
                             : QSettings(QSettings::IniFormat, QSettings::UserScope,
                                         QStringLiteral("orvex-commander"), QStringLiteral("orvex-commander"))
                                   .value(QStringLiteral("ShopName"))
                                   .toString()
                                   .trimmed();
    HistoryTarget target;
    QString error;
    auto store = std::make_unique<HistoryStore>();
    if (!ParseHistoryTarget(m_line.Value("--history"), HistoryDataDirectory(m_line), target, error) ||
        !store->Open(target, error)) {
        const QString where =
            m_line.Has("--history") ? m_line.Value("--history") : HistoryDataDirectory(m_line);
        m_context.Err << "orvexctl " << m_command << ": " << Printable(where)
                      << ": the sales history cannot be kept: " << Printable(error) << "\n";
        return false;
    }
    m_history = std::move(store);
    m_recorder = std::make_unique<HistoryRecorder>(*m_session, *m_history, shop);
    return true;
}

void CtlRun::CloseHistory() {
    if (!m_history)
        return;
    m_recorder.reset();
    // A server that is away keeps the rows in the spool on this PC; they go
    // with the next run that reaches it.
    if (!m_history->Flush(10000)) {
        const HistoryStatus status = m_history->Status();
        m_context.Err << "orvexctl " << m_command << ": " << m_history->Target().Display()
                      << ": sales history: ";
        if (status.Spooled > 0)
            m_context.Err << status.Spooled << " rows wait on this PC (" << Printable(status.ServerError)
                          << ")\n";
        else
            m_context.Err << "not every row could be kept (" << Printable(status.ServerError) << ")\n";
    }
    m_history->Close();
    m_history.reset();
}

bool CtlRun::Connect() {
    // The speeds the register offers, as in the program's Speed menu; 19200 unless asked.
    TComPortBaudRate speed = br19200;
    if (m_line.Has("--speed")) {
        const std::optional<int> bps = Number(m_line.Value("--speed"));
        const std::optional<TComPortBaudRate> found = bps ? RegisterSpeedOf(*bps) : std::nullopt;
        if (!found)
            return false;
        speed = *found;
    }
    SessionSettings settings;
    settings.Language = Shell().UiLanguage;
    settings.Charset = Shell().RegisterCharset;
    settings.DecimalSeparator = QLocale::system().decimalPoint().front();
    m_session = std::make_unique<RegisterSession>(settings);
    Dispatcher().ChangePort(pnCOM1);
    // The table is each command's own (--db); the line opens as a command
    // first needs it, on --port's device or COM1's.
    SessionPlace place;
    place.Device = m_line.Value("--port");
    place.Speed = speed;
    place.OpenLine = false;
    (void)SetUpSession(*m_session, place);
    if (m_replyTimeoutMs > 0) {
        m_session->PluSeries().SetReplyTimeout(m_replyTimeoutMs);
        m_session->Transfer().SetReplyTimeout(m_replyTimeoutMs);
        m_session->Reports().SetZReportTimeout(m_replyTimeoutMs);
    }
    // Until it runs, the simulated register has no device to name.
    m_device = m_line.Has("--simulate") ? QStringLiteral("the simulated register")
                                        : m_session->RS232().Serial().CurrentDeviceName();
    return true;
}

int CtlRun::Execute() {
    const int status = ExecuteCommand();
    // A trace that stopped taking lines is a trace with a hole: the command
    // that went on without it did not do what it was asked.
    if (!m_traceFailure.isEmpty()) {
        m_context.Err << m_traceFailure << "\n";
        return status == CtlSuccess ? CtlFailed : status;
    }
    return status;
}

int CtlRun::ExecuteCommand() {
    if (m_line.Has("--lang")) {
        const QString lang = m_line.Value("--lang");
        if (lang != QLatin1String("en") && lang != QLatin1String("sr"))
            return Usage(QStringLiteral("--lang takes en or sr"));
    }
    Shell().UiLanguage =
        m_line.Value("--lang") == QLatin1String("sr") ? ShellSettings::Serbian : ShellSettings::English;

    if (m_line.Has("--version")) {
        m_context.Out << "orvexctl " << ProgramVersion << "\n";
        return CtlSuccess;
    }
    Shell().RegisterCharset = 204;
    if (m_line.Has("--charset")) {
        // As the window's Settings name them.
        const QString charset = m_line.Value("--charset");
        if (charset == QLatin1String("cyrillic"))
            Shell().RegisterCharset = 204;
        else if (charset == QLatin1String("latin"))
            Shell().RegisterCharset = 238;
        else
            return Usage(QStringLiteral("--charset takes cyrillic or latin"));
    }
    if (m_line.Has("--format")) {
        static const QStringList formats{QStringLiteral("text"), QStringLiteral("json"),
                                         QStringLiteral("csv")};
        m_format = OutputFormat(formats.indexOf(m_line.Value("--format")));
        if (int(m_format) < 0)
            return Usage(QStringLiteral("--format takes text, json or csv"));
    }
    if (m_line.Words.isEmpty())
        return m_line.Has("--help") || m_line.Has("-h") ? Help({})
                                                        : Usage(QStringLiteral("no command given"));
    m_command = m_line.Words.first();
    if (m_command == QLatin1String("help"))
        return Help(m_line.Words.value(1));
    if (m_command == QLatin1String("plu") && m_line.Words.size() > 1)
        m_command += QLatin1Char(' ') + m_line.Words[1];
    bool known = false;
    for (const CommandHelp& c : CtlCommands())
        known = known || m_line.Words.first() == QString::fromLatin1(c.Name).section(QLatin1Char(0x20), 0, 0);
    if (!known)
        return Usage(QStringLiteral("unknown command %1").arg(m_line.Words.first()));
    if (m_line.Has("--help") || m_line.Has("-h"))
        return Help(m_command);
    // The history needs no register line.
    if (m_command == QLatin1String("history"))
        return RunHistoryCommand(m_line, m_context);
    if (m_line.Has("--port") && m_line.Has("--simulate"))
        return Usage(QStringLiteral("--port and --simulate exclude each other"));
    if (m_line.Has("--port") && m_line.Value("--port").isEmpty())
        return Usage(QStringLiteral("--port needs a device"));
    if (m_line.Has("--timeout")) {
        const std::optional<int> ms = Number(m_line.Value("--timeout"));
        if (!ms || *ms < 1 || *ms > MaxReplyTimeoutMs)
            return Usage(QStringLiteral("--timeout takes milliseconds, 1 to %1").arg(MaxReplyTimeoutMs));
        m_replyTimeoutMs = *ms;
    }
    if (!Connect())
        return Usage(
            QStringLiteral("--speed takes 9600, 19200 or 38400, not %1").arg(m_line.Value("--speed")));
    if (m_line.Has("--data-dir") && m_line.Value("--data-dir").isEmpty())
        return Usage(QStringLiteral("--data-dir needs a folder"));
    if (!OpenHistory())
        return CtlFailed;

    const QString& first = m_line.Words.first();
    if (first == QLatin1String("clock")) {
        if (m_line.Words.size() != 1)
            return Usage(QStringLiteral("clock takes no arguments"));
        if (!OnlyOptions({"--format"}))
            return CtlUsage;
        return StartLink() ? Clock() : CtlFailed;
    }
    if (first == QLatin1String("detect")) {
        if (m_line.Words.size() != 1)
            return Usage(QStringLiteral("detect takes no arguments"));
        if (!OnlyOptions({}))
            return CtlUsage;
        if (m_line.Has("--speed"))
            return Usage(QStringLiteral("detect tries every speed itself and takes no --speed"));
        return StartLink() ? Detect() : CtlFailed;
    }
    if (first == QLatin1String("plu")) {
        const bool write = m_line.Words.value(1) == QLatin1String("write");
        if (!write && m_line.Words.value(1) != QLatin1String("read"))
            return Usage(QStringLiteral("plu takes read or write"));
        if (m_line.Words.size() != 4)
            return Usage(QStringLiteral("%1 takes FROM and TO").arg(m_command));
        if (!(write ? OnlyOptions({"--db", "--scope", "--active"}) : OnlyOptions({"--db", "--format"})))
            return CtlUsage;
        return Plu();
    }
    if (first == QLatin1String("report"))
        return Report();
    if (first == QLatin1String("monitor")) {
        if (!OnlyOptions({"--db", "--format"}))
            return CtlUsage;
        if (m_line.Words.size() != 1)
            return Usage(QStringLiteral("monitor takes only --db and --format"));
        return Monitor();
    }
    if (first == QLatin1String("export"))
        return Export();
    if (first == QLatin1String("import"))
        return Import();
    if (first == QLatin1String("z-report")) {
        if (!OnlyOptions({"--yes"}))
            return CtlUsage;
        if (m_line.Words.size() != 1)
            return Usage(QStringLiteral("z-report takes only --yes"));
        if (!m_line.Has("--yes")) {
            m_context.Err << "orvexctl z-report: " << m_device
                          << ": refused: the Z report closes the register's day; give --yes to run it\n";
            return CtlFailed;
        }
        return StartLink() ? ZReport() : CtlFailed;
    }
    return Usage(QStringLiteral("unknown command %1").arg(first));
}

bool CtlRun::StartLink() {
    if (m_context.StopRequested && m_command != QLatin1String("monitor")) {
        m_interruptPoll.setInterval(50);
        QObject::connect(&m_interruptPoll, &QTimer::timeout, &m_interruptPoll, [this] {
            if (!m_context.StopRequested())
                return;
            m_interruptPoll.stop();
            m_interrupted = true;
            if (m_onInterrupt)
                m_onInterrupt();
            if (m_session)
                Dispatcher().CancelWait();
        });
        m_interruptPoll.start();
    }
    if (m_line.Has("--trace")) {
        QString error;
        if (!m_session->RS232().Trace().Start(m_line.Value("--trace"), &error)) {
            FailFile(QFileInfo(m_line.Value("--trace")).absoluteFilePath(),
                     QStringLiteral("the trace cannot be written: %1").arg(error));
            return false;
        }
        m_session->RS232().Trace().OnFailed = [this](const QString& file, const QString& reason) {
            m_traceFailure = QStringLiteral("orvexctl %1: %2: the trace could not be written: %3")
                                 .arg(m_command, file, Printable(reason));
        };
    }
    // Started only once the command line has been checked whole.
    if (!m_line.Has("--simulate"))
        return true;
    SimOptions options = m_context.Simulator;
    // Only the journal wants a cashier at work; other answers stay as they are.
    if (m_command != QLatin1String("monitor"))
        options.SellEveryMs = 0;
    // A search is only worth its name against a register that hears one speed.
    if (m_command == QLatin1String("detect"))
        options.StrictSpeed = true;
    m_simulator = std::make_unique<InProcessRegister>(options);
    const QString device = m_simulator->Start();
    if (device.isEmpty()) {
        Fail(QStringLiteral("the simulated register did not start: %1").arg(m_simulator->ErrorString()));
        return false;
    }
    SetSessionDevice(*m_session, device);
    m_device = device;
    if (m_context.SimulatorStarted)
        m_context.SimulatorStarted(*m_simulator);
    return true;
}

QString CtlRun::DatabasePath() const {
    if (m_line.Has("--db"))
        return QFileInfo(m_line.Value("--db")).absoluteFilePath();
    // The data folder's own, as the window keeps it beside the history.
    if (m_line.Has("--data-dir"))
        return QDir(HistoryDataDirectory(m_line)).filePath(QString::fromLatin1(DatabaseFileName));
    return QFileInfo(QString::fromLatin1(DatabaseFileName)).absoluteFilePath();
}

namespace {

// Why no file can be written beside path (the folder is missing, read-only or
// full), in the system's words; empty when a trial file could be made there.
QString FolderRefusal(const QString& path) {
    QTemporaryFile trial(QFileInfo(path).absoluteDir().filePath(QStringLiteral(".orvexctl-XXXXXX")));
    return trial.open() ? QString() : trial.errorString();
}

QString ResultText(const DatabaseFileResult& result) {
    return result.Detail.isEmpty() ? result.Message
                                   : QStringLiteral("%1 (%2)").arg(result.Message, result.Detail);
}

} // namespace

bool CtlRun::LoadTable(bool newFileAllowed) {
    // pludb.dat is the program's own, created with its defaults when missing;
    // a file named otherwise must be there.
    const QString path = DatabasePath();
    // For the whole command, when it changes the table: a read from the
    // register or an import has it alone. The others only read a whole file.
    m_session->LeaveTableUnlocked();
    if (m_command == QLatin1String("plu read") || m_command == QLatin1String("import")) {
        // A file named by mistake (notes, a sheet, a table cut short) is never replaced by a table.
        if (const QString refusal = NotPluDatabase(path); !refusal.isEmpty()) {
            FailFile(path, refusal + QStringLiteral("; nothing was done, the file is left as it was"));
            return false;
        }
        // Found before the register is asked: a long read would be lost at its end.
        if (const QString refusal = FolderRefusal(path); !refusal.isEmpty()) {
            FailFile(path,
                     QStringLiteral("the PLU database cannot be written: %1; nothing was done").arg(refusal));
            return false;
        }
        const QString refusal = m_session->LockTable(path, QStringLiteral("orvexctl ") + m_command);
        if (!refusal.isEmpty()) {
            FailFile(path, QStringLiteral("the PLU database is %1; nothing was done").arg(refusal));
            return false;
        }
    }
    // A script that forgot --db in another folder would otherwise report on a
    // table of defaults made up for it; at a terminal the program's own habit stands.
    if (!newFileAllowed && !QFileInfo::exists(path) && !m_line.Has("--create") && !::isatty(STDIN_FILENO)) {
        FailFile(path,
                 QStringLiteral("no PLU database at %1; use --db or --data-dir (or --create to make one)")
                     .arg(path));
        return false;
    }
    const DatabaseFileResult result =
        m_session->LoadTableFile(path, newFileAllowed || m_line.Has("--create"));
    if (!result.Ok)
        FailFile(path, ResultText(result));
    return result.Ok;
}

bool CtlRun::LoadTableToSend() {
    const QString path = DatabasePath();
    if (const QString refusal = NotPluDatabase(path); !refusal.isEmpty()) {
        FailFile(path, refusal + QStringLiteral("; nothing was written"));
        return false;
    }
    if (!QFileInfo::exists(path)) {
        FailFile(path, QStringLiteral("no PLU database to write from (read or import one first); nothing was "
                                      "written"));
        return false;
    }
    return LoadTable();
}

bool CtlRun::SaveTable() {
    const QString path = DatabasePath();
    const DatabaseFileResult result = m_session->SaveTableFile(path);
    if (!result.Ok)
        FailFile(path, ResultText(result));
    return result.Ok;
}

int CtlRun::FailPort() {
    const QString reason = m_session->RS232().Serial().OpenError();
    return Fail(reason.isEmpty() ? QStringLiteral("cannot open the port")
                                 : QStringLiteral("cannot open the port: %1").arg(reason));
}

int CtlRun::PrintLines(const QStringList& lines) {
    for (const QString& line : lines)
        m_context.Out << line << "\n";
    return CtlSuccess;
}

int CtlRun::PrintRecords(const Records& records) {
    if (m_format == OutputFormat::Json)
        PrintJson(m_context.Out, records);
    else
        PrintCsv(m_context.Out, records);
    return CtlSuccess;
}

PluCells::Style CtlRun::FileStyle() const {
    PluCells::Style style;
    style.Language = m_session->Settings().Language;
    style.Charset = m_session->Settings().Charset;
    return style;
}
