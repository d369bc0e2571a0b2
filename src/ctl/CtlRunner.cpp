#include "ctl/CtlRunner.h"

#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "database/PluCells.h"
#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "spreadsheets/PluSheet.h"
#include "spreadsheets/SheetRows.h"
#include "monitor/JournalMonitor.h"
#include "plu/PluTransfer.h"
#include "protocol/RegisterFinder.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "reports/ReportDecoder.h"
#include "sales/StatusReplies.h"
#include "serial/TCommPortDriver.h"
#include "serial/TRS232Form.h"
#include "sim/InProcessRegister.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

namespace {

struct CommandHelp {
    const char* Name;
    const char* Usage;
    const char* About;
};

constexpr CommandHelp Commands[] = {
    {"clock", "clock", "Prints the register's date and time."},
    {"plu read", "plu read FROM TO [--db FILE]",
     "Reads PLUs FROM to TO from the register into the database (pludb.dat in the working directory "
     "unless --db names another file) and prints them, one tab-separated line each."},
    {"plu write", "plu write FROM TO [--scope stock|constant|both] [--active] [--db FILE]",
     "Writes PLUs FROM to TO of the database to the register: the stock, the constant fields or both "
     "(the default); with --active only the PLUs active in the database."},
    {"report", "report vat|dept|status|last-z | report plu FROM TO [--db FILE] | report operator N",
     "Prints a daily report of the register, the same lines as the Reports page. A PLU report asks "
     "for the PLUs of the range that are active in the database; operators are 1 to 15."},
    {"export", "export FILE [FROM TO] [--db FILE]",
     "Writes PLUs FROM to TO of the database (all of them by default) to a spreadsheet, .xlsx or .csv "
     "by the name's extension, in the columns of Database > Export. The file is written whole or not at "
     "all."},
    {"import", "import FILE [--db FILE]",
     "Takes the PLUs of a spreadsheet (.xlsx, .xlsm, .ods, .xls, .csv) into the database, as "
     "Database > Import does, and prints what was taken and what was skipped. Talks to no register."},
    {"monitor", "monitor [--db FILE]",
     "Prints the sales journal lines as the register sends them and answers the register's PLU requests "
     "from the database, until interrupted (SIGINT or SIGTERM)."},
    {"detect", "detect",
     "Looks for the register: asks each serial device (what COM1 to COM4 stand for and every device the "
     "system detects; only DEV with --port) for the clock at 9600, 19200 and 38400 bit/s and prints, one "
     "line each, the speed it answers at, no answer, or why it cannot be opened. A device is sent "
     "nothing but the clock request. Fails when no register answers."},
    {"z-report", "z-report --yes",
     "Runs the Z report, which closes the register's day. Refused without --yes."},
};

constexpr const char* GlobalUsage = "orvexctl [--port DEV | --simulate] [--speed BPS] [--lang en|sr] COMMAND";
constexpr int Operators = 15;

// Options that take a value; the others are switches.
const QStringList ValueOptions{QStringLiteral("--port"), QStringLiteral("--speed"), QStringLiteral("--db"),
                               QStringLiteral("--scope"), QStringLiteral("--lang")};
const QStringList SwitchOptions{QStringLiteral("--simulate"), QStringLiteral("--active"),
                                QStringLiteral("--yes"), QStringLiteral("--help"), QStringLiteral("-h")};

struct CommandLine {
    QStringList Words;
    QMap<QString, QString> Options;
    [[nodiscard]] bool Has(const char* option) const { return Options.contains(QLatin1String(option)); }
    [[nodiscard]] QString Value(const char* option) const { return Options.value(QLatin1String(option)); }
};

std::optional<int> Number(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// Runs the event loop until done() holds or the time is up; the link's
// timers and the simulated register's line keep going meanwhile.
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

QString TimeLeft(qint64 msLeft) {
    if (msLeft < 0)
        return QStringLiteral("--:--");
    const qint64 s = (msLeft + 999) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// Progress of a long command on one terminal line, rewritten in place.
class ProgressLine {
  public:
    explicit ProgressLine(CtlContext& context) : m_context(context) {}
    ~ProgressLine() { Finish(); }
    void Show(int done, int total, qint64 msLeft) {
        if (!m_context.ProgressOnErr)
            return;
        m_context.Err << "\r" << done << " of " << total << ", " << TimeLeft(msLeft) << " left   "
                      << Qt::flush;
        m_shown = true;
    }
    void Finish() {
        if (m_shown)
            m_context.Err << "\n" << Qt::flush;
        m_shown = false;
    }

  private:
    CtlContext& m_context;
    bool m_shown = false;
};

// The PLU page's part in a transfer, for a terminal: the choices come from the
// command line, progress goes to the progress line and every word of failure
// is kept for the one line the command ends with.
class CtlTransferView : public PluTransferView {
  public:
    CtlTransferView(ProgressLine& progress, int scope, bool activeOnly)
        : m_progress(progress), m_scope(scope), m_activeOnly(activeOnly) {}

    [[nodiscard]] int WriteScope() const override { return m_scope; }
    [[nodiscard]] bool ActiveOnly() const override { return m_activeOnly; }
    void PutPageToTable(int) override {}
    void ShowReceivedRecord(const PluRecord&) override {}
    void FillGridRow(int) override {}
    void SetGridStale() override {}
    void ShowStatusPanel(bool) override {}
    void ShowRequest(const QString&, int) override {}
    void ShowReply(const QString&, int) override {}
    void ShowProgress(int done, int total, qint64 msLeft) override { m_progress.Show(done, total, msLeft); }
    void SetRangeRunning(bool, TransferKind) override {}
    void ShowMessage(const QString& text) override { Add(text); }
    void ShowNoResponse() override { Add(Captions::Link::NoResponse.Text()); }
    void ShowStopped(const QString& text) override { Add(text); }

    [[nodiscard]] const QString& Failure() const { return m_failure; }

  private:
    void Add(const QString& text) {
        if (!m_failure.isEmpty())
            m_failure += QStringLiteral("; ");
        m_failure += text;
    }

    ProgressLine& m_progress;
    int m_scope;
    bool m_activeOnly;
    QString m_failure;
};

// One run: the link to the register, opened on demand, and the words of its end.
class Run {
  public:
    Run(CtlContext& context, CommandLine line) : m_context(context), m_line(std::move(line)) {}
    ~Run() {
        if (m_simulator && m_context.SimulatorStopping)
            m_context.SimulatorStopping(*m_simulator);
        m_dispatcher.reset();
        m_rs232.reset();
        m_simulator.reset();
        TCommPortDriver::ClearDeviceOverrides();
    }

    int Execute();

  private:
    int Usage(const QString& why) {
        m_context.Err << "orvexctl: " << why << "\n"
                      << "usage: " << GlobalUsage << "\n"
                      << "Try 'orvexctl --help'.\n";
        return CtlUsage;
    }
    int Fail(const QString& what) {
        m_context.Err << "orvexctl " << m_command << ": " << m_device << ": " << what << "\n";
        return CtlFailed;
    }
    int FailFile(const QString& file, const QString& what) {
        m_context.Err << "orvexctl " << m_command << ": " << file << ": " << what << "\n";
        return CtlFailed;
    }
    int Help(const QString& command);
    // The options command may take besides the link's; false (said) when another was given.
    bool OnlyOptions(std::initializer_list<const char*> allowed);
    bool Connect();
    // Starts the simulated register when asked for; false (said) when it does not start.
    bool StartLink();
    int Clock();
    int Plu();
    int Report();
    int ZReport();
    int Detect();
    int Export();
    int Monitor();
    int Import();
    int PrintLines(const QStringList& lines);
    QString DatabasePath() const;
    // newFileAllowed: a --db file that is not there yet starts empty (a read creates it).
    bool LoadTable(bool newFileAllowed = false);
    bool SaveTable();

    CtlContext& m_context;
    CommandLine m_line;
    QString m_command;
    QString m_device;
    // SIGINT or SIGTERM during a register command: the running wait or
    // transfer is cancelled and the command ends with what it has.
    QTimer m_interruptPoll;
    bool m_interrupted = false;
    std::function<void()> m_onInterrupt;
    PluTable m_table;
    std::unique_ptr<InProcessRegister> m_simulator;
    std::unique_ptr<TRS232Form> m_rs232;
    std::unique_ptr<ReplyDispatcher> m_dispatcher;
};

int Run::Help(const QString& command) {
    QTextStream& out = m_context.Out;
    if (!command.isEmpty()) {
        for (const CommandHelp& c : Commands) {
            if (command == QLatin1String(c.Name) ||
                QLatin1String(c.Name).startsWith(command + QLatin1Char(' '))) {
                out << "usage: orvexctl [--port DEV | --simulate] [--speed BPS] " << c.Usage << "\n  "
                    << c.About << "\n";
            }
        }
        return CtlSuccess;
    }
    out << "usage: " << GlobalUsage << "\n\n"
        << "The Orvex register from a shell or a cron job.\n\n"
        << "Options:\n"
        << "  --port DEV     the register's serial device (default COM1, /dev/ttyS0)\n"
        << "  --simulate     talk to a simulated register started in this process\n"
        << "  --speed BPS    the line speed: 9600, 19200 (the default) or 38400 bit/s\n"
        << "  --lang en|sr   the language of reports and messages (default en)\n\n"
        << "Commands:\n";
    for (const CommandHelp& c : Commands)
        out << "  " << c.Usage << "\n";
    out << "\n'orvexctl COMMAND --help' describes a command. Exit status: 0 done, 1 refused or no answer, "
           "2 usage error.\n";
    return CtlSuccess;
}

bool Run::OnlyOptions(std::initializer_list<const char*> allowed) {
    static const QStringList link{QStringLiteral("--port"), QStringLiteral("--simulate"),
                                  QStringLiteral("--speed"), QStringLiteral("--lang")};
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

bool Run::Connect() {
    m_rs232 = std::make_unique<TRS232Form>();
    m_dispatcher = std::make_unique<ReplyDispatcher>(*m_rs232);
    m_dispatcher->ChangePort(pnCOM1);
    // The speeds the register offers, as in the program's Speed menu; 19200 unless asked.
    TComPortBaudRate speed = br19200;
    if (m_line.Has("--speed")) {
        const std::optional<int> bps = Number(m_line.Value("--speed"));
        bool found = false;
        for (TComPortBaudRate r : {br9600, br19200, br38400}) {
            if (bps && BaudRateOf(r) == uint32_t(*bps)) {
                speed = r;
                found = true;
            }
        }
        if (!found)
            return false;
    }
    m_dispatcher->ChangeSpeed(speed);
    m_device = TCommPortDriver::DeviceName(pnCOM1);
    return true;
}

int Run::Execute() {
    if (m_line.Has("--lang")) {
        const QString lang = m_line.Value("--lang");
        if (lang != QLatin1String("en") && lang != QLatin1String("sr"))
            return Usage(QStringLiteral("--lang takes en or sr"));
    }
    Shell().UiLanguage =
        m_line.Value("--lang") == QLatin1String("sr") ? ShellSettings::Serbian : ShellSettings::English;

    if (m_line.Words.isEmpty())
        return m_line.Has("--help") || m_line.Has("-h") ? Help({})
                                                        : Usage(QStringLiteral("no command given"));
    m_command = m_line.Words.first();
    if (m_command == QLatin1String("help"))
        return Help(m_line.Words.value(1));
    if (m_command == QLatin1String("plu") && m_line.Words.size() > 1)
        m_command += QLatin1Char(' ') + m_line.Words[1];
    bool known = false;
    for (const CommandHelp& c : Commands)
        known = known || m_line.Words.first() == QString::fromLatin1(c.Name).section(QLatin1Char(0x20), 0, 0);
    if (!known)
        return Usage(QStringLiteral("unknown command %1").arg(m_line.Words.first()));
    if (m_line.Has("--help") || m_line.Has("-h"))
        return Help(m_command);
    if (m_line.Has("--port") && m_line.Has("--simulate"))
        return Usage(QStringLiteral("--port and --simulate exclude each other"));
    if (m_line.Has("--port"))
        TCommPortDriver::SetDeviceOverride(pnCOM1, m_line.Value("--port"));
    if (!Connect())
        return Usage(
            QStringLiteral("--speed takes 9600, 19200 or 38400, not %1").arg(m_line.Value("--speed")));

    const QString& first = m_line.Words.first();
    if (first == QLatin1String("clock")) {
        if (m_line.Words.size() != 1)
            return Usage(QStringLiteral("clock takes no arguments"));
        if (!OnlyOptions({}))
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
        if (!(write ? OnlyOptions({"--db", "--scope", "--active"}) : OnlyOptions({"--db"})))
            return CtlUsage;
        return Plu();
    }
    if (first == QLatin1String("report"))
        return Report();
    if (first == QLatin1String("monitor")) {
        if (!OnlyOptions({"--db"}))
            return CtlUsage;
        if (m_line.Words.size() != 1)
            return Usage(QStringLiteral("monitor takes only --db"));
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

bool Run::StartLink() {
    if (m_context.StopRequested && m_command != QLatin1String("monitor")) {
        m_interruptPoll.setInterval(50);
        QObject::connect(&m_interruptPoll, &QTimer::timeout, &m_interruptPoll, [this] {
            if (!m_context.StopRequested())
                return;
            m_interruptPoll.stop();
            m_interrupted = true;
            if (m_onInterrupt)
                m_onInterrupt();
            if (m_dispatcher)
                m_dispatcher->CancelWait();
        });
        m_interruptPoll.start();
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
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    m_device = device;
    if (m_context.SimulatorStarted)
        m_context.SimulatorStarted(*m_simulator);
    return true;
}

int Run::Clock() {
    if (!m_dispatcher->EnsurePortOpen())
        return Fail(QStringLiteral("cannot open the port"));
    QString text;
    QObject::connect(m_dispatcher.get(), &ReplyDispatcher::ClockReceived, m_dispatcher.get(),
                     [&](const QString& t) { text = t; });
    m_dispatcher->RequestClock();
    RunUntil([&] { return !text.isEmpty() || m_dispatcher->ExpectedReply() == 0 || m_interrupted; },
             ReplyDispatcher::ReplyTimeout + 1000);
    if (text.isEmpty() && m_interrupted)
        return Fail(QStringLiteral("interrupted"));
    if (text.isEmpty())
        return Fail(Captions::Link::NoResponse.Text());
    // The page shows it on two lines with a blank between; one line each is enough here.
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        m_context.Out << line << "\n";
    return CtlSuccess;
}

QString Run::DatabasePath() const {
    const QString path = m_line.Has("--db") ? m_line.Value("--db") : QString::fromLatin1(DatabaseFileName);
    return QFileInfo(path).absoluteFilePath();
}

bool Run::LoadTable(bool newFileAllowed) {
    const QFileInfo info(DatabasePath());
    // pludb.dat is the program's own, created with its defaults when missing;
    // a file named otherwise must be there.
    if (info.fileName() == QLatin1String(DatabaseFileName)) {
        const DatabaseFileResult result = LoadDatabase(m_table, info.absolutePath());
        if (!result.Ok)
            FailFile(info.filePath(), result.Message);
        return result.Ok;
    }
    m_table.Clear();
    if (newFileAllowed && !info.exists())
        return true;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        FailFile(info.filePath(), QStringLiteral("Cannot open database file for reading!"));
        return false;
    }
    const std::span<std::byte> bytes = m_table.Bytes();
    const QByteArray data = file.read(qint64(bytes.size()));
    std::memcpy(bytes.data(), data.constData(), size_t(data.size()));
    return true;
}

bool Run::SaveTable() {
    const QFileInfo info(DatabasePath());
    const DatabaseFileResult result = info.fileName() == QLatin1String(DatabaseFileName)
                                          ? SaveDatabase(m_table, info.absolutePath())
                                          : SaveDatabaseTo(m_table, info.filePath());
    if (!result.Ok)
        FailFile(info.filePath(), result.Message);
    return result.Ok;
}

int Run::Plu() {
    const bool write = m_line.Words[1] == QLatin1String("write");
    const std::optional<int> from = Number(m_line.Words[2]);
    const std::optional<int> to = Number(m_line.Words[3]);
    if (!from || !to || !PluTable::Contains(*from) || !PluTable::Contains(*to) || *from > *to)
        return Usage(QStringLiteral("%1 takes PLU numbers 0 to %2, FROM not above TO")
                         .arg(m_command)
                         .arg(PluTable::Size - 1));
    int scope = 2;
    if (m_line.Has("--scope")) {
        static const QStringList scopes{QStringLiteral("stock"), QStringLiteral("constant"),
                                        QStringLiteral("both")};
        scope = int(scopes.indexOf(m_line.Value("--scope")));
        if (scope < 0)
            return Usage(QStringLiteral("--scope takes stock, constant or both"));
    }
    if (!LoadTable(!write) || !StartLink())
        return CtlFailed;
    if (!m_dispatcher->EnsurePortOpen())
        return Fail(QStringLiteral("cannot open the port"));

    ProgressLine progress(m_context);
    CtlTransferView view(progress, scope, m_line.Has("--active"));
    PluTransfer transfer(*m_dispatcher, m_table, view);
    m_onInterrupt = [&] { transfer.Cancel(); };
    if (write)
        transfer.WriteRange(*from, *to);
    else
        transfer.ReadRange(*from, *to);
    m_onInterrupt = {};
    progress.Finish();
    // PLUs read before a failure are the register's own: they are kept.
    if (!write && transfer.Transferred() > 0 && !SaveTable())
        return CtlFailed;
    if (m_interrupted)
        return Fail(QStringLiteral("interrupted: ") +
                    (view.Failure().isEmpty() ? transfer.StoppedText() : view.Failure()));
    if (!view.Failure().isEmpty())
        return Fail(view.Failure());
    if (write) {
        m_context.Out << transfer.Transferred() << " PLUs written\n";
        return CtlSuccess;
    }
    PluCells::Style style;
    style.Language = Shell().UiLanguage;
    style.Charset = Shell().RegisterCharset;
    for (int n = *from; n <= *to; ++n) {
        QStringList cells;
        for (int column = 0; column < PluCells::ColumnCount; ++column)
            cells << PluCells::Text(m_table[n], n, column, style);
        m_context.Out << cells.join(QLatin1Char('\t')) << "\n";
    }
    return CtlSuccess;
}

int Run::PrintLines(const QStringList& lines) {
    for (const QString& line : lines)
        m_context.Out << line << "\n";
    return CtlSuccess;
}

int Run::Report() {
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

    StatusReplies status(*m_dispatcher);
    DailyReports reports(*m_dispatcher, status, m_table);
    reports.SetRegisterFontQuery([] { return false; });
    QStringList lines;
    bool replied = false;
    QObject::connect(&reports, &DailyReports::LinesDecoded, &reports, [&](const QStringList& decoded) {
        lines << decoded;
        replied = true;
    });

    if (first) {
        ProgressLine progress(m_context);
        PluStatSeries series(reports, m_table);
        std::optional<PluStatSeries::End> end;
        QObject::connect(&series, &PluStatSeries::Progress, &series,
                         [&](int done, int total, qint64 msLeft) { progress.Show(done, total, msLeft); });
        QObject::connect(&series, &PluStatSeries::Finished, &series, [&](PluStatSeries::End e) { end = e; });
        if (!series.Start(*first, *last))
            return Fail(QStringLiteral("cannot open the port"));
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
        return CtlSuccess;
    }

    const bool sent =
        operatorNumber
            ? reports.RequestOperator(*operatorNumber)
            : reports.RequestReport(uint8_t(TaxReportCode + dailyIndex + (dailyIndex == 3 ? 2 : 0)));
    if (!sent)
        return Fail(QStringLiteral("cannot open the port"));
    RunUntil([&] { return replied || m_dispatcher->ExpectedReply() == 0 || m_interrupted; },
             ReplyDispatcher::ReplyTimeout + 1000);
    if (!replied && m_interrupted)
        return Fail(QStringLiteral("interrupted"));
    if (!replied)
        return Fail(Captions::Link::NoResponse.Text());
    return PrintLines(lines);
}

int Run::ZReport() {
    StatusReplies status(*m_dispatcher);
    DailyReports reports(*m_dispatcher, status, m_table);
    std::optional<QString> result;
    bool unanswered = false;
    QObject::connect(&reports, &DailyReports::ZReportFinished, &reports,
                     [&](quint8, const QString& line) { result = line; });
    QObject::connect(&reports, &DailyReports::ZReportUnanswered, &reports, [&] { unanswered = true; });
    if (!reports.RunZReport())
        return Fail(QStringLiteral("cannot open the port"));
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

int Run::Detect() {
    // --port (and --simulate, whose register stands in for it) names the one
    // device to look at; otherwise every device of the machine is asked.
    const QStringList devices = m_line.Has("--port") || m_line.Has("--simulate")
                                    ? QStringList{TCommPortDriver::DeviceName(pnCOM1)}
                                    : RegisterFinder::MachineDevices();
    RegisterFinder finder;
    ProgressLine progress(m_context);
    int answered = 0;
    QObject::connect(&finder, &RegisterFinder::Probing, &finder,
                     [&] { progress.Show(finder.StepsDone(), finder.StepsTotal(), finder.MsLeftAtMost()); });
    QObject::connect(&finder, &RegisterFinder::DeviceDone, &finder, [&](int i) {
        progress.Finish();
        const RegisterFinder::Outcome& outcome = finder.Outcomes()[size_t(i)];
        answered += outcome.Result == RegisterFinder::Outcome::Answered ? 1 : 0;
        m_context.Out << outcome.Device << ": " << RegisterFinder::OutcomeText(outcome, Shell().UiLanguage)
                      << "\n"
                      << Qt::flush;
    });
    m_onInterrupt = [&finder] { finder.Cancel(); };
    finder.Start(devices);
    RunUntil([&] { return !finder.IsRunning(); }, -1);
    m_onInterrupt = nullptr;
    progress.Finish();
    m_device = devices.size() == 1 ? devices.first() : QStringLiteral("%1 devices").arg(devices.size());
    if (m_interrupted)
        return Fail(QStringLiteral("interrupted after %1 of %2 devices")
                        .arg(finder.Outcomes().size())
                        .arg(devices.size()));
    if (answered == 0)
        return Fail(QStringLiteral("no register answered"));
    return CtlSuccess;
}

int Run::Monitor() {
    if (!LoadTable() || !StartLink())
        return CtlFailed;
    if (!m_dispatcher->EnsurePortOpen())
        return Fail(QStringLiteral("cannot open the port"));
    JournalMonitor monitor(*m_dispatcher, m_table);
    monitor.SetRegisterFontQuery([] { return false; });
    QObject::connect(&monitor, &JournalMonitor::LineDecoded, &monitor, [this](const QString& line) {
        m_context.Out << line << "\n" << Qt::flush;
    });
    QString lost;
    QObject::connect(m_dispatcher.get(), &ReplyDispatcher::PortLost, &monitor,
                     [&](const QString&, const QString& reason) {
                         lost = reason.isEmpty() ? QStringLiteral("the device went away") : reason;
                     });
    RunUntil([&] { return !lost.isEmpty() || (m_context.StopRequested && m_context.StopRequested()); }, -1);
    if (!lost.isEmpty())
        return Fail(lost);
    return CtlSuccess;
}

PluCells::Style FileStyle() {
    PluCells::Style style;
    style.Language = Shell().UiLanguage;
    style.Charset = Shell().RegisterCharset;
    return style;
}

int Run::Export() {
    const QStringList& w = m_line.Words;
    if (!OnlyOptions({"--db"}))
        return CtlUsage;
    if ((w.size() != 2 && w.size() != 4))
        return Usage(QStringLiteral("export takes FILE and optionally FROM and TO"));
    int from = 0;
    int to = PluTable::Size - 1;
    if (w.size() == 4) {
        const std::optional<int> f = Number(w[2]);
        const std::optional<int> t = Number(w[3]);
        if (!f || !t || !PluTable::Contains(*f) || !PluTable::Contains(*t) || *f > *t)
            return Usage(QStringLiteral("export takes PLU numbers 0 to %1, FROM not above TO")
                             .arg(PluTable::Size - 1));
        from = *f;
        to = *t;
    }
    const QString target = QFileInfo(w[1]).absoluteFilePath();
    std::unique_ptr<SheetWriter> writer = MakeSheetWriter(target);
    if (!writer)
        return Usage(QStringLiteral("export writes .xlsx or .csv files"));
    if (!LoadTable())
        return CtlFailed;
    const PluCells::Style style = FileStyle();
    writer->AddRow(PluSheet::TitleRow(style.Language));
    for (int n = from; n <= to; ++n)
        writer->AddRow(PluSheet::ExportRow(m_table[n], n, style));
    if (writer->Finish() != SheetError::None)
        return FailFile(target, QStringLiteral("the file could not be written; no file was made"));
    m_context.Out << (to - from + 1) << " PLUs exported to " << target << "\n";
    return CtlSuccess;
}

int Run::Import() {
    const QStringList& w = m_line.Words;
    if (!OnlyOptions({"--db"}))
        return CtlUsage;
    if (w.size() != 2)
        return Usage(QStringLiteral("import takes FILE"));
    const QString source = QFileInfo(w[1]).absoluteFilePath();
    if (!LoadTable(true))
        return CtlFailed;
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    switch (ReadSheetFile(source, rows)) {
    case SheetError::None:
        break;
    case SheetError::CannotOpen:
        return FailFile(source, QStringLiteral("the file cannot be opened; nothing was imported"));
    case SheetError::Unsupported:
        return FailFile(source,
                        QStringLiteral("not a spreadsheet format that can be read; nothing was imported"));
    case SheetError::Encrypted:
        return FailFile(source, QStringLiteral("the file is protected by a password; nothing was imported"));
    case SheetError::TooLarge:
        return FailFile(source, QStringLiteral("the file is too large; nothing was imported"));
    default:
        return FailFile(source, QStringLiteral("the file is damaged; nothing was imported"));
    }
    PluSheet::PluImport import(rows, Shell().DescriptionColumn, FileStyle());
    ProgressLine progress(m_context);
    while (!import.Done()) {
        import.Step(m_table, 200);
        progress.Show(import.RowsDone(), import.RowsTotal(), -1);
    }
    progress.Finish();
    const PluSheet::ImportSummary& summary = import.Summary();
    const QString text = summary.Text(Shell().UiLanguage).trimmed();
    if (summary.Imported == 0)
        return FailFile(source, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    if (!SaveTable())
        return CtlFailed;
    m_context.Out << text << "\n";
    return CtlSuccess;
}

} // namespace

int RunOrvexCtl(const QStringList& args, CtlContext& context) {
    CommandLine line;
    QString error;
    for (qsizetype i = 0; i < args.size() && error.isEmpty(); ++i) {
        QString arg = args[i];
        QString value;
        const bool option = arg.startsWith(QLatin1Char('-')) && !Number(arg);
        if (!option) {
            line.Words << arg;
            continue;
        }
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            value = arg.mid(eq + 1);
            arg.truncate(eq);
            if (!ValueOptions.contains(arg))
                error = QStringLiteral("%1 takes no value").arg(arg);
        } else if (ValueOptions.contains(arg)) {
            if (i + 1 >= args.size())
                error = QStringLiteral("%1 needs a value").arg(arg);
            else
                value = args[++i];
        } else if (!SwitchOptions.contains(arg)) {
            error = QStringLiteral("unknown option %1").arg(arg);
        }
        if (error.isEmpty() && line.Options.contains(arg))
            error = QStringLiteral("%1 given twice").arg(arg);
        line.Options.insert(arg, value);
    }
    if (!error.isEmpty()) {
        context.Err << "orvexctl: " << error << "\n"
                    << "usage: " << GlobalUsage << "\n"
                    << "Try 'orvexctl --help'.\n";
        return CtlUsage;
    }
    Run run(context, line);
    const int status = run.Execute();
    context.Out.flush();
    context.Err.flush();
    return status;
}
