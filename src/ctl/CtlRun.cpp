#include "ctl/CtlRun.h"

#include "ctl/HistoryCommand.h"

#include "common/ShellSettings.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/TCommPortDriver.h"
#include "session/RegisterSession.h"
#include "sim/InProcessRegister.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>

namespace {

QString TimeLeft(qint64 msLeft) {
    if (msLeft < 0)
        return QStringLiteral("--:--");
    const qint64 s = (msLeft + 999) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

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
    m_session.reset();
    m_simulator.reset();
    TCommPortDriver::ClearDeviceOverrides();
}

int CtlRun::Help(const QString& command) {
    QTextStream& out = m_context.Out;
    if (!command.isEmpty()) {
        for (const CommandHelp& c : CtlCommands()) {
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
    for (const CommandHelp& c : CtlCommands())
        out << "  " << c.Usage << "\n";
    out << "\n'orvexctl COMMAND --help' describes a command. Exit status: 0 done, 1 refused or no answer, "
           "2 usage error.\n";
    return CtlSuccess;
}

bool CtlRun::OnlyOptions(std::initializer_list<const char*> allowed) {
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

bool CtlRun::Connect() {
    SessionSettings settings;
    settings.Language = Shell().UiLanguage;
    settings.Charset = Shell().RegisterCharset;
    settings.DecimalSeparator = QLocale::system().decimalPoint().front();
    m_session = std::make_unique<RegisterSession>(settings);
    Dispatcher().ChangePort(pnCOM1);
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
    Dispatcher().ChangeSpeed(speed);
    m_device = TCommPortDriver::DeviceName(pnCOM1);
    return true;
}

int CtlRun::Execute() {
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

QString CtlRun::DatabasePath() const {
    const QString path = m_line.Has("--db") ? m_line.Value("--db") : QString::fromLatin1(DatabaseFileName);
    return QFileInfo(path).absoluteFilePath();
}

bool CtlRun::LoadTable(bool newFileAllowed) {
    // pludb.dat is the program's own, created with its defaults when missing;
    // a file named otherwise must be there.
    const QString path = DatabasePath();
    const DatabaseFileResult result = m_session->LoadTableFile(path, newFileAllowed);
    if (!result.Ok)
        FailFile(path, result.Message);
    return result.Ok;
}

bool CtlRun::SaveTable() {
    const QString path = DatabasePath();
    const DatabaseFileResult result = m_session->SaveTableFile(path);
    if (!result.Ok)
        FailFile(path, result.Message);
    return result.Ok;
}

int CtlRun::PrintLines(const QStringList& lines) {
    for (const QString& line : lines)
        m_context.Out << line << "\n";
    return CtlSuccess;
}

PluCells::Style CtlRun::FileStyle() const {
    PluCells::Style style;
    style.Language = m_session->Settings().Language;
    style.Charset = m_session->Settings().Charset;
    return style;
}
